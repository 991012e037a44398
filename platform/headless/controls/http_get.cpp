#include "platform/headless/controls/http_get.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <memory>
#include <optional>

namespace tovarin::platform::headless {
namespace {

using Clock = std::chrono::steady_clock;

std::string Lower(std::string_view s) {
  std::string out(s);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return out;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

// A connected socket, closed on destruction.
class Socket {
 public:
  explicit Socket(int fd) : fd_(fd) {}
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;
  ~Socket() {
    if (fd_ >= 0) ::close(fd_);
  }
  int fd() const { return fd_; }

 private:
  int fd_;
};

// Waits for `events` on the socket until the deadline; false on timeout.
Status WaitFor(int fd, short events, Clock::time_point deadline) {
  while (true) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return Error{"timed out"};
    pollfd p{fd, events, 0};
    const int r = ::poll(&p, 1, static_cast<int>(std::min<long long>(left, 1 << 30)));
    if (r > 0) return {};
    if (r < 0 && errno != EINTR) return Error{std::string("poll failed: ") + std::strerror(errno)};
  }
}

Result<std::unique_ptr<Socket>> Connect(const HttpUrl& url, Clock::time_point deadline) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(url.port);
  const std::string host = Lower(url.host) == "localhost" ? "127.0.0.1" : url.host;
  if (::inet_pton(AF_INET, host.c_str(), &address.sin_addr) != 1) {
    return Error{"cannot resolve host \"" + url.host + "\" (only IPv4 addresses and localhost)"};
  }
  auto socket =
      std::make_unique<Socket>(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
  if (socket->fd() < 0)
    return Error{std::string("cannot create a socket: ") + std::strerror(errno)};
  if (::connect(socket->fd(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    if (errno != EINPROGRESS)
      return Error{"cannot connect to " + url.host + ": " + std::strerror(errno)};
    if (Status s = WaitFor(socket->fd(), POLLOUT, deadline); !s.ok())
      return Error{"connect: " + s.error()};
    int error = 0;
    socklen_t length = sizeof error;
    ::getsockopt(socket->fd(), SOL_SOCKET, SO_ERROR, &error, &length);
    if (error != 0)
      return Error{"cannot connect to " + url.host + ":" + std::to_string(url.port) + ": " +
                   std::strerror(error)};
  }
  return socket;
}

Status SendAll(int fd, std::string_view data, Clock::time_point deadline) {
  while (!data.empty()) {
    const ssize_t n = ::send(fd, data.data(), data.size(), MSG_NOSIGNAL);
    if (n > 0) {
      data.remove_prefix(static_cast<std::size_t>(n));
      continue;
    }
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
      if (Status s = WaitFor(fd, POLLOUT, deadline); !s.ok())
        return Error{"sending the request " + s.error()};
      continue;
    }
    return Error{std::string("cannot send the request: ") + std::strerror(errno)};
  }
  return {};
}

// Buffered reading from the socket with the deadline.
class Reader {
 public:
  Reader(int fd, Clock::time_point deadline) : fd_(fd), deadline_(deadline) {}

  // Reads more into the buffer; false at the end of the stream.
  Result<bool> Fill() {
    char chunk[16384];
    while (true) {
      const ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
      if (n > 0) {
        buffer_.append(chunk, static_cast<std::size_t>(n));
        return true;
      }
      if (n == 0) return false;
      if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
        if (Status s = WaitFor(fd_, POLLIN, deadline_); !s.ok())
          return Error{"reading the response " + s.error()};
        continue;
      }
      return Error{std::string("cannot read the response: ") + std::strerror(errno)};
    }
  }

  // One line without its CRLF; fails past `limit` bytes.
  Result<std::string> Line(std::size_t limit) {
    while (true) {
      const std::size_t end = buffer_.find("\r\n", pos_);
      if (end != std::string::npos) {
        std::string line = buffer_.substr(pos_, end - pos_);
        pos_ = end + 2;
        Compact();
        return line;
      }
      if (buffer_.size() - pos_ > limit) return Error{"response line too long"};
      auto more = Fill();
      if (!more.ok()) return Error{more.error()};
      if (!*more) return Error{"connection closed in the middle of the response headers"};
    }
  }

  // Appends exactly `count` bytes to `out`.
  Status Exact(std::uint64_t count, Bytes& out) {
    while (count > 0) {
      if (pos_ == buffer_.size()) {
        auto more = Fill();
        if (!more.ok()) return Error{more.error()};
        if (!*more) return Error{"connection closed before the body was complete"};
      }
      const std::size_t take =
          static_cast<std::size_t>(std::min<std::uint64_t>(count, buffer_.size() - pos_));
      out.insert(out.end(), buffer_.begin() + static_cast<std::ptrdiff_t>(pos_),
                 buffer_.begin() + static_cast<std::ptrdiff_t>(pos_ + take));
      pos_ += take;
      count -= take;
      Compact();
    }
    return {};
  }

  // Appends everything up to the end of the stream; fails past `limit` bytes in `out`.
  Status ToEnd(std::uint64_t limit, Bytes& out) {
    while (true) {
      out.insert(out.end(), buffer_.begin() + static_cast<std::ptrdiff_t>(pos_), buffer_.end());
      buffer_.clear();
      pos_ = 0;
      if (out.size() > limit)
        return Error{"response body exceeds the limit of " + std::to_string(limit) + " bytes"};
      auto more = Fill();
      if (!more.ok()) return Error{more.error()};
      if (!*more) return {};
    }
  }

 private:
  void Compact() {
    if (pos_ > 65536) {
      buffer_.erase(0, pos_);
      pos_ = 0;
    }
  }
  int fd_;
  Clock::time_point deadline_;
  std::string buffer_;
  std::size_t pos_ = 0;
};

struct Head {
  int status = 0;
  std::string reason;
  std::optional<std::uint64_t> content_length;
  bool chunked = false;
  std::string location;
};

Result<Head> ReadHead(Reader& reader) {
  auto status_line = reader.Line(kMaxHeaderBytes);
  if (!status_line.ok()) return Error{status_line.error()};
  // "HTTP/1.1 200 OK"
  const std::string& line = *status_line;
  if (line.rfind("HTTP/1.", 0) != 0 || line.size() < 12 || line[8] != ' ') {
    return Error{"not an HTTP response: \"" + line.substr(0, 40) + "\""};
  }
  Head head;
  const auto parsed = std::from_chars(line.data() + 9, line.data() + 12, head.status);
  if (parsed.ec != std::errc() || parsed.ptr != line.data() + 12 || head.status < 100) {
    return Error{"bad HTTP status line: \"" + line.substr(0, 40) + "\""};
  }
  head.reason = std::string(Trim(std::string_view(line).substr(12)));
  std::size_t header_bytes = line.size();
  while (true) {
    auto header = reader.Line(kMaxHeaderBytes);
    if (!header.ok()) return Error{header.error()};
    if (header->empty()) break;
    header_bytes += header->size() + 2;
    if (header_bytes > kMaxHeaderBytes)
      return Error{"response headers exceed " + std::to_string(kMaxHeaderBytes) + " bytes"};
    const std::size_t colon = header->find(':');
    if (colon == std::string::npos) return Error{"malformed response header"};
    const std::string name = Lower(Trim(std::string_view(*header).substr(0, colon)));
    const std::string_view value = Trim(std::string_view(*header).substr(colon + 1));
    if (name == "content-length") {
      std::uint64_t length = 0;
      const auto r = std::from_chars(value.data(), value.data() + value.size(), length);
      if (r.ec != std::errc() || r.ptr != value.data() + value.size())
        return Error{"bad Content-Length"};
      head.content_length = length;
    } else if (name == "transfer-encoding") {
      head.chunked = Lower(value).find("chunked") != std::string::npos;
    } else if (name == "location") {
      head.location = std::string(value);
    }
  }
  return head;
}

Status ReadChunked(Reader& reader, std::uint64_t limit, Bytes& body) {
  while (true) {
    auto size_line = reader.Line(1024);
    if (!size_line.ok()) return Error{size_line.error()};
    std::uint64_t size = 0;
    const std::string& s = *size_line;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), size, 16);
    if (r.ec != std::errc() || (r.ptr != s.data() + s.size() && *r.ptr != ';' && *r.ptr != ' ')) {
      return Error{"bad chunk size"};
    }
    if (size == 0) break;
    if (size > limit || body.size() + size > limit) {
      return Error{"response body exceeds the limit of " + std::to_string(limit) + " bytes"};
    }
    if (Status st = reader.Exact(size, body); !st.ok()) return st;
    auto end = reader.Line(2);
    if (!end.ok() || !end->empty()) return Error{"malformed chunk"};
  }
  // Trailer fields up to the empty line.
  while (true) {
    auto trailer = reader.Line(kMaxHeaderBytes);
    if (!trailer.ok()) return Error{trailer.error()};
    if (trailer->empty()) return {};
  }
}

Result<HttpResponse> GetOnce(const HttpUrl& url, const HttpGetOptions& options,
                             Clock::time_point deadline, std::string& location) {
  auto socket = Connect(url, deadline);
  if (!socket.ok()) return Error{socket.error()};
  const int fd = (*socket)->fd();
  const std::string request = "GET " + url.target + " HTTP/1.1\r\nHost: " + url.host + ":" +
                              std::to_string(url.port) +
                              "\r\nUser-Agent: Tovarin\r\nAccept: */*\r\nConnection: close\r\n\r\n";
  if (Status s = SendAll(fd, request, deadline); !s.ok()) return Error{s.error()};
  Reader reader(fd, deadline);
  auto head = ReadHead(reader);
  if (!head.ok()) return Error{head.error()};
  HttpResponse response;
  response.status = head->status;
  response.reason = head->reason;
  response.declared_length = head->content_length.value_or(0);
  if (head->status >= 300 && head->status < 400 && !head->location.empty()) {
    location = head->location;
    return response;
  }
  if (head->status < 200 || head->status >= 300) {
    return Error{"HTTP " + std::to_string(head->status) +
                 (head->reason.empty() ? "" : " " + head->reason)};
  }
  if (head->chunked) {
    if (Status s = ReadChunked(reader, options.max_body_bytes, response.body); !s.ok())
      return Error{s.error()};
  } else if (head->content_length) {
    if (*head->content_length > options.max_body_bytes) {
      return Error{"response body of " + std::to_string(*head->content_length) +
                   " bytes exceeds the limit of " + std::to_string(options.max_body_bytes) +
                   " bytes"};
    }
    response.body.reserve(static_cast<std::size_t>(*head->content_length));
    if (Status s = reader.Exact(*head->content_length, response.body); !s.ok())
      return Error{s.error()};
  } else {
    if (Status s = reader.ToEnd(options.max_body_bytes, response.body); !s.ok())
      return Error{s.error()};
  }
  return response;
}

}  // namespace

Result<HttpUrl> ParseHttpUrl(std::string_view url) {
  constexpr std::string_view kScheme = "http://";
  if (url.size() < kScheme.size() || Lower(url.substr(0, kScheme.size())) != kScheme) {
    return Error{"not an http:// address: \"" + std::string(url) + "\""};
  }
  url.remove_prefix(kScheme.size());
  const std::size_t slash = url.find_first_of("/?#");
  std::string_view authority = url.substr(0, slash);
  std::string target = slash == std::string_view::npos ? "/" : std::string(url.substr(slash));
  if (const std::size_t hash = target.find('#'); hash != std::string::npos) target.erase(hash);
  if (target.empty() || target[0] != '/') target.insert(0, "/");
  if (authority.find('@') != std::string_view::npos)
    return Error{"user names in addresses are not supported"};
  HttpUrl result;
  result.target = std::move(target);
  const std::size_t colon = authority.rfind(':');
  if (colon != std::string_view::npos) {
    const std::string_view port = authority.substr(colon + 1);
    unsigned value = 0;
    const auto r = std::from_chars(port.data(), port.data() + port.size(), value);
    if (port.empty() || r.ec != std::errc() || r.ptr != port.data() + port.size() || value == 0 ||
        value > 65535) {
      return Error{"bad port in \"" + std::string(authority) + "\""};
    }
    result.port = static_cast<std::uint16_t>(value);
    authority = authority.substr(0, colon);
  }
  if (authority.empty()) return Error{"no host in the address"};
  result.host = std::string(authority);
  for (const char c : result.target) {
    if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7F)
      return Error{"address contains spaces or control characters"};
  }
  return result;
}

Result<HttpResponse> HttpGet(std::string_view url, const HttpGetOptions& options) {
  const Clock::time_point deadline = Clock::now() + options.timeout;
  auto parsed = ParseHttpUrl(url);
  if (!parsed.ok()) return Error{parsed.error()};
  HttpUrl current = std::move(parsed).value();
  for (int redirect = 0; redirect <= kMaxRedirects; ++redirect) {
    std::string location;
    auto response = GetOnce(current, options, deadline, location);
    if (!response.ok() || location.empty()) return response;
    if (location[0] == '/') {
      current.target = location;
    } else {
      auto next = ParseHttpUrl(location);
      if (!next.ok()) return Error{"redirect to an unsupported address: " + next.error()};
      current = std::move(next).value();
    }
  }
  return Error{"more than " + std::to_string(kMaxRedirects) + " redirects"};
}

}  // namespace tovarin::platform::headless
