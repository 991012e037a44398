#include "platform/text/font.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace tovarin::platform {
namespace {

TEST(FontAttributes, DefaultsAndConstruction) {
  Font defaults;
  EXPECT_EQ(defaults.Name(), "MS Sans Serif");
  EXPECT_EQ(defaults.SizeCurrency(), 82500);
  EXPECT_EQ(defaults.Weight(), 400);
  EXPECT_FALSE(defaults.Bold());
  EXPECT_FALSE(defaults.Italic());
  EXPECT_FALSE(defaults.Underline());
  EXPECT_FALSE(defaults.Strikethrough());
  EXPECT_EQ(defaults.Charset(), 0);

  Font simsun("宋体", 10.5, 400, false, false, false, 134);
  EXPECT_EQ(simsun.Name(), "宋体");
  EXPECT_DOUBLE_EQ(simsun.Size(), 10.5);
  EXPECT_EQ(simsun.SizeCurrency(), 105000);
  EXPECT_EQ(simsun.Charset(), 134);
}

TEST(FontAttributes, SizeIsKeptAsCurrency) {
  Font font("Tahoma");
  font.SetSize(8.123456);
  EXPECT_EQ(font.SizeCurrency(), 81235);
  EXPECT_DOUBLE_EQ(font.Size(), 8.1235);
  font.SetSize(-3);
  EXPECT_EQ(font.SizeCurrency(), 0);
  font.SetSizeCurrency(120000);
  EXPECT_DOUBLE_EQ(font.Size(), 12.0);
}

TEST(FontAttributes, BoldFollowsWeightAbove550) {
  Font font("Tahoma");
  font.SetWeight(550);
  EXPECT_FALSE(font.Bold());
  font.SetWeight(551);
  EXPECT_TRUE(font.Bold());
  font.SetBold(false);
  EXPECT_EQ(font.Weight(), 400);
  font.SetBold(true);
  EXPECT_EQ(font.Weight(), 700);
  font.SetWeight(5000);
  EXPECT_EQ(font.Weight(), 1000);
  font.SetWeight(-1);
  EXPECT_EQ(font.Weight(), 0);
}

TEST(FontAttributes, CloneCopiesAttributesNotSubscribers) {
  Font font("Tahoma", 9, 700, true, true, true, 2);
  int calls = 0;
  Font::Subscription token = font.Subscribe([&](std::string_view) { ++calls; });
  std::shared_ptr<Font> copy = font.Clone();
  EXPECT_TRUE(copy->SameAttributes(font));
  EXPECT_EQ(copy->SubscriberCount(), 0);
  copy->SetItalic(false);
  EXPECT_EQ(calls, 0);
  EXPECT_FALSE(copy->SameAttributes(font));
}

TEST(FontAttributes, SameAttributesComparesEveryAttribute) {
  Font base("Tahoma", 8.25);
  auto differs = [&](auto change) {
    std::shared_ptr<Font> other = base.Clone();
    change(*other);
    return !other->SameAttributes(base);
  };
  EXPECT_TRUE(differs([](Font& f) { f.SetName("Arial"); }));
  EXPECT_TRUE(differs([](Font& f) { f.SetSize(8.2501); }));
  EXPECT_TRUE(differs([](Font& f) { f.SetWeight(401); }));
  EXPECT_TRUE(differs([](Font& f) { f.SetItalic(true); }));
  EXPECT_TRUE(differs([](Font& f) { f.SetUnderline(true); }));
  EXPECT_TRUE(differs([](Font& f) { f.SetStrikethrough(true); }));
  EXPECT_TRUE(differs([](Font& f) { f.SetCharset(134); }));
  EXPECT_FALSE(differs([](Font& f) { f.SetSize(8.25); }));
}

TEST(FontNotification, EachSetterNotifiesOnceWithItsName) {
  Font font("Tahoma");
  std::vector<std::string> seen;
  Font::Subscription token =
      font.Subscribe([&](std::string_view name) { seen.emplace_back(name); });
  font.SetName("Arial");
  font.SetSize(12);
  font.SetBold(true);
  font.SetWeight(300);
  font.SetItalic(true);
  font.SetUnderline(true);
  font.SetStrikethrough(true);
  font.SetCharset(134);
  font.SetSizeCurrency(90000);
  EXPECT_EQ(seen, (std::vector<std::string>{"Name", "Size", "Bold", "Weight", "Italic", "Underline",
                                            "Strikethrough", "Charset", "Size"}));
}

TEST(FontNotification, SettingTheSameValueStillNotifies) {
  Font font("Tahoma");
  int calls = 0;
  Font::Subscription token = font.Subscribe([&](std::string_view) { ++calls; });
  font.SetItalic(false);
  font.SetName("Tahoma");
  EXPECT_EQ(calls, 2);
}

TEST(FontNotification, EveryHolderIsNotifiedInSubscriptionOrder) {
  auto font = Font::Create("Tahoma");
  std::vector<int> order;
  Font::Subscription first = font->Subscribe([&](std::string_view) { order.push_back(1); });
  Font::Subscription second = font->Subscribe([&](std::string_view) { order.push_back(2); });
  font->SetUnderline(true);
  EXPECT_EQ(order, (std::vector<int>{1, 2}));
}

TEST(FontNotification, DestroyingTheTokenUnsubscribes) {
  Font font("Tahoma");
  int calls = 0;
  {
    Font::Subscription token = font.Subscribe([&](std::string_view) { ++calls; });
    EXPECT_TRUE(token.IsActive());
    EXPECT_EQ(font.SubscriberCount(), 1);
    font.SetBold(true);
  }
  EXPECT_EQ(font.SubscriberCount(), 0);
  font.SetBold(false);
  EXPECT_EQ(calls, 1);
}

TEST(FontNotification, ResetAndMoveKeepExactlyOneSubscription) {
  Font font("Tahoma");
  int calls = 0;
  Font::Subscription token = font.Subscribe([&](std::string_view) { ++calls; });
  Font::Subscription moved = std::move(token);
  EXPECT_FALSE(token.IsActive());  // NOLINT(bugprone-use-after-move): the moved-from token is empty
  EXPECT_TRUE(moved.IsActive());
  font.SetItalic(true);
  EXPECT_EQ(calls, 1);
  Font::Subscription other = font.Subscribe([&](std::string_view) { calls += 10; });
  other = std::move(moved);  // drops the second subscription, keeps the first
  EXPECT_EQ(font.SubscriberCount(), 1);
  font.SetItalic(false);
  EXPECT_EQ(calls, 2);
  other.Reset();
  EXPECT_EQ(font.SubscriberCount(), 0);
}

TEST(FontNotification, TokenMayOutliveTheFont) {
  Font::Subscription token;
  {
    auto font = Font::Create("Tahoma");
    token = font->Subscribe([](std::string_view) {});
    EXPECT_TRUE(token.IsActive());
  }
  EXPECT_FALSE(token.IsActive());
  token.Reset();  // nothing to remove, must not touch freed memory
}

TEST(FontNotification, ListenerRemovedDuringNotificationIsNotCalled) {
  Font font("Tahoma");
  std::vector<int> order;
  Font::Subscription second;
  Font::Subscription first = font.Subscribe([&](std::string_view) {
    order.push_back(1);
    second.Reset();
  });
  second = font.Subscribe([&](std::string_view) { order.push_back(2); });
  font.SetStrikethrough(true);
  EXPECT_EQ(order, (std::vector<int>{1}));
}

TEST(FontNotification, ListenerMayDropItsOwnToken) {
  Font font("Tahoma");
  int calls = 0;
  auto token = std::make_unique<Font::Subscription>();
  *token = font.Subscribe([&](std::string_view) {
    ++calls;
    token.reset();  // destroys the running listener's own token
  });
  font.SetCharset(1);
  font.SetCharset(2);
  EXPECT_EQ(calls, 1);
}

TEST(FontNotification, ListenerAddedDuringNotificationStartsWithTheNext) {
  Font font("Tahoma");
  int late_calls = 0;
  Font::Subscription late;
  Font::Subscription first = font.Subscribe([&](std::string_view) {
    if (!late.IsActive()) late = font.Subscribe([&](std::string_view) { ++late_calls; });
  });
  font.SetItalic(true);
  EXPECT_EQ(late_calls, 0);
  font.SetItalic(false);
  EXPECT_EQ(late_calls, 1);
}

}  // namespace
}  // namespace tovarin::platform
