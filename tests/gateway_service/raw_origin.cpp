#include "tests/gateway_service/raw_origin.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <stdexcept>

namespace tovarin::gateway::test {
namespace {

// How often the accepting thread looks whether the origin is being destroyed.
constexpr int kPollMilliseconds = 20;
// A request head larger than this is not one the tests send.
constexpr std::size_t kMaxHeadBytes = 64 * 1024;

// Waits until `fd` is readable; false when the origin stops first.
bool WaitReadable(int fd, const std::atomic<bool>& stopping) {
  while (!stopping) {
    pollfd poll_fd{fd, POLLIN, 0};
    const int ready = poll(&poll_fd, 1, kPollMilliseconds);
    if (ready > 0) return true;
    if (ready < 0 && errno != EINTR) return false;
  }
  return false;
}

void SendAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t sent = send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (sent <= 0) return;  // the client went away
    bytes.remove_prefix(static_cast<std::size_t>(sent));
  }
}

std::size_t ContentLength(const std::string& head) {
  std::size_t start = 0;
  while (start < head.size()) {
    const std::size_t end = head.find("\r\n", start);
    const std::string line = head.substr(start, end - start);
    constexpr std::string_view kName = "content-length:";
    if (line.size() > kName.size() &&
        std::equal(kName.begin(), kName.end(), line.begin(), [](char a, char b) {
          return a == std::tolower(static_cast<unsigned char>(b));
        })) {
      return std::strtoul(line.c_str() + kName.size(), nullptr, 10);
    }
    if (end == std::string::npos) break;
    start = end + 2;
  }
  return 0;
}

}  // namespace

RawOrigin::RawOrigin() {
  listener_ = socket(AF_INET, SOCK_STREAM, 0);
  if (listener_ < 0) throw std::runtime_error("raw origin: socket");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
      listen(listener_, 16) != 0 ||
      getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    close(listener_);
    throw std::runtime_error("raw origin: bind/listen");
  }
  port_ = ntohs(address.sin_port);
  thread_ = std::thread([this] { Run(); });
}

RawOrigin::~RawOrigin() {
  stopping_ = true;
  thread_.join();
  for (int fd : stalled_) close(fd);
  close(listener_);
}

std::string RawOrigin::Url(std::string_view path_and_query) const {
  return "http://127.0.0.1:" + std::to_string(port_) + std::string(path_and_query);
}

void RawOrigin::Serve(const std::string& target, std::string bytes, End end) {
  const std::lock_guard lock(mutex_);
  replies_[target] = Reply{std::move(bytes), end};
}

std::vector<RawRequest> RawOrigin::requests() const {
  const std::lock_guard lock(mutex_);
  return requests_;
}

void RawOrigin::Run() {
  while (WaitReadable(listener_, stopping_)) {
    const int connection = accept(listener_, nullptr, nullptr);
    if (connection >= 0) Answer(connection);
  }
}

// Reads one request, records it and writes its reply.
void RawOrigin::Answer(int connection) {
  std::string received;
  std::size_t head_end = std::string::npos;
  std::size_t wanted = 0;
  char buffer[4096];
  while (head_end == std::string::npos || received.size() < head_end + 4 + wanted) {
    if (received.size() > kMaxHeadBytes + wanted || !WaitReadable(connection, stopping_)) break;
    const ssize_t got = recv(connection, buffer, sizeof buffer, 0);
    if (got <= 0) break;
    received.append(buffer, static_cast<std::size_t>(got));
    if (head_end == std::string::npos) {
      head_end = received.find("\r\n\r\n");
      if (head_end != std::string::npos) wanted = ContentLength(received.substr(0, head_end));
    }
  }
  if (head_end == std::string::npos) {
    close(connection);
    return;
  }
  RawRequest request;
  const std::size_t line_end = received.find("\r\n");
  const std::string line = received.substr(0, line_end);
  const std::size_t space = line.find(' ');
  request.method = line.substr(0, space);
  request.target = line.substr(space + 1, line.rfind(' ') - space - 1);
  request.head = received.substr(line_end + 2, head_end + 2 - (line_end + 2));
  request.body = received.substr(head_end + 4);
  Reply reply{"HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n",
              End::kClose};
  {
    const std::lock_guard lock(mutex_);
    const auto found = replies_.find(request.target);
    if (found != replies_.end()) reply = found->second;
    requests_.push_back(std::move(request));
  }
  SendAll(connection, reply.bytes);
  if (reply.end == End::kStall) {
    const std::lock_guard lock(mutex_);
    stalled_.push_back(connection);
    return;
  }
  shutdown(connection, SHUT_WR);
  close(connection);
}

std::string RawResponse(std::string_view status_line, std::string_view headers,
                        std::string_view body) {
  return "HTTP/1.1 " + std::string(status_line) + "\r\n" + std::string(headers) +
         "Connection: close\r\n\r\n" + std::string(body);
}

}  // namespace tovarin::gateway::test
