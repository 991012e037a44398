// Drawing frames: transparency passes, the canvas and mask with the disposal methods, solid
// background, scaling, offsets, mirroring and the colour-table cache.

#include <gtest/gtest.h>

#include "gif_engine_test_harness.h"
#include "gif_engine_test_support.h"

namespace tovarin::gif::testing {
namespace {

using platform::Rgb;

// Index 0 red, 1 green, 2 blue, 3 white.
TestGif FourColourGif() {
  TestGif gif;
  gif.global_table = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
  return gif;
}
constexpr platform::ColorRef kRed = Rgb(255, 0, 0);
constexpr platform::ColorRef kGreen = Rgb(0, 255, 0);
constexpr platform::ColorRef kBlue = Rgb(0, 0, 255);
constexpr platform::ColorRef kWhite = Rgb(255, 255, 255);
constexpr platform::ColorRef kGrey = Rgb(128, 128, 128);

std::vector<platform::ColorRef> RowColours(const platform::Bitmap& bitmap, int y) {
  std::vector<platform::ColorRef> colours;
  for (int x = 0; x < bitmap.Width(); ++x) colours.push_back(bitmap.GetPixel(x, y));
  return colours;
}

// Draws frame `frame` onto a fresh surface of `background` the size of the control.
platform::Bitmap Draw(EngineHarness& h, int frame, platform::ColorRef background) {
  const platform::Size size = h.host.ClientSize();
  platform::Bitmap surface = SolidSurface(size.width, size.height, background);
  EXPECT_TRUE(h.engine.DrawFrame(frame, surface));
  return surface;
}

// Loads with every frame built, unscaled, into a control of exactly the screen's size.
void LoadAllFrames(EngineHarness& h, const TestGif& gif, int expected_frames) {
  h.engine.delayAnimation = 0;
  h.engine.stretchMode = StretchSetting::kImageSize;
  ASSERT_EQ(h.Load(BuildGif(gif)), expected_frames);
}

// Frame 1 (24 x 2, transparent index 0) is opaque in every third column, so its mask rows
// are 0x6D 0xB6 0xDB (white bits where it is transparent). Frame 2 sits at left 5, width 10
// (columns 5..14, mask bytes 0 and 1) with disposal 3: after it is shown, exactly the bits of
// those bytes must come back, the last column (14, in byte 1) included.
TEST(DisposalRestorePrevious, RestoresTheMaskBitsOfAFrameAtAnUnalignedLeft) {
  TestGif gif = FourColourGif();
  TestFrame first = SolidFrame(0, 0, 24, 2, 0);
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 24; ++x)
      first.indices[static_cast<std::size_t>(y * 24 + x)] = x % 3 == 0 ? 1 : 0;
  }
  first.transparent = 0;
  TestFrame second = SolidFrame(5, 0, 10, 2, 2);
  second.disposal = 3;
  gif.frames = {first, second};
  EngineHarness h({.user_mode = true, .width = 24, .height = 2});
  LoadAllFrames(h, gif, 2);
  ASSERT_NE(h.engine.Mask(), nullptr);

  Draw(h, 1, kGrey);
  for (int y = 0; y < 2; ++y) {
    const std::uint8_t* row = h.engine.Mask()->Row(y);
    EXPECT_EQ(row[0], 0x6D);
    EXPECT_EQ(row[1], 0xB6);
    EXPECT_EQ(row[2], 0xDB);
  }
  const platform::Bitmap shown = Draw(h, 2, kGrey);
  EXPECT_EQ(shown.GetPixel(4, 0), kGrey);
  EXPECT_EQ(shown.GetPixel(5, 0), kBlue);
  EXPECT_EQ(shown.GetPixel(14, 1), kBlue);
  EXPECT_EQ(shown.GetPixel(15, 1), kGreen);
  EXPECT_EQ(shown.GetPixel(16, 1), kGrey);
  for (int y = 0; y < 2; ++y) {
    const std::uint8_t* row = h.engine.Mask()->Row(y);
    EXPECT_EQ(row[0], 0x6D) << y;
    EXPECT_EQ(row[1], 0xB6) << y;
    EXPECT_EQ(row[2], 0xDB) << y;
  }
  // The canvas is back to frame 1 as well: black where it was transparent, green elsewhere.
  EXPECT_EQ(h.engine.Canvas()->GetPixel(5, 0), Rgb(0, 0, 0));
  EXPECT_EQ(h.engine.Canvas()->GetPixel(6, 0), kGreen);
  EXPECT_EQ(h.engine.Canvas()->GetPixel(14, 1), Rgb(0, 0, 0));
  EXPECT_EQ(h.engine.Canvas()->GetPixel(12, 1), kGreen);
}

TEST(DisposalRestoreBackground, ClearsTheFramesAreaToTheBackgroundForTheNextFrame) {
  TestGif gif = FourColourGif();
  TestFrame third = SolidFrame(0, 0, 4, 1, 0);
  third.transparent = 0;  // wholly transparent: shows what the canvas holds
  gif.frames = {SolidFrame(0, 0, 4, 1, 1), SolidFrame(1, 0, 2, 1, 2), third};
  gif.frames[1].disposal = 2;
  EngineHarness h({.user_mode = true, .width = 4, .height = 1});
  LoadAllFrames(h, gif, 3);
  EXPECT_EQ(RowColours(Draw(h, 1, kWhite), 0), (std::vector{kGreen, kGreen, kGreen, kGreen}));
  EXPECT_EQ(RowColours(Draw(h, 2, kWhite), 0), (std::vector{kGreen, kBlue, kBlue, kGreen}));
  EXPECT_EQ(RowColours(Draw(h, 3, kWhite), 0), (std::vector{kGreen, kWhite, kWhite, kGreen}));
}

TEST(DisposalNone, FramesAccumulateAndTheCanvasClearsOnFrameOne) {
  TestGif gif = FourColourGif();
  TestFrame first = SolidFrame(0, 0, 3, 1, 0);
  first.indices = {1, 0, 0};
  first.transparent = 0;
  TestFrame second = SolidFrame(0, 0, 3, 1, 0);
  second.indices = {0, 2, 0};
  second.transparent = 0;
  gif.frames = {first, second};
  EngineHarness h({.user_mode = true, .width = 3, .height = 1});
  LoadAllFrames(h, gif, 2);
  EXPECT_EQ(RowColours(Draw(h, 1, kGrey), 0), (std::vector{kGreen, kGrey, kGrey}));
  EXPECT_EQ(RowColours(Draw(h, 2, kGrey), 0), (std::vector{kGreen, kBlue, kGrey}));
  EXPECT_EQ(RowColours(Draw(h, 1, kGrey), 0), (std::vector{kGreen, kGrey, kGrey}));
}

// The strip's table holds frame 1's colours with its transparent slot (index 1) blackened;
// frame 2 is opaque, uses the same table and draws index 1 as a visible colour.
TEST(Transparency, OpaqueFrameAfterTransparentFrameWithTheSameTableShowsItsColour) {
  for (int disposal : {2, 0}) {  // without and with a canvas
    TestGif gif = FourColourGif();
    TestFrame first = SolidFrame(0, 0, 2, 1, 0);
    first.indices = {0, 1};
    first.transparent = 1;
    first.disposal = disposal;
    TestFrame second = SolidFrame(0, 0, 2, 1, 1);
    second.disposal = disposal;
    gif.frames = {first, second};
    EngineHarness h({.user_mode = true, .width = 2, .height = 1});
    LoadAllFrames(h, gif, 2);
    EXPECT_EQ(h.engine.Canvas() != nullptr, disposal == 0);
    EXPECT_EQ(RowColours(Draw(h, 1, kGrey), 0), (std::vector{kRed, kGrey})) << disposal;
    EXPECT_EQ(h.engine.selectedTable, -1);
    EXPECT_EQ(RowColours(Draw(h, 2, kGrey), 0), (std::vector{kGreen, kGreen})) << disposal;
  }
}

TEST(Transparency, UncomposedTransparentFrameKeepsTheBackgroundWhereTransparent) {
  TestGif gif = FourColourGif();
  TestFrame frame = SolidFrame(0, 0, 3, 1, 0);
  frame.indices = {1, 0, 2};
  frame.transparent = 0;
  gif.frames = {frame};
  EngineHarness h({.user_mode = true, .width = 3, .height = 1});
  LoadAllFrames(h, gif, 1);
  EXPECT_EQ(h.engine.Canvas(), nullptr);
  EXPECT_EQ(RowColours(Draw(h, 1, kGrey), 0), (std::vector{kGreen, kGrey, kBlue}));
  EXPECT_EQ(RowColours(Draw(h, 1, kWhite), 0), (std::vector{kGreen, kWhite, kBlue}));
}

TEST(Transparency, OpaqueFrameLoadsItsTableOnceAndRemembersIt) {
  TestGif gif = FourColourGif();
  TestFrame local = SolidFrame(0, 0, 2, 1, 1);
  local.local_table = {0x101010, 0x202020};
  gif.frames = {SolidFrame(0, 0, 2, 1, 1), local};
  gif.frames[0].disposal = 2;
  gif.frames[1].disposal = 2;
  EngineHarness h({.user_mode = true, .width = 2, .height = 1});
  LoadAllFrames(h, gif, 2);
  Draw(h, 1, kGrey);
  EXPECT_EQ(h.engine.selectedTable, 0);
  EXPECT_EQ(RowColours(Draw(h, 2, kGrey), 0),
            (std::vector{Rgb(0x20, 0x20, 0x20), Rgb(0x20, 0x20, 0x20)}));
  EXPECT_EQ(h.engine.selectedTable, 1);
}

// SolidBkgColor 0x1E140A is RGB(10, 20, 30). Frames with disposal 0 accumulate on the canvas;
// the solid colour shows only where no frame has drawn since frame 1.
TEST(SolidBackground, ShowsOnlyWhereNoFrameHasDrawnSinceFrameOne) {
  TestGif gif = FourColourGif();
  TestFrame first = SolidFrame(0, 0, 4, 1, 0);
  first.indices = {1, 0, 0, 0};
  first.transparent = 0;
  TestFrame second = SolidFrame(0, 0, 4, 1, 0);
  second.indices = {0, 3, 0, 0};
  second.transparent = 0;
  gif.frames = {first, second};
  EngineHarness h({.user_mode = true, .width = 6, .height = 1});
  h.engine.solidBkgColor = 0x1E140A;
  h.engine.solidBkgColorUsed = true;
  LoadAllFrames(h, gif, 2);
  const platform::ColorRef solid = Rgb(10, 20, 30);
  // The fill covers the scaled logical screen (4 pixels), not the whole 6-pixel control.
  EXPECT_EQ(RowColours(Draw(h, 1, kGrey), 0),
            (std::vector{kGreen, solid, solid, solid, kGrey, kGrey}));
  EXPECT_EQ(RowColours(Draw(h, 2, kGrey), 0),
            (std::vector{kGreen, kWhite, solid, solid, kGrey, kGrey}));
  EXPECT_EQ(h.engine.Canvas()->GetPixel(2, 0), Rgb(0, 0, 0));  // the fill never reaches the canvas
}

TEST(SolidBackground, HighBitNamesASystemColour) {
  TestGif gif = FourColourGif();
  TestFrame frame = SolidFrame(0, 0, 2, 1, 0);
  frame.indices = {0, 1};
  frame.transparent = 0;
  gif.frames = {frame};
  EngineHarness h({.user_mode = true, .width = 2, .height = 1});
  h.engine.solidBkgColor = 0x80000000u + platform::kColorHighlight;
  h.engine.solidBkgColorUsed = true;
  LoadAllFrames(h, gif, 1);
  EXPECT_EQ(RowColours(Draw(h, 1, kGrey), 0),
            (std::vector{platform::GetSysColor(platform::kColorHighlight), kGreen}));
}

TEST(StretchModes, ComputeScaleFollowsEachMode) {
  TestGif gif = FourColourGif();
  gif.frames = {SolidFrame(0, 0, 20, 10, 1)};
  EngineHarness h({.user_mode = true, .width = 20, .height = 10});
  ASSERT_EQ(h.Load(BuildGif(gif)), 1);
  struct Case {
    int mode, width, height, out_width, out_height;
    float scale_x, scale_y;
  };
  const Case cases[] = {
      {0, 50, 5, 20, 5, 1.0f, 1.0f},   {1, 50, 40, 50, 25, 2.5f, 2.5f},
      {2, 40, 30, 40, 30, 2.0f, 3.0f}, {3, 50, 40, 20, 10, 1.0f, 1.0f},
      {3, 30, 5, 10, 5, 0.5f, 0.5f},   {3, 15, 40, 15, 8, 0.75f, 0.75f},
      {3, 30, 10, 20, 10, 1.0f, 1.0f}, {4, 7, 7, 20, 10, 1.0f, 1.0f},
  };
  for (const Case& c : cases) {
    h.engine.stretchMode = static_cast<StretchSetting>(c.mode);
    int width = c.width;
    int height = c.height;
    float scale_x = -1;
    float scale_y = -1;
    h.engine.ComputeScale(width, height, scale_x, scale_y);
    EXPECT_EQ(width, c.out_width) << c.mode << " " << c.width << "x" << c.height;
    EXPECT_EQ(height, c.out_height) << c.mode << " " << c.width << "x" << c.height;
    EXPECT_EQ(scale_x, c.scale_x) << c.mode << " " << c.width << "x" << c.height;
    EXPECT_EQ(scale_y, c.scale_y) << c.mode << " " << c.width << "x" << c.height;
  }
}

TEST(StretchModes, ModeThreeNeverEnlargesButReducesKeepingTheAspectRatio) {
  TestGif gif = FourColourGif();
  gif.frames = {SolidFrame(0, 0, 20, 10, 1)};
  {
    EngineHarness h({.user_mode = true, .width = 50, .height = 40});
    h.engine.stretchMode = StretchSetting::kFitNoEnlarge;
    ASSERT_EQ(h.Load(BuildGif(gif)), 1);
    EXPECT_EQ(h.engine.screen.scaleX, 1.0f);
    const platform::Bitmap shown = Draw(h, 1, kGrey);
    EXPECT_EQ(shown.GetPixel(19, 9), kGreen);
    EXPECT_EQ(shown.GetPixel(20, 9), kGrey);
    EXPECT_EQ(shown.GetPixel(19, 10), kGrey);
  }
  {
    EngineHarness h({.user_mode = true, .width = 30, .height = 5});
    h.engine.stretchMode = StretchSetting::kFitNoEnlarge;
    ASSERT_EQ(h.Load(BuildGif(gif)), 1);
    EXPECT_EQ(h.engine.screen.scaleX, 0.5f);
    EXPECT_EQ(h.engine.screen.scaleY, 0.5f);
    const platform::Bitmap shown = Draw(h, 1, kGrey);
    EXPECT_EQ(shown.GetPixel(9, 4), kGreen);
    EXPECT_EQ(shown.GetPixel(10, 0), kGrey);
  }
}

// Factor 2 (Stretch 2, a 40 x 4 control over a 20 x 2 screen) and OffsetX 10: an uncomposed
// frame is placed at 2 x (10 + left) = 20, the composed canvas at 10.
TEST(Offsets, UncomposedFramesScaleTheOffsetComposedCanvasDoesNot) {
  {
    TestGif gif = FourColourGif();
    gif.frames = {SolidFrame(0, 0, 4, 2, 1), SolidFrame(0, 0, 20, 2, 2)};
    gif.frames[0].disposal = 2;
    gif.frames[1].disposal = 2;
    EngineHarness h({.user_mode = true, .width = 40, .height = 4});
    h.engine.stretchMode = StretchSetting::kFill;
    h.engine.delayAnimation = 0;
    h.engine.offsetX = 10;
    ASSERT_EQ(h.Load(BuildGif(gif)), 2);
    ASSERT_EQ(h.engine.Canvas(), nullptr);
    ASSERT_EQ(h.engine.screen.scaleX, 2.0f);
    const platform::Bitmap shown = Draw(h, 1, kGrey);
    EXPECT_EQ(shown.GetPixel(19, 0), kGrey);
    EXPECT_EQ(shown.GetPixel(20, 0), kGreen);
    EXPECT_EQ(shown.GetPixel(27, 3), kGreen);
    EXPECT_EQ(shown.GetPixel(28, 0), kGrey);
  }
  {
    TestGif gif = FourColourGif();
    gif.frames = {SolidFrame(0, 0, 20, 2, 1), SolidFrame(0, 0, 4, 2, 2)};
    EngineHarness h({.user_mode = true, .width = 40, .height = 4});
    h.engine.stretchMode = StretchSetting::kFill;
    h.engine.delayAnimation = 0;
    h.engine.offsetX = 10;
    ASSERT_EQ(h.Load(BuildGif(gif)), 2);
    ASSERT_NE(h.engine.Canvas(), nullptr);
    const platform::Bitmap shown = Draw(h, 1, kGrey);
    EXPECT_EQ(shown.GetPixel(9, 0), kGrey);
    EXPECT_EQ(shown.GetPixel(10, 0), kGreen);
    EXPECT_EQ(shown.GetPixel(39, 3), kGreen);
  }
}

TEST(Mirroring, HorizontalMirrorMovesAFrameAtLeftFiveWidthTenToLeftTwentyFive) {
  TestGif gif = FourColourGif();
  TestFrame second = SolidFrame(5, 0, 10, 1, 0);
  second.indices = {0, 1, 2, 3, 0, 1, 2, 3, 0, 1};
  gif.frames = {SolidFrame(0, 0, 40, 1, 1), second};
  EngineHarness h({.user_mode = true, .width = 40, .height = 1});
  h.engine.mirrorStyle = kMirrorHorizontal;
  LoadAllFrames(h, gif, 2);
  EXPECT_EQ(h.engine.frames[1].left, 25);
  EXPECT_EQ(h.engine.frames[0].left, 0);
  EXPECT_EQ(h.engine.mirrorStyle, kMirrorHorizontal);
  for (int x = 0; x < 10; ++x) {
    EXPECT_EQ(h.engine.Strip()->GetIndex(h.engine.StripX(2) + x, 0),
              second.indices[static_cast<std::size_t>(9 - x)]);
  }
  const platform::Bitmap shown = Draw(h, 2, kGrey);
  EXPECT_EQ(shown.GetPixel(25, 0), kGreen);  // index 1, the frame's last pixel
  EXPECT_EQ(shown.GetPixel(26, 0), kRed);
  EXPECT_EQ(shown.GetPixel(34, 0), kRed);
}

TEST(Mirroring, ApplyMirrorFlipsFramesPositionsAndTheCanvas) {
  TestGif gif = FourColourGif();
  TestFrame first = SolidFrame(0, 0, 6, 4, 1);
  first.indices[0] = 2;  // top-left pixel blue
  gif.frames = {first, SolidFrame(1, 1, 2, 1, 3)};
  EngineHarness h({.user_mode = true, .width = 6, .height = 4});
  LoadAllFrames(h, gif, 2);
  Draw(h, 1, kGrey);
  ASSERT_EQ(h.engine.Canvas()->GetPixel(0, 0), kBlue);
  h.engine.ApplyMirror(kMirrorHorizontal | kMirrorVertical, false, true);
  EXPECT_EQ(h.engine.frames[1].left, 3);
  EXPECT_EQ(h.engine.frames[1].top, 2);
  EXPECT_EQ(h.engine.Canvas()->GetPixel(5, 3), kBlue);
  EXPECT_EQ(h.engine.Canvas()->GetPixel(0, 0), kGreen);
  EXPECT_EQ(h.engine.Strip()->GetIndex(5, 3), 2);
  // The caller stores the style; mirroring again against it changes nothing.
  h.engine.mirrorStyle = kMirrorHorizontal | kMirrorVertical;
  h.engine.ApplyMirror(kMirrorHorizontal | kMirrorVertical, false, true);
  EXPECT_EQ(h.engine.frames[1].left, 3);
  EXPECT_EQ(RowColours(Draw(h, 1, kGrey), 3),
            (std::vector{kGreen, kGreen, kGreen, kGreen, kGreen, kBlue}));
}

// The style changes from horizontal to vertical in the 20 ms between the build passes, as a
// Mirrored write does (mirror, then store the new style): frame 1 is flipped from horizontal to
// vertical, and frame 2, built afterwards, is mirrored vertically only, its record with it.
TEST(Mirroring, StyleChangedBetweenTheBuildPassesAppliesToEveryFrameOnce) {
  TestGif gif = FourColourGif();
  TestFrame first = SolidFrame(0, 0, 4, 4, 1);
  first.indices[0] = 2;  // top-left pixel
  TestFrame second = SolidFrame(1, 1, 3, 1, 0);
  second.indices = {0, 1, 2};
  gif.frames = {first, second};
  EngineHarness h({.user_mode = true, .width = 4, .height = 4});
  h.engine.mirrorStyle = kMirrorHorizontal;
  ASSERT_EQ(h.Load(BuildGif(gif)), 2);
  EXPECT_EQ(h.engine.Strip()->GetIndex(3, 0), 2);  // frame 1 mirrored horizontally first
  h.engine.ApplyMirror(kMirrorVertical, false, true);
  h.engine.mirrorStyle = kMirrorVertical;
  EXPECT_EQ(h.engine.Strip()->GetIndex(0, 3), 2);
  EXPECT_EQ(h.engine.frames[1].left, 1);  // not built yet: its record stays
  h.Advance(20);
  EXPECT_EQ(h.engine.FramesBuilt(), 2);
  EXPECT_EQ(h.engine.Strip()->GetIndex(0, 3), 2);
  EXPECT_EQ(h.engine.frames[1].left, 1);
  EXPECT_EQ(h.engine.frames[1].top, 2);
  for (int x = 0; x < 3; ++x) EXPECT_EQ(h.engine.Strip()->GetIndex(h.engine.StripX(2) + x, 0), x);
  EXPECT_EQ(h.engine.mirrorStyle, kMirrorVertical);
}

TEST(ColourTableCache, RestoreTwiceWithReleaseReportsFalseTheSecondTime) {
  TestGif gif = FourColourGif();
  gif.frames = {SolidFrame(0, 0, 2, 1, 1)};
  EngineHarness h({.user_mode = true, .width = 2, .height = 1});
  LoadAllFrames(h, gif, 1);
  EXPECT_FALSE(h.engine.RestoreColorTables(true));
  EXPECT_TRUE(h.engine.CacheColorTables());
  EXPECT_FALSE(h.engine.CacheColorTables());
  h.engine.colorTables[0][1] = 0x123456;
  EXPECT_EQ(RowColours(Draw(h, 1, kGrey), 0),
            (std::vector{kGreen, kGreen}));  // table 0 still loaded
  h.engine.selectedTable = -1;
  EXPECT_EQ(Draw(h, 1, kGrey).GetPixel(0, 0), Rgb(0x12, 0x34, 0x56));
  EXPECT_TRUE(h.engine.RestoreColorTables(false));
  EXPECT_EQ(h.engine.selectedTable, -1);
  EXPECT_EQ(h.engine.colorTables[0][1], 0x00FF00u);
  EXPECT_EQ(Draw(h, 1, kGrey).GetPixel(0, 0), kGreen);
  EXPECT_TRUE(h.engine.RestoreColorTables(true));
  EXPECT_FALSE(h.engine.RestoreColorTables(true));
  EXPECT_FALSE(h.engine.HasCachedTables());
  EXPECT_TRUE(h.engine.CacheColorTables());
}

TEST(DrawFrame, NothingToDrawForFrameZeroOrBeyondTheLast) {
  TestGif gif = FourColourGif();
  gif.frames = {SolidFrame(0, 0, 2, 1, 1)};
  EngineHarness h({.user_mode = true, .width = 2, .height = 1});
  LoadAllFrames(h, gif, 1);
  platform::Bitmap surface = SolidSurface(2, 1, kGrey);
  EXPECT_FALSE(h.engine.DrawFrame(0, surface));
  EXPECT_FALSE(h.engine.DrawFrame(2, surface));
  EXPECT_FALSE(h.engine.DrawFrame(-1, surface));
  EXPECT_EQ(RowColours(surface, 0), (std::vector{kGrey, kGrey}));
}

}  // namespace
}  // namespace tovarin::gif::testing
