#include "gateway/wml_context.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "gateway/limits.h"
#include "tests/gateway/wml_test_support.h"

namespace tovarin::gateway {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using wml_testing::kZhong;

std::string Card(int n) { return "http://wap.example.com/deck" + std::to_string(n) + ".wml#c"; }

WmlContext SampleContext() {
  WmlContext context;
  EXPECT_TRUE(context.variables.Set("plain", "Paris"));
  EXPECT_TRUE(context.variables.Set("tricky", "a&b=c%d+e f;g#h?i"));
  EXPECT_TRUE(context.variables.Set("chinese", std::string(kZhong)));
  EXPECT_TRUE(context.variables.Set("lines", "one\r\ntwo"));
  context.history = {"http://wap.example.com/index.wml",
                     "http://wap.example.com/a.wml?x=1&y=2#menu",
                     "https://wap.example.com/%E4%B8%AD.wml"};
  return context;
}

// ---- Serialization -----------------------------------------------------------------------

TEST(WmlContext, RoundTrip) {
  WmlContext context = SampleContext();
  std::string text = context.Serialize();
  EXPECT_EQ(WmlContext::Parse(text), context) << text;
  EXPECT_EQ(WmlContext::Parse(WmlContext().Serialize()), WmlContext());
}

// The text rides in a cookie or a query: nothing that would end or split it there.
TEST(WmlContext, SerializedTextIsSafeInACookieOrQuery) {
  std::string text = SampleContext().Serialize();
  for (char c : text) {
    bool allowed = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                   c == '%' || c == '&' || c == '=' || c == '-' || c == '_' || c == '.' || c == '~';
    EXPECT_TRUE(allowed) << "'" << c << "' in " << text;
  }
}

TEST(WmlContext, LongHistoryLosesItsOldestEntriesFirst) {
  WmlContext context;
  ASSERT_TRUE(context.variables.Set("kept", "value"));
  for (std::size_t i = 0; i < kMaxHistoryEntries; ++i) {
    context.history.push_back("http://wap.example.com/" + std::to_string(i) + "/" +
                              std::string(kMaxHistoryUrlBytes - 40, 'p'));
  }
  std::string text = context.Serialize();
  EXPECT_LE(text.size(), kMaxContextBytes);
  WmlContext parsed = WmlContext::Parse(text);
  EXPECT_EQ(parsed.variables, context.variables);
  ASSERT_FALSE(parsed.history.empty());
  ASSERT_LT(parsed.history.size(), context.history.size());
  // What is left is the newest part of the history, in order.
  std::vector<std::string> newest(
      context.history.end() - static_cast<std::ptrdiff_t>(parsed.history.size()),
      context.history.end());
  EXPECT_EQ(parsed.history, newest);
}

TEST(WmlContext, TooManyLongValuesStayWithinTheBound) {
  WmlContext context;
  for (std::size_t i = 0; i < kMaxVariables; ++i) {
    ASSERT_TRUE(context.variables.Set("v" + std::to_string(i),
                                      std::string(kMaxVariableValueBytes - i, 'x')));
  }
  ASSERT_TRUE(context.variables.Set("v0", "short"));
  context.history = {Card(1), Card(2)};
  std::string text = context.Serialize();
  EXPECT_LE(text.size(), kMaxContextBytes);
  WmlContext parsed = WmlContext::Parse(text);
  EXPECT_THAT(parsed.history, IsEmpty());  // the history goes before any variable
  EXPECT_FALSE(parsed.variables.values().empty());
  // Whatever is kept is kept whole.
  for (const auto& [name, value] : parsed.variables.values()) {
    EXPECT_EQ(value, context.variables.Get(name)) << name;
  }
  EXPECT_EQ(parsed.variables.Get("v0"), "short");  // the longest values go first
}

TEST(WmlContext, MalformedTextGivesAValidContext) {
  const std::string inputs[] = {
      "",
      "garbage",
      "&&&===&",
      "=x&h&v&=&vok=1",
      "v1bad=3&v=4&va-b=5&vgood=%41%zz%4&h=&hx=http://x/",
      "h=http%3A%2F%2Fa%2F&h=http%3A%2F%2Fb%2F&h=" + std::string(kMaxHistoryUrlBytes + 1, 'y'),
      std::string(kMaxContextBytes * 2, '%'),
  };
  for (const std::string& text : inputs) {
    WmlContext parsed = WmlContext::Parse(text);
    EXPECT_LE(parsed.history.size(), kMaxHistoryEntries);
    for (const auto& [name, value] : parsed.variables.values()) {
      EXPECT_TRUE(IsVariableName(name)) << name;
      EXPECT_LE(value.size(), kMaxVariableValueBytes);
    }
    for (const std::string& entry : parsed.history) EXPECT_FALSE(entry.empty());
  }
  WmlContext some = WmlContext::Parse("=x&h&v&=&vok=1");
  EXPECT_EQ(some.variables.Get("ok"), "1");
  EXPECT_EQ(some.variables.size(), 1u);

  WmlContext mixed = WmlContext::Parse("v1bad=3&v=4&va-b=5&vgood=%41%zz%4&h=&hx=http://x/");
  EXPECT_EQ(mixed.variables.size(), 1u);
  EXPECT_EQ(mixed.variables.Get("good"), "A%zz%4");
  EXPECT_THAT(mixed.history, IsEmpty());

  WmlContext over = WmlContext::Parse(inputs[5]);
  EXPECT_THAT(over.history, ElementsAre("http://a/", "http://b/"));  // the over-long one goes
}

// A history longer than the limit keeps its newest entries: the last is the card on screen.
TEST(WmlContext, ParsedHistoryBeyondTheLimitKeepsTheNewest) {
  std::string text;
  for (std::size_t i = 0; i < kMaxHistoryEntries + 5; ++i) {
    if (!text.empty()) text += '&';
    text += "h=h" + std::to_string(i);
  }
  WmlContext parsed = WmlContext::Parse(text);
  ASSERT_EQ(parsed.history.size(), kMaxHistoryEntries);
  EXPECT_EQ(parsed.history.front(), "h5");
  EXPECT_EQ(parsed.history.back(), "h" + std::to_string(kMaxHistoryEntries + 4));
}

// ---- History -----------------------------------------------------------------------------

TEST(WmlContext, PushHistoryAddsForwardNavigations) {
  WmlContext context;
  context.PushHistory(Card(1));
  context.PushHistory(Card(2));
  context.PushHistory(Card(2));  // a reload of the card on screen
  context.PushHistory(Card(1));  // the same card again later is a new step
  EXPECT_THAT(context.history, ElementsAre(Card(1), Card(2), Card(1)));
}

TEST(WmlContext, PushHistoryIgnoresUnusableAddresses) {
  WmlContext context;
  context.PushHistory("");
  context.PushHistory("http://wap.example.com/" + std::string(kMaxHistoryUrlBytes, 'x'));
  EXPECT_THAT(context.history, IsEmpty());
}

TEST(WmlContext, PushHistoryDropsTheOldestBeyondTheLimit) {
  WmlContext context;
  for (std::size_t i = 0; i <= kMaxHistoryEntries; ++i) context.PushHistory(Card(int(i)));
  ASSERT_EQ(context.history.size(), kMaxHistoryEntries);
  EXPECT_EQ(context.history.front(), Card(1));
  EXPECT_EQ(context.history.back(), Card(int(kMaxHistoryEntries)));
}

TEST(WmlContext, PopForPrev) {
  WmlContext context;
  context.history = {Card(1), Card(2), Card(3)};
  EXPECT_EQ(context.PopForPrev(), Card(2));
  EXPECT_THAT(context.history, ElementsAre(Card(1), Card(2)));
  EXPECT_EQ(context.PopForPrev(), Card(1));
  EXPECT_THAT(context.history, ElementsAre(Card(1)));
  EXPECT_EQ(context.PopForPrev(), std::nullopt);  // nothing before the first card
  EXPECT_THAT(context.history, ElementsAre(Card(1)));
  WmlContext empty;
  EXPECT_EQ(empty.PopForPrev(), std::nullopt);
  EXPECT_THAT(empty.history, IsEmpty());
}

TEST(WmlContext, ResetForgetsEverything) {
  WmlContext context = SampleContext();
  context.Reset();
  EXPECT_EQ(context, WmlContext());
}

}  // namespace
}  // namespace tovarin::gateway
