#include "button/render/color_math.h"

#include <gtest/gtest.h>

#include "button/render/style_defaults.h"
#include "platform/raster/color.h"
#include "platform/raster/system_colors.h"
#include "test_canvas.h"

namespace tovarin::button {
namespace {

constexpr RgbColor Rgb(int r, int g, int b) { return MakeRgb(r, g, b); }

TEST(ShiftColorTest, AddsTheFractionOfFullScaleToEveryChannel) {
  EXPECT_EQ(ShiftColor(Rgb(0, 0, 0), 0.1f), Rgb(26, 26, 26));  // 25.5000004 rounds up
  EXPECT_EQ(ShiftColor(Rgb(255, 255, 255), -0.1f), Rgb(229, 229, 229));
  EXPECT_EQ(ShiftColor(Rgb(128, 128, 128), 0.05f), Rgb(141, 141, 141));
  EXPECT_EQ(ShiftColor(Rgb(10, 200, 250), 0.05f), Rgb(23, 213, 255));
}

TEST(ShiftColorTest, LimitsOnlyInTheDirectionOfTheShift) {
  EXPECT_EQ(ShiftColor(Rgb(255, 255, 255), 0.1f), Rgb(255, 255, 255));
  EXPECT_EQ(ShiftColor(Rgb(0, 10, 30), -0.1f), Rgb(0, 0, 4));
  EXPECT_EQ(ShiftColor(Rgb(200, 200, 200), -0.28f), Rgb(129, 129, 129));  // 200 - 71.4
  EXPECT_EQ(ShiftColor(Rgb(0, 60, 116), 0.3f), Rgb(77, 137, 193));        // 76.500003 rounds up
}

TEST(ShiftColorTest, FailedTranslationReadsAsRedOnly) {
  EXPECT_EQ(ShiftColor(kNoColor, 0.0f), Rgb(255, 0, 0));
  EXPECT_EQ(ShiftColor(kNoColor, 0.1f), Rgb(255, 26, 26));
  EXPECT_EQ(MixColors(kNoColor, Rgb(0, 0, 0)), Rgb(128, 0, 0));
}

TEST(MixColorsTest, MeanRoundsHalvesToEven) {
  EXPECT_EQ(MixColors(Rgb(255, 255, 255), Rgb(0, 0, 0)), Rgb(128, 128, 128));
  EXPECT_EQ(MixColors(Rgb(1, 3, 5), Rgb(0, 0, 0)), Rgb(0, 2, 2));
  EXPECT_EQ(MixColors(Rgb(10, 20, 30), Rgb(20, 40, 61)), Rgb(15, 30, 46));  // 45.5 goes to 46
}

TEST(TranslateColorTest, SystemCodesBecomeTheirColoursAndBadCodesFail) {
  EXPECT_EQ(TranslateColor(0x123456), 0x123456);
  EXPECT_EQ(TranslateColor(0x8000000F),
            static_cast<RgbColor>(platform::GetSysColor(platform::kColorBtnFace)));
  EXPECT_EQ(TranslateColor(0x80000012),
            static_cast<RgbColor>(platform::GetSysColor(platform::kColorBtnText)));
  EXPECT_EQ(TranslateColor(0x80000063), kNoColor);
  EXPECT_EQ(ToColorRef(kNoColor), 0xFFFFFFu);
}

TEST(EffectTablesTest, LightenAndDarkenChannels) {
  EXPECT_EQ(LightenChannel(100), 114);
  EXPECT_EQ(LightenChannel(200), 229);
  EXPECT_EQ(LightenChannel(221), 253);
  EXPECT_EQ(LightenChannel(222), 255);
  EXPECT_EQ(LightenChannel(255), 255);
  EXPECT_EQ(DarkenChannel(255), 217);
  EXPECT_EQ(DarkenChannel(100), 85);
  EXPECT_EQ(DarkenChannel(0), 0);
  std::array<std::uint8_t, 256> light{};
  std::array<std::uint8_t, 256> dark{};
  FillEffectTables(light, dark);
  EXPECT_EQ(light[221], 253);
  EXPECT_EQ(dark[100], 85);
}

TEST(StyleDefaultsTest, SchemeStepThenColourStep) {
  ButtonModel model = testing::NewModel(ButtonStyleValue::kGlass);
  model.ColorScheme = ColorSchemeValue::kBlue;
  ApplySchemeStep(model);
  ApplyColorStep(model);
  EXPECT_EQ(model.ColorScheme, ColorSchemeValue::kSilver);
  EXPECT_EQ(model.BackColor, 0xE3E3E3u);  // 0xD4D4D4 shifted by 0.06

  model.ButtonStyle = ButtonStyleValue::kOrange;
  ApplySchemeStep(model);  // Orange keeps the scheme
  ApplyColorStep(model);
  EXPECT_EQ(model.ColorScheme, ColorSchemeValue::kSilver);
  EXPECT_EQ(model.BackColor, 0xE0C4C6u);  // 0xBA9EA0 shifted by 0.15

  model.ColorScheme = ColorSchemeValue::kCustom;
  model.BackColor = 0x010203;
  ApplyColorStep(model);
  EXPECT_EQ(model.BackColor, 0x010203u);
}

TEST(StyleDefaultsTest, ColourStepAloneFollowsTheScheme) {
  ButtonModel model = testing::NewModel(ButtonStyleValue::kRounded);
  model.ColorScheme = ColorSchemeValue::kOliveGreen;
  model.ShowFocusRect = true;
  ApplyColorStep(model);
  EXPECT_EQ(model.BackColor, 0xDBEEF3u);
  EXPECT_EQ(model.ColorScheme, ColorSchemeValue::kOliveGreen);
  EXPECT_FALSE(model.ShowFocusRect);
  EXPECT_EQ(model.ForeColor, platform::GetSysColor(platform::kColorBtnText));
}

TEST(StyleDefaultsTest, SystemFaceStylesFocusRectAndToolbarPush) {
  ButtonModel model = testing::NewModel(ButtonStyleValue::kToolbar);
  model.ColorScheme = ColorSchemeValue::kSilver;
  ApplySchemeStep(model);
  ApplyColorStep(model);
  EXPECT_EQ(model.ColorScheme, ColorSchemeValue::kBlue);
  EXPECT_EQ(model.BackColor, platform::GetSysColor(platform::kColorBtnFace));
  EXPECT_TRUE(model.PicturePushOnHover);
  EXPECT_FALSE(model.ShowFocusRect);

  model.ButtonStyle = ButtonStyleValue::kGloss;
  ApplySchemeStep(model);
  ApplyColorStep(model);
  EXPECT_EQ(model.ColorScheme, ColorSchemeValue::kSilver);
  EXPECT_EQ(model.BackColor, 0xE1D6D5u);
  EXPECT_TRUE(model.ShowFocusRect);

  model.ButtonStyle = ButtonStyleValue::kThemed;
  model.BackColor = 0;
  ApplySchemeStep(model);
  ApplyColorStep(model);
  EXPECT_EQ(model.BackColor, 0u);
  EXPECT_EQ(model.ColorScheme, ColorSchemeValue::kSilver);
  EXPECT_FALSE(model.ShowFocusRect);
}

}  // namespace
}  // namespace tovarin::button
