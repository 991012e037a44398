#include "platform/headless/controls/virtual_clock.h"

#include <algorithm>
#include <stdexcept>

namespace tovarin::platform::headless {

VirtualClock::TimerId VirtualClock::SetTimer(std::uint64_t interval_ms, bool periodic,
                                             std::function<void()> callback) {
  Timer timer;
  timer.id = next_id_++;
  timer.interval = periodic ? std::max<std::uint64_t>(interval_ms, 1) : interval_ms;
  timer.due = now_ + timer.interval;
  timer.order = next_order_++;
  timer.periodic = periodic;
  timer.callback = std::make_shared<std::function<void()>>(std::move(callback));
  timers_.push_back(std::move(timer));
  return timers_.back().id;
}

bool VirtualClock::KillTimer(TimerId id) {
  const auto it =
      std::find_if(timers_.begin(), timers_.end(), [id](const Timer& t) { return t.id == id; });
  if (it == timers_.end()) return false;
  timers_.erase(it);
  return true;
}

bool VirtualClock::IsSet(TimerId id) const {
  return std::any_of(timers_.begin(), timers_.end(), [id](const Timer& t) { return t.id == id; });
}

std::optional<std::uint64_t> VirtualClock::DueTime(TimerId id) const {
  for (const Timer& t : timers_) {
    if (t.id == id) return t.due;
  }
  return std::nullopt;
}

std::optional<std::uint64_t> VirtualClock::NextDueTime() const {
  std::optional<std::uint64_t> next;
  for (const Timer& t : timers_) {
    if (!next || t.due < *next) next = t.due;
  }
  return next;
}

std::vector<VirtualClock::Timer>::iterator VirtualClock::FindEarliest(std::uint64_t until) {
  auto best = timers_.end();
  for (auto it = timers_.begin(); it != timers_.end(); ++it) {
    if (it->due > until) continue;
    if (best == timers_.end() || it->due < best->due ||
        (it->due == best->due && it->order < best->order))
      best = it;
  }
  return best;
}

std::uint64_t VirtualClock::Advance(std::uint64_t ms) {
  const std::uint64_t target = now_ + ms;
  std::uint64_t ran = 0;
  std::uint64_t ran_at_this_instant = 0;
  while (true) {
    const auto it = FindEarliest(target);
    if (it == timers_.end()) break;
    ran_at_this_instant = it->due == now_ ? ran_at_this_instant + 1 : 1;
    if (ran_at_this_instant > kMaxCallbacksPerInstant) {
      throw std::runtime_error("virtual clock: callbacks keep scheduling work at the same instant");
    }
    ++ran;
    now_ = it->due;
    // Hold the callback: it may kill its own timer (erasing the record) while it runs.
    const std::shared_ptr<std::function<void()>> callback = it->callback;
    if (it->periodic) {
      it->due += it->interval;
      it->order = next_order_++;
    } else {
      timers_.erase(it);
    }
    if (*callback) (*callback)();
  }
  now_ = target;
  return ran;
}

std::uint64_t VirtualClock::AdvanceToNext() {
  const auto next = NextDueTime();
  if (!next) return 0;
  return Advance(*next > now_ ? *next - now_ : 0);
}

}  // namespace tovarin::platform::headless
