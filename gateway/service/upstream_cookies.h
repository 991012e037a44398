#pragma once
// UpstreamCookies: the cookies origin sites set for one user, kept by the user rather than by
// the service. A fetch reads the jar from the request, sends the cookies each hop's address
// takes, stores every Set-Cookie of each response, and writes the jar back, bounded.
//
// Serialized form: one record per cookie, records joined by '|', oldest first:
//     domain ':' path ':' expires ':' flags ':' name ':' value
// Every field is percent-encoded (only RFC 3986 unreserved bytes stay as they are), so the
// text holds letters, digits, "-._~%:|" and nothing else; it fits in a URL, a header or a
// browser cookie as it is. `domain` is the host the cookie was set by (host-only) or ".domain"
// (the domain and its subdomains); `expires` is Unix seconds, empty for a session cookie;
// `flags` holds 's' for Secure and 'h' for HttpOnly.
//
// Matching follows RFC 6265 through libsoup's cookie rules (domain, path, Secure only over
// https, expiry). A Set-Cookie for another domain, or with a Domain attribute naming a public
// suffix, is ignored; a cookie that has expired replaces its namesake and so deletes it.

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "gateway/service/fetcher.h"

typedef struct _SoupCookie SoupCookie;

namespace tovarin::gateway {

class UpstreamCookies {
 public:
  // One cookie as libsoup parsed it, freed with soup_cookie_free.
  struct CookieFree {
    void operator()(SoupCookie* cookie) const;
  };
  using CookiePtr = std::unique_ptr<SoupCookie, CookieFree>;

  UpstreamCookies();
  ~UpstreamCookies();
  UpstreamCookies(UpstreamCookies&&) noexcept;
  UpstreamCookies& operator=(UpstreamCookies&&) noexcept;

  // The jar `text` holds, as Serialize wrote it. Text that is not such a jar (a malformed
  // record, a field that cannot be decoded, more than kMaxCookieJarBytes) gives an empty jar.
  static UpstreamCookies Parse(std::string_view text);

  // Stores the cookies of one Set-Cookie header value received from `url` (absolute); a value
  // that folds several cookies with commas stores each.
  void Store(std::string_view set_cookie, std::string_view url);

  // The value of the Cookie request header for `url`: the cookies that apply, longer paths
  // first, then oldest first; empty when none apply.
  std::string CookieHeaderFor(std::string_view url) const;

  // The jar as text of at most `max_bytes`: cookies whose record alone is longer are left
  // out, then the oldest are dropped until the rest fits. Expired cookies are left out.
  std::string Serialize(std::size_t max_bytes = kMaxCookieJarBytes) const;

  // Cookies held (expired ones included until the next Serialize leaves them out).
  std::size_t size() const { return cookies_.size(); }

 private:
  void Add(CookiePtr cookie);

  std::vector<CookiePtr> cookies_;  // oldest first
};

}  // namespace tovarin::gateway
