#include "gateway/service/gateway_server.h"

#include <libsoup/soup.h>

#include <algorithm>
#include <cstdio>
#include <utility>
#include <vector>

#include "gateway/service/host_allow_list.h"
#include "gateway/service/request_handler.h"
#include "gateway/service/service_addresses.h"
#include "platform/glib/callback_guard.h"
#include "platform/glib/glib_holders.h"

namespace tovarin::gateway {

using platform::glib::GBytesPtr;
using platform::glib::GCharPtr;
using platform::glib::GErrorHolder;
using platform::glib::GObjectPtr;
using platform::glib::GuardCallback;
using platform::glib::RefObject;

namespace {

constexpr const char* kStartTimeKey = "tovarin-gateway-start-us";
constexpr std::size_t kMaxLoggedPathBytes = 120;

bool IsUrlSafePrefix(std::string_view prefix) {
  if (prefix.empty()) return true;
  if (prefix.front() != '/' || prefix.back() == '/') return false;
  return std::all_of(prefix.begin(), prefix.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~' || c == '/';
  });
}

// The address to listen on: an IP literal (IPv6 possibly in brackets) or "localhost".
GObjectPtr<GInetAddress> ListenAddress(std::string_view host) {
  std::string text(host);
  if (text.size() >= 2 && text.front() == '[' && text.back() == ']') {
    text = text.substr(1, text.size() - 2);
  }
  if (text == "localhost") text = "127.0.0.1";
  return GObjectPtr<GInetAddress>(g_inet_address_new_from_string(text.c_str()));
}

std::uint16_t ListeningPort(SoupServer* server) {
  GSList* listeners = soup_server_get_listeners(server);  // the list is ours, not the sockets
  std::uint16_t port = 0;
  if (listeners != nullptr) {
    GErrorHolder error;
    GObjectPtr<GSocketAddress> local(
        g_socket_get_local_address(G_SOCKET(listeners->data), error.out()));
    if (local) port = g_inet_socket_address_get_port(G_INET_SOCKET_ADDRESS(local.get()));
  }
  g_slist_free(listeners);
  return port;
}

void AppendCookieHeader(const char* name, const char* value, gpointer data) {
  auto* out = static_cast<std::string*>(data);
  if (g_ascii_strcasecmp(name, "Cookie") != 0) return;
  if (!out->empty()) *out += "; ";
  *out += value;
}

const char* ReasonPhrase(unsigned status) {
  return status == 421 ? "Misdirected Request" : nullptr;  // others: libsoup's own phrase
}

void WriteResponse(SoupServerMessage* message, const ServiceResponse& response) {
  soup_server_message_set_status(message, response.status, ReasonPhrase(response.status));
  SoupMessageHeaders* headers = soup_server_message_get_response_headers(message);
  soup_message_headers_replace(headers, "Content-Security-Policy",
                               std::string(kContentSecurityPolicy).c_str());
  soup_message_headers_replace(headers, "X-Content-Type-Options", "nosniff");
  soup_message_headers_replace(headers, "Referrer-Policy", "no-referrer");
  soup_message_headers_replace(headers, "Cache-Control", "no-store");
  for (const std::string& cookie : response.set_cookies) {
    soup_message_headers_append(headers, "Set-Cookie", cookie.c_str());
  }
  // An answer without content (204) has no type either.
  soup_server_message_set_response(
      message, response.content_type.empty() ? nullptr : response.content_type.c_str(),
      SOUP_MEMORY_COPY, response.body.data(), response.body.size());
}

// Answers before the body is read; the body (if any) is then read and thrown away, and the
// connection closed after the answer.
void Refuse(SoupServerMessage* message, unsigned status, std::string text) {
  soup_message_body_set_accumulate(soup_server_message_get_request_body(message), FALSE);
  soup_message_headers_replace(soup_server_message_get_response_headers(message), "Connection",
                               "close");
  WriteResponse(message, TextResponse(status, std::move(text)));
}

}  // namespace

// A paused message waiting for its answer. Holds a reference, and hears when the message
// finishes without it (the client went away), so a late answer is dropped.
class PendingAnswer {
 public:
  PendingAnswer(std::uint64_t id, SoupServerMessage* message, GCallback on_finished, gpointer data)
      : id_(id),
        message_(RefObject(message)),
        finished_handler_(g_signal_connect(message, "finished", on_finished, data)) {}
  ~PendingAnswer() { g_signal_handler_disconnect(message_.get(), finished_handler_); }
  PendingAnswer(const PendingAnswer&) = delete;
  PendingAnswer& operator=(const PendingAnswer&) = delete;

  std::uint64_t id() const { return id_; }
  SoupServerMessage* message() const { return message_.get(); }

 private:
  std::uint64_t id_;
  GObjectPtr<SoupServerMessage> message_;
  gulong finished_handler_;
};

struct GatewayServer::Impl {
  GObjectPtr<SoupServer> server;
  std::unique_ptr<HostAllowList> hosts;
  std::unique_ptr<RequestHandler> handler;
  std::vector<std::unique_ptr<PendingAnswer>> pending;
  std::uint64_t next_id = 1;
  std::string path_prefix;
  std::string url_host;
  std::uint16_t port = 0;
  bool log_requests = false;
  std::function<void(std::string_view)> log_sink;

  ~Impl();
  platform::Status Start(GInetAddress* address, std::uint16_t requested_port);
  void Screen(SoupServerMessage* message) const;
  void Dispatch(SoupServerMessage* message, std::string_view path);
  void Answer(std::uint64_t id, const ServiceResponse& response);
  void Forget(SoupServerMessage* message);
  std::optional<std::string> Route(std::string_view path) const;
  void Log(SoupServerMessage* message, bool aborted) const;

  static void OnEarly(SoupServer*, SoupServerMessage* message, const char*, GHashTable*,
                      gpointer self);
  static void OnRequest(SoupServer*, SoupServerMessage* message, const char* path, GHashTable*,
                        gpointer self);
  static void OnStarted(SoupServer*, SoupServerMessage* message, gpointer);
  static void OnFinished(SoupServer*, SoupServerMessage* message, gpointer self);
  static void OnAborted(SoupServer*, SoupServerMessage* message, gpointer self);
  static void OnMessageFinished(SoupServerMessage* message, gpointer self);
};

GatewayServer::Impl::~Impl() {
  // Fetches first (their callbacks answer through this object), then the paused messages,
  // then the connections.
  handler.reset();
  pending.clear();
  if (server) {
    g_signal_handlers_disconnect_by_data(server.get(), this);
    soup_server_remove_handler(server.get(), nullptr);  // the handlers added for every path
    soup_server_disconnect(server.get());
  }
}

platform::Status GatewayServer::Impl::Start(GInetAddress* address, std::uint16_t requested_port) {
  server.reset(SOUP_SERVER(soup_server_new("server-header", "tovarin-gateway", nullptr)));
  soup_server_add_early_handler(server.get(), nullptr, &Impl::OnEarly, this, nullptr);
  soup_server_add_handler(server.get(), nullptr, &Impl::OnRequest, this, nullptr);
  g_signal_connect(server.get(), "request-started", G_CALLBACK(&Impl::OnStarted), this);
  g_signal_connect(server.get(), "request-finished", G_CALLBACK(&Impl::OnFinished), this);
  g_signal_connect(server.get(), "request-aborted", G_CALLBACK(&Impl::OnAborted), this);
  GObjectPtr<GSocketAddress> socket_address(g_inet_socket_address_new(address, requested_port));
  GErrorHolder error;
  if (!soup_server_listen(server.get(), socket_address.get(),
                          static_cast<SoupServerListenOptions>(0), error.out())) {
    return platform::Error{"cannot listen: " + error.message()};
  }
  port = ListeningPort(server.get());
  if (port == 0) return platform::Error{"cannot tell which port the server listens on"};
  return platform::Status::Ok();
}

platform::Result<std::unique_ptr<GatewayServer>> GatewayServer::Listen(GatewayOptions options,
                                                                       std::string_view host,
                                                                       std::uint16_t port) {
  if (!IsUrlSafePrefix(options.path_prefix)) {
    return platform::Error{"the path prefix must be empty or '/' and URL-safe characters"};
  }
  GObjectPtr<GInetAddress> address = ListenAddress(host);
  if (!address) return platform::Error{"not an IP address to listen on: " + std::string(host)};
  auto impl = std::make_unique<Impl>();
  if (platform::Status started = impl->Start(address.get(), port); !started.ok()) {
    return platform::Error{started.error()};
  }
  GCharPtr address_text(g_inet_address_to_string(address.get()));
  std::string listen_host = UrlHost(address_text.get());
  impl->hosts = std::make_unique<HostAllowList>(listen_host, impl->port, options.extra_hosts);
  bool any_interface = g_inet_address_get_is_any(address.get());
  impl->url_host = any_interface ? (g_inet_address_get_family(address.get()) == G_SOCKET_FAMILY_IPV6
                                        ? "[::1]"
                                        : "127.0.0.1")
                                 : listen_host;
  for (std::string& own : impl->hosts->OwnAddresses()) {
    options.fetcher.own_addresses.push_back(std::move(own));
  }
  impl->path_prefix = options.path_prefix;
  impl->log_requests = options.log_requests;
  impl->log_sink = options.log_sink;
  impl->handler = std::make_unique<RequestHandler>(std::move(options));
  return std::unique_ptr<GatewayServer>(new GatewayServer(std::move(impl)));
}

GatewayServer::GatewayServer(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
GatewayServer::~GatewayServer() = default;

std::uint16_t GatewayServer::port() const { return impl_->port; }

std::string GatewayServer::BaseUrl() const {
  return "http://" + impl_->url_host + ":" + std::to_string(impl_->port) + impl_->path_prefix;
}

std::string GatewayServer::ServicePrefix() const {
  return BaseUrl() + std::string(kTypedEntryRoute) + "?url=";
}

std::string GatewayServer::SimulatorBase() const {
  return BaseUrl() + std::string(kSimulatorRoute) + "?rf=y&url=";
}

void GatewayServer::Impl::Screen(SoupServerMessage* message) const {
  SoupMessageHeaders* headers = soup_server_message_get_request_headers(message);
  const char* host = soup_message_headers_get_one(headers, "Host");
  if (host == nullptr || !hosts->Allows(host)) {
    Refuse(message, 421, "This service does not answer to that host name.\n");
    return;
  }
  std::string_view method = soup_server_message_get_method(message);
  if (method != "GET" && method != "HEAD" && method != "POST") {
    soup_message_headers_replace(soup_server_message_get_response_headers(message), "Allow",
                                 "GET, HEAD, POST");
    Refuse(message, 405, "Only GET, HEAD and POST are answered.\n");
    return;
  }
  SoupEncoding encoding = soup_message_headers_get_encoding(headers);
  if (encoding == SOUP_ENCODING_CHUNKED) {
    Refuse(message, 411, "A request body needs a Content-Length.\n");
  } else if (encoding == SOUP_ENCODING_CONTENT_LENGTH &&
             static_cast<std::uint64_t>(soup_message_headers_get_content_length(headers)) >
                 kMaxRequestBodyBytes) {
    Refuse(message, 413, "The request body is too large.\n");
  }
}

std::optional<std::string> GatewayServer::Impl::Route(std::string_view path) const {
  if (path.substr(0, path_prefix.size()) != path_prefix) return std::nullopt;
  std::string_view route = path.substr(path_prefix.size());
  if (!path_prefix.empty() && !route.empty() && route.front() != '/') return std::nullopt;
  return std::string(route);
}

void GatewayServer::Impl::Dispatch(SoupServerMessage* message, std::string_view path) {
  if (soup_server_message_get_status(message) != 0) return;  // refused in Screen
  std::optional<std::string> route = Route(path);
  if (!route) {
    WriteResponse(message, TextResponse(404, "Not found.\n"));
    return;
  }
  ServiceRequest request;
  request.method = soup_server_message_get_method(message);
  request.route = std::move(*route);
  const char* query = g_uri_get_query(soup_server_message_get_uri(message));
  request.query = query != nullptr ? query : "";
  SoupMessageHeaders* headers = soup_server_message_get_request_headers(message);
  soup_message_headers_foreach(headers, &AppendCookieHeader, &request.cookie_header);
  const char* type = soup_message_headers_get_one(headers, "Content-Type");
  request.content_type = type != nullptr ? type : "";
  GBytesPtr body(soup_message_body_flatten(soup_server_message_get_request_body(message)));
  gsize size = 0;
  const auto* data = static_cast<const char*>(g_bytes_get_data(body.get(), &size));
  if (size > 0) request.body.assign(data, size);

  std::uint64_t id = next_id++;
  pending.push_back(
      std::make_unique<PendingAnswer>(id, message, G_CALLBACK(&Impl::OnMessageFinished), this));
  soup_server_message_pause(message);
  handler->Handle(request, [this, id](ServiceResponse response) { Answer(id, response); });
}

void GatewayServer::Impl::Answer(std::uint64_t id, const ServiceResponse& response) {
  auto found = std::find_if(pending.begin(), pending.end(),
                            [id](const auto& entry) { return entry->id() == id; });
  if (found == pending.end()) return;  // the client went away meanwhile
  SoupServerMessage* message = (*found)->message();
  WriteResponse(message, response);
  soup_server_message_unpause(message);
}

void GatewayServer::Impl::Forget(SoupServerMessage* message) {
  std::erase_if(pending, [message](const auto& entry) { return entry->message() == message; });
}

void GatewayServer::Impl::Log(SoupServerMessage* message, bool aborted) const {
  if (!log_requests) return;
  GUri* uri = soup_server_message_get_uri(message);
  std::string path = uri != nullptr ? g_uri_get_path(uri) : "";
  std::optional<std::string> route = Route(path);
  std::string shown = route ? *route : std::string("(outside the service)");
  if (shown.empty()) shown = "/";
  if (shown.size() > kMaxLoggedPathBytes) shown = shown.substr(0, kMaxLoggedPathBytes) + "...";
  auto* started = static_cast<gint64*>(g_object_get_data(G_OBJECT(message), kStartTimeKey));
  gint64 elapsed_ms = started != nullptr ? (g_get_monotonic_time() - *started) / 1000 : 0;
  SoupMessageBody* body = soup_server_message_get_response_body(message);
  const char* method = soup_server_message_get_method(message);
  std::string line =
      std::string(method != nullptr ? method : "-") + " " + shown + " " +
      (aborted ? std::string("aborted") : std::to_string(soup_server_message_get_status(message))) +
      " " + std::to_string(body != nullptr ? body->length : 0) + " bytes " +
      std::to_string(elapsed_ms) + " ms";
  if (log_sink) {
    log_sink(line);
  } else {
    std::fprintf(stderr, "%s\n", line.c_str());
  }
}

void GatewayServer::Impl::OnEarly(SoupServer*, SoupServerMessage* message, const char*, GHashTable*,
                                  gpointer self) {
  GuardCallback([&] { static_cast<const Impl*>(self)->Screen(message); });
}

void GatewayServer::Impl::OnRequest(SoupServer*, SoupServerMessage* message, const char* path,
                                    GHashTable*, gpointer self) {
  GuardCallback([&] { static_cast<Impl*>(self)->Dispatch(message, path != nullptr ? path : ""); });
}

void GatewayServer::Impl::OnStarted(SoupServer*, SoupServerMessage* message, gpointer) {
  gint64 now = g_get_monotonic_time();
  g_object_set_data_full(G_OBJECT(message), kStartTimeKey, g_memdup2(&now, sizeof now), g_free);
}

void GatewayServer::Impl::OnFinished(SoupServer*, SoupServerMessage* message, gpointer self) {
  GuardCallback([&] { static_cast<const Impl*>(self)->Log(message, false); });
}

void GatewayServer::Impl::OnAborted(SoupServer*, SoupServerMessage* message, gpointer self) {
  GuardCallback([&] { static_cast<const Impl*>(self)->Log(message, true); });
}

void GatewayServer::Impl::OnMessageFinished(SoupServerMessage* message, gpointer self) {
  GuardCallback([&] { static_cast<Impl*>(self)->Forget(message); });
}

}  // namespace tovarin::gateway
