// The tray icon, hiding and restoring the window, and the exit sequence.
#include "tests/shell/shell_fixture.h"

namespace tovarin::shell::testing {
namespace {

TEST_F(ShellTest, TrayIconShowsProgramIconAndTooltip) {
  StartShown();
  EXPECT_TRUE(tray_->InTray());
  EXPECT_EQ(tray_->ToolTip(), "Tovarin1.2");
  EXPECT_EQ(tray_->Settings().icon_path, "/opt/tovarin/pictures/tovarin.ico");
}

TEST_F(ShellTest, LeftButtonBringsHiddenWindowBackWhereItWas) {
  StartShown();
  window_->Move(3000, 4500);
  a2_->Click();
  ASSERT_FALSE(window_->Visible());
  tray_->Press(1);
  EXPECT_TRUE(window_->Visible());
  EXPECT_FLOAT_EQ(window_->Left(), 3000);
  EXPECT_FLOAT_EQ(window_->Top(), 4500);
}

TEST_F(ShellTest, RightButtonOpensCommandMenuAtPointerWithOpen) {
  StartShown();
  tray_->Press(2);
  ASSERT_EQ(window_->Popups().size(), 1u);
  const auto& popup = window_->Popups()[0];
  EXPECT_EQ(popup.menu_name, "choose");
  EXPECT_FALSE(popup.at.has_value());
  EXPECT_EQ(popup.shown_items,
            (std::vector<std::string>{"open", "shu", "web", "q", "page", "about", "y", "exit"}));
  // From a1 again it has none.
  a1_->Click();
  EXPECT_EQ(window_->Popups()[1].shown_items.front(), "shu");
}

TEST_F(ShellTest, OpenFromTheTrayShowsTheWindowAndLeavesAShownOneShown) {
  StartShown();
  toolkit_.QueueMenuChoice("open");
  tray_->Press(2);
  EXPECT_TRUE(window_->Visible());
  a2_->Click();
  toolkit_.QueueMenuChoice("open");
  tray_->Press(2);
  EXPECT_EQ(window_->Popups().back().chosen, "open");
  EXPECT_TRUE(window_->Visible());
}

TEST_F(ShellTest, OtherTrayButtonsDoNothing) {
  StartShown();
  a2_->Click();
  tray_->Press(4);
  tray_->Press(0);
  EXPECT_FALSE(window_->Visible());
  EXPECT_TRUE(window_->Popups().empty());
}

// The hide button where no notification area shows the icon (a desktop without a tray of any
// kind): the window is minimised instead, keeping its place and staying in the window list.
TEST_F(ShellTest, HideButtonMinimisesWhenNoNotificationAreaShowsTheIcon) {
  StartShown();
  tray_->SetNotificationArea(false);
  EXPECT_TRUE(tray_->InTray());
  EXPECT_FALSE(tray_->InNotificationArea());
  window_->Move(3000, 4500);
  a2_->Click();
  EXPECT_TRUE(window_->Visible());
  EXPECT_TRUE(window_->Minimized());
  EXPECT_FLOAT_EQ(window_->Left(), 3000);
  EXPECT_FLOAT_EQ(window_->Top(), 4500);
  // The icon is still there to press, should an area show it later: it restores the window.
  tray_->Press(1);
  EXPECT_TRUE(window_->Visible());
  EXPECT_FALSE(window_->Minimized());
  EXPECT_TRUE(window_->Popups().empty());
}

TEST_F(ShellTest, HideButtonFollowsTheNotificationAreaComingAndGoing) {
  StartShown();
  // An area from the start: hidden, not minimised.
  a2_->Click();
  EXPECT_FALSE(window_->Visible());
  EXPECT_FALSE(window_->Minimized());
  tray_->Press(1);
  ASSERT_TRUE(window_->Visible());
  // The area goes away (the desktop's tray host ended): minimised.
  tray_->SetNotificationArea(false);
  a2_->Click();
  EXPECT_TRUE(window_->Visible());
  EXPECT_TRUE(window_->Minimized());
  // The menu's "打开" shows a minimised window normally again.
  toolkit_.QueueMenuChoice("open");
  tray_->Press(2);
  EXPECT_EQ(window_->Popups().back().chosen, "open");
  EXPECT_FALSE(window_->Minimized());
  // The area is back: hidden again.
  tray_->SetNotificationArea(true);
  a2_->Click();
  EXPECT_FALSE(window_->Visible());
  EXPECT_FALSE(window_->Minimized());
}

void ExpectEverythingGone(headless::ScriptedFormToolkit& toolkit, Application& application) {
  EXPECT_EQ(toolkit.QuitCode(), 0);
  EXPECT_EQ(toolkit.VisibleWindowCount(), 0);
  EXPECT_EQ(application.form1(), nullptr);
  EXPECT_EQ(application.form3(), nullptr);
  toolkit.RunPendingTasks();
  EXPECT_TRUE(toolkit.Windows().empty());
  EXPECT_TRUE(toolkit.TrayIcons().empty());
  EXPECT_TRUE(toolkit.Timers().empty());
}

TEST_F(ShellTest, ExitButtonEndsProgramWithoutTheSplashEverShown) {
  StartShown();
  // The tray icon is gone the moment Form1 unloads.
  a3_->Click();
  EXPECT_FALSE(tray_->InTray());
  ExpectEverythingGone(toolkit_, *application_);
}

TEST_F(ShellTest, ExitItemClosesEveryWindowSplashIncluded) {
  StartShown();
  toolkit_.QueueMenuChoice("about");
  a1_->Click();
  toolkit_.QueueMenuChoice("exit");
  tray_->Press(2);
  ExpectEverythingGone(toolkit_, *application_);
}

TEST_F(ShellTest, ExitFromAHiddenWindowsTrayMenu) {
  StartShown();
  a2_->Click();
  toolkit_.QueueMenuChoice("exit");
  tray_->Press(2);
  ExpectEverythingGone(toolkit_, *application_);
}

TEST_F(ShellTest, ExitFromAMinimisedWindowLeavesNothing) {
  StartShown();
  tray_->SetNotificationArea(false);
  a2_->Click();
  ASSERT_TRUE(window_->Minimized());
  a3_->Click();
  EXPECT_FALSE(tray_->InTray());
  EXPECT_FALSE(tray_->InNotificationArea());
  ExpectEverythingGone(toolkit_, *application_);
}

TEST_F(ShellTest, ClosingTheMainWindowExitsLikeTheExitButton) {
  StartShown();
  window_->RequestClose();
  ExpectEverythingGone(toolkit_, *application_);
}

TEST_F(ShellTest, ExitTwiceIsHarmless) {
  StartShown();
  application_->Exit();
  application_->Exit();
  EXPECT_EQ(toolkit_.QuitCode(), 0);
  toolkit_.RunPendingTasks();
  EXPECT_TRUE(toolkit_.Windows().empty());
}

TEST_F(ShellTest, PageEventsAfterExitReachNobody) {
  StartShown();
  a3_->Click();
  // The view lives until the message loop destroys the form; it no longer reports to it.
  EXPECT_EQ(view_->Sink(), nullptr);
  toolkit_.RunPendingTasks();
}

}  // namespace
}  // namespace tovarin::shell::testing
