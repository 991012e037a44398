#pragma once
// GlibTimerScheduler: runs a TimerTable's timers as GLib timeouts on the default main context.
// The tick runs inside GuardCallback; a tick that returns false (or throws) ends its source.

#include <cstdint>
#include <functional>

#include "platform/host/timer_scheduler.h"

namespace tovarin::platform::gtk {

class GlibTimerScheduler final : public TimerScheduler {
 public:
  std::uint64_t Start(unsigned interval_ms, std::function<bool()> tick) override;
  void Stop(std::uint64_t source) override;
};

}  // namespace tovarin::platform::gtk
