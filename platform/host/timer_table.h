#pragma once
// TimerTable: the keyed timers a control host keeps for its control (ControlHost::SetTimer and
// KillTimer), over a TimerScheduler that runs one repeating source per timer: GLib timeouts in
// the program, the virtual clock in tests.
//
//  - Set(key, ...) replaces the timer under `key` (the old one never fires again) and returns
//    false when the callback is empty or the scheduler could make no source. An interval of 0
//    is taken as 1 ms.
//  - A killed timer never fires again, whoever kills it: its own callback, another timer's, or
//    the table's destruction (which kills every timer).
//  - A callback may set, replace or kill any timer, its own included.
//  - Exceptions: no exception leaves a tick (the scheduler may be a C main loop that cannot
//    unwind). A callback that throws is reported to the error sink with its key and message
//    ("unknown error" for an exception that is not a std::exception), and its timer is killed -
//    unless the callback had already replaced it, in which case the replacement keeps running.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "platform/host/timer_scheduler.h"

namespace tovarin::platform {

class TimerTable {
 public:
  using ErrorSink = std::function<void(std::uint64_t key, const std::string& message)>;

  // The scheduler must outlive the table.
  TimerTable(TimerScheduler& scheduler, ErrorSink on_error);
  ~TimerTable();
  TimerTable(const TimerTable&) = delete;
  TimerTable& operator=(const TimerTable&) = delete;

  bool Set(std::uint64_t key, unsigned interval_ms, std::function<void()> on_expiry);
  void Kill(std::uint64_t key);
  void KillAll();

  bool Has(std::uint64_t key) const { return entries_.count(key) != 0; }
  std::optional<unsigned> Interval(std::uint64_t key) const;  // in ms, as the source runs
  std::size_t Count() const { return entries_.size(); }

  struct Entry;  // one timer, shared with its source's tick (defined in the .cpp)
  struct Shared;

 private:
  TimerScheduler& scheduler_;
  std::shared_ptr<Shared> shared_;
  std::map<std::uint64_t, std::shared_ptr<Entry>> entries_;
};

}  // namespace tovarin::platform
