#pragma once
// HostAllowList: the host names the service answers to. A web page elsewhere can make the
// view's browser (or any browser on the machine) send requests to the service through a name
// of its own that it points at 127.0.0.1 (DNS rebinding); such requests carry that name in
// their Host header, and the service refuses them.
//
// Allowed Host values (ASCII case ignored):
//   - "127.0.0.1:PORT", "localhost:PORT" and the listen address with PORT ("[::1]:PORT" for an
//     IPv6 one); without ":PORT" only when PORT is 80, as browsers then leave it out;
//   - each extra name: "wap.lan" allows that name with PORT or without a port (a proxy in front
//     may send either); "wap.lan:8080" allows exactly that.
// A listen address of every interface (0.0.0.0, ::) names no host: other machines reach the
// service by the names given as extra names.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tovarin::gateway {

class HostAllowList {
 public:
  // `listen_host` is the address listened on as an IP literal (IPv6 with or without
  // brackets); `port` the port actually listened on.
  HostAllowList(std::string_view listen_host, std::uint16_t port,
                const std::vector<std::string>& extra_hosts);

  // True when a request with this Host header value may be answered. An empty or malformed
  // value (a port that is not a number, a bracket left open) is refused.
  bool Allows(std::string_view host_header) const;

  // The "host:port" pairs the service is reached by, for FetcherOptions::own_addresses: the
  // listen address, localhost and the extra names (with PORT when they have none).
  std::vector<std::string> OwnAddresses() const;

 private:
  std::uint16_t port_;
  std::string listen_host_;             // as written in a URL: "127.0.0.1", "[::1]", "0.0.0.0"
  std::vector<std::string> own_names_;  // need PORT (or no port when PORT is 80)
  std::vector<std::string> any_port_names_;
  std::vector<std::string> exact_hosts_;
};

// `host` as it stands in a URL's authority: an IPv6 literal in brackets, anything else as is.
std::string UrlHost(std::string_view host);

}  // namespace tovarin::gateway
