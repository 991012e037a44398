#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/headless/controls/address_reader.h"
#include "platform/headless/controls/headless_form.h"
#include "platform/headless/controls/headless_host.h"
#include "platform/headless/controls/http_get.h"
#include "platform/headless/controls/loopback_http_server.h"

namespace tovarin::platform::headless {
namespace {

using std::chrono::milliseconds;

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

// Logs the reader's notifications; can cancel on an error status, as the GIF control does.
class ReadingControl : public Control {
 public:
  ControlHost* host = nullptr;
  bool cancel_on_error = false;
  std::vector<std::string> log;
  std::optional<Result<Bytes>> data;

  void OnAsyncReadProgress(const AsyncReadProgress& p) override {
    log.push_back("progress " + p.name + " " + std::to_string(p.status) + " " +
                  std::to_string(p.bytes_read) + "/" + std::to_string(p.bytes_total));
    if (p.status == kAsyncReadError) {
      last_error = p.status_text;
      if (cancel_on_error) host->CancelAsyncRead(p.name);
    }
  }
  void OnAsyncReadComplete(AsyncReadCompletion& c) override {
    log.push_back("complete " + c.name + (c.data.ok() ? " ok" : " error"));
    data = c.data;
  }
  std::string last_error;
};

struct ReaderFixture : ::testing::Test {
  HeadlessDesktop desktop;
  HeadlessForm form{desktop};
  HeadlessHost& host = form.AddHost(HostOptions{.name = "g1"});
  ReadingControl control;
  std::unique_ptr<LoopbackHttpServer> server;

  void SetUp() override {
    host.Attach(control);
    control.host = &host;
    auto started = LoopbackHttpServer::Start(std::chrono::seconds(30));
    ASSERT_TRUE(started.ok()) << started.error();
    server = std::move(started).value();
    desktop.ReadOptions().timeout = milliseconds(3000);
  }
};

TEST_F(ReaderFixture, SuccessDeliversProgressThenTheData) {
  const Bytes gif = Text("GIF89a\x10\x00\x10\x00 and the rest");
  server->Serve("/a.gif", gif);
  ASSERT_TRUE(host.AsyncRead(server->Url("/a.gif"), "remoteGIF").ok());
  EXPECT_TRUE(control.log.empty());  // nothing arrives from inside AsyncRead
  desktop.RunPending();
  const std::string n = std::to_string(gif.size());
  EXPECT_EQ(control.log, (std::vector<std::string>{"progress remoteGIF 1 " + n + "/" + n,
                                                   "progress remoteGIF 2 " + n + "/" + n,
                                                   "complete remoteGIF ok"}));
  ASSERT_TRUE(control.data.has_value() && control.data->ok());
  EXPECT_EQ(control.data->value(), gif);
  EXPECT_EQ(server->RequestedPaths(), std::vector<std::string>{"/a.gif"});
  EXPECT_FALSE(host.IsReading("remoteGIF"));
}

TEST_F(ReaderFixture, ChunkedBodiesAndRedirectsAreFollowed) {
  LoopbackResponse chunked;
  chunked.body = Text("0123456789");
  chunked.filler_bytes = 100000;
  chunked.chunked = true;
  server->Serve("/big", chunked);
  LoopbackResponse moved;
  moved.status = 302;
  moved.reason = "Found";
  moved.headers = {{"Location", "/big"}};
  server->Serve("/old", moved);
  ASSERT_TRUE(host.AsyncRead(server->Url("/old"), "r").ok());
  desktop.RunPending();
  ASSERT_TRUE(control.data.has_value() && control.data->ok()) << control.last_error;
  ASSERT_EQ(control.data->value().size(), 100010u);
  EXPECT_EQ(control.data->value()[9], '9');
  EXPECT_EQ(control.data->value()[100009], 'x');
  EXPECT_EQ(server->RequestedPaths(), (std::vector<std::string>{"/old", "/big"}));
}

TEST_F(ReaderFixture, NotFoundIsAnErrorStatusThenAFailedCompletion) {
  ASSERT_TRUE(host.AsyncRead(server->Url("/missing.gif"), "remoteGIF").ok());
  desktop.RunPending();
  EXPECT_EQ(control.log,
            (std::vector<std::string>{"progress remoteGIF 0 0/0", "complete remoteGIF error"}));
  EXPECT_EQ(control.last_error, "HTTP 404 Not Found");
}

TEST_F(ReaderFixture, CancelFromTheErrorProgressStopsDelivery) {
  control.cancel_on_error = true;
  LoopbackResponse failing;
  failing.status = 500;
  failing.reason = "Internal Server Error";
  server->Serve("/x", failing);
  ASSERT_TRUE(host.AsyncRead(server->Url("/x"), "remoteGIF").ok());
  desktop.RunPending();
  EXPECT_EQ(control.log, std::vector<std::string>{"progress remoteGIF 0 0/0"});
  EXPECT_EQ(control.last_error, "HTTP 500 Internal Server Error");
}

TEST_F(ReaderFixture, RefusedConnectionFails) {
  const std::string url = server->Url("/a.gif");
  server.reset();  // nobody listens on that port any more
  ASSERT_TRUE(host.AsyncRead(url, "remoteGIF").ok());
  desktop.RunPending();
  ASSERT_EQ(control.log.size(), 2u);
  EXPECT_EQ(control.log[0], "progress remoteGIF 0 0/0");
  EXPECT_NE(control.last_error.find("Connection refused"), std::string::npos) << control.last_error;
}

TEST_F(ReaderFixture, DeclaredBodyOverTheLimitFailsWithoutReadingIt) {
  LoopbackResponse huge;
  huge.body = Text("GIF89a");
  huge.declared_length = kMaxAsyncReadBytes + 1;
  server->Serve("/huge", huge);
  ASSERT_TRUE(host.AsyncRead(server->Url("/huge"), "remoteGIF").ok());
  desktop.RunPending();
  EXPECT_EQ(control.log.back(), "complete remoteGIF error");
  EXPECT_NE(control.last_error.find("exceeds the limit of 67108864 bytes"), std::string::npos)
      << control.last_error;
}

TEST_F(ReaderFixture, StreamedBodyOverTheLimitFails) {
  // No length announced: the reader counts while it reads and stops past 64 MiB.
  LoopbackResponse huge;
  huge.filler_bytes = kMaxAsyncReadBytes + 1;
  huge.chunked = true;
  server->Serve("/stream", huge);
  desktop.ReadOptions().timeout = milliseconds(60000);
  ASSERT_TRUE(host.AsyncRead(server->Url("/stream"), "remoteGIF").ok());
  desktop.RunPending();
  EXPECT_EQ(control.log.back(), "complete remoteGIF error");
  EXPECT_NE(control.last_error.find("exceeds the limit"), std::string::npos) << control.last_error;
}

TEST_F(ReaderFixture, BodyOfExactlyTheLimitIsAccepted) {
  desktop.ReadOptions().max_bytes = 1000;
  LoopbackResponse exact;
  exact.filler_bytes = 1000;
  server->Serve("/exact", exact);
  LoopbackResponse over;
  over.filler_bytes = 1001;
  server->Serve("/over", over);
  ASSERT_TRUE(host.AsyncRead(server->Url("/exact"), "a").ok());
  desktop.RunPending();
  ASSERT_TRUE(control.data.has_value() && control.data->ok());
  EXPECT_EQ(control.data->value().size(), 1000u);
  ASSERT_TRUE(host.AsyncRead(server->Url("/over"), "b").ok());
  desktop.RunPending();
  EXPECT_FALSE(control.data->ok());
}

TEST_F(ReaderFixture, SlowServerTimesOut) {
  LoopbackResponse slow;
  slow.body = Text("late");
  slow.delay = milliseconds(5000);
  server->Serve("/slow", slow);
  desktop.ReadOptions().timeout = milliseconds(200);
  ASSERT_TRUE(host.AsyncRead(server->Url("/slow"), "remoteGIF").ok());
  desktop.RunPending();
  EXPECT_EQ(control.log.back(), "complete remoteGIF error");
  EXPECT_NE(control.last_error.find("timed out"), std::string::npos) << control.last_error;
}

TEST_F(ReaderFixture, ConnectionClosedEarlyFails) {
  LoopbackResponse short_body;
  short_body.body = Text("GIF89a");
  short_body.declared_length = 100;
  server->Serve("/short", short_body);
  LoopbackResponse silent;
  silent.close_without_response = true;
  server->Serve("/silent", silent);
  ASSERT_TRUE(host.AsyncRead(server->Url("/short"), "a").ok());
  desktop.RunPending();
  EXPECT_NE(control.last_error.find("connection closed before the body was complete"),
            std::string::npos)
      << control.last_error;
  ASSERT_TRUE(host.AsyncRead(server->Url("/silent"), "b").ok());
  desktop.RunPending();
  EXPECT_NE(control.last_error.find("connection closed"), std::string::npos) << control.last_error;
}

TEST_F(ReaderFixture, CancelledOrReplacedReadsDeliverNothing) {
  server->Serve("/one", Text("one"));
  server->Serve("/two", Text("two"));
  ASSERT_TRUE(host.AsyncRead(server->Url("/one"), "x").ok());
  host.CancelAsyncRead("x");
  desktop.RunPending();
  EXPECT_TRUE(control.log.empty());
  ASSERT_TRUE(host.AsyncRead(server->Url("/one"), "x").ok());
  ASSERT_TRUE(host.AsyncRead(server->Url("/two"), "x").ok());
  desktop.RunPending();
  ASSERT_TRUE(control.data.has_value() && control.data->ok());
  EXPECT_EQ(control.data->value(), Text("two"));
  EXPECT_EQ(control.log.size(), 3u);
  host.CancelAsyncRead("never started");  // ignored
}

TEST_F(ReaderFixture, FilesAndFileAddressesAreRead) {
  const auto dir =
      std::filesystem::temp_directory_path() / ("tovarin reader " + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const auto file = dir / "anim.gif";
  std::ofstream(file, std::ios::binary) << "GIF87a-data";
  ASSERT_TRUE(host.AsyncRead(file.string(), "p").ok());
  std::string url = "file://" + dir.string() + "/anim.gif";
  for (std::size_t i = 0; (i = url.find(' ', i)) != std::string::npos;) url.replace(i, 1, "%20");
  ASSERT_TRUE(host.AsyncRead(url, "u").ok());
  ASSERT_TRUE(host.AsyncRead((dir / "missing.gif").string(), "m").ok());
  desktop.RunPending();
  std::filesystem::remove_all(dir);
  EXPECT_EQ(control.log,
            (std::vector<std::string>{"progress p 1 11/11", "progress p 2 11/11", "complete p ok",
                                      "progress u 1 11/11", "progress u 2 11/11", "complete u ok",
                                      "progress m 0 0/0", "complete m error"}));
  EXPECT_NE(control.last_error.find("no such file"), std::string::npos);
}

TEST_F(ReaderFixture, UnstartableReadsFailAtOnce) {
  EXPECT_FALSE(host.AsyncRead("", "r").ok());
  EXPECT_FALSE(host.AsyncRead("ftp://127.0.0.1/a.gif", "r").ok());
  EXPECT_FALSE(host.AsyncRead("http://", "r").ok());
  EXPECT_FALSE(host.AsyncRead("http://127.0.0.1:99999/", "r").ok());
  EXPECT_FALSE(host.AsyncRead("file://%zz", "r").ok());
  desktop.RunPending();
  EXPECT_TRUE(control.log.empty());
}

TEST_F(ReaderFixture, HttpsIsRecognisedButNotFetchedHeadless) {
  // The address is classified as the GTK reader classifies it; this reader has no TLS.
  auto classified = ClassifyResourceAddress("https://127.0.0.1/a.gif");
  ASSERT_TRUE(classified.ok());
  EXPECT_EQ(classified->kind, ResourceKind::kHttps);
  const Status started = host.AsyncRead("https://127.0.0.1/a.gif", "r");
  ASSERT_FALSE(started.ok());
  EXPECT_EQ(started.error(), "the headless reader cannot fetch https addresses");
  EXPECT_FALSE(host.IsReading("r"));
  desktop.RunPending();
  EXPECT_TRUE(control.log.empty());
}

TEST(HttpUrlParsing, SplitsHostPortAndTarget) {
  auto url = ParseHttpUrl("HTTP://127.0.0.1:8080/tovarin/Client/Tovarin.aspx?url=wap.x.cn#frag");
  ASSERT_TRUE(url.ok()) << url.error();
  EXPECT_EQ(url->host, "127.0.0.1");
  EXPECT_EQ(url->port, 8080);
  EXPECT_EQ(url->target, "/tovarin/Client/Tovarin.aspx?url=wap.x.cn");
  auto bare = ParseHttpUrl("http://localhost");
  ASSERT_TRUE(bare.ok());
  EXPECT_EQ(bare->port, 80);
  EXPECT_EQ(bare->target, "/");
  EXPECT_FALSE(ParseHttpUrl("http://x/a b").ok());
  EXPECT_FALSE(ParseHttpUrl("http://user@host/").ok());
  EXPECT_FALSE(ParseHttpUrl("http://host:0/").ok());
}

TEST(HttpGetDirect, NamesAreNotResolved) {
  HttpGetOptions options;
  options.timeout = milliseconds(500);
  auto response = HttpGet("http://example.invalid/", options);
  ASSERT_FALSE(response.ok());
  EXPECT_NE(response.error().find("cannot resolve host"), std::string::npos);
}

}  // namespace
}  // namespace tovarin::platform::headless
