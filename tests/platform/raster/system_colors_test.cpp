#include "platform/raster/system_colors.h"

#include <gtest/gtest.h>

namespace tovarin::platform {
namespace {

TEST(OleColorTranslation, PlainColoursPassThrough) {
  EXPECT_EQ(TranslateOleColor(0x00FF8040u), 0x00FF8040u);
  EXPECT_EQ(TranslateOleColor(0u), 0u);
}

TEST(OleColorTranslation, SystemColourCodesNameTheTable) {
  EXPECT_EQ(TranslateOleColor(0x80000000u + kColorBtnFace), GetSysColor(kColorBtnFace));
  EXPECT_EQ(TranslateOleColor(0x80000005u), Rgb(255, 255, 255));
  EXPECT_EQ(TranslateOleColor(0x80000012u), Rgb(0, 0, 0));
}

TEST(OleColorTranslation, InvalidCodesFail) {
  EXPECT_EQ(TranslateOleColor(0x80000000u + kSysColorCount), std::nullopt);
  EXPECT_EQ(TranslateOleColor(0xFFFFFFFFu), std::nullopt);
  EXPECT_EQ(TranslateOleColor(0x01000000u), std::nullopt);
}

}  // namespace
}  // namespace tovarin::platform
