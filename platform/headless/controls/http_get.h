#pragma once
// HttpGet: a minimal HTTP/1.1 GET client for the headless desktop (tests and tools read from a
// server on the same machine). It speaks plain HTTP over TCP/IPv4 to a numeric address or
// "localhost" (no name resolution, no TLS), sends one request per connection
// ("Connection: close"), follows up to kMaxRedirects redirects, and understands bodies framed
// by Content-Length, by chunked transfer coding, or by the end of the connection.
//
// Limits: the whole exchange (connect, redirects included) must finish within the timeout;
// headers may take kMaxHeaderBytes; a body larger than `max_body_bytes` fails - a declared
// Content-Length above it fails before anything is allocated. Statuses other than 2xx fail
// with "HTTP <status> <reason>".

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/host/control_host.h"
#include "platform/result.h"

namespace tovarin::platform::headless {

struct HttpGetOptions {
  std::chrono::milliseconds timeout{10000};
  std::uint64_t max_body_bytes = kMaxAsyncReadBytes;
};

struct HttpResponse {
  int status = 0;
  std::string reason;
  std::uint64_t declared_length = 0;  // Content-Length, 0 when absent
  Bytes body;
};

inline constexpr std::size_t kMaxHeaderBytes = 64 * 1024;
inline constexpr int kMaxRedirects = 5;

struct HttpUrl {
  std::string host;
  std::uint16_t port = 80;
  std::string target;  // path and query, "/" at least
};
// Parses "http://host[:port][/path][?query]".
Result<HttpUrl> ParseHttpUrl(std::string_view url);

Result<HttpResponse> HttpGet(std::string_view url, const HttpGetOptions& options);

}  // namespace tovarin::platform::headless
