#include <gtest/gtest.h>

#include "platform/raster/system_colors.h"
#include "tests/anigif/anigif_test_support.h"

namespace tovarin::anigif {
namespace {

using testing::AniGifFixture;
using testing::ThreeFrameGif;
using Lines = std::vector<std::string>;

// One 2 x 2 frame on a 4-colour global table, and a second frame with its own 2-colour table.
std::vector<std::uint8_t> TwoTableGif() {
  gif::testing::TestGif gif;
  gif.global_table = {0x000000, 0x102030, 0x405060, 0x708090};
  gif.frames.push_back(gif::testing::SolidFrame(0, 0, 2, 2, 1));
  gif::testing::TestFrame second = gif::testing::SolidFrame(0, 0, 2, 2, 1);
  second.local_table = {0x111111, 0x222222};
  gif.frames.push_back(second);
  gif.frames.push_back(gif::testing::SolidFrame(0, 0, 2, 2, 2));
  return gif::testing::BuildGif(gif);
}

class Palettes : public ::testing::Test {
 protected:
  void SetUp() override {
    f.InitNew();
    ASSERT_TRUE(f.LoadBytes(TwoTableGif()));
    f.Advance(20);
  }
  AniGifFixture f;
};

TEST_F(Palettes, GlobalTableReadsWithItsColourCount) {
  std::vector<std::uint32_t> entries;
  EXPECT_TRUE(f.control->GetPalette(0, entries));
  EXPECT_EQ(entries, (std::vector<std::uint32_t>{0x000000, 0x102030, 0x405060, 0x708090}));
}

TEST_F(Palettes, AFrameNumberGivesOnlyThatFramesLocalTable) {
  std::vector<std::uint32_t> entries{42};
  EXPECT_FALSE(f.control->GetPalette(3, entries));  // frame 3 uses the global table
  EXPECT_EQ(entries, (std::vector<std::uint32_t>{42}));
  EXPECT_FALSE(f.control->GetPalette(4, entries));  // no frame 4
  EXPECT_FALSE(f.control->GetPalette(-1, entries));
  EXPECT_TRUE(f.control->GetPalette(2, entries));
  EXPECT_EQ(entries, (std::vector<std::uint32_t>{0x111111, 0x222222}));
}

TEST_F(Palettes, ARunningAnimationKeepsRunningAfterPaletteCalls) {
  std::vector<std::uint32_t> entries;
  f.control->GetPalette(0, entries);
  const std::vector<std::uint32_t> same = entries;
  f.control->SetPalette(0, same);
  EXPECT_EQ(f.control->Action(), 1);
}

TEST_F(Palettes, AShortArrayChangesNothingButStillRepaintsWhenNotRunning) {
  f.control->SetAction(0);
  const int refreshes = f.host.RefreshCount();
  const std::vector<std::uint32_t> short_array{1, 2, 3};
  EXPECT_FALSE(f.control->SetPalette(0, short_array));
  EXPECT_EQ(f.host.RefreshCount(), refreshes + 1);
  std::vector<std::uint32_t> entries;
  f.control->GetPalette(0, entries);
  EXPECT_EQ(entries[1], 0x102030u);
  EXPECT_FALSE(f.control->SetPalette(0, std::span<const std::uint32_t>()));
}

TEST_F(Palettes, ReplacingTheShownTableRecoloursAtOnce) {
  f.control->SetAction(0);  // frame 1 shown, opaque, index 1 of the global table
  f.host.Refresh();
  EXPECT_EQ(f.host.Surface().GetPixel(0, 0), platform::Rgb(0x10, 0x20, 0x30));
  const std::vector<std::uint32_t> replaced{0x000000, 0xAABBCC, 0x405060, 0x708090};
  EXPECT_TRUE(f.control->SetPalette(0, replaced));
  EXPECT_EQ(f.host.Surface().GetPixel(1, 1), platform::Rgb(0xAA, 0xBB, 0xCC));
}

TEST_F(Palettes, CacheAndRestoreBringTheOriginalColoursBack) {
  EXPECT_TRUE(f.control->CacheColorTables());
  EXPECT_FALSE(f.control->CacheColorTables());
  const std::vector<std::uint32_t> replaced{9, 9, 9, 9};
  ASSERT_TRUE(f.control->SetPalette(0, replaced));
  EXPECT_TRUE(f.control->RestoreColorTables(true));
  EXPECT_FALSE(f.control->RestoreColorTables(true));
  std::vector<std::uint32_t> entries;
  f.control->GetPalette(0, entries);
  EXPECT_EQ(entries, (std::vector<std::uint32_t>{0x000000, 0x102030, 0x405060, 0x708090}));
}

TEST(AniGifMouse, PositionsAreRaisedInTheContainersUnits) {
  AniGifFixture f;
  f.InitNew();
  f.host.Show();
  f.host.MouseDown(platform::kLeftButton, 10, 20);
  f.host.MouseUp(platform::kLeftButton, 10, 20);
  EXPECT_EQ(f.events, (Lines{"t=0 MouseMove 0 0 150 300", "t=0 MouseDown 1 0 150 300",
                             "t=0 MouseUp 1 0 150 300", "t=0 Click"}));
  int hit = 0;
  f.control->OnHitTest(0.5, 0.5, hit);
  EXPECT_EQ(hit, 3);
}

TEST(AniGifResize, ActualSizeModeShrinksTheControlToTheImage) {
  AniGifFixture f({.width = 40, .height = 30});
  f.InitNew();
  ASSERT_TRUE(f.LoadBytes(ThreeFrameGif()));
  f.control->SetStretch(0);
  EXPECT_EQ(f.host.ClientSize(), (platform::Size{4, 4}));
}

TEST(AniGifResize, FitModeScalesKeepingTheAspectRatio) {
  AniGifFixture f({.width = 40, .height = 30});
  f.InitNew();
  ASSERT_TRUE(f.LoadBytes(ThreeFrameGif()));  // Stretch 1 fits at once
  EXPECT_EQ(f.host.ClientSize(), (platform::Size{30, 30}));
}

TEST(AniGifPaint, DesignModeDrawsADottedOutlineInTheWindowFrameColour) {
  AniGifFixture f({.user_mode = false, .width = 12, .height = 8});
  f.InitNew();
  f.host.Refresh();
  const platform::Bitmap& surface = f.host.Surface();
  const platform::ColorRef frame = platform::GetSysColor(platform::kColorWindowFrame);
  const platform::ColorRef back = f.host.BackgroundColor();
  // Three on, three off along the top edge from the top-left corner.
  EXPECT_EQ(surface.GetPixel(0, 0), frame);
  EXPECT_EQ(surface.GetPixel(2, 0), frame);
  EXPECT_EQ(surface.GetPixel(3, 0), back);
  EXPECT_EQ(surface.GetPixel(5, 0), back);
  EXPECT_EQ(surface.GetPixel(6, 0), frame);
  EXPECT_EQ(surface.GetPixel(5, 5), back);  // inside stays untouched
}

TEST(AniGifPaint, UserModeDrawsNoOutline) {
  AniGifFixture f({.width = 12, .height = 8});
  f.InitNew();
  f.host.Refresh();
  EXPECT_EQ(f.host.Surface().GetPixel(0, 0), f.host.BackgroundColor());
}

}  // namespace
}  // namespace tovarin::anigif
