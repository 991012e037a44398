#include "gateway/service/fetcher.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/gateway_service/fetch_and_wait.h"
#include "tests/gateway_service/origin_server.h"

namespace tovarin::gateway {
namespace {

using test::FetchAndWait;
using test::FetchOutcome;
using test::Get;
using test::OriginServer;
using test::Post;
using test::ReceivedRequest;

constexpr const char* kDeck =
    "<?xml version=\"1.0\"?>\n"
    "<!DOCTYPE wml PUBLIC \"-//WAPFORUM//DTD WML 1.1//EN\" "
    "\"http://www.wapforum.org/DTD/wml_1.1.xml\">\n"
    "<wml><card id=\"main\" title=\"Hello\"><p>Hello, phone</p></card></wml>\n";
constexpr const char* kWmlType = "text/vnd.wap.wml; charset=utf-8";

// Echoes what arrived: "METHOD|content type|body".
void Echo(SoupServerMessage* message, const ReceivedRequest& request) {
  test::Respond(message, SOUP_STATUS_OK, "text/plain",
                request.method + "|" + request.Header("content-type") + "|" + request.body);
}

class FetcherTest : public ::testing::Test {
 protected:
  void SetUp() override {
    origin_.Handle("/deck", [](SoupServerMessage* m, const ReceivedRequest&) {
      test::Respond(m, SOUP_STATUS_OK, kWmlType, kDeck);
    });
    origin_.Handle("/echo", Echo);
  }

  FetchOutcome Fetch(FetchRequest request) { return FetchAndWait(*fetcher_, std::move(request)); }
  void Recreate(FetcherOptions options) {
    fetcher_ = std::make_unique<Fetcher>(std::move(options));
  }

  OriginServer origin_;
  std::unique_ptr<Fetcher> fetcher_ = std::make_unique<Fetcher>(FetcherOptions{});
};

using FetcherBasics = FetcherTest;
using FetcherRedirects = FetcherTest;
using FetcherLimits = FetcherTest;

// ---- Basics ----------------------------------------------------------------------------

TEST_F(FetcherBasics, WmlDeckArrivesAsAPhoneAskedForIt) {
  const FetchOutcome outcome = Fetch(Get(origin_.Url("/deck")));
  EXPECT_EQ(outcome.callbacks, 1);
  EXPECT_FALSE(outcome.called_back_in_fetch);
  const FetchResponse& response = outcome.response;
  EXPECT_EQ(response.failure, FetchFailure::kNone) << response.message;
  EXPECT_EQ(response.status, 200u);
  EXPECT_EQ(response.content_type, kWmlType);
  EXPECT_EQ(response.body, kDeck);
  EXPECT_EQ(response.final_url, origin_.Url("/deck"));
  ASSERT_EQ(origin_.RequestCount("/deck"), 1u);
  const ReceivedRequest& request = origin_.requests().back();
  EXPECT_EQ(request.method, "GET");
  EXPECT_EQ(request.Header("accept"), kPhoneAccept);
  EXPECT_EQ(request.Header("user-agent"), kPhoneUserAgent);
  EXPECT_NE(request.Header("accept-encoding").find("gzip"), std::string::npos);
  EXPECT_FALSE(request.HasHeader("cookie"));
}

TEST_F(FetcherBasics, GzipBodyArrivesDecompressed) {
  std::string page;
  for (int i = 0; i < 2000; ++i) page += "<p>line " + std::to_string(i) + "</p>\n";
  const std::string compressed = test::GzipCompress(page);
  ASSERT_LT(compressed.size(), page.size());
  origin_.Handle("/gzip", [&](SoupServerMessage* m, const ReceivedRequest&) {
    test::Respond(m, SOUP_STATUS_OK, "text/html", compressed);
    soup_message_headers_replace(soup_server_message_get_response_headers(m), "Content-Encoding",
                                 "gzip");
  });
  const FetchResponse response = Fetch(Get(origin_.Url("/gzip"))).response;
  EXPECT_EQ(response.failure, FetchFailure::kNone) << response.message;
  EXPECT_EQ(response.body.size(), page.size());
  EXPECT_EQ(response.body, page);
}

TEST_F(FetcherBasics, PostCarriesBodyAndContentType) {
  const FetchResponse response =
      Fetch(Post(origin_.Url("/echo"), "name=%E4%BD%A0&go=1", "application/x-www-form-urlencoded"))
          .response;
  EXPECT_EQ(response.failure, FetchFailure::kNone) << response.message;
  EXPECT_EQ(response.body, "POST|application/x-www-form-urlencoded|name=%E4%BD%A0&go=1");
}

TEST_F(FetcherBasics, HttpErrorStatusesReturnTheSitesOwnPage) {
  origin_.Handle("/broken", [](SoupServerMessage* m, const ReceivedRequest&) {
    test::Respond(m, SOUP_STATUS_INTERNAL_SERVER_ERROR, "text/html", "<p>our fault</p>");
  });
  const FetchResponse missing = Fetch(Get(origin_.Url("/missing"))).response;
  EXPECT_EQ(missing.failure, FetchFailure::kNone);
  EXPECT_EQ(missing.status, 404u);
  EXPECT_EQ(missing.body, "no such page");
  const FetchResponse broken = Fetch(Get(origin_.Url("/broken"))).response;
  EXPECT_EQ(broken.failure, FetchFailure::kNone);
  EXPECT_EQ(broken.status, 500u);
  EXPECT_EQ(broken.body, "<p>our fault</p>");
}

TEST_F(FetcherBasics, AddressesThatCannotBeParsedAreBadAddresses) {
  for (const char* url : {"", "no scheme at all", "http://", "http://[::1/", "http:///path-only"}) {
    const FetchOutcome outcome = Fetch(Get(url));
    EXPECT_EQ(outcome.response.failure, FetchFailure::kBadAddress) << url;
    EXPECT_FALSE(outcome.response.message.empty()) << url;
    EXPECT_EQ(outcome.callbacks, 1) << url;
    EXPECT_FALSE(outcome.called_back_in_fetch) << url;
  }
}

TEST_F(FetcherBasics, OnlyHttpAndHttpsAreFetched) {
  for (const char* url : {"file:///etc/passwd", "ftp://127.0.0.1/", "javascript:alert(1)",
                          "data:text/plain,hello", "gopher://127.0.0.1/"}) {
    const FetchOutcome outcome = Fetch(Get(url));
    EXPECT_EQ(outcome.response.failure, FetchFailure::kRefusedScheme) << url;
    EXPECT_TRUE(outcome.response.body.empty()) << url;
    EXPECT_FALSE(outcome.called_back_in_fetch) << url;
  }
  EXPECT_TRUE(origin_.requests().empty());
}

TEST_F(FetcherBasics, ClosedPortIsConnectionRefused) {
  test::ClosedPort closed;
  const FetchResponse response =
      Fetch(Get("http://127.0.0.1:" + std::to_string(closed.port()) + "/")).response;
  EXPECT_EQ(response.failure, FetchFailure::kConnectionRefused) << response.message;
  EXPECT_FALSE(response.message.empty());
}

TEST_F(FetcherBasics, UnknownNameIsNameNotFound) {
  const FetchResponse response = Fetch(Get("http://no-such-host.invalid/deck")).response;
  EXPECT_EQ(response.failure, FetchFailure::kNameNotFound) << response.message;
  EXPECT_FALSE(response.message.empty());
}

TEST_F(FetcherBasics, ReasonsForThePersonAreShortAndInChinese) {
  EXPECT_EQ(FailureReason(FetchFailure::kNameNotFound), "找不到该网站的服务器");
  EXPECT_EQ(FailureReason(FetchFailure::kConnectionRefused), "网站拒绝了连接");
  EXPECT_EQ(FailureReason(FetchFailure::kTimeout), "网站响应超时");
  EXPECT_EQ(FailureReason(FetchFailure::kTooLarge), "页面太大");
  EXPECT_EQ(FailureReason(FetchFailure::kTooManyRedirects), "重定向次数过多");
  EXPECT_EQ(FailureReason(FetchFailure::kRefusedScheme), "不支持这种地址");
  EXPECT_EQ(FailureReason(FetchFailure::kRefusedDestination), "不允许访问该地址");
  EXPECT_EQ(FailureReason(FetchFailure::kBadAddress), "地址无效");
  EXPECT_EQ(FailureReason(FetchFailure::kNetwork), "网络错误");
  EXPECT_EQ(FailureReason(FetchFailure::kNone), "");
}

TEST_F(FetcherBasics, ManyFetchesRunAtOnceAndEachCallsBackOnce) {
  constexpr int kFetches = 100;
  std::vector<int> calls(kFetches, 0);
  std::vector<FetchResponse> responses(kFetches);
  for (int i = 0; i < kFetches; ++i) {
    fetcher_->Fetch(Get(origin_.Url("/deck")), [&, i](FetchResponse r) {
      ++calls[i];
      responses[i] = std::move(r);
    });
  }
  auto all_done = [&] {
    return std::all_of(calls.begin(), calls.end(), [](int c) { return c > 0; });
  };
  ASSERT_TRUE(test::RunUntil(all_done));
  test::RunFor(std::chrono::milliseconds(20));
  for (int i = 0; i < kFetches; ++i) {
    EXPECT_EQ(calls[i], 1) << i;
    EXPECT_EQ(responses[i].failure, FetchFailure::kNone) << responses[i].message;
    EXPECT_EQ(responses[i].body, kDeck) << i;
  }
  EXPECT_EQ(origin_.RequestCount("/deck"), static_cast<std::size_t>(kFetches));
}

TEST_F(FetcherBasics, DestroyingTheFetcherMidFetchDropsTheCallback) {
  test::SilentServer silent;
  int calls = 0;
  fetcher_->Fetch(Get("http://127.0.0.1:" + std::to_string(silent.port()) + "/"),
                  [&](FetchResponse) { ++calls; });
  fetcher_->Fetch(Get(origin_.Url("/deck")), [&](FetchResponse) { ++calls; });
  fetcher_.reset();
  test::RunFor(std::chrono::milliseconds(200));
  EXPECT_EQ(calls, 0);
}

TEST_F(FetcherBasics, TheFetcherMayBeDestroyedInsideACallback) {
  test::SilentServer silent;
  int calls = 0;
  bool destroyed = false;
  fetcher_->Fetch(Get("http://127.0.0.1:" + std::to_string(silent.port()) + "/"),
                  [&](FetchResponse) { ++calls; });
  fetcher_->Fetch(Get(origin_.Url("/deck")), [&](FetchResponse response) {
    EXPECT_EQ(response.body, kDeck);
    fetcher_.reset();
    destroyed = true;
  });
  ASSERT_TRUE(test::RunUntil([&] { return destroyed; }));
  test::RunFor(std::chrono::milliseconds(100));
  EXPECT_EQ(calls, 0);
}

// ---- Redirects -------------------------------------------------------------------------

TEST_F(FetcherRedirects, ChainOfFoundRedirectsEndsAtTheTarget) {
  origin_.Handle("/r1", [&](SoupServerMessage* m, const ReceivedRequest&) {
    test::Redirect(m, SOUP_STATUS_FOUND, origin_.Url("/r2"));
  });
  origin_.Handle("/r2", [](SoupServerMessage* m, const ReceivedRequest&) {
    test::Redirect(m, SOUP_STATUS_MOVED_PERMANENTLY, "/r3?from=r2");  // relative
  });
  origin_.Handle("/r3", [](SoupServerMessage* m, const ReceivedRequest&) {
    test::Redirect(m, SOUP_STATUS_FOUND, "deck");  // relative to /r3
  });
  const FetchResponse response = Fetch(Get(origin_.Url("/r1"))).response;
  EXPECT_EQ(response.failure, FetchFailure::kNone) << response.message;
  EXPECT_EQ(response.status, 200u);
  EXPECT_EQ(response.body, kDeck);
  EXPECT_EQ(response.content_type, kWmlType);
  EXPECT_EQ(response.final_url, origin_.Url("/deck"));
  ASSERT_EQ(origin_.RequestCount("/r3"), 1u);
  EXPECT_EQ(origin_.requests()[2].query, "from=r2");
  // Every hop asks as the phone does.
  for (const ReceivedRequest& request : origin_.requests()) {
    EXPECT_EQ(request.Header("user-agent"), kPhoneUserAgent) << request.path;
    EXPECT_EQ(request.Header("accept"), kPhoneAccept) << request.path;
  }
}

TEST_F(FetcherRedirects, SeeOtherAndFoundAfterPostContinueAsGetWithoutBody) {
  for (unsigned status :
       {SOUP_STATUS_SEE_OTHER, SOUP_STATUS_FOUND, SOUP_STATUS_MOVED_PERMANENTLY}) {
    origin_.Handle("/submit", [&](SoupServerMessage* m, const ReceivedRequest&) {
      test::Redirect(m, status, "/echo");
    });
    const FetchResponse response =
        Fetch(Post(origin_.Url("/submit"), "a=1", "application/x-www-form-urlencoded")).response;
    EXPECT_EQ(response.failure, FetchFailure::kNone) << status;
    EXPECT_EQ(response.body, "GET||") << status;
    EXPECT_EQ(origin_.requests().end()[-2].method, "POST") << status;
  }
}

TEST_F(FetcherRedirects, TemporaryAndPermanentRedirectsRepeatThePost) {
  for (unsigned status : {SOUP_STATUS_TEMPORARY_REDIRECT, SOUP_STATUS_PERMANENT_REDIRECT}) {
    origin_.Handle("/submit", [&](SoupServerMessage* m, const ReceivedRequest&) {
      test::Redirect(m, status, "/echo");
    });
    const FetchResponse response =
        Fetch(Post(origin_.Url("/submit"), "a=1&b=2", "application/x-www-form-urlencoded"))
            .response;
    EXPECT_EQ(response.failure, FetchFailure::kNone) << status;
    EXPECT_EQ(response.body, "POST|application/x-www-form-urlencoded|a=1&b=2") << status;
  }
}

TEST_F(FetcherRedirects, RedirectToAFileIsRefusedAndTheFileIsNeverRead) {
  origin_.Handle("/steal", [](SoupServerMessage* m, const ReceivedRequest&) {
    test::Redirect(m, SOUP_STATUS_FOUND, "file:///etc/passwd");
  });
  const FetchOutcome outcome = Fetch(Get(origin_.Url("/steal")));
  EXPECT_EQ(outcome.callbacks, 1);
  EXPECT_EQ(outcome.response.failure, FetchFailure::kRefusedScheme);
  EXPECT_EQ(outcome.response.final_url, "file:///etc/passwd");
  EXPECT_TRUE(outcome.response.body.empty());
  EXPECT_EQ(outcome.response.body.find("root:"), std::string::npos);
}

TEST_F(FetcherRedirects, RedirectLoopStopsAfterTheAllowedHops) {
  origin_.Handle("/loop", [](SoupServerMessage* m, const ReceivedRequest&) {
    test::Redirect(m, SOUP_STATUS_FOUND, "/loop");
  });
  const FetchOutcome outcome = Fetch(Get(origin_.Url("/loop")));
  EXPECT_EQ(outcome.callbacks, 1);
  EXPECT_EQ(outcome.response.failure, FetchFailure::kTooManyRedirects);
  // The first request and kMaxRedirects redirects followed; the next redirect is refused.
  EXPECT_EQ(origin_.RequestCount("/loop"), static_cast<std::size_t>(kMaxRedirects + 1));
}

TEST_F(FetcherRedirects, MaxRedirectsIsExact) {
  for (int hop = 1; hop <= 3; ++hop) {
    origin_.Handle("/hop" + std::to_string(hop), [hop](SoupServerMessage* m,
                                                       const ReceivedRequest&) {
      test::Redirect(m, SOUP_STATUS_FOUND, hop == 3 ? "/deck" : "/hop" + std::to_string(hop + 1));
    });
  }
  FetcherOptions options;
  options.max_redirects = 2;
  Recreate(options);
  EXPECT_EQ(Fetch(Get(origin_.Url("/hop2"))).response.failure, FetchFailure::kNone);  // 2 hops
  EXPECT_EQ(Fetch(Get(origin_.Url("/hop1"))).response.failure,                        // 3 hops
            FetchFailure::kTooManyRedirects);
}

TEST_F(FetcherRedirects, RedirectWithoutLocationIsTheResponse) {
  origin_.Handle("/nowhere", [](SoupServerMessage* m, const ReceivedRequest&) {
    test::Respond(m, SOUP_STATUS_FOUND, "text/plain", "moved, but not saying where");
  });
  const FetchResponse response = Fetch(Get(origin_.Url("/nowhere"))).response;
  EXPECT_EQ(response.failure, FetchFailure::kNone);
  EXPECT_EQ(response.status, 302u);
  EXPECT_EQ(response.body, "moved, but not saying where");
}

// ---- Limits ----------------------------------------------------------------------------

TEST_F(FetcherLimits, EndlessBodyIsCutOffEarly) {
  std::shared_ptr<std::uint64_t> written;
  origin_.Handle("/endless", [&](SoupServerMessage* m, const ReceivedRequest&) {
    written = test::StreamBody(m, test::BodyStream{});  // 1 GiB in 64 KiB pieces
  });
  FetcherOptions options;
  options.max_body_bytes = 256 * 1024;
  Recreate(options);
  const FetchOutcome outcome = Fetch(Get(origin_.Url("/endless")));
  EXPECT_EQ(outcome.callbacks, 1);
  EXPECT_EQ(outcome.response.failure, FetchFailure::kTooLarge);
  EXPECT_TRUE(outcome.response.body.empty());
  ASSERT_NE(written, nullptr);
  EXPECT_LT(*written, std::uint64_t{1} << 30);
}

TEST_F(FetcherLimits, RedirectWithAnEndlessBodyIsCutOffToo) {
  origin_.Handle("/endless-redirect", [](SoupServerMessage* m, const ReceivedRequest&) {
    test::StreamBody(m, test::BodyStream{});
    soup_server_message_set_status(m, SOUP_STATUS_FOUND, nullptr);
    soup_message_headers_replace(soup_server_message_get_response_headers(m), "Location", "/deck");
  });
  FetcherOptions options;
  options.max_body_bytes = 256 * 1024;
  Recreate(options);
  const FetchOutcome outcome = Fetch(Get(origin_.Url("/endless-redirect")));
  EXPECT_EQ(outcome.callbacks, 1);
  EXPECT_EQ(outcome.response.failure, FetchFailure::kTooLarge);
  EXPECT_EQ(origin_.RequestCount("/deck"), 0u);
}

TEST_F(FetcherLimits, BodyOfExactlyTheLimitArrivesAndOneByteMoreDoesNot) {
  const std::string limit_body(1000, 'a');
  origin_.Handle("/exact", [&](SoupServerMessage* m, const ReceivedRequest&) {
    test::Respond(m, SOUP_STATUS_OK, "text/plain", limit_body);
  });
  origin_.Handle("/over", [&](SoupServerMessage* m, const ReceivedRequest&) {
    test::Respond(m, SOUP_STATUS_OK, "text/plain", limit_body + "b");
  });
  FetcherOptions options;
  options.max_body_bytes = 1000;
  Recreate(options);
  const FetchResponse exact = Fetch(Get(origin_.Url("/exact"))).response;
  EXPECT_EQ(exact.failure, FetchFailure::kNone);
  EXPECT_EQ(exact.body, limit_body);
  EXPECT_EQ(Fetch(Get(origin_.Url("/over"))).response.failure, FetchFailure::kTooLarge);
}

TEST_F(FetcherLimits, DecompressedBytesAreCounted) {
  const std::string bomb = test::GzipCompress(std::string(4u << 20, '\0'));
  origin_.Handle("/bomb", [&](SoupServerMessage* m, const ReceivedRequest&) {
    test::Respond(m, SOUP_STATUS_OK, "text/html", bomb);
    soup_message_headers_replace(soup_server_message_get_response_headers(m), "Content-Encoding",
                                 "gzip");
  });
  FetcherOptions options;
  options.max_body_bytes = 1u << 20;
  Recreate(options);
  ASSERT_LT(bomb.size(), options.max_body_bytes);
  EXPECT_EQ(Fetch(Get(origin_.Url("/bomb"))).response.failure, FetchFailure::kTooLarge);
}

TEST_F(FetcherLimits, SiteThatNeverAnswersTimesOut) {
  test::SilentServer silent;
  FetcherOptions options;
  options.first_byte_timeout = std::chrono::milliseconds(300);
  options.total_timeout = std::chrono::milliseconds(5000);
  Recreate(options);
  const FetchOutcome outcome =
      Fetch(Get("http://127.0.0.1:" + std::to_string(silent.port()) + "/"));
  EXPECT_EQ(outcome.callbacks, 1);
  EXPECT_EQ(outcome.response.failure, FetchFailure::kTimeout);
  EXPECT_FALSE(outcome.response.message.empty());
}

TEST_F(FetcherLimits, BodyThatTricklesPastTheTotalTimeTimesOut) {
  origin_.Handle("/slow", [](SoupServerMessage* m, const ReceivedRequest&) {
    test::StreamBody(m, test::BodyStream{16, 64 * 1024, std::chrono::milliseconds(20)});
  });
  FetcherOptions options;
  options.first_byte_timeout = std::chrono::milliseconds(5000);
  options.total_timeout = std::chrono::milliseconds(300);
  Recreate(options);
  const FetchOutcome outcome = Fetch(Get(origin_.Url("/slow")));
  EXPECT_EQ(outcome.callbacks, 1);
  EXPECT_EQ(outcome.response.failure, FetchFailure::kTimeout);
  EXPECT_EQ(outcome.response.status, 200u);  // the headers had arrived
}

}  // namespace
}  // namespace tovarin::gateway
