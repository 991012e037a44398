#pragma once
// Test helpers for code of the rendering service that talks HTTP, all on this machine's
// loopback interface and the calling thread's default main context:
//   - RunUntil / RunFor: run the main loop until a condition holds, always within a bound;
//   - OriginServer: a site (libsoup SoupServer) on 127.0.0.1 with a port the OS chooses,
//     serving handlers registered per path and recording every request it receives;
//   - StreamBody: a chunked response body written piece by piece (endless bodies, slow ones);
//   - SilentServer: a port that accepts connections and never answers;
//   - ClosedPort: a port nothing listens on (connections are refused);
//   - GzipCompress, ZlibCompress: bodies for "Content-Encoding: gzip" and "deflate".
// Nothing here sends a byte beyond 127.0.0.1.

#include <libsoup/soup.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tovarin::gateway::test {

// The longest a test waits for something that should happen (a fetch to finish). Only a bound:
// nothing is expected to take that long.
inline constexpr std::chrono::milliseconds kDefaultWait{20000};

// Runs the thread-default main context until `done()` is true or `limit` has passed, and
// returns done(). `done` is checked before every iteration.
bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = kDefaultWait);

// Runs the thread-default main context for `duration` (lets work in flight settle). Not for
// timing assertions.
void RunFor(std::chrono::milliseconds duration);

// One request as the origin received it. Header names are lower case; a repeated header keeps
// its values joined by ", " (as libsoup joins them).
struct ReceivedRequest {
  std::string method;
  std::string path;
  std::string query;  // without '?'; empty when none
  std::map<std::string, std::string> headers;
  std::string body;

  // The header's value, or empty when absent.
  std::string Header(const std::string& lower_case_name) const;
  bool HasHeader(const std::string& lower_case_name) const;
};

class OriginServer {
 public:
  // The handler answers `message` (status, headers, body); the server records `request`
  // before calling it. Paths without a handler answer 404.
  using Handler = std::function<void(SoupServerMessage* message, const ReceivedRequest& request)>;

  // Listens on 127.0.0.1 (IPv4 only) on a port chosen by the OS; throws std::runtime_error
  // when it cannot.
  OriginServer();
  ~OriginServer();
  OriginServer(const OriginServer&) = delete;
  OriginServer& operator=(const OriginServer&) = delete;

  int port() const { return port_; }
  // "http://127.0.0.1:<port>" followed by `path_and_query` (which starts with '/').
  std::string Url(std::string_view path_and_query) const;
  // The same path on another host name that reaches this machine ("wap.localhost").
  std::string UrlOnHost(std::string_view host, std::string_view path_and_query) const;

  // Serves exactly `path` with `handler` (replacing an earlier one).
  void Handle(const std::string& path, Handler handler);

  // Every request received, oldest first, and how many were for `path`.
  const std::vector<ReceivedRequest>& requests() const { return requests_; }
  std::size_t RequestCount(std::string_view path) const;

 private:
  static void OnRequest(SoupServer* server, SoupServerMessage* message, const char* path,
                        GHashTable* query, gpointer self);

  SoupServer* server_ = nullptr;  // owned
  int port_ = 0;
  std::map<std::string, Handler> handlers_;
  std::vector<ReceivedRequest> requests_;
};

// Answers with `status`, `content_type` and `body` (Content-Length set).
void Respond(SoupServerMessage* message, unsigned status, std::string_view content_type,
             std::string_view body);
// Answers with a redirect to `location`, with a short HTML body.
void Redirect(SoupServerMessage* message, unsigned status, std::string_view location);

// How StreamBody writes: pieces of `chunk_bytes` until `total_bytes` have been queued, one
// piece at a time after each piece is written, or one piece every `interval` when it is not
// zero. The stream also stops when the client goes away.
struct BodyStream {
  std::size_t chunk_bytes = 64 * 1024;
  std::uint64_t total_bytes = std::uint64_t{1} << 30;
  std::chrono::milliseconds interval{0};
};

// Answers 200 with a chunked text/plain body written as `stream` says. The returned counter
// holds the bytes written to the connection so far; it outlives the message.
std::shared_ptr<std::uint64_t> StreamBody(SoupServerMessage* message, BodyStream stream);

// A port on 127.0.0.1 whose socket listens but is never accepted from: connections complete
// in the kernel and requests are sent, but no byte ever comes back.
class SilentServer {
 public:
  SilentServer();  // throws std::runtime_error when it cannot listen
  ~SilentServer();
  SilentServer(const SilentServer&) = delete;
  SilentServer& operator=(const SilentServer&) = delete;
  int port() const { return port_; }

 private:
  GSocket* socket_ = nullptr;  // owned
  int port_ = 0;
};

// A port on 127.0.0.1 that refuses connections: its socket is bound (so no one else takes the
// port while the object lives) but does not listen.
class ClosedPort {
 public:
  ClosedPort();  // throws std::runtime_error when it cannot bind
  ~ClosedPort();
  ClosedPort(const ClosedPort&) = delete;
  ClosedPort& operator=(const ClosedPort&) = delete;
  int port() const { return port_; }

 private:
  GSocket* socket_ = nullptr;  // owned
  int port_ = 0;
};

// `data` compressed in the gzip format.
std::string GzipCompress(std::string_view data);
// `data` compressed in `format`: G_ZLIB_COMPRESSOR_FORMAT_ZLIB (RFC 1950, what "deflate"
// means) or G_ZLIB_COMPRESSOR_FORMAT_RAW (RFC 1951, what many servers sent as "deflate").
std::string ZlibCompress(std::string_view data, GZlibCompressorFormat format);

}  // namespace tovarin::gateway::test
