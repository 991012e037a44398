#include "platform/gtk/cairo_region_ref.h"

#include <gtest/gtest.h>

#include <utility>

#include "platform/raster/geometry.h"
#include "platform/raster/region.h"

namespace tovarin::platform::gtk {
namespace {

// Whether the cairo region holds exactly the region's pixels over a window that covers both
// with a margin.
void ExpectSamePixels(const Region& region, cairo_region_t* converted, const Rect& window) {
  for (int y = window.top; y < window.bottom; ++y) {
    for (int x = window.left; x < window.right; ++x) {
      EXPECT_EQ(cairo_region_contains_point(converted, x, y) != 0, region.Contains(x, y))
          << "at " << x << "," << y;
    }
  }
}

TEST(ToCairoRegion, AnEmptyRegionIsAnEmptyCairoRegion) {
  const CairoRegionRef converted = ToCairoRegion(Region());
  ASSERT_NE(converted.get(), nullptr);
  EXPECT_TRUE(cairo_region_is_empty(converted.get()));
}

TEST(ToCairoRegion, ARectangleKeepsItsPixelsWithRightAndBottomEdgesExclusive) {
  const Region region = Region::FromRect(Rect{2, 3, 7, 5});  // columns 2..6, rows 3..4
  const CairoRegionRef converted = ToCairoRegion(region);
  cairo_rectangle_int_t extents;
  cairo_region_get_extents(converted.get(), &extents);
  EXPECT_EQ(extents.x, 2);
  EXPECT_EQ(extents.y, 3);
  EXPECT_EQ(extents.width, 5);
  EXPECT_EQ(extents.height, 2);
  ExpectSamePixels(region, converted.get(), Rect{0, 0, 10, 8});
}

TEST(ToCairoRegion, HolesAndSeveralRunsInARowStayOutside) {
  // A 10 x 6 frame with a 4 x 2 hole: rows 2 and 3 have two runs each.
  const Region region =
      Region::FromRect(Rect{-3, -2, 7, 4}).Subtract(Region::FromRect(Rect{0, 0, 4, 2}));
  const CairoRegionRef converted = ToCairoRegion(region);
  EXPECT_FALSE(cairo_region_contains_point(converted.get(), 1, 1));
  EXPECT_TRUE(cairo_region_contains_point(converted.get(), -3, 1));
  EXPECT_TRUE(cairo_region_contains_point(converted.get(), 4, 0));
  ExpectSamePixels(region, converted.get(), Rect{-5, -4, 9, 6});
}

TEST(ToCairoRegion, ARoundedRectangleLosesExactlyItsCornerPixels) {
  // A 3 x 3 ellipse cuts only the corner pixel at each of the four corners.
  const Region region = Region::FromRoundRect(Rect{0, 0, 6, 5}, 3, 3);
  const CairoRegionRef converted = ToCairoRegion(region);
  EXPECT_FALSE(cairo_region_contains_point(converted.get(), 0, 0));
  EXPECT_FALSE(cairo_region_contains_point(converted.get(), 4, 0));
  EXPECT_FALSE(cairo_region_contains_point(converted.get(), 0, 3));
  EXPECT_FALSE(cairo_region_contains_point(converted.get(), 4, 3));
  EXPECT_TRUE(cairo_region_contains_point(converted.get(), 1, 0));
  ExpectSamePixels(region, converted.get(), Rect{-2, -2, 8, 7});
}

TEST(CairoRegionRef, MovingHandsTheRegionOver) {
  CairoRegionRef first(cairo_region_create());
  cairo_region_t* const held = first.get();
  CairoRegionRef second = std::move(first);
  EXPECT_EQ(second.get(), held);
  EXPECT_EQ(first.get(), nullptr);  // NOLINT(bugprone-use-after-move): the moved-from state
}

}  // namespace
}  // namespace tovarin::platform::gtk
