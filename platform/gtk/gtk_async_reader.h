#pragma once
// GtkAsyncReader: the asynchronous reader of the GTK control host. Addresses are sorted out by
// ClassifyResourceAddress (refused ones fail in Start); http:// and https:// addresses are
// fetched with libsoup 3, file paths and file:// URLs with GIO; the bytes arrive in pieces from
// the main loop and are counted as they come.
//
// Notifications, all from the main loop (never from inside Start):
//   each piece read:  progress status 1 (bytes so far, the announced total or 0)
//   end of the data:  progress status 2, then the completion with the bytes
//   any failure:      progress status 0 with the error text, then the completion with the
//                     error - unless the read was cancelled from the progress handler
// Failures: HTTP statuses other than 2xx ("HTTP 404 Not Found"), network and file errors, an
// announced or actual size over `max_bytes`, and no completion within `timeout`.
// Cancel(name) stops a read: nothing more is delivered for it. Starting a read under a name in
// use cancels the old read. Destroying the reader cancels every read.

#include <libsoup/soup.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "platform/host/control_host.h"

namespace tovarin::platform::gtk {

class GtkAsyncReader {
 public:
  struct Options {
    std::chrono::milliseconds timeout{30000};
    std::uint64_t max_bytes = kMaxAsyncReadBytes;
  };
  using ProgressSink = std::function<void(const AsyncReadProgress&)>;
  using CompletionSink = std::function<void(AsyncReadCompletion&)>;

  GtkAsyncReader(SoupSession* session, ProgressSink on_progress, CompletionSink on_complete);
  ~GtkAsyncReader();
  GtkAsyncReader(const GtkAsyncReader&) = delete;
  GtkAsyncReader& operator=(const GtkAsyncReader&) = delete;

  Options& ReadOptions() { return options_; }
  Status Start(const std::string& address, const std::string& name);
  void Cancel(const std::string& name);
  bool IsReading(const std::string& name) const { return reads_.count(name) != 0; }

  struct Operation;  // one read in flight (defined in the .cpp)
  struct ReadSteps;  // its GLib callbacks

 private:
  friend struct ReadSteps;
  bool IsCurrent(const Operation& operation) const;
  void Deliver(Operation& operation, const AsyncReadProgress& progress);
  void Finish(Operation& operation, Result<Bytes> data);

  SoupSession* session_;
  ProgressSink on_progress_;
  CompletionSink on_complete_;
  Options options_;
  std::map<std::string, std::shared_ptr<Operation>> reads_;
};

}  // namespace tovarin::platform::gtk
