// Gradients, lines, outlines, corner pixels, window regions and the drop-down glyph.

#include <gtest/gtest.h>

#include "button/render/button_renderer.h"
#include "button/render/redraw.h"
#include "platform/raster/color.h"
#include "platform/raster/raster.h"
#include "platform/raster/region.h"
#include "platform/text/text.h"
#include "test_canvas.h"

namespace tovarin::button {
namespace {

using platform::Rgb;
using testing::NewModel;
using testing::TestCanvas;

class PrimitivesTest : public ::testing::Test {
 protected:
  void Paint(int width, int height) {
    canvas_ = std::make_unique<TestCanvas>(width, height);
    platform::FillRect(canvas_->Surface(), canvas_->Surface().Bounds(), Rgb(255, 255, 255));
    renderer_ = std::make_unique<ButtonRenderer>(model_, *canvas_);
  }
  ButtonModel model_ = NewModel(ButtonStyleValue::kRounded);
  std::unique_ptr<TestCanvas> canvas_;
  std::unique_ptr<ButtonRenderer> renderer_;
};

TEST_F(PrimitivesTest, GradientOfOneRowIsTheTruncatedAverage) {
  Paint(5, 3);
  renderer_->DrawGradient(0, 0, 5, 1, MakeRgb(255, 255, 255), MakeRgb(0, 0, 0),
                          GradientDirection::kVertical);
  for (int x = 0; x < 5; ++x) EXPECT_EQ(canvas_->Pixel(x, 0), Rgb(127, 127, 127)) << x;
  EXPECT_EQ(canvas_->Pixel(0, 1), Rgb(255, 255, 255));
}

TEST_F(PrimitivesTest, VerticalGradientRowsFromTopToBottom) {
  Paint(4, 6);
  renderer_->DrawGradient(0, 0, 4, 3, MakeRgb(0, 0, 0), MakeRgb(255, 255, 255),
                          GradientDirection::kVertical);
  EXPECT_EQ(canvas_->Pixel(2, 0), Rgb(0, 0, 0));
  EXPECT_EQ(canvas_->Pixel(2, 1), Rgb(127, 127, 127));
  EXPECT_EQ(canvas_->Pixel(2, 2), Rgb(255, 255, 255));
  // Downward steps truncate toward zero: 255 + (-255 * 1) div 2 = 128.
  renderer_->DrawGradient(0, 3, 4, 3, MakeRgb(255, 255, 255), MakeRgb(0, 0, 0),
                          GradientDirection::kVertical);
  EXPECT_EQ(canvas_->Pixel(0, 3), Rgb(255, 255, 255));
  EXPECT_EQ(canvas_->Pixel(0, 4), Rgb(128, 128, 128));
  EXPECT_EQ(canvas_->Pixel(0, 5), Rgb(0, 0, 0));
}

TEST_F(PrimitivesTest, HorizontalGradientColumnsFromLeftToRight) {
  Paint(6, 2);
  renderer_->DrawGradient(1, 0, 4, 2, MakeRgb(0, 30, 0), MakeRgb(255, 0, 9),
                          GradientDirection::kHorizontal);
  EXPECT_EQ(canvas_->Pixel(0, 0), Rgb(255, 255, 255));
  EXPECT_EQ(canvas_->Pixel(1, 1), Rgb(0, 30, 0));
  EXPECT_EQ(canvas_->Pixel(2, 1), Rgb(85, 20, 3));
  EXPECT_EQ(canvas_->Pixel(3, 0), Rgb(170, 10, 6));
  EXPECT_EQ(canvas_->Pixel(4, 0), Rgb(255, 0, 9));
  EXPECT_EQ(canvas_->Pixel(5, 0), Rgb(255, 255, 255));
}

TEST_F(PrimitivesTest, DiagonalGradients) {
  Paint(2, 4);
  // Direction 2: entry j + t; n = 2.
  renderer_->DrawGradient(0, 0, 2, 2, MakeRgb(0, 0, 0), MakeRgb(30, 60, 90),
                          GradientDirection::kDiagonalDown);
  EXPECT_EQ(canvas_->Pixel(0, 0), Rgb(0, 0, 0));
  EXPECT_EQ(canvas_->Pixel(1, 0), Rgb(15, 30, 45));
  EXPECT_EQ(canvas_->Pixel(0, 1), Rgb(15, 30, 45));
  EXPECT_EQ(canvas_->Pixel(1, 1), Rgb(30, 60, 90));
  // Direction 3: entry j + k, k counted from the bottom row.
  renderer_->DrawGradient(0, 2, 2, 2, MakeRgb(0, 0, 0), MakeRgb(30, 60, 90),
                          GradientDirection::kDiagonalUp);
  EXPECT_EQ(canvas_->Pixel(0, 3), Rgb(0, 0, 0));
  EXPECT_EQ(canvas_->Pixel(0, 2), Rgb(15, 30, 45));
  EXPECT_EQ(canvas_->Pixel(1, 3), Rgb(15, 30, 45));
  EXPECT_EQ(canvas_->Pixel(1, 2), Rgb(30, 60, 90));
}

TEST_F(PrimitivesTest, UnknownDirectionPaintsBlackAndEmptySizesPaintNothing) {
  Paint(3, 3);
  renderer_->DrawGradient(0, 0, 3, 3, MakeRgb(0, 0, 0), MakeRgb(0, 0, 0),
                          GradientDirection::kVertical);
  renderer_->DrawGradient(0, 0, 2, 2, MakeRgb(50, 50, 50), MakeRgb(90, 90, 90),
                          GradientDirection{7});
  EXPECT_EQ(canvas_->Pixel(1, 1), Rgb(0, 0, 0));
  renderer_->DrawGradient(0, 0, 0, 3, MakeRgb(9, 9, 9), MakeRgb(9, 9, 9),
                          GradientDirection::kVertical);
  renderer_->DrawGradient(0, 0, 3, -1, MakeRgb(9, 9, 9), MakeRgb(9, 9, 9),
                          GradientDirection::kVertical);
  EXPECT_EQ(canvas_->Pixel(2, 2), Rgb(0, 0, 0));
}

TEST_F(PrimitivesTest, GradientPastTheBottomShowsItsFirstRows) {
  Paint(3, 4);
  renderer_->DrawGradient(0, 2, 3, 10, MakeRgb(0, 0, 0), MakeRgb(255, 255, 255),
                          GradientDirection::kVertical);
  EXPECT_EQ(canvas_->Pixel(1, 1), Rgb(255, 255, 255));
  EXPECT_EQ(canvas_->Pixel(1, 2), Rgb(0, 0, 0));
  EXPECT_EQ(canvas_->Pixel(1, 3), Rgb(28, 28, 28));  // 255 * 1 div 9
  // The low 24 bits of a failed translation are white.
  renderer_->DrawGradient(-5, -5, 100000, 6, kNoColor, kNoColor, GradientDirection::kHorizontal);
  EXPECT_EQ(canvas_->Pixel(2, 0), Rgb(255, 255, 255));
}

TEST_F(PrimitivesTest, LinesLeaveTheirEndPoint) {
  Paint(4, 14);
  renderer_->DrawLine(1, 1, 1, 1, MakeRgb(0, 0, 0));
  EXPECT_EQ(canvas_->Pixel(1, 1), Rgb(255, 255, 255));
  renderer_->DrawLine(1, 12, 1, 11, MakeRgb(0, 0, 0));
  EXPECT_EQ(canvas_->Pixel(1, 12), Rgb(0, 0, 0));
  EXPECT_EQ(canvas_->Pixel(1, 11), Rgb(255, 255, 255));
  renderer_->DrawLine(0, 3, 3, 3, MakeRgb(1, 2, 3));
  EXPECT_EQ(canvas_->Pixel(2, 3), Rgb(1, 2, 3));
  EXPECT_EQ(canvas_->Pixel(3, 3), Rgb(255, 255, 255));
}

TEST_F(PrimitivesTest, OutlineOneBeyondTheSurfacePaintsTopAndLeftOnly) {
  Paint(6, 5);
  renderer_->DrawOutline(0, 0, 7, 6, MakeRgb(10, 20, 30));
  for (int x = 0; x < 6; ++x) EXPECT_EQ(canvas_->Pixel(x, 0), Rgb(10, 20, 30)) << x;
  for (int y = 0; y < 5; ++y) EXPECT_EQ(canvas_->Pixel(0, y), Rgb(10, 20, 30)) << y;
  EXPECT_EQ(canvas_->Pixel(5, 3), Rgb(255, 255, 255));
  EXPECT_EQ(canvas_->Pixel(3, 4), Rgb(255, 255, 255));
  renderer_->DrawOutline(1, 1, 4, 3, MakeRgb(0, 0, 0));
  EXPECT_EQ(canvas_->Pixel(4, 3), Rgb(0, 0, 0));
  EXPECT_EQ(canvas_->Pixel(2, 2), Rgb(255, 255, 255));
}

TEST_F(PrimitivesTest, CornerPixelsRefreshTheSize) {
  Paint(8, 6);
  model_.mWidth = 100;
  model_.mHeight = 100;
  renderer_->SetCornerPixels(MakeRgb(1, 2, 3));
  EXPECT_EQ(model_.mWidth, 8);
  EXPECT_EQ(model_.mHeight, 6);
  EXPECT_EQ(canvas_->Pixel(1, 1), Rgb(1, 2, 3));
  EXPECT_EQ(canvas_->Pixel(1, 4), Rgb(1, 2, 3));
  EXPECT_EQ(canvas_->Pixel(6, 1), Rgb(1, 2, 3));
  EXPECT_EQ(canvas_->Pixel(6, 4), Rgb(1, 2, 3));
  EXPECT_EQ(canvas_->Pixel(2, 1), Rgb(255, 255, 255));
}

TEST(UpdateRegionTest, RoundedCornersByStyle) {
  TestCanvas canvas(75, 23);
  ButtonModel model = NewModel(ButtonStyleValue::kSoft);
  model.mWidth = 75;
  model.mHeight = 23;
  UpdateRegion(model, canvas);
  const platform::Region soft = platform::Region::FromRoundRect(platform::Rect{0, 0, 76, 24}, 4, 4);
  ASSERT_TRUE(canvas.Region().has_value());
  EXPECT_TRUE(testing::SameRegion(*canvas.Region(), soft));
  ASSERT_TRUE(model.mRegion.has_value());
  EXPECT_TRUE(testing::SameRegion(*model.mRegion, soft));
  EXPECT_EQ(soft.Bounds(), (platform::Rect{0, 0, 75, 23}));
  EXPECT_FALSE(soft.Contains(0, 0));
  EXPECT_TRUE(soft.Contains(37, 0));

  model.ButtonStyle = ButtonStyleValue::kGloss;
  UpdateRegion(model, canvas);
  EXPECT_TRUE(testing::SameRegion(
      *canvas.Region(), platform::Region::FromRoundRect(platform::Rect{0, 0, 76, 24}, 3, 3)));

  model.ButtonStyle = ButtonStyleValue::kAmber;
  UpdateRegion(model, canvas);
  EXPECT_TRUE(testing::SameRegion(*canvas.Region(),
                                  platform::Region::FromRect(platform::Rect{0, 0, 75, 23})));
  EXPECT_EQ(canvas.region_calls, 3);
}

TEST_F(PrimitivesTest, DropDownSymbolDrawsTheFirstDigitsGlyph) {
  Paint(30, 24);
  model_.mDropDownRect = platform::Rect{15, 5, 30, 20};
  renderer_->DrawDropDownSymbol(12);

  TestCanvas expected(30, 24);
  platform::FillRect(expected.Surface(), expected.Surface().Bounds(), Rgb(255, 255, 255));
  platform::Font marlett("Marlett", 10.5);
  platform::DrawText(expected.Surface(), marlett, Rgb(0, 0, 0), "1", platform::Rect{15, 5, 30, 20},
                     platform::kDtWordBreak);
  int painted = 0;
  for (int y = 0; y < 24; ++y) {
    for (int x = 0; x < 30; ++x) {
      ASSERT_EQ(canvas_->Pixel(x, y), expected.Pixel(x, y)) << x << "," << y;
      if (canvas_->Pixel(x, y) != Rgb(255, 255, 255)) ++painted;
    }
  }
  EXPECT_GT(painted, 0);
}

TEST_F(PrimitivesTest, DropDownTriangleStaysInItsRectangle) {
  Paint(40, 24);
  model_.mDropDownRect = platform::Rect{25, 5, 40, 20};
  renderer_->DrawDropDownSymbol(6);
  int inside = 0;
  for (int y = 0; y < 24; ++y) {
    for (int x = 0; x < 40; ++x) {
      if (canvas_->Pixel(x, y) == Rgb(255, 255, 255)) continue;
      EXPECT_TRUE(model_.mDropDownRect.Contains(x, y)) << x << "," << y;
      ++inside;
    }
  }
  EXPECT_GT(inside, 5);
}

}  // namespace
}  // namespace tovarin::button
