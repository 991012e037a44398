#pragma once
// Waiting on the GLib main loop in the real-GTK tests. The time limits guard against hanging;
// they are not speed checks.

#include <glib.h>

#include <chrono>
#include <functional>
#include <thread>

namespace tovarin::platform::gtk {

// Runs the main loop until `done` holds or the time is up; returns whether `done` held.
inline bool RunUntil(const std::function<bool()>& done,
                     std::chrono::milliseconds limit = std::chrono::milliseconds(5000)) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    if (!g_main_context_iteration(nullptr, FALSE))
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

inline void RunFor(std::chrono::milliseconds duration) {
  RunUntil([] { return false; }, duration);
}

}  // namespace tovarin::platform::gtk
