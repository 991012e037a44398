#include "platform/headless/controls/virtual_clock.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace tovarin::platform::headless {
namespace {

TEST(VirtualClockOrder, TimersFireInTimeOrder) {
  VirtualClock clock;
  std::vector<std::string> log;
  clock.SetTimer(30, false, [&] { log.push_back("c@" + std::to_string(clock.Now())); });
  clock.SetTimer(10, false, [&] { log.push_back("a@" + std::to_string(clock.Now())); });
  clock.SetTimer(20, false, [&] { log.push_back("b@" + std::to_string(clock.Now())); });
  EXPECT_EQ(clock.Advance(25), 2u);
  EXPECT_EQ(log, (std::vector<std::string>{"a@10", "b@20"}));
  EXPECT_EQ(clock.Now(), 25u);
  clock.Advance(5);
  EXPECT_EQ(log.back(), "c@30");
}

TEST(VirtualClockOrder, EqualTimesRunInTheOrderSet) {
  VirtualClock clock;
  std::vector<int> log;
  for (int i = 0; i < 5; ++i) clock.SetTimer(50, false, [&log, i] { log.push_back(i); });
  clock.Advance(50);
  EXPECT_EQ(log, (std::vector<int>{0, 1, 2, 3, 4}));
}

TEST(VirtualClockOrder, NothingFiresBeforeItsTime) {
  VirtualClock clock;
  int fired = 0;
  clock.SetTimer(100, false, [&] { ++fired; });
  clock.Advance(99);
  EXPECT_EQ(fired, 0);
  clock.Advance(1);
  EXPECT_EQ(fired, 1);
  clock.Advance(1000);
  EXPECT_EQ(fired, 1);  // one-shot
}

TEST(VirtualClockPeriodic, RearmsAtEveryInterval) {
  VirtualClock clock;
  std::vector<std::uint64_t> times;
  clock.SetTimer(40, true, [&] { times.push_back(clock.Now()); });
  clock.Advance(130);
  EXPECT_EQ(times, (std::vector<std::uint64_t>{40, 80, 120}));
}

TEST(VirtualClockPeriodic, InterleavesWithOtherTimers) {
  VirtualClock clock;
  std::vector<std::string> log;
  clock.SetTimer(20, true, [&] { log.push_back("p" + std::to_string(clock.Now())); });
  clock.SetTimer(30, true, [&] { log.push_back("q" + std::to_string(clock.Now())); });
  clock.Advance(60);
  // At 60 both are due: q (re-armed at 30) was set before p re-armed at 40.
  EXPECT_EQ(log, (std::vector<std::string>{"p20", "q30", "p40", "q60", "p60"}));
}

TEST(VirtualClockPeriodic, ZeroIntervalIsOneMillisecond) {
  VirtualClock clock;
  int fired = 0;
  clock.SetTimer(0, true, [&] { ++fired; });
  clock.Advance(5);
  EXPECT_EQ(fired, 5);
}

TEST(VirtualClockKill, KilledTimerNeverFires) {
  VirtualClock clock;
  int fired = 0;
  const auto id = clock.SetTimer(10, true, [&] { ++fired; });
  clock.Advance(10);
  EXPECT_TRUE(clock.KillTimer(id));
  clock.Advance(100);
  EXPECT_EQ(fired, 1);
  EXPECT_FALSE(clock.KillTimer(id));
  EXPECT_FALSE(clock.IsSet(id));
}

TEST(VirtualClockKill, TimerKilledByItsOwnCallbackStops) {
  VirtualClock clock;
  int fired = 0;
  VirtualClock::TimerId id = 0;
  id = clock.SetTimer(10, true, [&] {
    ++fired;
    clock.KillTimer(id);
  });
  clock.Advance(100);
  EXPECT_EQ(fired, 1);
}

TEST(VirtualClockKill, TimerKilledByAnEarlierCallbackAtTheSameTimeDoesNotFire) {
  VirtualClock clock;
  std::vector<std::string> log;
  VirtualClock::TimerId second = 0;
  clock.SetTimer(10, false, [&] {
    log.push_back("first");
    clock.KillTimer(second);
  });
  second = clock.SetTimer(10, false, [&] { log.push_back("second"); });
  clock.Advance(10);
  EXPECT_EQ(log, std::vector<std::string>{"first"});
}

TEST(VirtualClockKill, ReplacedInsideItsCallbackFiresOnlyOnTheNewSetting) {
  // The animation pattern: every tick kills its timer and sets a new one with another delay.
  VirtualClock clock;
  std::vector<std::uint64_t> times;
  VirtualClock::TimerId id = 0;
  std::function<void()> tick = [&] {
    times.push_back(clock.Now());
    clock.KillTimer(id);
    id = clock.SetTimer(times.size() == 1 ? 100 : 5, true, tick);
  };
  id = clock.SetTimer(10, true, tick);
  clock.Advance(120);
  EXPECT_EQ(times, (std::vector<std::uint64_t>{10, 110, 115, 120}));
}

TEST(VirtualClockPost, PostedWorkRunsOnTheNextTurn) {
  VirtualClock clock;
  std::vector<std::string> log;
  clock.Post([&] {
    log.push_back("one");
    clock.Post([&] { log.push_back("three"); });
  });
  clock.Post([&] { log.push_back("two"); });
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(clock.RunDue(), 3u);
  EXPECT_EQ(log, (std::vector<std::string>{"one", "two", "three"}));
  EXPECT_EQ(clock.Now(), 0u);
}

TEST(VirtualClockPost, AdvanceToNextJumpsToTheNextDueTime) {
  VirtualClock clock;
  int fired = 0;
  clock.SetTimer(250, false, [&] { ++fired; });
  EXPECT_EQ(clock.NextDueTime(), 250u);
  clock.AdvanceToNext();
  EXPECT_EQ(clock.Now(), 250u);
  EXPECT_EQ(fired, 1);
  EXPECT_EQ(clock.NextDueTime(), std::nullopt);
  EXPECT_EQ(clock.AdvanceToNext(), 0u);
}

TEST(VirtualClockErrors, ExceptionLeavesTheClockConsistent) {
  VirtualClock clock;
  int fired = 0;
  clock.SetTimer(10, false, [] { throw std::runtime_error("boom"); });
  clock.SetTimer(20, false, [&] { ++fired; });
  EXPECT_THROW(clock.Advance(30), std::runtime_error);
  EXPECT_EQ(clock.Now(), 10u);
  EXPECT_EQ(clock.PendingCount(), 1u);
  clock.Advance(20);
  EXPECT_EQ(fired, 1);
}

TEST(VirtualClockErrors, EndlessPostingIsStopped) {
  VirtualClock clock;
  std::function<void()> again = [&] { clock.Post(again); };
  clock.Post(again);
  EXPECT_THROW(clock.RunDue(), std::runtime_error);
}

}  // namespace
}  // namespace tovarin::platform::headless
