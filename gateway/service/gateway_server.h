#pragma once
// GatewayServer: the rendering service over HTTP (a libsoup SoupServer). The viewer embeds it
// on a loopback port under a secret path prefix; `tovarin-gateway` serves it on its own.
//
// Every request passes, in order:
//   1. the Host check (host_allow_list.h): another host name gets 421 with a short text;
//   2. the method: GET, HEAD and POST; another gets 405;
//   3. the body bound: a chunked body gets 411, one over kMaxRequestBodyBytes 413; such a body
//      is read and thrown away, never kept;
//   4. the prefix: a path outside it gets a bare 404 (a guess at the secret learns nothing);
//   5. RequestHandler, which answers at once or after fetching (the message is paused).
// Every answer carries the security headers below; every HTML answer is the service's own page
// (a transcoded card, the error page, the offline start page). With logging on, each request
// gives one line: method, path (without the prefix or the query, which hold secrets and the
// user's addresses), status, bytes and milliseconds.
//
// Runs on the thread-default GLib main context current when Listen is called: the caller runs
// that context. Destroying the server drops the requests in progress unanswered and closes
// its connections.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "gateway/service/gateway_options.h"
#include "platform/result.h"

namespace tovarin::gateway {

// Sent with every answer: no script or plugin runs, nothing loads from elsewhere, the page
// cannot be framed by another site, forms post back to the service only.
inline constexpr std::string_view kContentSecurityPolicy =
    "default-src 'none'; script-src 'none'; object-src 'none'; frame-src 'none'; "
    "child-src 'none'; frame-ancestors 'self'; base-uri 'none'; form-action 'self'; "
    "img-src 'self' data:; style-src 'self' 'unsafe-inline'; font-src 'self'; media-src 'self'";

class GatewayServer {
 public:
  // Listens on `host` (an IP literal, IPv6 with or without brackets, or "localhost" for
  // 127.0.0.1) and `port` (0: any free port). Fails with a message for a host that is not an
  // address, a port in use, or a path prefix that is not "" or "/" + URL-safe characters.
  // Adds the listen address, localhost and the extra host names to
  // options.fetcher.own_addresses, so the service never fetches itself.
  [[nodiscard]] static platform::Result<std::unique_ptr<GatewayServer>> Listen(
      GatewayOptions options, std::string_view host, std::uint16_t port);

  ~GatewayServer();
  GatewayServer(const GatewayServer&) = delete;
  GatewayServer& operator=(const GatewayServer&) = delete;

  // The port listened on.
  std::uint16_t port() const;
  // "http://127.0.0.1:PORT" + prefix (the listen address instead when it is a specific one:
  // "http://[::1]:PORT").
  std::string BaseUrl() const;
  // Where the viewer appends a typed address: BaseUrl() + "/tovarin/Client/Tovarin.aspx?url=".
  std::string ServicePrefix() const;
  // Where a percent-encoded address goes: BaseUrl() + "/simulator/crawldata_r.jsp?rf=y&url=".
  std::string SimulatorBase() const;

 private:
  struct Impl;
  explicit GatewayServer(std::unique_ptr<Impl> impl);

  std::unique_ptr<Impl> impl_;
};

}  // namespace tovarin::gateway
