// tovarin-gateway: the rendering service as a program of its own. It listens where it is told
// (loopback unless told otherwise), prints "listening on http://HOST:PORT" as its first line on
// standard output once it accepts connections, logs one line per request on standard error,
// and stops cleanly on SIGTERM or SIGINT (exit 0). Bad arguments: a message and the usage on
// standard error, exit 2. A failure to listen: a message, exit 1.

#include <gio/gio.h>
#include <glib-unix.h>
#include <glib.h>

#include <csignal>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "gateway/service/gateway_server.h"
#include "gateway/standalone/command_line.h"
#include "platform/glib/glib_holders.h"

namespace tovarin::gateway {

using platform::glib::GObjectPtr;

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

struct MainLoopUnref {
  void operator()(GMainLoop* loop) const { g_main_loop_unref(loop); }
};

// A Unix signal watch on the default context; removed when the holder goes.
class SignalWatch {
 public:
  SignalWatch(int signal_number, GMainLoop* loop)
      : id_(g_unix_signal_add(signal_number, &SignalWatch::Quit, loop)) {}
  ~SignalWatch() { g_source_remove(id_); }
  SignalWatch(const SignalWatch&) = delete;
  SignalWatch& operator=(const SignalWatch&) = delete;

 private:
  static gboolean Quit(gpointer loop) {
    g_main_loop_quit(static_cast<GMainLoop*>(loop));
    return G_SOURCE_CONTINUE;
  }
  guint id_;
};

// True when `host` is a loopback address (or "localhost"); false for anything else, every
// interface included.
bool IsLoopbackHost(const std::string& host) {
  if (host == "localhost") return true;
  GObjectPtr<GInetAddress> address(g_inet_address_new_from_string(host.c_str()));
  return address && g_inet_address_get_is_loopback(address.get());
}

GatewayOptions OptionsFor(const CommandLine& line) {
  GatewayOptions options;
  options.extra_hosts = line.names;
  options.log_requests = !line.quiet;
  options.fetcher.refuse_private_destinations = !IsLoopbackHost(line.host) && !line.allow_private;
  return options;
}

int Serve(const CommandLine& line) {
  auto server = GatewayServer::Listen(OptionsFor(line), line.host, line.port);
  if (!server.ok()) {
    std::fprintf(stderr, "tovarin-gateway: %s\n", server.error().c_str());
    return kExitFailure;
  }
  std::printf("listening on %s\n", server.value()->BaseUrl().c_str());
  std::fflush(stdout);
  std::unique_ptr<GMainLoop, MainLoopUnref> loop(g_main_loop_new(nullptr, FALSE));
  SignalWatch terminate(SIGTERM, loop.get());
  SignalWatch interrupt(SIGINT, loop.get());
  g_main_loop_run(loop.get());
  std::fprintf(stderr, "tovarin-gateway: stopped\n");
  return 0;
}

}  // namespace
}  // namespace tovarin::gateway

int main(int argc, char** argv) {
  using namespace tovarin::gateway;
  std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  auto line = ParseCommandLine(args);
  if (!line.ok()) {
    std::fprintf(stderr, "tovarin-gateway: %s\n%s", line.error().c_str(), UsageText().data());
    return kExitUsage;
  }
  if (line.value().help) {
    std::fputs(UsageText().data(), stdout);
    return 0;
  }
  return Serve(line.value());
}
