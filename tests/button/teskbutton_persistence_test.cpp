// Saving and loading a teskbutton's settings.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "button_test_support.h"
#include "platform/pictures/picture.h"
#include "platform/store/property_store.h"
#include "platform/text/font.h"

namespace tovarin::button::testing {
namespace {

using platform::FontRecord;
using platform::PropertyStore;
using platform::PropertyValue;

// Classic desktop scheme: button face RGB(212, 208, 200), button text black, tooltip
// background RGB(255, 255, 225); OLE layout 0xBBGGRR.
constexpr std::int32_t kButtonFace = 0xC8D0D4;
constexpr std::int32_t kButtonText = 0x000000;
constexpr std::int32_t kInfoBackground = 0xE1FFFF;

PictureRef SmallPicture(int width = 4, int height = 3) {
  auto bitmap = platform::Bitmap::Create(width, height, 24);
  return platform::Picture::FromBitmap(std::move(bitmap).value(), platform::PictureKind::kBitmap);
}

std::int32_t Int32Of(const PropertyStore& store, std::string_view key) {
  const PropertyValue* value = store.Find(key);
  if (value == nullptr) {
    ADD_FAILURE() << "key " << key << " missing";
    return -12345;
  }
  if (const auto* i = std::get_if<std::int32_t>(value)) return *i;
  ADD_FAILURE() << "key " << key << " is not a Long";
  return -12345;
}

class ButtonPersistence : public ButtonFixture {};

TEST_F(ButtonPersistence, NewButtonWritesItsZeroEffectsAndTooltipColourExplicitly) {
  desktop_.SetAppThemed(true);  // keeps style 13 as the new instance sets it
  PlacedButton& placed = NewButton({.name = "a1"});
  const PropertyStore store = placed.host->WriteProperties();

  // Only what differs from the saving defaults is written, in the saving order. The two picture
  // effects and the tooltip colour start at 0 in a new button but default to 1, 2 and the
  // tooltip colour in the store; CaptionEffects is always written. ForeColorHover also starts
  // at 0, which here equals its default, the (black) button-text colour, so it is left out.
  const std::vector<std::string> expected = {
      "ButtonStyle",         "Font",           "BackColor",       "Caption", "PictureEffectOnOver",
      "PictureEffectOnDown", "CaptionEffects", "TooltipBackColor"};
  EXPECT_EQ(store.Keys(), expected);
  EXPECT_EQ(Int32Of(store, "ButtonStyle"), 13);
  EXPECT_EQ(Int32Of(store, "BackColor"), 0);
  EXPECT_EQ(Int32Of(store, "PictureEffectOnOver"), 0);
  EXPECT_EQ(Int32Of(store, "PictureEffectOnDown"), 0);
  EXPECT_EQ(Int32Of(store, "CaptionEffects"), 0);
  EXPECT_EQ(Int32Of(store, "TooltipBackColor"), 0);
  EXPECT_EQ(store.ReadString("Caption", "").value(), "a1");
  EXPECT_EQ(store.ReadFont("Font", {}).value().name, "Tahoma");
  EXPECT_EQ(store.ReadInt32("ForeColorHover", -1).value(), -1);
}

TEST_F(ButtonPersistence, EmptyStoreLoadsTheLoadingDefaults) {
  PlacedButton& placed = LoadedButton(PropertyStore{});
  const ButtonModel& m = placed.model();
  EXPECT_EQ(m.ButtonStyle, ButtonStyleValue::kFlat);
  EXPECT_FALSE(m.ShowFocusRect);
  ASSERT_TRUE(m.mFont);
  EXPECT_EQ(m.mFont->Name(), "MS Sans Serif");  // the container's ambient font
  EXPECT_DOUBLE_EQ(m.mFont->Size(), 8.25);
  EXPECT_EQ(m.BackColor, static_cast<OleColor>(kButtonFace));
  EXPECT_TRUE(m.Enabled);
  EXPECT_EQ(m.Caption, "teskbutton");
  EXPECT_FALSE(m.Value);
  EXPECT_EQ(m.PictureOpacity, 255);
  EXPECT_EQ(m.PictureOpacityOnOver, 255);
  EXPECT_EQ(m.PictureEffectOnOver, PictureEffectValue{1});
  EXPECT_EQ(m.PictureEffectOnDown, PictureEffectValue{2});
  EXPECT_EQ(m.MaskColor, 0xE0E0E0u);
  EXPECT_TRUE(m.UseMaskColor);
  EXPECT_EQ(m.PictureAlign, PictureAlignValue::kLeftOfCaption);
  EXPECT_EQ(m.CaptionAlign, CaptionAlignValue::kAlignCenter);
  EXPECT_EQ(m.ForeColor, static_cast<OleColor>(kButtonText));
  EXPECT_EQ(m.ForeColorHover, static_cast<OleColor>(kButtonText));
  EXPECT_EQ(m.TooltipBackColor, static_cast<OleColor>(kInfoBackground));
  EXPECT_EQ(m.ColorScheme, ColorSchemeValue::kBlue);
  EXPECT_EQ(m.DropDownSymbol, 0);
}

TEST_F(ButtonPersistence, CaptionTeskbutton1IsLeftOutAndComesBackAsTeskbutton) {
  PlacedButton& first = NewButton({.name = "teskbutton1"});
  ASSERT_EQ(first->Caption(), "teskbutton1");
  const PropertyStore store = first.host->WriteProperties();
  EXPECT_FALSE(store.Has("Caption"));
  EXPECT_TRUE(store.Has("CaptionEffects"));

  PlacedButton& second = LoadedButton(store, {.name = "b2"});
  EXPECT_EQ(second->Caption(), "teskbutton");
}

TEST_F(ButtonPersistence, SavesEveryKeyInOrderWhenNothingIsDefault) {
  PlacedButton& placed = NewButton();
  teskbutton& b = *placed;
  // The colour step of the style defaults (style and scheme assignments) rewrites ForeColor and
  // ShowFocusRect, and HandPointer resets the pointer: those come after.
  b.SetButtonStyle(5);
  b.SetColorScheme(1);
  b.SetShowFocusRect(true);
  b.SetEnabled(false);
  ASSERT_TRUE(b.SetFont(platform::Font::Create("Courier", 12)).ok());
  b.SetBackColor(0x102030);  // scheme 3 now
  b.SetCaption("&Go");
  b.SetForeColor(0x0000FF);
  b.SetForeColorHover(0x00FF00);
  b.SetMode(1);
  b.SetValue(true);
  b.SetMouseIcon(SmallPicture());  // pointer 99, HandPointer false
  b.SetHandPointer(true);          // pointer 0 again
  b.SetMousePointer(3);
  b.SetPictureNormal(SmallPicture());
  b.SetPictureHot(SmallPicture());
  b.SetPictureDown(SmallPicture());
  b.SetPictureAlign(4);
  b.SetPictureEffectOnOver(2);
  b.SetPictureEffectOnDown(1);
  b.SetPicturePushOnHover(true);
  b.SetPictureShadow(true);
  b.SetPictureOpacity(100);
  b.SetPictureOpacityOnOver(200);
  b.SetDisabledPictureMode(1);
  b.SetCaptionEffects(3);
  b.SetUseMaskColor(false);
  b.SetMaskColor(0xFF00FF);
  b.SetCaptionAlign(2);
  b.SetToolTip("tip");
  b.SetToolTipType(1);
  b.SetToolTipIcon(2);
  b.SetTooltipTitle("title");
  b.SetTooltipBackColor(0x00FFFF);
  b.SetRightToLeft(true);
  b.SetDropDownSymbol(6);
  b.SetDropDownSeparator(true);

  const PropertyStore store = placed.host->WriteProperties();
  const std::vector<std::string> expected = {"ButtonStyle",
                                             "ShowFocusRect",
                                             "Enabled",
                                             "Font",
                                             "BackColor",
                                             "Caption",
                                             "ForeColor",
                                             "ForeColorHover",
                                             "Mode",
                                             "Value",
                                             "MousePointer",
                                             "HandPointer",
                                             "MouseIcon",
                                             "PictureNormal",
                                             "PictureHot",
                                             "PictureDown",
                                             "PictureAlign",
                                             "PictureEffectOnOver",
                                             "PictureEffectOnDown",
                                             "PicturePushOnHover",
                                             "PictureShadow",
                                             "PictureOpacity",
                                             "PictureOpacityOnOver",
                                             "DisabledPictureMode",
                                             "CaptionEffects",
                                             "UseMaskColor",
                                             "MaskColor",
                                             "CaptionAlign",
                                             "ToolTip",
                                             "TooltipType",
                                             "TooltipIcon",
                                             "TooltipTitle",
                                             "TooltipBackColor",
                                             "RightToLeft",
                                             "DropDownSymbol",
                                             "DropDownSeparator",
                                             "ColorScheme"};
  EXPECT_EQ(store.Keys(), expected);
  EXPECT_EQ(store.ReadInt16("MousePointer", 0).value(), 3);
  EXPECT_EQ(store.ReadInt16("PictureOpacity", 0).value(), 100);
  EXPECT_EQ(Int32Of(store, "BackColor"), 0x102030);
  EXPECT_EQ(Int32Of(store, "ColorScheme"), 3);
}

TEST_F(ButtonPersistence, SavedSettingsLoadBackIntoAnotherButton) {
  PlacedButton& first = NewButton();
  first->SetButtonStyle(3);
  first->SetCaption("Save &as");
  first->SetMode(2);
  first->SetValue(true);
  first->SetPictureOpacity(17);
  first->SetRightToLeft(true);
  first->SetToolTip("line one\nline two");
  first->SetDropDownSymbol(6);
  const PropertyStore store = first.host->WriteProperties();

  PlacedButton& second = LoadedButton(store, {.name = "b2"});
  const ButtonModel& m = second.model();
  EXPECT_EQ(m.ButtonStyle, ButtonStyleValue::kGlass);
  EXPECT_EQ(m.ColorScheme, ColorSchemeValue::kSilver);
  EXPECT_EQ(m.BackColor, 0xE3E3E3u);
  EXPECT_EQ(m.Caption, "Save &as");
  EXPECT_EQ(m.Mode, ModeValue::kOptionButton);
  EXPECT_TRUE(m.Value);
  EXPECT_EQ(m.PictureOpacity, 17);
  EXPECT_TRUE(m.RightToLeft);
  EXPECT_TRUE(m.mTipRightToLeft);
  EXPECT_EQ(m.ToolTip, "line one\nline two");
  EXPECT_EQ(m.DropDownSymbol, 6);
  EXPECT_EQ(m.mFont->Name(), "Tahoma");
  EXPECT_EQ(second.host->AccessKeys(), "a");
}

TEST_F(ButtonPersistence, LoadingAppliesNoStyleDefaults) {
  PropertyStore store;
  store.WriteInt32("ButtonStyle", 3, std::nullopt);
  store.WriteInt32("BackColor", 0x123456, std::nullopt);
  store.WriteInt32("ColorScheme", 0, std::nullopt);
  store.WriteBool("ShowFocusRect", true, std::nullopt);
  store.WriteInt32("ForeColor", 0x00AA00, std::nullopt);
  PlacedButton& placed = LoadedButton(store);
  EXPECT_EQ(placed->ButtonStyle(), 3);
  EXPECT_EQ(placed->ColorScheme(), 0);
  EXPECT_EQ(placed->BackColor(), 0x123456u);
  EXPECT_TRUE(placed->ShowFocusRect());
  EXPECT_EQ(placed->ForeColor(), 0x00AA00u);
  EXPECT_EQ(placed.host->ForeColor(), 0x00AA00u);  // the surface's foreground colour
}

TEST_F(ButtonPersistence, LoadedValuesReachTheWindow) {
  PropertyStore store;
  store.WriteBool("Enabled", false, std::nullopt);
  store.WriteInt16("MousePointer", 11, std::nullopt);
  const PictureRef icon = SmallPicture(2, 2);
  store.WritePicture("MouseIcon", icon);
  store.WriteBool("HandPointer", true, std::nullopt);
  store.WriteString("Caption", "a&&b&B", std::nullopt);
  PlacedButton& placed = LoadedButton(store, {.rect = {0, 0, 60, 30}});
  EXPECT_FALSE(placed.host->Enabled());
  EXPECT_EQ(placed.host->MousePointer(), 11);
  EXPECT_EQ(placed.host->MouseIcon(), icon);
  EXPECT_TRUE(placed->HandPointer());
  EXPECT_EQ(placed->Input().mHandCursor, platform::kCursorHand);
  EXPECT_EQ(placed.host->AccessKeys(), "b");
  EXPECT_EQ(placed.model().mWidth, 60);
  EXPECT_EQ(placed.model().mHeight, 30);
  EXPECT_EQ(placed->mParentHwnd(), form_.Window());
}

TEST_F(ButtonPersistence, LoadedFontIsTheButtonsOwnAndFollowsItsChanges) {
  PropertyStore store;
  store.WriteFont("Font", FontRecord{"Tahoma", 9.75, 700, true, false, false, 134}, std::nullopt);
  PlacedButton& placed = LoadedButton(store);
  const std::shared_ptr<platform::Font> font = placed->Font();
  ASSERT_TRUE(font);
  EXPECT_EQ(font->Name(), "Tahoma");
  EXPECT_DOUBLE_EQ(font->Size(), 9.75);
  EXPECT_TRUE(font->Bold());
  EXPECT_TRUE(font->Italic());
  EXPECT_EQ(font->Charset(), 134);

  font->SetUnderline(true);
  EXPECT_EQ(placed.host->PropertyChanges(), std::vector<std::string>{"Font"});
  EXPECT_EQ(placed.host->RefreshCount(), 1);
  EXPECT_GE(placed.redraws, 1);
}

TEST_F(ButtonPersistence, AValueThatCannotBeConvertedEndsLoadingAtItsKey) {
  PropertyStore store;
  store.WriteInt32("ButtonStyle", 7, std::nullopt);
  store.WriteString("Caption", "&Go", std::nullopt);
  store.WriteInt16("PictureOpacity", 300, std::nullopt);  // does not fit a Byte
  store.WriteInt32("PictureEffectOnOver", 2, std::nullopt);
  PlacedButton& placed = Place();
  const platform::Status status = placed.host->ReadProperties(store);
  ASSERT_FALSE(status.ok());
  EXPECT_NE(status.error().find("PictureOpacity"), std::string::npos) << status.error();

  // What was read before the key stays; nothing after it was read and no later step ran.
  EXPECT_EQ(placed->ButtonStyle(), 7);
  EXPECT_EQ(placed->Caption(), "&Go");
  EXPECT_EQ(placed->PictureEffectOnOver(), 0);
  EXPECT_EQ(placed.host->AccessKeys(), "");
  EXPECT_FALSE(placed->Hooks().IsHooked(placed.host->ControlWindow()));
}

TEST_F(ButtonPersistence, AWrongTypeEndsLoadingWithAnErrorNamingTheKey) {
  PropertyStore store;
  store.WriteString("ButtonStyle", "Glass", std::nullopt);
  PlacedButton& placed = Place();
  const platform::Status status = placed.host->ReadProperties(store);
  ASSERT_FALSE(status.ok());
  EXPECT_NE(status.error().find("ButtonStyle"), std::string::npos) << status.error();
}

TEST_F(ButtonPersistence, RightToLeftIsReadTwiceIntoTheTooltipLayoutToo) {
  PropertyStore store;
  store.WriteBool("RightToLeft", true, std::nullopt);
  PlacedButton& placed = LoadedButton(store);
  EXPECT_TRUE(placed.model().RightToLeft);
  EXPECT_TRUE(placed.model().mTipRightToLeft);
}

TEST_F(ButtonPersistence, OutOfRangeEnumerationsArePersistedAsTheyAre) {
  PlacedButton& placed = NewButton();
  placed->SetCaptionAlign(17);
  placed->SetToolTipIcon(-4);
  const PropertyStore store = placed.host->WriteProperties();
  EXPECT_EQ(Int32Of(store, "CaptionAlign"), 17);
  EXPECT_EQ(Int32Of(store, "TooltipIcon"), -4);
  PlacedButton& loaded = LoadedButton(store, {.name = "b2"});
  EXPECT_EQ(loaded->CaptionAlign(), 17);
  EXPECT_EQ(loaded->ToolTipIcon(), -4);
}

}  // namespace
}  // namespace tovarin::button::testing
