#pragma once
// RAII holders the GTK control host keeps its GLib, GTK and cairo handles in: a connected
// signal handler, a main-loop source, a cairo region and a GError. (GObject references use
// GObjectRef from form_window_gobject.h.)

#include <cairo.h>
#include <glib-object.h>
#include <glib.h>

#include <string>
#include <utility>

namespace tovarin::platform::gtk {

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

}  // namespace tovarin::platform::gtk
