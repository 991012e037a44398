#include <gtest/gtest.h>

#include <limits>

#include "tests/anigif/anigif_test_support.h"

namespace tovarin::anigif {
namespace {

using testing::AniGifFixture;
using testing::ThreeFrameGif;
using Lines = std::vector<std::string>;

// Loads the three-frame GIF at t = 0; the deferred build runs at t = 20 and starts the
// animation, whose first tick (frame 1 -> 2) comes 100 ms later.
class RunningAnimation : public ::testing::Test {
 protected:
  void SetUp() override {
    f.InitNew();
    ASSERT_TRUE(f.LoadBytes(ThreeFrameGif()));
    f.Advance(20);
    ASSERT_EQ(f.control->Action(), 1);
    f.ClearEvents();
  }
  AniGifFixture f;
};

TEST_F(RunningAnimation, TicksReportTheFrameShownBeforeTheTick) {
  f.Advance(200);
  EXPECT_EQ(f.events, (Lines{"t=120 FrameChanged 1 true", "t=220 FrameChanged 2 true"}));
  EXPECT_EQ(f.control->CurrentFrame(), 3);
}

TEST_F(RunningAnimation, PauseHoldsTheFrameAndPlayResumesWithItsDelay) {
  f.control->SetAction(2);
  EXPECT_EQ(f.control->Action(), 2);
  f.Advance(500);
  EXPECT_TRUE(f.events.empty());
  f.control->SetAction(1);
  EXPECT_EQ(f.control->Action(), 1);
  f.Advance(100);
  EXPECT_EQ(f.events, (Lines{"t=620 FrameChanged 1 true"}));
}

TEST_F(RunningAnimation, StepAdvancesPausedAndWrapsAfterTheLastFrame) {
  f.control->SetAction(3);
  EXPECT_EQ(f.control->CurrentFrame(), 2);
  EXPECT_EQ(f.control->Action(), 2);
  f.control->SetAction(3);
  f.control->SetAction(3);
  EXPECT_EQ(f.control->CurrentFrame(), 1);
  EXPECT_EQ(f.control->Action(), 2);
  f.Advance(1000);
  EXPECT_EQ(f.events, (Lines{"t=20 FrameChanged 2 false", "t=20 FrameChanged 3 false",
                             "t=20 FrameChanged 1 false"}));
}

TEST_F(RunningAnimation, StopRewindsAndPauseLeavesAStoppedAnimationStopped) {
  f.control->SetAction(3);  // frame 2, paused
  f.control->SetAction(0);
  EXPECT_EQ(f.control->Action(), 0);
  EXPECT_EQ(f.control->CurrentFrame(), 1);
  f.control->SetAction(2);
  EXPECT_EQ(f.control->Action(), 0);
  f.Advance(1000);
  EXPECT_EQ(f.events, (Lines{"t=20 FrameChanged 2 false", "t=20 FrameChanged 1 false"}));
}

TEST_F(RunningAnimation, RestartRewindsThenRuns) {
  f.Advance(150);  // frame 2 shown
  f.ClearEvents();
  f.control->SetAction(4);
  EXPECT_EQ(f.control->Action(), 1);
  EXPECT_EQ(f.control->CurrentFrame(), 1);
  f.Advance(100);
  EXPECT_EQ(f.events, (Lines{"t=170 FrameChanged 1 false", "t=270 FrameChanged 1 true"}));
}

TEST_F(RunningAnimation, ActionValuesOutsideTheRangeDoNothing) {
  f.control->SetAction(5);
  f.control->SetAction(-1);
  EXPECT_EQ(f.control->Action(), 1);
  EXPECT_TRUE(f.events.empty());
}

TEST_F(RunningAnimation, HidingPausesAndShowingResumes) {
  f.control->OnHide();
  EXPECT_EQ(f.control->Action(), 2);
  f.Advance(500);
  EXPECT_TRUE(f.events.empty());
  f.control->OnShow();
  EXPECT_EQ(f.control->Action(), 1);
}

TEST_F(RunningAnimation, ShowingResumesAnAnimationPausedBeforeItWasHidden) {
  f.control->SetAction(2);
  f.control->OnHide();
  f.control->OnShow();
  EXPECT_EQ(f.control->Action(), 1);
}

TEST_F(RunningAnimation, ShowingLeavesAStoppedAnimationStopped) {
  f.control->SetAction(0);
  f.control->OnHide();
  f.control->OnShow();
  EXPECT_EQ(f.control->Action(), 0);
}

TEST_F(RunningAnimation, StretchChangeOnAStoppedAnimationRewindsWithFrameChanged) {
  f.control->SetAction(3);  // frame 2, paused
  f.control->SetAction(0);  // stopped at frame 1
  f.ClearEvents();
  f.host.ClearRecords();
  f.control->SetStretch(2);
  EXPECT_EQ(f.control->Stretch(), 2);
  EXPECT_EQ(f.events, (Lines{"t=20 FrameChanged 1 false"}));
  EXPECT_EQ(f.host.PropertyChanges(), (std::vector<std::string>{"Stretch"}));
  EXPECT_EQ(f.control->Action(), 0);
}

TEST_F(RunningAnimation, StretchChangeKeepsARunningAnimationRunning) {
  f.control->SetStretch(2);
  EXPECT_EQ(f.control->Action(), 1);
  EXPECT_TRUE(f.events.empty());
}

TEST_F(RunningAnimation, OutOfRangeAndUnchangedStretchAndMirrorChangeNothing) {
  f.host.ClearRecords();
  f.control->SetStretch(5);
  f.control->SetStretch(1);
  f.control->SetMirrored(4);
  f.control->SetMirrored(0);
  EXPECT_EQ(f.control->Stretch(), 1);
  EXPECT_EQ(f.control->Mirrored(), 0);
  EXPECT_TRUE(f.host.PropertyChanges().empty());
}

TEST(AniGifProperties, HiddenBeforeTheDeferredBuildTheFramesAreBuiltWhenShown) {
  AniGifFixture f;
  f.InitNew();
  ASSERT_TRUE(f.LoadBytes(ThreeFrameGif()));
  f.control->OnHide();  // before the 20 ms build timer fires
  EXPECT_EQ(f.control->Action(), 2);
  f.Advance(500);
  EXPECT_EQ(f.control->Engine().FramesBuilt(), 1);
  f.control->OnShow();
  f.Advance(20);
  EXPECT_EQ(f.control->Engine().FramesBuilt(), 3);
  EXPECT_EQ(f.control->Action(), 1);
  f.ClearEvents();
  f.Advance(100);
  EXPECT_EQ(f.events, (Lines{"t=620 FrameChanged 1 true"}));
  // Frame 2 shows its own colour (index 2, green), not colour 0.
  f.host.Refresh();
  EXPECT_EQ(f.host.Surface().GetPixel(1, 1), platform::Rgb(0, 255, 0));
}

TEST(AniGifProperties, MinFrameDelayIsClampedAndNotifiedOnlyOnChange) {
  AniGifFixture f;
  f.InitNew();
  f.control->SetMinFrameDelay(5);
  EXPECT_EQ(f.control->MinFrameDelay(), 10);
  f.control->SetMinFrameDelay(40000);
  EXPECT_EQ(f.control->MinFrameDelay(), 32700);
  f.control->SetMinFrameDelay(32700);
  EXPECT_EQ(f.host.PropertyChanges(), (std::vector<std::string>{"Delay", "Delay"}));
}

TEST(AniGifProperties, LoopsStoresTheAbsoluteValue) {
  AniGifFixture f;
  f.InitNew();
  EXPECT_TRUE(f.control->SetLoops(-3).ok());
  EXPECT_EQ(f.control->Loops(), 3);
  EXPECT_EQ(f.host.PropertyChanges(), (std::vector<std::string>{"Loops"}));
  EXPECT_FALSE(f.control->SetLoops(std::numeric_limits<std::int32_t>::min()).ok());
  EXPECT_EQ(f.control->Loops(), 3);
}

TEST(AniGifProperties, LoopsRemainingReportsEndlessAndNothingLoaded) {
  AniGifFixture f;
  f.InitNew();
  EXPECT_EQ(f.control->LoopsRemaining(), 0);
  ASSERT_TRUE(f.LoadBytes(ThreeFrameGif()));
  EXPECT_EQ(f.control->LoopsRemaining(), 2147483647);
  ASSERT_TRUE(f.LoadBytes(ThreeFrameGif(2)));
  f.Advance(20);
  EXPECT_EQ(f.control->LoopsRemaining(), 2);
}

TEST(AniGifProperties, FrameCountWriteIsIgnoredAndReadsZeroWhenEmpty) {
  AniGifFixture f;
  f.InitNew();
  EXPECT_EQ(f.control->FrameCount(), 0);
  ASSERT_TRUE(f.LoadBytes(ThreeFrameGif()));
  f.control->SetFrameCount(7);
  EXPECT_EQ(f.control->FrameCount(), 3);
}

TEST(AniGifProperties, ActualSizeIsInTheContainersUnits) {
  AniGifFixture f;
  f.InitNew();
  ASSERT_TRUE(f.LoadBytes(ThreeFrameGif()));
  EXPECT_EQ(f.control->ActualWidth(), 4 * 15);
  EXPECT_EQ(f.control->ActualHeight(), 4 * 15);
}

TEST(AniGifProperties, SteppedDelayStoresNegativeAsZero) {
  AniGifFixture f;
  f.InitNew();
  f.control->SetSteppedDelay(-5);
  EXPECT_EQ(f.control->SteppedDelay(), 0);
  f.control->SetSteppedDelay(200);
  EXPECT_EQ(f.control->SteppedDelay(), 200);
}

TEST(AniGifProperties, DelayAnimationTakesZeroToThreeOnly) {
  AniGifFixture f;
  f.InitNew();
  f.control->SetDelayAnimation(4);
  EXPECT_EQ(f.control->DelayAnimation(), 1);
  f.control->SetDelayAnimation(0);
  EXPECT_EQ(f.control->DelayAnimation(), 0);
  EXPECT_EQ(f.host.PropertyChanges(), (std::vector<std::string>{"DelayAnimation"}));
}

TEST(AniGifProperties, DesignModeActionIsInertAndRunsNoTimer) {
  AniGifFixture f({.user_mode = false});
  f.InitNew();
  ASSERT_TRUE(f.LoadBytes(ThreeFrameGif()));
  f.control->SetAction(1);
  f.control->SetAction(3);
  EXPECT_EQ(f.control->Action(), 0);
  EXPECT_EQ(f.control->CurrentFrame(), 1);
  EXPECT_EQ(f.host.TimerCount(), 0u);
}

TEST(AniGifProperties, CreationSetsTheDottedWindowFramePen) {
  AniGifFixture f;
  f.InitNew();
  EXPECT_EQ(f.host.DrawStyle(), 2);
  EXPECT_EQ(f.host.ForeColor(), 0x80000006u);
}

TEST(AniGifProperties, MouseIconOfNothingResetsThePointer) {
  AniGifFixture f;
  f.InitNew();
  f.control->SetMousePointer(99);
  f.control->SetMouseIcon(nullptr);
  EXPECT_EQ(f.control->MousePointer(), 0);
  EXPECT_EQ(f.host.PropertyChanges(), (std::vector<std::string>{"MouseIcon"}));
}

}  // namespace
}  // namespace tovarin::anigif
