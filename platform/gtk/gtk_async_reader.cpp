#include "platform/gtk/gtk_async_reader.h"

#include <gio/gio.h>

#include <algorithm>

#include "platform/glib/callback_guard.h"
#include "platform/glib/glib_holders.h"
#include "platform/host/resource_address.h"

namespace tovarin::platform::gtk {

// One read: kept alive by the reader's table and by every GLib callback in flight (each holds
// a heap copy of the shared pointer, freed by the callback).
struct GtkAsyncReader::Operation {
  GtkAsyncReader* reader = nullptr;  // null once cancelled or finished
  std::string name;
  glib::GObjectPtr<GCancellable> cancellable{g_cancellable_new()};
  glib::GObjectPtr<SoupMessage> message;
  glib::GObjectPtr<GFile> file;
  glib::GObjectPtr<GInputStream> stream;
  glib::MainLoopSource timeout;
  Bytes data;
  std::uint64_t total = 0;
  bool failed = false;
};

namespace {

using OperationPtr = std::shared_ptr<GtkAsyncReader::Operation>;
constexpr gsize kPieceBytes = 64 * 1024;

gpointer Hold(const OperationPtr& operation) { return glib::BoxUserData<OperationPtr>(operation); }
OperationPtr Take(gpointer data) { return *glib::TakeUserData<OperationPtr>(data); }

}  // namespace

// Static steps of a read, each a GLib callback.
struct GtkAsyncReader::ReadSteps {
  static void Fail(const OperationPtr& op, const std::string& message) {
    if (op->reader == nullptr || op->failed) return;
    op->failed = true;
    g_cancellable_cancel(op->cancellable.get());
    GtkAsyncReader* reader = op->reader;
    reader->Deliver(*op, AsyncReadProgress{op->name, kAsyncReadError, message, 0, 0});
    if (op->reader != nullptr && reader->IsCurrent(*op)) reader->Finish(*op, Error{message});
  }

  static void ReadNext(const OperationPtr& op) {
    g_input_stream_read_bytes_async(op->stream.get(), kPieceBytes, G_PRIORITY_DEFAULT,
                                    op->cancellable.get(), &GtkAsyncReader::ReadSteps::OnPiece,
                                    Hold(op));
  }

  static void OnPiece(GObject* source, GAsyncResult* result, gpointer data) {
    glib::GuardCallback([&] {
      const OperationPtr op = Take(data);
      glib::GErrorHolder error;
      GBytes* bytes = g_input_stream_read_bytes_finish(G_INPUT_STREAM(source), result, error.out());
      if (op->reader == nullptr) {
        if (bytes != nullptr) g_bytes_unref(bytes);
        return;
      }
      if (bytes == nullptr) return Fail(op, error.message());
      gsize size = 0;
      const auto* piece = static_cast<const std::uint8_t*>(g_bytes_get_data(bytes, &size));
      if (size == 0) {
        g_bytes_unref(bytes);
        GtkAsyncReader* reader = op->reader;
        const std::uint64_t n = op->data.size();
        reader->Deliver(*op, AsyncReadProgress{op->name, kAsyncReadDone, "done", n, n});
        if (op->reader != nullptr && reader->IsCurrent(*op))
          reader->Finish(*op, std::move(op->data));
        return;
      }
      if (op->data.size() + size > op->reader->ReadOptions().max_bytes) {
        g_bytes_unref(bytes);
        return Fail(op, "the data exceeds the limit of " +
                            std::to_string(op->reader->ReadOptions().max_bytes) + " bytes");
      }
      op->data.insert(op->data.end(), piece, piece + size);
      g_bytes_unref(bytes);
      op->reader->Deliver(*op, AsyncReadProgress{op->name, kAsyncReadDataArriving, "data arriving",
                                                 op->data.size(), op->total});
      if (op->reader != nullptr) ReadNext(op);
    });
  }

  static void OnSent(GObject* source, GAsyncResult* result, gpointer data) {
    glib::GuardCallback([&] {
      const OperationPtr op = Take(data);
      glib::GErrorHolder error;
      GInputStream* stream = soup_session_send_finish(SOUP_SESSION(source), result, error.out());
      op->stream = glib::GObjectPtr<GInputStream>(stream);
      if (op->reader == nullptr) return;
      if (stream == nullptr) return Fail(op, error.message());
      const guint status = soup_message_get_status(op->message.get());
      if (status < 200 || status >= 300) {
        const char* reason = soup_message_get_reason_phrase(op->message.get());
        return Fail(op, "HTTP " + std::to_string(status) +
                            (reason && *reason ? std::string(" ") + reason : ""));
      }
      SoupMessageHeaders* headers = soup_message_get_response_headers(op->message.get());
      if (soup_message_headers_get_encoding(headers) == SOUP_ENCODING_CONTENT_LENGTH) {
        op->total = static_cast<std::uint64_t>(soup_message_headers_get_content_length(headers));
        if (op->total > op->reader->ReadOptions().max_bytes) {
          return Fail(op, "the data of " + std::to_string(op->total) +
                              " bytes exceeds the limit of " +
                              std::to_string(op->reader->ReadOptions().max_bytes) + " bytes");
        }
      }
      ReadNext(op);
    });
  }

  static void OnFileOpened(GObject* source, GAsyncResult* result, gpointer data) {
    glib::GuardCallback([&] {
      const OperationPtr op = Take(data);
      glib::GErrorHolder error;
      GFileInputStream* stream = g_file_read_finish(G_FILE(source), result, error.out());
      op->stream =
          glib::GObjectPtr<GInputStream>(stream != nullptr ? G_INPUT_STREAM(stream) : nullptr);
      if (op->reader == nullptr) return;
      if (stream == nullptr) return Fail(op, error.message());
      GFileInfo* info =
          g_file_input_stream_query_info(stream, G_FILE_ATTRIBUTE_STANDARD_SIZE, nullptr, nullptr);
      if (info != nullptr) {
        op->total = static_cast<std::uint64_t>(g_file_info_get_size(info));
        g_object_unref(info);
        if (op->total > op->reader->ReadOptions().max_bytes) {
          return Fail(op, "the file of " + std::to_string(op->total) +
                              " bytes exceeds the limit of " +
                              std::to_string(op->reader->ReadOptions().max_bytes) + " bytes");
        }
      }
      ReadNext(op);
    });
  }

  static gboolean OnTimeout(gpointer data) {
    glib::GuardCallback([&] {
      const OperationPtr op = *static_cast<OperationPtr*>(data);
      op->timeout.Release();  // this source ends by returning G_SOURCE_REMOVE
      Fail(op, "timed out");
    });
    return G_SOURCE_REMOVE;
  }
};

GtkAsyncReader::GtkAsyncReader(SoupSession* session, ProgressSink on_progress,
                               CompletionSink on_complete)
    : session_(session),
      on_progress_(std::move(on_progress)),
      on_complete_(std::move(on_complete)) {}

GtkAsyncReader::~GtkAsyncReader() {
  for (auto& [name, op] : reads_) {
    op->reader = nullptr;
    op->timeout.Remove();
    g_cancellable_cancel(op->cancellable.get());
  }
}

Status GtkAsyncReader::Start(const std::string& address, const std::string& name) {
  auto classified = ClassifyResourceAddress(address);
  if (!classified.ok()) return Error{classified.error()};
  auto op = std::make_shared<Operation>();
  op->name = name;
  if (classified->kind == ResourceKind::kFile) {
    op->file = glib::GObjectPtr<GFile>(g_file_new_for_path(classified->location.c_str()));
  } else {
    SoupMessage* message = soup_message_new("GET", classified->location.c_str());
    if (message == nullptr) return Error{"malformed address: " + address};
    op->message = glib::GObjectPtr<SoupMessage>(message);
  }
  Cancel(name);
  op->reader = this;
  reads_[name] = op;
  const auto timeout_ms = static_cast<guint>(std::max<std::int64_t>(1, options_.timeout.count()));
  op->timeout = glib::MainLoopSource(
      g_timeout_add_full(G_PRIORITY_DEFAULT, timeout_ms, &GtkAsyncReader::ReadSteps::OnTimeout,
                         Hold(op), &glib::DeleteUserData<OperationPtr>));
  if (op->message) {
    soup_session_send_async(session_, op->message.get(), G_PRIORITY_DEFAULT, op->cancellable.get(),
                            &GtkAsyncReader::ReadSteps::OnSent, Hold(op));
  } else {
    g_file_read_async(op->file.get(), G_PRIORITY_DEFAULT, op->cancellable.get(),
                      &GtkAsyncReader::ReadSteps::OnFileOpened, Hold(op));
  }
  return {};
}

void GtkAsyncReader::Cancel(const std::string& name) {
  const auto it = reads_.find(name);
  if (it == reads_.end()) return;
  const OperationPtr op = it->second;
  reads_.erase(it);
  op->reader = nullptr;
  op->timeout.Remove();
  g_cancellable_cancel(op->cancellable.get());
}

bool GtkAsyncReader::IsCurrent(const Operation& operation) const {
  const auto it = reads_.find(operation.name);
  return it != reads_.end() && it->second.get() == &operation;
}

void GtkAsyncReader::Deliver(Operation& operation, const AsyncReadProgress& progress) {
  if (!IsCurrent(operation)) return;
  if (on_progress_) on_progress_(progress);
}

void GtkAsyncReader::Finish(Operation& operation, Result<Bytes> data) {
  const auto it = reads_.find(operation.name);
  if (it == reads_.end() || it->second.get() != &operation) return;
  const OperationPtr keep = it->second;
  reads_.erase(it);
  operation.reader = nullptr;
  operation.timeout.Remove();
  AsyncReadCompletion completion{operation.name, std::move(data)};
  if (on_complete_) on_complete_(completion);
}

}  // namespace tovarin::platform::gtk
