// The fetcher's destination checks (the service itself, private ranges, .localhost names) and
// the per-user upstream cookie jar, against a loopback origin.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "gateway/service/fetcher.h"
#include "tests/gateway_service/fetch_and_wait.h"
#include "tests/gateway_service/origin_server.h"

namespace tovarin::gateway {
namespace {

using test::FetchAndWait;
using test::FetchOutcome;
using test::Get;
using test::OriginServer;
using test::ReceivedRequest;

constexpr const char* kDeck = "<wml><card id=\"c\"><p>here</p></card></wml>";

class FetcherOriginTest : public ::testing::Test {
 protected:
  void SetUp() override {
    origin_.Handle("/deck", [](SoupServerMessage* m, const ReceivedRequest&) {
      test::Respond(m, SOUP_STATUS_OK, "text/vnd.wap.wml", kDeck);
    });
    origin_.Handle("/cookies", [](SoupServerMessage* m, const ReceivedRequest& request) {
      test::Respond(m, SOUP_STATUS_OK, "text/plain", request.Header("cookie"));
    });
  }

  FetchResponse Fetch(Fetcher& fetcher, FetchRequest request) {
    const FetchOutcome outcome = FetchAndWait(fetcher, std::move(request));
    EXPECT_EQ(outcome.callbacks, 1);
    return outcome.response;
  }
  std::string Port() const { return std::to_string(origin_.port()); }

  OriginServer origin_;
};

using FetcherDestinations = FetcherOriginTest;
using FetcherCookies = FetcherOriginTest;

// ---- Destinations ----------------------------------------------------------------------

TEST_F(FetcherDestinations, LocalhostNamesReachThisMachine) {
  Fetcher fetcher{FetcherOptions{}};
  for (const char* host :
       {"wap.localhost", "WAP.Example.LOCALHOST", "localhost", "wap.localhost."}) {
    const FetchResponse response = Fetch(fetcher, Get(origin_.UrlOnHost(host, "/deck")));
    EXPECT_EQ(response.failure, FetchFailure::kNone) << host << ": " << response.message;
    EXPECT_EQ(response.body, kDeck) << host;
  }
  EXPECT_EQ(origin_.RequestCount("/deck"), 4u);
}

TEST_F(FetcherDestinations, TheServiceNeverFetchesItself) {
  FetcherOptions options;
  options.own_addresses = {"127.0.0.1:" + Port()};
  Fetcher fetcher{options};
  for (const char* host :
       {"127.0.0.1", "localhost", "wap.localhost", "127.0.0.2", "[::ffff:127.0.0.1]"}) {
    const FetchResponse response = Fetch(fetcher, Get(origin_.UrlOnHost(host, "/deck")));
    EXPECT_EQ(response.failure, FetchFailure::kRefusedDestination) << host;
    EXPECT_TRUE(response.body.empty()) << host;
  }
  EXPECT_TRUE(origin_.requests().empty());
}

TEST_F(FetcherDestinations, OtherPortsOfTheServiceHostAreFetched) {
  test::ClosedPort elsewhere;
  FetcherOptions options;
  options.own_addresses = {"127.0.0.1:" + std::to_string(elsewhere.port()), "localhost:1"};
  Fetcher fetcher{options};
  const FetchResponse response = Fetch(fetcher, Get(origin_.UrlOnHost("wap.localhost", "/deck")));
  EXPECT_EQ(response.failure, FetchFailure::kNone) << response.message;
  EXPECT_EQ(response.body, kDeck);
}

TEST_F(FetcherDestinations, RedirectToTheServiceIsRefused) {
  OriginServer service;  // stands for the rendering service itself
  origin_.Handle("/to-service", [&](SoupServerMessage* m, const ReceivedRequest&) {
    test::Redirect(m, SOUP_STATUS_FOUND, service.UrlOnHost("wap.localhost", "/render"));
  });
  FetcherOptions options;
  options.own_addresses = {"127.0.0.1:" + std::to_string(service.port())};
  Fetcher fetcher{options};
  const FetchResponse response = Fetch(fetcher, Get(origin_.Url("/to-service")));
  EXPECT_EQ(response.failure, FetchFailure::kRefusedDestination);
  EXPECT_EQ(origin_.RequestCount("/to-service"), 1u);
  EXPECT_TRUE(service.requests().empty());
}

TEST_F(FetcherDestinations, PrivateDestinationsAreRefusedWhenAskedFor) {
  FetcherOptions options;
  options.refuse_private_destinations = true;
  Fetcher fetcher{options};
  // IP literals are judged before anything is sent.
  for (const char* host : {"127.0.0.1", "[::1]", "[::ffff:127.0.0.1]", "0.0.0.0", "127.1.2.3"}) {
    const FetchResponse response = Fetch(fetcher, Get(origin_.UrlOnHost(host, "/deck")));
    EXPECT_EQ(response.failure, FetchFailure::kRefusedDestination) << host;
  }
  // A name is judged by the address it connects to.
  const FetchResponse named = Fetch(fetcher, Get(origin_.UrlOnHost("wap.localhost", "/deck")));
  EXPECT_EQ(named.failure, FetchFailure::kRefusedDestination) << named.message;
  EXPECT_NE(named.message.find("127.0.0.1:" + Port()), std::string::npos) << named.message;
  EXPECT_TRUE(named.body.empty());
  EXPECT_TRUE(origin_.requests().empty());
}

// ---- Cookies ---------------------------------------------------------------------------

TEST_F(FetcherCookies, CookiesComeBackOnlyWithTheUsersJar) {
  origin_.Handle("/login", [](SoupServerMessage* m, const ReceivedRequest&) {
    test::Respond(m, SOUP_STATUS_OK, "text/plain", "welcome");
    SoupMessageHeaders* headers = soup_server_message_get_response_headers(m);
    soup_message_headers_append(headers, "Set-Cookie", "session=abc123; Path=/");
    soup_message_headers_append(headers, "Set-Cookie", "lang=zh; Path=/");
  });
  Fetcher fetcher{FetcherOptions{}};
  const FetchResponse login = Fetch(fetcher, Get(origin_.Url("/login")));
  ASSERT_EQ(login.failure, FetchFailure::kNone);
  EXPECT_FALSE(login.cookies.empty());
  EXPECT_LE(login.cookies.size(), kMaxCookieJarBytes);

  const FetchResponse with_jar = Fetch(fetcher, Get(origin_.Url("/cookies"), login.cookies));
  EXPECT_EQ(with_jar.body, "session=abc123; lang=zh");
  EXPECT_EQ(origin_.requests().back().Header("cookie"), "session=abc123; lang=zh");
  EXPECT_EQ(with_jar.cookies, login.cookies);  // nothing new was set

  // Another user (no jar), and the same session serving it: nothing leaks.
  const FetchResponse without_jar = Fetch(fetcher, Get(origin_.Url("/cookies")));
  EXPECT_EQ(without_jar.body, "");
  EXPECT_FALSE(origin_.requests().back().HasHeader("cookie"));
  EXPECT_TRUE(without_jar.cookies.empty());
}

TEST_F(FetcherCookies, CookieSetOnARedirectGoesToTheNextHop) {
  origin_.Handle("/enter", [](SoupServerMessage* m, const ReceivedRequest&) {
    test::Redirect(m, SOUP_STATUS_FOUND, "/cookies");
    soup_message_headers_append(soup_server_message_get_response_headers(m), "Set-Cookie",
                                "ticket=42");
  });
  Fetcher fetcher{FetcherOptions{}};
  const FetchResponse response = Fetch(fetcher, Get(origin_.Url("/enter")));
  EXPECT_EQ(response.failure, FetchFailure::kNone);
  EXPECT_EQ(response.body, "ticket=42");
  const FetchResponse again = Fetch(fetcher, Get(origin_.Url("/cookies"), response.cookies));
  EXPECT_EQ(again.body, "ticket=42");
}

TEST_F(FetcherCookies, DeletedCookieIsNoLongerSent) {
  origin_.Handle("/logout", [](SoupServerMessage* m, const ReceivedRequest&) {
    test::Respond(m, SOUP_STATUS_OK, "text/plain", "bye");
    soup_message_headers_append(soup_server_message_get_response_headers(m), "Set-Cookie",
                                "session=; Path=/; Max-Age=0");
  });
  Fetcher fetcher{FetcherOptions{}};
  const std::string jar = "127.0.0.1:%2F:::session:abc|127.0.0.1:%2F:::lang:zh";
  EXPECT_EQ(Fetch(fetcher, Get(origin_.Url("/cookies"), jar)).body, "session=abc; lang=zh");
  const FetchResponse logout = Fetch(fetcher, Get(origin_.Url("/logout"), jar));
  EXPECT_EQ(logout.cookies, "127.0.0.1:%2F:::lang:zh");
  EXPECT_EQ(Fetch(fetcher, Get(origin_.Url("/cookies"), logout.cookies)).body, "lang=zh");
}

TEST_F(FetcherCookies, TheJarStaysWithinItsBoundKeepingTheNewest) {
  constexpr int kCookies = 60;
  origin_.Handle("/many", [](SoupServerMessage* m, const ReceivedRequest&) {
    test::Respond(m, SOUP_STATUS_OK, "text/plain", "many");
    SoupMessageHeaders* headers = soup_server_message_get_response_headers(m);
    for (int i = 0; i < kCookies; ++i) {
      const std::string cookie = "c" + std::to_string(i) + "=" + std::string(80, 'v') + "; Path=/";
      soup_message_headers_append(headers, "Set-Cookie", cookie.c_str());
    }
  });
  Fetcher fetcher{FetcherOptions{}};
  const FetchResponse response = Fetch(fetcher, Get(origin_.Url("/many")));
  ASSERT_EQ(response.failure, FetchFailure::kNone);
  EXPECT_LE(response.cookies.size(), kMaxCookieJarBytes);
  EXPECT_GT(response.cookies.size(), kMaxCookieJarBytes / 2);
  const std::string sent = Fetch(fetcher, Get(origin_.Url("/cookies"), response.cookies)).body;
  EXPECT_NE(sent.find("c" + std::to_string(kCookies - 1) + "="), std::string::npos) << sent;
  EXPECT_EQ(sent.find("c0="), std::string::npos) << sent;
}

TEST_F(FetcherCookies, MalformedJarIsAnEmptyJar) {
  Fetcher fetcher{FetcherOptions{}};
  for (const char* jar : {"garbage", "127.0.0.1:%2F:::a", "127.0.0.1:%2F:::a:%ZZ", "\xff\xfe:;|"}) {
    const FetchResponse response = Fetch(fetcher, Get(origin_.Url("/cookies"), jar));
    EXPECT_EQ(response.failure, FetchFailure::kNone) << jar;
    EXPECT_FALSE(origin_.requests().back().HasHeader("cookie")) << jar;
    EXPECT_TRUE(response.cookies.empty()) << jar;
  }
}

}  // namespace
}  // namespace tovarin::gateway
