#include "tests/gateway_service/origin_server.h"

#include <gio/gio.h>

#include <algorithm>
#include <stdexcept>

#include "platform/glib/callback_guard.h"
#include "platform/glib/glib_holders.h"

namespace tovarin::gateway::test {

using platform::glib::AttachedSource;
using platform::glib::GErrorHolder;
using platform::glib::GObjectPtr;
using platform::glib::GuardCallback;

namespace {

constexpr const char* kBodyStreamKey = "tovarin-test-body-stream";

gboolean SetFlag(gpointer flag) {
  *static_cast<bool*>(flag) = true;
  return G_SOURCE_REMOVE;
}

std::string Lowercase(const char* text) {
  std::string lower(text);
  for (char& c : lower) c = static_cast<char>(g_ascii_tolower(c));
  return lower;
}

ReceivedRequest Record(SoupServerMessage* message, const char* path) {
  ReceivedRequest request;
  request.method = soup_server_message_get_method(message);
  request.path = path;
  const char* query = g_uri_get_query(soup_server_message_get_uri(message));
  request.query = query != nullptr ? query : "";
  SoupMessageHeadersIter iter;
  soup_message_headers_iter_init(&iter, soup_server_message_get_request_headers(message));
  const char* name = nullptr;
  const char* value = nullptr;
  while (soup_message_headers_iter_next(&iter, &name, &value)) {
    std::string& held = request.headers[Lowercase(name)];
    held += held.empty() ? std::string(value) : ", " + std::string(value);
  }
  SoupMessageBody* body = soup_server_message_get_request_body(message);
  if (body != nullptr && body->length > 0) {
    request.body.assign(body->data, static_cast<std::size_t>(body->length));
  }
  return request;
}

// A TCP socket on 127.0.0.1 with an OS-chosen port; listening when `listen` is set.
GSocket* LoopbackSocket(bool listen, int* port) {
  GErrorHolder error;
  GObjectPtr<GSocket> socket(
      g_socket_new(G_SOCKET_FAMILY_IPV4, G_SOCKET_TYPE_STREAM, G_SOCKET_PROTOCOL_TCP, error.out()));
  if (!socket) throw std::runtime_error("socket: " + error.message());
  GObjectPtr<GInetAddress> loopback(g_inet_address_new_loopback(G_SOCKET_FAMILY_IPV4));
  GObjectPtr<GSocketAddress> any_port(g_inet_socket_address_new(loopback.get(), 0));
  if (!g_socket_bind(socket.get(), any_port.get(), FALSE, error.out()) ||
      (listen && !g_socket_listen(socket.get(), error.out()))) {
    throw std::runtime_error("bind/listen: " + error.message());
  }
  GObjectPtr<GSocketAddress> bound(g_socket_get_local_address(socket.get(), error.out()));
  if (!bound) throw std::runtime_error("local address: " + error.message());
  *port = g_inet_socket_address_get_port(G_INET_SOCKET_ADDRESS(bound.get()));
  return socket.release();
}

// The state of one streamed body; owned by its message (object data), so it lives exactly
// as long as the message.
struct BodyStreamState {
  SoupServerMessage* message = nullptr;  // not owned: the message owns this state
  BodyStream plan;
  std::string piece;
  std::uint64_t queued = 0;
  bool finished = false;
  bool completed = false;
  std::shared_ptr<std::uint64_t> written = std::make_shared<std::uint64_t>(0);
  AttachedSource timer;

  // Queues the next piece, or ends the body once everything has been queued.
  void QueueNext() {
    if (finished || completed) return;
    SoupMessageBody* body = soup_server_message_get_response_body(message);
    if (queued >= plan.total_bytes) {
      completed = true;
      timer.Remove();
      soup_message_body_complete(body);
    } else {
      const auto size = static_cast<std::size_t>(
          std::min<std::uint64_t>(piece.size(), plan.total_bytes - queued));
      soup_message_body_append(body, SOUP_MEMORY_COPY, piece.data(), size);
      queued += size;
    }
  }
};

void OnPieceWritten(SoupServerMessage*, gpointer data) {
  auto* state = static_cast<BodyStreamState*>(data);
  if (state->plan.interval.count() == 0) state->QueueNext();
}

void OnBodyDataWritten(SoupServerMessage*, guint size, gpointer data) {
  *static_cast<BodyStreamState*>(data)->written += size;
}

void OnStreamFinished(SoupServerMessage*, gpointer data) {
  auto* state = static_cast<BodyStreamState*>(data);
  state->finished = true;
  state->timer.Remove();
}

gboolean OnStreamTimer(gpointer data) {
  auto* state = static_cast<BodyStreamState*>(data);
  state->QueueNext();
  soup_server_message_unpause(state->message);
  return state->completed || state->finished ? G_SOURCE_REMOVE : G_SOURCE_CONTINUE;
}

}  // namespace

bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  GMainContext* context = g_main_context_get_thread_default();
  bool expired = false;
  GSource* timer = g_timeout_source_new(static_cast<guint>(limit.count()));
  g_source_set_callback(timer, &SetFlag, &expired, nullptr);
  AttachedSource bound(timer, context);
  while (!done() && !expired) g_main_context_iteration(context, TRUE);
  return done();
}

void RunFor(std::chrono::milliseconds duration) {
  RunUntil([] { return false; }, duration);
}

std::string ReceivedRequest::Header(const std::string& lower_case_name) const {
  const auto found = headers.find(lower_case_name);
  return found != headers.end() ? found->second : std::string();
}

bool ReceivedRequest::HasHeader(const std::string& lower_case_name) const {
  return headers.count(lower_case_name) != 0;
}

OriginServer::OriginServer() {
  server_ = SOUP_SERVER(g_object_new(SOUP_TYPE_SERVER, nullptr));
  GErrorHolder error;
  if (!soup_server_listen_local(server_, 0, SOUP_SERVER_LISTEN_IPV4_ONLY, error.out())) {
    g_object_unref(server_);
    throw std::runtime_error("origin server: " + error.message());
  }
  GSList* uris = soup_server_get_uris(server_);
  port_ = uris != nullptr ? g_uri_get_port(static_cast<GUri*>(uris->data)) : 0;
  g_slist_free_full(uris, reinterpret_cast<GDestroyNotify>(g_uri_unref));
  soup_server_add_handler(server_, nullptr, &OriginServer::OnRequest, this, nullptr);
}

OriginServer::~OriginServer() {
  soup_server_disconnect(server_);
  g_object_unref(server_);
}

std::string OriginServer::Url(std::string_view path_and_query) const {
  return UrlOnHost("127.0.0.1", path_and_query);
}

std::string OriginServer::UrlOnHost(std::string_view host, std::string_view path_and_query) const {
  return "http://" + std::string(host) + ":" + std::to_string(port_) + std::string(path_and_query);
}

void OriginServer::Handle(const std::string& path, Handler handler) {
  handlers_[path] = std::move(handler);
}

std::size_t OriginServer::RequestCount(std::string_view path) const {
  return static_cast<std::size_t>(
      std::count_if(requests_.begin(), requests_.end(),
                    [&](const ReceivedRequest& r) { return r.path == path; }));
}

void OriginServer::OnRequest(SoupServer*, SoupServerMessage* message, const char* path, GHashTable*,
                             gpointer self) {
  GuardCallback([&] {
    auto* origin = static_cast<OriginServer*>(self);
    origin->requests_.push_back(Record(message, path));
    const auto handler = origin->handlers_.find(path);
    if (handler == origin->handlers_.end()) {
      return Respond(message, SOUP_STATUS_NOT_FOUND, "text/plain", "no such page");
    }
    handler->second(message, origin->requests_.back());
  });
}

void Respond(SoupServerMessage* message, unsigned status, std::string_view content_type,
             std::string_view body) {
  soup_server_message_set_status(message, status, nullptr);
  const std::string type(content_type);
  soup_server_message_set_response(message, type.c_str(), SOUP_MEMORY_COPY, body.data(),
                                   body.size());
}

void Redirect(SoupServerMessage* message, unsigned status, std::string_view location) {
  const std::string target(location);
  Respond(message, status, "text/html", "<a href=\"" + target + "\">moved</a>");
  soup_message_headers_replace(soup_server_message_get_response_headers(message), "Location",
                               target.c_str());
}

std::shared_ptr<std::uint64_t> StreamBody(SoupServerMessage* message, BodyStream stream) {
  // The message owns the state from here on and frees it when it is finalized.
  auto* state = std::make_unique<BodyStreamState>().release();
  g_object_set_data_full(G_OBJECT(message), kBodyStreamKey, state, [](gpointer data) {
    std::unique_ptr<BodyStreamState> owned(static_cast<BodyStreamState*>(data));
  });
  state->message = message;
  state->plan = stream;
  state->piece.assign(stream.chunk_bytes, 'x');
  soup_server_message_set_status(message, SOUP_STATUS_OK, nullptr);
  SoupMessageHeaders* headers = soup_server_message_get_response_headers(message);
  soup_message_headers_set_encoding(headers, SOUP_ENCODING_CHUNKED);
  soup_message_headers_set_content_type(headers, "text/plain", nullptr);
  // Written pieces are dropped instead of kept: an endless body must not fill memory.
  soup_message_body_set_accumulate(soup_server_message_get_response_body(message), FALSE);
  g_signal_connect(message, "wrote-chunk", G_CALLBACK(&OnPieceWritten), state);
  g_signal_connect(message, "wrote-body-data", G_CALLBACK(&OnBodyDataWritten), state);
  g_signal_connect(message, "finished", G_CALLBACK(&OnStreamFinished), state);
  if (stream.interval.count() > 0) {
    GSource* timer = g_timeout_source_new(static_cast<guint>(stream.interval.count()));
    g_source_set_callback(timer, &OnStreamTimer, state, nullptr);
    state->timer = AttachedSource(timer, g_main_context_get_thread_default());
  }
  state->QueueNext();
  return state->written;
}

SilentServer::SilentServer() { socket_ = LoopbackSocket(true, &port_); }

SilentServer::~SilentServer() {
  g_socket_close(socket_, nullptr);
  g_object_unref(socket_);
}

ClosedPort::ClosedPort() { socket_ = LoopbackSocket(false, &port_); }

ClosedPort::~ClosedPort() {
  g_socket_close(socket_, nullptr);
  g_object_unref(socket_);
}

std::string GzipCompress(std::string_view data) {
  return ZlibCompress(data, G_ZLIB_COMPRESSOR_FORMAT_GZIP);
}

std::string ZlibCompress(std::string_view data, GZlibCompressorFormat format) {
  GObjectPtr<GZlibCompressor> compressor(g_zlib_compressor_new(format, -1));
  std::string out;
  std::string buffer(64 * 1024, '\0');
  std::size_t offset = 0;
  // Bounded: every round consumes input or produces output, and ends at G_CONVERTER_FINISHED.
  for (int round = 0; round < 1'000'000; ++round) {
    gsize read = 0;
    gsize written = 0;
    GErrorHolder error;
    const GConverterResult result = g_converter_convert(
        G_CONVERTER(compressor.get()), data.data() + offset, data.size() - offset, buffer.data(),
        buffer.size(), G_CONVERTER_INPUT_AT_END, &read, &written, error.out());
    if (result == G_CONVERTER_ERROR) throw std::runtime_error("gzip: " + error.message());
    offset += read;
    out.append(buffer.data(), written);
    if (result == G_CONVERTER_FINISHED) return out;
  }
  throw std::runtime_error("gzip: did not finish");
}

}  // namespace tovarin::gateway::test
