#include "platform/headless/controls/loopback_http_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace tovarin::platform::headless {
namespace {

constexpr std::size_t kMaxRequestBytes = 16 * 1024;
constexpr int kPollMs = 20;

}  // namespace

Result<std::unique_ptr<LoopbackHttpServer>> LoopbackHttpServer::Start(
    std::chrono::milliseconds lifetime) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return Error{std::string("cannot create a socket: ") + std::strerror(errno)};
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  socklen_t length = sizeof address;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(fd, 16) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    const std::string message = std::strerror(errno);
    ::close(fd);
    return Error{"cannot listen on 127.0.0.1: " + message};
  }
  return std::unique_ptr<LoopbackHttpServer>(
      new LoopbackHttpServer(fd, ntohs(address.sin_port), lifetime));
}

LoopbackHttpServer::LoopbackHttpServer(int listen_fd, std::uint16_t port,
                                       std::chrono::milliseconds lifetime)
    : listen_fd_(listen_fd), port_(port) {
  const auto deadline = std::chrono::steady_clock::now() + lifetime;
  thread_ = std::thread([this, deadline] { Run(deadline); });
}

LoopbackHttpServer::~LoopbackHttpServer() {
  Stop();
  ::close(listen_fd_);
}

void LoopbackHttpServer::Stop() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  stop_signal_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void LoopbackHttpServer::Serve(const std::string& path, LoopbackResponse response) {
  std::lock_guard lock(mutex_);
  responses_[path] = std::move(response);
}

std::vector<std::string> LoopbackHttpServer::RequestedPaths() const {
  std::lock_guard lock(mutex_);
  return requested_;
}

bool LoopbackHttpServer::Sleep(std::chrono::milliseconds duration) {
  std::unique_lock lock(mutex_);
  return !stop_signal_.wait_for(lock, duration, [this] { return stopping_.load(); });
}

void LoopbackHttpServer::Run(std::chrono::steady_clock::time_point deadline) {
  int connections = 0;
  while (!stopping_ && connections < kMaxConnections &&
         std::chrono::steady_clock::now() < deadline) {
    pollfd p{listen_fd_, POLLIN, 0};
    if (::poll(&p, 1, kPollMs) <= 0) continue;
    const int fd = ::accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    ++connections;
    Handle(fd);
    ::close(fd);
  }
}

bool LoopbackHttpServer::SendAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    if (stopping_) return false;
    pollfd p{fd, POLLOUT, 0};
    if (::poll(&p, 1, kPollMs) <= 0) continue;
    const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n < 0) {
      if (errno == EAGAIN || errno == EINTR) continue;
      return false;  // the client went away
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

void LoopbackHttpServer::Handle(int fd) {
  // Read the request head.
  std::string request;
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (request.find("\r\n\r\n") == std::string::npos) {
    if (stopping_ || request.size() > kMaxRequestBytes ||
        std::chrono::steady_clock::now() > give_up)
      return;
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, kPollMs) <= 0) continue;
    char chunk[4096];
    const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
    if (n <= 0) return;
    request.append(chunk, static_cast<std::size_t>(n));
  }
  // "GET /path HTTP/1.1"
  const std::size_t first_space = request.find(' ');
  const std::size_t second_space = request.find(' ', first_space + 1);
  if (first_space == std::string::npos || second_space == std::string::npos) return;
  const std::string method = request.substr(0, first_space);
  const std::string path = request.substr(first_space + 1, second_space - first_space - 1);

  LoopbackResponse response;
  {
    std::lock_guard lock(mutex_);
    requested_.push_back(path);
    const auto it = responses_.find(path);
    if (method != "GET") {
      response.status = 405;
      response.reason = "Method Not Allowed";
    } else if (it == responses_.end()) {
      response.status = 404;
      response.reason = "Not Found";
      const std::string text = "not found";
      response.body.assign(text.begin(), text.end());
    } else {
      response = it->second;
    }
  }
  if (response.delay.count() > 0 && !Sleep(response.delay)) return;
  if (response.close_without_response) return;

  std::string head = "HTTP/1.1 " + std::to_string(response.status) + " " + response.reason + "\r\n";
  const std::uint64_t real_length = response.body.size() + response.filler_bytes;
  if (response.chunked) {
    head += "Transfer-Encoding: chunked\r\n";
  } else {
    head += "Content-Length: " + std::to_string(response.declared_length.value_or(real_length)) +
            "\r\n";
  }
  for (const auto& [name, value] : response.headers) head += name + ": " + value + "\r\n";
  head += "Connection: close\r\n\r\n";
  if (!SendAll(fd, head.data(), head.size())) return;

  const auto send_piece = [&](const char* data, std::size_t size) {
    if (size == 0) return true;
    if (response.chunked) {
      char size_line[32];
      const int n = std::snprintf(size_line, sizeof size_line, "%zx\r\n", size);
      if (!SendAll(fd, size_line, static_cast<std::size_t>(n))) return false;
    }
    if (!SendAll(fd, data, size)) return false;
    return !response.chunked || SendAll(fd, "\r\n", 2);
  };
  if (!send_piece(reinterpret_cast<const char*>(response.body.data()), response.body.size()))
    return;
  const std::string filler(64 * 1024, 'x');
  for (std::uint64_t left = response.filler_bytes; left > 0;) {
    const std::size_t piece =
        static_cast<std::size_t>(std::min<std::uint64_t>(left, filler.size()));
    if (!send_piece(filler.data(), piece)) return;
    left -= piece;
  }
  if (response.chunked) SendAll(fd, "0\r\n\r\n", 5);
  ::shutdown(fd, SHUT_WR);
}

}  // namespace tovarin::platform::headless
