#pragma once
// The WML token tables of the binary form (WAP-191 WML 1.3, "WML token tables"; WML 1.1 and 1.2
// use the same codes, 1.2 adding <pre> and the accesskey/enctype attributes, 1.3 xml:space and
// cache-control). Every WML token lives on code page 0 of its code space; the other pages hold
// no WML tokens, so lookups there find nothing and the decoder applies its tolerance for
// unknown tokens.
//
//   tag code space        token bits 7..6 say "has attributes"/"has content", bits 5..0 are
//                         the tag code (0x05..0x3F; 0x00..0x04 are the global tokens)
//   attribute start       tokens 0x05..0x7F (0x40..0x44 global): a name and a value prefix,
//                         e.g. 0x4B = href with "http://"
//   attribute value       tokens 0x85..0xFF (0xC0..0xC4 global): a piece of a value, e.g.
//                         0x85 = ".com/"
//
// The returned views point at static storage and live for the whole program.

#include <cstdint>
#include <string_view>

namespace tovarin::gateway {

struct WmlAttributeStart {
  std::string_view name;          // lower-case attribute name; empty when the token is unknown
  std::string_view value_prefix;  // start of the value ("http://"); often empty
};

// The element name for tag code `tag_code` (the low 6 bits of a tag token) on tag code page
// `page`, or empty when no WML element has that code.
std::string_view WmlTagName(std::uint8_t page, std::uint8_t tag_code);

// The attribute an attribute start token (< 0x80) names on attribute code page `page`; the
// name is empty when the token is unknown (or is a global token).
WmlAttributeStart WmlAttributeStartToken(std::uint8_t page, std::uint8_t token);

// The text of an attribute value token (>= 0x80) on attribute code page `page`, or empty when
// the token is unknown (or is a global token).
std::string_view WmlAttributeValueToken(std::uint8_t page, std::uint8_t token);

// What a WBXML public identifier says a document is. kWml: WML 1.1 (0x04), 1.2 (0x09), 1.3
// (0x0A), WTA-WML 1.2 (0x0C, WML 1.2 plus tokens on other pages) and "unknown" (0x01, taken as
// WML: the content type said so). kWml10: WML 1.0 (0x02), whose token codes differ. kOther:
// any other document type (SI 0x05, SL 0x06, provisioning 0x0B, ...).
enum class WmlDocumentType { kWml, kWml10, kOther };
WmlDocumentType WmlDocumentTypeOf(std::uint32_t public_id);
// The same for a public identifier given as text ("-//WAPFORUM//DTD WML 1.3//EN").
WmlDocumentType WmlDocumentTypeOf(std::string_view public_id_text);

}  // namespace tovarin::gateway
