#include "platform/host/timer_table.h"

#include <algorithm>
#include <exception>
#include <utility>

namespace tovarin::platform {

// What the ticks of a table's timers reach the table through; `table` is null once the table is
// gone (a source may still tick once after that, if the scheduler ends it late).
struct TimerTable::Shared {
  TimerTable* table = nullptr;
  ErrorSink on_error;
};

struct TimerTable::Entry {
  std::uint64_t key = 0;
  unsigned interval = 1;
  std::function<void()> callback;
  std::uint64_t source = 0;
  bool killed = false;
  int running = 0;  // ticks of this timer in progress (a callback may run a nested loop)
  std::shared_ptr<Shared> shared;
};

namespace {

using EntryPtr = std::shared_ptr<TimerTable::Entry>;

// Runs the callback; returns the failure's message, or nothing when it returned normally.
std::optional<std::string> RunCallback(const std::function<void()>& callback) noexcept {
  try {
    callback();
    return std::nullopt;
  } catch (const std::exception& error) {
    return std::string(error.what());
  } catch (...) {
    return std::string("unknown error");
  }
}

bool Tick(const EntryPtr& entry) noexcept {
  if (entry->killed) return false;
  ++entry->running;
  std::optional<std::string> failure = RunCallback(entry->callback);
  if (failure) {
    const std::shared_ptr<TimerTable::Shared> shared = entry->shared;
    if (shared->table != nullptr) {
      try {
        if (shared->on_error) shared->on_error(entry->key, *failure);
      } catch (...) {
        // The report is best effort; the timer still ends below.
      }
    }
    // Only this timer ends: a replacement the callback set under the same key keeps running.
    if (shared->table != nullptr && !entry->killed) shared->table->Kill(entry->key);
    entry->killed = true;
  }
  --entry->running;
  return !entry->killed;
}

}  // namespace

TimerTable::TimerTable(TimerScheduler& scheduler, ErrorSink on_error)
    : scheduler_(scheduler), shared_(std::make_shared<Shared>()) {
  shared_->table = this;
  shared_->on_error = std::move(on_error);
}

TimerTable::~TimerTable() {
  KillAll();
  shared_->table = nullptr;
}

bool TimerTable::Set(std::uint64_t key, unsigned interval_ms, std::function<void()> on_expiry) {
  Kill(key);
  if (!on_expiry) return false;
  auto entry = std::make_shared<Entry>();
  entry->key = key;
  entry->interval = std::max(1u, interval_ms);
  entry->callback = std::move(on_expiry);
  entry->shared = shared_;
  entry->source = scheduler_.Start(entry->interval, [entry] { return Tick(entry); });
  if (entry->source == 0) return false;
  entries_[key] = entry;
  return true;
}

void TimerTable::Kill(std::uint64_t key) {
  const auto it = entries_.find(key);
  if (it == entries_.end()) return;
  const EntryPtr entry = it->second;
  entries_.erase(it);
  entry->killed = true;
  // A source whose tick is running ends when the tick returns false.
  if (entry->running == 0) scheduler_.Stop(entry->source);
}

void TimerTable::KillAll() {
  while (!entries_.empty()) Kill(entries_.begin()->first);
}

std::optional<unsigned> TimerTable::Interval(std::uint64_t key) const {
  const auto it = entries_.find(key);
  if (it == entries_.end()) return std::nullopt;
  return it->second->interval;
}

}  // namespace tovarin::platform
