#pragma once
// The user's state as the service keeps it: with the user, in two cookies it sets on its own
// answers, so the service holds nothing per user and any instance can answer any request.
//
//   tv_ctx   the WML context (WmlContext::Serialize), at most kMaxContextBytes
//   tv_jar   the origin sites' cookies (FetchResponse::cookies), at most kMaxCookieJarBytes
//
// Both texts are percent-encoded by their writers and so already cookie-safe; they are written
// as they are. A value with a byte a cookie cannot hold (controls, space, '"', ',', ';', '\',
// non-ASCII) or beyond what browsers keep (kMaxCookieValueBytes) removes the cookie instead,
// which the next request reads as no state. Both cookies are HttpOnly, SameSite=Strict session
// cookies whose Path is the service's path prefix.

#include <cstddef>
#include <string>
#include <string_view>

namespace tovarin::gateway {

inline constexpr std::string_view kContextCookie = "tv_ctx";
inline constexpr std::string_view kJarCookie = "tv_jar";
// Browsers keep cookies of up to 4096 bytes, name and value together.
inline constexpr std::size_t kMaxCookieValueBytes = 4000;

struct StateCookies {
  std::string context;  // as Serialize wrote it; empty when absent or over kMaxContextBytes
  std::string jar;      // empty when absent or over kMaxCookieJarBytes
};

// Reads the two cookies from a request's Cookie header ("a=1; tv_ctx=...; b=2"); the first of
// each name counts. Anything malformed reads as absent.
StateCookies ReadStateCookies(std::string_view cookie_header);

// A Set-Cookie header value for `name` under `path` (the service's prefix + "/"). An empty
// `value`, one longer than kMaxCookieValueBytes or one that is not cookie-safe removes the
// cookie (empty value, Max-Age=0).
std::string StateCookieHeader(std::string_view name, std::string_view value, std::string_view path);

// True when every byte of `value` may stand in a cookie value (RFC 6265 cookie-octet).
bool IsCookieSafe(std::string_view value);

}  // namespace tovarin::gateway
