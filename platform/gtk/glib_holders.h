#pragma once
// The RAII holders platform/gtk keeps its GLib, GTK and cairo handles in: a GObject reference, a
// connected signal handler, a main-loop source, a cairo region and a GError; and the pair of
// helpers that box a C++ value as GLib user data (BoxUserData news it, DeleteUserData<T> is the
// GDestroyNotify that deletes it), so no GLib call site writes new or delete itself.

#include <cairo.h>
#include <glib-object.h>
#include <glib.h>

#include <memory>
#include <string>
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

// A signal handler connected to an instance; disconnected on destruction unless the instance
// went away first (the holder keeps a weak pointer to it).
class SignalHandler {
 public:
  SignalHandler() = default;
  SignalHandler(gpointer instance, const char* signal, GCallback callback, gpointer data)
      : instance_(instance), id_(g_signal_connect(instance, signal, callback, data)) {
    g_object_add_weak_pointer(G_OBJECT(instance_), &instance_);
  }
  ~SignalHandler() { Disconnect(); }
  SignalHandler(SignalHandler&& other) noexcept { MoveFrom(other); }
  SignalHandler& operator=(SignalHandler&& other) noexcept {
    if (this != &other) {
      Disconnect();
      MoveFrom(other);
    }
    return *this;
  }
  SignalHandler(const SignalHandler&) = delete;
  SignalHandler& operator=(const SignalHandler&) = delete;

  void Disconnect() {
    if (instance_ != nullptr) {
      g_signal_handler_disconnect(instance_, id_);
      g_object_remove_weak_pointer(G_OBJECT(instance_), &instance_);
      instance_ = nullptr;
    }
  }

 private:
  void MoveFrom(SignalHandler& other) {
    id_ = other.id_;
    if (other.instance_ != nullptr) {
      instance_ = other.instance_;
      g_object_remove_weak_pointer(G_OBJECT(other.instance_), &other.instance_);
      other.instance_ = nullptr;
      g_object_add_weak_pointer(G_OBJECT(instance_), &instance_);
    }
  }
  gpointer instance_ = nullptr;
  gulong id_ = 0;
};

// A source attached to the default main context (g_timeout_add, g_idle_add); removed on
// destruction. Release() forgets it without removing (for a source that ended by itself).
class MainLoopSource {
 public:
  MainLoopSource() = default;
  explicit MainLoopSource(guint id) : id_(id) {}
  ~MainLoopSource() { Remove(); }
  MainLoopSource(MainLoopSource&& other) noexcept : id_(std::exchange(other.id_, 0)) {}
  MainLoopSource& operator=(MainLoopSource&& other) noexcept {
    if (this != &other) {
      Remove();
      id_ = std::exchange(other.id_, 0);
    }
    return *this;
  }
  MainLoopSource(const MainLoopSource&) = delete;
  MainLoopSource& operator=(const MainLoopSource&) = delete;

  void Remove() {
    if (id_ != 0) g_source_remove(std::exchange(id_, 0));
  }
  void Release() { id_ = 0; }
  guint id() const { return id_; }

 private:
  guint id_ = 0;
};

class CairoRegionRef {
 public:
  explicit CairoRegionRef(cairo_region_t* owned = nullptr) : region_(owned) {}
  ~CairoRegionRef() {
    if (region_ != nullptr) cairo_region_destroy(region_);
  }
  CairoRegionRef(CairoRegionRef&& other) noexcept
      : region_(std::exchange(other.region_, nullptr)) {}
  CairoRegionRef& operator=(CairoRegionRef&& other) noexcept {
    if (this != &other) {
      if (region_ != nullptr) cairo_region_destroy(region_);
      region_ = std::exchange(other.region_, nullptr);
    }
    return *this;
  }
  CairoRegionRef(const CairoRegionRef&) = delete;
  CairoRegionRef& operator=(const CairoRegionRef&) = delete;
  cairo_region_t* get() const { return region_; }

 private:
  cairo_region_t* region_;
};

class GErrorHolder {
 public:
  GErrorHolder() = default;
  ~GErrorHolder() {
    if (error_ != nullptr) g_error_free(error_);
  }
  GErrorHolder(const GErrorHolder&) = delete;
  GErrorHolder& operator=(const GErrorHolder&) = delete;
  GError** out() { return &error_; }
  GError* get() const { return error_; }
  std::string message() const { return error_ != nullptr ? error_->message : std::string(); }

 private:
  GError* error_ = nullptr;
};

// User data of a GLib call that owns a C++ value. BoxUserData<T>(args...) makes the value;
// pass DeleteUserData<T> as the call's GDestroyNotify, and GLib frees it when the source or
// handler goes away. A one-shot callback that owns its data instead (an async "ready" callback)
// takes it back with TakeUserData<T>, which frees it when the callback returns.
template <typename T, typename... Args>
gpointer BoxUserData(Args&&... args) {
  return std::make_unique<T>(std::forward<Args>(args)...).release();
}

template <typename T>
void DeleteUserData(gpointer data) {
  std::unique_ptr<T> owned(static_cast<T*>(data));
}

template <typename T>
std::unique_ptr<T> TakeUserData(gpointer data) {
  return std::unique_ptr<T>(static_cast<T*>(data));
}

}  // namespace tovarin::platform::gtk
