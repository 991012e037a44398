#pragma once
// TimerScheduler: what runs a TimerTable's timers - one repeating source per timer. GLib
// timeouts run them in the program (platform/gtk), the virtual clock in tests
// (platform/headless).

#include <cstdint>
#include <functional>

namespace tovarin::platform {

class TimerScheduler {
 public:
  virtual ~TimerScheduler() = default;
  // Starts a source that calls `tick` every `interval_ms` (at least 1) until `tick` returns
  // false or Stop is called. Returns the source's id, 0 when no source could be made.
  virtual std::uint64_t Start(unsigned interval_ms, std::function<bool()> tick) = 0;
  // Stops a running source. The table never calls it for a source whose tick is running; that
  // source ends by its tick returning false.
  virtual void Stop(std::uint64_t source) = 0;
};

}  // namespace tovarin::platform
