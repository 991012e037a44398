#pragma once
// Small RAII holders for the GLib, GIO and libsoup handles of the rendering service, and the
// guard that keeps C++ exceptions from crossing a GLib callback.
//
// Every holder owns exactly one reference (or one allocation) and drops it when destroyed;
// each is built from a "transfer full" result and never adds a reference by itself.

#include <gio/gio.h>
#include <glib-object.h>
#include <glib.h>

#include <exception>
#include <memory>
#include <string>
#include <utility>

namespace tovarin::gateway {

struct GObjectUnref {
  void operator()(gpointer object) const { g_object_unref(object); }
};
// One reference to a GObject (SoupSession, SoupMessage, GInputStream, GCancellable...).
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

// A source attached to a main context (a timeout, an idle call). Destroying the holder removes
// the source from its context, so its callback can no longer run; the data's destroy notify
// runs then.
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

// Runs `body`, swallowing any exception: GLib calls back through C frames that cannot unwind.
template <typename Body>
void GuardCallback(Body&& body) noexcept {
  try {
    std::forward<Body>(body)();
  } catch (const std::exception& error) {
    g_warning("tovarin gateway: error in a callback: %s", error.what());
  } catch (...) {
    g_warning("tovarin gateway: unknown error in a callback");
  }
}

}  // namespace tovarin::gateway
