#include "gateway/url.h"

#include <glib.h>

#include <algorithm>
#include <memory>

namespace tovarin::gateway {
namespace {

struct GFreeDeleter {
  void operator()(char* text) const { g_free(text); }
};
using GCharPtr = std::unique_ptr<char, GFreeDeleter>;

bool IsUrlSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsUrlSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsUrlSpace(text.back())) text.remove_suffix(1);
  return text;
}

bool IsUnreserved(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.' || c == '_' || c == '~';
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Pages write spaces, tabs and other bytes GUri refuses straight into their links; browsers
// escape them instead of failing, and so do we.
std::string EscapeStrayBytes(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  static constexpr char kHex[] = "0123456789ABCDEF";
  for (char c : text) {
    auto byte = static_cast<unsigned char>(c);
    if (byte <= 0x20 || byte >= 0x7F || c == '"' || c == '<' || c == '>' || c == '\\' || c == '^' ||
        c == '`' || c == '{' || c == '|' || c == '}') {
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 15];
    } else {
      out += c;
    }
  }
  return out;
}

// Sites built on Windows wrote paths with backslashes ("..\img\logo.gif"); browsers read a
// backslash before the query of an http(s) address as '/', and so do we. In the query and
// the fragment it stays a character (escaped later).
std::string SlashesForBackslashes(std::string_view base, std::string_view reference) {
  std::string out(reference);
  const std::string reference_scheme = UrlScheme(reference);
  const std::string scheme = reference_scheme.empty() ? UrlScheme(base) : reference_scheme;
  if (!IsFetchableScheme(scheme)) return out;
  const std::size_t end = std::min(out.find_first_of("?#"), out.size());
  std::replace(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(end), '\\', '/');
  return out;
}

}  // namespace

std::optional<std::string> ResolveUrl(std::string_view base, std::string_view reference) {
  std::string escaped = EscapeStrayBytes(SlashesForBackslashes(base, Trim(reference)));
  std::string base_text(base);
  GError* error = nullptr;
  GCharPtr resolved(
      g_uri_resolve_relative(base_text.c_str(), escaped.c_str(), G_URI_FLAGS_ENCODED, &error));
  if (!resolved) {
    g_clear_error(&error);
    return std::nullopt;
  }
  return std::string(resolved.get());
}

std::string UrlScheme(std::string_view url) {
  url = Trim(url);
  std::string scheme;
  for (std::size_t i = 0; i < url.size(); ++i) {
    char c = url[i];
    bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    bool later = (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
    if (c == ':') return i == 0 ? std::string() : scheme;
    if (!letter && !(i > 0 && later)) return {};
    scheme += static_cast<char>(g_ascii_tolower(c));
  }
  return {};
}

bool IsFetchableScheme(std::string_view scheme) { return scheme == "http" || scheme == "https"; }

std::string UrlWithoutFragment(std::string_view url) {
  return std::string(url.substr(0, url.find('#')));
}

std::string UrlFragment(std::string_view url) {
  std::size_t hash = url.find('#');
  return hash == std::string_view::npos ? std::string() : std::string(url.substr(hash + 1));
}

std::string PercentEncode(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size() * 3);
  for (char c : text) {
    auto byte = static_cast<unsigned char>(c);
    if (IsUnreserved(byte)) {
      out += c;
    } else {
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 15];
    }
  }
  return out;
}

std::string PercentDecode(std::string_view text, bool plus_is_space) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '%' && i + 2 < text.size()) {
      int high = HexValue(text[i + 1]);
      int low = HexValue(text[i + 2]);
      if (high >= 0 && low >= 0) {
        out += static_cast<char>(high * 16 + low);
        i += 2;
        continue;
      }
    }
    out += (plus_is_space && c == '+') ? ' ' : c;
  }
  return out;
}

}  // namespace tovarin::gateway
