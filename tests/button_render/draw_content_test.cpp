// Content layout: caption and picture placement, the drop-down rectangle, pressed offsets,
// caption colours and effects, the separator.

#include <gtest/gtest.h>

#include "button/render/redraw.h"
#include "platform/pictures/picture.h"
#include "platform/raster/color.h"
#include "platform/raster/system_colors.h"
#include "platform/text/font.h"
#include "test_canvas.h"

namespace tovarin::button {
namespace {

using platform::Rgb;
using testing::NewModel;
using testing::TestCanvas;

PictureRef SolidPicture(int width, int height, platform::ColorRef color) {
  platform::Bitmap bitmap = platform::Bitmap::Create(width, height, 24).value();
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) bitmap.SetPixel(x, y, color);
  }
  return platform::Picture::FromBitmap(std::move(bitmap), platform::PictureKind::kBitmap);
}

ButtonModel CaptionModel(ButtonStyleValue style, const std::string& caption) {
  ButtonModel model = NewModel(style);
  model.Caption = caption;
  model.mFont = platform::Font::Create("Tahoma");
  model.BackColor = 0xC8C8C8;
  model.ColorScheme = ColorSchemeValue::kCustom;
  return model;
}

// Pixels within 24 of `color` in every channel: text is antialiased, so strokes are counted
// where they cover most of a pixel.
int CountColor(TestCanvas& canvas, platform::ColorRef color) {
  int count = 0;
  const platform::Bitmap& surface = canvas.Surface();
  auto near = [](int a, int b) { return a - b <= 24 && b - a <= 24; };
  for (int y = 0; y < surface.Height(); ++y) {
    for (int x = 0; x < surface.Width(); ++x) {
      const platform::ColorRef c = canvas.Pixel(x, y);
      count += near(platform::RedOf(c), platform::RedOf(color)) &&
                       near(platform::GreenOf(c), platform::GreenOf(color)) &&
                       near(platform::BlueOf(c), platform::BlueOf(color))
                   ? 1
                   : 0;
    }
  }
  return count;
}

TEST(DrawContentTest, CentredCaptionMovesRightByHalfThePictureWidth) {
  TestCanvas canvas(97, 24);
  ButtonModel model = CaptionModel(ButtonStyleValue::kToolbar, "OK");
  Redraw(model, canvas);
  const platform::Rect without = model.mCaptionRect;
  EXPECT_GT(without.Width(), 0);
  model.PictureNormal = SolidPicture(20, 16, Rgb(255, 0, 0));
  Redraw(model, canvas);
  EXPECT_EQ(model.mCaptionRect, without.Offset(10, 0));
  EXPECT_EQ(model.mPictureWidth, 20);
  EXPECT_EQ(model.mPictureHeight, 16);
  // LeftOfCaption: 4 pixels left of the caption, centred vertically.
  EXPECT_EQ(model.mPictureRect,
            (platform::Rect{model.mCaptionRect.left - 24, 4, model.mCaptionRect.left - 4, 20}));
  EXPECT_EQ(canvas.Pixel(model.mPictureRect.left + 5, 10), Rgb(255, 0, 0));
}

TEST(DrawContentTest, DropDownRectangleAtHeights24And25) {
  for (auto [height, top, bottom] : {std::tuple{24, 5, 20}, {25, 6, 20}}) {
    TestCanvas canvas(97, height);
    ButtonModel model = CaptionModel(ButtonStyleValue::kToolbar, "");
    model.DropDownSymbol = 6;
    Redraw(model, canvas);
    EXPECT_EQ(model.mDropDownRect, (platform::Rect{82, top, 97, bottom})) << height;
  }
}

TEST(DrawContentTest, PressedStandardMovesContentByOneAndTheSymbolByTwo) {
  TestCanvas canvas(97, 24);
  ButtonModel model = CaptionModel(ButtonStyleValue::kStandard, "OK");
  model.PictureNormal = SolidPicture(16, 16, Rgb(0, 0, 255));
  model.DropDownSymbol = 6;
  Redraw(model, canvas);
  const ButtonModel normal = model;
  model.mButtonState = ButtonStateValue::kStateDown;
  Redraw(model, canvas);
  EXPECT_EQ(model.mCaptionRect, normal.mCaptionRect.Offset(1, 1));
  EXPECT_EQ(model.mPictureRect, normal.mPictureRect.Offset(1, 1));
  EXPECT_EQ(model.mDropDownRect, normal.mDropDownRect.Offset(2, 2));
  // Rounded has no pressed offset at all.
  model.ButtonStyle = ButtonStyleValue::kRounded;
  Redraw(model, canvas);
  EXPECT_EQ(model.mCaptionRect, normal.mCaptionRect);
  EXPECT_EQ(model.mDropDownRect, normal.mDropDownRect);
}

TEST(DrawContentTest, BlankCaptionCentresThePicture) {
  TestCanvas canvas(97, 24);
  ButtonModel model = CaptionModel(ButtonStyleValue::kToolbar, "   ");
  model.PictureNormal = SolidPicture(16, 10, Rgb(0, 0, 255));
  model.PictureAlign = PictureAlignValue::kLeftEdge;
  Redraw(model, canvas);
  EXPECT_EQ(model.mPictureRect, (platform::Rect{40, 7, 56, 17}));
  model.Caption = "Go";
  Redraw(model, canvas);
  EXPECT_EQ(model.mPictureRect.left, 3);
  model.DropDownSeparator = true;
  model.Caption.clear();
  Redraw(model, canvas);
  EXPECT_EQ(model.mPictureRect.left, 32);  // 8 to the left with a drop-down
}

TEST(DrawContentTest, LeftAndRightAlignedCaptions) {
  TestCanvas canvas(97, 24);
  ButtonModel model = CaptionModel(ButtonStyleValue::kToolbar, "OK");
  model.CaptionAlign = CaptionAlignValue::kAlignLeft;
  Redraw(model, canvas);
  EXPECT_EQ(model.mCaptionRect.left, 2);
  model.PictureNormal = SolidPicture(12, 12, Rgb(0, 0, 255));
  model.PictureAlign = PictureAlignValue::kLeftEdge;
  Redraw(model, canvas);
  EXPECT_EQ(model.mCaptionRect.left, 16);  // room for the picture: pw + 4
  EXPECT_EQ(model.mPictureRect.left, 3);
  model.PictureNormal = nullptr;
  model.CaptionAlign = CaptionAlignValue::kAlignRight;
  Redraw(model, canvas);
  EXPECT_EQ(model.mCaptionRect.right, 93);
  model.DropDownSymbol = 4;
  Redraw(model, canvas);
  EXPECT_EQ(model.mCaptionRect.right, 77);
}

TEST(DrawContentTest, WideCaptionPushesTheLeftPictureOffTheButton) {
  TestCanvas canvas(60, 24);
  ButtonModel model = CaptionModel(ButtonStyleValue::kToolbar, "Averylongcaptionword");
  model.PictureNormal = SolidPicture(16, 16, Rgb(0, 0, 255));
  Redraw(model, canvas);
  EXPECT_LT(model.mPictureRect.left, 0);
}

TEST(DrawContentTest, ThemedCaptionKeepsAFourPixelMargin) {
  TestCanvas canvas(40, 12);
  canvas.themed = true;
  ButtonModel model = CaptionModel(ButtonStyleValue::kThemed, "Wonderful words");
  model.CaptionAlign = CaptionAlignValue::kAlignLeft;
  Redraw(model, canvas);
  EXPECT_EQ(model.mCaptionRect.left, 4);
  EXPECT_EQ(model.mCaptionRect.top, 4);
  EXPECT_EQ(model.mCaptionRect.bottom, 8);
  EXPECT_EQ(model.mCaptionRect.right, 36);
}

TEST(DrawContentTest, CaptionColoursByStateAndEnabled) {
  TestCanvas canvas(97, 24);
  ButtonModel model = CaptionModel(ButtonStyleValue::kToolbar, "HIH");
  model.ForeColor = 0x0000FF;       // red
  model.ForeColorHover = 0xFF0000;  // blue
  Redraw(model, canvas);
  EXPECT_GT(CountColor(canvas, Rgb(255, 0, 0)), 0);
  EXPECT_EQ(CountColor(canvas, Rgb(0, 0, 255)), 0);
  model.mButtonState = ButtonStateValue::kStateHot;
  Redraw(model, canvas);
  EXPECT_EQ(CountColor(canvas, Rgb(255, 0, 0)), 0);
  EXPECT_GT(CountColor(canvas, Rgb(0, 0, 255)), 0);
  model.mButtonState = ButtonStateValue::kStateNormal;
  model.Enabled = false;
  Redraw(model, canvas);
  EXPECT_GT(CountColor(canvas, platform::GetSysColor(platform::kColorGrayText)), 0);
  EXPECT_EQ(CountColor(canvas, Rgb(255, 0, 0)), 0);
}

TEST(DrawContentTest, ShadowEffectLeavesALightGreyCopy) {
  TestCanvas canvas(97, 24);
  ButtonModel model = CaptionModel(ButtonStyleValue::kToolbar, "HIH");
  model.BackColor = 0;
  Redraw(model, canvas);
  EXPECT_EQ(CountColor(canvas, Rgb(192, 192, 192)), 0);
  model.CaptionEffects = CaptionEffectsValue::kShadow;
  Redraw(model, canvas);
  EXPECT_GT(CountColor(canvas, Rgb(192, 192, 192)), 0);
}

TEST(DrawContentTest, SeparatorShadesWhatTheStylePainted) {
  TestCanvas canvas(97, 24);
  ButtonModel model = CaptionModel(ButtonStyleValue::kToolbar, "OK");
  model.DropDownSeparator = true;
  Redraw(model, canvas);
  EXPECT_EQ(canvas.Pixel(81, 3), Rgb(174, 174, 174));   // S(200, -0.1)
  EXPECT_EQ(canvas.Pixel(82, 20), Rgb(226, 226, 226));  // S(200, +0.1)
  EXPECT_EQ(canvas.Pixel(81, 21), Rgb(200, 200, 200));  // the end point stays
}

TEST(DrawContentTest, HoverLiftDrawsNoShadow) {
  ButtonModel model = CaptionModel(ButtonStyleValue::kToolbar, "OK");
  model.PictureNormal = SolidPicture(8, 8, Rgb(0, 0, 255));
  model.PicturePushOnHover = true;
  model.mButtonState = ButtonStateValue::kStateHot;
  TestCanvas plain(97, 24);
  Redraw(model, plain);
  model.PictureShadow = true;
  TestCanvas shadowed(97, 24);
  Redraw(model, shadowed);
  for (int y = 0; y < 24; ++y) {
    for (int x = 0; x < 97; ++x)
      ASSERT_EQ(plain.Pixel(x, y), shadowed.Pixel(x, y)) << x << "," << y;
  }
  // The lifted picture sits 2 up-left of a light grey silhouette.
  const platform::Rect r = model.mPictureRect;
  EXPECT_EQ(plain.Pixel(r.left, r.top), Rgb(0, 0, 255));
  EXPECT_EQ(plain.Pixel(r.right - 1, r.bottom - 1), Rgb(192, 192, 192));
  EXPECT_EQ(plain.Pixel(r.right - 3, r.bottom - 3), Rgb(0, 0, 255));
  // Not lifted: the shadow shows at (2, 2) and (1, 1).
  model.mButtonState = ButtonStateValue::kStateNormal;
  Redraw(model, shadowed);
  const platform::Rect n = model.mPictureRect;
  EXPECT_EQ(shadowed.Pixel(n.right + 1, n.bottom + 1),
            Rgb(177, 177, 177));                                     // S(M(128, 200), +0.05)
  EXPECT_EQ(shadowed.Pixel(n.right, n.bottom), Rgb(138, 138, 138));  // S(164, -0.1)
}

}  // namespace
}  // namespace tovarin::button
