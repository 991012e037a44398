#pragma once
// GuardCallback: the frame every GLib, GIO, GDBus, GTK and libsoup callback runs its C++ body
// in, in the GTK desktop and in the rendering service. GLib calls back through C frames that
// cannot unwind, so no exception may leave a callback: the guard catches every exception, logs
// it with g_warning, and returns normally.

#include <glib.h>

#include <exception>
#include <utility>

namespace tovarin::platform::glib {

// Runs `body`, swallowing any exception it throws.
template <typename Body>
void GuardCallback(Body&& body) noexcept {
  try {
    std::forward<Body>(body)();
  } catch (const std::exception& error) {
    g_warning("tovarin: error in a callback: %s", error.what());
  } catch (...) {
    g_warning("tovarin: unknown error in a callback");
  }
}

}  // namespace tovarin::platform::glib
