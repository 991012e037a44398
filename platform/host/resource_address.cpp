#include "platform/host/resource_address.h"

#include <cctype>

namespace tovarin::platform {
namespace {

bool StartsWithNoCase(std::string_view s, std::string_view lower_prefix) {
  if (s.size() < lower_prefix.size()) return false;
  for (std::size_t i = 0; i < lower_prefix.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(s[i])) != lower_prefix[i]) return false;
  }
  return true;
}

bool EqualsNoCase(std::string_view s, std::string_view lower) {
  return s.size() == lower.size() && StartsWithNoCase(s, lower);
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

Result<std::string> PercentDecode(std::string_view s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '%') {
      out += s[i];
      continue;
    }
    const int hi = i + 1 < s.size() ? HexValue(s[i + 1]) : -1;
    const int lo = i + 2 < s.size() ? HexValue(s[i + 2]) : -1;
    if (hi < 0 || lo < 0) return Error{"malformed percent escape"};
    out += static_cast<char>(hi * 16 + lo);
    i += 2;
  }
  if (out.find('\0') != std::string::npos) return Error{"file address contains a NUL character"};
  return out;
}

// The authority of an http(s) URL (after "://", up to the path, query or fragment) must name a
// host, and a port when one is given must be 1..65535.
Status CheckAuthority(std::string_view rest) {
  const std::string_view authority = rest.substr(0, rest.find_first_of("/?#"));
  const std::size_t colon = authority.rfind(':');
  const bool bracketed = !authority.empty() && authority.front() == '[';
  const bool has_port =
      colon != std::string_view::npos && (!bracketed || authority.find(']') < colon);
  const std::string_view host = has_port ? authority.substr(0, colon) : authority;
  if (host.empty()) return Error{"address without a host"};
  if (!has_port) return {};
  const std::string_view port = authority.substr(colon + 1);
  unsigned long value = 0;
  for (const char c : port) {
    if (!std::isdigit(static_cast<unsigned char>(c)) || value > 65535) {
      return Error{"bad port in address"};
    }
    value = value * 10 + static_cast<unsigned long>(c - '0');
  }
  if (port.empty() || value == 0 || value > 65535) return Error{"bad port in address"};
  return {};
}

Result<ResourceAddress> ClassifyFileUrl(std::string_view rest) {
  const std::size_t slash = rest.find('/');
  const std::string_view host = rest.substr(0, slash);
  if (!host.empty() && !EqualsNoCase(host, "localhost")) {
    return Error{"file addresses on other machines are not supported"};
  }
  if (slash == std::string_view::npos) return Error{"file address without a path"};
  auto path = PercentDecode(rest.substr(slash));
  if (!path.ok()) return Error{path.error()};
  return ResourceAddress{ResourceKind::kFile, std::move(path).value()};
}

}  // namespace

Result<ResourceAddress> ClassifyResourceAddress(std::string_view address) {
  if (address.empty()) return Error{"empty address"};
  const std::size_t scheme_end = address.find("://");
  if (scheme_end == std::string_view::npos) {
    if (address.find('\0') != std::string_view::npos)
      return Error{"file name contains a NUL character"};
    return ResourceAddress{ResourceKind::kFile, std::string(address)};
  }
  const std::string_view scheme = address.substr(0, scheme_end);
  const std::string_view rest = address.substr(scheme_end + 3);
  if (EqualsNoCase(scheme, "file")) return ClassifyFileUrl(rest);
  const bool http = EqualsNoCase(scheme, "http");
  if (!http && !EqualsNoCase(scheme, "https")) {
    return Error{"unsupported address scheme \"" + std::string(scheme) + "\""};
  }
  if (Status authority = CheckAuthority(rest); !authority.ok()) return Error{authority.error()};
  return ResourceAddress{http ? ResourceKind::kHttp : ResourceKind::kHttps, std::string(address)};
}

}  // namespace tovarin::platform
