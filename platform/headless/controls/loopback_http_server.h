#pragma once
// LoopbackHttpServer: a small HTTP/1.1 server on 127.0.0.1 with an ephemeral port, for tests.
// It answers GET requests from a table of paths (unknown paths get 404), one connection at a
// time on its own thread, and closes every connection after the response.
//
// A response can be delayed, can announce a Content-Length different from what it sends, can
// stream a large generated body without holding it in memory, can use chunked coding, or can
// close the connection without answering. The server stops by itself after its lifetime or
// kMaxConnections connections, and at destruction (which waits for the thread; delays and
// transfers in progress are cut short).

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/host/control_host.h"
#include "platform/result.h"

namespace tovarin::platform::headless {

struct LoopbackResponse {
  int status = 200;
  std::string reason = "OK";
  Bytes body;
  std::vector<std::pair<std::string, std::string>> headers;  // extra headers
  std::chrono::milliseconds delay{0};                        // wait before sending anything
  std::optional<std::uint64_t> declared_length;  // Content-Length sent (default: the real size)
  std::uint64_t filler_bytes = 0;                // this many bytes of 'x' follow the body
  bool chunked = false;                          // chunked coding instead of Content-Length
  bool close_without_response = false;           // read the request, then just close
};

class LoopbackHttpServer {
 public:
  static constexpr int kMaxConnections = 1000;

  static Result<std::unique_ptr<LoopbackHttpServer>> Start(
      std::chrono::milliseconds lifetime = std::chrono::seconds(60));
  ~LoopbackHttpServer();
  LoopbackHttpServer(const LoopbackHttpServer&) = delete;
  LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

  // Serves `response` for GET `path` (path and query as requested, e.g. "/a.gif").
  void Serve(const std::string& path, LoopbackResponse response);
  void Serve(const std::string& path, Bytes body) {
    LoopbackResponse response;
    response.body = std::move(body);
    Serve(path, std::move(response));
  }

  std::uint16_t Port() const { return port_; }
  std::string Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
  }
  std::vector<std::string> RequestedPaths() const;

  void Stop();

 private:
  LoopbackHttpServer(int listen_fd, std::uint16_t port, std::chrono::milliseconds lifetime);
  void Run(std::chrono::steady_clock::time_point deadline);
  void Handle(int fd);
  bool SendAll(int fd, const char* data, std::size_t size);
  bool Sleep(std::chrono::milliseconds duration);  // false when stopped meanwhile

  int listen_fd_;
  std::uint16_t port_;
  mutable std::mutex mutex_;
  std::condition_variable stop_signal_;
  std::atomic<bool> stopping_{false};
  std::map<std::string, LoopbackResponse> responses_;
  std::vector<std::string> requested_;
  std::thread thread_;
};

}  // namespace tovarin::platform::headless
