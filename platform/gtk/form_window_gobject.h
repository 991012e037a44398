#pragma once
// Small RAII holders for the GLib and GTK objects of the form windows, and the guard that
// keeps C++ exceptions from crossing a GLib callback.

#include <glib-object.h>
#include <glib.h>

#include <exception>
#include <utility>

namespace tovarin::platform::gtk {

// Holds one reference to a GObject; drops it when destroyed.
template <typename T>
class GObjectRef {
 public:
  GObjectRef() = default;
  // Takes over a reference the caller owns (a "transfer full" result).
  explicit GObjectRef(T* owned) : object_(owned) {}
  ~GObjectRef() { reset(); }
  GObjectRef(GObjectRef&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
  GObjectRef& operator=(GObjectRef&& other) noexcept {
    if (this != &other) {
      reset();
      object_ = std::exchange(other.object_, nullptr);
    }
    return *this;
  }
  GObjectRef(const GObjectRef&) = delete;
  GObjectRef& operator=(const GObjectRef&) = delete;

  T* get() const { return object_; }
  explicit operator bool() const { return object_ != nullptr; }
  void reset() {
    if (object_ != nullptr) g_object_unref(std::exchange(object_, nullptr));
  }

 private:
  T* object_ = nullptr;
};

// Runs `body`, swallowing any exception: GLib calls back through C frames that cannot unwind.
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

}  // namespace tovarin::platform::gtk
