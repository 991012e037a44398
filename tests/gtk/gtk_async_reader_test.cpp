#include "platform/gtk/gtk_async_reader.h"

#include <glib/gstdio.h>
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/glib/glib_holders.h"
#include "platform/headless/controls/loopback_http_server.h"
#include "tests/gtk/main_loop_waits.h"

namespace tovarin::platform::gtk {
namespace {

using headless::LoopbackHttpServer;
using headless::LoopbackResponse;
using std::chrono::milliseconds;

// One reader on its own libsoup session, its notifications logged as
// "progress <status>" / "complete ok" / "complete error", against a real loopback server.
class GtkAsyncReaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!gtk_init_check(nullptr, nullptr)) GTEST_SKIP() << "no display";
    auto started = LoopbackHttpServer::Start(std::chrono::seconds(60));
    ASSERT_TRUE(started.ok()) << started.error();
    server_ = std::move(started).value();
    reader_ = std::make_unique<GtkAsyncReader>(
        session_.get(),
        [this](const AsyncReadProgress& p) {
          log_.push_back("progress " + std::to_string(p.status));
          if (p.status == kAsyncReadError) error_ = p.status_text;
          last_progress_ = p;
        },
        [this](AsyncReadCompletion& c) {
          log_.push_back(c.data.ok() ? "complete ok" : "complete error");
          names_.push_back(c.name);
          data_ = c.data;
        });
  }
  void TearDown() override {
    reader_.reset();
    RunFor(milliseconds(10));
  }
  bool WaitForCompletion() {
    return RunUntil([&] { return data_.has_value(); }, milliseconds(30000));
  }
  std::string TempFile(const std::string& name, const std::string& contents) {
    gchar* path = g_build_filename(g_get_tmp_dir(), name.c_str(), nullptr);
    const std::string result = path;
    g_free(path);
    EXPECT_TRUE(g_file_set_contents(result.c_str(), contents.c_str(),
                                    static_cast<gssize>(contents.size()), nullptr));
    temp_files_.push_back(result);
    return result;
  }
  ~GtkAsyncReaderTest() override {
    for (const std::string& path : temp_files_) g_remove(path.c_str());
  }

  glib::GObjectPtr<SoupSession> session_{soup_session_new()};
  std::unique_ptr<LoopbackHttpServer> server_;
  std::unique_ptr<GtkAsyncReader> reader_;
  std::vector<std::string> log_;
  std::vector<std::string> names_;
  std::string error_;
  AsyncReadProgress last_progress_;
  std::optional<Result<Bytes>> data_;
  std::vector<std::string> temp_files_;
};

TEST_F(GtkAsyncReaderTest, HttpDataArrivesInPiecesThenCompletes) {
  const Bytes body(200 * 1024, 0x47);  // several 64 KiB pieces
  server_->Serve("/a.gif", body);
  ASSERT_TRUE(reader_->Start(server_->Url("/a.gif"), "remoteGIF").ok());
  EXPECT_TRUE(log_.empty());  // nothing from inside Start
  EXPECT_TRUE(reader_->IsReading("remoteGIF"));
  ASSERT_TRUE(WaitForCompletion());
  ASSERT_TRUE(data_->ok()) << error_;
  EXPECT_EQ(data_->value(), body);
  EXPECT_EQ(names_, std::vector<std::string>{"remoteGIF"});
  ASSERT_GE(log_.size(), 4u);
  EXPECT_EQ(log_[log_.size() - 2], "progress 2");
  EXPECT_EQ(log_.back(), "complete ok");
  for (std::size_t i = 0; i + 2 < log_.size(); ++i) EXPECT_EQ(log_[i], "progress 1");
  EXPECT_EQ(last_progress_.bytes_read, body.size());
  EXPECT_FALSE(reader_->IsReading("remoteGIF"));
}

TEST_F(GtkAsyncReaderTest, TheDefaultLimitIs64MiB) {
  EXPECT_EQ(reader_->ReadOptions().max_bytes, 64ull * 1024 * 1024);
  // Announced one byte over the limit: refused before any of the body is read.
  LoopbackResponse announced;
  announced.declared_length = 64ull * 1024 * 1024 + 1;
  announced.body = Bytes{'G', 'I', 'F'};
  server_->Serve("/announced", announced);
  ASSERT_TRUE(reader_->Start(server_->Url("/announced"), "r").ok());
  ASSERT_TRUE(WaitForCompletion());
  EXPECT_EQ(log_, (std::vector<std::string>{"progress 0", "complete error"}));
  EXPECT_EQ(error_, "the data of 67108865 bytes exceeds the limit of 67108864 bytes");
}

TEST_F(GtkAsyncReaderTest, UnannouncedDataIsCutAtTheLimitAndExactlyTheLimitPasses) {
  reader_->ReadOptions().max_bytes = 100000;
  LoopbackResponse exact;
  exact.chunked = true;
  exact.filler_bytes = 100000;
  server_->Serve("/exact", exact);
  ASSERT_TRUE(reader_->Start(server_->Url("/exact"), "exact").ok());
  ASSERT_TRUE(WaitForCompletion());
  ASSERT_TRUE(data_->ok()) << error_;
  EXPECT_EQ(data_->value().size(), 100000u);

  data_.reset();
  log_.clear();
  LoopbackResponse over;
  over.chunked = true;
  over.filler_bytes = 100001;
  server_->Serve("/over", over);
  ASSERT_TRUE(reader_->Start(server_->Url("/over"), "over").ok());
  ASSERT_TRUE(WaitForCompletion());
  EXPECT_FALSE(data_->ok());
  EXPECT_EQ(error_, "the data exceeds the limit of 100000 bytes");
  EXPECT_EQ(log_.back(), "complete error");
  EXPECT_EQ(log_[log_.size() - 2], "progress 0");
}

TEST_F(GtkAsyncReaderTest, ASilentServerTimesOut) {
  reader_->ReadOptions().timeout = milliseconds(150);
  LoopbackResponse slow;
  slow.delay = milliseconds(5000);
  server_->Serve("/slow", slow);
  ASSERT_TRUE(reader_->Start(server_->Url("/slow"), "r").ok());
  ASSERT_TRUE(WaitForCompletion());
  EXPECT_EQ(log_, (std::vector<std::string>{"progress 0", "complete error"}));
  EXPECT_EQ(error_, "timed out");
}

TEST_F(GtkAsyncReaderTest, HttpErrorStatusesFail) {
  LoopbackResponse gone;
  gone.status = 410;
  gone.reason = "Gone";
  server_->Serve("/gone", gone);
  ASSERT_TRUE(reader_->Start(server_->Url("/gone"), "r").ok());
  ASSERT_TRUE(WaitForCompletion());
  EXPECT_EQ(log_, (std::vector<std::string>{"progress 0", "complete error"}));
  EXPECT_EQ(error_, "HTTP 410 Gone");
}

TEST_F(GtkAsyncReaderTest, FilePathsAndFileUrlsAreRead) {
  const std::string path = TempFile("tovarin reader test.gif", "GIF89a-path");
  ASSERT_TRUE(reader_->Start(path, "path").ok());
  ASSERT_TRUE(WaitForCompletion());
  ASSERT_TRUE(data_->ok()) << error_;
  EXPECT_EQ(std::string(data_->value().begin(), data_->value().end()), "GIF89a-path");

  // The same file as a file:// URL, its space percent-encoded, with the "localhost" host.
  data_.reset();
  std::string url = "file://localhost";
  for (const char c : path) url += c == ' ' ? std::string("%20") : std::string(1, c);
  ASSERT_TRUE(reader_->Start(url, "url").ok());
  ASSERT_TRUE(WaitForCompletion());
  ASSERT_TRUE(data_->ok()) << error_;
  EXPECT_EQ(std::string(data_->value().begin(), data_->value().end()), "GIF89a-path");
  EXPECT_EQ(names_, (std::vector<std::string>{"path", "url"}));
}

TEST_F(GtkAsyncReaderTest, FileFailures) {
  ASSERT_TRUE(reader_->Start(TempFile("tovarin_reader_missing.gif", "") + ".none", "m").ok());
  ASSERT_TRUE(WaitForCompletion());
  EXPECT_EQ(log_, (std::vector<std::string>{"progress 0", "complete error"}));
  EXPECT_FALSE(error_.empty());

  data_.reset();
  log_.clear();
  reader_->ReadOptions().max_bytes = 10;
  ASSERT_TRUE(reader_->Start(TempFile("tovarin_reader_big.gif", "GIF89a and more"), "big").ok());
  ASSERT_TRUE(WaitForCompletion());
  EXPECT_EQ(log_, (std::vector<std::string>{"progress 0", "complete error"}));
  EXPECT_EQ(error_, "the file of 15 bytes exceeds the limit of 10 bytes");
}

TEST_F(GtkAsyncReaderTest, RefusedAddressesFailAtOnceAndDeliverNothing) {
  const std::pair<std::string, std::string> refused[] = {
      {"", "empty address"},
      {"ftp://127.0.0.1/a.gif", "unsupported address scheme \"ftp\""},
      {"gopher://127.0.0.1/", "unsupported address scheme \"gopher\""},
      {"http://", "address without a host"},
      {"http://127.0.0.1:99999/", "bad port in address"},
      {"file://elsewhere.example/a.gif", "file addresses on other machines are not supported"},
      {"file:///a%zz.gif", "malformed percent escape"},
  };
  for (const auto& [address, reason] : refused) {
    const Status started = reader_->Start(address, "r");
    ASSERT_FALSE(started.ok()) << address;
    EXPECT_EQ(started.error(), reason) << address;
    EXPECT_FALSE(reader_->IsReading("r"));
  }
  RunFor(milliseconds(30));
  EXPECT_TRUE(log_.empty());
}

TEST_F(GtkAsyncReaderTest, HttpsIsAcceptedAndFetched) {
  // Nothing listens on port 1: the https read starts, then fails from the main loop.
  ASSERT_TRUE(reader_->Start("https://127.0.0.1:1/a.gif", "secure").ok());
  ASSERT_TRUE(WaitForCompletion());
  EXPECT_EQ(log_, (std::vector<std::string>{"progress 0", "complete error"}));
  EXPECT_FALSE(error_.empty());
}

TEST_F(GtkAsyncReaderTest, AReadStartedUnderTheSameNameReplacesTheOld) {
  LoopbackResponse slow;
  slow.delay = milliseconds(300);
  slow.body = Bytes{'o', 'l', 'd'};
  server_->Serve("/old", slow);
  server_->Serve("/new", Bytes{'n', 'e', 'w'});
  ASSERT_TRUE(reader_->Start(server_->Url("/old"), "x").ok());
  ASSERT_TRUE(reader_->Start(server_->Url("/new"), "x").ok());
  ASSERT_TRUE(WaitForCompletion());
  RunFor(milliseconds(500));  // the old read's answer comes meanwhile, and is not delivered
  ASSERT_TRUE(data_->ok()) << error_;
  EXPECT_EQ(data_->value(), (Bytes{'n', 'e', 'w'}));
  EXPECT_EQ(names_, std::vector<std::string>{"x"});

  data_.reset();
  ASSERT_TRUE(reader_->Start(server_->Url("/old"), "y").ok());
  reader_->Cancel("y");
  RunFor(milliseconds(500));
  EXPECT_FALSE(data_.has_value());
}

}  // namespace
}  // namespace tovarin::platform::gtk
