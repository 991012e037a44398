#pragma once
// The WMLC decoder: WBXML 1.1, 1.2 and 1.3 documents with the WML 1.1-1.3 code pages, read into
// the same MarkupNode tree the text form of WML is parsed into, so a binary deck renders exactly
// as its text does.

#include <cstdint>
#include <span>
#include <string>

#include "gateway/markup_tree.h"
#include "platform/result.h"

namespace tovarin::gateway {

struct WbxmlDocument {
  std::uint8_t version = 0;       // 0x01 = WBXML 1.1, 0x02 = 1.2, 0x03 = 1.3
  std::uint32_t public_id = 0;    // 0 when given as a string-table reference
  std::string public_id_text;     // the public identifier when given as a string
  std::uint32_t charset_mib = 0;  // IANA MIBenum from the header (0: unknown, read as UTF-8)
  MarkupNode root;                // the document element (normally <wml>)
};

// Decodes a WMLC deck. Element and attribute names come out lower-case, text and attribute
// values as UTF-8, variable references (EXT_I_*, EXT_T_*) as their text form "$(name:e)",
// "$(name:u)", "$(name)". Adjacent text pieces are joined.
//
// Strings are converted from the header's charset (ConvertToUtf8); MIBenum 0 or a charset this
// system cannot convert is read as UTF-8. Invalid bytes become U+FFFD. UTF-16 and UTF-32 decks
// are refused. A "$" inside a string is kept as written, so a deck whose encoder left "$$" or
// "$(name)" in its strings reads exactly like its text form.
//
// Tolerated (the deck still decodes):
//   - WBXML version 0x00 (1.0): read without the charset field, strings as UTF-8.
//   - Public identifier 0x01 (unknown) and WTA-WML 1.2 are read as WML; a string identifier
//     must name WML. WML 1.0 (other token codes) and other document types are refused.
//   - An unknown tag token (or a LITERAL tag with an empty name): the element is dropped, its
//     content goes to the enclosing element (its text joins the text around it); its
//     attributes are read and dropped. The document element itself must be known.
//   - An unknown attribute start token (any code page but 0, or an unused code), a repeated
//     attribute name, or an attribute beyond kMaxAttributesPerElement: skipped with its value
//     pieces. An unknown attribute value token adds nothing to the value.
//   - EXT_0..EXT_2 (no meaning in WML) are ignored; processing instructions are skipped.
//   - ENTITY 0, surrogates and values above U+10FFFF give U+FFFD; so does a NUL in OPAQUE
//     data (which is read as text in the document charset).
//   - A variable name that is not a WML name (letter or "_", then letters, digits, "_", at
//     most kMaxVariableNameBytes) is dropped.
// Errors (a message starting "WMLC: "): the document cut anywhere ("document ends inside ..."),
// an mb_u_int32 longer than kMaxWbxmlIntegerBytes or above 32 bits, a string table reference
// outside the table or without its NUL inside it, a string table over
// kMaxWbxmlStringTableBytes, elements nested deeper than kMaxElementDepth, more than kMaxNodes
// nodes, decoded text over kMaxBodyBytes, a LITERAL name over kMaxNameBytes, tokens out of
// place (text before or after the document element, a PI or LITERAL tag in an attribute list,
// a value before any attribute name). No partial tree is returned.
[[nodiscard]] platform::Result<WbxmlDocument> DecodeWmlc(std::span<const std::uint8_t> bytes);

}  // namespace tovarin::gateway
