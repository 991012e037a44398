// Stop box, buttons, dragging by the surface and the load indicator of the main window.
#include "tests/shell/shell_fixture.h"

namespace tovarin::shell::testing {
namespace {

using platform::TwipsRect;

TEST_F(ShellTest, StopWhileLoadingStopsAndUnticks) {
  StartShown();
  ASSERT_TRUE(view_->Busy());
  check1_->Click();
  EXPECT_EQ(view_->StopCount(), 1);
  EXPECT_EQ(check1_->Value(), 0);
  // The user's click and the value set back: two click events, one stop.
  EXPECT_EQ(check1_->ClickEvents(), 2);
}

TEST_F(ShellTest, StopWhileIdleStillStopsAndLeavesBoxUnticked) {
  StartShown();
  view_->SetBusy(false);
  check1_->Click();
  EXPECT_EQ(view_->StopCount(), 1);
  EXPECT_EQ(check1_->Value(), 0);
  check1_->Click();
  EXPECT_EQ(view_->StopCount(), 2);
  EXPECT_EQ(check1_->Value(), 0);
}

TEST_F(ShellTest, MenuButtonOpensCommandMenuUnderItsLowerLeftCornerWithoutOpen) {
  StartShown();
  a1_->Click();
  ASSERT_EQ(window_->Popups().size(), 1u);
  const auto& popup = window_->Popups()[0];
  EXPECT_EQ(popup.menu_name, "choose");
  EXPECT_EQ(popup.flags, 0u);
  ASSERT_TRUE(popup.at.has_value());
  EXPECT_FLOAT_EQ(popup.at->x, 270);      // a1's left edge
  EXPECT_FLOAT_EQ(popup.at->y, 0 + 360);  // a1's top edge plus its height
  EXPECT_EQ(popup.shown_items,
            (std::vector<std::string>{"shu", "web", "q", "page", "about", "y", "exit"}));
}

TEST_F(ShellTest, MenuButtonPositionIsReadAtClickTime) {
  StartShown();
  a1_->SetExtent(TwipsRect{300, 45, 1455, 360});
  a1_->Click();
  EXPECT_FLOAT_EQ(window_->Popups()[0].at->x, 300);
  EXPECT_FLOAT_EQ(window_->Popups()[0].at->y, 405);
}

TEST_F(ShellTest, HideButtonHidesWindowAndKeepsTrayAndPage) {
  StartShown();
  a2_->Click();
  EXPECT_FALSE(window_->Visible());
  EXPECT_TRUE(tray_->InTray());
  EXPECT_NE(application_->form1(), nullptr);
  EXPECT_EQ(view_->StopCount(), 0);
}

TEST_F(ShellTest, LeftDragMovesWindowKeepingGrabbedPointUnderPointer) {
  StartShown();
  window_->Move(1500, 3000);
  window_->PressMouse(1, 0, 150, 45);
  window_->MoveMouse(1, 0, 300, 15);
  EXPECT_FLOAT_EQ(window_->Left(), 1500 - 150 + 300);
  EXPECT_FLOAT_EQ(window_->Top(), 3000 - 45 + 15);
  EXPECT_FLOAT_EQ(application_->form1()->DownXTwips(), 150);
  EXPECT_FLOAT_EQ(application_->form1()->DownYTwips(), 45);
}

TEST_F(ShellTest, OtherButtonsStoreThePositionButDoNotMove) {
  StartShown();
  window_->Move(1500, 3000);
  const int moves = window_->MoveCount();
  window_->PressMouse(2, 0, 90, 60);
  EXPECT_FLOAT_EQ(application_->form1()->DownXTwips(), 90);
  EXPECT_FLOAT_EQ(application_->form1()->DownYTwips(), 60);
  window_->MoveMouse(2, 0, 500, 500);      // right button
  window_->MoveMouse(1 | 2, 0, 500, 500);  // left and right together
  window_->MoveMouse(4, 0, 500, 500);      // middle
  window_->MoveMouse(0, 0, 500, 500);      // none
  EXPECT_EQ(window_->MoveCount(), moves);
  EXPECT_FLOAT_EQ(window_->Left(), 1500);
  EXPECT_FLOAT_EQ(window_->Top(), 3000);
  // With shift held the left button alone still drags.
  window_->MoveMouse(1, 1, 100, 70);
  EXPECT_FLOAT_EQ(window_->Left(), 1500 - 90 + 100);
  EXPECT_FLOAT_EQ(window_->Top(), 3000 - 60 + 70);
}

TEST_F(ShellTest, BusyTicksShrinkViewAndShowAnimationFirstIdleTickRestores) {
  StartShown();
  ASSERT_TRUE(view_->Busy());
  toolkit_.ElapseTimers();
  EXPECT_EQ(view_->Extent(), (TwipsRect{60, 890, 1, 1}));
  EXPECT_TRUE(g1_->Visible());
  EXPECT_TRUE(Timer1()->Enabled());
  toolkit_.ElapseTimers();
  EXPECT_EQ(view_->Extent(), (TwipsRect{60, 890, 1, 1}));

  view_->SetBusy(false);
  toolkit_.ElapseTimers();
  EXPECT_EQ(view_->Extent(), (TwipsRect{60, 890, 3548, 4568}));
  EXPECT_TRUE(g1_->Visible());  // covered by the view, not hidden
  EXPECT_FALSE(Timer1()->Enabled());
  // The view lies in front of the animation.
  const auto& order = window_->StackingOrder();
  const auto view_at =
      std::find(order.begin(), order.end(), static_cast<platform::FormChild*>(view_));
  const auto g1_at = std::find(order.begin(), order.end(), static_cast<platform::FormChild*>(g1_));
  EXPECT_LT(g1_at, view_at);
}

TEST_F(ShellTest, IdleAtFirstTickOnlyResizesToTheIdleSize) {
  StartShown();
  view_->SetBusy(false);
  toolkit_.ElapseTimers();
  EXPECT_EQ(view_->ExtentHistory(), (std::vector<TwipsRect>{{60, 890, 3548, 4568}}));
  EXPECT_FALSE(g1_->Visible());
  EXPECT_FALSE(Timer1()->Enabled());
}

TEST_F(ShellTest, NavigationRestartsTheIndicator) {
  StartShown();
  view_->SetBusy(false);
  toolkit_.ElapseTimers();
  ASSERT_FALSE(Timer1()->Enabled());
  auto document = std::make_shared<headless::ScriptedDocument>();
  headless::ScriptedFrame frame(document);
  view_->RaiseBeforeNavigate(frame, "http://x/");
  EXPECT_TRUE(Timer1()->Enabled());
}

}  // namespace
}  // namespace tovarin::shell::testing
