#include "platform/raster/units.h"

#include <gtest/gtest.h>

namespace tovarin::platform {
namespace {

TEST(NearestTest, HalvesGoToTheEvenNeighbour) {
  EXPECT_EQ(Nearest(0.5), 0);
  EXPECT_EQ(Nearest(1.5), 2);
  EXPECT_EQ(Nearest(2.5), 2);
  EXPECT_EQ(Nearest(3.5), 4);
  EXPECT_EQ(Nearest(-0.5), 0);
  EXPECT_EQ(Nearest(-1.5), -2);
  EXPECT_EQ(Nearest(-2.5), -2);
  EXPECT_EQ(Nearest(2.4999), 2);
  EXPECT_EQ(Nearest(2.5001), 3);
  EXPECT_EQ(Nearest(-2.6), -3);
}

TEST(UnitConversionTest, TwipsPixelsAndHiMetric) {
  EXPECT_DOUBLE_EQ(PixelsToTwips(1), 15);
  EXPECT_DOUBLE_EQ(PixelsToTwips(96), 1440);
  EXPECT_DOUBLE_EQ(TwipsToPixels(1440), 96);
  EXPECT_DOUBLE_EQ(TwipsToPixels(15), 1);
  EXPECT_DOUBLE_EQ(PixelsToHiMetric(96), 2540);
  EXPECT_DOUBLE_EQ(HiMetricToPixels(2540), 96);
  EXPECT_DOUBLE_EQ(TwipsToHiMetric(1440), 2540);
  EXPECT_DOUBLE_EQ(HiMetricToTwips(2540), 1440);
  // A 75-pixel control is 1125 twips and 1984.375 HiMetric units.
  EXPECT_DOUBLE_EQ(PixelsToTwips(75), 1125);
  EXPECT_DOUBLE_EQ(PixelsToHiMetric(75), 1984.375);
  EXPECT_EQ(Nearest(PixelsToHiMetric(75)), 1984);
}

}  // namespace
}  // namespace tovarin::platform
