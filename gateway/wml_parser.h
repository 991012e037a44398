#pragma once
// Reads the text form of a WML deck (already UTF-8) into a MarkupNode tree.
//
// The deck is parsed as XML first, with the WML entities and the HTML entity names predefined
// and nothing else: no DTD is loaded, no external entity is read, and entities declared in the
// deck's own DOCTYPE are never expanded, so a deck can neither reach the network or the disk
// nor blow up through nested entities. Real decks are often ill-formed (a stray tag before the
// DOCTYPE, "</br>", an unclosed <br> or <input>, a missing </card>, an unescaped '&' in an
// address, upper-case tags): when the XML parse fails, the deck is read again with libxml2's
// HTML parser, which keeps query strings as written, and the tree is built from what it finds
// (a CDATA section is read as its text first, as the XML parser would have read it).
//
// Element and attribute names come out lower-case; text is joined into single nodes; the
// returned node is the <wml> element (one is made around the content when the deck has none).

#include <string_view>

#include "gateway/markup_tree.h"
#include "platform/result.h"

namespace tovarin::gateway {

struct ParsedDeck {
  MarkupNode root;
  bool well_formed = true;  // false when the HTML parser had to read it
};

[[nodiscard]] platform::Result<ParsedDeck> ParseWml(std::string_view utf8);

}  // namespace tovarin::gateway
