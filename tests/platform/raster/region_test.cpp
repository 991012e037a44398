#include "platform/raster/region.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace tovarin::platform {
namespace {

// Rows of the region inside `area`, '#' for a member pixel.
std::vector<std::string> Picture(const Region& region, const Rect& area) {
  std::vector<std::string> rows;
  for (int y = area.top; y < area.bottom; ++y) {
    std::string row;
    for (int x = area.left; x < area.right; ++x) row += region.Contains(x, y) ? '#' : '.';
    rows.push_back(row);
  }
  return rows;
}

TEST(RegionRect, RightAndBottomAreExclusive) {
  const Region r = Region::FromRect(Rect{1, 1, 4, 3});
  EXPECT_EQ(Picture(r, Rect{0, 0, 5, 4}),
            (std::vector<std::string>{".....", ".###.", ".###.", "....."}));
  EXPECT_EQ(r.Bounds(), (Rect{1, 1, 4, 3}));
  EXPECT_FALSE(r.IsEmpty());
  ASSERT_EQ(r.RowRuns(1).size(), 1u);
  EXPECT_EQ(r.RowRuns(1)[0].begin, 1);
  EXPECT_EQ(r.RowRuns(1)[0].end, 4);
  EXPECT_TRUE(r.RowRuns(0).empty());
  EXPECT_TRUE(r.RowRuns(INT_MIN).empty());
  EXPECT_TRUE(r.RowRuns(INT_MAX).empty());
}

TEST(RegionRect, EmptyAndHugeRectangles) {
  EXPECT_TRUE(Region::FromRect(Rect{3, 3, 3, 5}).IsEmpty());
  EXPECT_TRUE(Region::FromRect(Rect{3, 3, 1, 1}).IsEmpty());
  EXPECT_EQ(Region::FromRect(Rect{}), Region{});
  EXPECT_EQ(Region{}.Bounds(), Rect{});
  EXPECT_FALSE(Region{}.Contains(0, 0));
  // Coordinates are cut at the limit instead of allocating billions of rows.
  const Region huge = Region::FromRect(Rect{INT_MIN, INT_MIN, INT_MAX, INT_MAX});
  constexpr int kLimit = Region::kCoordinateLimit;
  EXPECT_EQ(huge.Bounds(), (Rect{-kLimit, -kLimit, kLimit, kLimit}));
  EXPECT_TRUE(huge.Contains(0, 0));
}

// --- Rounded rectangles ------------------------------------------------------------------------

TEST(RegionRoundRect, ThreeByThreeCornersCutTheSingleCornerPixel) {
  // (0, 0, 6, 5) covers columns 0..4 and rows 0..3: the last column and row are left out.
  const Region r = Region::FromRoundRect(Rect{0, 0, 6, 5}, 3, 3);
  EXPECT_EQ(Picture(r, Rect{0, 0, 6, 5}),
            (std::vector<std::string>{".###..", "#####.", "#####.", ".###..", "......"}));
  EXPECT_EQ(r.Bounds(), (Rect{0, 0, 5, 4}));
}

TEST(RegionRoundRect, FourByFourCornersCutTheSingleCornerPixel) {
  const Region r = Region::FromRoundRect(Rect{2, 1, 9, 7}, 4, 4);
  EXPECT_EQ(
      Picture(r, Rect{2, 1, 9, 7}),
      (std::vector<std::string>{".####..", "######.", "######.", "######.", ".####..", "......."}));
}

TEST(RegionRoundRect, ButtonShapeCoversTheWindowExactly) {
  // A 75 x 23 button shaped with (0, 0, 76, 24) and 4 x 4 corners.
  const Region r = Region::FromRoundRect(Rect{0, 0, 76, 24}, 4, 4);
  EXPECT_EQ(r.Bounds(), (Rect{0, 0, 75, 23}));
  for (Point corner : {Point{0, 0}, Point{74, 0}, Point{0, 22}, Point{74, 22}}) {
    EXPECT_FALSE(r.Contains(corner.x, corner.y)) << corner.x << "," << corner.y;
  }
  for (Point inside : {Point{1, 0}, Point{0, 1}, Point{73, 0}, Point{74, 1}, Point{0, 21},
                       Point{1, 22}, Point{73, 22}, Point{74, 21}, Point{37, 11}}) {
    EXPECT_TRUE(r.Contains(inside.x, inside.y)) << inside.x << "," << inside.y;
  }
}

TEST(RegionRoundRect, SmallEllipsesGiveTheRectangleAndLargeOnesAreLimited) {
  EXPECT_EQ(Region::FromRoundRect(Rect{0, 0, 5, 5}, 1, 8), Region::FromRect(Rect{0, 0, 4, 4}));
  EXPECT_EQ(Region::FromRoundRect(Rect{0, 0, 5, 5}, 0, 0), Region::FromRect(Rect{0, 0, 4, 4}));
  EXPECT_EQ(Region::FromRoundRect(Rect{0, 0, 5, 5}, 100, 100),
            Region::FromRoundRect(Rect{0, 0, 5, 5}, 4, 4));
  EXPECT_EQ(Region::FromRoundRect(Rect{0, 0, 5, 5}, -3, -3),
            Region::FromRoundRect(Rect{0, 0, 5, 5}, 3, 3));
  EXPECT_EQ(Region::FromRoundRect(Rect{5, 5, 0, 0}, 3, 3),
            Region::FromRoundRect(Rect{0, 0, 5, 5}, 3, 3));
  EXPECT_TRUE(Region::FromRoundRect(Rect{0, 0, 1, 5}, 3, 3).IsEmpty());
}

TEST(RegionRoundRect, LargeEllipsesAreSymmetricConvexShapes) {
  for (int size : {6, 7, 10, 20, 33}) {
    const Region r = Region::FromRoundRect(Rect{0, 0, size + 1, size + 1}, size, size);
    ASSERT_EQ(r.Bounds(), (Rect{0, 0, size, size})) << size;
    int previous_width = 0;
    for (int y = 0; y < size; ++y) {
      ASSERT_EQ(r.RowRuns(y).size(), 1u) << size << " row " << y;
      const int width = r.RowRuns(y)[0].end - r.RowRuns(y)[0].begin;
      if (y <= (size - 1) / 2) {
        EXPECT_GE(width, previous_width) << size << " row " << y;
      }
      previous_width = width;
      for (int x = 0; x < size; ++x) {
        EXPECT_EQ(r.Contains(x, y), r.Contains(size - 1 - x, y)) << size;
        EXPECT_EQ(r.Contains(x, y), r.Contains(x, size - 1 - y)) << size;
        EXPECT_EQ(r.Contains(x, y), r.Contains(y, x)) << size;  // a circle
      }
    }
    EXPECT_FALSE(r.Contains(0, 0)) << size;
    EXPECT_TRUE(r.Contains(size / 2, 0)) << size;
    EXPECT_TRUE(r.Contains(0, size / 2)) << size;
  }
  // A circle of diameter 20: the top row holds only a few middle pixels.
  const Region circle = Region::FromRoundRect(Rect{0, 0, 21, 21}, 20, 20);
  EXPECT_FALSE(circle.Contains(5, 0));
  EXPECT_FALSE(circle.Contains(14, 0));
}

TEST(RegionRoundRect, FlatEllipsesStillCoverTheirMiddle) {
  const Region r =
      Region::FromRoundRect(Rect{0, 0, 3, 9}, 2, 8);  // ellipse 2 x 8 in a 2 x 8 region
  for (int y = 0; y < 8; ++y) EXPECT_FALSE(r.RowRuns(y).empty()) << y;
}

// --- Set operations ---------------------------------------------------------------------------

TEST(RegionOps, UnionIntersectSubtract) {
  const Region a = Region::FromRect(Rect{0, 0, 4, 2});
  const Region b = Region::FromRect(Rect{2, 1, 6, 3});
  const Rect area{0, 0, 6, 3};
  EXPECT_EQ(Picture(a.Union(b), area), (std::vector<std::string>{"####..", "######", "..####"}));
  EXPECT_EQ(a.Union(b).RowRuns(1).size(), 1u);  // touching runs merge
  EXPECT_EQ(a.Union(b).Bounds(), (Rect{0, 0, 6, 3}));
  EXPECT_EQ(a.Intersect(b), Region::FromRect(Rect{2, 1, 4, 2}));
  EXPECT_EQ(Picture(a.Subtract(b), area), (std::vector<std::string>{"####..", "##....", "......"}));
  EXPECT_EQ(Picture(b.Subtract(a), area), (std::vector<std::string>{"......", "....##", "..####"}));
}

TEST(RegionOps, HolesAndCanonicalForm) {
  const Region hole =
      Region::FromRect(Rect{0, 0, 5, 1}).Subtract(Region::FromRect(Rect{2, 0, 3, 1}));
  ASSERT_EQ(hole.RowRuns(0).size(), 2u);
  EXPECT_EQ(hole.RowRuns(0)[0].end, 2);
  EXPECT_EQ(hole.RowRuns(0)[1].begin, 3);
  EXPECT_FALSE(hole.Contains(2, 0));
  EXPECT_TRUE(hole.Contains(3, 0));
  EXPECT_EQ(hole.Union(Region::FromRect(Rect{2, 0, 3, 1})), Region::FromRect(Rect{0, 0, 5, 1}));
  EXPECT_EQ(Region::FromRect(Rect{0, 0, 2, 1}).Union(Region::FromRect(Rect{2, 0, 4, 1})),
            Region::FromRect(Rect{0, 0, 4, 1}));
  // Results that lose their top or bottom rows compare equal to regions built directly.
  EXPECT_EQ(Region::FromRect(Rect{0, 0, 3, 3}).Subtract(Region::FromRect(Rect{0, 0, 3, 1})),
            Region::FromRect(Rect{0, 1, 3, 3}));
  EXPECT_EQ(Region::FromRect(Rect{0, 0, 3, 3}).Subtract(Region::FromRect(Rect{-1, -1, 4, 4})),
            Region{});
  const Region disjoint =
      Region::FromRect(Rect{0, 0, 1, 1}).Intersect(Region::FromRect(Rect{5, 5, 6, 6}));
  EXPECT_TRUE(disjoint.IsEmpty());
  EXPECT_EQ(disjoint.Bounds(), Rect{});
  EXPECT_EQ(Region{}.Union(Region::FromRect(Rect{1, 1, 2, 2})), Region::FromRect(Rect{1, 1, 2, 2}));
  // Rows between two parts stay empty.
  const Region apart = Region::FromRect(Rect{0, 0, 1, 1}).Union(Region::FromRect(Rect{0, 3, 1, 4}));
  EXPECT_EQ(Picture(apart, Rect{0, 0, 1, 4}), (std::vector<std::string>{"#", ".", ".", "#"}));
}

TEST(RegionOps, Offset) {
  EXPECT_EQ(Region::FromRect(Rect{0, 0, 2, 2}).Offset(3, -1), Region::FromRect(Rect{3, -1, 5, 1}));
  const Region round = Region::FromRoundRect(Rect{0, 0, 6, 5}, 3, 3);
  EXPECT_EQ(round.Offset(10, 20).Offset(-10, -20), round);
  EXPECT_TRUE(Region::FromRect(Rect{0, 0, 2, 2}).Offset(INT_MAX, 0).IsEmpty());
  EXPECT_TRUE(Region::FromRect(Rect{0, 0, 2, 2}).Offset(0, INT_MIN).IsEmpty());
  EXPECT_TRUE(Region{}.Offset(1, 1).IsEmpty());
}

}  // namespace
}  // namespace tovarin::platform
