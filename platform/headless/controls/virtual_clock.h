#pragma once
// VirtualClock: the time of a headless desktop, in milliseconds, moved only by the test.
//
//  - Timers are one-shot or periodic. Advance(ms) moves time forward and runs every callback
//    that falls due on the way, in order of due time; callbacks due at the same time run in the
//    order their timers were set (a periodic timer counts as set again when it re-arms).
//  - A periodic timer re-arms at (its due time + interval) before its callback runs, so a
//    callback sees Now() equal to the due time and may kill or replace its own timer.
//  - A timer killed - from anywhere, a callback included - never fires again.
//  - Post() queues work for "now": a one-shot timer of 0 ms, which is how hosts post window
//    messages. RunDue() runs everything due at the current time, work posted by that work
//    included; that is one turn of the message loop.
//  - An interval of 0 for a periodic timer is taken as 1 ms, so time always moves on.
//
// Callbacks run on the caller's thread. An exception thrown by a callback propagates out of
// Advance/RunDue after the clock's own state is consistent (the timer stays killed or re-armed
// as it was before the call). The clock refuses to run more than kMaxCallbacksPerInstant
// callbacks at one instant (a callback that keeps posting work for "now") and throws
// std::runtime_error instead of hanging.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace tovarin::platform::headless {

class VirtualClock {
 public:
  using TimerId = std::uint64_t;  // never 0
  static constexpr std::uint64_t kMaxCallbacksPerInstant = 100'000;

  std::uint64_t Now() const { return now_; }

  TimerId SetTimer(std::uint64_t interval_ms, bool periodic, std::function<void()> callback);
  TimerId Post(std::function<void()> work) { return SetTimer(0, false, std::move(work)); }
  // Returns false when the timer was not set (already fired as one-shot, or killed).
  bool KillTimer(TimerId id);
  bool IsSet(TimerId id) const;
  std::optional<std::uint64_t> DueTime(TimerId id) const;
  std::optional<std::uint64_t> NextDueTime() const;
  std::size_t PendingCount() const { return timers_.size(); }

  // Moves time forward by `ms`, running due callbacks; returns how many ran.
  std::uint64_t Advance(std::uint64_t ms);
  std::uint64_t RunDue() { return Advance(0); }
  // Moves time to the next due timer (if any) and runs what is due then.
  std::uint64_t AdvanceToNext();

 private:
  struct Timer {
    TimerId id = 0;
    std::uint64_t due = 0;
    std::uint64_t order = 0;  // set order among equal due times
    std::uint64_t interval = 0;
    bool periodic = false;
    std::shared_ptr<std::function<void()>> callback;
  };
  std::vector<Timer>::iterator FindEarliest(std::uint64_t until);

  std::uint64_t now_ = 0;
  std::uint64_t next_id_ = 1;
  std::uint64_t next_order_ = 1;
  std::vector<Timer> timers_;
};

}  // namespace tovarin::platform::headless
