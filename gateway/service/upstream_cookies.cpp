#include "gateway/service/upstream_cookies.h"

#include <libsoup/soup.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>

#include "gateway/url.h"
#include "platform/glib/glib_holders.h"

namespace tovarin::gateway {

using platform::glib::GUriPtr;

namespace {

// A response can set many cookies; the jar keeps the newest this many while a fetch runs (far
// more than kMaxCookieJarBytes can carry, so the bound of the text decides what stays).
constexpr std::size_t kMaxCookiesHeld = 256;
constexpr std::size_t kRecordFields = 6;
constexpr std::size_t kMaxExpiresDigits = 12;  // Unix seconds far past year 9999
constexpr char kRecordSeparator = '|';
constexpr char kFieldSeparator = ':';

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool IsUnreserved(char c) {
  return g_ascii_isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~';
}

// A field as PercentEncode wrote it; nullopt for any other byte or a broken escape.
std::optional<std::string> DecodeField(std::string_view field) {
  std::string out;
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (IsUnreserved(field[i])) {
      out += field[i];
      continue;
    }
    if (field[i] != '%' || i + 2 >= field.size()) return std::nullopt;
    const int high = HexValue(field[i + 1]);
    const int low = HexValue(field[i + 2]);
    if (high < 0 || low < 0) return std::nullopt;
    out += static_cast<char>(high * 16 + low);
    i += 2;
  }
  return out;
}

std::vector<std::string_view> Split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    if (i == text.size() || text[i] == separator) {
      parts.push_back(text.substr(start, i - start));
      start = i + 1;
    }
  }
  return parts;
}

// Bytes a cookie field may never hold: they would end or break the Cookie header.
bool HasHeaderBreakingByte(std::string_view text, bool allow_equals) {
  return std::any_of(text.begin(), text.end(), [&](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F || c == ';' || (!allow_equals && c == '=');
  });
}

std::optional<GDateTime*> ParseExpires(std::string_view field) {
  if (field.empty()) return nullptr;  // a session cookie
  if (field.size() > kMaxExpiresDigits) return std::nullopt;
  std::int64_t seconds = 0;
  for (char c : field) {
    if (c < '0' || c > '9') return std::nullopt;
    seconds = seconds * 10 + (c - '0');
  }
  GDateTime* expires = g_date_time_new_from_unix_utc(seconds);
  if (expires == nullptr) return std::nullopt;
  return expires;
}

bool IsExpired(SoupCookie* cookie, GDateTime* now) {
  GDateTime* expires = soup_cookie_get_expires(cookie);
  return expires != nullptr && g_date_time_compare(expires, now) <= 0;
}

bool SameKey(SoupCookie* a, SoupCookie* b) {
  return g_strcmp0(soup_cookie_get_name(a), soup_cookie_get_name(b)) == 0 &&
         g_strcmp0(soup_cookie_get_domain(a), soup_cookie_get_domain(b)) == 0 &&
         g_strcmp0(soup_cookie_get_path(a), soup_cookie_get_path(b)) == 0;
}

std::string EncodeRecord(SoupCookie* cookie) {
  std::string expires;
  if (GDateTime* when = soup_cookie_get_expires(cookie)) {
    expires = std::to_string(std::max<std::int64_t>(0, g_date_time_to_unix(when)));
  }
  std::string flags;
  if (soup_cookie_get_secure(cookie)) flags += 's';
  if (soup_cookie_get_http_only(cookie)) flags += 'h';
  const std::string fields[kRecordFields] = {PercentEncode(soup_cookie_get_domain(cookie)),
                                             PercentEncode(soup_cookie_get_path(cookie)),
                                             expires,
                                             flags,
                                             PercentEncode(soup_cookie_get_name(cookie)),
                                             PercentEncode(soup_cookie_get_value(cookie))};
  std::string record = fields[0];
  for (std::size_t i = 1; i < kRecordFields; ++i) record += kFieldSeparator + fields[i];
  return record;
}

GUriPtr ParseHttpUri(std::string_view url) {
  const std::string text(url);
  return GUriPtr(g_uri_parse(text.c_str(), static_cast<GUriFlags>(SOUP_HTTP_URI_FLAGS), nullptr));
}

// The cookie of one Set-Cookie value from `origin`, or null when it carries nothing or names a
// domain it may not.
UpstreamCookies::CookiePtr ParseCookie(std::string_view set_cookie, GUri* origin) {
  const std::string header(set_cookie);
  UpstreamCookies::CookiePtr cookie(soup_cookie_parse(header.c_str(), origin));
  // A cookie with neither name nor value carries nothing (RFC 6265bis ignores it).
  if (!cookie || (*soup_cookie_get_name(cookie.get()) == '\0' &&
                  *soup_cookie_get_value(cookie.get()) == '\0')) {
    return nullptr;
  }
  const char* domain = soup_cookie_get_domain(cookie.get());
  if (domain == nullptr) return nullptr;
  // RFC 6265 5.3 step 5: a Domain attribute naming a public suffix ("co.uk") would reach every
  // site under it. It stands only for the host itself when the host is that suffix.
  if (domain[0] == '.' && soup_tld_domain_is_public_suffix(domain + 1)) {
    if (g_ascii_strcasecmp(domain + 1, g_uri_get_host(origin)) != 0) return nullptr;
    soup_cookie_set_domain(cookie.get(), domain + 1);
  }
  return cookie;
}

// Whether `text` starts a cookie: optional spaces, then a name of token characters and '='.
// The pieces of a cookie's own attributes after a comma never do: a Netscape date continues
// "Wednesday, 09-Nov-99 23:12:40 GMT", with a space before any '='.
bool StartsACookie(std::string_view text) {
  const std::size_t name = text.find_first_not_of(' ');
  if (name == std::string_view::npos) return false;
  const std::size_t end = text.find_first_of(" \t,;=\"", name);
  return end != std::string_view::npos && end > name && text[end] == '=';
}

// The cookies of one Set-Cookie value. Servers and proxies of the time folded several cookies
// into one header with commas, as RFC 2109 allowed ("a=1; path=/, b=2; path=/"); a comma is
// taken as a separator only where a new "name=" follows it, so the commas of expiry dates and
// of values stay where they are.
std::vector<std::string_view> SplitFoldedCookies(std::string_view header) {
  std::vector<std::string_view> cookies;
  std::size_t start = 0;
  for (std::size_t comma = header.find(','); comma != std::string_view::npos;
       comma = header.find(',', comma + 1)) {
    if (!StartsACookie(header.substr(comma + 1))) continue;
    cookies.push_back(header.substr(start, comma - start));
    start = comma + 1;
  }
  cookies.push_back(header.substr(start));
  return cookies;
}

}  // namespace

void UpstreamCookies::CookieFree::operator()(SoupCookie* cookie) const { soup_cookie_free(cookie); }

UpstreamCookies::UpstreamCookies() = default;
UpstreamCookies::~UpstreamCookies() = default;
UpstreamCookies::UpstreamCookies(UpstreamCookies&&) noexcept = default;
UpstreamCookies& UpstreamCookies::operator=(UpstreamCookies&&) noexcept = default;

UpstreamCookies UpstreamCookies::Parse(std::string_view text) {
  UpstreamCookies jar;
  if (text.empty() || text.size() > kMaxCookieJarBytes) return jar;
  for (std::string_view record : Split(text, kRecordSeparator)) {
    const std::vector<std::string_view> fields = Split(record, kFieldSeparator);
    if (fields.size() != kRecordFields) return {};
    const std::optional<std::string> domain = DecodeField(fields[0]);
    const std::optional<std::string> path = DecodeField(fields[1]);
    const std::optional<GDateTime*> expires = ParseExpires(fields[2]);
    const std::optional<std::string> name = DecodeField(fields[4]);
    const std::optional<std::string> value = DecodeField(fields[5]);
    GDateTime* expires_time = expires.value_or(nullptr);
    if (!domain || !path || !expires || !name || !value || domain->empty() ||
        domain->find_first_of(" ,") != std::string::npos || HasHeaderBreakingByte(*domain, false) ||
        path->empty() || path->front() != '/' || HasHeaderBreakingByte(*path, true) ||
        HasHeaderBreakingByte(*name, false) || HasHeaderBreakingByte(*value, true) ||
        fields[3].find_first_not_of("sh") != std::string_view::npos) {
      if (expires_time != nullptr) g_date_time_unref(expires_time);
      return {};
    }
    CookiePtr cookie(
        soup_cookie_new(name->c_str(), value->c_str(), domain->c_str(), path->c_str(), -1));
    soup_cookie_set_expires(cookie.get(), expires_time);
    if (expires_time != nullptr) g_date_time_unref(expires_time);
    soup_cookie_set_secure(cookie.get(), fields[3].find('s') != std::string_view::npos);
    soup_cookie_set_http_only(cookie.get(), fields[3].find('h') != std::string_view::npos);
    jar.Add(std::move(cookie));
  }
  return jar;
}

void UpstreamCookies::Store(std::string_view set_cookie, std::string_view url) {
  GUriPtr origin = ParseHttpUri(url);
  if (!origin || g_uri_get_host(origin.get()) == nullptr) return;
  for (std::string_view one : SplitFoldedCookies(set_cookie)) {
    if (CookiePtr cookie = ParseCookie(one, origin.get())) Add(std::move(cookie));
  }
}

void UpstreamCookies::Add(CookiePtr cookie) {
  std::erase_if(cookies_, [&](const CookiePtr& held) { return SameKey(held.get(), cookie.get()); });
  GDateTime* now = g_date_time_new_now_utc();
  const bool expired = IsExpired(cookie.get(), now);
  g_date_time_unref(now);
  if (expired) return;  // an expired cookie only deletes its namesake
  if (cookies_.size() == kMaxCookiesHeld) cookies_.erase(cookies_.begin());
  cookies_.push_back(std::move(cookie));
}

std::string UpstreamCookies::CookieHeaderFor(std::string_view url) const {
  GUriPtr uri = ParseHttpUri(url);
  if (!uri || g_uri_get_host(uri.get()) == nullptr) return {};
  std::vector<SoupCookie*> matching;
  for (const CookiePtr& cookie : cookies_) {
    if (soup_cookie_domain_matches(cookie.get(), g_uri_get_host(uri.get())) &&
        soup_cookie_applies_to_uri(cookie.get(), uri.get())) {
      matching.push_back(cookie.get());
    }
  }
  std::stable_sort(matching.begin(), matching.end(), [](SoupCookie* a, SoupCookie* b) {
    return std::strlen(soup_cookie_get_path(a)) > std::strlen(soup_cookie_get_path(b));
  });
  std::string header;
  for (SoupCookie* cookie : matching) {
    if (!header.empty()) header += "; ";
    const char* name = soup_cookie_get_name(cookie);
    if (name != nullptr && *name != '\0') header += std::string(name) + '=';
    header += soup_cookie_get_value(cookie);
  }
  return header;
}

std::string UpstreamCookies::Serialize(std::size_t max_bytes) const {
  GDateTime* now = g_date_time_new_now_utc();
  std::vector<std::string> records;
  for (const CookiePtr& cookie : cookies_) {
    if (IsExpired(cookie.get(), now)) continue;
    std::string record = EncodeRecord(cookie.get());
    if (record.size() <= max_bytes) records.push_back(std::move(record));
  }
  g_date_time_unref(now);
  // Total length with one separator between records; drop the oldest until it fits.
  std::size_t total = 0;
  for (const std::string& record : records) total += record.size() + 1;
  std::size_t first = 0;
  while (first < records.size() && total - 1 > max_bytes) total -= records[first++].size() + 1;
  std::string text;
  for (std::size_t i = first; i < records.size(); ++i) {
    if (!text.empty()) text += kRecordSeparator;
    text += records[i];
  }
  return text;
}

}  // namespace tovarin::gateway
