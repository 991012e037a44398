#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/gtk/gtk_control_host.h"
#include "tests/gtk/main_loop_waits.h"

namespace tovarin::platform::gtk {
namespace {

using std::chrono::milliseconds;

class NullControl : public Control {};

// Two controls on one form, each with its own host; timers are GLib timeouts on the real main
// loop. Ticks are counted, never timed.
class GtkTimerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!gtk_init_check(nullptr, nullptr)) GTEST_SKIP() << "no display";
    desktop_ = std::make_unique<GtkDesktop>();
    window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    fixed_ = gtk_fixed_new();
    gtk_container_add(GTK_CONTAINER(window_), fixed_);
    for (int i = 0; i < 2; ++i) {
      hosts_[i] = std::make_unique<GtkControlHost>(
          *desktop_, GTK_FIXED(fixed_),
          GtkHostOptions{.name = "c" + std::to_string(i), .rect = Rect::FromXYWH(0, 0, 10, 10)});
      hosts_[i]->Attach(controls_[i]);
    }
  }
  void TearDown() override {
    for (auto& host : hosts_) host.reset();
    if (window_ != nullptr) gtk_widget_destroy(window_);
    RunFor(milliseconds(10));
    desktop_.reset();
  }
  std::function<void()> Count(int& ticks) {
    return [&ticks] { ++ticks; };
  }

  std::unique_ptr<GtkDesktop> desktop_;
  GtkWidget* window_ = nullptr;
  GtkWidget* fixed_ = nullptr;
  NullControl controls_[2];
  std::unique_ptr<GtkControlHost> hosts_[2];
};

TEST_F(GtkTimerTest, KeyedTimersFireTheirOwnCallbacksOnTheirOwnHost) {
  std::vector<std::string> fired;
  // The same key on two hosts names two timers; two keys on one host name two timers.
  ASSERT_TRUE(hosts_[0]->SetTimer(1, 5, [&] { fired.push_back("c0 key1"); }));
  ASSERT_TRUE(hosts_[1]->SetTimer(1, 5, [&] { fired.push_back("c1 key1"); }));
  ASSERT_TRUE(hosts_[1]->SetTimer(2, 5, [&] { fired.push_back("c1 key2"); }));
  const auto count = [&](const std::string& what) {
    return std::count(fired.begin(), fired.end(), what);
  };
  ASSERT_TRUE(RunUntil(
      [&] { return count("c0 key1") >= 2 && count("c1 key1") >= 2 && count("c1 key2") >= 2; }));
  for (const std::string& entry : fired)
    EXPECT_TRUE(entry == "c0 key1" || entry == "c1 key1" || entry == "c1 key2") << entry;
}

TEST_F(GtkTimerTest, KilledTimersDoNotFire) {
  int killed = 0;
  int kept = 0;
  ASSERT_TRUE(hosts_[0]->SetTimer(1, 5, Count(killed)));
  ASSERT_TRUE(hosts_[1]->SetTimer(1, 5, Count(kept)));
  hosts_[0]->KillTimer(1);
  hosts_[0]->KillTimer(42);  // never set: ignored
  EXPECT_FALSE(hosts_[0]->HasTimer(1));
  ASSERT_TRUE(RunUntil([&] { return kept >= 5; }));
  EXPECT_EQ(killed, 0);
  EXPECT_TRUE(hosts_[1]->HasTimer(1));
}

TEST_F(GtkTimerTest, ReplacingAKeyEndsTheOldTimer) {
  int old_ticks = 0;
  int new_ticks = 0;
  ASSERT_TRUE(hosts_[0]->SetTimer(7, 5, Count(old_ticks)));
  ASSERT_TRUE(hosts_[0]->SetTimer(7, 5, Count(new_ticks)));
  ASSERT_TRUE(RunUntil([&] { return new_ticks >= 3; }));
  EXPECT_EQ(old_ticks, 0);
}

TEST_F(GtkTimerTest, ATimerKilledFromAnotherTimersCallbackStops) {
  int victim = 0;
  int killer = 0;
  ASSERT_TRUE(hosts_[1]->SetTimer(2, 5, Count(victim)));
  ASSERT_TRUE(hosts_[0]->SetTimer(1, 5, [&] {
    ++killer;
    hosts_[1]->KillTimer(2);
  }));
  ASSERT_TRUE(RunUntil([&] { return killer >= 1; }));
  const int victim_at_kill = victim;
  ASSERT_TRUE(RunUntil([&] { return killer >= 4; }));
  EXPECT_EQ(victim, victim_at_kill);
}

TEST_F(GtkTimerTest, ATimerSetFromInsideATimerCallbackRuns) {
  int outer = 0;
  int inner = 0;
  ASSERT_TRUE(hosts_[0]->SetTimer(1, 5, [&] {
    ++outer;
    hosts_[0]->KillTimer(1);  // a one-shot: it kills itself and starts the next timer
    hosts_[0]->SetTimer(2, 5, Count(inner));
  }));
  ASSERT_TRUE(RunUntil([&] { return inner >= 3; }));
  EXPECT_EQ(outer, 1);
  EXPECT_FALSE(hosts_[0]->HasTimer(1));
  EXPECT_TRUE(hosts_[0]->HasTimer(2));
}

TEST_F(GtkTimerTest, ACallbackMayReplaceItsOwnTimer) {
  int first = 0;
  int second = 0;
  ASSERT_TRUE(hosts_[0]->SetTimer(3, 5, [&] {
    ++first;
    hosts_[0]->SetTimer(3, 5, Count(second));
  }));
  ASSERT_TRUE(RunUntil([&] { return second >= 3; }));
  EXPECT_EQ(first, 1);
}

TEST_F(GtkTimerTest, AThrowingCallbackEndsOnlyItsOwnTimer) {
  int throwing = 0;
  int healthy = 0;
  ASSERT_TRUE(hosts_[0]->SetTimer(1, 5, [&] {
    ++throwing;
    throw std::runtime_error("failure inside a tick");
  }));
  ASSERT_TRUE(hosts_[0]->SetTimer(2, 5, Count(healthy)));
  ASSERT_TRUE(RunUntil([&] { return healthy >= 5; }));
  EXPECT_EQ(throwing, 1);
  EXPECT_FALSE(hosts_[0]->HasTimer(1));
  EXPECT_TRUE(hosts_[0]->HasTimer(2));
}

TEST_F(GtkTimerTest, DestroyingAHostEndsItsTimers) {
  int gone = 0;
  int kept = 0;
  ASSERT_TRUE(hosts_[0]->SetTimer(1, 5, Count(gone)));
  ASSERT_TRUE(hosts_[1]->SetTimer(1, 5, Count(kept)));
  hosts_[0].reset();
  ASSERT_TRUE(RunUntil([&] { return kept >= 5; }));
  EXPECT_EQ(gone, 0);
}

TEST_F(GtkTimerTest, AnEmptyCallbackIsRefused) {
  int ticks = 0;
  ASSERT_TRUE(hosts_[0]->SetTimer(1, 5, Count(ticks)));
  EXPECT_FALSE(hosts_[0]->SetTimer(1, 5, nullptr));
  EXPECT_FALSE(hosts_[0]->HasTimer(1));
  RunFor(milliseconds(30));
  EXPECT_EQ(ticks, 0);
}

}  // namespace
}  // namespace tovarin::platform::gtk
