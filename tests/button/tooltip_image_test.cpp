// The tooltip window's picture and shape, and where it goes on the screen.

#include "platform/host/tooltip_image.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/raster/system_colors.h"
#include "platform/text/font.h"
#include "platform/text/text.h"

namespace tovarin::platform {
namespace {

const ColorRef kInfoBackground = Rgb(255, 255, 225);
const ColorRef kFrame = Rgb(0, 0, 0);

class ToolTipImageTest : public ::testing::Test {
 protected:
  ToolTipImage Draw(const ToolTipSpec& spec, bool stem_at_top = true) {
    auto image = painter_.Draw(spec, stem_at_top);
    EXPECT_TRUE(image.ok());
    return std::move(image).value();
  }
  Rect Measure(const std::string& text, unsigned flags, int width = 240,
               int weight = Font::kNormalWeight) {
    const Font font("Tahoma", 8.25, weight);
    return text_.MeasureText(font, text, Rect{0, 0, width, 0}, flags);
  }

  const TextSystem& text_ = TextSystem::Shared();
  ToolTipPainter painter_{text_};
};

TEST_F(ToolTipImageTest, RectangleIsTheTextWithPaddingAndAFrame) {
  ToolTipSpec spec;
  spec.text = "Open the page";
  const ToolTipImage image = Draw(spec);
  const Rect text = Measure(spec.text, kDtNoPrefix | kDtWordBreak);
  ASSERT_GT(text.Width(), 0);
  EXPECT_EQ(image.pixels.Width(), text.Width() + 10);   // 1 + 4 on each side
  EXPECT_EQ(image.pixels.Height(), text.Height() + 6);  // 1 + 2 above and below
  EXPECT_EQ(image.text_rect.left, 5);
  EXPECT_EQ(image.text_rect.top, 3);
  EXPECT_EQ(image.shape, Region::FromRect(image.pixels.Bounds()));
  EXPECT_EQ(image.pixels.GetPixel(0, 0), kFrame);
  EXPECT_EQ(image.pixels.GetPixel(image.pixels.Width() - 1, image.pixels.Height() - 1), kFrame);
  EXPECT_EQ(image.pixels.GetPixel(1, 1), kInfoBackground);
  EXPECT_TRUE(image.title_rect.IsEmpty());
  EXPECT_TRUE(image.icon_rect.IsEmpty());
}

TEST_F(ToolTipImageTest, BackColourReplacesTheSystemColour) {
  ToolTipSpec spec;
  spec.text = "x";
  spec.back_color = Rgb(0, 128, 255);
  const ToolTipImage image = Draw(spec);
  EXPECT_EQ(image.pixels.GetPixel(1, 1), Rgb(0, 128, 255));
}

TEST_F(ToolTipImageTest, LongTextWrapsAt240Pixels) {
  ToolTipSpec spec;
  for (int i = 0; i < 40; ++i) spec.text += "word ";
  const ToolTipImage image = Draw(spec);
  const Font font("Tahoma", 8.25);
  EXPECT_LE(image.text_rect.Width(), 240);
  EXPECT_GE(image.text_rect.Height(), 3 * text_.LineHeight(font));
  EXPECT_LE(image.pixels.Width(), 250);
}

TEST_F(ToolTipImageTest, LineBreaksStartNewLines) {
  ToolTipSpec spec;
  spec.text = "one\ntwo\nthree";
  const ToolTipImage image = Draw(spec);
  const Font font("Tahoma", 8.25);
  EXPECT_EQ(image.text_rect.Height(), 3 * text_.LineHeight(font));
}

TEST_F(ToolTipImageTest, TitleLineWithIconAboveTheText) {
  ToolTipSpec spec;
  spec.text = "body text";
  spec.title = "Title";
  spec.icon = 1;
  const ToolTipImage image = Draw(spec);
  EXPECT_EQ(image.icon_rect, Rect::FromXYWH(5, 3, 16, 16));
  EXPECT_EQ(image.title_rect.left, 5 + 16 + 4);
  const Rect title = Measure("Title", kDtNoPrefix | kDtSingleLine, 2048, Font::kBoldWeight);
  EXPECT_EQ(image.title_rect.Width(), title.Width());
  EXPECT_EQ(image.text_rect.top, 3 + std::max(16, title.Height()) + 4);
  EXPECT_EQ(image.pixels.GetPixel(5 + 2, 3 + 8), Rgb(40, 100, 210));  // the information disc
}

TEST_F(ToolTipImageTest, WarningAndErrorIcons) {
  ToolTipSpec spec;
  spec.text = "t";
  spec.title = "T";
  spec.icon = 3;
  EXPECT_EQ(Draw(spec).pixels.GetPixel(5 + 2, 3 + 8), Rgb(210, 40, 40));
  spec.icon = 2;
  EXPECT_EQ(Draw(spec).pixels.GetPixel(5 + 8, 3 + 13), Rgb(250, 200, 20));
}

TEST_F(ToolTipImageTest, IconWithoutTitleIsNotDrawn) {
  ToolTipSpec spec;
  spec.text = "t";
  spec.icon = 2;
  const ToolTipImage image = Draw(spec);
  EXPECT_TRUE(image.icon_rect.IsEmpty());
  EXPECT_EQ(image.text_rect.top, 3);
}

TEST_F(ToolTipImageTest, BalloonHasRoundCornersAndAStemAtTheTop) {
  ToolTipSpec spec;
  spec.text = "A balloon tip";
  spec.balloon = true;
  const ToolTipImage image = Draw(spec);
  const int w = image.pixels.Width();
  const int h = image.pixels.Height();
  EXPECT_EQ(image.stem_tip, (Point{16, 0}));
  EXPECT_TRUE(image.shape.Contains(16, 0));
  EXPECT_FALSE(image.shape.Contains(15, 0));
  EXPECT_FALSE(image.shape.Contains(40, 0));
  EXPECT_FALSE(image.shape.Contains(0, 12));  // the body's rounded corner
  EXPECT_FALSE(image.shape.Contains(w - 1, h - 1));
  EXPECT_TRUE(image.shape.Contains(w / 2, 12));  // the body's top edge
  EXPECT_TRUE(image.shape.Contains(w / 2, h - 1));
  EXPECT_EQ(image.pixels.GetPixel(16, 0), kFrame);
  EXPECT_EQ(image.pixels.GetPixel(w / 2, 12), kFrame);
  EXPECT_EQ(image.pixels.GetPixel(w / 2, 14), kInfoBackground);
  EXPECT_EQ(image.text_rect.top, 12 + 1 + 6);
  EXPECT_EQ(image.text_rect.left, 1 + 10);
  // The stem opens into the body: no frame across it.
  EXPECT_EQ(image.pixels.GetPixel(19, 12), kInfoBackground);
}

TEST_F(ToolTipImageTest, FlippedBalloonHasItsStemAtTheBottom) {
  ToolTipSpec spec;
  spec.text = "A balloon tip";
  spec.balloon = true;
  const ToolTipImage image = Draw(spec, /*stem_at_top=*/false);
  const int h = image.pixels.Height();
  EXPECT_EQ(image.stem_tip, (Point{16, h - 1}));
  EXPECT_TRUE(image.shape.Contains(16, h - 1));
  EXPECT_TRUE(image.shape.Contains(image.pixels.Width() / 2, 0));
  EXPECT_EQ(image.text_rect.top, 1 + 6);
}

TEST_F(ToolTipImageTest, RightToLeftMirrorsTheStemAndTheTitleLine) {
  ToolTipSpec spec;
  spec.text = "text";
  spec.title = "Title";
  spec.icon = 1;
  spec.balloon = true;
  spec.right_to_left = true;
  const ToolTipImage image = Draw(spec);
  const int w = image.pixels.Width();
  EXPECT_EQ(image.stem_tip, (Point{w - 1 - 16, 0}));
  EXPECT_TRUE(image.shape.Contains(w - 17, 0));
  EXPECT_FALSE(image.shape.Contains(w - 16, 0));
  const int content_right = w - 1 - 10;
  EXPECT_EQ(image.icon_rect.right, content_right);
  EXPECT_EQ(image.title_rect.right, content_right - 16 - 4);
  EXPECT_EQ(image.text_rect.right, content_right);
}

TEST_F(ToolTipImageTest, HugeTextsStayBounded) {
  ToolTipSpec spec;
  spec.text = std::string(200000, 'x');
  spec.title = std::string(100000, 'y');
  const ToolTipImage image = Draw(spec);
  EXPECT_LE(image.pixels.Width(), ToolTipPainter::kMaxExtent);
  EXPECT_LE(image.pixels.Height(), ToolTipPainter::kMaxExtent);
}

TEST(ToolTipPlacement, RectangleBelowThePointerOrAbove) {
  const Rect screen{0, 0, 1024, 768};
  EXPECT_EQ(ToolTipPainter::Place({100, 20}, false, {}, {300, 200}, screen).origin,
            (Point{300, 220}));
  EXPECT_EQ(ToolTipPainter::Place({100, 20}, false, {}, {300, 740}, screen).origin,
            (Point{300, 718}));
  EXPECT_EQ(ToolTipPainter::Place({100, 20}, false, {}, {1000, 200}, screen).origin,
            (Point{924, 220}));
}

TEST(ToolTipPlacement, BalloonStemTipAtThePointer) {
  const Rect screen{0, 0, 1024, 768};
  const ToolTipPlacement below =
      ToolTipPainter::Place({120, 50}, true, {16, 0}, {300, 200}, screen);
  EXPECT_EQ(below.origin, (Point{284, 200}));
  EXPECT_TRUE(below.stem_at_top);
  const ToolTipPlacement above =
      ToolTipPainter::Place({120, 50}, true, {16, 0}, {300, 740}, screen);
  EXPECT_EQ(above.origin, (Point{284, 691}));
  EXPECT_FALSE(above.stem_at_top);
  EXPECT_EQ(ToolTipPainter::Place({120, 50}, true, {16, 0}, {5, 200}, screen).origin.x, 0);
}

}  // namespace
}  // namespace tovarin::platform
