#pragma once
// ClockTimerScheduler: runs a TimerTable's timers as periodic timers of a VirtualClock. A tick
// that returns false kills its clock timer, so it does not fire again.

#include <cstdint>
#include <functional>
#include <memory>
#include <utility>

#include "platform/headless/controls/virtual_clock.h"
#include "platform/host/timer_scheduler.h"

namespace tovarin::platform::headless {

class ClockTimerScheduler final : public TimerScheduler {
 public:
  // The clock must outlive the scheduler and every source it started.
  explicit ClockTimerScheduler(VirtualClock& clock) : clock_(clock) {}

  std::uint64_t Start(unsigned interval_ms, std::function<bool()> tick) override {
    auto id = std::make_shared<VirtualClock::TimerId>(0);
    VirtualClock* clock = &clock_;
    *id = clock_.SetTimer(interval_ms, true, [clock, id, tick = std::move(tick)] {
      if (!tick()) clock->KillTimer(*id);
    });
    return *id;
  }
  void Stop(std::uint64_t source) override { clock_.KillTimer(source); }

 private:
  VirtualClock& clock_;
};

}  // namespace tovarin::platform::headless
