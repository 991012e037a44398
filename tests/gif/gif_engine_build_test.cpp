// Loading and building: strip layout, indices in the strip, canvas and mask decisions, the
// build passes in user and design mode, failed loads.

#include <gtest/gtest.h>

#include "gif_engine_test_harness.h"
#include "gif_engine_test_support.h"

namespace tovarin::gif::testing {
namespace {

using platform::Rgb;

constexpr std::uint32_t kRed = 0xFF0000;
constexpr std::uint32_t kGreen = 0x00FF00;
constexpr std::uint32_t kBlue = 0x0000FF;
constexpr std::uint32_t kWhite = 0xFFFFFF;

TestGif FourColourGif() {
  TestGif gif;
  gif.global_table = {kRed, kGreen, kBlue, kWhite};
  return gif;
}

// Indices of a frame's area in the strip, rows from the top.
std::vector<std::uint8_t> StripIndices(const GifEngine& engine, int frame) {
  const FrameRecord& record = engine.frames[static_cast<std::size_t>(frame - 1)];
  std::vector<std::uint8_t> indices;
  for (int y = 0; y < record.height; ++y) {
    for (int x = 0; x < record.width; ++x) {
      indices.push_back(
          static_cast<std::uint8_t>(engine.Strip()->GetIndex(engine.StripX(frame) + x, y)));
    }
  }
  return indices;
}

TEST(StripLayout, FramesSitSideBySideAtTheTopOfTheStrip) {
  TestGif gif = FourColourGif();
  gif.frames = {SolidFrame(0, 0, 10, 2, 1), SolidFrame(0, 0, 20, 5, 2), SolidFrame(0, 0, 30, 3, 3)};
  EngineHarness h;
  h.engine.delayAnimation = 0;
  ASSERT_EQ(h.Load(BuildGif(gif)), 3);
  EXPECT_EQ(h.engine.StripX(1), 0);
  EXPECT_EQ(h.engine.StripX(2), 10);
  EXPECT_EQ(h.engine.StripX(3), 30);
  EXPECT_EQ(h.engine.frames[2].dataStart, 30);
  ASSERT_NE(h.engine.Strip(), nullptr);
  EXPECT_EQ(h.engine.Strip()->Width(), 60);
  EXPECT_EQ(h.engine.Strip()->Height(), 5);
  EXPECT_EQ(h.engine.Strip()->BitsPerPixel(), 8);
  // Frame 3 is 3 rows high: its rows 3 and 4 of the strip are never written.
  EXPECT_EQ(h.engine.Strip()->GetIndex(30, 2), 3);
  EXPECT_EQ(h.engine.Strip()->GetIndex(30, 3), 0);
  EXPECT_EQ(h.engine.Strip()->GetIndex(9, 1), 1);
  EXPECT_EQ(h.engine.Strip()->GetIndex(10, 4), 2);
}

TEST(StripLayout, LocalAndGlobalTableFramesHoldTheirPaletteIndices) {
  TestGif gif = FourColourGif();
  TestFrame global = SolidFrame(0, 0, 4, 2, 0);
  global.indices = {0, 1, 2, 3, 3, 2, 1, 0};
  TestFrame local = SolidFrame(0, 0, 4, 2, 0);
  local.local_table = {kWhite, kBlue, kGreen, kRed, 0x123456, 0x654321, 0x111111, 0x222222};
  local.indices = {7, 6, 5, 4, 3, 2, 1, 0};
  gif.frames = {global, local};
  EngineHarness h;
  h.engine.delayAnimation = 0;
  ASSERT_EQ(h.Load(BuildGif(gif)), 2);
  EXPECT_EQ(StripIndices(h.engine, 1), global.indices);
  EXPECT_EQ(StripIndices(h.engine, 2), local.indices);
  EXPECT_EQ(h.engine.frames[0].tableIndex, 0);
  EXPECT_EQ(h.engine.frames[1].tableIndex, 1);
  // Colours live in the tables, not in the strip.
  EXPECT_EQ(h.engine.colorTables[1][4], 0x123456u);
  EXPECT_EQ(h.engine.colorTables[1][kColorCountSlot], 8u);
}

TEST(StripLayout, TransparentPixelsKeepTheirIndex) {
  TestGif gif = FourColourGif();
  TestFrame frame = SolidFrame(0, 0, 3, 1, 0);
  frame.indices = {2, 1, 2};
  frame.transparent = 2;
  gif.frames = {frame};
  EngineHarness h;
  ASSERT_EQ(h.Load(BuildGif(gif)), 1);
  EXPECT_EQ(StripIndices(h.engine, 1), (std::vector<std::uint8_t>{2, 1, 2}));
  EXPECT_EQ(h.engine.frames[0].hasTransparency, 1);
  EXPECT_EQ(h.engine.frames[0].transparentIndex, 2);
}

TEST(StripLayout, InterlacedRowsLandInImageOrder) {
  TestGif gif = FourColourGif();
  TestFrame frame = SolidFrame(0, 0, 2, 9, 0);
  for (int y = 0; y < 9; ++y) {
    frame.indices[static_cast<std::size_t>(y) * 2] = static_cast<std::uint8_t>(y % 4);
    frame.indices[static_cast<std::size_t>(y) * 2 + 1] = static_cast<std::uint8_t>((y + 1) % 4);
  }
  frame.interlaced = true;
  gif.frames = {frame};
  EngineHarness h;
  ASSERT_EQ(h.Load(BuildGif(gif)), 1);
  EXPECT_EQ(StripIndices(h.engine, 1), frame.indices);
}

TEST(DamagedData, CutFrameDecodesAsFarAsItsDataGoesAndTheRestStaysIndexZero) {
  TestGif gif = FourColourGif();
  gif.frames = {SolidFrame(0, 0, 20, 10, 1), SolidFrame(0, 0, 20, 10, 3)};
  std::vector<std::uint8_t> bytes = BuildGif(gif);
  // Frame 2's data: minimum code size, one sub-block of 228 bytes (clear, 200 literals and the
  // end code, 9 bits each), terminator, then the trailer. Keep its length byte and 100 data
  // bytes: 800 bits hold the clear code and 87 literals, the 88th code is cut.
  const std::size_t frame2_data = bytes.size() - 1 - 1 - 228 - 1 - 1;
  ASSERT_EQ(bytes[frame2_data], 8);
  ASSERT_EQ(bytes[frame2_data + 1], 228);
  bytes.resize(frame2_data + 2 + 100);
  EngineHarness h;
  h.engine.delayAnimation = 0;
  ASSERT_EQ(h.Load(bytes), 2);
  std::vector<std::uint8_t> expected(200, 0);
  std::fill(expected.begin(), expected.begin() + 87, std::uint8_t{3});
  EXPECT_EQ(StripIndices(h.engine, 2), expected);
  EXPECT_EQ(StripIndices(h.engine, 1), std::vector<std::uint8_t>(200, 1));
}

TEST(DamagedData, FrameWithAnUnusableCodeSizeStaysIndexZero) {
  TestGif gif = FourColourGif();
  gif.frames = {SolidFrame(0, 0, 4, 1, 2), SolidFrame(0, 0, 4, 1, 3)};
  std::vector<std::uint8_t> bytes = BuildGif(gif);
  // Frame 2's minimum code size byte: before its one sub-block (clear, 4 literals, end: 54
  // bits in 7 bytes), its terminator and the trailer.
  const std::size_t frame2_data = bytes.size() - 1 - 1 - 7 - 1 - 1;
  ASSERT_EQ(bytes[frame2_data], 8);
  bytes[frame2_data] = 0;
  EngineHarness h;
  h.engine.delayAnimation = 0;
  ASSERT_EQ(h.Load(bytes), 2);
  EXPECT_EQ(StripIndices(h.engine, 1), std::vector<std::uint8_t>(4, 2));
  EXPECT_EQ(StripIndices(h.engine, 2), std::vector<std::uint8_t>(4, 0));
}

TEST(CanvasDecision, OneFrameGifHasStripOfItsSizeNoCanvasNoTimer) {
  TestGif gif = FourColourGif();
  gif.frames = {
      SolidFrame(0, 0, 6, 3, 1),
  };
  gif.frames[0].disposal = 2;
  EngineHarness h;
  ASSERT_EQ(h.Load(BuildGif(gif)), 1);
  EXPECT_EQ(h.engine.Strip()->Width(), 6);
  EXPECT_EQ(h.engine.Strip()->Height(), 3);
  EXPECT_EQ(h.engine.Canvas(), nullptr);
  EXPECT_EQ(h.host.TimerCount(), 0u);
  EXPECT_EQ(h.engine.actionState, RunState::kStopped);
}

TEST(CanvasDecision, AllFramesRestoringBackgroundNeedNoCanvas) {
  TestGif gif = FourColourGif();
  gif.frames = {SolidFrame(0, 0, 6, 3, 1), SolidFrame(2, 2, 2, 2, 2)};
  gif.frames[0].disposal = 2;
  gif.frames[1].disposal = 2;
  gif.frames[1].transparent = 0;
  EngineHarness h;
  h.engine.delayAnimation = 0;
  ASSERT_EQ(h.Load(BuildGif(gif)), 2);
  EXPECT_EQ(h.engine.Canvas(), nullptr);
  EXPECT_EQ(h.engine.Mask(), nullptr);
}

TEST(CanvasDecision, OpaqueFullSizeFirstFrameWithDisposalZeroGivesCanvasWithoutMask) {
  TestGif gif = FourColourGif();
  gif.frames = {SolidFrame(0, 0, 6, 3, 1), SolidFrame(2, 1, 2, 2, 2)};
  gif.frames[1].transparent = 0;  // a later transparent frame over a full, opaque frame 1
  EngineHarness h;
  h.engine.delayAnimation = 0;
  ASSERT_EQ(h.Load(BuildGif(gif)), 2);
  ASSERT_NE(h.engine.Canvas(), nullptr);
  EXPECT_EQ(h.engine.Canvas()->Width(), 6);
  EXPECT_EQ(h.engine.Canvas()->Height(), 3);
  EXPECT_EQ(h.engine.Canvas()->BitsPerPixel(), 24);
  EXPECT_EQ(h.engine.Mask(), nullptr);
}

TEST(CanvasDecision, RestoreDisposalOrTransparentFirstFrameGivesMask) {
  for (int variant = 0; variant < 3; ++variant) {
    TestGif gif = FourColourGif();
    gif.frames = {SolidFrame(0, 0, 6, 3, 1), SolidFrame(2, 1, 2, 2, 2)};
    if (variant == 0) gif.frames[1].disposal = 2;
    if (variant == 1) gif.frames[1].disposal = 3;
    if (variant == 2) gif.frames[0].transparent = 3;
    EngineHarness h;
    h.engine.delayAnimation = 0;
    ASSERT_EQ(h.Load(BuildGif(gif)), 2) << variant;
    ASSERT_NE(h.engine.Mask(), nullptr) << variant;
    EXPECT_EQ(h.engine.Mask()->BitsPerPixel(), 1);
    EXPECT_EQ(h.engine.Mask()->Width(), 6);
  }
}

// Frame 1 covers only the left half of the logical screen; nothing is transparent and every
// frame keeps its pixels (disposal 0). The right half must show what lies behind the control
// until frame 2 draws there, so the canvas needs a mask.
TEST(CanvasDecision, FirstFrameNotCoveringTheScreenShowsTheBackgroundNotBlack) {
  TestGif gif = FourColourGif();
  gif.frames = {SolidFrame(0, 0, 2, 2, 0), SolidFrame(2, 0, 2, 2, 1)};
  EngineHarness h({.user_mode = true, .width = 4, .height = 2});
  h.engine.delayAnimation = 0;
  h.engine.stretchMode = StretchSetting::kImageSize;
  ASSERT_EQ(h.Load(BuildGif(gif)), 2);
  ASSERT_NE(h.engine.Mask(), nullptr);
  platform::Bitmap surface = SolidSurface(4, 2, Rgb(200, 100, 50));
  ASSERT_TRUE(h.engine.DrawFrame(1, surface));
  EXPECT_EQ(surface.GetPixel(0, 0), Rgb(255, 0, 0));
  EXPECT_EQ(surface.GetPixel(1, 1), Rgb(255, 0, 0));
  EXPECT_EQ(surface.GetPixel(2, 0), Rgb(200, 100, 50));
  EXPECT_EQ(surface.GetPixel(3, 1), Rgb(200, 100, 50));
  surface = SolidSurface(4, 2, Rgb(200, 100, 50));
  ASSERT_TRUE(h.engine.DrawFrame(2, surface));
  EXPECT_EQ(surface.GetPixel(0, 0), Rgb(255, 0, 0));
  EXPECT_EQ(surface.GetPixel(3, 1), Rgb(0, 255, 0));
}

TEST(BuildPasses, DelayAnimationZeroBuildsEveryFrameBeforeTheLoadReturns) {
  TestGif gif = FourColourGif();
  gif.frames = {SolidFrame(0, 0, 2, 2, 0), SolidFrame(0, 0, 2, 2, 1), SolidFrame(0, 0, 2, 2, 2)};
  EngineHarness h;
  h.engine.delayAnimation = 0;
  ASSERT_EQ(h.Load(BuildGif(gif)), 3);
  EXPECT_EQ(h.engine.FramesBuilt(), 3);
  EXPECT_EQ(h.engine.Strip()->GetIndex(5, 1), 2);
  EXPECT_TRUE(h.engine.gifBytes.empty());
  EXPECT_EQ(h.engine.actionState, RunState::kRunning);
  EXPECT_EQ(h.engine.currentFrame, 1);
}

TEST(BuildPasses, DelayAnimationOneBuildsFrameOneFirstAndTheRestTwentyMillisecondsLater) {
  TestGif gif = FourColourGif();
  gif.frames = {SolidFrame(0, 0, 2, 2, 0), SolidFrame(0, 0, 2, 2, 1), SolidFrame(0, 0, 2, 2, 2)};
  EngineHarness h;
  ASSERT_EQ(h.Load(BuildGif(gif)), 3);
  EXPECT_EQ(h.engine.FramesBuilt(), 1);
  EXPECT_EQ(h.engine.actionState, RunState::kRunning);  // the deferred build is pending
  EXPECT_FALSE(h.engine.gifBytes.empty());
  ASSERT_TRUE(h.host.TimerInterval(h.engine.TimerId()).has_value());
  EXPECT_EQ(*h.host.TimerInterval(h.engine.TimerId()), 20u);
  h.Advance(19);
  EXPECT_EQ(h.engine.FramesBuilt(), 1);
  h.Advance(1);
  EXPECT_EQ(h.engine.FramesBuilt(), 3);
  EXPECT_EQ(h.engine.Strip()->GetIndex(5, 1), 2);
  EXPECT_TRUE(h.engine.gifBytes.empty());
  EXPECT_EQ(h.engine.actionState, RunState::kRunning);
  EXPECT_EQ(*h.host.TimerInterval(h.engine.TimerId()), 50u);  // frame 1's delay 0, raised to 50
  EXPECT_TRUE(h.timeline.empty());
}

TEST(BuildPasses, DelayAnimationTwoBuildsLaterAndLeavesTheAnimationStopped) {
  TestGif gif = FourColourGif();
  gif.frames = {SolidFrame(0, 0, 2, 2, 0), SolidFrame(0, 0, 2, 2, 1)};
  for (int mode : {2, 3}) {
    EngineHarness h;
    h.engine.delayAnimation = mode;
    ASSERT_EQ(h.Load(BuildGif(gif)), 2);
    EXPECT_EQ(h.engine.FramesBuilt(), 1);
    h.Advance(20);
    EXPECT_EQ(h.engine.FramesBuilt(), 2);
    EXPECT_EQ(h.engine.actionState, RunState::kStopped);
    EXPECT_EQ(h.host.TimerCount(), 0u);
    EXPECT_EQ(h.timeline, (std::vector<std::string>{"t=20 FrameChanged 1 false"}));
    h.Advance(1000);
    EXPECT_EQ(h.engine.currentFrame, 1);
  }
}

TEST(BuildPasses, OneFrameGifRaisesFrameChangedOnceOrTwiceByDelayMode) {
  TestGif gif = FourColourGif();
  gif.frames = {SolidFrame(0, 0, 2, 2, 0)};
  for (int mode = 0; mode <= 3; ++mode) {
    EngineHarness h;
    h.engine.delayAnimation = mode;
    ASSERT_EQ(h.Load(BuildGif(gif)), 1);
    const std::vector<std::string> once{"t=0 FrameChanged 1 false"};
    const std::vector<std::string> twice{"t=0 FrameChanged 1 false", "t=0 FrameChanged 1 false"};
    EXPECT_EQ(h.timeline, mode >= 2 ? twice : once) << mode;
    EXPECT_GE(h.host.RefreshCount(), 1);
    EXPECT_EQ(h.host.TimerCount(), 0u);
  }
}

TEST(BuildPasses, DesignModeBuildsFrameOneOnlyAndKeepsTheFileBytes) {
  TestGif gif = FourColourGif();
  gif.frames = {SolidFrame(0, 0, 2, 2, 1), SolidFrame(0, 0, 3, 4, 2)};
  gif.frames[1].disposal = 2;
  EngineHarness h({.user_mode = false});
  const std::vector<std::uint8_t> bytes = BuildGif(gif);
  ASSERT_EQ(h.Load(bytes), 2);
  EXPECT_EQ(h.engine.FramesBuilt(), 1);
  EXPECT_EQ(h.engine.Strip()->Width(), 2);
  EXPECT_EQ(h.engine.Strip()->Height(), 2);
  EXPECT_EQ(h.engine.Canvas(), nullptr);
  EXPECT_EQ(h.engine.gifBytes, bytes);
  EXPECT_EQ(h.host.TimerCount(), 0u);
  EXPECT_EQ(h.engine.actionState, RunState::kStopped);
  EXPECT_TRUE(h.timeline.empty());
}

TEST(FailedLoads, NoUsableFrameLeavesTheEngineEmpty) {
  EngineHarness h;
  EXPECT_EQ(h.Load({}), 0);
  const std::vector<std::uint8_t> not_a_gif{'G', 'I', 'F', '9', '0', 'a', 1,
                                            0,   1,   0,   0,   0,   0,   0x3B};
  EXPECT_EQ(h.Load(not_a_gif), 0);
  EXPECT_EQ(h.engine.currentFrame, 0);
  EXPECT_TRUE(h.engine.gifBytes.empty());
  EXPECT_TRUE(h.engine.frames.empty());
  EXPECT_EQ(h.engine.Strip(), nullptr);
  platform::Bitmap surface = SolidSurface(2, 2, Rgb(1, 2, 3));
  EXPECT_FALSE(h.engine.DrawFrame(1, surface));
  EXPECT_EQ(surface.GetPixel(0, 0), Rgb(1, 2, 3));
}

// One 65535 x 65535 frame needs a 4-GiB strip: the load fails like any failed build.
TEST(FailedLoads, StripBeyondTheMemoryLimitFailsCleanly) {
  TestGif gif = FourColourGif();
  TestFrame huge = SolidFrame(0, 0, 1, 1, 1);
  huge.width = 65535;
  huge.height = 65535;  // only one pixel of data follows
  gif.frames = {huge};
  EngineHarness h;
  EXPECT_EQ(h.Load(BuildGif(gif)), 0);
  EXPECT_EQ(h.engine.currentFrame, 0);
  EXPECT_EQ(h.engine.Strip(), nullptr);
  EXPECT_TRUE(h.engine.gifBytes.empty());
  EXPECT_TRUE(h.engine.frames.empty());
  EXPECT_TRUE(h.engine.colorTables.empty());
  EXPECT_EQ(h.engine.screen.screenWidth, 0);
  EXPECT_EQ(h.engine.screen.screenHeight, 0);
  EXPECT_EQ(h.host.TimerCount(), 0u);
  EXPECT_TRUE(h.timeline.empty());
}

// Two 1 x 1 frames at opposite corners of a 60001 x 60001 screen: a tiny strip, but the canvas
// would take 10.8 GB.
TEST(FailedLoads, CanvasBeyondTheMemoryLimitFailsCleanly) {
  TestGif gif = FourColourGif();
  gif.frames = {SolidFrame(0, 0, 1, 1, 1), SolidFrame(60000, 60000, 1, 1, 2)};
  EngineHarness h;
  h.engine.delayAnimation = 0;
  EXPECT_EQ(h.Load(BuildGif(gif)), 0);
  EXPECT_EQ(h.engine.Canvas(), nullptr);
  EXPECT_EQ(h.engine.Mask(), nullptr);
  EXPECT_EQ(h.engine.Strip(), nullptr);
  EXPECT_EQ(h.engine.currentFrame, 0);
  // The engine is usable again afterwards.
  TestGif small = FourColourGif();
  small.frames = {SolidFrame(0, 0, 2, 2, 3)};
  EXPECT_EQ(h.Load(BuildGif(small)), 1);
}

// Five frames of 65535 x 1000 that all restore to the background (so no canvas): each alone
// takes 65.5 MB, but the strip holds them side by side and would take 327.7 MB.
TEST(FailedLoads, StripLimitCountsTheSumOfFrameWidths) {
  TestGif gif = FourColourGif();
  gif.frames.clear();
  for (int i = 0; i < 5; ++i) {
    TestFrame frame = SolidFrame(0, 0, 1, 1, 1);
    frame.width = 65535;
    frame.height = 1000;  // 5 x 65535 x 1000 bytes = 327.7 MB of strip; each frame alone 65.5 MB
    frame.disposal = 2;
    gif.frames.push_back(frame);
  }
  EngineHarness h;
  h.engine.delayAnimation = 0;
  EXPECT_EQ(h.Load(BuildGif(gif)), 0);
  EXPECT_EQ(h.engine.Strip(), nullptr);
}

TEST(FailedLoads, ANewLoadDiscardsTheColourTableCache) {
  TestGif gif = FourColourGif();
  gif.frames = {SolidFrame(0, 0, 2, 2, 1)};
  EngineHarness h;
  ASSERT_EQ(h.Load(BuildGif(gif)), 1);
  ASSERT_TRUE(h.engine.CacheColorTables());
  ASSERT_EQ(h.Load(BuildGif(gif)), 1);
  EXPECT_FALSE(h.engine.HasCachedTables());
  EXPECT_FALSE(h.engine.RestoreColorTables(false));
}

// A second load while the first one's deferred build is pending: frame 1 of the new GIF must
// still be mirrored.
TEST(BuildPasses, ReloadBeforeTheDeferredBuildStillMirrorsTheNewFrameOne) {
  TestGif gif = FourColourGif();
  TestFrame first = SolidFrame(0, 0, 3, 1, 0);
  first.indices = {1, 2, 3};
  gif.frames = {first, SolidFrame(0, 0, 3, 1, 0)};
  EngineHarness h;
  h.engine.mirrorStyle = kMirrorHorizontal;
  ASSERT_EQ(h.Load(BuildGif(gif)), 2);
  ASSERT_EQ(h.Load(BuildGif(gif)), 2);
  EXPECT_EQ(StripIndices(h.engine, 1), (std::vector<std::uint8_t>{3, 2, 1}));
  h.Advance(20);
  EXPECT_EQ(h.engine.mirrorStyle, kMirrorHorizontal);
  EXPECT_EQ(StripIndices(h.engine, 1), (std::vector<std::uint8_t>{3, 2, 1}));
}

}  // namespace
}  // namespace tovarin::gif::testing
