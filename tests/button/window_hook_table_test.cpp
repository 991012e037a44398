// Window hooks: message lists, call order before / previous / after, unhooking and chains.

#include "button/window_hook_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/headless/controls/headless_desktop.h"
#include "platform/headless/controls/headless_form.h"
#include "platform/headless/controls/headless_host.h"

namespace tovarin::button {
namespace {

using platform::WindowHandle;
using Calls = std::vector<std::string>;

TEST(MessageList, StartsEmptyAndMatchesWhatWasAdded) {
  MessageList list;
  EXPECT_EQ(list.Count(), 0);
  EXPECT_FALSE(list.Matches(0x2A3));
  list.Add(0x2A3);
  list.Add(0x31A);
  EXPECT_EQ(list.Count(), 2);
  EXPECT_TRUE(list.Matches(0x2A3));
  EXPECT_TRUE(list.Matches(0x31A));
  EXPECT_FALSE(list.Matches(0x15));
}

TEST(MessageList, AddingAListedMessageDoesNothing) {
  MessageList list;
  list.Add(6);
  list.Add(6);
  EXPECT_EQ(list.Entries(), (std::vector<std::uint32_t>{6}));
}

TEST(MessageList, RemovingClearsTheEntryWhichIsReusedFirst) {
  MessageList list;
  list.Add(6);
  list.Add(7);
  list.Add(8);
  list.Remove(7);
  EXPECT_EQ(list.Entries(), (std::vector<std::uint32_t>{6, 0, 8}));
  EXPECT_FALSE(list.Matches(7));
  EXPECT_FALSE(list.Matches(0));  // a cleared entry is no message
  list.Add(9);
  EXPECT_EQ(list.Entries(), (std::vector<std::uint32_t>{6, 9, 8}));
  list.Add(10);
  EXPECT_EQ(list.Entries(), (std::vector<std::uint32_t>{6, 9, 8, 10}));
}

TEST(MessageList, AllMessagesCountsMinusOne) {
  MessageList list;
  list.Add(6);
  list.Add(MessageList::kAllMessages);
  EXPECT_EQ(list.Count(), -1);
  EXPECT_TRUE(list.Matches(0x1234));
  list.Remove(6);  // still every message
  EXPECT_TRUE(list.Matches(6));
  list.Remove(MessageList::kAllMessages);
  EXPECT_EQ(list.Count(), 0);
  EXPECT_FALSE(list.Matches(6));
}

// Records every callback; may mark messages handled.
class RecordingCallback : public WindowHookCallback {
 public:
  explicit RecordingCallback(std::string name, Calls& calls)
      : name_(std::move(name)), calls_(calls) {}
  void Subclass_WndProc(bool before, bool& handled, std::intptr_t& result, WindowHandle& /*window*/,
                        std::uint32_t& message, std::intptr_t& wParam,
                        std::intptr_t& /*lParam*/) override {
    calls_.push_back(name_ + (before ? ":before:" : ":after:") + std::to_string(message) + ":" +
                     std::to_string(result));
    if (before && handle_) {
      handled = true;
      result = 77;
    }
    if (before && change_wparam_) wParam = 5;
  }
  bool handle_ = false;
  bool change_wparam_ = false;

 private:
  std::string name_;
  Calls& calls_;
};

class WindowHooks : public ::testing::Test {
 protected:
  void SetUp() override {
    window_ = desktop_.Windows().Create("target", form_.Window(), {0, 0, 10, 10});
    // The window's own procedure: records the call and returns 42.
    original_ = [this](WindowHandle, std::uint32_t message, std::intptr_t wparam,
                       std::intptr_t) -> std::intptr_t {
      calls_.push_back("previous:" + std::to_string(message) + ":" + std::to_string(wparam));
      return 42;
    };
    (void)desktop_.Windows().ReplaceProcedure(window_, original_);
  }
  std::intptr_t Send(std::uint32_t message, std::intptr_t wparam = 0) {
    return desktop_.Windows().SendMessage(window_, message, wparam, 0);
  }

  platform::headless::HeadlessDesktop desktop_;
  platform::headless::HeadlessForm form_{desktop_};
  platform::headless::HeadlessHost& host_ = form_.AddHost({.name = "h"});
  WindowHandle window_ = 0;
  platform::WindowProcedure original_;
  Calls calls_;
};

TEST_F(WindowHooks, BeforeCallbackThenPreviousProcedureThenAfterCallback) {
  RecordingCallback callback("cb", calls_);
  WindowHookTable table(host_, callback);
  ASSERT_TRUE(table.Hook(window_));
  table.AddBeforeMessage(window_, 6);
  table.AddAfterMessage(window_, 6);
  EXPECT_EQ(Send(6, 1), 42);
  EXPECT_EQ(calls_, (Calls{"cb:before:6:0", "previous:6:1", "cb:after:6:42"}));
}

TEST_F(WindowHooks, UnlistedMessagesGoStraightToThePreviousProcedure) {
  RecordingCallback callback("cb", calls_);
  WindowHookTable table(host_, callback);
  ASSERT_TRUE(table.Hook(window_));
  table.AddAfterMessage(window_, 6);
  EXPECT_EQ(Send(7), 42);
  EXPECT_EQ(calls_, Calls{"previous:7:0"});
}

TEST_F(WindowHooks, HandledBeforeSkipsThePreviousProcedure) {
  RecordingCallback callback("cb", calls_);
  callback.handle_ = true;
  WindowHookTable table(host_, callback);
  ASSERT_TRUE(table.Hook(window_));
  table.AddBeforeMessage(window_, 6);
  table.AddAfterMessage(window_, 6);
  EXPECT_EQ(Send(6), 77);
  EXPECT_EQ(calls_, (Calls{"cb:before:6:0", "cb:after:6:77"}));
}

TEST_F(WindowHooks, ArgumentsPassByReference) {
  RecordingCallback callback("cb", calls_);
  callback.change_wparam_ = true;
  WindowHookTable table(host_, callback);
  ASSERT_TRUE(table.Hook(window_));
  table.AddBeforeMessage(window_, 6);
  Send(6, 1);
  EXPECT_EQ(calls_, (Calls{"cb:before:6:0", "previous:6:5"}));
}

TEST_F(WindowHooks, AllMessagesList) {
  RecordingCallback callback("cb", calls_);
  WindowHookTable table(host_, callback);
  ASSERT_TRUE(table.Hook(window_));
  table.AddAfterMessage(window_, MessageList::kAllMessages);
  Send(0x1234);
  EXPECT_EQ(calls_, (Calls{"previous:4660:0", "cb:after:4660:42"}));
  EXPECT_EQ(table.AfterList(window_)->Count(), -1);
}

TEST_F(WindowHooks, UnhookPutsThePreviousProcedureBack) {
  RecordingCallback callback("cb", calls_);
  WindowHookTable table(host_, callback);
  ASSERT_TRUE(table.Hook(window_));
  table.AddAfterMessage(window_, 6);
  table.Unhook(window_);
  EXPECT_FALSE(table.IsHooked(window_));
  EXPECT_EQ(table.AfterList(window_), nullptr);
  Send(6);
  EXPECT_EQ(calls_, Calls{"previous:6:0"});
  // The installed procedure is the original one again: replacing it hands it back.
  std::optional<platform::WindowProcedure> current =
      desktop_.Windows().ReplaceProcedure(window_, original_);
  ASSERT_TRUE(current.has_value());
  EXPECT_EQ(current->target_type(), original_.target_type());
}

TEST_F(WindowHooks, FreedRecordsAreReused) {
  RecordingCallback callback("cb", calls_);
  WindowHookTable table(host_, callback);
  const WindowHandle other = desktop_.Windows().Create("other", form_.Window(), {0, 0, 5, 5});
  ASSERT_TRUE(table.Hook(window_));
  ASSERT_TRUE(table.Hook(other));
  EXPECT_EQ(table.RecordCount(), 2u);
  table.Unhook(window_);
  ASSERT_TRUE(table.Hook(window_));
  EXPECT_EQ(table.RecordCount(), 2u);
  ASSERT_TRUE(table.Hook(window_));  // already hooked: stays as it is
  EXPECT_EQ(table.RecordCount(), 2u);
}

TEST_F(WindowHooks, UnknownWindowsCannotBeHooked) {
  RecordingCallback callback("cb", calls_);
  WindowHookTable table(host_, callback);
  EXPECT_FALSE(table.Hook(0));
  EXPECT_FALSE(table.Hook(0xDEAD));
  EXPECT_EQ(table.RecordCount(), 0u);
  table.AddAfterMessage(0xDEAD, 6);  // ignored
}

TEST_F(WindowHooks, DestroyingTheTableUnhooksEverything) {
  RecordingCallback callback("cb", calls_);
  {
    WindowHookTable table(host_, callback);
    ASSERT_TRUE(table.Hook(window_));
    table.AddAfterMessage(window_, 6);
  }
  Send(6);
  EXPECT_EQ(calls_, Calls{"previous:6:0"});
}

TEST_F(WindowHooks, TwoHooksOnOneWindowBothHearAndUnhookInAnyOrder) {
  RecordingCallback first_callback("first", calls_);
  RecordingCallback second_callback("second", calls_);
  auto first = std::make_unique<WindowHookTable>(host_, first_callback);
  auto second = std::make_unique<WindowHookTable>(host_, second_callback);
  ASSERT_TRUE(first->Hook(window_));
  ASSERT_TRUE(second->Hook(window_));
  first->AddAfterMessage(window_, 6);
  second->AddAfterMessage(window_, 6);
  Send(6);
  EXPECT_EQ(calls_, (Calls{"previous:6:0", "first:after:6:42", "second:after:6:42"}));

  // The first hook goes while the second still sits on top of it.
  calls_.clear();
  first.reset();
  Send(6);
  EXPECT_EQ(calls_, (Calls{"previous:6:0", "second:after:6:42"}));

  calls_.clear();
  second.reset();
  Send(6);
  EXPECT_EQ(calls_, Calls{"previous:6:0"});
  // The removed hooks left nothing behind: the window has its own procedure again.
  std::optional<platform::WindowProcedure> current =
      desktop_.Windows().ReplaceProcedure(window_, original_);
  ASSERT_TRUE(current.has_value());
  EXPECT_EQ(current->target_type(), original_.target_type());
}

TEST_F(WindowHooks, HooksRemovedInTheOrderTheyCameRestoreTheWindowToo) {
  RecordingCallback first_callback("first", calls_);
  RecordingCallback second_callback("second", calls_);
  auto first = std::make_unique<WindowHookTable>(host_, first_callback);
  auto second = std::make_unique<WindowHookTable>(host_, second_callback);
  ASSERT_TRUE(first->Hook(window_));
  ASSERT_TRUE(second->Hook(window_));
  second.reset();
  first.reset();
  std::optional<platform::WindowProcedure> current =
      desktop_.Windows().ReplaceProcedure(window_, original_);
  ASSERT_TRUE(current.has_value());
  EXPECT_EQ(current->target_type(), original_.target_type());
}

}  // namespace
}  // namespace tovarin::button
