// Card entry events and timers: WML 1.3 sections 9.10 (intrinsic events: onenterforward on a
// forward navigation into the card, onenterbackward on prev; a refresh fires neither), 11.4
// (a template's event bindings apply unless the card binds the same event) and 11.7 (timer:
// value in tenths of a second, taken from its name variable when that is set; ontimer's task
// runs when it expires, and the variable then reads 0).

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "tests/gateway/fake_service_links.h"
#include "tests/gateway/wml_test_support.h"

namespace tovarin::gateway {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Pair;
using ::testing::StartsWith;
using namespace wml_testing;

constexpr std::string_view kEvents = "events.wml";
constexpr std::string_view kTemplateEvents = "template_events.wml";
constexpr std::string_view kTimers = "timers.wml";

// Renders and expects the card to send the browser on instead of showing it.
Navigation ExpectNavigation(std::string_view file, std::string_view card, EntryDirection direction,
                            WmlContext& context) {
  WmlRenderResult result = RenderSample(file, card, context, direction);
  EXPECT_EQ(result.kind, WmlRenderResult::Kind::kNavigate) << file << "#" << card;
  return result.navigation;
}

// Renders and expects the card itself; returns its text.
std::string ExpectShown(std::string_view file, std::string_view card, EntryDirection direction,
                        WmlContext& context) {
  WmlRenderResult result = RenderSample(file, card, context, direction);
  EXPECT_EQ(result.kind, WmlRenderResult::Kind::kHtml)
      << file << "#" << card << " went to " << result.navigation.url;
  return VisibleText(Body(result.html));
}

TEST(WmlEvents, OnEnterForwardAttribute) {
  WmlContext context;
  ASSERT_TRUE(context.variables.Set("from", "a b"));
  Navigation navigation = ExpectNavigation(kEvents, "attribute", EntryDirection::kForward, context);
  EXPECT_EQ(navigation.kind, Navigation::Kind::kGo);
  EXPECT_EQ(navigation.url, SampleUrl("forward.wml?from=a%20b"));
  // The card was entered (and recorded) before its event sent the browser on.
  EXPECT_THAT(context.history, ElementsAre(SampleUrl(kEvents, "attribute")));
}

TEST(WmlEvents, OnEnterForwardElementWithSetvar) {
  WmlContext context;
  Navigation navigation = ExpectNavigation(kEvents, "element", EntryDirection::kForward, context);
  EXPECT_EQ(navigation.kind, Navigation::Kind::kGo);
  EXPECT_EQ(navigation.url, SampleUrl("element.wml"));
  EXPECT_EQ(context.variables.Get("entered"), "yes");
}

TEST(WmlEvents, OnEnterForwardOnlyOnForwardEntry) {
  for (EntryDirection direction : {EntryDirection::kBackward, EntryDirection::kRefresh}) {
    WmlContext context;
    EXPECT_THAT(ExpectShown(kEvents, "attribute", direction, context),
                HasSubstr("Entered by attribute."));
    EXPECT_THAT(ExpectShown(kEvents, "element", direction, context),
                HasSubstr("Entered by element."));
    EXPECT_FALSE(context.variables.Has("entered"));
  }
}

TEST(WmlEvents, OnEnterBackwardOnlyOnBackwardEntry) {
  WmlContext context;
  Navigation navigation = ExpectNavigation(kEvents, "backward", EntryDirection::kBackward, context);
  EXPECT_EQ(navigation.kind, Navigation::Kind::kGo);
  EXPECT_EQ(navigation.url, SampleUrl("backward.wml"));
  for (EntryDirection direction : {EntryDirection::kForward, EntryDirection::kRefresh}) {
    EXPECT_THAT(ExpectShown(kEvents, "backward", direction, context),
                HasSubstr("Only a way back leaves this card."));
  }
}

TEST(WmlEvents, OnEnterBackwardPrev) {
  WmlContext context;
  Navigation navigation =
      ExpectNavigation(kEvents, "back_element", EntryDirection::kBackward, context);
  EXPECT_EQ(navigation.kind, Navigation::Kind::kPrev);
  EXPECT_THAT(ExpectShown(kEvents, "back_element", EntryDirection::kForward, context),
              HasSubstr("Backing into this card"));
}

TEST(WmlEvents, TemplateEventsApplyToCardsWithoutTheirOwn) {
  WmlContext context;
  EXPECT_EQ(ExpectNavigation(kTemplateEvents, "inherits", EntryDirection::kForward, context).url,
            SampleUrl("template-forward.wml"));
  EXPECT_EQ(ExpectNavigation(kTemplateEvents, "inherits", EntryDirection::kBackward, context).url,
            SampleUrl("template-backward.wml"));
  EXPECT_THAT(ExpectShown(kTemplateEvents, "inherits", EntryDirection::kRefresh, context),
              HasSubstr("The template's events apply here."));
}

TEST(WmlEvents, CardEventsShadowTheTemplates) {
  WmlContext context;
  EXPECT_EQ(ExpectNavigation(kTemplateEvents, "own", EntryDirection::kForward, context).url,
            SampleUrl("own-forward.wml"));
  // Only the event the card binds is its own.
  EXPECT_EQ(ExpectNavigation(kTemplateEvents, "own", EntryDirection::kBackward, context).url,
            SampleUrl("template-backward.wml"));
}

TEST(WmlEvents, NoopBindingSilencesTheTemplate) {
  for (EntryDirection direction : {EntryDirection::kForward, EntryDirection::kBackward}) {
    WmlContext context;
    EXPECT_THAT(ExpectShown(kTemplateEvents, "silenced", direction, context),
                HasSubstr("Nothing happens on entry."));
  }
}

// ---- Timers ------------------------------------------------------------------------------

// The content of the page's <meta http-equiv="refresh">, or empty when it has none.
std::string RefreshOf(const std::string& html) {
  for (const HtmlElement& meta : FindElements(html, "meta")) {
    if (meta.Attribute("http-equiv") == "refresh") return meta.Attribute("content");
  }
  return {};
}

std::string TimerRefresh(std::string_view card, WmlContext& context) {
  return RefreshOf(RenderSampleHtml(kTimers, card, context));
}

TEST(WmlEvents, TimerBecomesARefreshWhoseTaskZeroesTheVariable) {
  WmlContext context;
  std::string refresh = TimerRefresh("splash", context);
  ASSERT_THAT(refresh, StartsWith("5.0;url="));
  std::string link = refresh.substr(8);
  auto parts = FakeServiceLinks::ReadTaskLink(link);
  ASSERT_TRUE(parts.has_value()) << link;
  EXPECT_EQ(parts->deck_url, SampleUrl(kTimers, "splash"));
  platform::Result<WmlTask> task = DecodeTask(parts->encoded_task);
  ASSERT_TRUE(task.ok());
  EXPECT_EQ(task->kind, WmlTask::Kind::kGo);
  EXPECT_EQ(task->href, "#main");
  EXPECT_THAT(task->setvars, Contains(Pair("delay", "0")));

  // When it fires: the variable reads 0 and the deck's main card is next.
  platform::Result<Navigation> fired = StartTask(task.value(), parts->deck_url, context);
  ASSERT_TRUE(fired.ok());
  EXPECT_EQ(fired->url, SampleUrl(kTimers, "main"));
  EXPECT_EQ(context.variables.Get("delay"), "0");
}

TEST(WmlEvents, TimerValueComesFromItsVariableWhenSet) {
  WmlContext context;
  ASSERT_TRUE(context.variables.Set("delay", "30"));
  EXPECT_THAT(TimerRefresh("splash", context), StartsWith("3.0;url="));
}

TEST(WmlEvents, ExpiredTimerDoesNotRunAgain) {
  WmlContext context;
  ASSERT_TRUE(context.variables.Set("delay", "0"));
  EXPECT_EQ(TimerRefresh("splash", context), "");
}

TEST(WmlEvents, TimerWithoutVariableLeadsStraightToThePage) {
  WmlContext context;
  EXPECT_EQ(TimerRefresh("unnamed", context),
            "2.5;url=" + FakeServiceLinks::PageAddress(SampleUrl("later.wml")));
}

TEST(WmlEvents, TimerTakesTheTemplatesOnTimer) {
  WmlContext context;
  EXPECT_EQ(TimerRefresh("inherited", context),
            "10.0;url=" + FakeServiceLinks::PageAddress(SampleUrl("template-timer.wml")));
}

TEST(WmlEvents, NoTimerOrNoTaskNoRefresh) {
  WmlContext context;
  EXPECT_EQ(TimerRefresh("main", context), "");
  WmlRenderResult result = RenderDeck("<wml><card><timer value=\"10\"/><p>x</p></card></wml>",
                                      SampleUrl("idle.wml"), context);
  EXPECT_EQ(RefreshOf(result.html), "");
  EXPECT_THAT(result.html, HasSubstr("x"));
}

}  // namespace
}  // namespace tovarin::gateway
