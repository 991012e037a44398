#pragma once
// Typed addresses: what the user wrote in the viewer's address bar, as it reaches the service,
// turned into the absolute http(s) URL to fetch.
//
// The viewer appends the address unescaped to ".../Tovarin.aspx?url=", and the view's URL parser
// (WebKit) escapes what cannot stand in a URL before sending it: spaces, control bytes, bytes
// beyond ASCII (as UTF-8) and a few signs (" < > ` { }). It leaves "%XX" alone and does not
// escape '&', '=' or '?' in a query, so the whole rest of the query after the first "url=" is the
// address, "&" and all ("wap.example.com/news?id=3&p=2").
//
// Escapes are decoded once, and only where the view could have written them: an escaped space,
// control byte, non-ASCII byte or sign that a URL cannot hold is the same byte whether the user
// typed it or the view escaped it, and it is escaped again for the fetch, so "a b" and "a%20b"
// fetch the same address. Escapes of bytes a URL can hold ("%26", "%3D", "%2F", "%25") are left
// as typed: the user wrote them on purpose, and decoding "q=a%26b" would split the value.
// (Escapes of unreserved characters, "%7E" for '~', mean the same written plainly, and GLib's
// normal form writes them so.) A '%' not followed by two hex digits is a literal percent sign
// ("%25" for the fetch).
//
// A '#' ends the view's query, so a fragment typed after the address stays in the view and never
// reaches the service: a typed "deck.wml#card2" shows the deck's first card.
//
// Schemes: none → "http://" is put in front ("wap.example.com", "localhost:8080/x" and
// "10.0.0.1:80" have none: a host:port is not a scheme); http and https are kept; any other
// ("file:", "data:", "ftp:", "javascript:", "mailto:") is refused.

#include <string>
#include <string_view>

#include "platform/result.h"

namespace tovarin::gateway {

// The raw text after the first "url=" parameter of `raw_query` (at its start or after a '&'),
// through the end of the query; empty when there is none.
std::string_view TypedAddressInQuery(std::string_view raw_query);

// The absolute URL to fetch for `typed` (see above), white space (typed or escaped) around it
// ignored: the scheme in lower case, an IDN host in ASCII, the default port dropped and an
// empty path written as "/" ("http://wap.example.com/"). Errors carry a message for the error
// page, in the viewer's language: no address, a refused scheme, no host, a malformed host or
// port.
[[nodiscard]] platform::Result<std::string> UrlFromTypedAddress(std::string_view typed);

// `url` for people to read: escapes of spaces and of non-ASCII bytes decoded when the result is
// valid UTF-8 ("wap.example.com/新闻"); else `url` unchanged.
std::string ReadableAddress(std::string_view url);

}  // namespace tovarin::gateway
