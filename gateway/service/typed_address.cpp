#include "gateway/service/typed_address.h"

#include <glib.h>

#include <cstring>

#include "gateway/url.h"
#include "platform/glib/glib_holders.h"

namespace tovarin::gateway {

using platform::glib::GCharPtr;
using platform::glib::GErrorHolder;
using platform::glib::GUriPtr;

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The byte of the escape at text[at] ("%XX"), or -1 when there is none.
int EscapedByte(std::string_view text, std::size_t at) {
  if (at + 2 >= text.size() || text[at] != '%') return -1;
  int high = HexValue(text[at + 1]);
  int low = HexValue(text[at + 2]);
  return high < 0 || low < 0 ? -1 : high * 16 + low;
}

// Bytes a URL cannot hold as they are: the view escapes them, and so does the fetch.
bool IsUnsafeInUrl(unsigned char byte) {
  return byte <= 0x20 || byte >= 0x7F || std::strchr("\"<>\\^`{|}", byte) != nullptr;
}

bool IsSpace(unsigned char byte) {
  return byte == ' ' || byte == '\t' || byte == '\n' || byte == '\r' || byte == '\f';
}

// `typed` without white space around it, whether typed or escaped ("%20wap.example.com%20").
std::string_view TrimTyped(std::string_view text) {
  for (bool changed = true; changed && !text.empty();) {
    changed = false;
    if (IsSpace(static_cast<unsigned char>(text.front()))) {
      text.remove_prefix(1);
      changed = true;
    } else if (int byte = EscapedByte(text, 0); byte >= 0 && IsSpace(byte)) {
      text.remove_prefix(3);
      changed = true;
    }
    if (text.empty()) break;
    if (IsSpace(static_cast<unsigned char>(text.back()))) {
      text.remove_suffix(1);
      changed = true;
    } else if (text.size() >= 3 && EscapedByte(text, text.size() - 3) >= 0 &&
               IsSpace(EscapedByte(text, text.size() - 3))) {
      text.remove_suffix(3);
      changed = true;
    }
  }
  return text;
}

void AppendEscape(std::string& out, unsigned char byte) {
  out += '%';
  out += kHexDigits[byte >> 4];
  out += kHexDigits[byte & 15];
}

// One spelling for every way the view could have sent the address: unsafe bytes escaped,
// escapes of unsafe bytes written in upper case, other escapes as typed, a stray '%' escaped.
std::string Canonicalize(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    auto byte = static_cast<unsigned char>(text[i]);
    if (byte == '%') {
      int escaped = EscapedByte(text, i);
      if (escaped < 0) {
        out += "%25";
      } else if (IsUnsafeInUrl(static_cast<unsigned char>(escaped))) {
        AppendEscape(out, static_cast<unsigned char>(escaped));
        i += 2;
      } else {
        out.append(text.substr(i, 3));
        i += 2;
      }
    } else if (IsUnsafeInUrl(byte)) {
      AppendEscape(out, byte);
    } else {
      out += text[i];
    }
  }
  return out;
}

// True when `text` starts with a scheme the user wrote ("https://", "file:/", "javascript:"),
// not a host:port ("localhost:8080/x"), which looks like one.
bool HasExplicitScheme(std::string_view text, std::string_view scheme) {
  if (scheme.empty()) return false;
  std::string_view rest = text.substr(scheme.size() + 1);
  if (rest.substr(0, 2) == "//") return true;
  std::size_t digits = 0;
  while (digits < rest.size() && rest[digits] >= '0' && rest[digits] <= '9') ++digits;
  bool port = digits > 0 && (digits == rest.size() || rest[digits] == '/' || rest[digits] == '?' ||
                             rest[digits] == '#');
  return !port;
}

bool IsValidHost(std::string_view host) {
  if (host.empty()) return false;
  for (char c : host) {
    bool allowed = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                   c == '-' || c == '.' || c == '_' || c == ':' || c == '~';
    if (!allowed) return false;
  }
  return true;
}

// Parses the complete `url`, checks its host and writes it in GLib's normal form.
platform::Result<std::string> NormalizeUrl(const std::string& url) {
  GErrorHolder error;
  GUriPtr uri(g_uri_parse(
      url.c_str(), static_cast<GUriFlags>(G_URI_FLAGS_ENCODED | G_URI_FLAGS_SCHEME_NORMALIZE),
      error.out()));
  if (!uri) return platform::Error{"地址无效：" + error.message()};
  const char* host = g_uri_get_host(uri.get());
  if (host == nullptr || *host == '\0') return platform::Error{"地址中没有主机名"};
  if (!IsValidHost(host)) return platform::Error{"地址中的主机名无效"};
  GCharPtr text(g_uri_to_string(uri.get()));
  return std::string(text.get());
}

}  // namespace

std::string_view TypedAddressInQuery(std::string_view raw_query) {
  constexpr std::string_view kKey = "url=";
  std::size_t at = 0;
  while (at <= raw_query.size()) {
    if (raw_query.substr(at, kKey.size()) == kKey) return raw_query.substr(at + kKey.size());
    std::size_t amp = raw_query.find('&', at);
    if (amp == std::string_view::npos) break;
    at = amp + 1;
  }
  return {};
}

platform::Result<std::string> UrlFromTypedAddress(std::string_view typed) {
  std::string text = Canonicalize(TrimTyped(typed));
  if (text.empty()) return platform::Error{"没有输入地址"};
  if (text.substr(0, 2) == "//") return NormalizeUrl("http:" + text);
  std::string scheme = UrlScheme(text);
  if (!HasExplicitScheme(text, scheme)) return NormalizeUrl("http://" + text);
  if (!IsFetchableScheme(scheme)) {
    return platform::Error{"不能打开“" + scheme + ":”地址：只能打开 http 和 https 地址"};
  }
  std::string_view rest = std::string_view(text).substr(scheme.size() + 1);
  if (rest.substr(0, 2) != "//") return NormalizeUrl(scheme + "://" + std::string(rest));
  return NormalizeUrl(text);
}

std::string ReadableAddress(std::string_view url) {
  std::string out;
  out.reserve(url.size());
  for (std::size_t i = 0; i < url.size(); ++i) {
    int byte = EscapedByte(url, i);
    if (byte == ' ' || byte >= 0x80) {
      out += static_cast<char>(byte);
      i += 2;
    } else {
      out += url[i];
    }
  }
  if (!g_utf8_validate(out.data(), static_cast<gssize>(out.size()), nullptr)) {
    return std::string(url);
  }
  return out;
}

}  // namespace tovarin::gateway
