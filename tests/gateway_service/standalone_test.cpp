// tovarin-gateway, the program: started as a child process on a free loopback port, asked for a
// page, stopped with SIGTERM; and its answers to bad arguments.

#include <gio/gio.h>
#include <gtest/gtest.h>

#include <csignal>
#include <regex>
#include <string>
#include <vector>

#include "platform/glib/glib_holders.h"
#include "tests/gateway_service/gateway_fixture.h"

namespace tovarin::gateway::test {

using platform::glib::GCharPtr;
using platform::glib::GErrorHolder;
using platform::glib::GObjectPtr;

namespace {

std::string ProgramPath() {
  return std::string(TOVARIN_BINARY_DIR) + "/gateway/standalone/tovarin-gateway";
}

bool Cancelled(const GErrorHolder& error) {
  return error.Matches(G_IO_ERROR, G_IO_ERROR_CANCELLED);
}

// One run of the program, its output pipes read on the test's main context. Every pending read
// is cancelled when the object goes (the callbacks then leave it alone), and a child a failed
// test left running is killed through its own handle.
class GatewayProcess {
 public:
  explicit GatewayProcess(const std::vector<std::string>& args) {
    std::vector<const char*> argv{program_.c_str()};
    for (const std::string& arg : args) argv.push_back(arg.c_str());
    argv.push_back(nullptr);
    GErrorHolder error;
    process_.reset(g_subprocess_newv(argv.data(),
                                     static_cast<GSubprocessFlags>(G_SUBPROCESS_FLAGS_STDOUT_PIPE |
                                                                   G_SUBPROCESS_FLAGS_STDERR_PIPE),
                                     error.out()));
    EXPECT_TRUE(process_) << error.message();
    if (!process_) return;
    stdout_.reset(g_data_input_stream_new(g_subprocess_get_stdout_pipe(process_.get())));
    g_subprocess_wait_async(process_.get(), cancel_.get(), &GatewayProcess::OnExit, this);
    ReadStderr();
  }
  ~GatewayProcess() {
    if (process_ && !Exited()) {
      g_subprocess_force_exit(process_.get());
      RunUntil([&] { return Exited(); });
    }
    g_cancellable_cancel(cancel_.get());
  }
  GatewayProcess(const GatewayProcess&) = delete;
  GatewayProcess& operator=(const GatewayProcess&) = delete;

  bool started() const { return process_ != nullptr; }

  // The first line of standard output, or empty when none came within the wait.
  std::string FirstLine() {
    g_data_input_stream_read_line_async(stdout_.get(), G_PRIORITY_DEFAULT, cancel_.get(),
                                        &GatewayProcess::OnLine, this);
    EXPECT_TRUE(RunUntil([&] { return line_done_; })) << "no first line";
    return line_;
  }

  void Signal(int signal_number) { g_subprocess_send_signal(process_.get(), signal_number); }

  // Waits for the exit and the end of standard error; true when both came within the wait.
  bool WaitForExit() {
    return RunUntil([&] { return Exited(); });
  }
  bool exited_normally() const { return g_subprocess_get_if_exited(process_.get()); }
  int exit_status() const { return g_subprocess_get_exit_status(process_.get()); }
  const std::string& error_output() const { return stderr_text_; }

 private:
  bool Exited() const { return process_done_ && stderr_done_; }

  static void OnExit(GObject* source, GAsyncResult* result, gpointer data) {
    GErrorHolder error;
    g_subprocess_wait_finish(G_SUBPROCESS(source), result, error.out());
    if (!Cancelled(error)) static_cast<GatewayProcess*>(data)->process_done_ = true;
  }

  static void OnLine(GObject* source, GAsyncResult* result, gpointer data) {
    GErrorHolder error;
    gsize length = 0;
    GCharPtr text(g_data_input_stream_read_line_finish(G_DATA_INPUT_STREAM(source), result, &length,
                                                       error.out()));
    if (Cancelled(error)) return;
    auto* self = static_cast<GatewayProcess*>(data);
    self->line_ = text ? text.get() : "";
    self->line_done_ = true;
  }

  static void OnStderr(GObject* source, GAsyncResult* result, gpointer data) {
    GErrorHolder error;
    gssize read = g_input_stream_read_finish(G_INPUT_STREAM(source), result, error.out());
    if (Cancelled(error)) return;
    auto* self = static_cast<GatewayProcess*>(data);
    if (read <= 0) {
      self->stderr_done_ = true;
      return;
    }
    self->stderr_text_.append(self->buffer_, static_cast<std::size_t>(read));
    self->ReadStderr();
  }

  void ReadStderr() {
    g_input_stream_read_async(g_subprocess_get_stderr_pipe(process_.get()), buffer_, sizeof buffer_,
                              G_PRIORITY_DEFAULT, cancel_.get(), &GatewayProcess::OnStderr, this);
  }

  std::string program_ = ProgramPath();
  GObjectPtr<GSubprocess> process_;
  GObjectPtr<GDataInputStream> stdout_;
  GObjectPtr<GCancellable> cancel_{g_cancellable_new()};
  char buffer_[4096];
  std::string stderr_text_;
  std::string line_;
  bool line_done_ = false;
  bool process_done_ = false;
  bool stderr_done_ = false;
};

class Standalone : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!g_file_test(ProgramPath().c_str(), G_FILE_TEST_IS_EXECUTABLE)) {
      GTEST_SKIP() << "tovarin-gateway is not built (" << ProgramPath() << ")";
    }
  }
};

TEST_F(Standalone, ServesAPageAndStopsOnSigterm) {
  OriginServer origin;
  origin.Handle("/hello.wml", [](SoupServerMessage* message, const ReceivedRequest&) {
    Respond(message, 200, kWmlType,
            std::string(kWmlPrologue) + "<wml><card><p>Hello from the origin</p></card></wml>");
  });
  GatewayProcess process({"--listen", "127.0.0.1:0"});
  ASSERT_TRUE(process.started());
  std::string line = process.FirstLine();
  std::smatch match;
  ASSERT_TRUE(
      std::regex_match(line, match, std::regex(R"(listening on http://127\.0\.0\.1:(\d+))")))
      << line;
  std::string base = "http://127.0.0.1:" + match[1].str();

  ViewerClient viewer;
  ServiceAnswer answer = viewer.Get(base + "/tovarin/Client/Tovarin.aspx?url=127.0.0.1:" +
                                    std::to_string(origin.port()) + "/hello.wml");
  ASSERT_EQ(answer.status, 200u);
  EXPECT_NE(VisibleText(answer.body).find("Hello from the origin"), std::string::npos);
  EXPECT_EQ(answer.Header("content-security-policy"), kContentSecurityPolicy);

  process.Signal(SIGTERM);
  ASSERT_TRUE(process.WaitForExit());
  EXPECT_TRUE(process.exited_normally());
  EXPECT_EQ(process.exit_status(), 0);
  // One log line for the request, without the address in its query.
  EXPECT_NE(process.error_output().find("GET /tovarin/Client/Tovarin.aspx 200 "), std::string::npos)
      << process.error_output();
  EXPECT_EQ(process.error_output().find("hello.wml"), std::string::npos);
}

TEST_F(Standalone, QuietAndSigintStopCleanly) {
  GatewayProcess process({"--listen=127.0.0.1:0", "--quiet", "--name", "wap.lan"});
  ASSERT_TRUE(process.started());
  std::string line = process.FirstLine();
  ASSERT_EQ(line.rfind("listening on http://127.0.0.1:", 0), 0u) << line;
  ViewerClient viewer;
  std::string base = line.substr(std::string("listening on ").size());
  EXPECT_EQ(viewer.Get(base + "/gw/nothing", "wap.lan").status, 404u);
  process.Signal(SIGINT);
  ASSERT_TRUE(process.WaitForExit());
  EXPECT_EQ(process.exit_status(), 0);
  EXPECT_EQ(process.error_output().find("GET "), std::string::npos) << process.error_output();
}

TEST_F(Standalone, BadArgumentsExitWithUsage) {
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"--bogus"},
                                             {"--listen"},
                                             {"--listen", "127.0.0.1"},
                                             {"--listen", "127.0.0.1:99999"},
                                             {"--listen", "127.0.0.1:http"},
                                             {"--listen", "::1:8080"},
                                             {"--name"},
                                             {"extra"}}) {
    GatewayProcess process(args);
    ASSERT_TRUE(process.started());
    ASSERT_TRUE(process.WaitForExit()) << args[0];
    EXPECT_TRUE(process.exited_normally());
    EXPECT_EQ(process.exit_status(), 2) << args[0];
    EXPECT_EQ(process.error_output().rfind("tovarin-gateway: ", 0), 0u) << process.error_output();
    EXPECT_NE(process.error_output().find("usage: tovarin-gateway"), std::string::npos);
  }
}

TEST_F(Standalone, AnAddressThatCannotBeListenedOnFails) {
  GatewayProcess process({"--listen", "nonsense:8080"});
  ASSERT_TRUE(process.started());
  ASSERT_TRUE(process.WaitForExit());
  EXPECT_EQ(process.exit_status(), 1);
  EXPECT_NE(process.error_output().find("not an IP address"), std::string::npos)
      << process.error_output();
}

}  // namespace
}  // namespace tovarin::gateway::test
