#pragma once
// What the operator (or the viewer embedding the service) tells the rendering service.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "gateway/service/fetcher.h"
#include "gateway/service/start_page.h"

namespace tovarin::gateway {

// Request bodies (form submissions) larger than this are refused with 413 before being kept.
inline constexpr std::size_t kMaxRequestBodyBytes = 1u << 20;
// Entry events (onenterforward, onenterbackward) followed for one request before giving up.
inline constexpr int kMaxEventHops = 8;

struct GatewayOptions {
  // "" (the standalone server) or "/<secret>" (embedded in the viewer, so other local users
  // cannot use the service as a proxy): URL-safe characters, no trailing '/'.
  std::string path_prefix;
  // The fetcher's bounds; GatewayServer::Listen adds the addresses it listens on to
  // own_addresses.
  FetcherOptions fetcher;
  // More Host header values the service answers to besides its listen address, "localhost"
  // and "127.0.0.1" with its port: "wap.lan" (with any or no port) or "wap.lan:8080" (exactly).
  std::vector<std::string> extra_hosts;
  // The portal the viewer opens with, as typed; when it cannot be fetched the service answers
  // the offline start page with `bookmarks` instead of the error page. Empty: none.
  std::string start_address;
  std::vector<Bookmark> bookmarks;
  // One line per request: method, path without query or prefix, status, bytes, milliseconds.
  bool log_requests = false;
  // Where the lines go (without a newline); null: standard error.
  std::function<void(std::string_view)> log_sink;
};

}  // namespace tovarin::gateway
