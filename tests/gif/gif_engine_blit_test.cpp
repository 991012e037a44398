// The engine's row kernels against the raster layer: for every format pair and operation they
// handle, the same arguments must give the same pixels, clipping included; and whole
// animations drawn both ways must match frame by frame.

#include <gtest/gtest.h>

#include <random>

#include "gif/frame_blits.h"
#include "gif_engine_test_harness.h"
#include "gif_engine_test_support.h"
#include "platform/raster/raster.h"

namespace tovarin::gif::testing {
namespace {

using platform::Bitmap;
using platform::RasterOp;

Bitmap RandomBitmap(std::mt19937& random, int width, int height, int bits) {
  Bitmap bitmap = Bitmap::Create(width, height, bits).value();
  for (auto& byte : bitmap.Bits()) byte = static_cast<std::uint8_t>(random());
  if (bits == 8) {
    std::vector<platform::PaletteEntry> table(256);
    for (auto& entry : table) entry = static_cast<platform::PaletteEntry>(random() & 0xFFFFFF);
    bitmap.SetColorTable(0, table);
  }
  return bitmap;
}

// A block of up to 50 x 16 pixels placed partly off both bitmaps, or empty.
struct Placement {
  int x, y, w, h, sx, sy;
};
Placement RandomPlacement(std::mt19937& random) {
  // Braced initialisers are evaluated in order, so the draws are too.
  return Placement{static_cast<int>(random() % 50) - 10, static_cast<int>(random() % 16) - 4,
                   static_cast<int>(random() % 50) - 2,  static_cast<int>(random() % 16) - 2,
                   static_cast<int>(random() % 50) - 10, static_cast<int>(random() % 16) - 4};
}

struct Pair {
  int from, to;
  RasterOp op;
};

TEST(FastBlit, MatchesTheRasterLayerForEveryHandledPairWithClipping) {
  const Pair pairs[] = {
      {8, 24, RasterOp::kSrcCopy}, {8, 24, RasterOp::kSrcAnd},   {8, 24, RasterOp::kSrcPaint},
      {1, 24, RasterOp::kSrcAnd},  {24, 24, RasterOp::kSrcCopy}, {24, 24, RasterOp::kSrcPaint},
      {8, 1, RasterOp::kSrcCopy},  {8, 1, RasterOp::kSrcAnd},
  };
  std::mt19937 random(20240601);
  for (const Pair& pair : pairs) {
    for (int round = 0; round < 200; ++round) {
      const Bitmap source = RandomBitmap(random, 1 + random() % 40, 1 + random() % 12, pair.from);
      Bitmap expected = RandomBitmap(random, 1 + random() % 40, 1 + random() % 12, pair.to);
      if (pair.to == 1 && round % 2 == 0) {
        // Besides the mask's own black and white, any two colours.
        const std::array<platform::PaletteEntry, 2> two{
            static_cast<platform::PaletteEntry>(random() & 0xFFFFFFu),
            static_cast<platform::PaletteEntry>(random() & 0xFFFFFFu)};
        expected.SetColorTable(0, two);
      }
      Bitmap actual = expected.Clone();
      const auto [x, y, w, h, sx, sy] = RandomPlacement(random);
      platform::Blit(expected, x, y, w, h, source, sx, sy, pair.op);
      ASSERT_TRUE(FastBlit(actual, x, y, w, h, source, sx, sy, pair.op));
      ASSERT_TRUE(std::equal(expected.Bits().begin(), expected.Bits().end(), actual.Bits().begin()))
          << pair.from << "->" << pair.to << " op " << static_cast<int>(pair.op) << " round "
          << round;
    }
  }
}

TEST(FastBlit, MaskPassesWithOneOddIndexMatchTheRasterLayer) {
  // The mask passes of a transparent frame: one colour for the transparent index, another for
  // every other index (or one colour for all), onto masks of black and white or of any two
  // colours. Pixels hold the odd index often, next to its neighbours and index 255.
  std::mt19937 random(77);
  for (int round = 0; round < 400; ++round) {
    Bitmap source =
        Bitmap::Create(1 + static_cast<int>(random() % 70), 1 + static_cast<int>(random() % 6), 8)
            .value();
    const auto odd = static_cast<std::uint8_t>(round % 4 == 0   ? 255
                                               : round % 4 == 1 ? 0
                                                                : random());
    const auto rest_colour =
        static_cast<platform::PaletteEntry>(round % 2 == 0 ? 0 : random() & 0xFFFFFFu);
    const auto odd_colour =
        static_cast<platform::PaletteEntry>(round % 5 == 0   ? rest_colour
                                            : round % 2 == 0 ? 0xFFFFFFu
                                                             : random() & 0xFFFFFFu);
    std::vector<platform::PaletteEntry> table(256, rest_colour);
    table[odd] = odd_colour;
    source.SetColorTable(0, table);
    for (auto& byte : source.Bits()) {
      const unsigned pick = random() % 4;
      byte = pick == 0   ? odd
             : pick == 1 ? static_cast<std::uint8_t>(odd + 1)
                         : static_cast<std::uint8_t>(random());
    }
    Bitmap expected = RandomBitmap(random, 1 + static_cast<int>(random() % 70),
                                   1 + static_cast<int>(random() % 6), 1);
    if (round % 3 == 0) {
      const std::array<platform::PaletteEntry, 2> two{
          static_cast<platform::PaletteEntry>(random() & 0xFFFFFFu),
          static_cast<platform::PaletteEntry>(random() & 0xFFFFFFu)};
      expected.SetColorTable(0, two);
    }
    Bitmap actual = expected.Clone();
    const RasterOp op = round % 2 == 0 ? RasterOp::kSrcCopy : RasterOp::kSrcAnd;
    const int x = static_cast<int>(random() % 20) - 5;
    const int sx = static_cast<int>(random() % 20) - 5;
    platform::Blit(expected, x, 0, 80, 8, source, sx, 0, op);
    ASSERT_TRUE(FastBlit(actual, x, 0, 80, 8, source, sx, 0, op));
    ASSERT_TRUE(std::equal(expected.Bits().begin(), expected.Bits().end(), actual.Bits().begin()))
        << "round " << round << " odd index " << int{odd};
  }
}

TEST(FastBlit, FusedPassesMatchTwoRasterBlits) {
  std::mt19937 random(4242);
  for (int round = 0; round < 300; ++round) {
    const auto [x, y, w, h, sx, sy] = RandomPlacement(random);
    {
      Bitmap strip = RandomBitmap(random, 1 + random() % 40, 1 + random() % 12, 8);
      Bitmap expected = RandomBitmap(random, 1 + random() % 40, 1 + random() % 12, 24);
      Bitmap actual = expected.Clone();
      std::vector<platform::PaletteEntry> and_colors(256);
      for (auto& entry : and_colors)
        entry = random() % 2 == 0 ? 0xFFFFFFu : static_cast<std::uint32_t>(random() & 0xFFFFFF);
      const std::vector<platform::PaletteEntry> paint_colors(strip.ColorTable().begin(),
                                                             strip.ColorTable().end());
      strip.SetColorTable(0, and_colors);
      platform::Blit(expected, x, y, w, h, strip, sx, sy, RasterOp::kSrcAnd);
      strip.SetColorTable(0, paint_colors);
      platform::Blit(expected, x, y, w, h, strip, sx, sy, RasterOp::kSrcPaint);
      ASSERT_TRUE(FastAndThenPaint(actual, x, y, w, h, strip, sx, sy, and_colors, paint_colors));
      ASSERT_TRUE(std::equal(expected.Bits().begin(), expected.Bits().end(), actual.Bits().begin()))
          << round;
    }
    {
      const int width = 1 + static_cast<int>(random() % 40);
      const int height = 1 + static_cast<int>(random() % 12);
      Bitmap mask = RandomBitmap(random, width, height, 1);
      if (round % 3 == 0) {
        const std::array<platform::PaletteEntry, 2> two{
            static_cast<platform::PaletteEntry>(random() & 0xFFFFFF), 0xFFFFFFu};
        mask.SetColorTable(0, two);
      }
      const Bitmap canvas = RandomBitmap(random, width, height, 24);
      Bitmap expected = RandomBitmap(random, 1 + random() % 40, 1 + random() % 12, 24);
      Bitmap actual = expected.Clone();
      platform::Blit(expected, x, y, w, h, mask, sx, sy, RasterOp::kSrcAnd);
      platform::Blit(expected, x, y, w, h, canvas, sx, sy, RasterOp::kSrcPaint);
      ASSERT_TRUE(FastMaskedCanvas(actual, x, y, w, h, mask, canvas, sx, sy));
      ASSERT_TRUE(std::equal(expected.Bits().begin(), expected.Bits().end(), actual.Bits().begin()))
          << round;
    }
  }
}

TEST(FastBlit, DeclinesWhatItDoesNotHandle) {
  Bitmap a = Bitmap::Create(4, 4, 24).value();
  Bitmap b = Bitmap::Create(4, 4, 32).value();
  Bitmap mono = Bitmap::Create(4, 4, 1).value();
  EXPECT_FALSE(FastBlit(a, 0, 0, 4, 4, a, 0, 0, RasterOp::kSrcCopy));
  EXPECT_FALSE(FastBlit(b, 0, 0, 4, 4, a, 0, 0, RasterOp::kSrcCopy));
  EXPECT_FALSE(FastBlit(a, 0, 0, 4, 4, mono, 0, 0, RasterOp::kSrcPaint));
  EXPECT_FALSE(FastBlit(a, 0, 0, 4, 4, a, 0, 0, RasterOp::kSrcInvert));
}

TEST(FastBlit, FillsMatchTheRasterLayer) {
  std::mt19937 random(7);
  for (int round = 0; round < 100; ++round) {
    Bitmap canvas = RandomBitmap(random, 1 + random() % 30, 1 + random() % 8, 24);
    Bitmap mask = RandomBitmap(random, canvas.Width(), canvas.Height(), 1);
    const platform::Rect rect = platform::Rect::FromXYWH(
        static_cast<int>(random() % 36) - 3, static_cast<int>(random() % 10) - 1,
        static_cast<int>(random() % 30), static_cast<int>(random() % 8));
    Bitmap expected_canvas = canvas.Clone();
    Bitmap expected_mask = mask.Clone();
    platform::FillRect(expected_canvas, rect, platform::Rgb(0, 0, 0));
    platform::FillRect(expected_mask, rect, platform::Rgb(255, 255, 255));
    ClearToBlack(canvas, rect);
    SetMaskBits(mask, rect);
    ASSERT_TRUE(
        std::equal(canvas.Bits().begin(), canvas.Bits().end(), expected_canvas.Bits().begin()))
        << round;
    ASSERT_TRUE(std::equal(mask.Bits().begin(), mask.Bits().end(), expected_mask.Bits().begin()))
        << round;
  }
}

// Random animations (positions, sizes, disposal methods, transparency, local tables smaller
// than the indices used, offsets that push the canvas partly off the control) drawn by two
// engines, one on the row kernels and one on the raster layer.
TEST(FastBlit, WholeAnimationsDrawTheSameBothWays) {
  std::mt19937 random(99);
  for (int round = 0; round < 60; ++round) {
    const int screen_width = 1 + static_cast<int>(random() % 40);
    const int screen_height = 1 + static_cast<int>(random() % 20);
    TestGif gif;
    for (int i = 0; i < 16; ++i)
      gif.global_table.push_back(static_cast<std::uint32_t>(random() & 0xFFFFFF));
    const int frame_count = 2 + static_cast<int>(random() % 5);
    for (int f = 0; f < frame_count; ++f) {
      TestFrame frame;
      frame.width =
          f == 0 && round % 3 == 0 ? screen_width : 1 + static_cast<int>(random() % screen_width);
      frame.height =
          f == 0 && round % 3 == 0 ? screen_height : 1 + static_cast<int>(random() % screen_height);
      frame.left =
          static_cast<int>(random() % static_cast<unsigned>(screen_width - frame.width + 1));
      frame.top =
          static_cast<int>(random() % static_cast<unsigned>(screen_height - frame.height + 1));
      frame.disposal = static_cast<int>(random() % 4);
      frame.transparent = random() % 2 == 0 ? static_cast<int>(random() % 20) : -1;
      if (random() % 3 == 0) {
        for (int i = 0; i < 4; ++i)
          frame.local_table.push_back(static_cast<std::uint32_t>(random() & 0xFFFFFF));
      }
      for (int p = 0; p < frame.width * frame.height; ++p)
        frame.indices.push_back(static_cast<std::uint8_t>(random() % 20));
      gif.frames.push_back(frame);
    }
    const std::vector<std::uint8_t> bytes = BuildGif(gif);
    const int offset_x = static_cast<int>(random() % 9) - 4;
    const int offset_y = static_cast<int>(random() % 5) - 2;
    const bool solid = random() % 4 == 0;
    const HarnessOptions options{
        .user_mode = true, .width = screen_width + 3, .height = screen_height + 1};
    EngineHarness fast(options);
    EngineHarness general(options);
    general.engine.SetFastBlits(false);
    for (EngineHarness* h : {&fast, &general}) {
      h->engine.delayAnimation = 0;
      h->engine.stretchMode = StretchSetting::kImageSize;
      h->engine.offsetX = offset_x;
      h->engine.offsetY = offset_y;
      h->engine.solidBkgColorUsed = solid;
      h->engine.solidBkgColor = 0x336699;
      ASSERT_EQ(h->Load(bytes), frame_count);
    }
    for (int pass = 0; pass < 2; ++pass) {
      for (int f = 1; f <= frame_count; ++f) {
        Bitmap a = SolidSurface(options.width, options.height, platform::Rgb(9, 200, 77));
        Bitmap b = SolidSurface(options.width, options.height, platform::Rgb(9, 200, 77));
        fast.engine.DrawFrame(f, a);
        general.engine.DrawFrame(f, b);
        ASSERT_TRUE(std::equal(a.Bits().begin(), a.Bits().end(), b.Bits().begin()))
            << round << " frame " << f;
        if (fast.engine.Mask() != nullptr) {
          ASSERT_TRUE(std::equal(fast.engine.Mask()->Bits().begin(),
                                 fast.engine.Mask()->Bits().end(),
                                 general.engine.Mask()->Bits().begin()))
              << round << " frame " << f;
        }
      }
    }
  }
}

}  // namespace
}  // namespace tovarin::gif::testing
