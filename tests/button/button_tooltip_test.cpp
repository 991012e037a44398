// The button's own tooltip: made afresh on every entry into the hot state from the current
// tooltip properties.

#include "button/button_tooltip.h"

#include <gtest/gtest.h>

#include <string>

#include "button_test_support.h"

namespace tovarin::button::testing {
namespace {

TEST(ButtonToolTipSpec, FromTheProperties) {
  ButtonModel model;
  model.ToolTip = "Opens a page\nin the viewer";
  model.TooltipTitle = "Open";
  model.ToolTipIcon = ToolTipIconValue::kWarningIcon;
  model.ToolTipType = ToolTipTypeValue::kBalloon;
  model.mTipRightToLeft = true;
  model.TooltipBackColor = 0x00FFFF;  // RGB(255, 255, 0)
  const platform::ToolTipSpec spec = ButtonToolTip::BuildSpec(model);
  EXPECT_EQ(spec.text, "Opens a page\nin the viewer");
  EXPECT_EQ(spec.title, "Open");
  EXPECT_EQ(spec.icon, 2);
  EXPECT_TRUE(spec.balloon);
  EXPECT_TRUE(spec.right_to_left);
  ASSERT_TRUE(spec.back_color.has_value());
  EXPECT_EQ(*spec.back_color, platform::Rgb(255, 255, 0));
  EXPECT_EQ(spec.max_width, 240);
  EXPECT_TRUE(spec.drop_shadow);
}

TEST(ButtonToolTipSpec, BlackBackgroundKeepsTheDesktopColour) {
  ButtonModel model;
  model.TooltipBackColor = 0;
  EXPECT_FALSE(ButtonToolTip::BuildSpec(model).back_color.has_value());
  model.TooltipBackColor = 0x80000018;  // system colour 24, the tooltip background
  EXPECT_EQ(ButtonToolTip::BuildSpec(model).back_color, platform::Rgb(255, 255, 225));
  model.TooltipBackColor = 0x80000063;  // no such system colour
  EXPECT_FALSE(ButtonToolTip::BuildSpec(model).back_color.has_value());
}

TEST(ButtonToolTipSpec, IconWithoutTitleShowsNoTitleLine) {
  ButtonModel model;
  model.ToolTipIcon = ToolTipIconValue::kErrorIcon;
  const platform::ToolTipSpec spec = ButtonToolTip::BuildSpec(model);
  EXPECT_TRUE(spec.title.empty());
  EXPECT_EQ(spec.icon, 0);
}

TEST(ButtonToolTipSpec, RectangularUnlessTypeIsOne) {
  ButtonModel model;
  for (const std::int32_t type : {0, 2, -1}) {
    model.ToolTipType = static_cast<ToolTipTypeValue>(type);
    EXPECT_FALSE(ButtonToolTip::BuildSpec(model).balloon) << type;
  }
  model.TooltipTitle = "t";
  model.ToolTipIcon = ToolTipIconValue{4};  // not an icon of the tooltip
  EXPECT_EQ(ButtonToolTip::BuildSpec(model).icon, 0);
}

class ButtonToolTipTest : public ButtonFixture {};

TEST_F(ButtonToolTipTest, EveryEntryMakesAFreshTooltip) {
  PlacedButton& placed = LoadedButton(StoreWith());
  placed->SetToolTip("first");
  placed.host->MouseMove(10, 10);
  ASSERT_EQ(placed.host->ToolTips().size(), 1u);
  EXPECT_EQ(placed.host->ToolTips()[0].spec.text, "first");
  EXPECT_EQ(placed->mTipHwnd(), placed.host->ToolTips()[0].window);

  // Changes while the pointer is over the button wait for the next entry.
  placed->SetToolTip("second");
  placed.host->MouseMove(12, 10);
  EXPECT_EQ(placed.host->ToolTips().size(), 1u);

  form_.MovePointerAway();
  placed.host->MouseMove(10, 10);
  ASSERT_EQ(placed.host->ToolTips().size(), 2u);
  EXPECT_TRUE(placed.host->ToolTips()[0].destroyed);
  EXPECT_FALSE(placed.host->ToolTips()[1].destroyed);
  EXPECT_EQ(placed.host->ToolTips()[1].spec.text, "second");
  EXPECT_EQ(placed->mTipHwnd(), placed.host->ToolTips()[1].window);
}

TEST_F(ButtonToolTipTest, NoTooltipWhileDisabled) {
  PlacedButton& disabled = LoadedButton(StoreWith(), {.name = "off"});
  disabled->SetEnabled(false);
  // A disabled window gets no input from the desktop; the notification is delivered directly.
  const platform::Point origin = disabled.host->ScreenOrigin();
  desktop_.Windows().MovePointer({origin.x + 10, origin.y + 10});
  disabled->OnMouseMove(0, 0, 10, 10);
  EXPECT_EQ(disabled.model().mButtonState, ButtonStateValue::kStateHot);
  EXPECT_TRUE(disabled.host->ToolTips().empty());
}

TEST_F(ButtonToolTipTest, NoTooltipWhileTheMenuIsShownOrTheButtonIsDown) {
  PlacedButton& placed = LoadedButton(StoreWith());
  ButtonToolTip tip(*placed.host);
  ButtonModel model;
  tip.Create(model, /*menu_shown=*/true);
  model.mButtonState = ButtonStateValue::kStateDown;
  tip.Create(model, /*menu_shown=*/false);
  EXPECT_TRUE(placed.host->ToolTips().empty());
  EXPECT_EQ(tip.mTipHwnd(), 0u);
  model.mButtonState = ButtonStateValue::kStateHot;
  tip.Create(model, false);
  EXPECT_EQ(placed.host->ToolTips().size(), 1u);
  EXPECT_NE(tip.mTipHwnd(), 0u);
}

TEST_F(ButtonToolTipTest, BalloonAndRightToLeftFollowTheProperties) {
  PlacedButton& placed = LoadedButton(StoreWith());
  placed->SetToolTipType(1);
  placed->SetRightToLeft(true);
  placed->SetTooltipTitle("Title");
  placed->SetToolTipIcon(1);
  placed.host->MouseMove(10, 10);
  ASSERT_EQ(placed.host->ToolTips().size(), 1u);
  const platform::ToolTipSpec& spec = placed.host->ToolTips()[0].spec;
  EXPECT_TRUE(spec.balloon);
  EXPECT_TRUE(spec.right_to_left);
  EXPECT_EQ(spec.title, "Title");
  EXPECT_EQ(spec.icon, 1);
}

TEST_F(ButtonToolTipTest, ShowAndHideHandTheContainersTooltipTextOver) {
  PlacedButton& placed = LoadedButton(StoreWith(), {.tooltip_text = "container tip"});
  placed->SetToolTip("own tip");
  placed.host->Hide();
  EXPECT_EQ(placed.host->ToolTipText(), "own tip");
  placed.host->Show();
  EXPECT_EQ(placed.host->ToolTipText(), "");
}

TEST_F(ButtonToolTipTest, TerminationEndsTheTooltip) {
  PlacedButton& placed = LoadedButton(StoreWith());
  placed.host->MouseMove(10, 10);
  ASSERT_EQ(placed.host->ToolTips().size(), 1u);
  placed->OnTerminate();
  EXPECT_TRUE(placed.host->ToolTips()[0].destroyed);
  EXPECT_EQ(placed->mTipHwnd(), 0u);
}

}  // namespace
}  // namespace tovarin::button::testing
