#pragma once
// RawOrigin: a site on 127.0.0.1 that answers with exact bytes, for the server habits libsoup's
// own server will not produce (HTTP/1.0 bodies ended by closing, a Content-Length larger than
// the body, a broken chunked ending, raw bytes in a Location, headers sent twice, a response
// that stalls after its headers). It runs on a thread of its own with blocking sockets, so the
// test's main loop is free for the fetcher. Each connection carries one request: the origin
// reads it (head and a Content-Length body), records it, writes the bytes registered for its
// path (a 404 when none) and then closes the connection or, for a stalling reply, keeps it
// open without writing more until the origin is destroyed.

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace tovarin::gateway::test {

// One request as it arrived.
struct RawRequest {
  std::string method;
  std::string target;  // the request target as sent: path and query
  std::string head;    // every header line, as sent, "\r\n" after each
  std::string body;
};

class RawOrigin {
 public:
  enum class End { kClose, kStall };

  // Listens on 127.0.0.1 on a port the OS chooses; throws std::runtime_error when it cannot.
  RawOrigin();
  // Closes every connection and stops the thread.
  ~RawOrigin();
  RawOrigin(const RawOrigin&) = delete;
  RawOrigin& operator=(const RawOrigin&) = delete;

  int port() const { return port_; }
  // "http://127.0.0.1:<port>" followed by `path_and_query`.
  std::string Url(std::string_view path_and_query) const;

  // Answers requests whose target is exactly `target` with `bytes` (status line, headers and
  // body as written), then ends the connection as `end` says.
  void Serve(const std::string& target, std::string bytes, End end = End::kClose);

  // Every request received so far, oldest first (a copy: the thread keeps adding).
  std::vector<RawRequest> requests() const;

 private:
  struct Reply {
    std::string bytes;
    End end = End::kClose;
  };
  void Run();
  void Answer(int connection);

  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  mutable std::mutex mutex_;  // guards replies_, requests_ and stalled_
  std::map<std::string, Reply> replies_;
  std::vector<RawRequest> requests_;
  std::vector<int> stalled_;  // connections kept open
  std::thread thread_;
};

// A raw HTTP/1.1 response: `status_line` (without "HTTP/1.1 "), `headers` (each line ending
// "\r\n"), "Connection: close", then `body`. No Content-Length is added.
std::string RawResponse(std::string_view status_line, std::string_view headers,
                        std::string_view body);

}  // namespace tovarin::gateway::test
