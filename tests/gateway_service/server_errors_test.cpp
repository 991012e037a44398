// What the service answers when it cannot show a page, and whom it refuses to answer.

#include <glib.h>

#include <string>
#include <vector>

#include "platform/glib/glib_holders.h"
#include "tests/gateway_service/gateway_fixture.h"

namespace tovarin::gateway::test {

using platform::glib::GBytesPtr;
using platform::glib::GErrorHolder;
using platform::glib::GObjectPtr;

namespace {

using GatewayErrors = GatewayFixture;
using GatewayHostCheck = GatewayFixture;

constexpr std::string_view kCannotOpen = "无法打开页面";

TEST_F(GatewayErrors, OtherSchemesAreRefusedWithTheErrorPage) {
  for (const std::string& typed : std::vector<std::string>{
           "file:///etc/passwd", "FILE:/etc/passwd", "ftp://ftp.example.com/x",
           "javascript:alert(1)", "data:text/html,%3Cscript%3Ealert(1)%3C/script%3E",
           "mailto:someone@example.com"}) {
    ServiceAnswer answer = Open(typed);
    EXPECT_EQ(answer.status, 400u) << typed;
    EXPECT_EQ(answer.content_type, "text/html; charset=utf-8") << typed;
    EXPECT_NE(VisibleText(answer.body).find(kCannotOpen), std::string::npos) << answer.body;
    EXPECT_EQ(answer.body.find("root:"), std::string::npos);
    EXPECT_EQ(answer.body.find("<script"), std::string::npos) << answer.body;
  }
  ServiceAnswer page = viewer_.Get(ServiceUrl("/gw/page?u=" + PercentEncode("file:///etc/passwd")));
  EXPECT_EQ(page.status, 400u);
  EXPECT_NE(VisibleText(page.body).find(kCannotOpen), std::string::npos);
  ServiceAnswer task = viewer_.Get(ServiceUrl("/gw/task?deck=" + PercentEncode("file:///etc/x")));
  EXPECT_EQ(task.status, 400u);
  EXPECT_TRUE(origin_.requests().empty());
}

TEST_F(GatewayErrors, UnreachableHostGivesTheErrorPageWithTheReason) {
  ClosedPort closed;
  std::string typed = "127.0.0.1:" + std::to_string(closed.port()) + "/x.wml";
  ServiceAnswer answer = Open(typed);
  EXPECT_EQ(answer.status, 502u);
  std::string text = VisibleText(answer.body);
  EXPECT_NE(text.find(kCannotOpen), std::string::npos) << answer.body;
  EXPECT_NE(text.find("http://" + typed), std::string::npos) << answer.body;
  EXPECT_NE(text.find(FailureReason(FetchFailure::kConnectionRefused)), std::string::npos)
      << answer.body;
}

TEST_F(GatewayErrors, UnknownRouteMethodAndOversizedBodyAreRefused) {
  ServiceAnswer unknown = viewer_.Get(ServiceUrl("/gw/nothing"));
  EXPECT_EQ(unknown.status, 404u);
  EXPECT_NE(VisibleText(unknown.body).find(kCannotOpen), std::string::npos);
  ServiceAnswer deleted = viewer_.Send("DELETE", ServiceUrl("/gw/page"));
  EXPECT_EQ(deleted.status, 405u);
  EXPECT_EQ(deleted.Header("allow"), "GET, HEAD, POST");
  ServiceAnswer huge = viewer_.Post(ServiceUrl("/gw/task"), "application/x-www-form-urlencoded",
                                    std::string(kMaxRequestBodyBytes + 1, 'a'));
  EXPECT_EQ(huge.status, 413u);
  // The service goes on answering.
  EXPECT_EQ(viewer_.Get(ServiceUrl("/gw/nothing")).status, 404u);
}

TEST_F(GatewayErrors, MalformedRequestsGetAClearAnswer) {
  ServiceAnswer no_address = viewer_.Get(ServiceUrl("/gw/page"));
  EXPECT_EQ(no_address.status, 400u);
  ServiceAnswer empty_typed = Open("");
  EXPECT_EQ(empty_typed.status, 400u);
  EXPECT_NE(VisibleText(empty_typed.body).find(kCannotOpen), std::string::npos);
  ServiceAnswer bad_task =
      viewer_.Post(ServiceUrl("/gw/task"), "application/x-www-form-urlencoded",
                   UrlEncode({{"deck", origin_.Url("/d.wml")}, {"wml.task", "not a task"}}));
  EXPECT_EQ(bad_task.status, 400u);
  ServiceAnswer bad_type = viewer_.Post(ServiceUrl("/gw/form"), "application/json", "{}");
  EXPECT_EQ(bad_type.status, 400u);
  std::string many_fields;
  for (int i = 0; i < 2000; ++i) many_fields += "f=1&";
  ServiceAnswer too_many = viewer_.Get(ServiceUrl("/gw/form?" + many_fields));
  EXPECT_EQ(too_many.status, 400u);
  EXPECT_TRUE(origin_.requests().empty());
}

TEST_F(GatewayErrors, EndlessEntryEventsStopAfterTheHopLimit) {
  ServeDeck("/loop.wml",
            "<card><onevent type=\"onenterforward\"><go href=\"/loop.wml\"/></onevent>"
            "<p>Looping</p></card>");
  ServiceAnswer answer = Open(Typed("/loop.wml"));
  EXPECT_EQ(answer.status, 502u);
  EXPECT_NE(VisibleText(answer.body).find(kCannotOpen), std::string::npos) << answer.body;
  // The typed fetch, then one fetch per followed event.
  EXPECT_EQ(origin_.RequestCount("/loop.wml"), 1u + kMaxEventHops);
}

TEST_F(GatewayErrors, OfflineStartPageListsTheBookmarks) {
  ClosedPort closed;
  GatewayOptions options;
  options.start_address = "127.0.0.1:" + std::to_string(closed.port()) + "/portal.wml";
  options.bookmarks = {{"新闻", Typed("/news.wml")}, {"Broken", "file:///etc/passwd"}};
  StartGateway(std::move(options));
  ServeDeck("/news.wml", "<card><p>Today's news</p></card>");
  ServiceAnswer start = Open("127.0.0.1:" + std::to_string(closed.port()) + "/portal.wml");
  EXPECT_EQ(start.status, 502u);
  std::string text = VisibleText(start.body);
  EXPECT_NE(text.find("无法连接到起始页面"), std::string::npos) << start.body;
  std::string news = LinkHref(start.body, "新闻");
  EXPECT_EQ(news, PageHref("/news.wml"));
  EXPECT_NE(text.find("Broken"), std::string::npos);
  EXPECT_TRUE(LinkHref(start.body, "Broken").empty());
  ServiceAnswer followed = viewer_.Get(ServiceUrl(news));
  EXPECT_NE(VisibleText(followed.body).find("Today's news"), std::string::npos);
  // Another unreachable address is an ordinary error.
  ServiceAnswer other = Open("127.0.0.1:" + std::to_string(closed.port()) + "/other.wml");
  EXPECT_EQ(VisibleText(other.body).find("无法连接到起始页面"), std::string::npos);
}

TEST_F(GatewayErrors, ServiceStopsCleanlyWithAFetchInProgress) {
  bool asked = false;
  origin_.Handle("/slow.wml", [&](SoupServerMessage* message, const ReceivedRequest&) {
    asked = true;
    soup_server_message_pause(message);  // never answered while the service lives
  });
  GObjectPtr<SoupSession> session(soup_session_new());
  GObjectPtr<SoupMessage> message(
      soup_message_new("GET", (gateway_->ServicePrefix() + Typed("/slow.wml")).c_str()));
  bool finished = false;
  soup_session_send_and_read_async(
      session.get(), message.get(), G_PRIORITY_DEFAULT, nullptr,
      [](GObject* source, GAsyncResult* result, gpointer done) {
        GErrorHolder error;
        GBytesPtr body(
            soup_session_send_and_read_finish(SOUP_SESSION(source), result, error.out()));
        *static_cast<bool*>(done) = true;
      },
      &finished);
  ASSERT_TRUE(RunUntil([&] { return asked; }));
  gateway_.reset();
  ASSERT_TRUE(RunUntil([&] { return finished; }));
  EXPECT_NE(soup_message_get_status(message.get()), 200u);
}

// Counts the warnings and criticals GLib, GIO, libsoup and the service log while it lives.
class LogCounter {
 public:
  LogCounter() {
    for (const char* domain : kDomains) {
      ids_.push_back(g_log_set_handler(
          domain, static_cast<GLogLevelFlags>(G_LOG_LEVEL_WARNING | G_LOG_LEVEL_CRITICAL),
          &LogCounter::Count, &count_));
    }
  }
  ~LogCounter() {
    for (std::size_t i = 0; i < ids_.size(); ++i) g_log_remove_handler(kDomains[i], ids_[i]);
  }
  LogCounter(const LogCounter&) = delete;
  LogCounter& operator=(const LogCounter&) = delete;
  int count() const { return count_; }

 private:
  static constexpr const char* kDomains[] = {nullptr, "GLib", "GLib-GObject", "GLib-GIO",
                                             "libsoup"};
  static void Count(const char*, GLogLevelFlags, const char* message, gpointer count) {
    ADD_FAILURE() << "logged: " << message;
    ++*static_cast<int*>(count);
  }
  std::vector<guint> ids_;
  int count_ = 0;
};

TEST_F(GatewayErrors, AViewerThatLeavesMidFetchDoesNotDisturbTheService) {
  LogCounter logged;
  std::vector<std::string> lines;
  GatewayOptions options;
  options.log_requests = true;
  options.log_sink = [&lines](std::string_view line) { lines.emplace_back(line); };
  StartGateway(std::move(options));
  SoupServerMessage* held = nullptr;
  origin_.Handle("/slow.wml", [&](SoupServerMessage* message, const ReceivedRequest&) {
    held = message;
    soup_server_message_pause(message);
  });
  GObjectPtr<SoupSession> session(soup_session_new());
  GObjectPtr<SoupMessage> message(
      soup_message_new("GET", (gateway_->ServicePrefix() + Typed("/slow.wml")).c_str()));
  GObjectPtr<GCancellable> cancel(g_cancellable_new());
  bool finished = false;
  soup_session_send_and_read_async(
      session.get(), message.get(), G_PRIORITY_DEFAULT, cancel.get(),
      [](GObject* source, GAsyncResult* result, gpointer done) {
        GErrorHolder error;
        GBytesPtr body(
            soup_session_send_and_read_finish(SOUP_SESSION(source), result, error.out()));
        *static_cast<bool*>(done) = true;
      },
      &finished);
  ASSERT_TRUE(RunUntil([&] { return held != nullptr; }));
  g_cancellable_cancel(cancel.get());
  session.reset();  // closes the viewer's connection
  ASSERT_TRUE(RunUntil([&] { return finished; }));
  Respond(held, 200, kWmlType, std::string(kWmlPrologue) + "<wml><card><p>Late</p></card></wml>");
  soup_server_message_unpause(held);
  // The late page reaches the service, which ends the request (written to a closed
  // connection, or dropped).
  ASSERT_TRUE(RunUntil([&] { return !lines.empty(); }));
  EXPECT_EQ(lines[0].rfind("GET /tovarin/Client/Tovarin.aspx ", 0), 0u) << lines[0];

  ServeDeck("/next.wml", "<card><p>Still here</p></card>");
  ServiceAnswer next = Open(Typed("/next.wml"));
  EXPECT_EQ(next.status, 200u);
  EXPECT_NE(VisibleText(next.body).find("Still here"), std::string::npos);
  EXPECT_EQ(logged.count(), 0);
}

TEST_F(GatewayErrors, TheServiceNeverFetchesItself) {
  std::string port = std::to_string(gateway_->port());
  for (const std::string& self : std::vector<std::string>{
           "127.0.0.1:" + port + "/gw/nothing", "localhost:" + port + "/tovarin/Client/x"}) {
    ServiceAnswer answer = Open(self);
    EXPECT_EQ(answer.status, 502u) << self;
    EXPECT_NE(VisibleText(answer.body).find(FailureReason(FetchFailure::kRefusedDestination)),
              std::string::npos)
        << answer.body;
  }
}

TEST_F(GatewayErrors, HeadIsAnsweredWithoutABody) {
  ServeDeck("/deck.wml", "<card><p>Card</p></card>");
  ServiceAnswer head = viewer_.Send("HEAD", gateway_->ServicePrefix() + Typed("/deck.wml"));
  EXPECT_EQ(head.status, 200u);
  EXPECT_EQ(head.content_type, "text/html; charset=utf-8");
  EXPECT_TRUE(head.body.empty());
}

TEST_F(GatewayHostCheck, ForeignHostIsRefused) {
  ServeDeck("/deck.wml", "<card><p>Card</p></card>");
  std::string url = gateway_->ServicePrefix() + Typed("/deck.wml");
  std::string port = std::to_string(gateway_->port());
  for (const std::string& host :
       std::vector<std::string>{"evil.example:" + port, "evil.example", "127.0.0.1:1", "127.0.0.1",
                                "localhost.evil.example:" + port, "[::1]:" + port}) {
    ServiceAnswer answer = viewer_.Get(url, host);
    EXPECT_EQ(answer.status, 421u) << host;
    EXPECT_EQ(answer.content_type, "text/plain; charset=utf-8");
    EXPECT_TRUE(answer.set_cookies.empty());
  }
  EXPECT_TRUE(origin_.requests().empty());
  for (const std::string& host :
       std::vector<std::string>{"127.0.0.1:" + port, "localhost:" + port, "LocalHost:" + port}) {
    EXPECT_EQ(viewer_.Get(url, host).status, 200u) << host;
  }
}

TEST_F(GatewayHostCheck, ConfiguredNamesAreAnswered) {
  GatewayOptions options;
  options.extra_hosts = {"wap.lan", "proxy.lan:8443"};
  StartGateway(std::move(options));
  ServeDeck("/deck.wml", "<card><p>Card</p></card>");
  std::string url = gateway_->ServicePrefix() + Typed("/deck.wml");
  std::string port = std::to_string(gateway_->port());
  EXPECT_EQ(viewer_.Get(url, "wap.lan").status, 200u);
  EXPECT_EQ(viewer_.Get(url, "wap.lan:" + port).status, 200u);
  EXPECT_EQ(viewer_.Get(url, "proxy.lan:8443").status, 200u);
  EXPECT_EQ(viewer_.Get(url, "proxy.lan").status, 421u);
  EXPECT_EQ(viewer_.Get(url, "wap.lan:" + std::to_string(gateway_->port() + 1)).status, 421u);
}

TEST_F(GatewayHostCheck, PathsOutsideThePrefixAreNotServed) {
  GatewayOptions options;
  options.path_prefix = "/0a1b2c";
  StartGateway(std::move(options));
  ServeDeck("/deck.wml", "<card id=\"c\"><p>Card</p><p><a href=\"#c\">Again</a></p></card>");
  std::string base = "http://127.0.0.1:" + std::to_string(gateway_->port());
  ServiceAnswer outside =
      viewer_.Get(base + "/tovarin/Client/Tovarin.aspx?url=" + Typed("/deck.wml"));
  EXPECT_EQ(outside.status, 404u);
  EXPECT_EQ(outside.content_type, "text/plain; charset=utf-8");
  EXPECT_EQ(viewer_.Get(base + "/0a1b2cX/tovarin/Client/Tovarin.aspx?url=x").status, 404u);
  EXPECT_TRUE(origin_.requests().empty());
  ServiceAnswer inside = Open(Typed("/deck.wml"));
  ASSERT_EQ(inside.status, 200u);
  EXPECT_EQ(gateway_->BaseUrl(), base + "/0a1b2c");
  EXPECT_EQ(LinkHref(inside.body, "Again"), PageHref("/deck.wml#c", "/0a1b2c"));
}

TEST_F(GatewayHostCheck, ListenRefusesBadArguments) {
  EXPECT_FALSE(GatewayServer::Listen(GatewayOptions{}, "not-an-address", 0).ok());
  GatewayOptions trailing;
  trailing.path_prefix = "/secret/";
  EXPECT_FALSE(GatewayServer::Listen(std::move(trailing), "127.0.0.1", 0).ok());
  GatewayOptions unsafe;
  unsafe.path_prefix = "/se cret";
  EXPECT_FALSE(GatewayServer::Listen(std::move(unsafe), "127.0.0.1", 0).ok());
  auto taken = GatewayServer::Listen(GatewayOptions{}, "127.0.0.1", gateway_->port());
  EXPECT_FALSE(taken.ok());
}

}  // namespace
}  // namespace tovarin::gateway::test
