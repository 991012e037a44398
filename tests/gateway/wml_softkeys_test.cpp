// Soft keys: WML 1.3 section 9.7 (the do element: type, label, name defaulting to type) and
// 11.4 (a template's do elements apply to every card that does not shadow them by name; a do
// whose task is noop shadows and is not shown).

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "gateway/url.h"
#include "gateway/wml_deck.h"
#include "tests/gateway/fake_service_links.h"
#include "tests/gateway/wml_test_support.h"

namespace tovarin::gateway {
namespace {

using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::Pair;
using ::testing::UnorderedElementsAre;
using namespace wml_testing;

constexpr std::string_view kSoftKeys = "softkeys.wml";

// Each soft key of the page: its label, and where it leads: the page address of a plain link,
// or "prev" / "refresh" for a task link of that kind.
std::vector<std::pair<std::string, std::string>> SoftKeys(const std::string& html) {
  std::vector<std::pair<std::string, std::string>> keys;
  std::string bar = SoftKeyBar(html);
  for (const HtmlElement& key : FindElements(bar, "a")) {
    EXPECT_EQ(key.Attribute("class"), "wml-softkey");
    std::string href = key.Attribute("href");
    std::string target;
    if (href.starts_with("/p?u=")) {
      target = PercentDecode(href.substr(5));
    } else if (std::optional<WmlTask> task = TaskOfControl(key)) {
      target = task->kind == WmlTask::Kind::kPrev      ? "prev"
               : task->kind == WmlTask::Kind::kRefresh ? "refresh"
                                                       : "task:" + task->href;
    }
    keys.emplace_back(key.Text(), target);
  }
  return keys;
}

std::string Label(std::string_view type) { return std::string(DefaultSoftKeyLabel(type)); }
std::string Target(std::string_view file) { return SampleUrl(file); }

TEST(WmlSoftKeys, EveryTypeWithItsLabelOrTheDefault) {
  WmlContext context;
  std::string html = RenderSampleHtml(kSoftKeys, "every", context);
  EXPECT_THAT(SoftKeys(html),
              UnorderedElementsAre(
                  Pair("OK", Target("ok.wml")), Pair(Label("accept"), Target("ok2.wml")),
                  Pair("Settings", Target("settings.wml")), Pair(Label("reset"), "refresh"),
                  Pair(Label("delete"), Target("delete.wml")),
                  Pair(Label("unknown"), Target("unknown.wml")),
                  Pair(Label("vnd.foo"), Target("vendor.wml")),
                  // From the template: prev, help, and options named "menu"
                  // (the card's options key is named "options").
                  Pair("Back", "prev"), Pair(Label("help"), Target("help.wml")),
                  Pair("Menu", Target("menu.wml"))));
  // Soft keys sit in the bar, not in the card's content.
  std::vector<HtmlElement> content = FindElementsOfClass(html, "div", "wml-card");
  ASSERT_EQ(content.size(), 1u);
  EXPECT_THAT(content[0].Text(), HasSubstr("Every kind of key."));
  EXPECT_THAT(content[0].Text(), Not(HasSubstr("Settings")));
}

TEST(WmlSoftKeys, DefaultLabelsNameTheirType) {
  std::set<std::string> labels;
  for (std::string_view type : {"accept", "prev", "options", "help", "reset", "delete"}) {
    std::string label = Label(type);
    EXPECT_FALSE(label.empty()) << type;
    labels.insert(label);
  }
  EXPECT_EQ(labels.size(), 6u);  // each type its own word
  EXPECT_FALSE(Label("unknown").empty());
  EXPECT_FALSE(Label("vnd.foo").empty());
  EXPECT_FALSE(Label("").empty());
}

TEST(WmlSoftKeys, CardKeysShadowTheTemplatesByName) {
  WmlContext context;
  std::string html = RenderSampleHtml(kSoftKeys, "shadow", context);
  // help: the card's own; "menu": shadowed by the card's noop accept key named "menu", which
  // is not shown either; prev: inherited.
  EXPECT_THAT(SoftKeys(html),
              UnorderedElementsAre(Pair("My help", Target("my-help.wml")), Pair("Back", "prev")));
  EXPECT_THAT(html, Not(HasSubstr(FakeServiceLinks::PageAddress(Target("help.wml")))));
  EXPECT_THAT(html, Not(HasSubstr(FakeServiceLinks::PageAddress(Target("menu.wml")))));
}

TEST(WmlSoftKeys, NoopKeyHidesTheTemplatesKeyOfTheSameType) {
  WmlContext context;
  std::string html = RenderSampleHtml(kSoftKeys, "quiet", context);
  EXPECT_THAT(SoftKeys(html), UnorderedElementsAre(Pair(Label("help"), Target("help.wml")),
                                                   Pair("Menu", Target("menu.wml"))));
}

TEST(WmlSoftKeys, CardWithoutKeysHasNoBar) {
  WmlContext context;
  WmlRenderResult result =
      RenderDeck("<wml><card><p>Nothing to press</p></card></wml>", SampleUrl("bare.wml"), context);
  EXPECT_THAT(SoftKeyBar(result.html), IsEmpty());
  EXPECT_THAT(result.html, Not(HasSubstr("wml-softkey\"")));
}

TEST(WmlSoftKeys, LabelsTakeVariables) {
  WmlContext context;
  ASSERT_TRUE(context.variables.Set("item", "tea & cake"));
  WmlRenderResult result = RenderDeck(
      "<wml><card><do type=\"accept\" label=\"Buy $(item)\"><go href=\"buy.wml\"/></do>"
      "<p>Shop</p></card></wml>",
      SampleUrl("shop.wml"), context);
  EXPECT_THAT(SoftKeys(result.html),
              UnorderedElementsAre(Pair("Buy tea & cake", Target("buy.wml"))));
}

TEST(WmlSoftKeys, SoftKeysOfTheDeckModel) {
  ParsedDeck deck = MustParse(ReadSample(std::string(kSoftKeys)));
  WmlDeck index = IndexDeck(deck.root);
  ASSERT_NE(index.deck_template, nullptr);
  const MarkupNode* card = FindCard(index, "shadow");
  ASSERT_NE(card, nullptr);
  std::vector<SoftKey> keys = SoftKeysOf(*card, index.deck_template, "UTF-8");
  ASSERT_EQ(keys.size(), 2u);
  EXPECT_EQ(keys[0].type, "help");
  EXPECT_EQ(keys[0].label, "My help");
  EXPECT_EQ(keys[0].task.href, "my-help.wml");
  EXPECT_EQ(keys[0].task.charset, "UTF-8");
  EXPECT_EQ(keys[1].type, "prev");
  EXPECT_EQ(keys[1].label, "Back");
  EXPECT_EQ(keys[1].task.kind, WmlTask::Kind::kPrev);
}

}  // namespace
}  // namespace tovarin::gateway
