#pragma once
// What the WML tests share: the sample decks of tests/data/wml, parsing and rendering them with
// FakeServiceLinks, and reading back the HTML the renderer wrote (elements, attribute values with
// their entities decoded, visible text, the tasks links and buttons carry).
//
// Sample decks are rendered as if fetched from kSampleBase ("http://wap.example.com/d/"), so
// "cards.wml#second" is shown for the address "http://wap.example.com/d/cards.wml#second".

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "gateway/markup_tree.h"
#include "gateway/wml_context.h"
#include "gateway/wml_parser.h"
#include "gateway/wml_renderer.h"
#include "gateway/wml_task.h"

namespace tovarin::gateway::wml_testing {

inline constexpr std::string_view kSampleBase = "http://wap.example.com/d/";

// UTF-8 of characters the tests meet often, spelled out byte by byte.
inline constexpr std::string_view kNbsp = "\xC2\xA0";       // U+00A0
inline constexpr std::string_view kCopyright = "\xC2\xA9";  // U+00A9
inline constexpr std::string_view kZhong = "\xE4\xB8\xAD";  // U+4E2D 中
inline constexpr std::string_view kWen = "\xE6\x96\x87";    // U+6587 文

// The text of tests/data/wml/`file_name`; fails the test when it cannot be read.
std::string ReadSample(std::string_view file_name);
// The address a sample is rendered from: kSampleBase + file_name, plus "#" + card_id when given.
std::string SampleUrl(std::string_view file_name, std::string_view card_id = {});

// Parses `text`, failing the test (and returning an empty deck) when the parser refuses it.
ParsedDeck MustParse(std::string_view text);

// Renders `deck_text` as fetched from `url`, with FakeServiceLinks.
WmlRenderResult RenderDeck(std::string_view deck_text, std::string_view url, WmlContext& context,
                           EntryDirection direction = EntryDirection::kForward,
                           std::string_view charset = "UTF-8");
// Renders card `card_id` (empty: none named) of a sample deck.
WmlRenderResult RenderSample(std::string_view file_name, std::string_view card_id,
                             WmlContext& context,
                             EntryDirection direction = EntryDirection::kForward,
                             std::string_view charset = "UTF-8");
// The same, for a test that needs the HTML only and fails when the card navigates instead.
std::string RenderSampleHtml(std::string_view file_name, std::string_view card_id,
                             WmlContext& context);

// Tree helpers: the first element named `name` in document order, and all of them.
const MarkupNode* FindFirst(const MarkupNode& root, std::string_view name);
std::vector<const MarkupNode*> FindAll(const MarkupNode& root, std::string_view name);
// The text of a node and everything under it, joined.
std::string TextContent(const MarkupNode& node);

// One element of the HTML we wrote, read back.
struct HtmlElement {
  std::string name;
  std::vector<std::pair<std::string, std::string>> attributes;  // values decoded
  bool self_contained = false;  // no end tag was looked for (void elements)
  std::string inner_html;       // up to the first matching end tag

  bool Has(std::string_view attribute) const;
  std::string Attribute(std::string_view attribute) const;  // empty when absent
  std::string Text() const;  // inner_html without tags, entities decoded
};

// Every element named `name` (every element when `name` is empty) in `html`, in order.
std::vector<HtmlElement> FindElements(std::string_view html, std::string_view name = {});
// Only the elements whose class attribute is `css_class`.
std::vector<HtmlElement> FindElementsOfClass(std::string_view html, std::string_view name,
                                             std::string_view css_class);
// &amp; &lt; &gt; &quot; decoded.
std::string DecodeHtml(std::string_view text);
// What a reader sees of the body: tags removed, entities decoded.
std::string VisibleText(std::string_view html);
// The body, from <body> to </body> (the head holds the style sheet, whose text means nothing).
std::string Body(std::string_view html);
// The inner HTML of the soft-key bar, or empty when the page has none.
std::string SoftKeyBar(std::string_view html);

// The task a link (its TaskLink address) or a submit button (its value) carries; nullopt for a
// plain page link or anything else.
std::optional<WmlTask> TaskOfControl(const HtmlElement& element);

// name=value pairs of a query or form body, decoded ('+' as space).
std::vector<std::pair<std::string, std::string>> DecodeQuery(std::string_view query);
// The query of `url` (between '?' and '#'), or empty.
std::string QueryOf(std::string_view url);

}  // namespace tovarin::gateway::wml_testing
