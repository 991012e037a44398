// Start-up: the load steps, the single-instance rule and the error report.
#include "tests/shell/shell_fixture.h"

namespace tovarin::shell::testing {
namespace {

TEST_F(ShellTest, StartHidesAnimationBoxAndMarkAppliesSkinAndNavigates) {
  StartShown();
  EXPECT_FALSE(g1_->Visible());
  EXPECT_FALSE(text1_->Visible());
  EXPECT_FALSE(label1_->Visible());
  ASSERT_EQ(toolkit_.ScriptedSkinLibrary().Calls().size(), 1u);
  EXPECT_EQ(toolkit_.ScriptedSkinLibrary().Calls()[0].skin_path, "/opt/tovarin/skins/blue.xpt");
  EXPECT_EQ(toolkit_.ScriptedSkinLibrary().Calls()[0].password, "");
  EXPECT_EQ(view_->Navigations(), std::vector<std::string>{Service("wap.start.test")});
  EXPECT_TRUE(window_->Visible());
  EXPECT_TRUE(toolkit_.MessageBoxes().empty());
}

TEST_F(ShellTest, WindowIsShownCentredWithTimerRunning) {
  StartShown();
  // 1280 x 1024 pixel screen, 244 x 398 pixel window: corner at (518, 313) pixels.
  EXPECT_FLOAT_EQ(window_->Left(), 518 * 15);
  EXPECT_FLOAT_EQ(window_->Top(), 313 * 15);
  ASSERT_NE(Timer1(), nullptr);
  EXPECT_TRUE(Timer1()->Enabled());
  EXPECT_EQ(Timer1()->IntervalMs(), 1u);
}

TEST_F(ShellTest, SecondInstanceDoesStepsOneToFiveAndShowsNothing) {
  EXPECT_EQ(Start(/*another_instance=*/true), StartOutcome::kSecondInstance);
  // Steps 4 and 5 happened before the check.
  EXPECT_EQ(toolkit_.ScriptedSkinLibrary().Calls().size(), 1u);
  ASSERT_NE(view_, nullptr);
  EXPECT_EQ(view_->Navigations().size(), 1u);
  EXPECT_EQ(toolkit_.VisibleWindowCount(), 0);
  EXPECT_TRUE(toolkit_.MessageBoxes().empty());
  EXPECT_EQ(toolkit_.QuitCode(), 0);
  // The unloaded form goes away from the message loop, tray icon included.
  toolkit_.RunPendingTasks();
  EXPECT_TRUE(toolkit_.Windows().empty());
  EXPECT_TRUE(toolkit_.TrayIcons().empty());
  EXPECT_EQ(application_->form1(), nullptr);
}

TEST_F(ShellTest, SecondInstanceRunReturnsWithoutLoop) {
  MakeApplication(true);
  EXPECT_EQ(application_->Run(), 0);
  EXPECT_EQ(toolkit_.VisibleWindowCount(), 0);
}

void ExpectErrorReport(const headless::ScriptedFormToolkit& toolkit) {
  ASSERT_EQ(toolkit.MessageBoxes().size(), 1u);
  const auto& box = toolkit.MessageBoxes()[0];
  EXPECT_EQ(box.title, "错误提示");
  EXPECT_EQ(box.icon, 16);
  EXPECT_EQ(
      box.text,
      "打开失败！可能出现以下问题：\r\n* Skin.dll文件丢失！\r\n* TovarinTray.ocx文件丢失！\r\n"
      "  解决方法：请重装本软件。\r\n* 您未安装Internet Explorer！\r\n"
      "  解决方法：请安装最新版本的Internet Explorer。");
  EXPECT_EQ(toolkit.VisibleWindowCount(), 0);
}

TEST_F(ShellTest, FailingSkinAbandonsTheRestAndReports) {
  toolkit_.ScriptedSkinLibrary().SetFailure("skin file missing");
  EXPECT_EQ(Start(), StartOutcome::kFailed);
  ExpectErrorReport(toolkit_);
  // Step 5 never ran.
  EXPECT_TRUE(view_->Navigations().empty());
  EXPECT_EQ(application_->StartError(), "skin file missing");
}

TEST_F(ShellTest, MissingBrowserComponentReports) {
  toolkit_.FailBrowserViews(true);
  MakeApplication();
  EXPECT_EQ(application_->Run(), 1);
  ExpectErrorReport(toolkit_);
}

TEST_F(ShellTest, MissingTrayReports) {
  toolkit_.FailTrayIcons(true);
  EXPECT_EQ(Start(), StartOutcome::kFailed);
  ExpectErrorReport(toolkit_);
}

TEST_F(ShellTest, FailingFirstNavigationReports) {
  // An empty start address still makes a URL (the prefix), so make the prefix itself empty.
  ShellSettings settings = TestSettings();
  settings.ServicePrefix.clear();
  settings.StartAddress.clear();
  application_ = std::make_unique<Application>(toolkit_, settings, [] { return false; });
  EXPECT_EQ(application_->Start(), StartOutcome::kFailed);
  ExpectErrorReport(toolkit_);
}

TEST_F(ShellTest, FailedStartRunsNoLoopAndNoTimerTicksAfterwards) {
  toolkit_.ScriptedSkinLibrary().SetFailure("bad skin");
  MakeApplication();
  EXPECT_EQ(application_->Run(), 1);
  EXPECT_FALSE(toolkit_.QuitCode().has_value());
}

}  // namespace
}  // namespace tovarin::shell::testing
