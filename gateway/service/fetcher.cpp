#include "gateway/service/fetcher.h"

#include <libsoup/soup.h>

#include <algorithm>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "gateway/service/destination_policy.h"
#include "gateway/service/loopback_resolver.h"
#include "gateway/service/upstream_cookies.h"
#include "gateway/url.h"
#include "platform/glib/callback_guard.h"
#include "platform/glib/glib_holders.h"

// How a fetch runs (every step on the Fetcher's main context):
//
//   Fetch ── address checks ── SendHop ──network-event(CONNECTING)── connected address checked
//                                 │
//                            OnHeadersReceived ── Set-Cookie stored in the user's jar
//                                 │
//              redirect? ── yes: target checked, body drained (bounded), SendHop again
//                                 │ no
//                            ReadChunk ... (counted, bounded) ── end of body: Finish
//
// Any step can fail; the first failure wins, cancels the GCancellable shared by every step,
// and delivers the response. Steps still in flight then complete with G_IO_ERROR_CANCELLED
// and see that the operation has finished.
//
// Lifetime: each operation is shared by the Fetcher's table of active operations and by every
// GLib call in flight (each holds a heap copy of the shared pointer, freed by its callback).
// Timers and signal handlers hold weak pointers, so they keep nothing alive. Destroying the
// Fetcher abandons every active operation: its callback is dropped and its steps cancelled.

namespace tovarin::gateway {

using platform::glib::AttachedSource;
using platform::glib::GBytesPtr;
using platform::glib::GCharPtr;
using platform::glib::GErrorHolder;
using platform::glib::GObjectPtr;
using platform::glib::GuardCallback;
using platform::glib::GUriPtr;

namespace {

constexpr int kMaxConnections = 64;
constexpr int kMaxConnectionsPerHost = 16;
// Idle persistent connections are closed after this long.
constexpr guint kIdleConnectionSeconds = 60;
constexpr gsize kReadChunkBytes = 64 * 1024;
constexpr int kHttpPort = 80;
constexpr int kHttpsPort = 443;

bool IsFollowedRedirect(guint status) {
  return status == SOUP_STATUS_MOVED_PERMANENTLY || status == SOUP_STATUS_FOUND ||
         status == SOUP_STATUS_SEE_OTHER || status == SOUP_STATUS_TEMPORARY_REDIRECT ||
         status == SOUP_STATUS_PERMANENT_REDIRECT;
}

guint TimerMilliseconds(std::chrono::milliseconds duration) {
  return static_cast<guint>(
      std::clamp<std::chrono::milliseconds::rep>(duration.count(), 1, G_MAXUINT));
}

// The length a body is announced with when it comes as it is stored: a Content-Length and no
// Content-Encoding (an encoded body's announced length says nothing of its decoded size).
std::optional<std::uint64_t> PlainContentLength(SoupMessageHeaders* headers) {
  if (soup_message_headers_get_encoding(headers) != SOUP_ENCODING_CONTENT_LENGTH ||
      soup_message_headers_get_one(headers, "Content-Encoding") != nullptr) {
    return std::nullopt;
  }
  return static_cast<std::uint64_t>(soup_message_headers_get_content_length(headers));
}

std::string DescribeRefusal(DestinationVerdict verdict, const std::string& where) {
  return verdict == DestinationVerdict::kServiceItself
             ? "the rendering service does not fetch its own address " + where
             : where + " is in a private address range";
}

// A Location written through a WML or HTML template carries "&amp;" for '&'. Browsers would
// send it as written, and the site would read a parameter "amp;page" it never meant: it means
// '&', so that is what is followed.
std::string UnescapeAmpersands(std::string_view location) {
  constexpr std::string_view kEscaped = "&amp;";
  std::string out;
  out.reserve(location.size());
  for (std::size_t at = 0; at < location.size();) {
    if (location.substr(at, kEscaped.size()) == kEscaped) {
      out += '&';
      at += kEscaped.size();
    } else {
      out += location[at++];
    }
  }
  return out;
}

std::string HostPort(const std::string& host, int port) {
  const bool v6 = host.find(':') != std::string::npos;
  return (v6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
}

class Operation;
using OperationPtr = std::shared_ptr<Operation>;

// What every fetch of one Fetcher shares.
struct FetcherCore {
  explicit FetcherCore(FetcherOptions fetcher_options);
  ~FetcherCore();
  FetcherCore(const FetcherCore&) = delete;
  FetcherCore& operator=(const FetcherCore&) = delete;

  FetcherOptions options;
  DestinationPolicy policy;
  GMainContext* context;  // owned reference: where callbacks and timers run
  GObjectPtr<SoupSession> session;
  std::unordered_map<Operation*, OperationPtr> active;
};

// One fetch in flight.
class Operation : public std::enable_shared_from_this<Operation> {
 public:
  using Callback = Fetcher::Callback;

  Operation(FetcherCore* owner, FetchRequest request, Callback done)
      : owner_(owner),
        request_(std::move(request)),
        done_(std::move(done)),
        jar_(UpstreamCookies::Parse(request_.cookies)),
        post_(request_.post) {}

  void Start();
  void Abandon();

 private:
  // GLib entry points: each takes back the reference its call held.
  static void OnHeaders(GObject* source, GAsyncResult* result, gpointer data);
  static void OnChunk(GObject* source, GAsyncResult* result, gpointer data);
  static void OnNetworkEvent(SoupMessage* message, GSocketClientEvent event, GIOStream* connection,
                             gpointer data);
  static gboolean OnFirstByteTimeout(gpointer data);
  static gboolean OnTotalTimeout(gpointer data);
  static gboolean OnDeferredDelivery(gpointer data);

  GUriPtr CheckAddress(const std::string& url);
  void SendHop(GUriPtr uri);
  void HeadersReceived(GObjectPtr<GInputStream> stream);
  void FollowRedirect(guint status, const char* location);
  void ReadChunk();
  void ChunkRead(GBytes* chunk);
  bool EndedShort() const;
  void CheckConnection(GIOStream* connection);
  void FailWithError(const GErrorHolder& error);
  void Fail(FetchFailure failure, std::string message);
  void Finish();
  void Deliver();
  AttachedSource Timer(std::chrono::milliseconds delay, GSourceFunc callback);
  // A strong reference for a GLib call in flight, and a weak one for timers and signals, as
  // heap copies owned by GLib until the callback (Take) or the destroy notify frees them.
  gpointer Hold() { return std::make_unique<OperationPtr>(shared_from_this()).release(); }
  gpointer HoldWeak() {
    return std::make_unique<std::weak_ptr<Operation>>(weak_from_this()).release();
  }
  static OperationPtr Take(gpointer data);
  static OperationPtr Lock(gpointer data);

  FetcherCore* owner_;  // null once abandoned
  FetchRequest request_;
  Callback done_;
  UpstreamCookies jar_;
  FetchResponse response_;
  bool post_ = false;
  bool finished_ = false;
  bool starting_ = false;  // inside Start: delivery waits for the main loop
  int redirects_ = 0;
  GUriPtr redirect_target_;  // set while a redirect's body is drained
  std::size_t hop_bytes_ = 0;
  std::string refusal_;  // why this hop's last connection attempt was refused, if it was
  GObjectPtr<GCancellable> cancellable_{g_cancellable_new()};
  GObjectPtr<SoupMessage> message_;
  GObjectPtr<GInputStream> stream_;
  AttachedSource total_timer_;
  AttachedSource first_byte_timer_;
  AttachedSource deferred_delivery_;
};

void FreeHeld(gpointer data) {
  std::unique_ptr<OperationPtr> held(static_cast<OperationPtr*>(data));
}
void FreeWeakData(gpointer data) {
  std::unique_ptr<std::weak_ptr<Operation>> held(static_cast<std::weak_ptr<Operation>*>(data));
}
void FreeWeak(gpointer data, GClosure*) { FreeWeakData(data); }

OperationPtr Operation::Take(gpointer data) {
  std::unique_ptr<OperationPtr> holder(static_cast<OperationPtr*>(data));
  return std::move(*holder);
}

OperationPtr Operation::Lock(gpointer data) {
  return static_cast<std::weak_ptr<Operation>*>(data)->lock();
}

void Operation::Start() {
  starting_ = true;
  total_timer_ = Timer(owner_->options.total_timeout, &Operation::OnTotalTimeout);
  if (GUriPtr uri = CheckAddress(request_.url)) SendHop(std::move(uri));
  starting_ = false;
}

void Operation::Abandon() {
  owner_ = nullptr;
  done_ = nullptr;
  finished_ = true;
  total_timer_.Remove();
  first_byte_timer_.Remove();
  deferred_delivery_.Remove();
  g_cancellable_cancel(cancellable_.get());
}

// The address of the next hop, parsed, or null after failing: http or https only, and a host
// the destination policy allows as written.
GUriPtr Operation::CheckAddress(const std::string& url) {
  response_.final_url = url;
  const std::string scheme = UrlScheme(url);
  if (scheme.empty()) {
    Fail(FetchFailure::kBadAddress, "not an absolute address: " + url);
    return nullptr;
  }
  if (!IsFetchableScheme(scheme)) {
    Fail(FetchFailure::kRefusedScheme, "only http and https addresses are fetched, not " + url);
    return nullptr;
  }
  GErrorHolder error;
  GUriPtr uri(g_uri_parse(url.c_str(), static_cast<GUriFlags>(SOUP_HTTP_URI_FLAGS), error.out()));
  const char* host = uri ? g_uri_get_host(uri.get()) : nullptr;
  if (host == nullptr || *host == '\0') {
    Fail(FetchFailure::kBadAddress, uri ? "no host in " + url : error.message());
    return nullptr;
  }
  int port = g_uri_get_port(uri.get());
  if (port <= 0) port = scheme == "https" ? kHttpsPort : kHttpPort;
  const DestinationVerdict verdict = owner_->policy.CheckHost(host, port);
  if (verdict != DestinationVerdict::kAllowed) {
    Fail(FetchFailure::kRefusedDestination, DescribeRefusal(verdict, HostPort(host, port)));
    return nullptr;
  }
  return uri;
}

void Operation::SendHop(GUriPtr uri) {
  message_.reset(soup_message_new_from_uri(post_ ? SOUP_METHOD_POST : SOUP_METHOD_GET, uri.get()));
  if (!message_) return Fail(FetchFailure::kBadAddress, "cannot request " + response_.final_url);
  soup_message_add_flags(message_.get(), SOUP_MESSAGE_NO_REDIRECT);
  SoupMessageHeaders* headers = soup_message_get_request_headers(message_.get());
  soup_message_headers_replace(headers, "Accept", kPhoneAccept);
  const std::string cookies = jar_.CookieHeaderFor(response_.final_url);
  if (!cookies.empty()) soup_message_headers_replace(headers, "Cookie", cookies.c_str());
  if (post_) {
    GBytesPtr body(g_bytes_new(request_.body.data(), request_.body.size()));
    soup_message_set_request_body_from_bytes(
        message_.get(), request_.content_type.empty() ? nullptr : request_.content_type.c_str(),
        body.get());
  }
  g_signal_connect_data(message_.get(), "network-event", G_CALLBACK(&Operation::OnNetworkEvent),
                        HoldWeak(), &FreeWeak, GConnectFlags{});
  hop_bytes_ = 0;
  refusal_.clear();
  first_byte_timer_ = Timer(owner_->options.first_byte_timeout, &Operation::OnFirstByteTimeout);
  soup_session_send_async(owner_->session.get(), message_.get(), G_PRIORITY_DEFAULT,
                          cancellable_.get(), &Operation::OnHeaders, Hold());
}

void Operation::OnNetworkEvent(SoupMessage*, GSocketClientEvent event, GIOStream* connection,
                               gpointer data) {
  GuardCallback([&] {
    const OperationPtr op = Lock(data);
    if (!op || op->finished_ || op->owner_ == nullptr) return;
    if (event == G_SOCKET_CLIENT_CONNECTING) op->CheckConnection(connection);
    // Another address of the name was allowed and connected: an earlier refusal is history.
    if (event == G_SOCKET_CLIENT_CONNECTED) op->refusal_.clear();
  });
}

// Called as GSocketClient is about to connect: `connection` is the GSocketConnection, not yet
// connected, whose remote address is the one it will connect to. A refused address has its
// socket closed here, so the connection attempt fails before a byte is sent; GSocketClient
// then tries the name's other addresses (each checked the same way) or reports the failure.
void Operation::CheckConnection(GIOStream* connection) {
  GSocketConnection* socket_connection =
      G_IS_SOCKET_CONNECTION(connection) ? G_SOCKET_CONNECTION(connection) : nullptr;
  if (socket_connection == nullptr) {
    refusal_ = "the connection cannot be checked";
    return g_cancellable_cancel(cancellable_.get());
  }
  GObjectPtr<GSocketAddress> remote(
      g_socket_connection_get_remote_address(socket_connection, nullptr));
  std::optional<IpAddress> address;
  int port = 0;
  std::string where;
  if (remote && G_IS_INET_SOCKET_ADDRESS(remote.get())) {
    GInetAddress* inet = g_inet_socket_address_get_address(G_INET_SOCKET_ADDRESS(remote.get()));
    port = g_inet_socket_address_get_port(G_INET_SOCKET_ADDRESS(remote.get()));
    GCharPtr text(g_inet_address_to_string(inet));
    where = HostPort(text.get(), port);
    address = ParseIpAddress(text.get());
  }
  if (!address) {
    refusal_ = "the address about to be connected to cannot be checked";
  } else if (const DestinationVerdict verdict = owner_->policy.CheckAddress(*address, port);
             verdict != DestinationVerdict::kAllowed) {
    refusal_ = DescribeRefusal(verdict, where);
  } else {
    return;
  }
  g_socket_close(g_socket_connection_get_socket(socket_connection), nullptr);
}

void Operation::OnHeaders(GObject* source, GAsyncResult* result, gpointer data) {
  GuardCallback([&] {
    const OperationPtr op = Take(data);
    GErrorHolder error;
    GObjectPtr<GInputStream> stream(
        soup_session_send_finish(SOUP_SESSION(source), result, error.out()));
    op->first_byte_timer_.Remove();
    if (op->finished_) return;
    if (!stream) return op->FailWithError(error);
    op->HeadersReceived(std::move(stream));
  });
}

void Operation::HeadersReceived(GObjectPtr<GInputStream> stream) {
  stream_ = std::move(stream);
  const guint status = soup_message_get_status(message_.get());
  response_.status = status;
  SoupMessageHeaders* headers = soup_message_get_response_headers(message_.get());
  SoupMessageHeadersIter iter;
  soup_message_headers_iter_init(&iter, headers);
  const char* name = nullptr;
  const char* value = nullptr;
  while (soup_message_headers_iter_next(&iter, &name, &value)) {
    if (g_ascii_strcasecmp(name, "Set-Cookie") == 0) jar_.Store(value, response_.final_url);
  }
  const char* location = soup_message_headers_get_one(headers, "Location");
  if (IsFollowedRedirect(status) && location != nullptr) return FollowRedirect(status, location);
  const char* content_type = soup_message_headers_get_one(headers, "Content-Type");
  response_.content_type = content_type != nullptr ? content_type : "";
  const char* retry_after = soup_message_headers_get_one(headers, "Retry-After");
  response_.retry_after = retry_after != nullptr ? retry_after : "";
  // A body announced larger than the bound fails at once (an encoded one is judged as it is
  // decoded).
  if (const auto length = PlainContentLength(headers);
      length && *length > owner_->options.max_body_bytes) {
    return Fail(FetchFailure::kTooLarge,
                "the page announces " + std::to_string(*length) + " bytes");
  }
  ReadChunk();
}

// 303, and 301/302 after a POST, continue as a GET without the body (as browsers do); 307
// and 308 repeat the request as it was. The target is checked before the redirect's own body
// is drained, so a refused target fails at once.
void Operation::FollowRedirect(guint status, const char* location) {
  if (redirects_ >= owner_->options.max_redirects) {
    return Fail(FetchFailure::kTooManyRedirects,
                "more than " + std::to_string(owner_->options.max_redirects) + " redirects");
  }
  const std::optional<std::string> target =
      ResolveUrl(response_.final_url, UnescapeAmpersands(location));
  if (!target) return Fail(FetchFailure::kBadAddress, std::string("bad redirect: ") + location);
  GUriPtr target_uri = CheckAddress(*target);
  if (!target_uri) return;
  if (status == SOUP_STATUS_SEE_OTHER ||
      (post_ && (status == SOUP_STATUS_MOVED_PERMANENTLY || status == SOUP_STATUS_FOUND))) {
    post_ = false;
  }
  ++redirects_;
  redirect_target_ = std::move(target_uri);
  ReadChunk();
}

void Operation::ReadChunk() {
  g_input_stream_read_bytes_async(stream_.get(), kReadChunkBytes, G_PRIORITY_DEFAULT,
                                  cancellable_.get(), &Operation::OnChunk, Hold());
}

void Operation::OnChunk(GObject* source, GAsyncResult* result, gpointer data) {
  GuardCallback([&] {
    const OperationPtr op = Take(data);
    GErrorHolder error;
    GBytesPtr chunk(g_input_stream_read_bytes_finish(G_INPUT_STREAM(source), result, error.out()));
    if (op->finished_) return;
    if (!chunk) return op->FailWithError(error);
    op->ChunkRead(chunk.get());
  });
}

void Operation::ChunkRead(GBytes* chunk) {
  gsize size = 0;
  const auto* bytes = static_cast<const char*>(g_bytes_get_data(chunk, &size));
  if (size == 0) {  // end of this hop's body
    stream_.reset();
    if (!redirect_target_) {
      response_.truncated = response_.truncated || EndedShort();
      return Finish();
    }
    return SendHop(std::move(redirect_target_));
  }
  hop_bytes_ += size;
  if (hop_bytes_ > owner_->options.max_body_bytes) {
    return Fail(
        FetchFailure::kTooLarge,
        "the page is larger than " + std::to_string(owner_->options.max_body_bytes) + " bytes");
  }
  if (!redirect_target_) response_.body.append(bytes, size);
  ReadChunk();
}

// libsoup ends a body at the connection's close without an error even when fewer bytes came
// than its Content-Length said; the count tells (for a body sent as it is stored).
bool Operation::EndedShort() const {
  const auto length = PlainContentLength(soup_message_get_response_headers(message_.get()));
  return length && static_cast<std::uint64_t>(hop_bytes_) < *length;
}

gboolean Operation::OnFirstByteTimeout(gpointer data) {
  GuardCallback([&] {
    const OperationPtr op = Lock(data);
    if (!op || op->finished_) return;
    op->Fail(FetchFailure::kTimeout,
             "no response within " +
                 std::to_string(op->owner_->options.first_byte_timeout.count()) + " ms");
  });
  return G_SOURCE_REMOVE;
}

gboolean Operation::OnTotalTimeout(gpointer data) {
  GuardCallback([&] {
    const OperationPtr op = Lock(data);
    if (!op || op->finished_) return;
    op->Fail(FetchFailure::kTimeout, "the page did not arrive within " +
                                         std::to_string(op->owner_->options.total_timeout.count()) +
                                         " ms");
  });
  return G_SOURCE_REMOVE;
}

void Operation::FailWithError(const GErrorHolder& error) {
  if (!refusal_.empty()) return Fail(FetchFailure::kRefusedDestination, refusal_);
  FetchFailure failure = FetchFailure::kNetwork;
  if (error.get() != nullptr && error.get()->domain == G_RESOLVER_ERROR) {
    failure = FetchFailure::kNameNotFound;
  } else if (error.Matches(G_IO_ERROR, G_IO_ERROR_CONNECTION_REFUSED)) {
    failure = FetchFailure::kConnectionRefused;
  } else if (error.Matches(G_IO_ERROR, G_IO_ERROR_TIMED_OUT)) {
    failure = FetchFailure::kTimeout;
  }
  Fail(failure, error.message());
}

void Operation::Fail(FetchFailure failure, std::string message) {
  if (finished_) return;
  response_.failure = failure;
  response_.message = std::move(message);
  response_.body.clear();
  Finish();
}

void Operation::Finish() {
  if (finished_) return;
  finished_ = true;
  total_timer_.Remove();
  first_byte_timer_.Remove();
  // Stops whatever is still in flight; its callback then sees the operation finished.
  if (response_.failure != FetchFailure::kNone) g_cancellable_cancel(cancellable_.get());
  stream_.reset();
  response_.cookies = jar_.Serialize();
  if (!starting_) return Deliver();
  // Fetch never calls back before it returns: the callback waits for the main loop.
  GSource* idle = g_idle_source_new();
  g_source_set_callback(idle, &Operation::OnDeferredDelivery, Hold(), &FreeHeld);
  deferred_delivery_ = AttachedSource(idle, owner_->context);
}

gboolean Operation::OnDeferredDelivery(gpointer data) {
  GuardCallback([&] {
    const OperationPtr op = *static_cast<OperationPtr*>(data);
    op->Deliver();
  });
  return G_SOURCE_REMOVE;
}

// Runs the callback once. The Fetcher may be destroyed inside it: nothing of the owner is used
// after the call.
void Operation::Deliver() {
  if (owner_ == nullptr || !done_) return;
  const OperationPtr self = shared_from_this();
  owner_->active.erase(this);
  owner_ = nullptr;
  Callback done = std::exchange(done_, nullptr);
  GuardCallback([&] { done(std::move(response_)); });
}

AttachedSource Operation::Timer(std::chrono::milliseconds delay, GSourceFunc callback) {
  GSource* source = g_timeout_source_new(TimerMilliseconds(delay));
  g_source_set_callback(source, callback, HoldWeak(), &FreeWeakData);
  return AttachedSource(source, owner_->context);
}

FetcherCore::FetcherCore(FetcherOptions fetcher_options)
    : options(std::move(fetcher_options)),
      policy(options.refuse_private_destinations, options.own_addresses),
      context(g_main_context_ref_thread_default()) {
  InstallLoopbackResolver();
  session.reset(soup_session_new_with_options("max-conns", kMaxConnections, "max-conns-per-host",
                                              kMaxConnectionsPerHost, "user-agent", kPhoneUserAgent,
                                              "idle-timeout", kIdleConnectionSeconds, nullptr));
  // Connections go straight to the site: the destination checks judge the address actually
  // connected to, which through a proxy would be the proxy's.
  soup_session_set_proxy_resolver(session.get(), nullptr);
  // The session serves every user: nothing a user's fetch leaves behind (cookies, credentials
  // from an address's user:password) may reach another user's fetch.
  soup_session_remove_feature_by_type(session.get(), SOUP_TYPE_COOKIE_JAR);
  soup_session_remove_feature_by_type(session.get(), SOUP_TYPE_AUTH_MANAGER);
  if (!soup_session_has_feature(session.get(), SOUP_TYPE_CONTENT_DECODER)) {
    soup_session_add_feature_by_type(session.get(), SOUP_TYPE_CONTENT_DECODER);
  }
}

FetcherCore::~FetcherCore() {
  // Abandon first (callbacks dropped, steps cancelled), then let the session close its
  // connections; steps still in flight hold their own references and end on their own.
  std::unordered_map<Operation*, OperationPtr> abandoned = std::move(active);
  for (auto& [pointer, operation] : abandoned) operation->Abandon();
  soup_session_abort(session.get());
  g_main_context_unref(context);
}

}  // namespace

struct Fetcher::Impl {
  explicit Impl(FetcherOptions options) : core(std::move(options)) {}
  FetcherCore core;
};

Fetcher::Fetcher(FetcherOptions options) : impl_(std::make_unique<Impl>(std::move(options))) {}

Fetcher::~Fetcher() = default;

void Fetcher::Fetch(FetchRequest request, Callback done) {
  auto operation = std::make_shared<Operation>(&impl_->core, std::move(request), std::move(done));
  impl_->core.active.emplace(operation.get(), operation);
  operation->Start();
}

const FetcherOptions& Fetcher::options() const { return impl_->core.options; }

std::string FailureReason(FetchFailure failure) {
  switch (failure) {
    case FetchFailure::kNone: return "";
    case FetchFailure::kBadAddress: return "地址无效";
    case FetchFailure::kRefusedScheme: return "不支持这种地址";
    case FetchFailure::kRefusedDestination: return "不允许访问该地址";
    case FetchFailure::kNameNotFound: return "找不到该网站的服务器";
    case FetchFailure::kConnectionRefused: return "网站拒绝了连接";
    case FetchFailure::kTimeout: return "网站响应超时";
    case FetchFailure::kTooLarge: return "页面太大";
    case FetchFailure::kTooManyRedirects: return "重定向次数过多";
    case FetchFailure::kNetwork: return "网络错误";
  }
  return "网络错误";
}

}  // namespace tovarin::gateway
