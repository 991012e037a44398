#include "gateway/plain_url_resolver.h"

#include <algorithm>

namespace tovarin::gateway {
namespace {

bool IsPlainByte(char c) {
  if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
  switch (c) {
    case '-':
    case '.':
    case '_':
    case '~':
    case '!':
    case '$':
    case '&':
    case '\'':
    case '(':
    case ')':
    case '*':
    case '+':
    case ',':
    case ';':
    case '=':
    case ':':
    case '@':
    case '/':
    case '?':
    case '#': return true;
    default: return false;
  }
}

bool IsPlain(std::string_view text) {
  int hashes = 0;
  for (char c : text) {
    if (!IsPlainByte(c)) return false;
    hashes += c == '#' ? 1 : 0;
  }
  return hashes <= 1;
}

// "host" or "host:port" with a host of letters, digits, '.' and '-'.
bool IsPlainAuthority(std::string_view authority) {
  const std::size_t colon = authority.find(':');
  const std::string_view host = authority.substr(0, colon);
  if (host.empty()) return false;
  for (char c : host) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                    c == '.' || c == '-';
    if (!ok) return false;
  }
  if (colon == std::string_view::npos) return true;
  const std::string_view port = authority.substr(colon + 1);
  return !port.empty() &&
         std::all_of(port.begin(), port.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool HasDotSegment(std::string_view path) {
  std::size_t start = 0;
  while (start <= path.size()) {
    const std::size_t slash = std::min(path.find('/', start), path.size());
    const std::string_view segment = path.substr(start, slash - start);
    if (segment == "." || segment == "..") return true;
    start = slash + 1;
  }
  return false;
}

// Length of "http://" or "https://" at the start of `text`, or 0.
std::size_t HttpPrefixLength(std::string_view text) {
  if (text.starts_with("http://")) return 7;
  if (text.starts_with("https://")) return 8;
  return 0;
}

// Where an absolute plain address's authority ends, or npos when it is not one.
std::size_t PlainAuthorityEnd(std::string_view url) {
  const std::size_t prefix = HttpPrefixLength(url);
  if (prefix == 0) return std::string_view::npos;
  const std::size_t end = std::min(url.find_first_of("/?#", prefix), url.size());
  if (!IsPlainAuthority(url.substr(prefix, end - prefix))) return std::string_view::npos;
  return end;
}

// The path part of `reference` (before '?' or '#').
std::string_view PathOf(std::string_view reference) {
  std::size_t end = 0;
  while (end < reference.size() && reference[end] != '?' && reference[end] != '#') ++end;
  return reference.substr(0, end);
}

}  // namespace

PlainUrlResolver::PlainUrlResolver(std::string_view base) {
  if (!IsPlain(base)) return;
  const std::size_t authority_end = PlainAuthorityEnd(base);
  if (authority_end == std::string_view::npos) return;
  const std::string_view rest = base.substr(authority_end);
  const std::string_view path = PathOf(rest);
  if (HasDotSegment(path)) return;
  const std::string_view after_path = rest.substr(path.size());
  const std::string_view query =
      after_path.substr(0, std::min(after_path.find('#'), after_path.size()));
  origin_ = base.substr(0, authority_end);
  path_ = path;
  query_ = query;
  directory_ = path.empty() ? std::string("/") : std::string(path.substr(0, path.rfind('/') + 1));
  plain_base_ = true;
}

std::optional<std::string> PlainUrlResolver::Resolve(std::string_view reference) const {
  if (!plain_base_ || !IsPlain(reference) || HasDotSegment(PathOf(reference))) return std::nullopt;
  if (HttpPrefixLength(reference) != 0) {
    if (PlainAuthorityEnd(reference) == std::string_view::npos) return std::nullopt;
    return std::string(reference);
  }
  const std::string_view path = PathOf(reference);
  // A ':' before the first '/' would make a scheme; "//" starts an authority: GUri's work.
  if (path.substr(0, path.find('/')).find(':') != std::string_view::npos ||
      reference.starts_with("//")) {
    return std::nullopt;
  }
  if (reference.empty()) return origin_ + path_ + query_;
  if (reference.front() == '/') return origin_ + std::string(reference);
  if (reference.front() == '?' || reference.front() == '#') {
    if (path_.empty()) return std::nullopt;  // against a base without a path: GUri's work
    return origin_ + path_ + (reference.front() == '#' ? query_ : std::string()) +
           std::string(reference);
  }
  return origin_ + directory_ + std::string(reference);
}

}  // namespace tovarin::gateway
