#include "platform/host/timer_table.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/headless/controls/clock_timer_scheduler.h"
#include "platform/headless/controls/virtual_clock.h"
#include "platform/host/timer_scheduler.h"

namespace tovarin::platform {
namespace {

using headless::ClockTimerScheduler;
using headless::VirtualClock;

// A table on a virtual clock; every tick and every reported error lands in one log, with the
// clock's time, so tests compare whole sequences.
class TimerTableTest : public ::testing::Test {
 protected:
  void Log(const std::string& what) { log_.push_back(what + "@" + std::to_string(clock_.Now())); }
  std::function<void()> Logger(const std::string& what) {
    return [this, what] { Log(what); };
  }

  VirtualClock clock_;
  ClockTimerScheduler scheduler_{clock_};
  std::vector<std::string> log_;
  std::unique_ptr<TimerTable> table_ = std::make_unique<TimerTable>(
      scheduler_, [this](std::uint64_t key, const std::string& message) {
        Log("error " + std::to_string(key) + ": " + message);
      });
};

TEST_F(TimerTableTest, EachKeyFiresItsOwnCallbackAtItsInterval) {
  ASSERT_TRUE(table_->Set(1, 30, Logger("one")));
  ASSERT_TRUE(table_->Set(2, 20, Logger("two")));
  clock_.Advance(60);
  EXPECT_EQ(log_, (std::vector<std::string>{"two@20", "one@30", "two@40", "one@60", "two@60"}));
  EXPECT_EQ(table_->Count(), 2u);
  EXPECT_EQ(table_->Interval(1), 30u);
  EXPECT_EQ(table_->Interval(3), std::nullopt);
}

TEST_F(TimerTableTest, ZeroIntervalRunsEveryMillisecond) {
  ASSERT_TRUE(table_->Set(7, 0, Logger("t")));
  EXPECT_EQ(table_->Interval(7), 1u);
  clock_.Advance(3);
  EXPECT_EQ(log_, (std::vector<std::string>{"t@1", "t@2", "t@3"}));
}

TEST_F(TimerTableTest, SettingAKeyAgainReplacesItsTimer) {
  ASSERT_TRUE(table_->Set(1, 10, Logger("old")));
  clock_.Advance(5);
  ASSERT_TRUE(table_->Set(1, 20, Logger("new")));
  clock_.Advance(40);
  EXPECT_EQ(log_, (std::vector<std::string>{"new@25", "new@45"}));
  EXPECT_EQ(clock_.PendingCount(), 1u);
}

TEST_F(TimerTableTest, KilledTimersNeverFire) {
  ASSERT_TRUE(table_->Set(1, 10, Logger("one")));
  ASSERT_TRUE(table_->Set(2, 10, Logger("two")));
  clock_.Advance(10);
  table_->Kill(1);
  table_->Kill(99);  // not set: ignored
  clock_.Advance(20);
  EXPECT_EQ(log_, (std::vector<std::string>{"one@10", "two@10", "two@20", "two@30"}));
  EXPECT_FALSE(table_->Has(1));
  EXPECT_EQ(clock_.PendingCount(), 1u);
}

TEST_F(TimerTableTest, ATimerKilledByAnEarlierCallbackOfTheSameInstantDoesNotFire) {
  ASSERT_TRUE(table_->Set(1, 10, [this] {
    Log("one");
    table_->Kill(2);
  }));
  ASSERT_TRUE(table_->Set(2, 10, Logger("two")));
  clock_.Advance(30);
  EXPECT_EQ(log_, (std::vector<std::string>{"one@10", "one@20", "one@30"}));
}

TEST_F(TimerTableTest, ACallbackMayKillItsOwnTimer) {
  ASSERT_TRUE(table_->Set(1, 10, [this] {
    Log("once");
    table_->Kill(1);
  }));
  clock_.Advance(50);
  EXPECT_EQ(log_, (std::vector<std::string>{"once@10"}));
  EXPECT_EQ(table_->Count(), 0u);
  EXPECT_EQ(clock_.PendingCount(), 0u);
}

TEST_F(TimerTableTest, ACallbackMaySetTimersIncludingItsOwnKey) {
  // Key 1 starts key 2 once, then moves itself to a 25 ms interval.
  ASSERT_TRUE(table_->Set(1, 10, [this] {
    Log("one");
    table_->Set(2, 5, Logger("two"));
    table_->Set(1, 25, Logger("one'"));
  }));
  clock_.Advance(40);
  EXPECT_EQ(log_, (std::vector<std::string>{"one@10", "two@15", "two@20", "two@25", "two@30",
                                            "one'@35", "two@35", "two@40"}));
}

TEST_F(TimerTableTest, AThrowingCallbackIsReportedAndItsTimerKilled) {
  ASSERT_TRUE(table_->Set(4, 10, [] { throw std::runtime_error("broken frame"); }));
  ASSERT_TRUE(table_->Set(5, 10, [] { throw 42; }));
  ASSERT_TRUE(table_->Set(6, 10, Logger("healthy")));
  EXPECT_NO_THROW(clock_.Advance(30));
  EXPECT_EQ(log_, (std::vector<std::string>{"error 4: broken frame@10", "error 5: unknown error@10",
                                            "healthy@10", "healthy@20", "healthy@30"}));
  EXPECT_FALSE(table_->Has(4));
  EXPECT_FALSE(table_->Has(5));
  EXPECT_EQ(clock_.PendingCount(), 1u);
}

TEST_F(TimerTableTest, AReplacementSetBeforeTheThrowKeepsRunning) {
  ASSERT_TRUE(table_->Set(1, 10, [this] {
    table_->Set(1, 15, Logger("replacement"));
    throw std::runtime_error("after replacing");
  }));
  clock_.Advance(40);
  EXPECT_EQ(log_, (std::vector<std::string>{"error 1: after replacing@10", "replacement@25",
                                            "replacement@40"}));
  EXPECT_EQ(table_->Interval(1), 15u);
}

TEST_F(TimerTableTest, AnEmptyCallbackIsRefusedAndEndsThePreviousTimer) {
  ASSERT_TRUE(table_->Set(1, 10, Logger("old")));
  EXPECT_FALSE(table_->Set(1, 10, nullptr));
  clock_.Advance(30);
  EXPECT_TRUE(log_.empty());
  EXPECT_FALSE(table_->Has(1));
}

TEST_F(TimerTableTest, DestroyingTheTableEndsEveryTimer) {
  ASSERT_TRUE(table_->Set(1, 10, Logger("one")));
  ASSERT_TRUE(table_->Set(2, 15, Logger("two")));
  table_.reset();
  EXPECT_EQ(clock_.PendingCount(), 0u);
  clock_.Advance(100);
  EXPECT_TRUE(log_.empty());
}

TEST_F(TimerTableTest, ACallbackThatDestroysTheTableEndsQuietly) {
  ASSERT_TRUE(table_->Set(1, 10, [this] {
    Log("last");
    table_.reset();
    throw std::runtime_error("not reported: the table is gone");
  }));
  ASSERT_TRUE(table_->Set(2, 10, Logger("never")));
  clock_.Advance(30);
  EXPECT_EQ(log_, (std::vector<std::string>{"last@10"}));
  EXPECT_EQ(clock_.PendingCount(), 0u);
}

// A scheduler that cannot make sources.
class RefusingScheduler final : public TimerScheduler {
 public:
  std::uint64_t Start(unsigned, std::function<bool()>) override { return 0; }
  void Stop(std::uint64_t) override { ADD_FAILURE() << "no source was ever started"; }
};

TEST(TimerTableRefused, NoSourceMeansNoTimer) {
  RefusingScheduler scheduler;
  TimerTable table(scheduler, nullptr);
  EXPECT_FALSE(table.Set(1, 10, [] {}));
  EXPECT_FALSE(table.Has(1));
  EXPECT_EQ(table.Count(), 0u);
}

}  // namespace
}  // namespace tovarin::platform
