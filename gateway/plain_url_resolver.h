#pragma once
// PlainUrlResolver: resolves the common, plain shapes of reference a page is full of ("/news/2",
// "pic.gif", "http://host/a?b=c") against one base without GLib, by joining strings. The
// result is exactly what ResolveUrl (GUri) gives for the same base and reference; every other
// shape is left to ResolveUrl.
//
// Plain means: the base is an http(s) address whose host is letters, digits, '.' and '-' (an
// optional numeric port), with no userinfo, and the base and the reference hold only
// unreserved bytes, sub-delimiters, ':', '@', '/', '?' and at most one '#', no '%' (GUri
// rewrites escapes), and no "." or ".." path segment (GUri removes them).

#include <optional>
#include <string>
#include <string_view>

namespace tovarin::gateway {

class PlainUrlResolver {
 public:
  explicit PlainUrlResolver(std::string_view base);

  // `reference` (without surrounding white space) resolved against the base, or nullopt when
  // either is not plain and ResolveUrl must do it.
  std::optional<std::string> Resolve(std::string_view reference) const;

 private:
  bool plain_base_ = false;
  std::string origin_;     // "http://host:port"
  std::string path_;       // "/dir/page.html", or empty
  std::string directory_;  // "/dir/" ("/" for an empty path)
  std::string query_;      // "?a=b" with its '?', or empty
};

}  // namespace tovarin::gateway
