// Picture composition: opacity, mask colour, alpha, effects, disabled modes and silhouettes.

#include <gtest/gtest.h>

#include "button/render/button_renderer.h"
#include "platform/pictures/picture.h"
#include "platform/raster/color.h"
#include "platform/raster/raster.h"
#include "test_canvas.h"

namespace tovarin::button {
namespace {

using platform::Rgb;
using testing::NewModel;
using testing::TestCanvas;

struct Texel {
  platform::ColorRef color;
  int alpha = 255;
};

// A picture of the given pixels, row by row from the top; 32-bit when `bits` is 32.
PictureRef MakePicture(int width, int height, const std::vector<Texel>& texels, int bits = 24,
                       platform::PictureKind kind = platform::PictureKind::kBitmap) {
  platform::Bitmap bitmap = platform::Bitmap::Create(width, height, bits).value();
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const Texel& t = texels[static_cast<std::size_t>(y * width + x)];
      std::uint8_t* p = bitmap.Row(y) + x * (bits / 8);
      p[0] = static_cast<std::uint8_t>(platform::BlueOf(t.color));
      p[1] = static_cast<std::uint8_t>(platform::GreenOf(t.color));
      p[2] = static_cast<std::uint8_t>(platform::RedOf(t.color));
      if (bits == 32) p[3] = static_cast<std::uint8_t>(t.alpha);
    }
  }
  return platform::Picture::FromBitmap(std::move(bitmap), kind);
}

class PictureBlendTest : public ::testing::Test {
 protected:
  // Fills the surface, then draws the picture at (x, y) in `color` (kNoColor: the picture).
  void Draw(const PictureRef& picture, platform::ColorRef background, RgbColor color = kNoColor,
            int x = 0, int y = 0) {
    platform::FillRect(canvas_.Surface(), canvas_.Surface().Bounds(), background);
    model_.mCurrentPicture = picture;
    model_.mPictureWidth = picture->Width();
    model_.mPictureHeight = picture->Height();
    ButtonRenderer(model_, canvas_)
        .DrawPicture(platform::Rect::FromXYWH(x, y, picture->Width(), picture->Height()), color);
  }
  TestCanvas canvas_{100, 4};
  ButtonModel model_ = NewModel(ButtonStyleValue::kToolbar);
};

TEST_F(PictureBlendTest, OpacityBlendsByDivisionBy256) {
  model_.PictureOpacity = 128;
  Draw(MakePicture(1, 1, {{Rgb(255, 255, 255)}}), Rgb(0, 0, 0));
  EXPECT_EQ(canvas_.Pixel(0, 0), Rgb(127, 127, 127));
  EXPECT_EQ(canvas_.Pixel(1, 0), Rgb(0, 0, 0));
  model_.PictureOpacity = 0;
  Draw(MakePicture(1, 1, {{Rgb(255, 255, 255)}}), Rgb(9, 9, 9));
  EXPECT_EQ(canvas_.Pixel(0, 0), Rgb(9, 9, 9));
}

TEST_F(PictureBlendTest, HoverAndPressEffectsUseTheTables) {
  model_.mButtonState = ButtonStateValue::kStateHot;
  model_.PictureEffectOnOver = PictureEffectValue::kLighter;
  Draw(MakePicture(1, 1, {{Rgb(200, 230, 100)}}), Rgb(0, 0, 0));
  EXPECT_EQ(canvas_.Pixel(0, 0), Rgb(229, 255, 114));
  // While hot the opacity is PictureOpacityOnOver, whatever PictureOpacity says.
  model_.PictureOpacity = 0;
  model_.PictureOpacityOnOver = 128;
  Draw(MakePicture(1, 1, {{Rgb(200, 230, 100)}}), Rgb(0, 0, 0));
  EXPECT_EQ(canvas_.Pixel(0, 0), Rgb(114, 127, 57));  // looked-up value * 128 div 256
  model_.PictureOpacity = 255;
  model_.mButtonState = ButtonStateValue::kStateDown;
  model_.PictureEffectOnDown = PictureEffectValue::kDarker;
  Draw(MakePicture(1, 1, {{Rgb(255, 200, 100)}}), Rgb(0, 0, 0));
  EXPECT_EQ(canvas_.Pixel(0, 0), Rgb(217, 170, 85));
}

TEST_F(PictureBlendTest, DisabledFadedAndGrayscale) {
  model_.Enabled = false;
  model_.DisabledPictureMode = DisabledPictureModeValue::kFaded;
  Draw(MakePicture(1, 1, {{Rgb(0, 0, 0)}}), Rgb(255, 255, 255));
  EXPECT_EQ(canvas_.Pixel(0, 0), Rgb(202, 202, 202));  // opacity 52

  model_.DisabledPictureMode = DisabledPictureModeValue::kGrayscale;
  Draw(MakePicture(1, 1, {{Rgb(255, 0, 0)}}), Rgb(255, 255, 255));
  EXPECT_EQ(canvas_.Pixel(0, 0), Rgb(120, 120, 120));  // grey 76 at opacity 191 over white
  model_.mButtonState = ButtonStateValue::kStateHot;  // the hover opacity 255 shows the grey itself
  Draw(MakePicture(1, 1, {{Rgb(255, 0, 0)}}), Rgb(255, 255, 255));
  EXPECT_EQ(canvas_.Pixel(0, 0), Rgb(76, 76, 76));

  model_.mButtonState = ButtonStateValue::kStateNormal;
  model_.DisabledPictureMode = DisabledPictureModeValue{5};  // unknown modes draw nothing
  Draw(MakePicture(1, 1, {{Rgb(255, 0, 0)}}), Rgb(255, 255, 255));
  EXPECT_EQ(canvas_.Pixel(0, 0), Rgb(255, 255, 255));
}

TEST_F(PictureBlendTest, MaskColourKeepsTheBackground) {
  model_.MaskColor = 0xE0E0E0;
  const PictureRef picture = MakePicture(2, 1, {{Rgb(224, 224, 224)}, {Rgb(10, 20, 30)}});
  Draw(picture, Rgb(50, 60, 70));
  EXPECT_EQ(canvas_.Pixel(0, 0), Rgb(50, 60, 70));
  EXPECT_EQ(canvas_.Pixel(1, 0), Rgb(10, 20, 30));
  model_.UseMaskColor = false;
  Draw(picture, Rgb(50, 60, 70));
  EXPECT_EQ(canvas_.Pixel(0, 0), Rgb(224, 224, 224));
  // A system-colour code is compared untranslated and matches no pixel.
  model_.UseMaskColor = true;
  model_.MaskColor = 0x8000000F;
  Draw(MakePicture(1, 1, {{Rgb(212, 208, 200)}}), Rgb(0, 0, 0));
  EXPECT_EQ(canvas_.Pixel(0, 0), Rgb(212, 208, 200));
}

TEST_F(PictureBlendTest, IconTransparencyTakesTheLightGreyMask) {
  const PictureRef icon = MakePicture(2, 1, {{Rgb(0, 0, 255), 0}, {Rgb(10, 20, 30), 255}}, 32,
                                      platform::PictureKind::kIcon);
  model_.UseMaskColor = false;
  Draw(icon, Rgb(0, 0, 0));
  EXPECT_EQ(canvas_.Pixel(0, 0), Rgb(192, 192, 192));
  EXPECT_EQ(canvas_.Pixel(1, 0), Rgb(10, 20, 30));
  model_.UseMaskColor = true;
  model_.MaskColor = 0x123456;  // icons use RGB(192, 192, 192) whatever MaskColor says
  Draw(icon, Rgb(0, 0, 0));
  EXPECT_EQ(canvas_.Pixel(0, 0), Rgb(0, 0, 0));
  EXPECT_EQ(canvas_.Pixel(1, 0), Rgb(10, 20, 30));
}

TEST_F(PictureBlendTest, AlphaBitmapsBlendByTheirAlpha) {
  const PictureRef picture =
      MakePicture(2, 1, {{Rgb(255, 255, 255), 128}, {Rgb(224, 224, 224), 255}}, 32);
  EXPECT_TRUE(ButtonRenderer::IsAlphaBitmap(picture.get()));
  model_.MaskColor = 0xE0E0E0;  // no mask test for alpha bitmaps
  Draw(picture, Rgb(0, 0, 0));
  EXPECT_EQ(canvas_.Pixel(0, 0), Rgb(127, 127, 127));
  EXPECT_EQ(canvas_.Pixel(1, 0), Rgb(224, 224, 224));
  Draw(picture, Rgb(0, 0, 0), MakeRgb(200, 100, 0));
  EXPECT_EQ(canvas_.Pixel(0, 0), Rgb(100, 50, 0));
  EXPECT_EQ(canvas_.Pixel(1, 0), Rgb(200, 100, 0));
  model_.PictureOpacity = 128;  // alpha 255 * 128 div 255 = 128
  Draw(picture, Rgb(0, 0, 0));
  EXPECT_EQ(canvas_.Pixel(1, 0), Rgb(112, 112, 112));
  EXPECT_EQ(canvas_.Pixel(0, 0), Rgb(63, 63, 63));  // alpha 128 * 128 div 255 = 64
}

TEST_F(PictureBlendTest, SilhouettesOfOpaqueBitmaps) {
  const PictureRef picture = MakePicture(2, 1, {{Rgb(9, 9, 9)}, {Rgb(224, 224, 224)}});
  EXPECT_FALSE(ButtonRenderer::IsAlphaBitmap(picture.get()));
  Draw(picture, Rgb(255, 255, 255), MakeRgb(0, 0, 0));
  EXPECT_EQ(canvas_.Pixel(0, 0), Rgb(0, 0, 0));
  EXPECT_EQ(canvas_.Pixel(1, 0), Rgb(255, 255, 255));  // the mask colour is still skipped
  model_.PictureOpacity = 128;
  Draw(picture, Rgb(0, 0, 0), MakeRgb(200, 100, 0));
  EXPECT_EQ(canvas_.Pixel(0, 0), Rgb(100, 50, 0));
}

TEST_F(PictureBlendTest, PaddedRowsComposeEveryPixel) {
  // 97 pixels of 3 bytes are 291 bytes, padded to 292 per row.
  std::vector<Texel> texels;
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 97; ++x) texels.push_back({Rgb(x, 40 + y * 50, 255 - x)});
  }
  Draw(MakePicture(97, 3, texels), Rgb(0, 0, 0), kNoColor, 1, 1);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 97; ++x)
      ASSERT_EQ(canvas_.Pixel(x + 1, y + 1), Rgb(x, 40 + y * 50, 255 - x)) << x << "," << y;
  }
  EXPECT_EQ(canvas_.Pixel(0, 0), Rgb(0, 0, 0));
  EXPECT_EQ(canvas_.Pixel(98, 1), Rgb(0, 0, 0));
}

TEST_F(PictureBlendTest, PicturesPartlyOffTheSurfaceAreCut) {
  const PictureRef picture = MakePicture(3, 3, std::vector<Texel>(9, {Rgb(1, 2, 3)}));
  Draw(picture, Rgb(0, 0, 0), kNoColor, -2, -2);
  EXPECT_EQ(canvas_.Pixel(0, 0), Rgb(1, 2, 3));
  EXPECT_EQ(canvas_.Pixel(1, 0), Rgb(0, 0, 0));
  EXPECT_EQ(canvas_.Pixel(0, 1), Rgb(0, 0, 0));
  Draw(picture, Rgb(0, 0, 0), kNoColor, 99, 3);
  EXPECT_EQ(canvas_.Pixel(99, 3), Rgb(1, 2, 3));
  Draw(picture, Rgb(0, 0, 0), kNoColor, 5000, -5000);
}

TEST_F(PictureBlendTest, EmptyPicturesDrawNothing) {
  platform::FillRect(canvas_.Surface(), canvas_.Surface().Bounds(), Rgb(7, 7, 7));
  model_.mCurrentPicture = std::make_shared<platform::Picture>();
  model_.mPictureWidth = 5;
  model_.mPictureHeight = 5;
  ButtonRenderer(model_, canvas_).DrawPicture(platform::Rect{0, 0, 5, 5}, kNoColor);
  model_.mCurrentPicture = nullptr;
  ButtonRenderer(model_, canvas_).DrawPicture(platform::Rect{0, 0, 5, 5}, MakeRgb(1, 1, 1));
  EXPECT_EQ(canvas_.Pixel(0, 0), Rgb(7, 7, 7));
}

}  // namespace
}  // namespace tovarin::button
