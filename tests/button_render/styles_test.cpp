// Pixel checks of the style routines, with values worked out from the drawing rules.

#include <gtest/gtest.h>

#include <algorithm>

#include "button/render/button_renderer.h"
#include "button/render/redraw.h"
#include "platform/host/theme_painter.h"
#include "platform/raster/color.h"
#include "platform/raster/region.h"
#include "platform/raster/system_colors.h"
#include "test_canvas.h"

namespace tovarin::button {
namespace {

using platform::Rgb;
using testing::NewModel;
using testing::TestCanvas;

constexpr platform::ColorRef kFace = Rgb(212, 208, 200);  // system button face
constexpr platform::ColorRef kGrey = Rgb(128, 128, 128);  // application workspace, grey text

bool Has(const std::vector<std::string>& names, const std::string& name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

TEST(RoundedStyleTest, SchemeBlueNormal) {
  TestCanvas canvas(97, 24);
  ButtonModel model = NewModel(ButtonStyleValue::kRounded);
  model.BackColor = 0xE7EBEC;  // RGB(236, 235, 231)
  Redraw(model, canvas);
  // The dark blue outline with softened corner pixels S(RGB(0, 60, 116), +0.3).
  EXPECT_EQ(canvas.Pixel(50, 0), Rgb(0, 60, 116));
  EXPECT_EQ(canvas.Pixel(0, 12), Rgb(0, 60, 116));
  EXPECT_EQ(canvas.Pixel(96, 12), Rgb(0, 60, 116));
  EXPECT_EQ(canvas.Pixel(50, 23), Rgb(0, 60, 116));
  for (auto [x, y] : {std::pair{1, 1}, {1, 22}, {95, 1}, {95, 22}}) {
    EXPECT_EQ(canvas.Pixel(x, y), Rgb(77, 137, 193)) << x << "," << y;
  }
  // Bottom shading S(bc, -0.09), S(bc, -0.05); the light left line M(white, bc).
  EXPECT_EQ(canvas.Pixel(50, 22), Rgb(213, 212, 208));
  EXPECT_EQ(canvas.Pixel(50, 21), Rgb(223, 222, 218));
  EXPECT_EQ(canvas.Pixel(1, 10), Rgb(246, 245, 243));
  // The window is shaped with 3 x 3 corners.
  ASSERT_TRUE(canvas.Region().has_value());
  EXPECT_TRUE(
      testing::SameRegion(*canvas.Region(), platform::Region::FromRoundRect({0, 0, 98, 25}, 3, 3)));
}

TEST(RoundedStyleTest, HotRimIgnoresFocus) {
  TestCanvas canvas(97, 24);
  ButtonModel model = NewModel(ButtonStyleValue::kRounded);
  model.BackColor = 0xE7EBEC;
  model.mButtonState = ButtonStateValue::kStateHot;
  model.mHasFocus = true;
  model.mParentActive = true;
  Redraw(model, canvas);
  EXPECT_EQ(canvas.Pixel(50, 1), Rgb(255, 240, 207));  // rim line 2
  EXPECT_EQ(canvas.Pixel(50, 2), Rgb(253, 216, 137));  // rim line 1
  EXPECT_EQ(canvas.Pixel(1, 10), Rgb(249, 189, 73));   // rim line 3
  EXPECT_EQ(canvas.Pixel(50, 22), Rgb(229, 151, 0));   // rim line 8
  EXPECT_EQ(canvas.region_calls, 0);                   // only the normal state reshapes
}

TEST(RoundedStyleTest, FocusRimOnlyInAnActiveWindow) {
  TestCanvas canvas(97, 24);
  ButtonModel model = NewModel(ButtonStyleValue::kRounded);
  model.BackColor = 0xE7EBEC;
  model.mHasFocus = true;
  Redraw(model, canvas);
  EXPECT_NE(canvas.Pixel(50, 1), Rgb(206, 231, 255));
  model.mParentActive = true;
  Redraw(model, canvas);
  EXPECT_EQ(canvas.Pixel(50, 1), Rgb(206, 231, 255));
  EXPECT_EQ(canvas.Pixel(50, 2), Rgb(188, 212, 246));
  EXPECT_EQ(canvas.Pixel(2, 10), Rgb(184, 209, 244));
  EXPECT_EQ(canvas.Pixel(50, 22), Rgb(105, 130, 238));
  model.ColorScheme = ColorSchemeValue::kOliveGreen;
  Redraw(model, canvas);
  EXPECT_EQ(canvas.Pixel(2, 10), Rgb(160, 200, 104));
  EXPECT_EQ(canvas.Pixel(50, 23), Rgb(55, 98, 6));
}

TEST(RoundedStyleTest, DisabledMixesTheFaceWithTheLightenedBackColour) {
  TestCanvas canvas(97, 24);
  ButtonModel model = NewModel(ButtonStyleValue::kRounded);
  model.BackColor = 0xE7EBEC;
  model.Enabled = false;
  Redraw(model, canvas);
  EXPECT_EQ(canvas.Pixel(50, 12), Rgb(234, 232, 228));  // M(face, white)
  EXPECT_EQ(canvas.Pixel(50, 0), Rgb(210, 209, 205));   // S(bc, -0.1)
  EXPECT_EQ(canvas.Pixel(1, 1), Rgb(210, 209, 205));
}

TEST(RoundedStyleTest, SilverPressedLowerGradientStartsSixRowsFromTheBottom) {
  TestCanvas canvas(40, 24);
  ButtonModel model = NewModel(ButtonStyleValue::kRounded);
  model.ColorScheme = ColorSchemeValue::kSilver;
  model.BackColor = 0x646464;  // RGB(100, 100, 100)
  model.mButtonState = ButtonStateValue::kStateDown;
  Redraw(model, canvas);
  // Grad(0, 18, W, 23, S(bc, +0.08) = 120, white): rows 18.. are entries 0.. of 22 steps.
  EXPECT_EQ(canvas.Pixel(20, 18), Rgb(120, 120, 120));
  EXPECT_EQ(canvas.Pixel(20, 19), Rgb(126, 126, 126));  // 120 + 135 div 22
  EXPECT_EQ(canvas.Pixel(20, 22), Rgb(255, 255, 255));  // the white inner frame
}

TEST(ToolbarStyleTest, CustomSchemeBorderAndFills) {
  TestCanvas canvas(60, 22);
  ButtonModel model = NewModel(ButtonStyleValue::kToolbar);
  model.ColorScheme = ColorSchemeValue::kCustom;
  model.BackColor = 0xC8C8C8;  // RGB(200, 200, 200)
  Redraw(model, canvas);
  EXPECT_EQ(canvas.Pixel(0, 0), Rgb(200, 200, 200));  // normal: no border
  model.mButtonState = ButtonStateValue::kStateHot;
  Redraw(model, canvas);
  EXPECT_EQ(canvas.Pixel(0, 0), Rgb(169, 169, 169));    // S(bc, -0.12)
  EXPECT_EQ(canvas.Pixel(30, 10), Rgb(208, 208, 208));  // S(bc, +0.03)
}

TEST(ToolbarStyleTest, SetAndHoveredRepaintsTheLighterFill) {
  TestCanvas canvas(60, 22);
  ButtonModel model = NewModel(ButtonStyleValue::kToolbar);
  model.ColorScheme = ColorSchemeValue::kBlue;
  model.Mode = ModeValue::kCheckButton;
  model.Value = true;
  model.mClientRect = {0, 0, 60, 22};
  Redraw(model, canvas);
  EXPECT_EQ(canvas.Pixel(30, 10), Rgb(180, 197, 225));  // S(RGB(193, 210, 238), -0.05)
  EXPECT_EQ(canvas.Pixel(0, 10), Rgb(49, 106, 197));
  model.mMouseOver = true;
  Redraw(model, canvas);
  EXPECT_EQ(canvas.Pixel(30, 10), Rgb(190, 207, 235));  // S(f, -0.01)
}

TEST(GelStyleTest, HotOutlineAndBands) {
  TestCanvas canvas(60, 24);
  ButtonModel model = NewModel(ButtonStyleValue::kGel);
  model.BackColor = 0xC8C8C8;
  model.mButtonState = ButtonStateValue::kStateHot;
  Redraw(model, canvas);
  EXPECT_EQ(canvas.Pixel(30, 0), Rgb(129, 129, 129));  // 200 - 71.4
  EXPECT_EQ(canvas.Pixel(1, 1), Rgb(108, 108, 108));   // S(bc, -0.36)
  EXPECT_EQ(canvas.Pixel(30, 1), Rgb(242, 242, 242));  // top band entry 1: 255 + (-55) div 4
  EXPECT_EQ(canvas.Pixel(30, 5), Rgb(192, 192, 192));  // row 5 keeps the fill S(bc, -0.03)
  EXPECT_EQ(canvas.Pixel(30, 6), Rgb(187, 187, 187));  // lower part starts at S(bc, -0.05)
}

TEST(GelStyleTest, UnknownStatePaintsOnlyTheCorners) {
  TestCanvas canvas(30, 20);
  ButtonModel model = NewModel(ButtonStyleValue::kGel);
  model.BackColor = 0xC8C8C8;
  model.mButtonState = ButtonStateValue{7};
  Redraw(model, canvas);
  int painted = 0;
  for (int y = 0; y < 20; ++y) {
    for (int x = 0; x < 30; ++x) {
      if (canvas.Pixel(x, y) != kFace) ++painted;
    }
  }
  EXPECT_EQ(painted, 4);
  EXPECT_EQ(canvas.Pixel(28, 18), Rgb(108, 108, 108));
}

TEST(HighlightStyleTest, SolidLowerPartFromRow18AtHeight30) {
  TestCanvas canvas(60, 30);
  ButtonModel model = NewModel(ButtonStyleValue::kHighlight);
  model.mButtonState = ButtonStateValue::kStateHot;
  Redraw(model, canvas);
  for (int y = 18; y <= 27; ++y) EXPECT_EQ(canvas.Pixel(30, y), Rgb(208, 236, 248)) << y;
  EXPECT_EQ(canvas.Pixel(30, 17), Rgb(222, 242, 251));  // entry 16 of the upper gradient's 27 steps
  EXPECT_EQ(canvas.Pixel(30, 0), Rgb(97, 158, 202));
  EXPECT_EQ(canvas.Pixel(30, 28), Rgb(255, 255, 255));
}

TEST(HighlightStyleTest, NormalIsAPlainFill) {
  TestCanvas canvas(40, 20);
  ButtonModel model = NewModel(ButtonStyleValue::kHighlight);
  model.BackColor = 0x102030;
  Redraw(model, canvas);
  for (auto [x, y] : {std::pair{0, 0}, {1, 1}, {39, 19}, {20, 10}})
    EXPECT_EQ(canvas.Pixel(x, y), 0x102030u);
}

TEST(GlassStyleTest, PressedBandsAndLines) {
  TestCanvas canvas(40, 24);
  ButtonModel model = NewModel(ButtonStyleValue::kGlass);
  model.mButtonState = ButtonStateValue::kStateDown;
  Redraw(model, canvas);
  EXPECT_EQ(canvas.Pixel(20, 0), Rgb(29, 65, 92));
  EXPECT_EQ(canvas.Pixel(20, 1), Rgb(113, 156, 179));
  EXPECT_EQ(canvas.Pixel(20, 2), Rgb(169, 198, 214));
  EXPECT_EQ(canvas.Pixel(20, 3), Rgb(185, 217, 236));
  EXPECT_EQ(canvas.Pixel(20, 8), Rgb(194, 228, 246));
  EXPECT_EQ(canvas.Pixel(20, 12), Rgb(154, 210, 240));
  // The lower left band starts at row 12 with S(RGB(78, 171, 220), +0.02), over the pixel the
  // upward edge line painted.
  EXPECT_EQ(canvas.Pixel(1, 12), Rgb(83, 176, 225));
  EXPECT_EQ(canvas.Pixel(1, 1), Rgb(95, 150, 190));
}

TEST(GlassStyleTest, FocusFrameOnlyWhenNormal) {
  TestCanvas canvas(40, 24);
  ButtonModel model = NewModel(ButtonStyleValue::kGlass);
  model.BackColor = 0xE3E3E3;
  model.mHasFocus = true;
  model.mParentActive = true;
  Redraw(model, canvas);
  EXPECT_EQ(canvas.Pixel(0, 5), Rgb(50, 117, 167));
  EXPECT_EQ(canvas.Pixel(1, 5), Rgb(72, 216, 251));
  EXPECT_EQ(canvas.Pixel(1, 1), Rgb(95, 150, 190));
  model.mParentActive = false;
  Redraw(model, canvas);
  EXPECT_EQ(canvas.Pixel(0, 5), Rgb(112, 112, 112));
  EXPECT_EQ(canvas.Pixel(1, 5), Rgb(255, 255, 255));
  model.mParentActive = true;
  model.mButtonState = ButtonStateValue::kStateHot;
  Redraw(model, canvas);
  EXPECT_EQ(canvas.Pixel(1, 5), Rgb(255, 255, 255));
}

TEST(AmberStyleTest, BandsOf10And17RowsAtHeight27) {
  TestCanvas canvas(40, 27);
  ButtonModel model = NewModel(ButtonStyleValue::kAmber);
  model.BackColor = 0xC8C8C8;
  model.mButtonState = ButtonStateValue::kStateHot;
  Redraw(model, canvas);
  EXPECT_EQ(canvas.Pixel(20, 1),
            Rgb(255, 253, 220));  // entry 1 of 9 steps: 255 - 21 div 9, 225 - 53 div 9
  EXPECT_EQ(canvas.Pixel(20, 9), Rgb(255, 234, 172));   // the top band's last row
  EXPECT_EQ(canvas.Pixel(20, 10), Rgb(255, 215, 103));  // the bottom band's first row
  EXPECT_EQ(canvas.Pixel(20, 25),
            Rgb(255, 227, 149));  // entry 15 of 16: 215 + 195 div 16, 103 + 750 div 16
  EXPECT_EQ(canvas.Pixel(20, 26), Rgb(113, 113, 113));  // outline S(bc, -0.34)
}

TEST(OrangeStyleTest, OutlineOnlyWhenNotNormal) {
  TestCanvas canvas(40, 24);
  ButtonModel model = NewModel(ButtonStyleValue::kOrange);
  model.BackColor = 0xC8C8C8;
  Redraw(model, canvas);
  EXPECT_EQ(canvas.Pixel(20, 0), Rgb(238, 238, 238));  // M(white, S(bc, +0.08) = 220)
  model.mButtonState = ButtonStateValue::kStateHot;
  Redraw(model, canvas);
  EXPECT_EQ(canvas.Pixel(20, 0), Rgb(0, 0, 128));
  EXPECT_EQ(canvas.Pixel(20, 1), Rgb(255, 243, 202));  // 244 - 36 div 23, 204 - 59 div 23
  model.Mode = ModeValue::kCheckButton;
  model.Value = true;
  model.mMouseOver = true;
  Redraw(model, canvas);
  EXPECT_EQ(canvas.Pixel(20, 0), Rgb(0, 0, 128));
  EXPECT_EQ(canvas.Pixel(20, 1), Rgb(254, 147, 80));  // the deeper gradient, entry 1 of 23
}

TEST(GlossStyleTest, PressedLinesAndDisabledLooksNormal) {
  TestCanvas canvas(40, 24);
  ButtonModel model = NewModel(ButtonStyleValue::kGloss);
  model.BackColor = 0xC8C8C8;
  model.mButtonState = ButtonStateValue::kStateDown;
  Redraw(model, canvas);
  EXPECT_EQ(canvas.Pixel(10, 23), Rgb(98, 98, 98));    // S(bc, -0.4)
  EXPECT_EQ(canvas.Pixel(0, 10), Rgb(141, 141, 141));  // S(bc, -0.23)
  EXPECT_EQ(canvas.Pixel(1, 10), Rgb(255, 255, 255));
  EXPECT_EQ(canvas.Pixel(1, 1), Rgb(213, 213, 213));  // S(bc, +0.05)

  model.mButtonState = ButtonStateValue::kStateNormal;
  Redraw(model, canvas);
  TestCanvas disabled(40, 24);
  model.Enabled = false;
  Redraw(model, disabled);
  for (int y = 0; y < 24; ++y) {
    for (int x = 0; x < 40; ++x)
      ASSERT_EQ(canvas.Pixel(x, y), disabled.Pixel(x, y)) << x << "," << y;
  }
  EXPECT_EQ(canvas.Pixel(10, 23), Rgb(136, 136, 136));  // S(bc, -0.25)
}

TEST(SoftStyleTest, RewritesForeColorOnEveryPaint) {
  TestCanvas canvas(40, 24);
  ButtonModel model = NewModel(ButtonStyleValue::kSoft);
  model.mButtonState = ButtonStateValue::kStateDown;
  Redraw(model, canvas);
  EXPECT_EQ(model.ForeColor, 0xFFFFFFu);
  EXPECT_TRUE(Has(canvas.changed, "ForeColor"));
  EXPECT_EQ(canvas.Pixel(20, 0), Rgb(157, 157, 146));
  model.mButtonState = ButtonStateValue::kStateNormal;
  Redraw(model, canvas);
  EXPECT_EQ(model.ForeColor, platform::GetSysColor(platform::kColorBtnText));
}

TEST(SoftStyleTest, SetAndHot) {
  TestCanvas canvas(40, 24);
  ButtonModel model = NewModel(ButtonStyleValue::kSoft);
  model.Mode = ModeValue::kCheckButton;
  model.Value = true;
  model.mButtonState = ButtonStateValue::kStateHot;
  Redraw(model, canvas);
  EXPECT_EQ(model.mButtonState,
            ButtonStateValue::kStateHot);  // Soft keeps the state of a set button
  EXPECT_EQ(canvas.Pixel(20, 10), Rgb(254, 254, 254));
  EXPECT_EQ(canvas.Pixel(20, 0), Rgb(122, 152, 175));
  EXPECT_EQ(canvas.Pixel(20, 20), Rgb(250, 249, 248));
  EXPECT_EQ(canvas.Pixel(20, 22), Rgb(228, 222, 216));
}

TEST(SystemStyleTest, StandardPressedFrames) {
  TestCanvas canvas(40, 24);
  ButtonModel model = NewModel(ButtonStyleValue::kStandard);
  model.BackColor = 0x8000000F;
  model.mButtonState = ButtonStateValue::kStateDown;
  model.mHasFocus = true;
  Redraw(model, canvas);
  EXPECT_EQ(canvas.Pixel(0, 0), Rgb(0, 0, 0));
  EXPECT_EQ(canvas.Pixel(39, 10), Rgb(0, 0, 0));
  EXPECT_EQ(canvas.Pixel(1, 1), Rgb(172, 168, 153));
  EXPECT_EQ(canvas.Pixel(38, 10), Rgb(172, 168, 153));
  EXPECT_EQ(canvas.Pixel(37, 10), kFace);  // no default-button frame while pressed
}

TEST(SystemStyleTest, StandardSetFocusedDrawsTheWorkspaceFrame) {
  TestCanvas canvas(40, 24);
  ButtonModel model = NewModel(ButtonStyleValue::kStandard);
  model.BackColor = 0x8000000F;
  model.Mode = ModeValue::kCheckButton;
  model.Value = true;
  model.mHasFocus = true;
  model.ShowFocusRect = true;
  model.mParentActive = true;
  Redraw(model, canvas);
  EXPECT_EQ(model.mButtonState,
            ButtonStateValue::kStateNormal);  // Standard keeps the state of a set button
  EXPECT_EQ(canvas.Pixel(4, 10), kGrey);
  EXPECT_EQ(canvas.Pixel(36, 10), kGrey);
  EXPECT_EQ(canvas.Pixel(20, 4), kGrey);
  EXPECT_EQ(canvas.Pixel(20, 20), kGrey);
  EXPECT_EQ(canvas.Pixel(37, 10), Rgb(217, 213, 205));  // S(face, +0.02)
  EXPECT_EQ(canvas.Pixel(0, 10), Rgb(128, 128, 128));   // sunken: shadow outside at the left
}

TEST(SystemStyleTest, StandardFocusedHasTheDefaultFrameAndFocusRectangle) {
  TestCanvas canvas(40, 24);
  ButtonModel model = NewModel(ButtonStyleValue::kStandard);
  model.BackColor = 0x8000000F;
  model.mHasFocus = true;
  model.ShowFocusRect = true;
  model.mParentActive = true;
  Redraw(model, canvas);
  EXPECT_EQ(canvas.Pixel(39, 10), Rgb(0, 0, 0));
  EXPECT_EQ(canvas.Pixel(20, 23), Rgb(0, 0, 0));
  EXPECT_EQ(canvas.Pixel(0, 10), Rgb(0, 0, 0));
  EXPECT_EQ(canvas.Pixel(38, 10), kGrey);
  EXPECT_EQ(canvas.Pixel(4, 4), Rgb(43, 47, 55));  // the face inverted by the dotted rectangle
  EXPECT_EQ(canvas.Pixel(5, 4), kFace);
  // Not in run mode: no focus rectangle.
  canvas.user_mode = false;
  Redraw(model, canvas);
  EXPECT_EQ(canvas.Pixel(4, 4), kFace);
}

TEST(SystemStyleTest, FlatPressedAndHoverStates) {
  TestCanvas canvas(40, 24);
  ButtonModel model = NewModel(ButtonStyleValue::kFlat);
  model.BackColor = 0x8000000F;
  model.mButtonState = ButtonStateValue::kStateDown;
  Redraw(model, canvas);
  EXPECT_EQ(canvas.Pixel(0, 10), kGrey);
  EXPECT_EQ(canvas.Pixel(20, 0), kGrey);
  EXPECT_EQ(canvas.Pixel(39, 10), Rgb(255, 255, 255));
  EXPECT_EQ(canvas.Pixel(20, 23), Rgb(255, 255, 255));

  model.ButtonStyle = ButtonStyleValue::kHoverRaised;
  model.mButtonState = ButtonStateValue::kStateNormal;
  Redraw(model, canvas);
  EXPECT_EQ(canvas.Pixel(39, 23), kFace);
  model.mButtonState = ButtonStateValue::kStateHot;
  Redraw(model, canvas);
  EXPECT_EQ(canvas.Pixel(39, 23),
            Rgb(64, 64, 64));  // raised: dark shadow outside at the bottom right
}

TEST(SystemStyleTest, DisabledStandardHasNoFill) {
  TestCanvas canvas(40, 24);
  ButtonModel model = NewModel(ButtonStyleValue::kStandard);
  model.BackColor = 0x00FF00;
  model.Enabled = false;
  Redraw(model, canvas);
  EXPECT_EQ(canvas.Pixel(20, 10), kFace);
  EXPECT_EQ(canvas.Pixel(39, 23), Rgb(64, 64, 64));
}

TEST(ThemedStyleTest, UnthemedFallsBackToRoundedForGood) {
  TestCanvas canvas(97, 24);
  ButtonModel model = NewModel(ButtonStyleValue::kThemed);
  model.ColorScheme = ColorSchemeValue::kCustom;
  Redraw(model, canvas);
  EXPECT_EQ(model.ButtonStyle, ButtonStyleValue::kRounded);
  EXPECT_EQ(model.ColorScheme, ColorSchemeValue::kBlue);
  EXPECT_EQ(model.BackColor, 0xE7EBECu);
  EXPECT_TRUE(Has(canvas.changed, "ButtonStyle"));
  EXPECT_TRUE(Has(canvas.changed, "ColorScheme"));
  EXPECT_TRUE(Has(canvas.changed, "BackColor"));
  EXPECT_EQ(canvas.Pixel(50, 0), Rgb(0, 60, 116));
}

class FakeTheme : public platform::ThemePainter {
 public:
  std::optional<platform::Region> PushButtonRegion(const platform::Rect& rect, int state) override {
    region_rect = rect;
    region_state = state;
    return platform::Region::FromRect(
        platform::Rect{rect.left + 2, rect.top + 2, rect.right - 2, rect.bottom - 3});
  }
  bool DrawPushButton(platform::Bitmap& target, const platform::Rect& rect, int state,
                      const platform::Rect&) override {
    draw_rect = rect;
    draw_state = state;
    target.SetPixel(rect.left, rect.top, Rgb(1, 2, 3));
    return true;
  }
  platform::Rect region_rect;
  platform::Rect draw_rect;
  int region_state = -1;
  int draw_state = -1;
};

class ThemedCanvas : public TestCanvas {
 public:
  using TestCanvas::TestCanvas;
  platform::ThemePainter* Theme() override { return &theme; }
  FakeTheme theme;
};

TEST(ThemedStyleTest, StatesRegionAndContent) {
  ThemedCanvas canvas(50, 20);
  canvas.themed = true;
  ButtonModel model = NewModel(ButtonStyleValue::kThemed);
  Redraw(model, canvas);
  EXPECT_EQ(model.ButtonStyle, ButtonStyleValue::kThemed);
  EXPECT_EQ(canvas.theme.draw_state, platform::kThemeNormal);
  EXPECT_EQ(canvas.theme.region_rect, (platform::Rect{-1, -1, 51, 22}));
  EXPECT_EQ(canvas.theme.draw_rect, (platform::Rect{0, 0, 50, 20}));
  EXPECT_EQ(canvas.Pixel(0, 0), Rgb(1, 2, 3));
  ASSERT_TRUE(canvas.Region().has_value());
  EXPECT_TRUE(canvas.Region()->Contains(1, 1));
  EXPECT_FALSE(canvas.Region()->Contains(0, 0));

  model.mHasFocus = true;
  model.mParentActive = true;
  Redraw(model, canvas);
  EXPECT_EQ(canvas.theme.draw_state, platform::kThemeDefaulted);
  model.mButtonState = ButtonStateValue::kStateHot;
  Redraw(model, canvas);
  EXPECT_EQ(canvas.theme.draw_state, platform::kThemeHot);
  model.mButtonState = ButtonStateValue::kStateDown;
  Redraw(model, canvas);
  EXPECT_EQ(canvas.theme.region_state, platform::kThemePressed);
  model.Enabled = false;
  Redraw(model, canvas);
  EXPECT_EQ(canvas.theme.draw_state, platform::kThemeDisabled);
}

TEST(ThemedStyleTest, WithoutVisualStyleDataOnlyTheContentIsDrawn) {
  TestCanvas canvas(50, 20);
  canvas.themed = true;
  ButtonModel model = NewModel(ButtonStyleValue::kThemed);
  Redraw(model, canvas);
  EXPECT_EQ(canvas.region_calls, 0);
  for (int y = 0; y < 20; ++y) {
    for (int x = 0; x < 50; ++x) ASSERT_EQ(canvas.Pixel(x, y), kFace);
  }
}

TEST(RedrawTest, SetButtonsDrawDownAndUnknownStylesStayCleared) {
  TestCanvas canvas(30, 20);
  ButtonModel model = NewModel(ButtonStyleValue::kGlass);
  model.Mode = ModeValue::kOptionButton;
  model.Value = true;
  Redraw(model, canvas);
  EXPECT_EQ(model.mButtonState, ButtonStateValue::kStateDown);
  EXPECT_EQ(model.mClientRect, (platform::Rect{0, 0, 30, 20}));
  EXPECT_EQ(canvas.Pixel(10, 0), Rgb(29, 65, 92));

  model.ButtonStyle = ButtonStyleValue{14};
  model.mSurfaceBackColor = 0x00FF00;
  Redraw(model, canvas);
  for (int y = 0; y < 20; ++y) {
    for (int x = 0; x < 30; ++x) ASSERT_EQ(canvas.Pixel(x, y), Rgb(0, 255, 0));
  }
}

}  // namespace
}  // namespace tovarin::button
