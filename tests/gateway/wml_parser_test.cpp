#include "gateway/wml_parser.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "gateway/limits.h"
#include "gateway/wml_deck.h"
#include "tests/gateway/fake_service_links.h"
#include "tests/gateway/wml_test_support.h"

namespace tovarin::gateway {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using namespace wml_testing;

// Entities: XML's five, WML's nbsp and shy, the HTML names real decks use, and character
// references, in text and in attribute values alike (XML 1.0 section 4.4).

TEST(WmlParser, EntitiesInTextBecomeCharacters) {
  ParsedDeck deck = MustParse(ReadSample("entities.wml"));
  EXPECT_TRUE(deck.well_formed);
  EXPECT_TRUE(deck.root.IsElement("wml"));
  const std::vector<const MarkupNode*> paragraphs = FindAll(deck.root, "p");
  ASSERT_EQ(paragraphs.size(), 2u) << DumpTree(deck.root);
  EXPECT_EQ(TextContent(*paragraphs[0]),
            "Fish & chips" + std::string(kNbsp) + std::string(kCopyright) + " 2003 " +
                std::string(kZhong) + std::string(kWen) + " <b> \"q\" 's'");
}

TEST(WmlParser, EntitiesInAttributeValuesBecomeCharacters) {
  ParsedDeck deck = MustParse(ReadSample("entities.wml"));
  const MarkupNode* card = FindFirst(deck.root, "card");
  const MarkupNode* link = FindFirst(deck.root, "a");
  ASSERT_NE(card, nullptr);
  ASSERT_NE(link, nullptr);
  EXPECT_EQ(card->AttributeOr("title", ""),
            "Tom&Jerry" + std::string(kNbsp) + std::string(kCopyright));
  EXPECT_EQ(link->AttributeOr("href", ""), "next.wml?a=1&b=2");
  EXPECT_EQ(link->AttributeOr("title", ""),
            std::string(kZhong) + std::string(kCopyright) + std::string(kNbsp) + "<>");
}

TEST(WmlParser, EntitiesReachThePageAsCharacters) {
  WmlContext context;
  std::string html = RenderSampleHtml("entities.wml", "", context);
  std::string title = "Tom&amp;Jerry" + std::string(kNbsp) + std::string(kCopyright);
  EXPECT_THAT(html, HasSubstr("<title>" + title + "</title>"));
  EXPECT_THAT(html, HasSubstr("Fish &amp; chips" + std::string(kNbsp) + std::string(kCopyright)));
  EXPECT_THAT(html, HasSubstr(std::string(kZhong) + std::string(kWen) + " &lt;b&gt;"));
}

// A deck's own DOCTYPE may declare entities; none is ever expanded, and an HTML name it
// redeclares keeps its HTML meaning.
TEST(WmlParser, EntitiesDeclaredByTheDeckAreNotExpanded) {
  ParsedDeck deck = MustParse(ReadSample("internal_entity.wml"));
  std::string dump = DumpTree(deck.root);
  EXPECT_THAT(dump, Not(HasSubstr("EXPANDED")));
  EXPECT_THAT(dump, Not(HasSubstr("HIJACKED")));
  const MarkupNode* paragraph = FindFirst(deck.root, "p");
  ASSERT_NE(paragraph, nullptr) << dump;
  // An entity nothing defines stays as written, as browsers show it.
  EXPECT_EQ(TextContent(*paragraph), "A &secret; B " + std::string(kCopyright));
}

TEST(WmlParser, BillionLaughsStaysSmall) {
  std::string text = ReadSample("billion_laughs.wml");
  platform::Result<ParsedDeck> deck = ParseWml(text);
  if (!deck.ok()) {
    EXPECT_FALSE(deck.error().empty());
    return;
  }
  std::string dump = DumpTree(deck->root);
  EXPECT_LT(dump.size(), 4 * text.size());
  EXPECT_THAT(dump, Not(HasSubstr("lollol")));
  WmlContext context;
  FakeServiceLinks links;
  WmlRenderResult page = RenderWmlDeck(
      deck->root, {SampleUrl("billion_laughs.wml"), "UTF-8", EntryDirection::kForward, &links},
      context);
  EXPECT_LT(page.html.size(), 64u << 10);
  EXPECT_THAT(page.html, Not(HasSubstr("lollol")));
}

TEST(WmlParser, ExternalEntitiesOfTheSamplesAreNotRead) {
  ParsedDeck deck = MustParse(ReadSample("external_entity.wml"));
  std::string dump = DumpTree(deck.root);
  EXPECT_THAT(dump, Not(HasSubstr("root:")));
  EXPECT_THAT(dump, HasSubstr("Before"));
  EXPECT_THAT(dump, HasSubstr("after"));

  deck = MustParse(ReadSample("external_dtd.wml"));
  EXPECT_TRUE(deck.well_formed);
  dump = DumpTree(deck.root);
  EXPECT_THAT(dump, Not(HasSubstr("root:")));
  EXPECT_THAT(dump, HasSubstr("Plain text"));
}

// Files the parser could reach hold a marker; no form of external reference brings it in.
TEST(WmlParser, ExternalEntitiesAndDtdsAreNeverRead) {
  const std::string entity_path = ::testing::TempDir() + "wml_parser_external_entity.txt";
  const std::string dtd_path = ::testing::TempDir() + "wml_parser_external.dtd";
  std::ofstream(entity_path) << "LEAKED-FROM-DISK";
  std::ofstream(dtd_path) << "<!ENTITY leak \"LEAKED-FROM-DISK\">\n"
                             "<!ENTITY % inner \"<!ENTITY leak2 'LEAKED-FROM-DISK'>\">\n";
  const std::string decks[] = {
      "<?xml version=\"1.0\"?><!DOCTYPE wml [<!ENTITY xxe SYSTEM \"file://" + entity_path +
          "\">]><wml><card><p>[&xxe;]</p></card></wml>",
      "<?xml version=\"1.0\"?><!DOCTYPE wml SYSTEM \"file://" + dtd_path +
          "\"><wml><card><p>[&leak;]</p></card></wml>",
      "<?xml version=\"1.0\"?><!DOCTYPE wml PUBLIC \"-//WAPFORUM//DTD WML 1.1//EN\" \"file://" +
          dtd_path + "\"><wml><card><p>[&leak;]</p></card></wml>",
      "<?xml version=\"1.0\"?><!DOCTYPE wml [<!ENTITY % remote SYSTEM \"file://" + dtd_path +
          "\"> %remote; %inner;]><wml><card><p>[&leak;][&leak2;]</p></card></wml>",
      "<?xml version=\"1.0\"?><!DOCTYPE wml [<!ENTITY xxe SYSTEM \"file://" + entity_path +
          "\">]><wml><card title=\"&xxe;\"><p><a href=\"x.wml?&xxe;\">[x]</a></p></card></wml>",
  };
  for (const std::string& text : decks) {
    platform::Result<ParsedDeck> deck = ParseWml(text);
    ASSERT_TRUE(deck.ok()) << text;
    std::string dump = DumpTree(deck->root);
    EXPECT_THAT(dump, Not(HasSubstr("LEAKED"))) << text;
    EXPECT_THAT(dump, HasSubstr("[")) << text;
  }
}

// ---- Ill-formed decks: read again by the HTML parser; text and links survive ---------------

TEST(WmlParser, StrayTagsBeforeTheDoctype) {
  ParsedDeck deck = MustParse(ReadSample("stray_tag_before_doctype.wml"));
  EXPECT_FALSE(deck.well_formed);
  WmlContext context;
  std::string html = RenderSampleHtml("stray_tag_before_doctype.wml", "home", context);
  EXPECT_THAT(html, HasSubstr("<title>Home</title>"));
  EXPECT_THAT(html, HasSubstr("Welcome home."));
  EXPECT_THAT(html,
              HasSubstr("<a href=\"/p?u=http%3A%2F%2Fwap.example.com%2Fd%2Fnews.wml\">News</a>"));
}

// HTML reads "</br>" as a line break, and so do the browsers these decks were written for.
TEST(WmlParser, EndTagBrIsALineBreak) {
  ParsedDeck deck = MustParse(ReadSample("end_br.wml"));
  EXPECT_FALSE(deck.well_formed);
  WmlContext context;
  std::string html = RenderSampleHtml("end_br.wml", "", context);
  EXPECT_THAT(html, HasSubstr("First line<br>Second line<br>"));
  EXPECT_THAT(html,
              HasSubstr("<a href=\"/p?u=http%3A%2F%2Fwap.example.com%2Fd%2Fmore.wml\">More</a>"));
}

TEST(WmlParser, UnclosedBrAndInput) {
  ParsedDeck deck = MustParse(ReadSample("unclosed_br_input.wml"));
  EXPECT_FALSE(deck.well_formed);
  std::vector<const MarkupNode*> inputs = FindAll(deck.root, "input");
  ASSERT_EQ(inputs.size(), 2u) << DumpTree(deck.root);
  EXPECT_EQ(inputs[0]->AttributeOr("name", ""), "user");
  EXPECT_EQ(inputs[0]->AttributeOr("value", ""), "guest");
  EXPECT_EQ(inputs[1]->AttributeOr("type", ""), "password");
  for (const MarkupNode* input : inputs) EXPECT_TRUE(input->children.empty());
  EXPECT_EQ(FindAll(deck.root, "br").size(), 2u);

  WmlContext context;
  std::string html = RenderSampleHtml("unclosed_br_input.wml", "", context);
  std::vector<HtmlElement> fields = FindElements(html, "input");
  ASSERT_GE(fields.size(), 2u);
  EXPECT_THAT(VisibleText(Body(html)), HasSubstr("User: "));
  EXPECT_THAT(VisibleText(Body(html)), HasSubstr("Pass: "));
  std::vector<HtmlElement> buttons = FindElementsOfClass(html, "button", "wml-link");
  ASSERT_EQ(buttons.size(), 1u);
  EXPECT_EQ(buttons[0].Text(), "Log in");
  std::optional<WmlTask> task = TaskOfControl(buttons[0]);
  ASSERT_TRUE(task.has_value());
  EXPECT_EQ(task->href, "login.wml?u=$(user)");
}

TEST(WmlParser, MissingCardEndTag) {
  ParsedDeck deck = MustParse(ReadSample("missing_card_end.wml"));
  EXPECT_FALSE(deck.well_formed);
  EXPECT_EQ(IndexDeck(deck.root).cards.size(), 2u) << DumpTree(deck.root);

  WmlContext context;
  std::string second = RenderSampleHtml("missing_card_end.wml", "two", context);
  EXPECT_THAT(second, HasSubstr("<title>Two</title>"));
  EXPECT_THAT(second, HasSubstr("Second card text"));
  EXPECT_THAT(second, Not(HasSubstr("First card text")));
  EXPECT_THAT(second, HasSubstr("<a href=\"/p?u=http%3A%2F%2Fwap.example.com%2Fd%2F"
                                "missing_card_end.wml%23one\">Back</a>"));
  std::string first = RenderSampleHtml("missing_card_end.wml", "one", context);
  EXPECT_THAT(first, HasSubstr("First card text"));
  EXPECT_THAT(first, Not(HasSubstr("Second card text")));
}

TEST(WmlParser, UnescapedAmpersandInAnAddressIsKept) {
  ParsedDeck deck = MustParse(ReadSample("unescaped_ampersand.wml"));
  EXPECT_FALSE(deck.well_formed);
  const MarkupNode* link = FindFirst(deck.root, "a");
  ASSERT_NE(link, nullptr);
  EXPECT_EQ(link->AttributeOr("href", ""), "a.wml?x=1&y=2");

  WmlContext context;
  std::string html = RenderSampleHtml("unescaped_ampersand.wml", "", context);
  EXPECT_THAT(html, HasSubstr("<title>Fish &amp; chips</title>"));
  EXPECT_THAT(html, HasSubstr("Salt &amp; vinegar"));
  EXPECT_THAT(html, HasSubstr("<a href=\"/p?u=http%3A%2F%2Fwap.example.com%2Fd%2Fa.wml%3Fx%3D1"
                              "%26y%3D2\">Page two</a>"));
}

TEST(WmlParser, UpperCaseNamesComeOutLowerCase) {
  ParsedDeck deck = MustParse(ReadSample("upper_case.wml"));
  EXPECT_TRUE(deck.well_formed);  // upper-case names are well-formed XML
  EXPECT_TRUE(deck.root.IsElement("wml"));
  const MarkupNode* card = FindFirst(deck.root, "card");
  ASSERT_NE(card, nullptr) << DumpTree(deck.root);
  EXPECT_EQ(card->AttributeOr("id", ""), "Main");  // values keep their case
  EXPECT_EQ(card->AttributeOr("title", ""), "Shouting");

  WmlContext context;
  std::string html = RenderSampleHtml("upper_case.wml", "Main", context);
  EXPECT_THAT(html, HasSubstr("<title>Shouting</title>"));
  EXPECT_THAT(html, HasSubstr("Loud text "));
  EXPECT_THAT(html, HasSubstr("<a href=\"/p?u=http%3A%2F%2Fwap.example.com%2Fd%2Fquiet.wml\" "
                              "title=\"Quiet\">Quiet</a>"));
}

TEST(WmlParser, MixedCaseTagsAreReadByTheHtmlParser) {
  ParsedDeck deck = MustParse(ReadSample("mixed_case.wml"));
  EXPECT_FALSE(deck.well_formed);
  WmlContext context;
  std::string html = RenderSampleHtml("mixed_case.wml", "", context);
  EXPECT_THAT(html, HasSubstr("<title>Mixed</title>"));
  EXPECT_THAT(html, HasSubstr("Mixed text "));
  EXPECT_THAT(html,
              HasSubstr("<a href=\"/p?u=http%3A%2F%2Fwap.example.com%2Fd%2Fcalm.wml\">Calm</a>"));
}

// ---- Limits and odd shapes ---------------------------------------------------------------

std::string NestedDeck(int depth) {  // `depth` elements inside one another, wml outermost
  std::string text = "<wml><card><p>";
  for (int i = 3; i < depth; ++i) text += "<b>";
  text += "deep";
  for (int i = 3; i < depth; ++i) text += "</b>";
  return text + "</p></card></wml>";
}

TEST(WmlParser, NestingBeyondTheDepthLimitIsRefused) {
  EXPECT_TRUE(ParseWml(NestedDeck(kMaxElementDepth)).ok());
  platform::Result<ParsedDeck> deep = ParseWml(NestedDeck(kMaxElementDepth + 1));
  ASSERT_FALSE(deep.ok());
  EXPECT_THAT(deep.error(), HasSubstr(std::to_string(kMaxElementDepth)));
}

int Depth(const MarkupNode& node) {
  int deepest = 0;
  for (const MarkupNode& child : node.children) deepest = std::max(deepest, Depth(child));
  return node.IsElement() ? deepest + 1 : deepest;
}

TEST(WmlParser, UnclosedNestingIsBoundedToo) {
  std::string text = "<wml><card><p>";
  for (int i = 0; i < 4 * kMaxElementDepth; ++i) text += "<b>";
  text += "deep & unclosed</card></wml>";
  platform::Result<ParsedDeck> deck = ParseWml(text);
  if (deck.ok()) {
    EXPECT_LE(Depth(deck->root), kMaxElementDepth);
  } else {
    EXPECT_THAT(deck.error(), HasSubstr(std::to_string(kMaxElementDepth)));
  }
}

TEST(WmlParser, DeckWithoutWmlElementGetsOne) {
  ParsedDeck deck = MustParse(ReadSample("no_wml_element.wml"));
  EXPECT_TRUE(deck.root.IsElement("wml"));
  ASSERT_EQ(IndexDeck(deck.root).cards.size(), 1u);
  WmlContext context;
  std::string html = RenderSampleHtml("no_wml_element.wml", "", context);
  EXPECT_THAT(html, HasSubstr("<title>Bare card</title>"));
  EXPECT_THAT(html, HasSubstr("No deck around me "));
  EXPECT_THAT(html,
              HasSubstr("<a href=\"/p?u=http%3A%2F%2Fwap.example.com%2Fd%2Fnext.wml\">Next</a>"));
}

TEST(WmlParser, DeckWithoutCardIsAnError) {
  for (std::string text : {ReadSample("no_card.wml"), std::string(), std::string("no markup")}) {
    WmlContext context;
    WmlRenderResult result = RenderDeck(text, SampleUrl("no_card.wml"), context);
    EXPECT_EQ(result.kind, WmlRenderResult::Kind::kError) << text;
    EXPECT_FALSE(result.error.empty());
    EXPECT_TRUE(result.html.empty());
    EXPECT_TRUE(context.history.empty());
  }
}

TEST(WmlParser, TextIsJoinedIntoSingleNodes) {
  ParsedDeck deck =
      MustParse("<wml><card><p>one &amp; two <![CDATA[three]]> $(na<!-- c -->me)</p></card></wml>");
  const MarkupNode* paragraph = FindFirst(deck.root, "p");
  ASSERT_NE(paragraph, nullptr);
  ASSERT_EQ(paragraph->children.size(), 1u) << DumpTree(deck.root);
  EXPECT_EQ(paragraph->children[0].text, "one & two three $(name)");
}

}  // namespace
}  // namespace tovarin::gateway
