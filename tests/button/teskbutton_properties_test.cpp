// Property assignment rules, the style defaults and the new-instance values of teskbutton.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "button_test_support.h"
#include "platform/pictures/picture.h"
#include "platform/text/font.h"

namespace tovarin::button::testing {
namespace {

using Names = std::vector<std::string>;

constexpr OleColor kButtonFace = 0xC8D0D4;  // RGB(212, 208, 200)

PictureRef SmallPicture() {
  auto bitmap = platform::Bitmap::Create(4, 4, 24);
  return platform::Picture::FromBitmap(std::move(bitmap).value(), platform::PictureKind::kBitmap);
}

class ButtonProperties : public ButtonFixture {
 protected:
  // A button with the given style and scheme stored as they are (loaded, no defaults run).
  PlacedButton& ButtonWith(std::int32_t style, std::int32_t scheme, OleColor back = 0x010203) {
    platform::PropertyStore store;
    store.WriteInt32("ButtonStyle", style, std::nullopt);
    store.WriteInt32("ColorScheme", scheme, std::nullopt);
    store.WriteInt32("BackColor", static_cast<std::int32_t>(back), std::nullopt);
    return LoadedButton(store, {.name = "b" + std::to_string(buttons_.size())});
  }
};

// --- New instance ------------------------------------------------------------------------------

TEST_F(ButtonProperties, NewInstanceValues) {
  desktop_.SetAppThemed(true);
  PlacedButton& placed = NewButton({.name = "Command7"});
  const ButtonModel& m = placed.model();
  EXPECT_EQ(m.ButtonStyle, ButtonStyleValue::kThemed);
  EXPECT_EQ(m.Caption, "Command7");
  EXPECT_EQ(m.ColorScheme, ColorSchemeValue::kBlue);
  EXPECT_EQ(m.BackColor, 0u);
  EXPECT_EQ(m.ForeColor, 0u);     // the button-text colour
  EXPECT_FALSE(m.ShowFocusRect);  // set, then reset by the style defaults of style 13
  EXPECT_TRUE(m.Enabled);
  EXPECT_EQ(m.PictureOpacity, 255);
  EXPECT_EQ(m.PictureOpacityOnOver, 255);
  EXPECT_TRUE(m.UseMaskColor);
  EXPECT_EQ(m.PictureAlign, PictureAlignValue::kLeftOfCaption);
  EXPECT_EQ(m.CaptionAlign, CaptionAlignValue::kAlignCenter);
  EXPECT_EQ(m.MaskColor, 0xE0E0E0u);
  EXPECT_EQ(m.PictureEffectOnOver, PictureEffectValue{0});
  EXPECT_EQ(m.PictureEffectOnDown, PictureEffectValue{0});
  EXPECT_EQ(m.ForeColorHover, 0u);
  EXPECT_EQ(m.TooltipBackColor, 0u);
  ASSERT_TRUE(m.mFont);
  EXPECT_EQ(m.mFont->Name(), "Tahoma");
  EXPECT_DOUBLE_EQ(m.mFont->Size(), 8.25);  // the rest of the container's font
  EXPECT_EQ(m.mWidth, 80);
  EXPECT_EQ(m.mHeight, 24);
  EXPECT_EQ(m.mLightTable[255], 255);
  EXPECT_EQ(m.mLightTable[100], 114);  // 100 * 293 div 255
  EXPECT_EQ(m.mDarkTable[255], 217);
  EXPECT_EQ(m.mDarkTable[100], 85);  // 100 * 217 div 255
}

TEST_F(ButtonProperties, NewInstanceFontIsACopyOfTheContainersFont) {
  PlacedButton& placed = Place({.name = "x"});
  auto ambient = platform::Font::Create("Arial", 10);
  placed.host->SetAmbientFont(ambient);
  placed.host->InitNew();
  EXPECT_EQ(placed->Font()->Name(), "Tahoma");
  EXPECT_DOUBLE_EQ(placed->Font()->Size(), 10);
  EXPECT_EQ(ambient->Name(), "Arial");  // the container's own font is left alone
}

TEST_F(ButtonProperties, UnthemedNewButtonBecomesRoundedAtItsFirstPaint) {
  desktop_.SetAppThemed(false);
  PlacedButton& placed = NewButton();
  EXPECT_EQ(placed->ButtonStyle(), 2);
  EXPECT_EQ(placed->ColorScheme(), 0);
  EXPECT_EQ(placed->BackColor(), 0xE7EBECu);
}

// --- Style defaults ------------------------------------------------------------------------------

TEST_F(ButtonProperties, BackColorMakesTheSchemeCustomExceptInToolbarStyle) {
  PlacedButton& rounded = ButtonWith(2, 1);
  rounded->SetBackColor(0x445566);
  EXPECT_EQ(rounded->ColorScheme(), 3);
  EXPECT_EQ(rounded->BackColor(), 0x445566u);
  EXPECT_EQ(rounded.host->PropertyChanges(), Names{"BackColor"});
  EXPECT_EQ(rounded.redraws, 1);

  PlacedButton& toolbar = ButtonWith(4, 1);
  toolbar->SetBackColor(0x445566);
  EXPECT_EQ(toolbar->ColorScheme(), 1);
  EXPECT_EQ(toolbar->BackColor(), 0x445566u);
}

TEST_F(ButtonProperties, GlassStyleSetsSilverSchemeAndItsColour) {
  PlacedButton& placed = ButtonWith(0, 0);
  placed->SetButtonStyle(3);
  EXPECT_EQ(placed->ColorScheme(), 2);
  EXPECT_EQ(placed->BackColor(), 0xE3E3E3u);  // ShiftColor(0xD4D4D4, +0.06)
  EXPECT_EQ(placed.regions, 1);
  EXPECT_EQ(placed.host->PropertyChanges(), Names{"ButtonStyle"});
}

TEST_F(ButtonProperties, OrangeStyleKeepsTheSchemeAndACustomBackColor) {
  PlacedButton& silver = ButtonWith(0, 2);
  silver->SetButtonStyle(5);
  EXPECT_EQ(silver->ColorScheme(), 2);
  EXPECT_EQ(silver->BackColor(), 0xE0C4C6u);  // ShiftColor(0xBA9EA0, +0.15)

  PlacedButton& custom = ButtonWith(0, 3, 0x123456);
  custom->SetButtonStyle(5);
  EXPECT_EQ(custom->ColorScheme(), 3);
  EXPECT_EQ(custom->BackColor(), 0x123456u);
}

TEST_F(ButtonProperties, ColorSchemeRunsOnlyTheColourStep) {
  PlacedButton& placed = ButtonWith(2, 0);
  placed->SetColorScheme(1);
  EXPECT_EQ(placed->ColorScheme(), 1);  // the scheme step would have made it 0
  EXPECT_EQ(placed->BackColor(), 0xDBEEF3u);
  EXPECT_EQ(placed.regions, 0);
  EXPECT_EQ(placed.host->PropertyChanges(), Names{"ColorScheme"});
}

TEST_F(ButtonProperties, StylesWithTheSystemFaceTakeItAndResetTheScheme) {
  for (const std::int32_t style : {0, 1, 4, 6, 7}) {
    PlacedButton& placed = ButtonWith(2, 2);
    placed->SetButtonStyle(style);
    EXPECT_EQ(placed->BackColor(), kButtonFace) << "style " << style;
    EXPECT_EQ(placed->ColorScheme(), 0) << "style " << style;
  }
  for (const std::int32_t style : {11, 12}) {
    PlacedButton& placed = ButtonWith(2, 2);
    placed->SetButtonStyle(style);
    EXPECT_EQ(placed->BackColor(), kButtonFace) << "style " << style;
    EXPECT_EQ(placed->ColorScheme(), 2) << "style " << style;  // left as it was
  }
}

TEST_F(ButtonProperties, SchemeColoursOfTheColourSchemeStyles) {
  struct Case {
    std::int32_t style;
    std::int32_t scheme;
    OleColor back;
  };
  // Assign the scheme first (colour step only), then read; styles 8, 9, 10 and 2.
  for (const Case c :
       {Case{8, 0, 0xFFD1AD}, Case{8, 1, 0xBAD6D4}, Case{8, 2, 0xE3DFE0}, Case{9, 2, 0xE1D6D5},
        Case{10, 1, 0xBAD6D4}, Case{2, 2, 0xFCF1F0}, Case{3, 0, 0xFDECE0}, Case{5, 1, 0xBAD6D4}}) {
    PlacedButton& placed = ButtonWith(c.style, 0);
    placed->SetColorScheme(c.scheme);
    EXPECT_EQ(placed->BackColor(), c.back) << "style " << c.style << " scheme " << c.scheme;
  }
}

TEST_F(ButtonProperties, ThemedAndUnknownStylesLeaveBackColor) {
  desktop_.SetAppThemed(true);  // so that style 13 stays themed when drawn
  for (const std::int32_t style : {13, 14, -1}) {
    PlacedButton& placed = ButtonWith(0, 1, 0x0A0B0C);
    placed->SetButtonStyle(style);
    EXPECT_EQ(placed->BackColor(), 0x0A0B0Cu) << "style " << style;
    EXPECT_EQ(placed->ColorScheme(), 1) << "style " << style;
  }
}

TEST_F(ButtonProperties, ThemeAnswerIsKeptForTheButtonsLife) {
  desktop_.SetAppThemed(false);
  PlacedButton& placed = ButtonWith(0, 1);  // a run-time load asks the theme question
  desktop_.SetAppThemed(true);
  placed->SetButtonStyle(13);
  // Still unthemed for this button: the first redraw falls back to Rounded.
  EXPECT_EQ(placed->ButtonStyle(), 2);
  EXPECT_EQ(placed->ColorScheme(), 0);
  EXPECT_EQ(placed->BackColor(), 0xE7EBECu);
  EXPECT_FALSE(placed->ThemeQuery());
}

TEST_F(ButtonProperties, ShowFocusRectIsResetByStylesOtherThan0_1_9) {
  PlacedButton& placed = ButtonWith(0, 0);
  placed->SetShowFocusRect(true);
  EXPECT_EQ(placed.redraws, 0);  // notify only
  EXPECT_EQ(placed.host->PropertyChanges(), Names{"ShowFocusRect"});
  placed->SetButtonStyle(9);
  EXPECT_TRUE(placed->ShowFocusRect());
  placed->SetButtonStyle(7);
  EXPECT_FALSE(placed->ShowFocusRect());
  placed->SetButtonStyle(1);
  EXPECT_TRUE(placed->ShowFocusRect());
}

TEST_F(ButtonProperties, ToolbarStyleTurnsOnPicturePushOnHover) {
  PlacedButton& placed = ButtonWith(0, 0);
  EXPECT_FALSE(placed->PicturePushOnHover());
  placed->SetButtonStyle(4);
  EXPECT_TRUE(placed->PicturePushOnHover());
  placed->SetButtonStyle(0);
  EXPECT_TRUE(placed->PicturePushOnHover());  // other styles leave it
}

TEST_F(ButtonProperties, StyleStepResetsForeColorToButtonText) {
  PlacedButton& placed = ButtonWith(0, 0);
  placed->SetForeColor(0x0000FF);
  placed->SetButtonStyle(1);
  EXPECT_EQ(placed->ForeColor(), 0u);
}

// --- Pictures -----------------------------------------------------------------------------------

TEST_F(ButtonProperties, HotPictureWithoutNormalPictureBecomesTheNormalPicture) {
  PlacedButton& placed = ButtonWith(0, 0);
  const PictureRef hot = SmallPicture();
  placed->SetPictureHot(hot);
  EXPECT_EQ(placed->PictureNormal(), hot);
  EXPECT_FALSE(placed->PictureHot());
  EXPECT_EQ(placed.host->PropertyChanges(), Names{"PictureNormal"});
  EXPECT_EQ(placed.redraws, 0);

  const PictureRef down = SmallPicture();
  placed->SetPictureDown(down);
  EXPECT_EQ(placed->PictureDown(), down);
  EXPECT_EQ(placed.host->PropertyChanges(), (Names{"PictureNormal", "PictureDown"}));
  EXPECT_EQ(placed.redraws, 1);
}

TEST_F(ButtonProperties, ClearingTheNormalPictureClearsHotAndDown) {
  PlacedButton& placed = ButtonWith(0, 0);
  placed->SetPictureNormal(SmallPicture());
  placed->SetPictureHot(SmallPicture());
  placed->SetPictureDown(SmallPicture());
  placed.ClearRecords();
  placed->SetPictureNormal(nullptr);
  EXPECT_FALSE(placed->PictureNormal());
  EXPECT_FALSE(placed->PictureHot());
  EXPECT_FALSE(placed->PictureDown());
  EXPECT_EQ(placed.host->PropertyChanges(), (Names{"PictureHot", "PictureDown"}));
  EXPECT_EQ(placed.regions, 1);  // the resize handling ran
}

TEST_F(ButtonProperties, PictureAlignAndUseMaskColorRedrawOnlyWithAPicture) {
  PlacedButton& placed = ButtonWith(0, 0);
  placed->SetPictureAlign(3);
  placed->SetUseMaskColor(false);
  EXPECT_EQ(placed.redraws, 0);
  EXPECT_EQ(placed.host->PropertyChanges(), (Names{"PictureAlign", "UseMaskColor"}));
  placed->SetPictureNormal(SmallPicture());
  placed.ClearRecords();
  placed->SetPictureAlign(5);
  placed->SetUseMaskColor(true);
  EXPECT_EQ(placed.redraws, 2);
}

// --- Value, Mode, Enabled ----------------------------------------------------------------------

TEST_F(ButtonProperties, ValueOnAPushButtonIsIgnoredAndReturnsItToNormal) {
  PlacedButton& placed = ButtonWith(2, 0);
  placed.host->MouseMove(5, 5);
  ASSERT_EQ(placed.model().mButtonState, ButtonStateValue::kStateHot);
  placed.ClearRecords();
  placed->SetValue(true);
  EXPECT_FALSE(placed->Value());
  EXPECT_EQ(placed.model().mButtonState, ButtonStateValue::kStateNormal);
  EXPECT_EQ(placed.redraws, 1);
  EXPECT_TRUE(placed.host->PropertyChanges().empty());
}

TEST_F(ButtonProperties, ValueOnACheckButtonLooksPressedUntilCleared) {
  PlacedButton& placed = ButtonWith(2, 0);
  placed->SetMode(1);
  placed.ClearRecords();
  placed->SetValue(true);
  EXPECT_TRUE(placed->Value());
  EXPECT_EQ(placed.model().mButtonState,
            ButtonStateValue::kStateDown);  // the redraw of a set button
  EXPECT_EQ(placed.host->PropertyChanges(), Names{"Value"});
  placed->SetValue(false);
  EXPECT_EQ(placed.model().mButtonState, ButtonStateValue::kStateNormal);
}

TEST_F(ButtonProperties, ModeNotifiesValueThenMode) {
  PlacedButton& placed = ButtonWith(2, 0);
  placed->SetMode(2);
  EXPECT_EQ(placed.host->PropertyChanges(), (Names{"Value", "Mode"}));
  placed->SetValue(true);
  placed.ClearRecords();
  placed->SetMode(0);
  EXPECT_EQ(placed.model().mButtonState, ButtonStateValue::kStateNormal);
  EXPECT_EQ(placed.redraws, 1);
}

TEST_F(ButtonProperties, EnabledReachesTheWindow) {
  PlacedButton& placed = ButtonWith(2, 0);
  placed->SetEnabled(false);
  EXPECT_FALSE(placed.host->Enabled());
  EXPECT_EQ(placed.host->PropertyChanges(), Names{"Enabled"});
  placed->SetEnabled(true);
  EXPECT_TRUE(placed.host->Enabled());
}

// --- Pointer ------------------------------------------------------------------------------------

TEST_F(ButtonProperties, HandPointerShowsTheHandCursorOnMouseMessages) {
  PlacedButton& placed = ButtonWith(2, 0);
  placed->SetMousePointer(5);
  placed->SetHandPointer(true);
  EXPECT_EQ(placed.host->MousePointer(), 0);
  EXPECT_EQ(placed->Input().mHandCursor, platform::kCursorHand);
  placed.host->MouseMove(5, 5);
  EXPECT_EQ(placed.host->CurrentSystemCursor(), platform::kCursorHand);
}

TEST_F(ButtonProperties, MouseIconTakesOverThePointer) {
  PlacedButton& placed = ButtonWith(2, 0);
  placed->SetHandPointer(true);
  placed.ClearRecords();
  const PictureRef icon = SmallPicture();
  placed->SetMouseIcon(icon);
  EXPECT_EQ(placed.host->MouseIcon(), icon);
  EXPECT_EQ(placed.host->MousePointer(), 99);
  EXPECT_FALSE(placed->HandPointer());
  EXPECT_EQ(placed.host->PropertyChanges(), (Names{"HandPointer", "MouseIcon"}));
  EXPECT_EQ(placed.redraws, 0);

  placed.ClearRecords();
  placed->SetMouseIcon(nullptr);
  EXPECT_EQ(placed.host->MousePointer(), 0);
  EXPECT_EQ(placed.host->PropertyChanges(), Names{"MouseIcon"});
}

TEST_F(ButtonProperties, MousePointerIsTheWindowsSetting) {
  PlacedButton& placed = ButtonWith(2, 0);
  placed->SetMousePointer(11);
  EXPECT_EQ(placed->MousePointer(), 11);
  EXPECT_EQ(placed.host->MousePointer(), 11);
  EXPECT_EQ(placed.redraws, 0);
  EXPECT_EQ(placed.host->PropertyChanges(), Names{"MousePointer"});
}

// --- Caption, colours, font ---------------------------------------------------------------------

TEST_F(ButtonProperties, CaptionDerivesTheAccessKey) {
  PlacedButton& placed = ButtonWith(2, 0);
  placed->SetCaption("&Open");
  EXPECT_EQ(placed.host->AccessKeys(), "o");
  placed->SetCaption("Fish && Chips");
  EXPECT_EQ(placed.host->AccessKeys(), "");
  EXPECT_EQ(placed.host->PropertyChanges(), (Names{"Caption", "Caption"}));
}

TEST_F(ButtonProperties, ForeColorBecomesTheSurfaceForeground) {
  PlacedButton& placed = ButtonWith(2, 0);
  placed->SetForeColor(0x0000FF);
  EXPECT_EQ(placed.host->ForeColor(), 0x0000FFu);
}

TEST_F(ButtonProperties, RightToLeftAlsoLaysOutTheTooltip) {
  PlacedButton& placed = ButtonWith(2, 0);
  placed->SetRightToLeft(true);
  EXPECT_TRUE(placed.model().mTipRightToLeft);
  placed->SetRightToLeft(false);
  EXPECT_FALSE(placed.model().mTipRightToLeft);
}

TEST_F(ButtonProperties, FontIsTakenByReference) {
  PlacedButton& placed = ButtonWith(2, 0);
  auto font = platform::Font::Create("Arial", 9);
  ASSERT_TRUE(placed->SetFont(font).ok());
  EXPECT_EQ(placed->Font(), font);
  // Assignment notifies once, the change handling run afterwards once more.
  EXPECT_EQ(placed.host->PropertyChanges(), (Names{"Font", "Font"}));
  placed.ClearRecords();
  font->SetBold(true);  // through another reference
  EXPECT_EQ(placed.host->PropertyChanges(), Names{"Font"});
  EXPECT_EQ(placed.host->RefreshCount(), 1);
}

TEST_F(ButtonProperties, AnEmptyFontIsRefused) {
  PlacedButton& placed = ButtonWith(2, 0);
  const auto before = placed->Font();
  EXPECT_FALSE(placed->SetFont(nullptr).ok());
  EXPECT_EQ(placed->Font(), before);
  EXPECT_TRUE(placed.host->PropertyChanges().empty());
}

TEST_F(ButtonProperties, AnOldFontNoLongerReachesTheButton) {
  PlacedButton& placed = ButtonWith(2, 0);
  auto first = platform::Font::Create("Arial", 9);
  ASSERT_TRUE(placed->SetFont(first).ok());
  ASSERT_TRUE(placed->SetFont(platform::Font::Create("Verdana", 9)).ok());
  placed.ClearRecords();
  first->SetItalic(true);
  EXPECT_TRUE(placed.host->PropertyChanges().empty());
}

TEST_F(ButtonProperties, GeneralRuleStoresRedrawsAndNotifies) {
  PlacedButton& placed = ButtonWith(2, 0);
  placed->SetCaptionAlign(2);
  placed->SetDropDownSymbol(6);
  placed->SetDropDownSeparator(true);
  placed->SetDisabledPictureMode(1);
  placed->SetForeColorHover(0xFF);
  placed->SetMaskColor(0xFF00FF);
  placed->SetPictureShadow(true);
  placed->SetPictureEffectOnOver(2);
  placed->SetPictureEffectOnDown(1);
  placed->SetPicturePushOnHover(true);
  placed->SetPictureOpacity(9);
  placed->SetPictureOpacityOnOver(10);
  placed->SetCaptionEffects(5);
  placed->SetTooltipTitle("t");
  placed->SetToolTip("x");
  placed->SetTooltipBackColor(0xFF);
  placed->SetToolTipIcon(1);
  placed->SetToolTipType(1);
  const Names expected = {"CaptionAlign",        "DropDownSymbol",      "DropDownSeparator",
                          "DisabledPictureMode", "ForeColorHover",      "MaskColor",
                          "PictureShadow",       "PictureEffectOnOver", "PictureEffectOnDown",
                          "PicturePushOnHover",  "PictureOpacity",      "PictureOpacityOnOver",
                          "CaptionEffects",      "TooltipTitle",        "ToolTip",
                          "TooltipBackColor",    "ToolTipIcon",         "ToolTipType"};
  EXPECT_EQ(placed.host->PropertyChanges(), expected);
  EXPECT_EQ(placed.redraws, static_cast<int>(expected.size()));
  EXPECT_EQ(placed->CaptionAlign(), 2);
  EXPECT_EQ(placed->PictureOpacityOnOver(), 10);
  EXPECT_EQ(placed->ToolTipType(), 1);
}

}  // namespace
}  // namespace tovarin::button::testing
