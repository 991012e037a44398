#pragma once
// Support for the end-to-end tests: a private network namespace, a page server on the
// service's loopback port, an X display of its own (Xvfb) with an optional XEmbed tray
// (trayer), the program started in it, and the X tools (xdotool, import) that act as the user
// and look at the screen. Waits poll with generous bounds: the web process is slow to start
// on a busy machine.

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace tovarin::e2e {

using namespace std::chrono_literals;

// Moves the process into a new network namespace with loopback up, and into a new mount
// namespace with a private /tmp/.X11-unix. Returns false (and the reason) when that is not
// allowed; the tests then share the machine's loopback and X socket folder.
bool EnterPrivateNetwork(std::string& reason);

struct PageResponse {
  int status = 200;
  std::string content_type = "text/html; charset=utf-8";
  std::string body;
  std::vector<std::pair<std::string, std::string>> headers;
  std::size_t generated_bytes = 0;  // this many bytes of filler follow the body
};

// A request as the page server received it.
struct ReceivedRequest {
  std::string method;
  std::string target;  // path and query
  std::string body;    // as sent (a Content-Length body of up to 1 MiB)
};

// An HTTP server on 127.0.0.1:port answering every request from the handler, one connection
// at a time, closing each after its response. Every request's path and query is logged, and
// with its method and body in Received().
class PageServer {
 public:
  using Handler = std::function<PageResponse(const std::string& path_and_query)>;
  explicit PageServer(int port);
  ~PageServer();
  bool Listening() const { return listen_fd_ >= 0; }
  void SetHandler(Handler handler);
  std::vector<std::string> Requests();
  std::vector<ReceivedRequest> Received();
  bool Requested(const std::string& path_prefix);

 private:
  void Serve();
  void Answer(int fd);
  int listen_fd_ = -1;
  bool stop_ = false;
  std::mutex mutex_;
  Handler handler_;
  std::vector<std::string> requests_;
  std::vector<ReceivedRequest> received_;
  std::thread thread_;
};

struct WindowInfo {
  std::string id;
  std::string name;
  int x = 0, y = 0, width = 0, height = 0;
};

struct Screenshot {
  int width = 0, height = 0;
  std::vector<unsigned char> rgb;
  // {r, g, b} of one pixel; {-1, -1, -1} outside.
  std::array<int, 3> At(int x, int y) const;
};

// One X session: Xvfb, optionally trayer, and the programs started in it.
class XSession {
 public:
  explicit XSession(bool with_tray);
  ~XSession();
  bool Ready() const { return display_ >= 0; }
  std::string Display() const { return ":" + std::to_string(display_); }

  // Runs a command to its end in this display; returns its standard output. A command still
  // running after `timeout` is killed (its status is then not 0).
  std::string Run(const std::vector<std::string>& args, int* status = nullptr,
                  std::chrono::milliseconds timeout = std::chrono::seconds(60));
  // Whether the X server answers a client within a few seconds.
  bool Responsive();
  // Starts a program in this display with its own runtime and home folders, and `extra_env`
  // ("NAME=value") in its environment.
  pid_t Start(const std::vector<std::string>& args, const std::string& log_path,
              const std::vector<std::string>& extra_env = {});

  std::vector<WindowInfo> VisibleWindows(pid_t pid);
  std::optional<WindowInfo> WindowNamed(pid_t pid, const std::string& name);
  // Waits for a visible window of `pid` that is none of `known` (a menu, a dialog).
  std::optional<WindowInfo> WaitForNewWindow(pid_t pid, const std::vector<WindowInfo>& known,
                                             std::chrono::milliseconds timeout);
  // The pixels of `window` (an X window id; the whole screen by default), 24-bit RGB.
  Screenshot Shoot(const std::string& window = "root");
  void Click(int x, int y, int button);
  void Key(const std::string& keys);
  void Type(const std::string& text);
  std::string RuntimeFolder() const { return folder_ + "/runtime"; }
  std::string Folder() const { return folder_; }

 private:
  int display_ = -1;
  pid_t xvfb_ = -1;
  pid_t trayer_ = -1;
  std::string folder_;
};

// Polls `condition` every 100 ms until it holds or `timeout` passes.
bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout);
// The process's exit status once it has ended within `timeout`, or nullopt.
std::optional<int> WaitForExit(pid_t pid, std::chrono::milliseconds timeout);
void StopProcess(pid_t pid);
// Every process descending from `pid`.
std::vector<pid_t> Descendants(pid_t pid);
bool Alive(pid_t pid);

}  // namespace tovarin::e2e
