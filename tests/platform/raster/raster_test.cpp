#include "platform/raster/raster.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <vector>

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
constexpr ColorRef kRed = Rgb(255, 0, 0);
constexpr ColorRef kBlue = Rgb(0, 0, 255);
constexpr ColorRef kSky = Rgb(100, 150, 200);

// --- Blit between formats -------------------------------------------------------------

TEST(BlitFormats, IndexedToDirectGoesThroughTheColourTable) {
  Bitmap strip = FromIndices({{0, 1, 2}});
  const std::vector<PaletteEntry> table = {0xFF0000, 0x00FF00, 0x102030};
  strip.SetColorTable(0, table);
  for (int bpp : {24, 32}) {
    Bitmap target = MakeBitmap(3, 1, bpp);
    Blit(target, 0, 0, 3, 1, strip, 0, 0, RasterOp::kSrcCopy);
    EXPECT_EQ(Colors(target), (Grid{{kRed, Rgb(0, 255, 0), Rgb(0x10, 0x20, 0x30)}})) << bpp;
  }
}

TEST(BlitFormats, ReplacingTheTableRecoloursTheNextBlit) {
  Bitmap strip = FromIndices({{0, 1}});
  const std::vector<PaletteEntry> first = {0x0000FF, 0xFFFFFF};
  strip.SetColorTable(0, first);
  Bitmap target = MakeBitmap(2, 1, 24);
  Blit(target, 0, 0, 2, 1, strip, 0, 0, RasterOp::kSrcCopy);
  EXPECT_EQ(Colors(target), (Grid{{kBlue, kWhite}}));
  const std::vector<PaletteEntry> second = {0xFF0000};
  strip.SetColorTable(0, second);
  Blit(target, 0, 0, 2, 1, strip, 0, 0, RasterOp::kSrcCopy);
  EXPECT_EQ(Colors(target), (Grid{{kRed, kWhite}}));
}

TEST(BlitFormats, MonoSourceGivesItsTableColours) {
  Bitmap mask = FromIndices({{0, 1}}, 1);
  Bitmap target = MakeBitmap(2, 1, 24);
  Blit(target, 0, 0, 2, 1, mask, 0, 0, RasterOp::kSrcCopy);
  EXPECT_EQ(Colors(target), (Grid{{kBlack, kWhite}}));
  const std::vector<PaletteEntry> table = {0x00FF00, 0x0000FF};
  mask.SetColorTable(0, table);
  Blit(target, 0, 0, 2, 1, mask, 0, 0, RasterOp::kSrcCopy);
  EXPECT_EQ(Colors(target), (Grid{{Rgb(0, 255, 0), kBlue}}));
}

TEST(BlitFormats, DirectToMonoTakesTheNearerTableColour) {
  Bitmap picture =
      FromColors({{Rgb(100, 100, 100), Rgb(128, 128, 128), Rgb(200, 10, 10), Rgb(10, 200, 200)}});
  Bitmap mono = MakeBitmap(4, 1, 1);
  Blit(mono, 0, 0, 4, 1, picture, 0, 0, RasterOp::kSrcCopy);
  EXPECT_EQ(Indices(mono), (IndexGrid{{0, 1, 0, 1}}));
}

TEST(BlitFormats, IndexedToIndexedMapsByColour) {
  Bitmap source = FromIndices({{0, 1, 2}});
  const std::vector<PaletteEntry> source_table = {0xFF0000, 0x0000FF, 0x00FF00};
  source.SetColorTable(0, source_table);
  Bitmap target = MakeBitmap(3, 1, 8);
  const std::vector<PaletteEntry> target_table = {0x00FF00, 0x0000FF, 0xFF0000};
  target.SetColorTable(0, target_table);
  Blit(target, 0, 0, 3, 1, source, 0, 0, RasterOp::kSrcCopy);
  EXPECT_EQ(Indices(target), (IndexGrid{{2, 1, 0}}));
}

TEST(BlitFormats, DirectFormatsConvert) {
  Bitmap source = FromColors({{kSky, kRed}});
  Bitmap wide = MakeBitmap(2, 1, 32);
  std::fill(wide.Bits().begin(), wide.Bits().end(), 0xFF);
  Blit(wide, 0, 0, 2, 1, source, 0, 0, RasterOp::kSrcCopy);
  EXPECT_EQ(Colors(wide), (Grid{{kSky, kRed}}));
  EXPECT_EQ(wide.Bits()[3], 0);  // 24-bit sources carry no alpha
  Bitmap narrow = MakeBitmap(2, 1, 24);
  Blit(narrow, 0, 0, 2, 1, wide, 0, 0, RasterOp::kSrcCopy);
  EXPECT_EQ(Colors(narrow), (Grid{{kSky, kRed}}));
}

TEST(BlitFormats, ThirtyTwoBitCopiesKeepTheFourthByte) {
  Bitmap source = MakeBitmap(1, 1, 32);
  const std::uint8_t pixel[4] = {1, 2, 3, 0x80};
  std::memcpy(source.Bits().data(), pixel, 4);
  Bitmap target = MakeBitmap(1, 1, 32);
  Blit(target, 0, 0, 1, 1, source, 0, 0, RasterOp::kSrcCopy);
  EXPECT_EQ(std::memcmp(target.Bits().data(), pixel, 4), 0);
}

// --- Raster operations ----------------------------------------------------------------------

TEST(BlitOps, CombineChannelBits) {
  const ColorRef a = Rgb(0xF0, 0x0F, 0xAA);
  const ColorRef b = Rgb(0x3C, 0x3C, 0x55);
  struct Case {
    RasterOp op;
    ColorRef expected;
  };
  for (const Case& c : {Case{RasterOp::kSrcCopy, b}, Case{RasterOp::kSrcAnd, Rgb(0x30, 0x0C, 0x00)},
                        Case{RasterOp::kSrcPaint, Rgb(0xFC, 0x3F, 0xFF)},
                        Case{RasterOp::kSrcInvert, Rgb(0xCC, 0x33, 0xFF)}}) {
    for (int target_bpp : {24, 32}) {
      for (int source_bpp : {24, 32}) {
        Bitmap target = Filled(1, 1, a, target_bpp);
        Bitmap source = Filled(1, 1, b, source_bpp);
        Blit(target, 0, 0, 1, 1, source, 0, 0, c.op);
        EXPECT_EQ(target.GetPixel(0, 0), c.expected)
            << static_cast<int>(c.op) << " " << target_bpp << "<-" << source_bpp;
      }
    }
    // The same through an 8-bit source.
    Bitmap target = Filled(1, 1, a);
    Bitmap strip = MakeBitmap(1, 1, 8);
    const std::vector<PaletteEntry> table = {ToPaletteEntry(b)};
    strip.SetColorTable(0, table);
    Blit(target, 0, 0, 1, 1, strip, 0, 0, c.op);
    EXPECT_EQ(target.GetPixel(0, 0), c.expected) << static_cast<int>(c.op) << " from 8 bits";
  }
}

// The transparent frame pass: the mask table (all black, the transparent index white) is
// ANDed onto the background, then the colour table with the transparent slot black is ORed.
TEST(BlitOps, MaskThenColourPassKeepsTheBackgroundUnderTransparentPixels) {
  Bitmap strip = FromIndices({{0, 3, 1}, {3, 3, 2}});
  constexpr int kTransparent = 3;
  Bitmap surface = Filled(3, 2, kSky);
  std::vector<PaletteEntry> mask_table(4, 0x000000);
  mask_table[kTransparent] = 0xFFFFFF;
  strip.SetColorTable(0, mask_table);
  Blit(surface, 0, 0, 3, 2, strip, 0, 0, RasterOp::kSrcAnd);
  EXPECT_EQ(Colors(surface), (Grid{{kBlack, kSky, kBlack}, {kSky, kSky, kBlack}}));
  const std::vector<PaletteEntry> colours = {0xFF0000, 0x00FF00, 0x123456, 0x000000};
  strip.SetColorTable(0, colours);
  Blit(surface, 0, 0, 3, 2, strip, 0, 0, RasterOp::kSrcPaint);
  EXPECT_EQ(Colors(surface),
            (Grid{{kRed, kSky, Rgb(0, 255, 0)}, {kSky, kSky, Rgb(0x12, 0x34, 0x56)}}));
}

// Building a coverage mask from the strip, then drawing through it.
TEST(BlitOps, StripToMonoMaskAndMaskOntoSurface) {
  Bitmap strip = FromIndices({{5, 7, 5, 9}});
  std::vector<PaletteEntry> mask_table(256, 0x000000);
  mask_table[5] = 0xFFFFFF;
  strip.SetColorTable(0, mask_table);
  Bitmap mask = MakeBitmap(4, 1, 1);
  // Start all background (white), AND the transparent frame: opaque pixels turn black.
  for (int x = 0; x < 4; ++x) mask.SetIndex(x, 0, 1);
  mask.SetIndex(2, 0, 0);  // already covered by an earlier frame
  Blit(mask, 0, 0, 4, 1, strip, 0, 0, RasterOp::kSrcAnd);
  EXPECT_EQ(Indices(mask), (IndexGrid{{1, 0, 0, 0}}));
  // An opaque frame is copied: every pixel black (mask table all black).
  std::vector<PaletteEntry> opaque(256, 0x000000);
  strip.SetColorTable(0, opaque);
  Bitmap mask2 = MakeBitmap(4, 1, 1);
  for (int x = 0; x < 4; ++x) mask2.SetIndex(x, 0, 1);
  Blit(mask2, 0, 0, 4, 1, strip, 0, 0, RasterOp::kSrcCopy);
  EXPECT_EQ(Indices(mask2), (IndexGrid{{0, 0, 0, 0}}));
  // The mask ANDed onto a surface keeps it under white bits and blackens it elsewhere.
  Bitmap surface = Filled(4, 1, kSky);
  Blit(surface, 0, 0, 4, 1, mask, 0, 0, RasterOp::kSrcAnd);
  EXPECT_EQ(Colors(surface), (Grid{{kSky, kBlack, kBlack, kBlack}}));
}

// Rows long enough for the word-wide and byte-wide loops, checked pixel by pixel against
// the per-channel rule.
TEST(BlitOps, WideRowsCombineEveryPixel) {
  constexpr int kWidth = 11;
  auto source_color = [](int x) {
    return Rgb((x * 23) & 0xFF, (x * 41 + 7) & 0xFF, (x * 59 + 3) & 0xFF);
  };
  auto target_color = [](int x) {
    return Rgb((x * 97 + 5) & 0xFF, (x * 13 + 200) & 0xFF, (x * 71) & 0xFF);
  };
  for (RasterOp op :
       {RasterOp::kSrcCopy, RasterOp::kSrcAnd, RasterOp::kSrcPaint, RasterOp::kSrcInvert}) {
    for (int bpp : {24, 32}) {
      Bitmap source = MakeBitmap(kWidth, 2, bpp);
      Bitmap target = MakeBitmap(kWidth + 4, 2, bpp);
      for (int x = 0; x < kWidth; ++x) source.SetPixel(x, 1, source_color(x));
      for (int x = 0; x < kWidth + 4; ++x) target.SetPixel(x, 0, target_color(x));
      Blit(target, 3, 0, kWidth, 1, source, 0, 1, op);
      for (int x = 0; x < kWidth + 4; ++x) {
        const ColorRef before = target_color(x);
        ColorRef expected = before;
        if (x >= 3 && x < 3 + kWidth) {
          const ColorRef s = source_color(x - 3);
          expected = op == RasterOp::kSrcCopy    ? s
                     : op == RasterOp::kSrcAnd   ? (before & s)
                     : op == RasterOp::kSrcPaint ? (before | s)
                                                 : (before ^ s);
        }
        EXPECT_EQ(target.GetPixel(x, 0), expected)
            << static_cast<int>(op) << " bpp " << bpp << " x " << x;
        EXPECT_EQ(target.GetPixel(x, 1), kBlack);
      }
    }
  }
}

TEST(BlitOps, IndexedSourcesOntoThirtyTwoBits) {
  Bitmap strip = FromIndices({{0, 1}});
  const std::vector<PaletteEntry> table = {0x0F0F0F, 0xF0F0F0};
  strip.SetColorTable(0, table);
  Bitmap target = Filled(2, 1, Rgb(0x3C, 0x3C, 0x3C), 32);
  Blit(target, 0, 0, 2, 1, strip, 0, 0, RasterOp::kSrcPaint);
  EXPECT_EQ(Colors(target), (Grid{{Rgb(0x3F, 0x3F, 0x3F), Rgb(0xFC, 0xFC, 0xFC)}}));
  Bitmap mask = FromIndices({{1, 0}}, 1);
  Blit(target, 0, 0, 2, 1, mask, 0, 0, RasterOp::kSrcAnd);
  EXPECT_EQ(Colors(target), (Grid{{Rgb(0x3F, 0x3F, 0x3F), kBlack}}));
}

// Large mono blits go eight pixels at a time; an odd source column and an odd width take
// the shifted and the leftover paths.
TEST(BlitOps, LargeMonoSourcesOntoDirectTargets) {
  constexpr int kWidth = 100;
  constexpr int kHeight = 60;
  Bitmap mask = MakeBitmap(kWidth, kHeight, 1);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) mask.SetIndex(x, y, ((x * 7 + y * 3) % 5) < 2 ? 1 : 0);
  }
  const std::vector<PaletteEntry> table = {0x13579B, 0xF0E0D0};
  mask.SetColorTable(0, table);
  auto background = [](int x, int y) {
    return Rgb((x * 5) & 0xFF, (y * 9) & 0xFF, (x + y) & 0xFF);
  };
  for (RasterOp op :
       {RasterOp::kSrcCopy, RasterOp::kSrcAnd, RasterOp::kSrcPaint, RasterOp::kSrcInvert}) {
    for (int bpp : {24, 32}) {
      for (int source_x : {0, 3}) {
        Bitmap target = MakeBitmap(kWidth, kHeight, bpp);
        for (int y = 0; y < kHeight; ++y) {
          for (int x = 0; x < kWidth; ++x) target.SetPixel(x, y, background(x, y));
        }
        Blit(target, 5, 2, 91, 55, mask, source_x, 1, op);
        for (int y = 0; y < kHeight; ++y) {
          for (int x = 0; x < kWidth; ++x) {
            const ColorRef before = background(x, y);
            ColorRef expected = before;
            if (x >= 5 && x < 96 && y >= 2 && y < 57) {
              const int bit = ((x - 5 + source_x) * 7 + (y - 1) * 3) % 5 < 2 ? 1 : 0;
              const ColorRef s = FromPaletteEntry(table[bit]);
              expected = op == RasterOp::kSrcCopy    ? s
                         : op == RasterOp::kSrcAnd   ? (before & s)
                         : op == RasterOp::kSrcPaint ? (before | s)
                                                     : (before ^ s);
            }
            ASSERT_EQ(target.GetPixel(x, y), expected)
                << static_cast<int>(op) << " bpp " << bpp << " sx " << source_x << " at " << x
                << "," << y;
          }
        }
      }
    }
  }
}

// A mask built from a strip wider than a byte, placed off a byte boundary: leading bits,
// whole bytes and trailing bits of the mask row.
TEST(BlitOps, WideStripOntoMonoMaskAtAnOddColumn) {
  constexpr int kWidth = 21;
  constexpr int kTransparent = 4;
  Bitmap strip = MakeBitmap(kWidth, 1, 8);
  for (int x = 0; x < kWidth; ++x) strip.SetIndex(x, 0, (x % 3 == 0) ? kTransparent : x + 10);
  std::vector<PaletteEntry> mask_table(256, 0x000000);
  mask_table[kTransparent] = 0xFFFFFF;
  strip.SetColorTable(0, mask_table);
  Bitmap mask = MakeBitmap(30, 1, 1);
  auto initial = [](int x) { return x % 5 == 4 ? 0 : 1; };
  for (int x = 0; x < 30; ++x) mask.SetIndex(x, 0, initial(x));
  Blit(mask, 3, 0, kWidth, 1, strip, 0, 0, RasterOp::kSrcAnd);
  for (int x = 0; x < 30; ++x) {
    int expected = initial(x);
    if (x >= 3 && x < 3 + kWidth) expected = ((x - 3) % 3 == 0) ? initial(x) : 0;
    EXPECT_EQ(mask.GetIndex(x, 0), expected) << x;
  }
  // And mono onto mono: copy, then invert with itself shifted.
  Bitmap copy = MakeBitmap(30, 1, 1);
  Blit(copy, 1, 0, 29, 1, mask, 0, 0, RasterOp::kSrcCopy);
  for (int x = 1; x < 30; ++x) EXPECT_EQ(copy.GetIndex(x, 0), mask.GetIndex(x - 1, 0)) << x;
  EXPECT_EQ(copy.GetIndex(0, 0), 0);
  Blit(copy, 0, 0, 30, 1, mask, 0, 0, RasterOp::kSrcInvert);
  for (int x = 1; x < 30; ++x) {
    EXPECT_EQ(copy.GetIndex(x, 0), mask.GetIndex(x - 1, 0) ^ mask.GetIndex(x, 0)) << x;
  }
}

TEST(BlitOps, IndexedTargetsCombineColoursThenTakeTheNearest) {
  Bitmap target = MakeBitmap(2, 1, 8);
  const std::vector<PaletteEntry> table = {0x000000, 0xFF0000, 0x00FF00, 0xFFFF00};
  target.SetColorTable(0, table);
  target.SetIndex(0, 0, 1);  // red
  target.SetIndex(1, 0, 3);  // yellow
  Bitmap green = Filled(2, 1, Rgb(0, 255, 0));
  Blit(target, 0, 0, 2, 1, green, 0, 0, RasterOp::kSrcPaint);
  EXPECT_EQ(Indices(target), (IndexGrid{{3, 3}}));  // red | green = yellow
  Blit(target, 0, 0, 2, 1, green, 0, 0, RasterOp::kSrcAnd);
  EXPECT_EQ(Indices(target), (IndexGrid{{2, 2}}));
}

// --- Clipping ---------------------------------------------------------------------------------

Bitmap Numbered4x4() {
  Grid grid(4);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) grid[y].push_back(Rgb(10 * x + 1, 10 * y + 1, 7));
  }
  return FromColors(grid);
}

TEST(BlitClipping, EveryEdge) {
  const Bitmap source = Numbered4x4();
  const ColorRef z = kBlack;
  auto n = [](int x, int y) { return Rgb(10 * x + 1, 10 * y + 1, 7); };
  Bitmap top_left = MakeBitmap(4, 4, 24);
  Blit(top_left, -2, -3, 4, 4, source, 0, 0, RasterOp::kSrcCopy);
  EXPECT_EQ(Colors(top_left),
            (Grid{{n(2, 3), n(3, 3), z, z}, {z, z, z, z}, {z, z, z, z}, {z, z, z, z}}));
  Bitmap bottom_right = MakeBitmap(4, 4, 24);
  Blit(bottom_right, 3, 2, 4, 4, source, 0, 0, RasterOp::kSrcCopy);
  EXPECT_EQ(Colors(bottom_right),
            (Grid{{z, z, z, z}, {z, z, z, z}, {z, z, z, n(0, 0)}, {z, z, z, n(0, 1)}}));
  // A source block reaching outside its bitmap draws only what exists.
  Bitmap partial = Filled(4, 4, kRed);
  Blit(partial, 0, 0, 4, 4, source, 2, -2, RasterOp::kSrcCopy);
  EXPECT_EQ(Colors(partial), (Grid{{kRed, kRed, kRed, kRed},
                                   {kRed, kRed, kRed, kRed},
                                   {n(2, 0), n(3, 0), kRed, kRed},
                                   {n(2, 1), n(3, 1), kRed, kRed}}));
  // Far outside and absurd sizes draw nothing and do not fail.
  Bitmap untouched = MakeBitmap(4, 4, 24);
  Blit(untouched, INT_MAX - 1, INT_MAX - 1, INT_MAX, INT_MAX, source, 0, 0, RasterOp::kSrcCopy);
  Blit(untouched, INT_MIN, 0, INT_MAX, 4, source, INT_MIN, 0, RasterOp::kSrcCopy);
  Blit(untouched, 0, 0, -4, 4, source, 0, 0, RasterOp::kSrcCopy);
  for (std::uint8_t byte : untouched.Bits()) EXPECT_EQ(byte, 0);
}

TEST(BlitClipping, ClipRegionLimitsEveryFormat) {
  const Region clip = Region::FromRect(Rect{1, 0, 2, 2}).Union(Region::FromRect(Rect{0, 1, 1, 2}));
  for (int bpp : {1, 8, 24, 32}) {
    Bitmap target = MakeBitmap(3, 2, bpp);
    if (bpp == 8) {
      const std::vector<PaletteEntry> table = {0x000000, 0xFFFFFF};
      target.SetColorTable(0, table);
    }
    const Bitmap white = Filled(3, 2, kWhite);
    Blit(target, 0, 0, 3, 2, white, 0, 0, RasterOp::kSrcCopy, &clip);
    EXPECT_EQ(Colors(target), (Grid{{kBlack, kWhite, kBlack}, {kWhite, kWhite, kBlack}})) << bpp;
  }
}

TEST(BlitAliasing, OverlappingBlocksOfOneBitmapCopyAsThroughATemporary) {
  for (int bpp : {1, 8, 24, 32}) {
    Bitmap b = FromIndices({{1, 0, 0, 1, 0}}, 1);
    Bitmap target = MakeBitmap(5, 1, bpp);
    if (bpp == 8) {
      const std::vector<PaletteEntry> table = {0x000000, 0xFFFFFF};
      target.SetColorTable(0, table);
    }
    Blit(target, 0, 0, 5, 1, b, 0, 0, RasterOp::kSrcCopy);
    Blit(target, 1, 0, 4, 1, target, 0, 0, RasterOp::kSrcCopy);  // shift right by one
    EXPECT_EQ(Colors(target), (Grid{{kWhite, kWhite, kBlack, kBlack, kWhite}})) << bpp;
    Blit(target, 0, 0, 4, 1, target, 1, 0, RasterOp::kSrcCopy);  // and back left
    EXPECT_EQ(Colors(target), (Grid{{kWhite, kBlack, kBlack, kWhite, kWhite}})) << bpp;
  }
}

TEST(BlitAliasing, VerticalOverlapAndRasterOps) {
  Bitmap b = FromColors({{Rgb(1, 0, 0)}, {Rgb(2, 0, 0)}, {Rgb(4, 0, 0)}});
  Blit(b, 0, 1, 1, 2, b, 0, 0, RasterOp::kSrcPaint);
  EXPECT_EQ(Colors(b), (Grid{{Rgb(1, 0, 0)}, {Rgb(3, 0, 0)}, {Rgb(6, 0, 0)}}));
}

// --- Solid fills, outlines, inversion -----------------------------------------------------------

TEST(FillRectTest, FillsRightAndBottomExclusiveInEveryFormat) {
  for (int bpp : {1, 8, 24, 32}) {
    Bitmap b = MakeBitmap(4, 3, bpp);
    if (bpp == 8) {
      const std::vector<PaletteEntry> table = {0x000000, 0xFFFFFF};
      b.SetColorTable(0, table);
    }
    FillRect(b, Rect{1, 1, 3, 3}, kWhite);
    EXPECT_EQ(Colors(b), (Grid{{kBlack, kBlack, kBlack, kBlack},
                               {kBlack, kWhite, kWhite, kBlack},
                               {kBlack, kWhite, kWhite, kBlack}}))
        << bpp;
  }
}

TEST(FillRectTest, IndexedTargetsStoreTheNearestIndexAndDirectOnesAlphaZero) {
  Bitmap indexed = MakeBitmap(1, 1, 8);
  const std::vector<PaletteEntry> table = {0x000000, 0x808080, 0xFFFFFF};
  indexed.SetColorTable(0, table);
  FillRect(indexed, Rect{0, 0, 1, 1}, Rgb(150, 120, 110));
  EXPECT_EQ(indexed.GetIndex(0, 0), 1);
  Bitmap wide = MakeBitmap(1, 1, 32);
  std::fill(wide.Bits().begin(), wide.Bits().end(), 0xFF);
  FillRect(wide, Rect{0, 0, 1, 1}, Rgb(1, 2, 3));
  EXPECT_EQ(wide.Bits()[3], 0);
  EXPECT_EQ(wide.GetPixel(0, 0), Rgb(1, 2, 3));
}

TEST(FillRectTest, ClipsToTheBitmapAndTheRegion) {
  Bitmap b = MakeBitmap(3, 3, 24);
  FillRect(b, Rect{-5, -5, 1, 100}, kRed);
  FillRect(b, Rect{INT_MIN, INT_MIN, INT_MIN + 1, INT_MAX}, kWhite);
  FillRect(b, Rect{2, 2, 1, 1}, kWhite);  // empty
  const Region clip = Region::FromRect(Rect{2, 1, 3, 2});
  FillRect(b, Rect{0, 0, 3, 3}, kBlue, &clip);
  EXPECT_EQ(Colors(b),
            (Grid{{kRed, kBlack, kBlack}, {kRed, kBlack, kBlue}, {kRed, kBlack, kBlack}}));
}

TEST(FrameRectTest, PaintsTheOutermostRingOnly) {
  Bitmap b = MakeBitmap(5, 4, 24);
  FrameRect(b, Rect{0, 0, 4, 4}, kWhite);
  const ColorRef w = kWhite;
  const ColorRef k = kBlack;
  EXPECT_EQ(Colors(b), (Grid{{w, w, w, w, k}, {w, k, k, w, k}, {w, k, k, w, k}, {w, w, w, w, k}}));
}

TEST(FrameRectTest, AnOutlineOnePixelLargerThanTheSurfaceShowsTopAndLeftOnly) {
  Bitmap b = MakeBitmap(3, 3, 24);
  FrameRect(b, Rect{0, 0, 4, 4}, kWhite);
  const ColorRef w = kWhite;
  const ColorRef k = kBlack;
  EXPECT_EQ(Colors(b), (Grid{{w, w, w}, {w, k, k}, {w, k, k}}));
}

TEST(FrameRectTest, ThinRectangles) {
  Bitmap b = MakeBitmap(3, 3, 24);
  FrameRect(b, Rect{1, 0, 2, 3}, kWhite);  // one column
  FrameRect(b, Rect{0, 2, 3, 3}, kRed);    // one row
  const ColorRef w = kWhite;
  const ColorRef k = kBlack;
  EXPECT_EQ(Colors(b), (Grid{{k, w, k}, {k, w, k}, {kRed, kRed, kRed}}));
}

TEST(InvertRectTest, InvertsColourBitsAndTwiceRestores) {
  Bitmap b = FromColors({{Rgb(0x12, 0x34, 0x56), kWhite}});
  InvertRect(b, Rect{0, 0, 1, 1});
  EXPECT_EQ(Colors(b), (Grid{{Rgb(0xED, 0xCB, 0xA9), kWhite}}));
  InvertRect(b, Rect{0, 0, 1, 1});
  EXPECT_EQ(b.GetPixel(0, 0), Rgb(0x12, 0x34, 0x56));
  Bitmap mono = FromIndices({{0, 1}}, 1);
  InvertRect(mono, Rect{0, 0, 2, 1});
  EXPECT_EQ(Indices(mono), (IndexGrid{{1, 0}}));
  Bitmap indexed = FromIndices({{3}});
  InvertRect(indexed, Rect{0, 0, 1, 1});
  EXPECT_EQ(indexed.GetIndex(0, 0), 252);
  Bitmap wide = MakeBitmap(1, 1, 32);
  InvertRect(wide, Rect{0, 0, 1, 1});
  EXPECT_EQ(wide.GetPixel(0, 0), kWhite);
  EXPECT_EQ(wide.Bits()[3], 0);  // the fourth byte is not colour
}

// --- Lines --------------------------------------------------------------------------------------

std::vector<Point> Painted(const Bitmap& b) {
  std::vector<Point> points;
  for (int y = 0; y < b.Height(); ++y) {
    for (int x = 0; x < b.Width(); ++x) {
      if (b.GetPixel(x, y) != kBlack) points.push_back(Point{x, y});
    }
  }
  return points;
}

std::vector<Point> Line(int x1, int y1, int x2, int y2, int size = 16) {
  Bitmap b = MakeBitmap(size, size, 24);
  DrawLine(b, x1, y1, x2, y2, kWhite);
  return Painted(b);
}

TEST(DrawLineTest, TheEndPointIsNotPainted) {
  EXPECT_EQ(Line(0, 0, 5, 0), (std::vector<Point>{{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}}));
  EXPECT_EQ(Line(5, 0, 0, 0), (std::vector<Point>{{1, 0}, {2, 0}, {3, 0}, {4, 0}, {5, 0}}));
  EXPECT_EQ(Line(2, 1, 2, 4), (std::vector<Point>{{2, 1}, {2, 2}, {2, 3}}));
  EXPECT_EQ(Line(1, 12, 1, 11), (std::vector<Point>{{1, 12}}));
  EXPECT_TRUE(Line(1, 1, 1, 1).empty());
}

TEST(DrawLineTest, DiagonalsAndShallowSlopes) {
  EXPECT_EQ(Line(0, 0, 3, 3), (std::vector<Point>{{0, 0}, {1, 1}, {2, 2}}));
  EXPECT_EQ(Line(3, 0, 0, 3), (std::vector<Point>{{3, 0}, {2, 1}, {1, 2}}));
  // y = x / 2, exact halves staying on the row of the start.
  EXPECT_EQ(Line(0, 0, 4, 2), (std::vector<Point>{{0, 0}, {1, 0}, {2, 1}, {3, 1}}));
  // Steep: x = y / 3 rounded: 0, 0.33, 0.67 -> 0, 0, 1.
  EXPECT_EQ(Line(0, 0, 1, 3), (std::vector<Point>{{0, 0}, {0, 1}, {1, 2}}));
}

TEST(DrawLineTest, LinesReachingFarOutsideAreClippedCheaply) {
  Bitmap b = MakeBitmap(4, 3, 24);
  DrawLine(b, INT_MIN, 1, INT_MAX, 1, kWhite);
  DrawLine(b, 2, INT_MAX, 2, INT_MIN, kRed);
  DrawLine(b, INT_MIN, INT_MIN, INT_MAX, INT_MAX, kBlue);  // the diagonal through the origin
  const ColorRef w = kWhite;
  const ColorRef k = kBlack;
  EXPECT_EQ(Colors(b), (Grid{{kBlue, k, kRed, k}, {w, kBlue, kRed, w}, {k, k, kBlue, k}}));
}

TEST(DrawLineTest, ClipRegion) {
  Bitmap b = MakeBitmap(5, 1, 24);
  const Region clip = Region::FromRect(Rect{1, 0, 3, 1});
  DrawLine(b, 0, 0, 5, 0, kWhite, &clip);
  EXPECT_EQ(Colors(b), (Grid{{kBlack, kWhite, kWhite, kBlack, kBlack}}));
}

// --- 32-bit pixel copies ---------------------------------------------------------------------

TEST(CopyPixels32Test, RowsAreBottomUp) {
  Bitmap b = MakeBitmap(2, 3, 24);
  // Memory order: bottom row first.
  const std::vector<std::uint32_t> pixels = {0x000001, 0x000002, 0x000003,
                                             0x000004, 0x000005, 0x000006};
  CopyPixels32(b, 0, 0, 2, 3, pixels);
  EXPECT_EQ(Colors(b), (Grid{{Rgb(0, 0, 5), Rgb(0, 0, 6)},
                             {Rgb(0, 0, 3), Rgb(0, 0, 4)},
                             {Rgb(0, 0, 1), Rgb(0, 0, 2)}}));
}

TEST(CopyPixels32Test, ABlockPastTheBottomShowsOnlyItsVisibleRows) {
  // A vertical gradient of 3 rows, black at the top, placed one row above the bottom edge.
  const std::vector<std::uint32_t> gradient = {0xFFFFFF, 0x7F7F7F, 0x000000};  // bottom row first
  Bitmap b = Filled(1, 3, kRed);
  CopyPixels32(b, 0, 2, 1, 3, gradient);
  EXPECT_EQ(Colors(b), (Grid{{kRed}, {kRed}, {kBlack}}));
  Bitmap c = Filled(1, 3, kRed);
  CopyPixels32(c, 0, -1, 1, 3, gradient);  // past the top
  EXPECT_EQ(Colors(c), (Grid{{Rgb(127, 127, 127)}, {kWhite}, {kRed}}));
}

TEST(CopyPixels32Test, ColumnsClipAndShortBuffersDrawNothing) {
  const std::vector<std::uint32_t> row = {0x0000FF, 0x00FF00, 0xFF0000};
  Bitmap b = MakeBitmap(2, 1, 24);
  CopyPixels32(b, -1, 0, 3, 1, row);
  EXPECT_EQ(Colors(b), (Grid{{Rgb(0, 255, 0), Rgb(255, 0, 0)}}));
  Bitmap c = MakeBitmap(2, 2, 24);
  CopyPixels32(c, 0, 0, 2, 2, row);  // 3 values for 4 pixels
  for (std::uint8_t byte : c.Bits()) EXPECT_EQ(byte, 0);
}

TEST(CopyPixels32Test, IndexedAndWideTargets) {
  const std::vector<std::uint32_t> row = {0xF0F0F0, 0x101010};
  Bitmap mono = MakeBitmap(2, 1, 1);
  CopyPixels32(mono, 0, 0, 2, 1, row);
  EXPECT_EQ(Indices(mono), (IndexGrid{{1, 0}}));
  Bitmap wide = MakeBitmap(2, 1, 32);
  CopyPixels32(wide, 0, 0, 2, 1, row);
  EXPECT_EQ(Colors(wide), (Grid{{Rgb(0xF0, 0xF0, 0xF0), Rgb(0x10, 0x10, 0x10)}}));
  const Region clip = Region::FromRect(Rect{1, 0, 2, 1});
  Bitmap clipped = MakeBitmap(2, 1, 24);
  CopyPixels32(clipped, 0, 0, 2, 1, row, &clip);
  EXPECT_EQ(Colors(clipped), (Grid{{kBlack, Rgb(0x10, 0x10, 0x10)}}));
}

}  // namespace
}  // namespace tovarin::platform
