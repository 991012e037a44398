#include "gateway/wml_renderer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "gateway/url.h"
#include "tests/gateway/fake_service_links.h"
#include "tests/gateway/wml_test_support.h"

namespace tovarin::gateway {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using namespace wml_testing;

// Cards: WML 1.3 sections 11.5 (card, newcontext), 12.5 (navigation and history) and 9.1
// (a fragment names the card of a deck).

constexpr std::string_view kCards = "cards.wml";

std::string CardUrl(std::string_view card_id) { return SampleUrl(kCards, card_id); }

const HtmlElement* FindByText(const std::vector<HtmlElement>& elements, std::string_view text) {
  for (const HtmlElement& element : elements) {
    if (element.Text() == text) return &element;
  }
  return nullptr;
}

TEST(WmlCards, FirstCardIsShownByDefault) {
  WmlContext context;
  std::string html = RenderSampleHtml(kCards, "", context);
  EXPECT_THAT(html, HasSubstr("<title>First card</title>"));
  EXPECT_THAT(html, HasSubstr("<h1 class=\"wml-title\">First card</h1>"));
  EXPECT_THAT(html, HasSubstr("Welcome to the first card."));
  EXPECT_THAT(html, Not(HasSubstr("This is the second card.")));
  EXPECT_THAT(html, Not(HasSubstr("A new context starts here.")));
}

TEST(WmlCards, FragmentNamesTheCard) {
  WmlContext context;
  std::string html = RenderSampleHtml(kCards, "second", context);
  EXPECT_THAT(html, HasSubstr("<title>Second card</title>"));
  EXPECT_THAT(html, HasSubstr("<h1 class=\"wml-title\">Second card</h1>"));
  EXPECT_THAT(html, HasSubstr("This is the second card."));
  EXPECT_THAT(html, Not(HasSubstr("Welcome to the first card.")));
}

TEST(WmlCards, UnknownCardIdShowsTheFirstCard) {
  WmlContext context;
  std::string html = RenderSampleHtml(kCards, "no_such_card", context);
  EXPECT_THAT(html, HasSubstr("<title>First card</title>"));
  EXPECT_THAT(html, HasSubstr("Welcome to the first card."));
}

TEST(WmlCards, TitleTakesVariables) {
  WmlContext context;
  ASSERT_TRUE(context.variables.Set("name", "Ann & Bob"));
  WmlRenderResult result = RenderDeck("<wml><card title=\"Hi $(name)\"><p>x</p></card></wml>",
                                      SampleUrl("title.wml"), context);
  EXPECT_THAT(result.html, HasSubstr("<title>Hi Ann &amp; Bob</title>"));
  EXPECT_THAT(result.html, HasSubstr("<h1 class=\"wml-title\">Hi Ann &amp; Bob</h1>"));
}

// "#second" is the deck's own address with the card named, whatever card is on screen now.
TEST(WmlCards, IntraDeckLinkLeadsToTheDeckWithTheCard) {
  for (std::string_view shown : {"", "first"}) {
    WmlContext context;
    std::string html = RenderSampleHtml(kCards, shown, context);
    EXPECT_THAT(html, HasSubstr("<a href=\"/p?u=http%3A%2F%2Fwap.example.com%2Fd%2Fcards.wml"
                                "%23second\">To the second card</a>"));
  }
}

TEST(WmlCards, LinkToAnotherDeck) {
  WmlContext context;
  std::string html = RenderSampleHtml(kCards, "", context);
  EXPECT_THAT(html, HasSubstr("<a href=\"/p?u=http%3A%2F%2Fwap.example.com%2Fd%2Fother.wml\" "
                              "title=\"Another deck\">Other deck</a>"));
}

// In text a variable is inserted as stored (and escaped as HTML); in an href it is URL-escaped.
TEST(WmlCards, VariablesInTextAndInLinks) {
  WmlContext context;
  ASSERT_TRUE(context.variables.Set("name", "<Ann & Bob>"));
  std::string html = RenderSampleHtml(kCards, "", context);
  EXPECT_THAT(html, HasSubstr("Hello &lt;Ann &amp; Bob&gt;, you have $5 and $5."));

  context.variables.Clear();
  ASSERT_TRUE(context.variables.Set("name", "a b"));
  html = RenderSampleHtml(kCards, "", context);
  // The target is ".../search.wml?q=a%20b", then percent-encoded once more by the service link.
  EXPECT_THAT(html, HasSubstr("<a href=\"/p?u=http%3A%2F%2Fwap.example.com%2Fd%2Fsearch.wml"
                              "%3Fq%3Da%2520b\">Search for me</a>"));
}

TEST(WmlCards, PrevAnchorIsATaskLink) {
  WmlContext context;
  std::string html = RenderSampleHtml(kCards, "second", context);
  std::vector<HtmlElement> links = FindElements(html, "a");
  const HtmlElement* back = FindByText(links, "Go back");
  ASSERT_NE(back, nullptr) << html;
  auto parts = FakeServiceLinks::ReadTaskLink(back->Attribute("href"));
  ASSERT_TRUE(parts.has_value()) << back->Attribute("href");
  EXPECT_EQ(parts->deck_url, CardUrl("second"));
  std::optional<WmlTask> task = TaskOfControl(*back);
  ASSERT_TRUE(task.has_value());
  EXPECT_EQ(task->kind, WmlTask::Kind::kPrev);
}

TEST(WmlCards, ForwardEntryRecordsTheCardInTheHistory) {
  WmlContext context;
  RenderSampleHtml(kCards, "", context);
  RenderSampleHtml(kCards, "second", context);
  RenderSampleHtml(kCards, "second", context);  // a reload adds nothing
  EXPECT_THAT(context.history, ElementsAre(CardUrl("first"), CardUrl("second")));
}

TEST(WmlCards, BackwardAndRefreshEntriesLeaveTheHistory) {
  WmlContext context;
  context.history = {CardUrl("second")};
  EXPECT_EQ(RenderSample(kCards, "first", context, EntryDirection::kBackward).kind,
            WmlRenderResult::Kind::kHtml);
  EXPECT_EQ(RenderSample(kCards, "first", context, EntryDirection::kRefresh).kind,
            WmlRenderResult::Kind::kHtml);
  EXPECT_THAT(context.history, ElementsAre(CardUrl("second")));
}

TEST(WmlCards, NewContextClearsVariablesAndHistoryOnForwardEntry) {
  WmlContext context;
  ASSERT_TRUE(context.variables.Set("name", "Ann"));
  context.history = {CardUrl("first"), CardUrl("second")};
  std::string html = RenderSampleHtml(kCards, "fresh", context);
  EXPECT_THAT(html, HasSubstr("A new context starts here."));
  EXPECT_EQ(context.variables.size(), 0u);
  EXPECT_THAT(context.history, ElementsAre(CardUrl("fresh")));
}

TEST(WmlCards, NewContextIsKeptOnBackwardEntry) {
  WmlContext context;
  ASSERT_TRUE(context.variables.Set("name", "Ann"));
  context.history = {CardUrl("fresh")};
  WmlContext before = context;
  EXPECT_EQ(RenderSample(kCards, "fresh", context, EntryDirection::kBackward).kind,
            WmlRenderResult::Kind::kHtml);
  EXPECT_EQ(context, before);
}

TEST(WmlCards, CardWithoutIdIsRecordedAsTheDeck) {
  WmlContext context;
  RenderDeck("<wml><card><p>x</p></card></wml>", SampleUrl("plain.wml"), context);
  EXPECT_THAT(context.history, ElementsAre(SampleUrl("plain.wml")));
}

// ---- Addresses the service cannot fetch are shown, not followed --------------------------

// What a page offers to follow: page links' targets, and the hrefs of the go tasks links and
// buttons carry.
std::vector<std::string> FollowableTargets(const std::string& html) {
  std::vector<std::string> targets;
  for (const HtmlElement& link : FindElements(html, "a")) {
    std::string href = link.Attribute("href");
    if (href.starts_with("/p?u=")) targets.push_back(PercentDecode(href.substr(5)));
    if (std::optional<WmlTask> task = TaskOfControl(link)) targets.push_back(task->href);
  }
  for (const HtmlElement& button : FindElements(html, "button")) {
    if (std::optional<WmlTask> task = TaskOfControl(button)) targets.push_back(task->href);
  }
  return targets;
}

void ExpectOnlyWebTargets(const std::string& html) {
  for (const std::string& target : FollowableTargets(html)) {
    std::string scheme = UrlScheme(target);
    EXPECT_TRUE(scheme.empty() || scheme == "http" || scheme == "https") << target;
  }
}

TEST(WmlSchemes, OtherSchemesAreShownAsText) {
  WmlContext context;
  ASSERT_TRUE(context.variables.Set("number", "10010"));
  std::string html = RenderSampleHtml("schemes.wml", "links", context);
  std::string text = VisibleText(Body(html));
  EXPECT_THAT(text, HasSubstr("Mail us (mailto:info@example.com)"));
  EXPECT_THAT(text, HasSubstr("Call us (tel:+8610123456)"));
  EXPECT_THAT(text, HasSubstr("Dial (wtai://wp/mc;10086)"));
  EXPECT_THAT(text, HasSubstr("Script (javascript:alert(1))"));
  EXPECT_THAT(text, HasSubstr("Secrets (file:///etc/passwd)"));
  EXPECT_THAT(text, HasSubstr("Anchor mail ("));
  EXPECT_THAT(text, HasSubstr("sales@example.com)"));
  EXPECT_THAT(text, HasSubstr("Dial saved number (wtai://wp/mc;10010)"));
  EXPECT_THAT(VisibleText(SoftKeyBar(html)), HasSubstr("Call (tel:10086)"));
  ExpectOnlyWebTargets(html);
  EXPECT_THAT(html, HasSubstr("<a href=\"/p?u=http%3A%2F%2Fwap.example.com%2Fok.wml\">Fine</a>"));
  EXPECT_THAT(html, Not(HasSubstr("href=\"mailto")));
  EXPECT_THAT(html, Not(HasSubstr("href=\"javascript")));
}

TEST(WmlSchemes, NoButtonLeadsToAnotherSchemeInACardWithFields) {
  WmlContext context;
  std::string html = RenderSampleHtml("schemes.wml", "form", context);
  std::string text = VisibleText(Body(html));
  EXPECT_THAT(text, HasSubstr("Mail us (mailto:info@example.com)"));
  EXPECT_THAT(text, HasSubstr("Dial (wtai://wp/mc;10086)"));
  EXPECT_THAT(VisibleText(SoftKeyBar(html)), HasSubstr("Call (wtai://wp/mc;10086)"));
  ExpectOnlyWebTargets(html);
}

TEST(WmlSchemes, PicturesOfOtherSchemesShowTheirAlternativeText) {
  WmlContext context;
  WmlRenderResult result = RenderDeck(
      "<wml><card><p><img src=\"javascript:draw()\" alt=\"Bad picture\"/>"
      "<img src=\"file:///etc/logo.png\" alt=\"Local picture\"/>"
      "<img src=\"logo.wbmp\" alt=\"Logo\"/></p></card></wml>",
      SampleUrl("pictures.wml"), context);
  EXPECT_THAT(result.html, HasSubstr("Bad picture"));
  EXPECT_THAT(result.html, HasSubstr("Local picture"));
  std::vector<HtmlElement> images = FindElements(result.html, "img");
  ASSERT_EQ(images.size(), 1u);
  EXPECT_EQ(images[0].Attribute("src"), FakeServiceLinks::ImageAddress(SampleUrl("logo.wbmp")));
  EXPECT_EQ(images[0].Attribute("alt"), "Logo");
}

// ---- Nothing we write runs as script -----------------------------------------------------

std::string Lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

void ExpectNoScript(const std::string& html) {
  std::string lower = Lower(html);
  EXPECT_THAT(lower, Not(HasSubstr("<script")));
  EXPECT_THAT(lower, Not(HasSubstr("steal(")));
  EXPECT_THAT(lower, Not(HasSubstr("javascript:")));
  for (const HtmlElement& element : FindElements(lower)) {
    for (const auto& [name, value] : element.attributes) {
      EXPECT_FALSE(name.starts_with("on")) << "<" << element.name << " " << name << "=";
    }
  }
}

TEST(WmlSafety, ScriptsAndEventAttributesNeverReachThePage) {
  WmlContext context;
  std::string html = RenderSampleHtml("hostile.wml", "", context);
  ExpectNoScript(html);
  EXPECT_THAT(html, Not(HasSubstr("alert(\"card\")")));
  EXPECT_THAT(html, HasSubstr("Text &lt;script&gt;alert(2)&lt;/script&gt; stays text."));
  EXPECT_THAT(html, HasSubstr("Unknown element"));
  EXPECT_THAT(html, HasSubstr("<b>Bold</b>"));
  EXPECT_THAT(VisibleText(Body(html)), HasSubstr("Next"));
}

TEST(WmlSafety, IllFormedDecksToo) {
  WmlContext context;
  std::string html = RenderSampleHtml("hostile_ill_formed.wml", "", context);
  ExpectNoScript(html);
  EXPECT_THAT(html, HasSubstr("Unquoted "));
  EXPECT_THAT(html, HasSubstr("<a href=\"/p?u=http%3A%2F%2Fwap.example.com%2Fd%2Fnext.wml"
                              "%3Fa%3D1%26b%3D2\">Next</a>"));
}

}  // namespace
}  // namespace tovarin::gateway
