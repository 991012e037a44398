#pragma once
// The RAII holders GLib, GObject and GIO values live in, for every part of the program that
// talks to GLib (the GTK desktop and the rendering service alike), and the helpers that box a
// C++ value as GLib user data.
//
// Every holder owns exactly one reference (or one allocation, one source, one connection) and
// gives it up when destroyed; each is built from a "transfer full" result and never adds a
// reference by itself (RefObject is the one place that does, by name).
//
// GLib, GObject and GIO only: holders of GTK, GDK, cairo or libsoup values belong to the room
// that uses those.

#include <gio/gio.h>
#include <glib-object.h>
#include <glib.h>

#include <memory>
#include <string>
#include <utility>

namespace tovarin::platform::glib {

struct GObjectUnref {
  void operator()(gpointer object) const { g_object_unref(object); }
};
// One reference to a GObject (a widget, a SoupSession, a GInputStream, a GCancellable...).
template <typename T>
using GObjectPtr = std::unique_ptr<T, GObjectUnref>;

// A new reference to `object` (which may be null), for a holder of its own.
template <typename T>
GObjectPtr<T> RefObject(T* object) {
  return GObjectPtr<T>(object != nullptr ? static_cast<T*>(g_object_ref(object)) : nullptr);
}

struct GFreeDeleter {
  void operator()(gpointer memory) const { g_free(memory); }
};
// A string GLib allocated (g_strdup, g_uri_to_string...).
using GCharPtr = std::unique_ptr<char, GFreeDeleter>;

struct GUriUnref {
  void operator()(GUri* uri) const { g_uri_unref(uri); }
};
using GUriPtr = std::unique_ptr<GUri, GUriUnref>;

struct GBytesUnref {
  void operator()(GBytes* bytes) const { g_bytes_unref(bytes); }
};
using GBytesPtr = std::unique_ptr<GBytes, GBytesUnref>;

// A GError out-parameter: pass out() to the call, read message() after it failed.
class GErrorHolder {
 public:
  GErrorHolder() = default;
  ~GErrorHolder() { g_clear_error(&error_); }
  GErrorHolder(const GErrorHolder&) = delete;
  GErrorHolder& operator=(const GErrorHolder&) = delete;

  // Clears an error left by an earlier call first: GLib will not set an error over another.
  GError** out() {
    g_clear_error(&error_);
    return &error_;
  }
  const GError* get() const { return error_; }
  bool Matches(GQuark domain, int code) const { return g_error_matches(error_, domain, code); }
  std::string message() const { return error_ != nullptr ? error_->message : std::string(); }

 private:
  GError* error_ = nullptr;
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

// A source attached to the default main context by id (g_timeout_add, g_idle_add); removed on
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

// A source attached to a given main context (a timeout, an idle call), held by the source
// itself rather than its id. Destroying the holder removes the source from its context, so its
// callback can no longer run; the data's destroy notify runs then.
class AttachedSource {
 public:
  AttachedSource() = default;
  // Takes over `source` (a new, unattached GSource) and attaches it to `context` (null: the
  // global default context).
  AttachedSource(GSource* source, GMainContext* context) : source_(source) {
    g_source_attach(source_, context);
  }
  ~AttachedSource() { Remove(); }
  AttachedSource(AttachedSource&& other) noexcept
      : source_(std::exchange(other.source_, nullptr)) {}
  AttachedSource& operator=(AttachedSource&& other) noexcept {
    if (this != &other) {
      Remove();
      source_ = std::exchange(other.source_, nullptr);
    }
    return *this;
  }
  AttachedSource(const AttachedSource&) = delete;
  AttachedSource& operator=(const AttachedSource&) = delete;

  void Remove() {
    if (source_ != nullptr) {
      g_source_destroy(source_);
      g_source_unref(std::exchange(source_, nullptr));
    }
  }

 private:
  GSource* source_ = nullptr;
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

}  // namespace tovarin::platform::glib
