#include "gateway/service/state_cookies.h"

#include "gateway/limits.h"
#include "gateway/service/fetcher.h"

namespace tovarin::gateway {
namespace {

// RFC 6265 cookie-octet.
bool IsCookieOctet(unsigned char byte) {
  return byte == 0x21 || (byte >= 0x23 && byte <= 0x2B) || (byte >= 0x2D && byte <= 0x3A) ||
         (byte >= 0x3C && byte <= 0x5B) || (byte >= 0x5D && byte <= 0x7E);
}

std::string_view TrimSpaces(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// Keeps the first value seen for a name, when it is within `limit` bytes.
void KeepFirst(std::string& slot, bool& seen, std::string_view value, std::size_t limit) {
  if (seen) return;
  seen = true;
  if (value.size() <= limit && IsCookieSafe(value)) slot = value;
}

}  // namespace

StateCookies ReadStateCookies(std::string_view cookie_header) {
  StateCookies cookies;
  bool context_seen = false;
  bool jar_seen = false;
  while (!cookie_header.empty()) {
    std::size_t end = cookie_header.find(';');
    std::string_view pair = TrimSpaces(cookie_header.substr(0, end));
    cookie_header =
        end == std::string_view::npos ? std::string_view() : cookie_header.substr(end + 1);
    std::size_t equals = pair.find('=');
    if (equals == std::string_view::npos) continue;
    std::string_view name = TrimSpaces(pair.substr(0, equals));
    std::string_view value = TrimSpaces(pair.substr(equals + 1));
    if (name == kContextCookie) KeepFirst(cookies.context, context_seen, value, kMaxContextBytes);
    if (name == kJarCookie) KeepFirst(cookies.jar, jar_seen, value, kMaxCookieJarBytes);
  }
  return cookies;
}

std::string StateCookieHeader(std::string_view name, std::string_view value,
                              std::string_view path) {
  bool keep = !value.empty() && value.size() <= kMaxCookieValueBytes && IsCookieSafe(value);
  std::string out(name);
  out += '=';
  if (keep) out += value;
  out += "; Path=";
  out += path;
  if (!keep) out += "; Max-Age=0";
  out += "; HttpOnly; SameSite=Strict";
  return out;
}

bool IsCookieSafe(std::string_view value) {
  for (char c : value) {
    if (!IsCookieOctet(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

}  // namespace tovarin::gateway
