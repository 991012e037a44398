#include "tests/e2e/e2e_support.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

extern char** environ;

namespace tovarin::e2e {

bool EnterPrivateNetwork(std::string& reason) {
  if (unshare(CLONE_NEWNET | CLONE_NEWNS) != 0) {
    reason = std::string("unshare(CLONE_NEWNET | CLONE_NEWNS): ") + std::strerror(errno);
    return false;
  }
  // A folder of X sockets of our own: other runs on the machine can neither clean our
  // displays' sockets away nor put theirs where our clients look.
  mkdir("/tmp/.X11-unix", 01777);  // a fresh machine may have had no X server yet
  if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
      mount("tmpfs", "/tmp/.X11-unix", "tmpfs", 0, "mode=1777") != 0) {
    reason = std::string("private X socket folder: ") + std::strerror(errno);
    return false;
  }
  const int fd = socket(AF_INET, SOCK_DGRAM, 0);
  ifreq request{};
  std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
  bool up = fd >= 0 && ioctl(fd, SIOCGIFFLAGS, &request) == 0;
  if (up) {
    request.ifr_flags = static_cast<short>(request.ifr_flags | IFF_UP | IFF_RUNNING);
    up = ioctl(fd, SIOCSIFFLAGS, &request) == 0;
  }
  if (fd >= 0) close(fd);
  if (!up) reason = std::string("loopback cannot be brought up: ") + std::strerror(errno);
  return up;
}

namespace {
// Every test of the binary runs inside the private network, entered once before the first.
class NetworkEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    std::string reason;
    if (!EnterPrivateNetwork(reason)) {
      std::fprintf(stderr, "e2e: no private network namespace (%s); using the shared loopback\n",
                   reason.c_str());
    }
  }
};
const auto* const kNetwork = ::testing::AddGlobalTestEnvironment(new NetworkEnvironment);
}  // namespace

// --- Page server

PageServer::PageServer(int port) {
  listen_fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const int yes = 1;
  setsockopt(listen_fd_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (bind(listen_fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listen_fd_, 64) != 0) {
    close(listen_fd_);
    listen_fd_ = -1;
    return;
  }
  thread_ = std::thread([this] { Serve(); });
}

PageServer::~PageServer() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  if (thread_.joinable()) thread_.join();
  if (listen_fd_ >= 0) close(listen_fd_);
}

void PageServer::SetHandler(Handler handler) {
  std::lock_guard lock(mutex_);
  handler_ = std::move(handler);
}

std::vector<std::string> PageServer::Requests() {
  std::lock_guard lock(mutex_);
  return requests_;
}

std::vector<ReceivedRequest> PageServer::Received() {
  std::lock_guard lock(mutex_);
  return received_;
}

bool PageServer::Requested(const std::string& path_prefix) {
  for (const std::string& request : Requests()) {
    if (request.rfind(path_prefix, 0) == 0) return true;
  }
  return false;
}

void PageServer::Serve() {
  for (;;) {
    {
      std::lock_guard lock(mutex_);
      if (stop_) return;
    }
    pollfd waiting{listen_fd_, POLLIN, 0};
    if (poll(&waiting, 1, 100) <= 0) continue;
    const int fd = accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    Answer(fd);
    close(fd);
  }
}

namespace {
bool SendAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t sent = send(fd, data, size, MSG_NOSIGNAL);
    if (sent <= 0) return false;
    data += sent;
    size -= static_cast<std::size_t>(sent);
  }
  return true;
}
}  // namespace

namespace {
// The Content-Length of a request head (lower-case search: header names are case-blind), or 0.
std::size_t ContentLength(const std::string& head) {
  std::string lower = head;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const std::size_t at = lower.find("\r\ncontent-length:");
  if (at == std::string::npos) return 0;
  return static_cast<std::size_t>(std::strtoull(head.c_str() + at + 17, nullptr, 10));
}
constexpr std::size_t kMaxRecordedBody = 1u << 20;
}  // namespace

void PageServer::Answer(int fd) {
  std::string request;
  char buffer[4096];
  auto read_more = [&] {
    pollfd readable{fd, POLLIN, 0};
    if (poll(&readable, 1, 5000) <= 0) return false;
    const ssize_t got = recv(fd, buffer, sizeof buffer, 0);
    if (got <= 0) return false;
    request.append(buffer, static_cast<std::size_t>(got));
    return true;
  };
  while (request.find("\r\n\r\n") == std::string::npos && request.size() < 256 * 1024) {
    if (!read_more()) return;
  }
  const std::size_t head_end = request.find("\r\n\r\n");
  if (head_end == std::string::npos) return;
  const std::size_t body_length =
      std::min(ContentLength(request.substr(0, head_end + 2)), kMaxRecordedBody);
  while (request.size() < head_end + 4 + body_length) {
    if (!read_more()) return;
  }
  const std::size_t first_space = request.find(' ');
  const std::size_t second_space = request.find(' ', first_space + 1);
  if (first_space == std::string::npos || second_space == std::string::npos) return;
  const std::string target = request.substr(first_space + 1, second_space - first_space - 1);
  Handler handler;
  {
    std::lock_guard lock(mutex_);
    requests_.push_back(target);
    received_.push_back(
        {request.substr(0, first_space), target, request.substr(head_end + 4, body_length)});
    handler = handler_;
  }
  PageResponse response;
  if (handler) {
    response = handler(target);
  } else {
    response.status = 404;
  }
  std::ostringstream head;
  head << "HTTP/1.1 " << response.status << " X\r\nContent-Type: " << response.content_type
       << "\r\nContent-Length: " << response.body.size() + response.generated_bytes
       << "\r\nConnection: close\r\n";
  for (const auto& [name, value] : response.headers) head << name << ": " << value << "\r\n";
  head << "\r\n";
  const std::string header = head.str();
  if (!SendAll(fd, header.data(), header.size()) ||
      !SendAll(fd, response.body.data(), response.body.size()))
    return;
  const std::string filler(64 * 1024, 'x');
  for (std::size_t left = response.generated_bytes; left > 0;) {
    const std::size_t part = std::min(left, filler.size());
    if (!SendAll(fd, filler.data(), part)) return;
    left -= part;
  }
}

// --- Processes

namespace {

std::vector<char*> Pointers(std::vector<std::string>& strings) {
  std::vector<char*> pointers;
  for (std::string& s : strings) pointers.push_back(s.data());
  pointers.push_back(nullptr);
  return pointers;
}

pid_t SpawnWith(const std::vector<std::string>& args, const std::vector<std::string>& extra_env,
                int stdout_fd, int stderr_fd) {
  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry = *e;
    bool replaced = false;
    for (const std::string& extra : extra_env) {
      if (entry.substr(0, entry.find('=') + 1) == extra.substr(0, extra.find('=') + 1))
        replaced = true;
    }
    if (!replaced) env.push_back(entry);
  }
  env.insert(env.end(), extra_env.begin(), extra_env.end());
  std::vector<std::string> argv = args;
  auto argv_pointers = Pointers(argv);
  auto env_pointers = Pointers(env);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  if (stdout_fd >= 0) posix_spawn_file_actions_adddup2(&actions, stdout_fd, 1);
  if (stderr_fd >= 0) posix_spawn_file_actions_adddup2(&actions, stderr_fd, 2);
  pid_t pid = -1;
  if (posix_spawnp(&pid, argv_pointers[0], &actions, nullptr, argv_pointers.data(),
                   env_pointers.data()) != 0)
    pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

}  // namespace

std::optional<WindowInfo> XSession::WaitForNewWindow(pid_t pid,
                                                     const std::vector<WindowInfo>& known,
                                                     std::chrono::milliseconds timeout) {
  std::optional<WindowInfo> found;
  WaitUntil(
      [&] {
        for (const WindowInfo& window : VisibleWindows(pid)) {
          bool seen = false;
          for (const WindowInfo& old : known) seen = seen || old.id == window.id;
          if (!seen) found = window;
        }
        return found.has_value();
      },
      timeout);
  return found;
}

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (condition()) return true;
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(100ms);
  }
}

std::optional<int> WaitForExit(pid_t pid, std::chrono::milliseconds timeout) {
  std::optional<int> result;
  WaitUntil(
      [&] {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) != pid) return false;
        result = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return true;
      },
      timeout);
  return result;
}

void StopProcess(pid_t pid) {
  if (pid <= 0) return;
  kill(pid, SIGTERM);
  if (!WaitForExit(pid, 10s)) {
    kill(pid, SIGKILL);
    WaitForExit(pid, 10s);
  }
}

bool Alive(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  if (!std::getline(stat, line)) return false;
  const std::size_t paren = line.rfind(')');
  return paren != std::string::npos && paren + 2 < line.size() && line[paren + 2] != 'Z';
}

std::vector<pid_t> Descendants(pid_t root) {
  std::map<pid_t, pid_t> parent;
  DIR* proc = opendir("/proc");
  if (proc == nullptr) return {};
  while (dirent* entry = readdir(proc)) {
    const pid_t pid = static_cast<pid_t>(std::atoi(entry->d_name));
    if (pid <= 0) continue;
    std::ifstream stat(std::string("/proc/") + entry->d_name + "/stat");
    std::string line;
    if (!std::getline(stat, line)) continue;
    const std::size_t paren = line.rfind(')');
    if (paren == std::string::npos) continue;
    std::istringstream rest(line.substr(paren + 2));
    char state;
    pid_t ppid;
    rest >> state >> ppid;
    parent[pid] = ppid;
  }
  closedir(proc);
  std::vector<pid_t> found;
  for (const auto& [pid, ppid] : parent) {
    for (pid_t up = ppid; up > 1; up = parent.count(up) ? parent[up] : 0) {
      if (up == root) {
        found.push_back(pid);
        break;
      }
    }
  }
  return found;
}

// --- X session

XSession::XSession(bool with_tray) {
  char pattern[] = "/tmp/tovarin-e2e-XXXXXX";
  if (mkdtemp(pattern) == nullptr) return;
  folder_ = pattern;
  std::filesystem::create_directories(folder_ + "/runtime");
  std::filesystem::create_directories(folder_ + "/home");
  chmod((folder_ + "/runtime").c_str(), 0700);
  int pipe_fds[2];
  if (pipe(pipe_fds) != 0) return;
  // Xvfb picks a free display number and writes it to the pipe.
  const int log =
      open((folder_ + "/xvfb.log").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  xvfb_ = fork();
  if (xvfb_ == 0) {
    dup2(pipe_fds[1], 3);
    dup2(log, 2);
    const int null_in = open("/dev/null", O_RDONLY);
    dup2(null_in, 0);
    // -noreset: without it the server resets whenever its last client leaves, and a client
    // connecting during that reset (the program starting while a test's xdotool just quit)
    // is refused with "cannot open display".
    execlp("Xvfb", "Xvfb", "-displayfd", "3", "-screen", "0", "1024x768x24", "-nolisten", "tcp",
           "-noreset", nullptr);
    _exit(127);
  }
  close(pipe_fds[1]);
  close(log);
  std::string number;
  pollfd readable{pipe_fds[0], POLLIN, 0};
  while (poll(&readable, 1, 30000) > 0) {
    char c;
    if (read(pipe_fds[0], &c, 1) != 1 || c == '\n') break;
    number += c;
  }
  close(pipe_fds[0]);
  if (number.empty()) return;
  display_ = std::atoi(number.c_str());
  if (with_tray) {
    trayer_ = Start({"trayer", "--edge", "top", "--align", "right", "--widthtype", "pixel",
                     "--width", "100", "--heighttype", "pixel", "--height", "24"},
                    folder_ + "/trayer.log");
    WaitUntil(
        [&] {
          return !Run({"xdotool", "search", "--onlyvisible", "--name", "^panel$"}).empty();
        },
        30s);
  }
}

XSession::~XSession() {
  StopProcess(trayer_);
  StopProcess(xvfb_);
  if (!folder_.empty() && std::getenv("TOVARIN_E2E_KEEP") == nullptr) {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }
}

bool XSession::Responsive() {
  int status = -1;
  Run({"xdotool", "getmouselocation"}, &status, 10s);
  return status == 0;
}

std::string XSession::Run(const std::vector<std::string>& args, int* status,
                          std::chrono::milliseconds timeout) {
  int out[2];
  if (pipe(out) != 0) return {};
  const int null_err = open("/dev/null", O_WRONLY | O_CLOEXEC);
  const pid_t pid = SpawnWith(args, {"DISPLAY=" + Display()}, out[1], null_err);
  close(out[1]);
  close(null_err);
  // A tool that hangs (an X server that stops answering) is killed after `timeout`, so a test
  // fails instead of waiting for ever.
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  std::string output;
  char buffer[65536];
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    pollfd readable{out[0], POLLIN, 0};
    if (left.count() <= 0 || poll(&readable, 1, static_cast<int>(left.count())) <= 0) {
      if (pid > 0) kill(pid, SIGKILL);
      break;
    }
    const ssize_t got = read(out[0], buffer, sizeof buffer);
    if (got <= 0) break;
    output.append(buffer, static_cast<std::size_t>(got));
  }
  close(out[0]);
  int wait_status = 0;
  if (pid > 0) waitpid(pid, &wait_status, 0);
  if (status != nullptr)
    *status = pid > 0 && WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : -1;
  return output;
}

pid_t XSession::Start(const std::vector<std::string>& args, const std::string& log_path,
                      const std::vector<std::string>& extra_env) {
  const int log = open(log_path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  std::vector<std::string> env = {"DISPLAY=" + Display(), "XDG_RUNTIME_DIR=" + RuntimeFolder(),
                                  "HOME=" + folder_ + "/home", "NO_AT_BRIDGE=1"};
  env.insert(env.end(), extra_env.begin(), extra_env.end());
  const pid_t pid = SpawnWith(args, env, log, log);
  close(log);
  return pid;
}

std::vector<WindowInfo> XSession::VisibleWindows(pid_t pid) {
  std::vector<WindowInfo> windows;
  std::istringstream ids(Run({"xdotool", "search", "--onlyvisible", "--pid", std::to_string(pid)}));
  std::string id;
  while (ids >> id) {
    WindowInfo info;
    info.id = id;
    std::istringstream shell(Run({"xdotool", "getwindowgeometry", "--shell", id}));
    std::string line;
    bool known = false;
    while (std::getline(shell, line)) {
      const auto equals = line.find('=');
      if (equals == std::string::npos) continue;
      const std::string key = line.substr(0, equals);
      const int value = std::atoi(line.c_str() + equals + 1);
      if (key == "X") info.x = value;
      if (key == "Y") info.y = value;
      if (key == "WIDTH") info.width = value;
      if (key == "HEIGHT") info.height = value;
      known = true;
    }
    if (!known) continue;  // gone meanwhile
    info.name = Run({"xdotool", "getwindowname", id});
    while (!info.name.empty() && info.name.back() == '\n') info.name.pop_back();
    // GTK's off-screen helper windows are not windows a user sees.
    if (info.x + info.width <= 0 || info.y + info.height <= 0 || info.width <= 10) continue;
    windows.push_back(info);
  }
  return windows;
}

std::optional<WindowInfo> XSession::WindowNamed(pid_t pid, const std::string& name) {
  for (const WindowInfo& window : VisibleWindows(pid)) {
    if (window.name == name) return window;
  }
  return std::nullopt;
}

std::array<int, 3> Screenshot::At(int x, int y) const {
  if (x < 0 || y < 0 || x >= width || y >= height) return {-1, -1, -1};
  const std::size_t at = (static_cast<std::size_t>(y) * width + x) * 3;
  return {rgb[at], rgb[at + 1], rgb[at + 2]};
}

Screenshot XSession::Shoot(const std::string& window) {
  const std::string ppm = Run({"import", "-silent", "-window", window, "-depth", "8", "ppm:-"});
  Screenshot shot;
  std::istringstream in(ppm);
  std::string magic;
  int max_value = 0;
  in >> magic >> shot.width >> shot.height >> max_value;
  in.get();
  if (magic != "P6" || shot.width <= 0 || shot.height <= 0 || max_value != 255) return Screenshot{};
  shot.rgb.resize(static_cast<std::size_t>(shot.width) * static_cast<std::size_t>(shot.height) * 3);
  in.read(reinterpret_cast<char*>(shot.rgb.data()), static_cast<std::streamsize>(shot.rgb.size()));
  if (!in) return Screenshot{};
  return shot;
}

void XSession::Click(int x, int y, int button) {
  Run({"xdotool", "mousemove", std::to_string(x), std::to_string(y), "click",
       std::to_string(button)});
}

void XSession::Key(const std::string& keys) { Run({"xdotool", "key", keys}); }

void XSession::Type(const std::string& text) { Run({"xdotool", "type", "--delay", "20", text}); }

}  // namespace tovarin::e2e
