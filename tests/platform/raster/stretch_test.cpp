#include <gtest/gtest.h>

#include <vector>

#include "platform/raster/raster.h"
#include "tests/platform/raster/raster_test_support.h"

namespace tovarin::platform {
namespace {

using testing::Colors;
using testing::Filled;
using testing::FromColors;
using testing::FromIndices;
using testing::Indices;
using testing::MakeBitmap;
using Grid = std::vector<std::vector<ColorRef>>;
using IndexGrid = std::vector<std::vector<int>>;

constexpr ColorRef kBlack = Rgb(0, 0, 0);
constexpr ColorRef kWhite = Rgb(255, 255, 255);
constexpr ColorRef kSky = Rgb(100, 150, 200);

ColorRef Red(int r) { return Rgb(r, 0, 0); }

Bitmap Stretched(const Bitmap& src, int w, int h, StretchMode mode) {
  Bitmap target = MakeBitmap(w, h, 24);
  StretchBlit(target, 0, 0, w, h, src, 0, 0, src.Width(), src.Height(), RasterOp::kSrcCopy, mode);
  return target;
}

// --- Halftone (area averaging) --------------------------------------------------------------

TEST(HalftoneStretch, CheckerToOnePixelIsTheAverage) {
  const Bitmap checker = FromColors({{kBlack, Rgb(200, 100, 50)}, {Rgb(200, 100, 50), kBlack}});
  EXPECT_EQ(Stretched(checker, 1, 1, StretchMode::kHalftone).GetPixel(0, 0), Rgb(100, 50, 25));
  // 127.5 rounds half up.
  const Bitmap black_white = FromColors({{kBlack, kWhite}, {kWhite, kBlack}});
  EXPECT_EQ(Stretched(black_white, 1, 1, StretchMode::kHalftone).GetPixel(0, 0),
            Rgb(128, 128, 128));
}

TEST(HalftoneStretch, FractionalOverlapsAreWeightedExactly) {
  // 3 -> 2: target 0 covers source [0, 1.5), target 1 covers [1.5, 3).
  const Bitmap three = FromColors({{Red(0), Red(90), Red(180)}});
  EXPECT_EQ(Colors(Stretched(three, 2, 1, StretchMode::kHalftone)), (Grid{{Red(30), Red(150)}}));
  // 2 -> 3: the middle target pixel is half of each source pixel.
  const Bitmap two = FromColors({{Red(0), Red(200)}});
  EXPECT_EQ(Colors(Stretched(two, 3, 1, StretchMode::kHalftone)),
            (Grid{{Red(0), Red(100), Red(200)}}));
  // 2 -> 4: each target pixel lies within one source pixel.
  EXPECT_EQ(Colors(Stretched(two, 4, 1, StretchMode::kHalftone)),
            (Grid{{Red(0), Red(0), Red(200), Red(200)}}));
  // Vertically, 3 -> 2 in the green channel.
  const Bitmap column = FromColors({{Rgb(0, 30, 0)}, {Rgb(0, 60, 0)}, {Rgb(0, 90, 0)}});
  EXPECT_EQ(Colors(Stretched(column, 1, 2, StretchMode::kHalftone)),
            (Grid{{Rgb(0, 40, 0)}, {Rgb(0, 80, 0)}}));
}

TEST(HalftoneStretch, BothAxesAtOnce) {
  // 2 x 2 -> 3 x 3: corners copy their source pixel, edges average two, the centre four.
  const Bitmap quad = FromColors({{Red(0), Red(40)}, {Red(80), Red(120)}});
  EXPECT_EQ(
      Colors(Stretched(quad, 3, 3, StretchMode::kHalftone)),
      (Grid{
          {Red(0), Red(20), Red(40)}, {Red(40), Red(60), Red(80)}, {Red(80), Red(100), Red(120)}}));
}

// Alternating columns of two table colours averaged into one pixel: red 0/1 and blue
// 100/101 average to exact halves (rounded up), green stays 255.
ColorRef AverageOfAlternatingColumns(int width, int height) {
  Bitmap source = testing::MakeBitmap(width, height, 8);
  const std::vector<PaletteEntry> table = {0x00FF64, 0x01FF65};
  source.SetColorTable(0, table);
  for (int y = 0; y < height; ++y) {
    for (int x = 1; x < width; x += 2) source.SetIndex(x, y, 1);
  }
  return Stretched(source, 1, 1, StretchMode::kHalftone).GetPixel(0, 0);
}

TEST(HalftoneStretch, LargeSourcesRoundExactly) {
  EXPECT_EQ(AverageOfAlternatingColumns(4100, 1), Rgb(1, 255, 101));
  // 4100 x 2050 weights sum to more than 2^23.
  EXPECT_EQ(AverageOfAlternatingColumns(4100, 2050), Rgb(1, 255, 101));
}

TEST(HalftoneStretch, IndexedSourcesAverageTheirTableColours) {
  Bitmap strip = FromIndices({{1, 2}});
  const std::vector<PaletteEntry> table = {0x000000, 0x0000FF, 0x00FF00};
  strip.SetColorTable(0, table);
  EXPECT_EQ(Stretched(strip, 1, 1, StretchMode::kHalftone).GetPixel(0, 0), Rgb(0, 128, 128));
}

TEST(HalftoneStretch, MaskPassThroughAStretchedMonoMask) {
  const Bitmap mask = FromIndices({{1, 0}}, 1);  // white = background shows
  Bitmap surface = Filled(4, 1, kSky);
  StretchBlit(surface, 0, 0, 4, 1, mask, 0, 0, 2, 1, RasterOp::kSrcAnd, StretchMode::kHalftone);
  EXPECT_EQ(Colors(surface), (Grid{{kSky, kSky, kBlack, kBlack}}));
}

// --- Nearest (delete scans) ----------------------------------------------------------------------

TEST(NearestStretch, SamplesTheSourcePixelUnderEachTargetCentre) {
  const Bitmap four = FromColors({{Red(1), Red(2), Red(3), Red(4)}});
  EXPECT_EQ(Colors(Stretched(four, 2, 1, StretchMode::kDeleteScans)), (Grid{{Red(2), Red(4)}}));
  const Bitmap two = FromColors({{Red(1), Red(2)}});
  EXPECT_EQ(Colors(Stretched(two, 4, 1, StretchMode::kDeleteScans)),
            (Grid{{Red(1), Red(1), Red(2), Red(2)}}));
  const Bitmap three = FromColors({{Red(1), Red(2), Red(3)}});
  EXPECT_EQ(Colors(Stretched(three, 2, 1, StretchMode::kDeleteScans)), (Grid{{Red(1), Red(3)}}));
}

TEST(NearestStretch, EqualSizesArePlainBlits) {
  const Bitmap source = FromColors({{Rgb(0xF0, 0x0F, 0xFF)}});
  for (StretchMode mode : {StretchMode::kDeleteScans, StretchMode::kHalftone}) {
    Bitmap target = Filled(3, 1, Rgb(0x3C, 0x3C, 0x3C));
    StretchBlit(target, 1, 0, 1, 1, source, 0, 0, 1, 1, RasterOp::kSrcAnd, mode);
    EXPECT_EQ(Colors(target),
              (Grid{{Rgb(0x3C, 0x3C, 0x3C), Rgb(0x30, 0x0C, 0x3C), Rgb(0x3C, 0x3C, 0x3C)}}));
  }
}

// --- Mirroring
// --------------------------------------------------------------------------------------

Bitmap Numbered(int w, int h) {
  Grid grid(static_cast<std::size_t>(h));
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) grid[static_cast<std::size_t>(y)].push_back(Rgb(x + 1, y + 1, 9));
  }
  return FromColors(grid);
}

TEST(MirrorStretch, HorizontalInPlaceFlipsOnlyTheFrameArea) {
  for (StretchMode mode : {StretchMode::kDeleteScans, StretchMode::kHalftone}) {
    Bitmap strip = Numbered(7, 2);
    // A frame at columns 2..4: source x = left + width - 1, source width = -width.
    StretchBlit(strip, 2, 0, 3, 2, strip, 4, 0, -3, 2, RasterOp::kSrcCopy, mode);
    for (int y = 0; y < 2; ++y) {
      const std::vector<int> expected = {1, 2, 5, 4, 3, 6, 7};
      for (int x = 0; x < 7; ++x)
        EXPECT_EQ(strip.GetPixel(x, y), Rgb(expected[x], y + 1, 9)) << x << "," << y;
    }
  }
}

TEST(MirrorStretch, VerticalAndBothInPlace) {
  Bitmap b = Numbered(2, 3);
  StretchBlit(b, 0, 0, 2, 3, b, 0, 2, 2, -3, RasterOp::kSrcCopy, StretchMode::kHalftone);
  EXPECT_EQ(Colors(b), (Grid{{Rgb(1, 3, 9), Rgb(2, 3, 9)},
                             {Rgb(1, 2, 9), Rgb(2, 2, 9)},
                             {Rgb(1, 1, 9), Rgb(2, 1, 9)}}));
  Bitmap c = Numbered(2, 2);
  StretchBlit(c, 0, 0, 2, 2, c, 1, 1, -2, -2, RasterOp::kSrcCopy, StretchMode::kDeleteScans);
  EXPECT_EQ(Colors(c), (Grid{{Rgb(2, 2, 9), Rgb(1, 2, 9)}, {Rgb(2, 1, 9), Rgb(1, 1, 9)}}));
}

TEST(MirrorStretch, IndexedStripKeepsItsIndicesEvenWithRepeatedTableColours) {
  // A new 8-bit bitmap has 256 black entries: mirroring must move indices, not colours.
  Bitmap strip = FromIndices({{10, 20, 30}, {40, 50, 60}});
  StretchBlit(strip, 0, 0, 3, 2, strip, 2, 1, -3, -2, RasterOp::kSrcCopy, StretchMode::kHalftone);
  EXPECT_EQ(Indices(strip), (IndexGrid{{60, 50, 40}, {30, 20, 10}}));
  Bitmap copy = MakeBitmap(3, 2, 8);
  Blit(copy, 0, 0, 3, 2, strip, 0, 0, RasterOp::kSrcCopy);
  EXPECT_EQ(Indices(copy), (IndexGrid{{60, 50, 40}, {30, 20, 10}}));
}

TEST(MirrorStretch, MirroredWhileScaling) {
  const Bitmap two = FromColors({{Red(0), Red(200)}});
  Bitmap target = MakeBitmap(3, 1, 24);
  StretchBlit(target, 0, 0, 3, 1, two, 1, 0, -2, 1, RasterOp::kSrcCopy, StretchMode::kHalftone);
  EXPECT_EQ(Colors(target), (Grid{{Red(200), Red(100), Red(0)}}));
  // A negative target extent mirrors as well: its first pixel is the given x.
  Bitmap flipped = MakeBitmap(4, 1, 24);
  StretchBlit(flipped, 3, 0, -4, 1, two, 0, 0, 2, 1, RasterOp::kSrcCopy, StretchMode::kDeleteScans);
  EXPECT_EQ(Colors(flipped), (Grid{{Red(200), Red(200), Red(0), Red(0)}}));
}

// --- Clipping
// ---------------------------------------------------------------------------------------

TEST(StretchClipping, PartlyOutsideTargetsKeepTheMapping) {
  const Bitmap two = FromColors({{Red(0), Red(200)}});
  Bitmap left = Filled(3, 1, kSky);
  StretchBlit(left, -1, 0, 3, 1, two, 0, 0, 2, 1, RasterOp::kSrcCopy, StretchMode::kHalftone);
  EXPECT_EQ(Colors(left), (Grid{{Red(100), Red(200), kSky}}));
  Bitmap bottom = Filled(1, 2, kSky);
  const Bitmap column = FromColors({{Red(0)}, {Red(200)}});
  StretchBlit(bottom, 0, 1, 1, 4, column, 0, 0, 1, 2, RasterOp::kSrcCopy,
              StretchMode::kDeleteScans);
  EXPECT_EQ(Colors(bottom), (Grid{{kSky}, {Red(0)}}));
}

TEST(StretchClipping, ClipRegionAndDegenerateArguments) {
  const Bitmap two = FromColors({{Red(0), Red(200)}});
  Bitmap target = Filled(4, 1, kSky);
  const Region clip = Region::FromRect(Rect{1, 0, 3, 1});
  StretchBlit(target, 0, 0, 4, 1, two, 0, 0, 2, 1, RasterOp::kSrcCopy, StretchMode::kHalftone,
              &clip);
  EXPECT_EQ(Colors(target), (Grid{{kSky, Red(0), Red(200), kSky}}));
  Bitmap untouched = Filled(2, 1, kSky);
  StretchBlit(untouched, 0, 0, 0, 1, two, 0, 0, 2, 1, RasterOp::kSrcCopy, StretchMode::kHalftone);
  StretchBlit(untouched, 0, 0, 2, 1, two, 0, 0, 0, 1, RasterOp::kSrcCopy, StretchMode::kHalftone);
  StretchBlit(untouched, 5, 0, 2, 1, two, 0, 0, 1, 1, RasterOp::kSrcCopy, StretchMode::kHalftone);
  EXPECT_EQ(Colors(untouched), (Grid{{kSky, kSky}}));
}

TEST(StretchClipping, SourceOutsideItsBitmapReadsAsZero) {
  const Bitmap two = FromColors({{Red(200), Red(200)}});
  Bitmap target = Filled(4, 1, kSky);
  // Source columns -1 and 0: the first is outside.
  StretchBlit(target, 0, 0, 4, 1, two, -1, 0, 2, 1, RasterOp::kSrcCopy, StretchMode::kDeleteScans);
  EXPECT_EQ(Colors(target), (Grid{{kBlack, kBlack, Red(200), Red(200)}}));
}

}  // namespace
}  // namespace tovarin::platform
