#pragma once
// Addresses as the transcoder meets them in pages: resolving relative references against the
// page's URL, and telling which schemes the service may fetch.

#include <optional>
#include <string>
#include <string_view>

namespace tovarin::gateway {

// `reference` resolved against the absolute `base` (RFC 3986), or nullopt when either cannot be
// parsed. Surrounding white space in `reference` is ignored, and for an http(s) address a
// backslash before the query reads as '/', as browsers do.
std::optional<std::string> ResolveUrl(std::string_view base, std::string_view reference);

// The scheme of `url` in lower case ("http", "mailto"), or empty when it has none.
std::string UrlScheme(std::string_view url);

// True for http and https, the only schemes the service fetches.
bool IsFetchableScheme(std::string_view scheme);

// `url` without its fragment, and the fragment alone (without '#').
std::string UrlWithoutFragment(std::string_view url);
std::string UrlFragment(std::string_view url);

// Percent-encodes every byte outside RFC 3986's unreserved set.
std::string PercentEncode(std::string_view text);
// Decodes %XX escapes (and '+' as space when `plus_is_space`); a malformed escape stays as is.
std::string PercentDecode(std::string_view text, bool plus_is_space = false);

}  // namespace tovarin::gateway
