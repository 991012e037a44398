// The animation clock: frame advance and loop counting on the virtual clock, delays, the
// deferred build timer, run states and the routing of timer expiries.

#include <gtest/gtest.h>

#include <memory>

#include "gif_engine_test_harness.h"
#include "gif_engine_test_support.h"

namespace tovarin::gif::testing {
namespace {

TestGif Animation(int frames, int delay_cs, std::optional<int> loops = std::nullopt) {
  TestGif gif;
  gif.global_table = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
  gif.loops = loops;
  for (int i = 0; i < frames; ++i) {
    TestFrame frame = SolidFrame(0, 0, 2, 2, static_cast<std::uint8_t>(i % 4));
    frame.delay_cs = delay_cs;
    gif.frames.push_back(frame);
  }
  return gif;
}

// Loops 2 and three frames of 100 ms: the deferred build runs at 20 ms and starts the clock;
// the frames run 1 2 3 1 2 3 1, each tick reporting the frame shown before it, and the last
// wrap ends the animation on frame 1.
TEST(LoopCounting, TwoLoopsOfThreeFramesRaiseEventsInOrderAndRestOnFrameOne) {
  EngineHarness h;
  ASSERT_EQ(h.Load(BuildGif(Animation(3, 10, 2))), 3);
  EXPECT_EQ(h.engine.screen.loops, 2);
  h.Advance(2000);
  EXPECT_EQ(h.timeline, (std::vector<std::string>{
                            "t=120 FrameChanged 1 true",
                            "t=220 FrameChanged 2 true",
                            "t=320 FrameChanged 3 true",
                            "t=420 FrameChanged 1 true",
                            "t=520 FrameChanged 2 true",
                            "t=620 FrameChanged 3 true",
                            "t=620 LoopsEnded",
                        }));
  EXPECT_EQ(h.engine.currentFrame, 1);
  EXPECT_EQ(h.engine.actionState, RunState::kStopped);
  EXPECT_EQ(h.engine.loopsRemaining, 0);
  EXPECT_EQ(h.host.TimerCount(), 0u);
  // Every tick repaints before it reports.
  EXPECT_EQ(h.host.RefreshCount(), 6);
}

TEST(LoopCounting, LoopsZeroRunsForEver) {
  EngineHarness h;
  h.engine.delayAnimation = 0;
  ASSERT_EQ(h.Load(BuildGif(Animation(2, 10))), 2);
  h.Advance(10'000);
  EXPECT_EQ(h.timeline.size(), 100u);
  for (const std::string& line : h.timeline) EXPECT_EQ(line.find("LoopsEnded"), std::string::npos);
  EXPECT_EQ(h.engine.actionState, RunState::kRunning);
}

TEST(LoopCounting, ResumingAfterTheLastPassRunsOnBelowZero) {
  EngineHarness h;
  h.engine.delayAnimation = 0;
  ASSERT_EQ(h.Load(BuildGif(Animation(2, 10, 1))), 2);
  h.Advance(200);
  ASSERT_EQ(h.timeline.back(), "t=200 LoopsEnded");
  h.timeline.clear();
  EXPECT_TRUE(h.engine.SetAnimationTimer(AnimationTimer::kAnimate));
  h.Advance(1000);
  EXPECT_EQ(h.engine.loopsRemaining, -5);
  EXPECT_EQ(h.timeline.size(), 10u);
  EXPECT_EQ(h.engine.actionState, RunState::kRunning);
}

TEST(Delays, ZeroDelayFramesShowForMinFrameDelay) {
  EngineHarness h;
  h.engine.delayAnimation = 0;
  h.engine.minFrameDelay = 50;
  ASSERT_EQ(h.Load(BuildGif(Animation(3, 0))), 3);
  h.Advance(160);
  EXPECT_EQ(h.timeline,
            (std::vector<std::string>{"t=50 FrameChanged 1 true", "t=100 FrameChanged 2 true",
                                      "t=150 FrameChanged 3 true"}));
}

TEST(Delays, SteppedDelayOverridesEveryFramesOwnDelay) {
  EngineHarness h;
  h.engine.delayAnimation = 0;
  h.engine.steppedDelay = 200;
  ASSERT_EQ(h.Load(BuildGif(Animation(3, 1))), 3);  // 10 ms each in the file
  h.Advance(450);
  EXPECT_EQ(h.timeline,
            (std::vector<std::string>{"t=200 FrameChanged 1 true", "t=400 FrameChanged 2 true"}));
}

TEST(Delays, LongFileDelayBeatsMinFrameDelayAndUsesEachFramesOwnValue) {
  TestGif gif = Animation(2, 0);
  gif.frames[0].delay_cs = 30;  // 300 ms
  gif.frames[1].delay_cs = 2;   // 20 ms, raised to 50
  EngineHarness h;
  h.engine.delayAnimation = 0;
  ASSERT_EQ(h.Load(BuildGif(gif)), 2);
  EXPECT_EQ(h.engine.FrameDelay(1), 300);
  EXPECT_EQ(h.engine.FrameDelay(2), 50);
  h.Advance(690);
  EXPECT_EQ(h.timeline,
            (std::vector<std::string>{"t=300 FrameChanged 1 true", "t=350 FrameChanged 2 true",
                                      "t=650 FrameChanged 1 true"}));
}

// A stored MinFrameDelay of 0 with zero-delay frames must not spin the clock.
TEST(Delays, IntervalsShorterThanTheDesktopMinimumAreRaisedToIt) {
  EngineHarness h;
  h.engine.delayAnimation = 0;
  h.engine.minFrameDelay = 0;
  ASSERT_EQ(h.Load(BuildGif(Animation(2, 0))), 2);
  EXPECT_EQ(*h.host.TimerInterval(h.engine.TimerId()), kMinTimerIntervalMs);
  h.Advance(100);
  EXPECT_EQ(h.timeline.size(), 10u);
}

TEST(DeferredBuild, TwentyMillisecondTimerBuildsTheRestThenStartsTheAnimation) {
  EngineHarness h;
  ASSERT_EQ(h.Load(BuildGif(Animation(3, 10))), 3);
  EXPECT_EQ(h.engine.actionState, RunState::kRunning);
  EXPECT_EQ(*h.host.TimerInterval(h.engine.TimerId()), kDeferredBuildDelayMs);
  h.Advance(19);
  EXPECT_EQ(h.engine.FramesBuilt(), 1);
  h.Advance(1);
  EXPECT_EQ(h.engine.FramesBuilt(), 3);
  EXPECT_EQ(*h.host.TimerInterval(h.engine.TimerId()), 100u);
  EXPECT_EQ(h.engine.actionState, RunState::kRunning);
  EXPECT_TRUE(h.timeline.empty());
  h.Advance(100);
  EXPECT_EQ(h.timeline, (std::vector<std::string>{"t=120 FrameChanged 1 true"}));
}

TEST(DesignMode, NoTimerEverRuns) {
  EngineHarness h({.user_mode = false});
  h.engine.delayAnimation = 0;
  ASSERT_EQ(h.Load(BuildGif(Animation(3, 10))), 3);
  EXPECT_EQ(h.host.TimerCount(), 0u);
  EXPECT_FALSE(h.engine.SetAnimationTimer(AnimationTimer::kAnimate));
  EXPECT_FALSE(h.engine.SetAnimationTimer(AnimationTimer::kDeferredBuild));
  EXPECT_EQ(h.host.TimerCount(), 0u);
  EXPECT_EQ(h.engine.actionState, RunState::kStopped);
  h.Advance(1000);
  EXPECT_EQ(h.engine.currentFrame, 1);
  EXPECT_TRUE(h.timeline.empty());
}

TEST(RunStates, OneFrameGifNeverSetsATimer) {
  EngineHarness h;
  ASSERT_EQ(h.Load(BuildGif(Animation(1, 10))), 1);
  EXPECT_FALSE(h.engine.SetAnimationTimer(AnimationTimer::kAnimate));
  EXPECT_EQ(h.host.TimerCount(), 0u);
  EXPECT_EQ(h.engine.actionState, RunState::kStopped);
}

TEST(RunStates, StartWhileRunningChangesNothingAndResumeContinuesFromTheCurrentFrame) {
  TestGif gif = Animation(3, 10);
  gif.frames[1].delay_cs = 30;
  EngineHarness h;
  h.engine.delayAnimation = 0;
  ASSERT_EQ(h.Load(BuildGif(gif)), 3);
  h.Advance(50);
  EXPECT_FALSE(h.engine.SetAnimationTimer(AnimationTimer::kAnimate));  // running: nothing changes
  h.Advance(50);
  ASSERT_EQ(h.timeline, (std::vector<std::string>{"t=100 FrameChanged 1 true"}));
  // Pause on frame 2 (as Action 2 does), wait, resume: frame 2 stays its own 300 ms.
  h.engine.SetAnimationTimer(AnimationTimer::kStop);
  h.engine.actionState = RunState::kPaused;
  h.Advance(1000);
  EXPECT_EQ(h.engine.currentFrame, 2);
  EXPECT_TRUE(h.engine.SetAnimationTimer(AnimationTimer::kAnimate));
  EXPECT_EQ(h.engine.actionState, RunState::kRunning);
  h.Advance(300);
  EXPECT_EQ(h.timeline.back(), "t=1400 FrameChanged 2 true");
}

TEST(RunStates, RefusedTimerLeavesTheAnimationStopped) {
  EngineHarness h;
  h.host.SetTimersRefused(true);
  h.engine.delayAnimation = 0;
  ASSERT_EQ(h.Load(BuildGif(Animation(3, 10))), 3);
  EXPECT_EQ(h.engine.actionState, RunState::kStopped);
  EXPECT_TRUE(h.host.Desktop().MessageBoxes().empty());
}

// A FrameChanged handler that stops the animation owns the clock from then on: the tick that
// raised the event must not re-arm behind its back.
TEST(RunStates, AHandlerThatStopsTheAnimationIsNotOverriddenByTheTick) {
  EngineHarness h;
  h.engine.delayAnimation = 0;
  ASSERT_EQ(h.Load(BuildGif(Animation(3, 10))), 3);
  h.host.SetEventHandler("FrameChanged", [&](platform::EventArgs&) {
    h.engine.SetAnimationTimer(AnimationTimer::kStop);
  });
  h.Advance(100);
  EXPECT_EQ(h.engine.currentFrame, 2);
  EXPECT_EQ(h.engine.actionState, RunState::kStopped);
  EXPECT_EQ(h.host.TimerCount(), 0u);
  h.Advance(1000);
  EXPECT_EQ(h.engine.currentFrame, 2);
}

TEST(Routing, CallbackErrorsShowTheirMessageBoxes) {
  EngineHarness h;
  EXPECT_EQ(h.engine.CreateTimerCallback(AnimationTimer::kAnimate, 1), 0u);
  EXPECT_EQ(h.engine.CreateTimerCallback(static_cast<AnimationTimer>(3), 0), 0u);
  const auto& boxes = h.host.Desktop().MessageBoxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].text, "nThunkNo doesn't exist.");
  EXPECT_EQ(boxes[0].title, "Error in ucAniGIF.cb_Callback");
  EXPECT_EQ(boxes[0].icon, 16);
  EXPECT_EQ(boxes[1].text, "Callback address not found.");
  EXPECT_EQ(boxes[1].title, "Error in ucAniGIF.cb_Callback");
  EXPECT_NE(h.engine.CreateTimerCallback(AnimationTimer::kAnimate, 0), 0u);
  EXPECT_EQ(boxes.size(), 2u);
}

TEST(Routing, TwoEnginesOnOneFormAnimateAtTheirOwnRates) {
  EngineHarness h;
  platform::headless::HostOptions options;
  options.name = "g2";
  platform::headless::HeadlessHost& second_host = h.form.AddHost(options);
  GifEngine second(second_host);
  std::vector<std::string> second_timeline;
  second_host.SetEventHandler("FrameChanged", [&](platform::EventArgs& args) {
    second_timeline.push_back("t=" + std::to_string(h.Now()) + " " +
                              std::to_string(std::get<std::int32_t>(args[0].value)));
  });
  h.engine.delayAnimation = 0;
  second.delayAnimation = 0;
  ASSERT_EQ(h.Load(BuildGif(Animation(2, 10))), 2);
  second.gifBytes = BuildGif(Animation(3, 15));
  ASSERT_EQ(second.LoadGIF(), 3);
  h.Advance(300);
  EXPECT_EQ(h.timeline,
            (std::vector<std::string>{"t=100 FrameChanged 1 true", "t=200 FrameChanged 2 true",
                                      "t=300 FrameChanged 1 true"}));
  EXPECT_EQ(second_timeline, (std::vector<std::string>{"t=150 1", "t=300 2"}));
}

TEST(Lifetime, DestroyingTheEngineKillsItsTimer) {
  EngineHarness h;
  auto engine = std::make_unique<GifEngine>(h.host);
  engine->delayAnimation = 0;
  engine->gifBytes = BuildGif(Animation(2, 10));
  ASSERT_EQ(engine->LoadGIF(), 2);
  EXPECT_EQ(h.host.TimerCount(), 1u);
  engine.reset();
  EXPECT_EQ(h.host.TimerCount(), 0u);
  h.Advance(1000);
  EXPECT_TRUE(h.host.Errors().empty());
}

TEST(Lifetime, ResetStopsTheClock) {
  EngineHarness h;
  h.engine.delayAnimation = 0;
  ASSERT_EQ(h.Load(BuildGif(Animation(2, 10))), 2);
  h.engine.ResetEngine();
  EXPECT_EQ(h.host.TimerCount(), 0u);
  EXPECT_EQ(h.engine.currentFrame, 0);
  EXPECT_EQ(h.engine.actionState, RunState::kStopped);
  h.Advance(1000);
  EXPECT_TRUE(h.timeline.empty());
}

}  // namespace
}  // namespace tovarin::gif::testing
