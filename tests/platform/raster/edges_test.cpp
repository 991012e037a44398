#include <gtest/gtest.h>

#include <climits>
#include <map>
#include <string>
#include <vector>

#include "platform/raster/raster.h"
#include "platform/raster/system_colors.h"
#include "tests/platform/raster/raster_test_support.h"

namespace tovarin::platform {
namespace {

constexpr ColorRef kMarker = Rgb(1, 2, 3);

// Reads the bitmap as letters: L 3-D light, D dark shadow, H highlight, S shadow, M marker,
// W white... any other colour is '?'.
std::vector<std::string> Letters(const Bitmap& b) {
  const std::map<ColorRef, char> names = {{GetSysColor(kColor3DLight), 'L'},
                                          {GetSysColor(kColor3DDkShadow), 'D'},
                                          {GetSysColor(kColorBtnHighlight), 'H'},
                                          {GetSysColor(kColorBtnShadow), 'S'},
                                          {kMarker, 'M'},
                                          {Rgb(0, 0, 0), 'K'}};
  std::vector<std::string> rows;
  for (int y = 0; y < b.Height(); ++y) {
    std::string row;
    for (int x = 0; x < b.Width(); ++x) {
      auto it = names.find(b.GetPixel(x, y));
      row += it == names.end() ? '?' : it->second;
    }
    rows.push_back(row);
  }
  return rows;
}

using Rows = std::vector<std::string>;

TEST(DrawEdgeTest, ClassicColoursAreDistinct) {
  // The letters below rely on these four being different colours.
  EXPECT_EQ(GetSysColor(kColor3DLight), Rgb(212, 208, 200));
  EXPECT_EQ(GetSysColor(kColor3DDkShadow), Rgb(64, 64, 64));
  EXPECT_EQ(GetSysColor(kColorBtnHighlight), Rgb(255, 255, 255));
  EXPECT_EQ(GetSysColor(kColorBtnShadow), Rgb(128, 128, 128));
}

TEST(DrawEdgeTest, Raised) {
  Bitmap b = testing::Filled(6, 5, kMarker);
  DrawEdge(b, Rect{0, 0, 6, 5}, kEdgeRaised, kBfRect);
  EXPECT_EQ(Letters(b), (Rows{"LLLLLD", "LHHHSD", "LHMMSD", "LSSSSD", "DDDDDD"}));
}

TEST(DrawEdgeTest, Sunken) {
  Bitmap b = testing::Filled(6, 5, kMarker);
  DrawEdge(b, Rect{0, 0, 6, 5}, kEdgeSunken, kBfRect);
  EXPECT_EQ(Letters(b), (Rows{"SSSSSH", "SDDDLH", "SDMMLH", "SLLLLH", "HHHHHH"}));
}

TEST(DrawEdgeTest, RaisedInnerAloneTakesTheOuterRing) {
  Bitmap b = testing::Filled(4, 3, kMarker);
  DrawEdge(b, Rect{0, 0, 4, 3}, kBdrRaisedInner, kBfRect);
  EXPECT_EQ(Letters(b), (Rows{"HHHS", "HMMS", "SSSS"}));
}

TEST(DrawEdgeTest, OnlyTheRequestedSides) {
  Bitmap top_left = testing::Filled(4, 3, kMarker);
  DrawEdge(top_left, Rect{0, 0, 4, 3}, kEdgeRaised, kBfTop | kBfLeft);
  EXPECT_EQ(Letters(top_left), (Rows{"LLLL", "LHHH", "LHMM"}));
  Bitmap bottom = testing::Filled(4, 3, kMarker);
  DrawEdge(bottom, Rect{0, 0, 4, 3}, kEdgeRaised, kBfBottom);
  EXPECT_EQ(Letters(bottom), (Rows{"MMMM", "SSSS", "DDDD"}));
}

TEST(DrawEdgeTest, PlacedAndClipped) {
  Bitmap b = testing::Filled(5, 4, kMarker);
  DrawEdge(b, Rect{1, 1, 5, 4}, kBdrRaisedOuter, kBfRect);
  EXPECT_EQ(Letters(b), (Rows{"MMMMM", "MLLLD", "MLMMD", "MDDDD"}));
  Bitmap clipped = testing::Filled(3, 3, kMarker);
  const Region clip = Region::FromRect(Rect{0, 0, 3, 1});
  DrawEdge(clipped, Rect{-1, 0, 3, 3}, kEdgeRaised, kBfRect, &clip);
  EXPECT_EQ(Letters(clipped), (Rows{"LLD", "MMM", "MMM"}));
}

TEST(DrawFocusRectTest, AlternatePixelsFromTheTopLeft) {
  Bitmap b = testing::MakeBitmap(5, 4, 24);
  DrawFocusRect(b, Rect{0, 0, 5, 4});
  const ColorRef w = Rgb(255, 255, 255);
  const ColorRef k = Rgb(0, 0, 0);
  using Grid = std::vector<std::vector<ColorRef>>;
  EXPECT_EQ(testing::Colors(b),
            (Grid{{w, k, w, k, w}, {k, k, k, k, k}, {w, k, k, k, w}, {k, w, k, w, k}}));
  DrawFocusRect(b, Rect{0, 0, 5, 4});
  for (std::uint8_t byte : b.Bits()) EXPECT_EQ(byte, 0);
}

TEST(DrawFocusRectTest, TheTopLeftPixelStartsThePatternWhereverTheRectIs) {
  Bitmap b = testing::MakeBitmap(5, 4, 24);
  DrawFocusRect(b, Rect{1, 1, 4, 3});
  const ColorRef w = Rgb(255, 255, 255);
  const ColorRef k = Rgb(0, 0, 0);
  using Grid = std::vector<std::vector<ColorRef>>;
  EXPECT_EQ(testing::Colors(b),
            (Grid{{k, k, k, k, k}, {k, w, k, w, k}, {k, k, w, k, k}, {k, k, k, k, k}}));
}

TEST(DrawFocusRectTest, ThinRectanglesInvertEachPixelOnce) {
  Bitmap b = testing::MakeBitmap(3, 4, 24);
  DrawFocusRect(b, Rect{1, 0, 2, 4});
  const ColorRef w = Rgb(255, 255, 255);
  const ColorRef k = Rgb(0, 0, 0);
  using Grid = std::vector<std::vector<ColorRef>>;
  EXPECT_EQ(testing::Colors(b), (Grid{{k, w, k}, {k, k, k}, {k, w, k}, {k, k, k}}));
  Bitmap row = testing::MakeBitmap(4, 1, 24);
  DrawFocusRect(row, Rect{0, 0, 4, 1});
  EXPECT_EQ(testing::Colors(row), (Grid{{w, k, w, k}}));
}

TEST(DrawFocusRectTest, TwiceRestoresColoursAndClipsSafely) {
  Bitmap b = testing::Filled(6, 5, Rgb(12, 200, 77));
  const Bitmap before = b.Clone();
  DrawFocusRect(b, Rect{-3, -2, 4, 4});
  DrawFocusRect(b, Rect{INT_MIN, INT_MIN, INT_MAX, INT_MAX});
  DrawFocusRect(b, Rect{-3, -2, 4, 4});
  DrawFocusRect(b, Rect{INT_MIN, INT_MIN, INT_MAX, INT_MAX});
  EXPECT_TRUE(std::equal(b.Bits().begin(), b.Bits().end(), before.Bits().begin()));
  // Partly outside: the pattern still counts from the (invisible) top-left corner (-3, -2).
  const ColorRef c = Rgb(12, 200, 77);
  const ColorRef inverted = Rgb(243, 55, 178);
  Bitmap once = testing::Filled(6, 5, c);
  DrawFocusRect(once, Rect{-3, -2, 4, 4});  // visible: column 3 rows 0..3, row 3 columns 0..3
  using Grid = std::vector<std::vector<ColorRef>>;
  EXPECT_EQ(testing::Colors(once), (Grid{{c, c, c, inverted, c, c},
                                         {c, c, c, c, c, c},
                                         {c, c, c, inverted, c, c},
                                         {inverted, c, inverted, c, c, c},
                                         {c, c, c, c, c, c}}));
}

}  // namespace
}  // namespace tovarin::platform
