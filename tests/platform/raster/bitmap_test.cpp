#include "platform/raster/bitmap.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "tests/platform/raster/raster_test_support.h"

namespace tovarin::platform {
namespace {

using testing::MakeBitmap;

TEST(BitmapCreate, RowsArePaddedToFourBytes) {
  EXPECT_EQ(RowStride(24, 5), 16);  // 15 bytes of pixels, padded
  EXPECT_EQ(RowStride(1, 33), 8);   // 33 bits -> 5 bytes -> 8
  EXPECT_EQ(RowStride(8, 3), 4);
  EXPECT_EQ(RowStride(32, 3), 12);
  EXPECT_EQ(RowStride(24, 97), 292);  // 291 bytes of pixels
  Bitmap b = MakeBitmap(5, 3, 24);
  EXPECT_EQ(b.Stride(), 16);
  EXPECT_EQ(b.Bits().size(), 48u);
  EXPECT_EQ(b.Width(), 5);
  EXPECT_EQ(b.Height(), 3);
  EXPECT_EQ(b.BitsPerPixel(), 24);
  for (std::uint8_t byte : b.Bits()) EXPECT_EQ(byte, 0);
}

TEST(BitmapCreate, RefusesImpossibleRequests) {
  EXPECT_FALSE(Bitmap::Create(65535, 65535, 8).ok());
  EXPECT_FALSE(Bitmap::Create(65535, 65535, 32).ok());
  EXPECT_FALSE(Bitmap::Create(INT_MAX, INT_MAX, 32).ok());
  EXPECT_FALSE(Bitmap::Create(INT_MAX, 1, 32).ok());
  EXPECT_FALSE(Bitmap::Create(-1, 10, 24).ok());
  EXPECT_FALSE(Bitmap::Create(10, -1, 24).ok());
  EXPECT_FALSE(Bitmap::Create(10, 10, 16).ok());
  EXPECT_FALSE(Bitmap::Create(10, 10, 0).ok());
  // Just over the limit: 8193 x 8192 x 4 bytes.
  EXPECT_FALSE(Bitmap::Create(8193, 8192, 32).ok());
  const Result<Bitmap> refused = Bitmap::Create(65535, 65535, 24);
  ASSERT_FALSE(refused.ok());
  EXPECT_FALSE(refused.error().empty());
}

TEST(BitmapCreate, EmptySizesAreAllowed) {
  Bitmap a = MakeBitmap(0, 0, 24);
  EXPECT_TRUE(a.IsEmpty());
  EXPECT_TRUE(a.Bits().empty());
  Bitmap b = MakeBitmap(0, 100, 8);
  EXPECT_TRUE(b.IsEmpty());
  EXPECT_EQ(b.GetPixel(0, 0), Bitmap::kInvalidPixel);
}

TEST(BitmapCreate, StartingColourTables) {
  Bitmap mono = MakeBitmap(3, 3, 1);
  ASSERT_EQ(mono.ColorTable().size(), 2u);
  EXPECT_EQ(mono.ColorTable()[0], 0x000000u);
  EXPECT_EQ(mono.ColorTable()[1], 0xFFFFFFu);
  Bitmap indexed = MakeBitmap(3, 3, 8);
  ASSERT_EQ(indexed.ColorTable().size(), 256u);
  for (PaletteEntry e : indexed.ColorTable()) EXPECT_EQ(e, 0u);
  EXPECT_TRUE(MakeBitmap(3, 3, 24).ColorTable().empty());
  EXPECT_TRUE(MakeBitmap(3, 3, 32).ColorTable().empty());
}

TEST(BitmapLayout, RowsAreStoredBottomUpWithBlueFirst) {
  Bitmap b = MakeBitmap(2, 2, 24);
  b.SetPixel(0, 0, Rgb(10, 20, 30));  // top-left: the first pixel of the last row in memory
  b.SetPixel(1, 1, Rgb(40, 50, 60));  // bottom-right: in the first row in memory
  auto bits = b.Bits();
  EXPECT_EQ(bits[8], 30);
  EXPECT_EQ(bits[9], 20);
  EXPECT_EQ(bits[10], 10);
  EXPECT_EQ(bits[3], 60);
  EXPECT_EQ(bits[4], 50);
  EXPECT_EQ(bits[5], 40);
  EXPECT_EQ(b.Row(0), bits.data() + 8);
}

TEST(BitmapLayout, MonoLeftmostPixelIsTheHighBit) {
  Bitmap b = MakeBitmap(10, 1, 1);
  b.SetIndex(0, 0, 1);
  b.SetIndex(9, 0, 1);
  EXPECT_EQ(b.Bits()[0], 0x80);
  EXPECT_EQ(b.Bits()[1], 0x40);
  EXPECT_EQ(b.GetIndex(0, 0), 1);
  EXPECT_EQ(b.GetIndex(1, 0), 0);
  EXPECT_EQ(b.GetPixel(9, 0), Rgb(255, 255, 255));
  EXPECT_EQ(b.GetPixel(8, 0), Rgb(0, 0, 0));
}

TEST(BitmapLayout, ThirtyTwoBitPixelsGetAlphaZero) {
  Bitmap b = MakeBitmap(1, 1, 32);
  std::fill(b.Bits().begin(), b.Bits().end(), 0xFF);
  b.SetPixel(0, 0, Rgb(1, 2, 3));
  EXPECT_EQ(b.Bits()[0], 3);
  EXPECT_EQ(b.Bits()[1], 2);
  EXPECT_EQ(b.Bits()[2], 1);
  EXPECT_EQ(b.Bits()[3], 0);
  EXPECT_EQ(b.GetPixel(0, 0), Rgb(1, 2, 3));
}

TEST(BitmapColorTable, ReplacingTheTableRecoloursPixels) {
  Bitmap b = MakeBitmap(2, 1, 8);
  b.SetIndex(0, 0, 5);
  b.SetIndex(1, 0, 6);
  const std::vector<PaletteEntry> first = {0x112233, 0x445566};
  EXPECT_EQ(b.SetColorTable(5, first), 2);
  EXPECT_EQ(b.GetPixel(0, 0), Rgb(0x11, 0x22, 0x33));
  EXPECT_EQ(b.GetPixel(1, 0), Rgb(0x44, 0x55, 0x66));
  const std::vector<PaletteEntry> second = {0xFF0000};
  EXPECT_EQ(b.SetColorTable(5, second), 1);
  EXPECT_EQ(b.GetPixel(0, 0), Rgb(255, 0, 0));
  EXPECT_EQ(b.GetPixel(1, 0), Rgb(0x44, 0x55, 0x66));
}

TEST(BitmapColorTable, WritesPastTheEndAreCut) {
  Bitmap b = MakeBitmap(1, 1, 8);
  const std::vector<PaletteEntry> three = {1, 2, 3};
  EXPECT_EQ(b.SetColorTable(254, three), 2);
  EXPECT_EQ(b.ColorTable()[254], 1u);
  EXPECT_EQ(b.ColorTable()[255], 2u);
  EXPECT_EQ(b.SetColorTable(256, three), 0);
  EXPECT_EQ(b.SetColorTable(-1, three), 0);
  Bitmap mono = MakeBitmap(1, 1, 1);
  EXPECT_EQ(mono.SetColorTable(0, three), 2);
  Bitmap direct = MakeBitmap(1, 1, 24);
  EXPECT_EQ(direct.SetColorTable(0, three), 0);
  // The unused top byte is not kept.
  const std::vector<PaletteEntry> tagged = {0xAB123456};
  b.SetColorTable(0, tagged);
  EXPECT_EQ(b.ColorTable()[0], 0x123456u);
}

TEST(BitmapNearest, SetPixelStoresTheNearestIndex) {
  Bitmap b = MakeBitmap(1, 1, 8);
  const std::vector<PaletteEntry> table = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF, 0xFF0000};
  b.SetColorTable(0, table);
  b.SetPixel(0, 0, Rgb(200, 30, 30));
  EXPECT_EQ(b.GetIndex(0, 0), 1);  // red; the duplicate at 4 loses (first match wins)
  b.SetPixel(0, 0, Rgb(20, 20, 200));
  EXPECT_EQ(b.GetIndex(0, 0), 3);
  b.SetPixel(0, 0, Rgb(40, 40, 40));
  EXPECT_EQ(b.GetIndex(0, 0), 0);
  EXPECT_EQ(b.NearestIndex(Rgb(0, 255, 0)), 2);
  EXPECT_EQ(MakeBitmap(1, 1, 24).NearestIndex(Rgb(0, 0, 0)), -1);
}

TEST(BitmapNearest, MonoSplitsAtTheMidpoint) {
  Bitmap b = MakeBitmap(4, 1, 1);
  b.SetPixel(0, 0, Rgb(127, 127, 127));  // 3 * 127^2 < 3 * 128^2: black
  b.SetPixel(1, 0, Rgb(128, 128, 128));  // white
  b.SetPixel(2, 0, Rgb(255, 0, 0));      // 255^2 vs 2 * 255^2: black
  b.SetPixel(3, 0, Rgb(255, 255, 0));    // white
  EXPECT_EQ(testing::Indices(b), (std::vector<std::vector<int>>{{0, 1, 0, 1}}));
}

TEST(BitmapAccess, OutsideReadsInvalidAndWritesNothing) {
  Bitmap b = MakeBitmap(2, 2, 24);
  EXPECT_EQ(b.GetPixel(-1, 0), Bitmap::kInvalidPixel);
  EXPECT_EQ(b.GetPixel(2, 0), Bitmap::kInvalidPixel);
  EXPECT_EQ(b.GetPixel(0, 2), Bitmap::kInvalidPixel);
  b.SetPixel(2, 0, Rgb(255, 255, 255));
  b.SetPixel(0, -1, Rgb(255, 255, 255));
  for (std::uint8_t byte : b.Bits()) EXPECT_EQ(byte, 0);
  EXPECT_EQ(b.GetIndex(0, 0), -1);  // no table
  Bitmap indexed = MakeBitmap(2, 2, 8);
  indexed.SetIndex(0, 0, 256);
  indexed.SetIndex(0, 0, -1);
  EXPECT_EQ(indexed.GetIndex(0, 0), 0);
  Bitmap mono = MakeBitmap(2, 2, 1);
  mono.SetIndex(0, 0, 2);
  EXPECT_EQ(mono.GetIndex(0, 0), 0);
  EXPECT_EQ(mono.GetIndex(5, 5), -1);
}

TEST(BitmapClone, CopiesArePixelsAndTableIndependent) {
  Bitmap b = MakeBitmap(2, 1, 8);
  const std::vector<PaletteEntry> table = {0x0000FF};
  b.SetColorTable(0, table);
  b.SetIndex(1, 0, 7);
  Bitmap copy = b.Clone();
  EXPECT_EQ(copy.GetIndex(1, 0), 7);
  EXPECT_EQ(copy.GetPixel(0, 0), Rgb(0, 0, 255));
  b.SetIndex(1, 0, 9);
  const std::vector<PaletteEntry> other = {0x00FF00};
  b.SetColorTable(0, other);
  EXPECT_EQ(copy.GetIndex(1, 0), 7);
  EXPECT_EQ(copy.GetPixel(0, 0), Rgb(0, 0, 255));
}

}  // namespace
}  // namespace tovarin::platform
