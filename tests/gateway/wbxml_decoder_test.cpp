#include "gateway/wbxml_decoder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "gateway/limits.h"

namespace tovarin::gateway {

// Trees print as their dump in failure messages (internal linkage: this file's helper only).
[[maybe_unused]] static void PrintTo(const MarkupNode& node, std::ostream* out) {
  *out << "\n" << DumpTree(node);
}

namespace {

// Every byte vector below is written from the WBXML 1.3 token rules (WAP-192) and the WML 1.3
// token tables (WAP-191); the comment on each line says what the bytes mean. Expected trees are
// written from the deck each vector encodes.

using ::testing::HasSubstr;
using ::testing::StartsWith;
using Bytes = std::vector<std::uint8_t>;

Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// `text` and its terminating NUL (a string table entry, or what follows STR_I / EXT_I_n).
Bytes Terminated(std::string_view text) {
  Bytes bytes(text.begin(), text.end());
  bytes.push_back(0x00);
  return bytes;
}

// mb_u_int32: 7-bit groups, most significant first, 0x80 set on all but the last.
Bytes MbUInt32(std::uint32_t value) {
  Bytes bytes{static_cast<std::uint8_t>(value & 0x7F)};
  for (value >>= 7; value != 0; value >>= 7) {
    bytes.insert(bytes.begin(), static_cast<std::uint8_t>(0x80 | (value & 0x7F)));
  }
  return bytes;
}

// STR_I "text": 0x03, the bytes, 0x00.
Bytes StrI(std::string_view text) { return Bytes{0x03} + Terminated(text); }

// Header: WBXML 1.3, public identifier 0x0A (WML 1.3), charset 106 (UTF-8), no string table.
const Bytes kHeader = {0x03, 0x0A, 0x6A, 0x00};

// A deck whose <p> holds `content`: header, wml+content, card+content, p+content, content,
// END p, END card, END wml.
Bytes DeckWithParagraph(const Bytes& content) {
  return kHeader + Bytes{0x7F, 0x67, 0x60} + content + Bytes{0x01, 0x01, 0x01};
}

WbxmlDocument MustDecode(const Bytes& bytes) {
  platform::Result<WbxmlDocument> result = DecodeWmlc(bytes);
  EXPECT_TRUE(result.ok()) << (result.ok() ? "" : result.error());
  return result.ok() ? std::move(result).value() : WbxmlDocument{};
}

std::string DecodeError(const Bytes& bytes) {
  platform::Result<WbxmlDocument> result = DecodeWmlc(bytes);
  EXPECT_FALSE(result.ok()) << DumpTree(result.ok() ? result->root : MarkupNode{});
  return result.ok() ? std::string() : result.error();
}

// The <p> of a DeckWithParagraph deck.
MarkupNode ParagraphOf(const Bytes& bytes) {
  const WbxmlDocument document = MustDecode(bytes);
  if (document.root.children.empty() || document.root.children[0].children.empty()) return {};
  return document.root.children[0].children[0];
}

MarkupNode TextParagraph(std::string_view text) {
  MarkupNode p = MarkupNode::Element("p");
  p.AppendText(text);
  return p;
}

Bytes ReadFile(const std::string& name) {
  std::ifstream in(std::string(TOVARIN_SOURCE_DIR) + "/tests/data/wmlc/" + name, std::ios::binary);
  EXPECT_TRUE(in) << name;
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The deck <wml><card id="a" title="T"><p>Hello</p></card></wml>, written from the tables.
const Bytes kMinimalDeck = {
    0x03,                                  // version: WBXML 1.3
    0x0A,                                  // public identifier: WML 1.3
    0x6A,                                  // charset: MIBenum 106, UTF-8
    0x00,                                  // string table length: 0
    0x7F,                                  // wml (tag 0x3F) + content (0x40)
    0xE7,                                  // card (0x27) + content (0x40) + attributes (0x80)
    0x55,                                  //   attribute start: id
    0x03, 'a', 0x00,                       //   STR_I "a"
    0x36,                                  //   attribute start: title
    0x03, 'T', 0x00,                       //   STR_I "T"
    0x01,                                  // END of card's attributes
    0x60,                                  // p (0x20) + content
    0x03, 'H', 'e',  'l', 'l', 'o', 0x00,  // STR_I "Hello"
    0x01,                                  // END p
    0x01,                                  // END card
    0x01,                                  // END wml
};

// ---- Header --------------------------------------------------------------------------------

TEST(WmlcHeader, MinimalDeckFromTheTokenTables) {
  const WbxmlDocument document = MustDecode(kMinimalDeck);
  EXPECT_EQ(document.version, 0x03);
  EXPECT_EQ(document.public_id, 0x0Au);
  EXPECT_EQ(document.public_id_text, "");
  EXPECT_EQ(document.charset_mib, 106u);
  MarkupNode card = MarkupNode::Element("card");
  card.attributes = {{"id", "a"}, {"title", "T"}};
  card.children.push_back(TextParagraph("Hello"));
  MarkupNode wml = MarkupNode::Element("wml");
  wml.children.push_back(card);
  EXPECT_EQ(document.root, wml) << DumpTree(document.root);
}

TEST(WmlcHeader, VersionsOneOneAndOneTwoAndLenientOneZero) {
  // 01 = WBXML 1.1, 04 = WML 1.1, 6A = UTF-8, 00 = no string table, 3F = <wml/>
  EXPECT_EQ(MustDecode({0x01, 0x04, 0x6A, 0x00, 0x3F}).root, MarkupNode::Element("wml"));
  // 02 = WBXML 1.2, 09 = WML 1.2
  EXPECT_EQ(MustDecode({0x02, 0x09, 0x6A, 0x00, 0x3F}).version, 0x02);
  // WBXML 1.0 has no charset field: 00 = version, 04 = WML 1.1, 00 = string table length,
  // 7F = wml + content, STR_I "hi", END.
  const WbxmlDocument old = MustDecode(Bytes{0x00, 0x04, 0x00, 0x7F} + StrI("hi") + Bytes{0x01});
  EXPECT_EQ(old.charset_mib, 0u);
  EXPECT_EQ(DumpTree(old.root), "<wml>\n  \"hi\"\n");
  EXPECT_THAT(DecodeError({0x04, 0x0A, 0x6A, 0x00, 0x3F}),
              HasSubstr("unsupported WBXML version 0x04"));
}

TEST(WmlcHeader, PublicIdentifierAsAString) {
  const Bytes deck = Bytes{0x03,  // WBXML 1.3
                           0x00,  // public identifier 0: a string table offset follows
                           0x00,  //   offset 0
                           0x6A,  // UTF-8
                           0x1D}  // string table length 29
                     + Terminated("-//WAPFORUM//DTD WML 1.3//EN")  // 28 bytes + NUL
                     + Bytes{0x3F};                                // <wml/>
  const WbxmlDocument document = MustDecode(deck);
  EXPECT_EQ(document.public_id, 0u);
  EXPECT_EQ(document.public_id_text, "-//WAPFORUM//DTD WML 1.3//EN");
  // The same with the identifier of Service Indication: not a deck.
  const Bytes si =
      Bytes{0x03, 0x00, 0x00, 0x6A, 0x1C} + Terminated("-//WAPFORUM//DTD SI 1.0//EN") + Bytes{0x3F};
  EXPECT_THAT(DecodeError(si), HasSubstr("SI 1.0//EN\" is not a WML document type"));
}

TEST(WmlcHeader, DocumentTypesOtherThanWmlAreRefused) {
  EXPECT_EQ(MustDecode({0x03, 0x01, 0x6A, 0x00, 0x3F}).public_id, 0x01u);  // unknown: read as WML
  EXPECT_THAT(DecodeError({0x03, 0x05, 0x6A, 0x00, 0x3F}), HasSubstr("0x05 is not a WML"));  // SI
  EXPECT_THAT(DecodeError({0x03, 0x02, 0x6A, 0x00, 0x3F}), HasSubstr("WML 1.0"));
}

TEST(WmlcHeader, MultiByteCharsetGb2312IsConverted) {
  // 2025 = (0x0F << 7) | 0x69 -> mb_u_int32 8F 69. 中 = D6 D0 and 文 = CE C4 in GB2312.
  const Bytes deck = Bytes{0x03, 0x0A, 0x8F, 0x69,              // charset MIBenum 2025 (GB2312)
                           0x05, 0xD6, 0xD0, 0xCE, 0xC4, 0x00,  // string table: 中文
                           0x7F, 0x67, 0x60,                    // wml, card, p
                           0x03, 'A',  0xD6, 0xD0, 0x00,        // STR_I "A中"
                           0x83, 0x00,                          // STR_T 0: "中文"
                           0x01, 0x01, 0x01};
  const WbxmlDocument document = MustDecode(deck);
  EXPECT_EQ(document.charset_mib, 2025u);
  EXPECT_EQ(document.root.children[0].children[0], TextParagraph("A中中文"));
}

TEST(WmlcHeader, SingleByteCharsetAndUnknownOnes) {
  // MIBenum 4 (ISO-8859-1): E9 is é.
  Bytes latin = kMinimalDeck;
  latin[2] = 0x04;
  latin[21] = 0xE9;  // "Hello" -> "Hellé"
  EXPECT_EQ(MustDecode(latin).root.children[0].children[0], TextParagraph("Hell\u00E9"));
  // MIBenum 0 and an unregistered one are read as UTF-8; invalid bytes become U+FFFD.
  const Bytes unknown = {0x03, 0x0A, 0x00, 0x00, 0x7F,  // charset 0
                         0x03, 'A',  0xFF, 'B',  0x00,  // STR_I with a byte UTF-8 cannot start with
                         0x01};
  EXPECT_EQ(DumpTree(MustDecode(unknown).root), "<wml>\n  \"A\uFFFDB\"\n");
  const Bytes unregistered =  // charset 9999 = (0x4E << 7) | 0x0F -> CE 0F
      Bytes{0x03, 0x0A, 0xCE, 0x0F, 0x00, 0x7F} + StrI("caf\u00E9") + Bytes{0x01};
  EXPECT_EQ(DumpTree(MustDecode(unregistered).root), "<wml>\n  \"caf\u00E9\"\n");
}

TEST(WmlcHeader, Utf16DecksAreRefused) {
  // 1015 = (0x07 << 7) | 0x77 -> 87 77 (UTF-16)
  EXPECT_THAT(DecodeError({0x03, 0x0A, 0x87, 0x77, 0x00, 0x3F}), HasSubstr("UTF-16"));
}

TEST(WmlcHeader, StringTableBounds) {
  // Length 0x100001 = kMaxWbxmlStringTableBytes + 1: mb_u_int32 C0 80 01.
  static_assert(kMaxWbxmlStringTableBytes + 1 == (0x40u << 14) + 1);
  EXPECT_THAT(DecodeError({0x03, 0x0A, 0x6A, 0xC0, 0x80, 0x01}), HasSubstr("exceeds"));
  // Length 5 announced, 2 bytes present.
  EXPECT_THAT(DecodeError({0x03, 0x0A, 0x6A, 0x05, 'a', 'b'}),
              HasSubstr("document ends inside the string table"));
  EXPECT_EQ(DecodeError({}), "WMLC: the document is empty");
}

// ---- Tokens --------------------------------------------------------------------------------

TEST(WmlcTokens, StringTableTextAndLiteralTags) {
  const Bytes deck = Bytes{0x03, 0x0A, 0x6A, 0x13}  // string table length 19:
                     + Terminated("Hello")          //   offset 0
                     + Terminated("BLINK")          //   offset 6
                     + Terminated("Data-X")         //   offset 12
                     + Bytes{0x7F,                  // wml + content
                             0x83, 0x00,            //   STR_T 0 "Hello"
                             0x44, 0x06,            //   LITERAL_C 6: <blink> + content
                             0x03, 'x',  0x00,      //     STR_I "x"
                             0x01,                  //   END blink
                             0x84, 0x06,            //   LITERAL_A 6: <blink> + attributes
                             0x04, 0x0C,            //     LITERAL 12: attribute data-x
                             0x03, '1',  0x00,      //     STR_I "1"
                             0x01,                  //   END of attributes
                             0xC4, 0x0C,            //   LITERAL_AC 12: <data-x> + attrs + content
                             0x55, 0x83, 0x00,      //     id= STR_T 0
                             0x01,                  //   END of attributes
                             0x04, 0x06,            //     LITERAL 6: <blink/>
                             0x01,                  //   END data-x
                             0x01};                 // END wml
  EXPECT_EQ(DumpTree(MustDecode(deck).root),
            "<wml>\n"
            "  \"Hello\"\n"
            "  <blink>\n"
            "    \"x\"\n"
            "  <blink data-x=\"1\">\n"
            "  <data-x id=\"Hello\">\n"
            "    <blink>\n");
}

TEST(WmlcTokens, AttributeStartPrefixesAndValueTokens) {
  const Bytes deck = kHeader + Bytes{0x7F, 0x67, 0x60,             // wml, card, p (all + content)
                                     0xA2,                         // anchor (0x22) + attributes
                                     0x4B,                         //   href="http://"
                                     0x03, 'w',  'a',  'p', 0x00,  //   STR_I "wap"
                                     0x85,                         //   ".com/"
                                     0x03, 'i',  0x00,             //   STR_I "i"
                                     0x92,        //   0x92: unused value token, adds nothing
                                     0x06,        //   align="bottom"
                                     0x1B,        //   method="get"
                                     0x52, 0x9E,  //   align= (repeated name: skipped with "top")
                                     0x38,        //   type="accept"
                                     0x4A, 0x8F, 0x03, 'x', 0x00,
                                     0x88,  // href= "http://www." "x" ".org/": repeated, skipped
                                     0x01,  // END of attributes
                                     0x2B,  // <go/> (no attributes, no content)
                                     0x01, 0x01, 0x01};  // END p, card, wml
  const MarkupNode p = MustDecode(deck).root.children[0].children[0];
  ASSERT_EQ(p.children.size(), 2u);
  EXPECT_EQ(p.children[0].attributes, (std::vector<MarkupAttribute>{{"href", "http://wap.com/i"},
                                                                    {"align", "bottom"},
                                                                    {"method", "get"},
                                                                    {"type", "accept"}}));
  EXPECT_EQ(p.children[1], MarkupNode::Element("go"));
}

TEST(WmlcTokens, CodePageSwitchOnTheAttributePageAndBack) {
  const Bytes deck =
      kHeader +
      Bytes{0x7F,                    // wml + content
            0xE7,                    // card + attributes + content
            0x00, 0x01,              //   SWITCH_PAGE to attribute page 1
            0x55, 0x03, 'q',  0x00,  //   0x55 on page 1: no WML attribute, skipped with "q"
            0x00, 0x00,              //   SWITCH_PAGE back to page 0
            0x55, 0x03, 'b',  0x00,  //   id="b"
            0x00, 0x01,              //   SWITCH_PAGE to page 1 again, left there
            0x01,                    // END of attributes
            0xA0,                    // p + attributes: the attribute page is still 1
            0x55, 0x03, 'z',  0x00,  //   skipped
            0x00, 0x00, 0x36, 0x03, 't', 0x00,  //   page 0, title="t"
            0x01,                               // END of attributes
            0x01, 0x01};                        // END card, wml
  EXPECT_EQ(DumpTree(MustDecode(deck).root), "<wml>\n  <card id=\"b\">\n    <p title=\"t\">\n");
}

TEST(WmlcTokens, CodePageSwitchOnTheTagPage) {
  // On tag page 1 there is no WML element: 0x60 there is an unknown tag with content.
  const Bytes deck = DeckWithParagraph(StrI("a") +
                                       Bytes{0x00, 0x01,  // SWITCH_PAGE to tag page 1
                                             0x60}        // unknown tag + content
                                       + StrI("b") +
                                       Bytes{0x01,        // END unknown
                                             0x00, 0x00,  // back to tag page 0
                                             0x64}        // b + content
                                       + StrI("c") + Bytes{0x01});
  MarkupNode expected = TextParagraph("ab");
  expected.children.push_back(MarkupNode::Element("b"));
  expected.children.back().AppendText("c");
  EXPECT_EQ(ParagraphOf(deck), expected);
}

TEST(WmlcTokens, EntitiesBecomeUtf8AndBadOnesReplacementCharacters) {
  const Bytes content =
      StrI("a") +
      Bytes{0x02, 0x81, 0x20,         // ENTITY 0xA0 = (1 << 7) | 0x20
            0x02, 0x81, 0x9C, 0x2D,   // ENTITY 0x4E2D = (1 << 14) | (0x1C << 7) | 0x2D: 中
            0x02, 0x83, 0xB0, 0x00,   // ENTITY 0xD800, a surrogate
            0x02, 0xC4, 0x80, 0x00,   // ENTITY 0x110000, past Unicode
            0x02, 0x00,               // ENTITY 0
            0x02, 0x84, 0x80, 0x00};  // ENTITY 0x10000 = 4 << 14: U+10000
  EXPECT_EQ(ParagraphOf(DeckWithParagraph(content)),
            TextParagraph("a\u00A0\u4E2D\uFFFD\uFFFD\uFFFD\U00010000"));
}

TEST(WmlcTokens, TextSplitAcrossPiecesIsOneNode) {
  const Bytes deck = Bytes{0x03, 0x0A, 0x6A, 0x04} + Terminated("one") +  // table: "one" at 0
                     Bytes{0x7F, 0x67, 0x60, 0x83, 0x00,                  // STR_T "one"
                           0x03, ' ',  0x00,                              // STR_I " "
                           0x02, 0x26,                                    // ENTITY '&'
                           0x80, 0x00,                          // EXT_T_0 "one": "$(one:e)"
                           0xC3, 0x02, '!',  '?',               // OPAQUE "!?"
                           0xC0,                                // EXT_0: nothing in WML
                           0x43, 0x05, 0x03, 'x',  0x00, 0x01,  // PI (accept-charset="x"): skipped
                           0x03, '.',  0x00,                    // STR_I "."
                           0x01, 0x01, 0x01};
  EXPECT_EQ(ParagraphOf(deck), TextParagraph("one &$(one:e)!?."));
}

TEST(WmlcTokens, OpaqueIsTextInTheDocumentCharset) {
  const Bytes content = Bytes{0xC3, 0x04, 'H', 'i', 0x00, '!'};  // NUL inside becomes U+FFFD
  EXPECT_EQ(ParagraphOf(DeckWithParagraph(content)), TextParagraph("Hi\uFFFD!"));
  Bytes latin = DeckWithParagraph({0xC3, 0x02, 'n', 0xE9});  // ISO-8859-1 "né"
  latin[2] = 0x04;
  EXPECT_EQ(ParagraphOf(latin), TextParagraph("n\u00E9"));
  EXPECT_THAT(DecodeError(DeckWithParagraph({0xC3, 0x09, 'a'})),
              HasSubstr("ends inside OPAQUE data of 9 bytes"));
}

TEST(WmlcTokens, UnknownTagKeepsItsContentInTheParent) {
  const Bytes content =
      StrI("A") + Bytes{0xC5,  // tag code 0x05 (no WML element) + attributes + content
                        0x55, 0x03, 'x',  0x00, 0x01,  //   id="x", END: read and dropped
                        0x03, 'B',  0x00,              //   STR_I "B": joins the text around
                        0xE0, 0x01,                    //   <p> with an empty attribute list
                        0x01,                          //   END p
                        0x01,                          // END unknown tag
                        0x3A,                          // tag 0x3A (unused since WML 1.1), empty
                        0x03, 'C',  0x00};             // STR_I "C"
  MarkupNode expected = TextParagraph("AB");
  expected.children.push_back(MarkupNode::Element("p"));
  expected.AppendText("C");
  EXPECT_EQ(ParagraphOf(DeckWithParagraph(content)), expected);
  // The document element must be known.
  EXPECT_THAT(DecodeError(kHeader + Bytes{0x05}), HasSubstr("document element has an unknown tag"));
}

TEST(WmlcTokens, UnknownAttributeStartIsSkippedWithItsValue) {
  const Bytes deck = kHeader + Bytes{0xBF,  // wml + attributes, no content
                                     0x0E, 0x03, 'q', 0x00,
                                     0x85,  //   0x0E (unused since WML 1.1) and its value: skipped
                                     0x55, 0x03, 'k', 0x00,  //   id="k"
                                     0x01};                  // END
  EXPECT_EQ(DumpTree(MustDecode(deck).root), "<wml id=\"k\">\n");
}

TEST(WmlcTokens, TokensOutOfPlaceAreErrors) {
  EXPECT_THAT(DecodeError(kHeader + StrI("x")), HasSubstr("expected the document element"));
  EXPECT_THAT(DecodeError(kHeader + Bytes{0x3F, 0x3F}), HasSubstr("after the document element"));
  EXPECT_THAT(DecodeError(kHeader + Bytes{0xBF, 0x44, 0x00, 0x01}), HasSubstr("cannot appear"));
  EXPECT_THAT(DecodeError(kHeader + Bytes{0xBF, 0x85, 0x01}),
              HasSubstr("attribute value before any attribute name"));
  // PIs around the document element are fine.
  const Bytes with_pis = kHeader + Bytes{0x43, 0x05, 0x01, 0x3F, 0x43, 0x0C, 0x85, 0x01};
  EXPECT_EQ(MustDecode(with_pis).root, MarkupNode::Element("wml"));
}

// ---- Variables -----------------------------------------------------------------------------

TEST(WmlcVariables, ExtensionTokensInTextGiveTheTextForm) {
  const Bytes deck = Bytes{0x03, 0x0A, 0x6A, 0x05} + Terminated("name") +
                     Bytes{0x7F, 0x67, 0x60, 0x80, 0x00}  // EXT_T_0 "name": escaped
                     + Bytes{0x41} + Terminated("name")   // EXT_I_1 "name": unescaped
                     + Bytes{0x42} + Terminated("name")   // EXT_I_2 "name": no escape
                     + Bytes{0x81, 0x00, 0x82, 0x00,      // EXT_T_1, EXT_T_2 "name"
                             0x40} +
                     Terminated("_x9")  // EXT_I_0 "_x9"
                     + Bytes{0x01, 0x01, 0x01};
  EXPECT_EQ(ParagraphOf(deck), TextParagraph("$(name:e)$(name:u)$(name)$(name:u)$(name)$(_x9:e)"));
}

TEST(WmlcVariables, ExtensionTokensInAttributeValues) {
  const Bytes deck = kHeader +
                     Bytes{0x7F, 0x67, 0x60,
                           0xAB,                                     // go + attributes
                           0x4B}                                     //   href="http://"
                     + Bytes{0x42} + Terminated("host")              //   EXT_I_2 "host"
                     + StrI("/?q=") + Bytes{0x40} + Terminated("q")  // "/?q=" EXT_I_0 "q"
                     + Bytes{0x21, 0x41} + Terminated("n")           //   name= EXT_I_1 "n"
                     + Bytes{0x01, 0x01, 0x01, 0x01};
  EXPECT_EQ(
      ParagraphOf(deck).children.at(0).attributes,
      (std::vector<MarkupAttribute>{{"href", "http://$(host)/?q=$(q:e)"}, {"name", "$(n:u)"}}));
}

TEST(WmlcVariables, NamesThatAreNotWmlNamesAreDropped) {
  const Bytes content = StrI("[") + Bytes{0x40} + Terminated("1st") +  // starts with a digit
                        Bytes{0x42} + Terminated("a)b") +              // ")" would end it early
                        Bytes{0x41} + Terminated("") +                 // empty
                        Bytes{0x42} + Terminated(std::string(kMaxVariableNameBytes + 1, 'v')) +
                        StrI("]");
  EXPECT_EQ(ParagraphOf(DeckWithParagraph(content)), TextParagraph("[]"));
}

// ---- Limits and damaged input --------------------------------------------------------------

TEST(WmlcLimits, EveryCutOfAValidDeckIsAnErrorNamingTheCut) {
  for (const Bytes& deck : {kMinimalDeck, ReadFile("news.wmlc")}) {
    ASSERT_TRUE(DecodeWmlc(deck).ok());
    for (std::size_t length = 1; length < deck.size(); ++length) {
      const Bytes cut(deck.begin(), deck.begin() + static_cast<std::ptrdiff_t>(length));
      EXPECT_THAT(DecodeError(cut), StartsWith("WMLC: document ends ")) << "cut at " << length;
    }
  }
}

TEST(WmlcLimits, StringTableReferencesAreChecked) {
  const Bytes table = {0x03, 0x0A, 0x6A, 0x03, 'a', 'b', 0x00};    // "ab" at offset 0
  EXPECT_THAT(DecodeError(table + Bytes{0x7F, 0x83, 0x03, 0x01}),  // STR_T 3: past the end
              HasSubstr("reference 3 is outside the string table (3 bytes)"));
  EXPECT_EQ(DumpTree(MustDecode(table + Bytes{0x7F, 0x83, 0x01, 0x01}).root), "<wml>\n  \"b\"\n");
  // A table whose last string has no NUL.
  EXPECT_THAT(DecodeError({0x03, 0x0A, 0x6A, 0x02, 'a', 'b', 0x7F, 0x83, 0x00, 0x01}),
              HasSubstr("no NUL inside the table"));
  EXPECT_THAT(DecodeError(kHeader + Bytes{0x04, 0x00}), HasSubstr("outside the string table"));
}

TEST(WmlcLimits, IntegersAreAtMostFiveBytesAndThirtyTwoBits) {
  // STR_T with a six-byte offset: 80 80 80 80 80 00.
  EXPECT_THAT(DecodeError(kHeader + Bytes{0x7F, 0x83, 0x80, 0x80, 0x80, 0x80, 0x80, 0x00}),
              HasSubstr("longer than 5 bytes"));
  // Five bytes whose value is 2^32: 90 80 80 80 00.
  EXPECT_THAT(DecodeError(kHeader + Bytes{0x7F, 0x02, 0x90, 0x80, 0x80, 0x80, 0x00}),
              HasSubstr("does not fit in 32 bits"));
  // Five bytes with the largest value, 0xFFFFFFFF: 8F FF FF FF 7F (an ENTITY: U+FFFD).
  const Bytes largest = kHeader + Bytes{0x7F, 0x02, 0x8F, 0xFF, 0xFF, 0xFF, 0x7F, 0x01};
  EXPECT_EQ(DumpTree(MustDecode(largest).root), "<wml>\n  \"\uFFFD\"\n");
}

TEST(WmlcLimits, DepthBomb) {
  // wml holding kMaxElementDepth - 1 nested p: the deepest p is at kMaxElementDepth.
  const auto nested = [](int depth) {
    Bytes deck = kHeader;
    for (int i = 0; i < depth; ++i) deck.push_back(i == 0 ? 0x7F : 0x60);
    deck.insert(deck.end(), static_cast<std::size_t>(depth), 0x01);
    return deck;
  };
  EXPECT_TRUE(DecodeWmlc(nested(kMaxElementDepth)).ok());
  EXPECT_THAT(DecodeError(nested(kMaxElementDepth + 1)), HasSubstr("nest deeper than 256"));
  // Unknown tags count too, although they build nothing.
  Bytes unknown = kHeader + Bytes{0x7F};
  unknown.insert(unknown.end(), static_cast<std::size_t>(kMaxElementDepth), 0x45);
  EXPECT_THAT(DecodeError(unknown), HasSubstr("nest deeper"));
}

TEST(WmlcLimits, NodeCountAndDecodedTextAreBounded) {
  Bytes many = kHeader + Bytes{0x7F};
  many.insert(many.end(), kMaxNodes - 1, 0x26);  // <br/> after <br/>: with wml, kMaxNodes nodes
  many.push_back(0x01);
  EXPECT_TRUE(DecodeWmlc(many).ok());
  many.insert(many.end() - 1, 0x26);
  EXPECT_THAT(DecodeError(many), HasSubstr("more than 200000 nodes"));
  // A 64 KiB string referenced 65 times would decode to more than kMaxBodyBytes.
  Bytes bomb = {0x03, 0x0A, 0x6A, 0x84, 0x80, 0x01};  // table length 65537 = (4 << 14) | 1
  bomb.insert(bomb.end(), 65536, 'a');
  bomb.push_back(0x00);
  bomb.push_back(0x7F);
  for (int i = 0; i < 65; ++i) bomb.insert(bomb.end(), {0x83, 0x00});  // STR_T 0
  bomb.push_back(0x01);
  EXPECT_THAT(DecodeError(bomb), HasSubstr("decoded text exceeds"));
}

TEST(WmlcLimits, AttributesPerElementAndLiteralNameLength) {
  // 65 LITERAL attribute names "a0".."a64" in the string table, each given the value "v".
  Bytes table;
  Bytes attributes;
  for (int i = 0; i <= 64; ++i) {
    const auto offset = static_cast<std::uint32_t>(table.size());
    attributes = attributes + Bytes{0x04} + MbUInt32(offset) + StrI("v");  // LITERAL offset "v"
    table = table + Terminated("a" + std::to_string(i));
  }
  const Bytes deck = Bytes{0x03, 0x0A, 0x6A} + MbUInt32(static_cast<std::uint32_t>(table.size())) +
                     table + Bytes{0xBF} + attributes + Bytes{0x01};  // wml + attributes ... END
  const MarkupNode root = MustDecode(deck).root;
  ASSERT_EQ(root.attributes.size(), kMaxAttributesPerElement);
  EXPECT_EQ(root.attributes.back(), (MarkupAttribute{"a63", "v"}));
  // A LITERAL element name of kMaxNameBytes + 1 bytes.
  const std::string long_name(kMaxNameBytes + 1, 'n');
  const Bytes named =
      Bytes{0x03, 0x0A, 0x6A, 0x82, 0x02} + Terminated(long_name) + Bytes{0x04, 0x00};
  static_assert(kMaxNameBytes + 2 == ((0x02u << 7) | 0x02u));  // table length 258 = 82 02
  EXPECT_THAT(DecodeError(named), HasSubstr("element name of 257 bytes is longer than 256"));
}

// ---- Decks written by xml2wbxml (libwbxml) from the .wml files beside them ------------------

TEST(WmlcFromXml2wbxml, NewsDeck) {
  const WbxmlDocument document = MustDecode(ReadFile("news.wmlc"));
  EXPECT_EQ(document.version, 0x03);
  EXPECT_EQ(document.public_id, 0x0Au);
  EXPECT_EQ(document.charset_mib, 106u);
  const std::string expected = R"dump(<wml>
  <head>
    <meta http-equiv="Cache-Control" content="max-age=300">
  <template>
    <do type="prev" label="Back">
      <prev>
    <do type="options" label="Home">
      <go href="#home">
  <card id="home" title="Tovarin News" newcontext="true">
    <p align="center">
      <img src="http://wap.example.com/logo.wbmp" alt="Tovarin" width="96" height="32">
      <br>
      <b>
        "Today"
      " & "
      <em>
        "tomorrow"
    <p mode="nowrap">
      <a href="http://wap.example.com/news/world.wml" accesskey="1">
        "World"
      <br>
      <a href="http://wap.example.com/news/sport.wml" accesskey="2">
        "Sport"
      <br>
      <a href="https://secure.example.org/weather?city=$(city:e)" accesskey="3">
        "Weather in $(city)"
      <br>
      <anchor>
        "Search"
        <go href="#search">
    <p>
      "Café prices: 5)dump"
                               "\u00A0"
                               R"dump(€ · 中文 headlines"
  <card id="search" title="Search">
    <p>
      "Query: "
      <input name="q" type="text" maxlength="40" emptyok="false">
      <br>
      "In: "
      <select name="section" multiple="false">
        <option value="world">
          "World"
        <option value="sport">
          "Sport"
        <optgroup title="More">
          <option value="tech">
            "Tech"
    <do type="accept" label="Find">
      <go href="http://wap.example.com/search" method="post">
        <postfield name="q" value="$(q)">
        <postfield name="s" value="$(section)">
  <card id="story" title="Story" ontimer="#home">
    <timer value="600">
    <onevent type="onenterforward">
      <refresh>
        <setvar name="seen" value="1">
    <p>
      <table columns="2" align="LR">
        <tr>
          <td>
            "Time"
          <td>
            "12:30"
        <tr>
          <td>
            "Place"
          <td>
            "Lisbon"
    <pre>
      "line one
  line two"
    <p>
      <small>
        "© 2024 Example"
      " "
      <u>
        "u"
      " "
      <i>
        "i"
      " "
      <big>
        "big"
      " "
      <strong>
        "strong"
    <p>
      <a href="http://www.example.net/about">
        "About"
      " "
      <a href="http://www.example.edu/">
        "Edu"
)dump";
  EXPECT_EQ(DumpTree(document.root), expected);
}

TEST(WmlcFromXml2wbxml, LiteralTagsAndAttributesInAWml11Deck) {
  const WbxmlDocument document = MustDecode(ReadFile("literal.wmlc"));
  EXPECT_EQ(document.version, 0x01);
  EXPECT_EQ(document.public_id, 0x04u);
  EXPECT_EQ(DumpTree(document.root), R"dump(<wml>
  <card id="c1" title="Odd tags">
    <p>
      "Before "
      <blink>
        "blinking "
        <b>
          "bold"
      " after"
    <p>
      <marquee speed="FAST" align="left">
        "Moving"
      <ticker>
    <p>
      <br clear="all">
      "End"
)dump");
}

}  // namespace
}  // namespace tovarin::gateway
