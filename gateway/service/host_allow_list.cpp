#include "gateway/service/host_allow_list.h"

#include <algorithm>
#include <optional>

namespace tovarin::gateway {
namespace {

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

bool Contains(const std::vector<std::string>& names, std::string_view name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

struct HostAndPort {
  std::string host;         // lower case; IPv6 in brackets
  std::optional<int> port;  // absent when the value has none
};

// Splits a Host header value; nullopt when it is malformed.
std::optional<HostAndPort> SplitHost(std::string_view value) {
  std::size_t host_end = value.size();
  if (!value.empty() && value.front() == '[') {
    std::size_t close = value.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    host_end = close + 1;
  } else if (std::size_t colon = value.rfind(':'); colon != std::string_view::npos) {
    host_end = colon;
  }
  HostAndPort result{Lower(value.substr(0, host_end)), std::nullopt};
  if (result.host.empty()) return std::nullopt;
  std::string_view rest = value.substr(host_end);
  if (rest.empty()) return result;
  if (rest.front() != ':' || rest.size() < 2 || rest.size() > 6) return std::nullopt;
  int port = 0;
  for (char c : rest.substr(1)) {
    if (c < '0' || c > '9') return std::nullopt;
    port = port * 10 + (c - '0');
  }
  result.port = port;
  return result;
}

bool IsWildcard(std::string_view host) { return host == "0.0.0.0" || host == "[::]"; }

}  // namespace

std::string UrlHost(std::string_view host) {
  if (host.find(':') != std::string_view::npos && host.front() != '[') {
    return "[" + std::string(host) + "]";
  }
  return std::string(host);
}

HostAllowList::HostAllowList(std::string_view listen_host, std::uint16_t port,
                             const std::vector<std::string>& extra_hosts)
    : port_(port), listen_host_(Lower(UrlHost(listen_host))) {
  own_names_ = {"127.0.0.1", "localhost"};
  if (!IsWildcard(listen_host_) && !Contains(own_names_, listen_host_)) {
    own_names_.push_back(listen_host_);
  }
  for (const std::string& extra : extra_hosts) {
    std::optional<HostAndPort> split = SplitHost(extra);
    if (!split) continue;
    if (split->port) {
      exact_hosts_.push_back(split->host + ":" + std::to_string(*split->port));
    } else {
      any_port_names_.push_back(split->host);
    }
  }
}

bool HostAllowList::Allows(std::string_view host_header) const {
  std::optional<HostAndPort> split = SplitHost(host_header);
  if (!split) return false;
  if (split->port && Contains(exact_hosts_, split->host + ":" + std::to_string(*split->port))) {
    return true;
  }
  bool our_port = split->port ? *split->port == port_ : port_ == 80;
  if (Contains(any_port_names_, split->host) && (!split->port || *split->port == port_)) {
    return true;
  }
  return our_port && Contains(own_names_, split->host);
}

std::vector<std::string> HostAllowList::OwnAddresses() const {
  std::string port = ":" + std::to_string(port_);
  std::vector<std::string> addresses = {listen_host_ + port, "localhost" + port};
  if (listen_host_ != "127.0.0.1") addresses.push_back("127.0.0.1" + port);
  for (const std::string& name : any_port_names_) addresses.push_back(name + port);
  for (const std::string& exact : exact_hosts_) addresses.push_back(exact);
  return addresses;
}

}  // namespace tovarin::gateway
