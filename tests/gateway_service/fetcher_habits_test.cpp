// The fetcher against what the servers of old WAP sites actually sent: Location headers
// written every which way, bodies framed by closing the connection or framed wrongly, bodies
// compressed one way and labelled another, headers sent twice, and servers that stall.
// The sites are RawOrigin, which writes exact bytes.

#include <gtest/gtest.h>

#include <string>

#include "gateway/service/fetcher.h"
#include "tests/gateway_service/fetch_and_wait.h"
#include "tests/gateway_service/origin_server.h"
#include "tests/gateway_service/raw_origin.h"

namespace tovarin::gateway {
namespace {

using test::FetchAndWait;
using test::Get;
using test::Post;
using test::RawOrigin;
using test::RawResponse;

constexpr std::string_view kDeck =
    "<?xml version=\"1.0\"?>\n<wml><card id=\"c\" title=\"T\"><p>reached</p></card></wml>\n";

std::string Length(std::string_view body) {
  return "Content-Length: " + std::to_string(body.size()) + "\r\n";
}

class FetcherHabits : public ::testing::Test {
 protected:
  FetchResponse Fetch(FetchRequest request) {
    return FetchAndWait(*fetcher_, std::move(request)).response;
  }
  void Recreate(FetcherOptions options) {
    fetcher_ = std::make_unique<Fetcher>(std::move(options));
  }
  // The origin redirects `from` to `location` (written as is) with `status`.
  void ServeRedirect(const std::string& from, std::string_view location,
                     std::string_view status = "302 Found") {
    origin_.Serve(from, RawResponse(status,
                                    "Location: " + std::string(location) + "\r\n" +
                                        "Content-Type: text/html\r\n" + Length("moved"),
                                    "moved"));
  }
  // The origin answers `target` with the deck.
  void ServeDeck(const std::string& target) {
    origin_.Serve(
        target, RawResponse("200 OK", "Content-Type: text/vnd.wap.wml\r\n" + Length(kDeck), kDeck));
  }
  // The origin answers `target` with the deck's `body` under "Content-Encoding: `encoding`".
  void ServeEncoded(const std::string& target, std::string_view encoding, std::string_view body) {
    origin_.Serve(target, RawResponse("200 OK",
                                      "Content-Type: text/vnd.wap.wml\r\nContent-Encoding: " +
                                          std::string(encoding) + "\r\n" + Length(body),
                                      body));
  }
  // The target of the last request the origin received.
  std::string LastTarget() const {
    const auto requests = origin_.requests();
    return requests.empty() ? std::string() : requests.back().target;
  }

  RawOrigin origin_;
  std::unique_ptr<Fetcher> fetcher_ = std::make_unique<Fetcher>(FetcherOptions{});
};

// ---- Redirects ---------------------------------------------------------------------------

TEST_F(FetcherHabits, RelativeLocationsResolveAgainstTheRedirectingAddress) {
  const struct {
    const char* location;
    const char* target;
  } cases[] = {
      {"/a/b.wml", "/a/b.wml"},
      {"b.wml", "/dir/b.wml"},
      {"../x.wml", "/x.wml"},
      {"?q=1", "/dir/page.php?q=1"},
  };
  for (const auto& c : cases) {
    ServeRedirect("/dir/page.php", c.location);
    ServeDeck(c.target);
    const FetchResponse response = Fetch(Get(origin_.Url("/dir/page.php")));
    EXPECT_EQ(response.failure, FetchFailure::kNone) << c.location << ": " << response.message;
    EXPECT_EQ(response.status, 200u) << c.location;
    EXPECT_EQ(response.body, kDeck) << c.location;
    EXPECT_EQ(response.final_url, origin_.Url(c.target)) << c.location;
    EXPECT_EQ(LastTarget(), c.target) << c.location;
  }
}

TEST_F(FetcherHabits, SchemeRelativeLocationKeepsTheScheme) {
  ServeRedirect("/old", "//127.0.0.1:" + std::to_string(origin_.port()) + "/new.wml");
  ServeDeck("/new.wml");
  const FetchResponse response = Fetch(Get(origin_.Url("/old")));
  EXPECT_EQ(response.failure, FetchFailure::kNone) << response.message;
  EXPECT_EQ(response.final_url, origin_.Url("/new.wml"));
  EXPECT_EQ(response.body, kDeck);
}

// Spaces and UTF-8 characters go out percent-escaped byte for byte, as browsers send them.
// (Raw GBK bytes in a Location cannot be followed as sent: libsoup replaces bytes that are not
// UTF-8 in header values before the service sees them.)
TEST_F(FetcherHabits, RawSpacesAndUtf8InALocationAreEscaped) {
  const struct {
    std::string location;
    const char* target;
  } cases[] = {
      {"/new page.wml", "/new%20page.wml"},
      {"/\xE4\xB8\xAD.wml?k=\xE6\x96\x87", "/%E4%B8%AD.wml?k=%E6%96%87"},  // 中 文
  };
  for (const auto& c : cases) {
    ServeRedirect("/from", c.location);
    ServeDeck(c.target);
    const FetchResponse response = Fetch(Get(origin_.Url("/from")));
    EXPECT_EQ(response.failure, FetchFailure::kNone) << c.target << ": " << response.message;
    EXPECT_EQ(LastTarget(), c.target);
    EXPECT_EQ(response.body, kDeck) << c.target;
  }
}

// A Location written through a WML template ("&amp;" for '&') means '&': no site has a
// parameter called "amp;b".
TEST_F(FetcherHabits, EscapedAmpersandsInALocationAreAmpersands) {
  ServeRedirect("/login", "/home.php?sid=7&amp;page=2");
  ServeDeck("/home.php?sid=7&page=2");
  const FetchResponse response = Fetch(Get(origin_.Url("/login")));
  EXPECT_EQ(response.failure, FetchFailure::kNone) << response.message;
  EXPECT_EQ(LastTarget(), "/home.php?sid=7&page=2");
  EXPECT_EQ(response.final_url, origin_.Url("/home.php?sid=7&page=2"));
}

TEST_F(FetcherHabits, RedirectsToPhoneAndScriptSchemesAreRefused) {
  for (const char* location : {"wtai://wp/mc;10086", "tel:10086", "javascript:alert(1)"}) {
    ServeRedirect("/call", location);
    const FetchResponse response = Fetch(Get(origin_.Url("/call")));
    EXPECT_EQ(response.failure, FetchFailure::kRefusedScheme) << location;
    EXPECT_EQ(response.final_url, location);
    EXPECT_TRUE(response.body.empty()) << location;
    EXPECT_EQ(LastTarget(), "/call") << location;  // nothing else was asked for
  }
}

TEST_F(FetcherHabits, FoundWithABodyAndNoLocationIsThePage) {
  origin_.Serve("/moved", RawResponse("302 Found",
                                      "Content-Type: text/vnd.wap.wml\r\n" + Length(kDeck), kDeck));
  const FetchResponse response = Fetch(Get(origin_.Url("/moved")));
  EXPECT_EQ(response.failure, FetchFailure::kNone) << response.message;
  EXPECT_EQ(response.status, 302u);
  EXPECT_EQ(response.body, kDeck);
}

TEST_F(FetcherHabits, MovedPermanentlyAfterAPostContinuesAsAGet) {
  ServeRedirect("/post.php", "/done.wml", "301 Moved Permanently");
  ServeDeck("/done.wml");
  const FetchResponse response =
      Fetch(Post(origin_.Url("/post.php"), "a=1", "application/x-www-form-urlencoded"));
  EXPECT_EQ(response.failure, FetchFailure::kNone) << response.message;
  const auto requests = origin_.requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].method, "POST");
  EXPECT_EQ(requests[0].body, "a=1");
  EXPECT_EQ(requests[1].method, "GET");
  EXPECT_TRUE(requests[1].body.empty());
}

// ---- Framing -----------------------------------------------------------------------------

TEST_F(FetcherHabits, Http10BodyEndsWhenTheServerCloses) {
  origin_.Serve("/old",
                "HTTP/1.0 200 OK\r\nContent-Type: text/vnd.wap.wml\r\n\r\n" + std::string(kDeck));
  const FetchResponse response = Fetch(Get(origin_.Url("/old")));
  EXPECT_EQ(response.failure, FetchFailure::kNone) << response.message;
  EXPECT_EQ(response.body, kDeck);
  EXPECT_FALSE(response.truncated);
}

// A body shorter than its Content-Length is what the site had (a script that died, a length
// computed before a last edit): it is kept, marked truncated, as browsers show what came.
TEST_F(FetcherHabits, BodyShorterThanItsLengthIsKeptAndMarkedTruncated) {
  origin_.Serve("/short", RawResponse("200 OK",
                                      "Content-Type: text/vnd.wap.wml\r\n"
                                      "Content-Length: 5000\r\n",
                                      kDeck));
  const FetchResponse response = Fetch(Get(origin_.Url("/short")));
  EXPECT_EQ(response.failure, FetchFailure::kNone) << response.message;
  EXPECT_EQ(response.body, kDeck);
  EXPECT_TRUE(response.truncated);
}

TEST_F(FetcherHabits, ChunkedBodyWithABadEndingKeepsItsChunks) {
  const std::string ending[] = {"", "zz\r\n", "0\r\n"};  // closed, garbage, no final CRLF
  for (const std::string& tail : ending) {
    origin_.Serve("/chunks", RawResponse("200 OK",
                                         "Content-Type: text/plain\r\n"
                                         "Transfer-Encoding: chunked\r\n",
                                         "6\r\nhello \r\n5\r\nphone\r\n" + tail));
    const FetchResponse response = Fetch(Get(origin_.Url("/chunks")));
    EXPECT_EQ(response.failure, FetchFailure::kNone) << tail << ": " << response.message;
    EXPECT_EQ(response.body, "hello phone") << tail;
  }
}

TEST_F(FetcherHabits, DeflateArrivesDecodedWhetherZlibWrappedOrRaw) {
  for (GZlibCompressorFormat format :
       {G_ZLIB_COMPRESSOR_FORMAT_ZLIB, G_ZLIB_COMPRESSOR_FORMAT_RAW}) {
    const std::string packed = test::ZlibCompress(kDeck, format);
    ServeEncoded("/z", "deflate", packed);
    const FetchResponse response = Fetch(Get(origin_.Url("/z")));
    EXPECT_EQ(response.failure, FetchFailure::kNone) << format << ": " << response.message;
    EXPECT_EQ(response.body, kDeck) << format;
  }
}

TEST_F(FetcherHabits, BodyLabelledGzipButSentPlainArrivesAsSent) {
  ServeEncoded("/liar", "gzip", kDeck);
  const FetchResponse response = Fetch(Get(origin_.Url("/liar")));
  EXPECT_EQ(response.failure, FetchFailure::kNone) << response.message;
  EXPECT_EQ(response.body, kDeck);
}

// A script's header() after the server's default: browsers take the last one.
TEST_F(FetcherHabits, DoubledContentTypeTakesTheLastAndAMissingOneIsEmpty) {
  origin_.Serve("/twice", RawResponse("200 OK",
                                      "Content-Type: text/html\r\n"
                                      "Content-Type: text/vnd.wap.wml;charset=gb2312\r\n" +
                                          Length(kDeck),
                                      kDeck));
  const FetchResponse twice = Fetch(Get(origin_.Url("/twice")));
  EXPECT_EQ(twice.content_type, "text/vnd.wap.wml;charset=gb2312");
  origin_.Serve("/none", RawResponse("200 OK", Length(kDeck), kDeck));
  const FetchResponse none = Fetch(Get(origin_.Url("/none")));
  EXPECT_EQ(none.failure, FetchFailure::kNone) << none.message;
  EXPECT_EQ(none.content_type, "");
  EXPECT_EQ(none.body, kDeck);
}

// ---- Slow and dead servers -----------------------------------------------------------------

TEST_F(FetcherHabits, HeadersThenSilenceTimesOutWithinTheTotalBound) {
  origin_.Serve(
      "/stall",
      RawResponse("200 OK", "Content-Type: text/vnd.wap.wml\r\nContent-Length: 900\r\n", "<?xml"),
      RawOrigin::End::kStall);
  FetcherOptions options;
  options.first_byte_timeout = std::chrono::milliseconds(5000);
  options.total_timeout = std::chrono::milliseconds(300);
  Recreate(options);
  const auto started = std::chrono::steady_clock::now();
  const FetchResponse response = Fetch(Get(origin_.Url("/stall")));
  EXPECT_EQ(response.failure, FetchFailure::kTimeout);
  EXPECT_EQ(response.status, 200u);
  EXPECT_NE(response.message.find("300 ms"), std::string::npos) << response.message;
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(4000));
}

TEST_F(FetcherHabits, GzipBombStopsAtTheBound) {
  const std::string bomb = test::GzipCompress(std::string(64u << 20, 'a'));
  ServeEncoded("/bomb", "gzip", bomb);
  FetcherOptions options;
  options.max_body_bytes = 256u << 10;
  Recreate(options);
  ASSERT_LT(bomb.size(), 128u << 10);
  const FetchResponse response = Fetch(Get(origin_.Url("/bomb")));
  EXPECT_EQ(response.failure, FetchFailure::kTooLarge);
  EXPECT_NE(response.message.find(std::to_string(256u << 10)), std::string::npos)
      << response.message;
  EXPECT_TRUE(response.body.empty());
}

}  // namespace
}  // namespace tovarin::gateway
