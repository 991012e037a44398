#pragma once
// Fetcher: the rendering service's HTTP client (libsoup 3). It fetches what a user's page
// needs, as a WAP phone would ask for it, and nothing else:
//   - only http and https, on the first request and on every redirect hop, each hop checked
//     again (scheme, destination) before it is followed; a Location is resolved against the
//     redirecting address, its spaces and raw UTF-8 escaped and its "&amp;" read as '&';
//   - never the service itself (the addresses it listens on);
//   - when the operator asks for it (a service reachable from other machines), no destination
//     in loopback, private, link-local or unique-local ranges, checked on the address actually
//     connected to, so a name that resolves to one is refused too;
//   - host names ending in ".localhost" resolve to loopback;
//   - bounded: redirect hops, body bytes counted after decompression while streaming, time to
//     the first byte of the response, total time.
// Requests carry the Accept types and User-Agent of a WAP phone and take gzip. Cookies the
// origin sets are kept per user: they come in with the request and go back with the response,
// serialized, so the service itself keeps none.
//
// Fetches are asynchronous on the thread-default GLib main context of the caller; the callback
// runs there, exactly once, unless the Fetcher is destroyed first (then never).
//
// Implementation notes (fetcher.cpp): the connected address is checked when GSocketClient is
// about to connect (SoupMessage::network-event, G_SOCKET_CLIENT_CONNECTING), before a byte is
// sent; constructing a Fetcher installs the loopback resolver as GLib's process-wide default
// resolver (loopback_resolver.h), since libsoup resolves through it; the SoupSession uses no
// proxy, keeps no cookies and no credentials, and reuses connections (64 in all, 16 per host).

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gateway/limits.h"

namespace tovarin::gateway {

inline constexpr int kMaxRedirects = 10;
inline constexpr std::chrono::seconds kFirstByteTimeout{20};
inline constexpr std::chrono::seconds kTotalTimeout{45};
// The upstream cookies of one user, serialized.
inline constexpr std::size_t kMaxCookieJarBytes = 3u << 10;

inline constexpr const char* kPhoneUserAgent =
    "Nokia6230i/2.0 (03.80) Profile/MIDP-2.0 Configuration/CLDC-1.1 Tovarin/1.2";
inline constexpr const char* kPhoneAccept =
    "text/vnd.wap.wml, application/vnd.wap.wmlc, application/vnd.wap.xhtml+xml, "
    "application/xhtml+xml;q=0.9, text/html;q=0.8, image/vnd.wap.wbmp, image/png, image/gif, "
    "image/jpeg, text/css, */*;q=0.1";

struct FetcherOptions {
  // Refuse loopback, private, link-local and unique-local destinations.
  bool refuse_private_destinations = false;
  // host:port pairs the service itself listens on; never fetched.
  std::vector<std::string> own_addresses;
  std::size_t max_body_bytes = kMaxBodyBytes;
  int max_redirects = kMaxRedirects;
  std::chrono::milliseconds first_byte_timeout = kFirstByteTimeout;
  std::chrono::milliseconds total_timeout = kTotalTimeout;
};

struct FetchRequest {
  std::string url;  // absolute
  bool post = false;
  std::string body;          // post only
  std::string content_type;  // of the post body
  std::string cookies;       // the user's upstream cookie jar, as FetchResponse::cookies wrote it
};

enum class FetchFailure {
  kNone,
  kBadAddress,          // the address cannot be parsed
  kRefusedScheme,       // not http or https (typed, linked or redirected to)
  kRefusedDestination,  // the service itself, or a private range when refused
  kNameNotFound,
  kConnectionRefused,
  kTimeout,
  kTooLarge,
  kTooManyRedirects,
  kNetwork,  // any other transport failure
};

struct FetchResponse {
  FetchFailure failure = FetchFailure::kNone;
  std::string message;    // on failure: what went wrong, for the error page
  std::string final_url;  // after redirects
  unsigned status = 0;    // HTTP status of the last hop
  std::string content_type;
  std::string retry_after;  // the Retry-After header as sent (503 and 3xx), or empty
  std::string body;         // decompressed
  // The body ended before its Content-Length was reached (the site's script died, the length
  // was counted before a last edit): `body` holds what came, as browsers show it. A chunked
  // body that ends without its last chunk also arrives as far as it came, but libsoup does not
  // tell it apart from a whole one.
  bool truncated = false;
  std::string cookies;  // the jar after this fetch (at most kMaxCookieJarBytes)
};

class Fetcher {
 public:
  explicit Fetcher(FetcherOptions options);
  ~Fetcher();
  Fetcher(const Fetcher&) = delete;
  Fetcher& operator=(const Fetcher&) = delete;

  using Callback = std::function<void(FetchResponse)>;
  void Fetch(FetchRequest request, Callback done);

  const FetcherOptions& options() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// The reason a person reads on the error page, in the viewer's language.
std::string FailureReason(FetchFailure failure);

}  // namespace tovarin::gateway
