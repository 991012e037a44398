// Lifecycle of a teskbutton: the hooks it installs at a run-time load, resizing, painting,
// termination and destruction.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "button_test_support.h"

namespace tovarin::button::testing {
namespace {

class ButtonLifecycle : public ButtonFixture {};

TEST_F(ButtonLifecycle, RunTimeLoadHooksTheButtonAndItsForm) {
  PlacedButton& placed = LoadedButton(StoreWith());
  const platform::WindowHandle own = placed.host->ControlWindow();
  ASSERT_TRUE(placed->Hooks().IsHooked(own));
  ASSERT_TRUE(placed->Hooks().IsHooked(form_.Window()));
  EXPECT_EQ(placed->Hooks().AfterList(own)->Entries(),
            (std::vector<std::uint32_t>{platform::kWmMouseLeave, platform::kWmThemeChanged}));
  EXPECT_EQ(placed->Hooks().AfterList(form_.Window())->Entries(),
            std::vector<std::uint32_t>{platform::kWmActivate});
  EXPECT_EQ(placed->Hooks().BeforeList(own)->Count(), 0);
  EXPECT_TRUE(placed.model().mTrackMouse);
}

TEST_F(ButtonLifecycle, ThemedDesktopAlsoHooksSystemColourChanges) {
  desktop_.SetAppThemed(true);
  PlacedButton& placed = LoadedButton(StoreWith());
  EXPECT_EQ(placed->Hooks().AfterList(placed.host->ControlWindow())->Entries(),
            (std::vector<std::uint32_t>{platform::kWmMouseLeave, platform::kWmThemeChanged,
                                        platform::kWmSysColorChange}));
  EXPECT_TRUE(placed.model().mThemed);
  EXPECT_TRUE(placed.model().mThemeLibPresent);
}

TEST_F(ButtonLifecycle, UnthemedButtonNeverHearsSystemColourChanges) {
  PlacedButton& placed = LoadedButton(StoreWith());
  desktop_.Windows().SendMessage(placed.host->ControlWindow(), platform::kWmSysColorChange, 0, 0);
  EXPECT_EQ(placed.redraws, 0);
  desktop_.Windows().SendMessage(placed.host->ControlWindow(), platform::kWmThemeChanged, 0, 0);
  EXPECT_EQ(placed.redraws, 1);
}

TEST_F(ButtonLifecycle, DesignTimeButtonsAreNotHooked) {
  PlacedButton& placed = LoadedButton(StoreWith(), {.user_mode = false});
  EXPECT_FALSE(placed->Hooks().IsHooked(placed.host->ControlWindow()));
  EXPECT_FALSE(placed->Hooks().IsHooked(form_.Window()));
  form_.Activate();
  EXPECT_FALSE(placed.model().mParentActive);
}

TEST_F(ButtonLifecycle, NewButtonsAreNotHooked) {
  PlacedButton& placed = NewButton();
  EXPECT_EQ(placed->Hooks().RecordCount(), 0u);
}

TEST_F(ButtonLifecycle, HookedMessagesStillReachTheWindowsOwnProcedure) {
  PlacedButton& placed = LoadedButton(StoreWith());
  desktop_.Windows().ClearMessageLog();
  form_.Activate();
  const auto& log = desktop_.Windows().MessageLog();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].message, platform::kWmNcActivate);
  EXPECT_EQ(log[1].message, platform::kWmActivate);
  EXPECT_TRUE(placed.model().mParentActive);
}

TEST_F(ButtonLifecycle, DestroyingAButtonPutsBackBothWindowProcedures) {
  PlacedButton& placed = LoadedButton(StoreWith());
  const platform::WindowHandle own = placed.host->ControlWindow();
  buttons_.back()->button.reset();  // the host stays; its control is gone
  placed.host->Detach();
  desktop_.Windows().ClearMessageLog();
  form_.Activate();
  desktop_.Windows().SendMessage(own, platform::kWmMouseLeave, 0, 0);
  const auto& log = desktop_.Windows().MessageLog();
  ASSERT_EQ(log.size(), 3u);  // every message went to the default procedures only
  EXPECT_EQ(log[2].window, own);
}

TEST_F(ButtonLifecycle, TerminationUnhooksAtRunTime) {
  PlacedButton& placed = LoadedButton(StoreWith());
  placed.host->Terminate();
  EXPECT_FALSE(placed->Hooks().IsHooked(placed.host->ControlWindow()));
  EXPECT_FALSE(placed->Hooks().IsHooked(form_.Window()));
  EXPECT_FALSE(placed.model().mFont);
  form_.Activate();
  EXPECT_FALSE(placed.model().mParentActive);
}

TEST_F(ButtonLifecycle, OneOfTwoButtonsGoingLeavesTheOtherHooked) {
  PlacedButton& first = LoadedButton(StoreWith(), {.name = "first"});
  PlacedButton& second = LoadedButton(StoreWith(), {.name = "second", .rect = {0, 30, 80, 54}});
  first.button.reset();
  first.host->Detach();
  form_.Activate();
  EXPECT_TRUE(second.model().mParentActive);
  second.button.reset();
  second.host->Detach();
  desktop_.Windows().ClearMessageLog();
  form_.Deactivate();
  EXPECT_EQ(desktop_.Windows().MessageLog().size(), 2u);
}

TEST_F(ButtonLifecycle, SmallButtonsGrowTo220Twips) {
  PlacedButton& placed = LoadedButton(StoreWith(), {.rect = {0, 0, 80, 24}});
  placed.host->SetRectPixels({0, 0, 10, 30});          // 150 x 450 twips
  EXPECT_EQ(placed.host->ExtentTwips().Width(), 225);  // 220 twips, whole pixels on this host
  EXPECT_EQ(placed.host->ExtentTwips().Height(), 450);
  EXPECT_EQ(placed.host->ClientSize(), (platform::Size{15, 30}));
  EXPECT_EQ(placed.model().mWidth, 15);

  placed.host->SetRectPixels({0, 0, 5, 5});
  EXPECT_EQ(placed.host->ClientSize(), (platform::Size{15, 15}));
  EXPECT_EQ(placed.host->Surface().Width(), 15);
}

TEST_F(ButtonLifecycle, ResizeRebuildsTheRegionAndRedraws) {
  PlacedButton& placed = LoadedButton(StoreWith(), {.rect = {0, 0, 80, 24}});
  placed.host->SetRectPixels({0, 0, 60, 30});
  EXPECT_EQ(placed.regions, 1);
  EXPECT_GE(placed.redraws, 1);
  EXPECT_EQ(placed.model().mWidth, 60);
  EXPECT_EQ(placed.model().mHeight, 30);
  // Rounded style: the window is shaped (3 x 3 corners cut).
  ASSERT_TRUE(placed.host->WindowRegion().has_value());
  EXPECT_FALSE(placed.host->WindowRegion()->Contains(0, 0));
  EXPECT_TRUE(placed.host->WindowRegion()->Contains(30, 15));
}

TEST_F(ButtonLifecycle, PaintRedrawsWithoutAskingToShowAgain) {
  PlacedButton& placed = LoadedButton(StoreWith());
  placed.host->Refresh();
  EXPECT_EQ(placed.redraws, 1);
  EXPECT_EQ(placed.host->InvalidateCount(), 0);
  placed->SetCaption("x");
  EXPECT_EQ(placed.host->InvalidateCount(), 1);
}

}  // namespace
}  // namespace tovarin::button::testing
