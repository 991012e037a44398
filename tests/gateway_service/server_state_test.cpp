// The user's state in the service's cookies, and the headers every answer carries.

#include <regex>

#include "gateway/service/state_cookies.h"
#include "tests/gateway_service/gateway_fixture.h"

namespace tovarin::gateway::test {
namespace {

using GatewayState = GatewayFixture;
using GatewayHeaders = GatewayFixture;

std::string CookieHeaderNamed(const ServiceAnswer& answer, std::string_view name) {
  for (const std::string& header : answer.set_cookies) {
    if (header.rfind(std::string(name) + "=", 0) == 0) return header;
  }
  return {};
}

void ExpectSecurityHeaders(const ServiceAnswer& answer, std::string_view what) {
  EXPECT_EQ(answer.Header("content-security-policy"), kContentSecurityPolicy) << what;
  EXPECT_EQ(answer.Header("x-content-type-options"), "nosniff") << what;
  EXPECT_EQ(answer.Header("referrer-policy"), "no-referrer") << what;
  EXPECT_EQ(answer.Header("cache-control"), "no-store") << what;
}

TEST_F(GatewayState, ContextCookieIsHttpOnlyStrictAndUnderThePrefix) {
  ServeDeck("/deck.wml", "<card id=\"c\"><p>Card</p></card>");
  ServiceAnswer answer = Open(Typed("/deck.wml"));
  std::string cookie = CookieHeaderNamed(answer, kContextCookie);
  ASSERT_FALSE(cookie.empty()) << "no context cookie";
  EXPECT_NE(cookie.find("; Path=/;"), std::string::npos) << cookie;
  EXPECT_NE(cookie.find("HttpOnly"), std::string::npos);
  EXPECT_NE(cookie.find("SameSite=Strict"), std::string::npos);
  EXPECT_EQ(cookie.find("Max-Age=0"), std::string::npos);

  GatewayOptions options;
  options.path_prefix = "/k3y";
  StartGateway(std::move(options));
  ViewerClient viewer;
  ServiceAnswer prefixed = viewer.Get(gateway_->ServicePrefix() + Typed("/deck.wml"));
  EXPECT_NE(CookieHeaderNamed(prefixed, kContextCookie).find("; Path=/k3y/;"), std::string::npos);
}

TEST_F(GatewayState, OriginCookiesTravelWithTheUserNotTheService) {
  origin_.Handle("/login.wml", [](SoupServerMessage* message, const ReceivedRequest&) {
    soup_message_headers_append(soup_server_message_get_response_headers(message), "Set-Cookie",
                                "sid=42; Path=/");
    Respond(message, 200, kWmlType,
            std::string(kWmlPrologue) + "<wml><card><p>Logged in</p></card></wml>");
  });
  ServeDeck("/inbox.wml", "<card><p>Inbox</p></card>");
  ServiceAnswer login = Open(Typed("/login.wml"));
  std::string jar = CookieHeaderNamed(login, kJarCookie);
  ASSERT_FALSE(jar.empty()) << "the origin's cookie did not come back in the jar cookie";
  EXPECT_NE(jar.find("HttpOnly"), std::string::npos);

  Open(Typed("/inbox.wml"));
  ASSERT_EQ(origin_.RequestCount("/inbox.wml"), 1u);
  EXPECT_EQ(origin_.requests().back().Header("cookie"), "sid=42");

  // Another user (no jar cookie) gets no cookie from the origin.
  ViewerClient stranger;
  stranger.Get(gateway_->ServicePrefix() + Typed("/inbox.wml"));
  ASSERT_EQ(origin_.RequestCount("/inbox.wml"), 2u);
  EXPECT_FALSE(origin_.requests().back().HasHeader("cookie"));
}

TEST_F(GatewayState, AnotherInstanceContinuesFromTheCookies) {
  ServeDeck("/name.wml",
            "<card id=\"ask\"><p><input name=\"name\" type=\"text\"/></p>"
            "<do type=\"accept\" label=\"OK\"><go href=\"#hello\"/></do></card>"
            "<card id=\"hello\"><p>Hello, $(name)!</p></card>");
  origin_.Handle("/login.wml", [](SoupServerMessage* message, const ReceivedRequest&) {
    soup_message_headers_append(soup_server_message_get_response_headers(message), "Set-Cookie",
                                "sid=7; Path=/");
    Respond(message, 200, kWmlType,
            std::string(kWmlPrologue) + "<wml><card><p>In</p></card></wml>");
  });
  Open(Typed("/login.wml"));
  ServiceAnswer ask = Open(Typed("/name.wml"));
  auto fields = FormFields(ask.body);
  for (auto& [name, value] : fields) {
    if (name == "v.name") value = "Wei";
  }
  std::vector<HtmlTag> buttons = FindTags(ask.body, "button");
  ASSERT_FALSE(buttons.empty()) << ask.body;
  // The form's first button is the one Enter presses: the card's accept key.
  fields.emplace_back(buttons.front().Attribute("name"), buttons.front().Attribute("value"));
  ServiceAnswer hello =
      viewer_.Post(ServiceUrl("/gw/task"), "application/x-www-form-urlencoded", UrlEncode(fields));
  ASSERT_NE(VisibleText(hello.body).find("Hello, Wei!"), std::string::npos) << hello.body;

  auto other = GatewayServer::Listen(GatewayOptions{}, "127.0.0.1", 0);
  ASSERT_TRUE(other.ok()) << other.error();
  std::string other_base = "http://127.0.0.1:" + std::to_string(other.value()->port());
  ServiceAnswer continued = viewer_.Get(other_base + PageHref("/name.wml#hello"));
  EXPECT_NE(VisibleText(continued.body).find("Hello, Wei!"), std::string::npos) << continued.body;
  EXPECT_EQ(origin_.requests().back().Header("cookie"), "sid=7");
}

TEST_F(GatewayState, UnreadableStateCookiesReadAsNoState) {
  ServeDeck("/deck.wml", "<card><p>Plain</p></card>");
  viewer_.set_cookie(std::string(kContextCookie), std::string(5000, 'x'));
  viewer_.set_cookie(std::string(kJarCookie), "%%%|:::|not a jar");
  ServiceAnswer answer = Open(Typed("/deck.wml"));
  ASSERT_EQ(answer.status, 200u);
  EXPECT_NE(VisibleText(answer.body).find("Plain"), std::string::npos);
  EXPECT_FALSE(origin_.requests().back().HasHeader("cookie"));
}

TEST_F(GatewayHeaders, EveryAnswerCarriesTheSecurityHeaders) {
  ServeDeck("/deck.wml", "<card><p>Card</p></card>");
  ExpectSecurityHeaders(Open(Typed("/deck.wml")), "page");
  ExpectSecurityHeaders(Open("file:///etc/passwd"), "refused address");
  ClosedPort closed;
  ExpectSecurityHeaders(Open("127.0.0.1:" + std::to_string(closed.port()) + "/x.wml"),
                        "upstream failure");
  ExpectSecurityHeaders(viewer_.Get(ServiceUrl("/gw/nothing")), "unknown route");
  ExpectSecurityHeaders(
      viewer_.Get(ServiceUrl("/tovarin/Client/Tovarin.aspx?url=x"), "evil.example"),
      "foreign host");
}

TEST_F(GatewayHeaders, RequestsAreLoggedWithoutQueryOrPrefix) {
  std::vector<std::string> lines;
  GatewayOptions options;
  options.path_prefix = "/s3cr3t";
  options.log_requests = true;
  options.log_sink = [&lines](std::string_view line) { lines.emplace_back(line); };
  StartGateway(std::move(options));
  ServeDeck("/deck.wml", "<card><p>Card</p></card>");
  ServiceAnswer answer = Open(Typed("/deck.wml?token=abc"));
  ASSERT_EQ(answer.status, 200u);
  ASSERT_TRUE(RunUntil([&] { return !lines.empty(); }));
  ASSERT_EQ(lines.size(), 1u);
  std::smatch match;
  ASSERT_TRUE(std::regex_match(
      lines[0], match, std::regex(R"(GET /tovarin/Client/Tovarin\.aspx 200 (\d+) bytes \d+ ms)")))
      << lines[0];
  EXPECT_EQ(match[1].str(), std::to_string(answer.body.size()));
  EXPECT_EQ(lines[0].find("s3cr3t"), std::string::npos);
  EXPECT_EQ(lines[0].find("token"), std::string::npos);
}

}  // namespace
}  // namespace tovarin::gateway::test
