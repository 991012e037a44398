// The whole service against what old WAP servers answered: error statuses with and without a
// page of their own, empty answers, Content-Type headers written loosely, and the cookies of
// a login kept through the service's state cookies in the forms those servers wrote them.

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "tests/gateway_service/gateway_fixture.h"
#include "tests/gateway_service/raw_origin.h"

namespace tovarin::gateway::test {
namespace {

using GatewayHabits = GatewayFixture;

std::string Deck(std::string_view text) {
  return std::string(kWmlPrologue) + "<wml><card id=\"c\"><p>" + std::string(text) +
         "</p></card></wml>";
}

// The "name=value" pairs of a Cookie header.
std::set<std::string> CookiePairs(const std::string& header) {
  std::set<std::string> pairs;
  std::size_t start = 0;
  while (start < header.size()) {
    std::size_t end = header.find("; ", start);
    if (end == std::string::npos) end = header.size();
    pairs.insert(header.substr(start, end - start));
    start = end + 2;
  }
  return pairs;
}

// The answer is a page (200) whose text holds `text`.
void ExpectShown(const ServiceAnswer& answer, std::string_view text, std::string_view what) {
  ASSERT_TRUE(answer.completed) << what;
  EXPECT_EQ(answer.status, 200u) << what;
  EXPECT_NE(VisibleText(answer.body).find(text), std::string::npos)
      << what << ": " << VisibleText(answer.body);
}

// ---- Statuses ------------------------------------------------------------------------------

// A site's own "not found" or "server error" deck says what to do next (a link home, a
// retry): the user sees it, as a phone showed it.
TEST_F(GatewayHabits, ErrorStatusWithADeckShowsTheDeck) {
  for (unsigned status : {404u, 500u, 403u}) {
    origin_.Handle("/gone.wml", [status](SoupServerMessage* message, const ReceivedRequest&) {
      Respond(message, status, kWmlType, Deck("Page moved, go home"));
    });
    ExpectShown(Open(Typed("/gone.wml")), "Page moved, go home", std::to_string(status));
  }
}

// An error status with nothing to show gives the error page, which names the status and what
// it means for the user.
TEST_F(GatewayHabits, ErrorStatusWithoutABodyNamesTheStatus) {
  const struct {
    unsigned status;
    const char* says;
  } cases[] = {
      {404, "404"}, {500, "500"}, {401, "401"}, {403, "403"}, {410, "410"}, {302, "302"},
  };
  for (const auto& c : cases) {
    origin_.Handle("/x.wml", [&c](SoupServerMessage* message, const ReceivedRequest&) {
      Respond(message, c.status, "text/html", "");
    });
    const ServiceAnswer answer = Open(Typed("/x.wml"));
    ASSERT_TRUE(answer.completed);
    EXPECT_EQ(answer.status, 502u) << c.status;
    EXPECT_NE(VisibleText(answer.body).find(c.says), std::string::npos)
        << c.status << ": " << VisibleText(answer.body);
  }
}

TEST_F(GatewayHabits, UnavailableWithRetryAfterSaysWhenToTryAgain) {
  origin_.Handle("/busy.wml", [](SoupServerMessage* message, const ReceivedRequest&) {
    Respond(message, 503, "text/vnd.wap.wml", "");
    soup_message_headers_replace(soup_server_message_get_response_headers(message), "Retry-After",
                                 "120");
  });
  const ServiceAnswer answer = Open(Typed("/busy.wml"));
  ASSERT_TRUE(answer.completed);
  EXPECT_EQ(answer.status, 502u);
  const std::string text = VisibleText(answer.body);
  EXPECT_NE(text.find("503"), std::string::npos) << text;
  EXPECT_NE(text.find("120 秒"), std::string::npos) << text;
}

TEST_F(GatewayHabits, EmptyOkPageGivesTheErrorPage) {
  Serve("/blank.wml", "");
  const ServiceAnswer answer = Open(Typed("/blank.wml"));
  ASSERT_TRUE(answer.completed);
  EXPECT_EQ(answer.status, 502u);
  EXPECT_NE(VisibleText(answer.body).find("空"), std::string::npos) << VisibleText(answer.body);
}

// 204 means "stay where you are": the service answers 204 too, and the view keeps its page.
TEST_F(GatewayHabits, NoContentIsPassedOnSoTheViewStays) {
  origin_.Handle("/ping.php", [](SoupServerMessage* message, const ReceivedRequest&) {
    soup_server_message_set_status(message, 204, nullptr);
  });
  const ServiceAnswer answer = Open(Typed("/ping.php"));
  ASSERT_TRUE(answer.completed);
  EXPECT_EQ(answer.status, 204u);
  EXPECT_TRUE(answer.body.empty());
}

// ---- Content types -----------------------------------------------------------------------------

TEST_F(GatewayHabits, LooselyWrittenCharsetsAreRead) {
  // "中文页面" in GB2312.
  const std::string gb2312_deck =
      "<?xml version=\"1.0\"?>\n<wml><card id=\"c\"><p>\xD6\xD0\xCE\xC4\xD2\xB3\xC3\xE6</p></card>"
      "</wml>";
  for (const char* type :
       {"text/vnd.wap.wml;charset=gb2312", "text/vnd.wap.wml; Charset=\"GB2312\"",
        "Text/VND.WAP.WML; CHARSET=gb2312"}) {
    Serve("/cn.wml", gb2312_deck, type);
    ExpectShown(Open(Typed("/cn.wml")), "中文页面", type);
  }
}

TEST_F(GatewayHabits, DoubledOrMissingContentTypeStillShowsTheDeck) {
  RawOrigin raw;
  const std::string deck = Deck("Two types");
  const std::string length = "Content-Length: " + std::to_string(deck.size()) + "\r\n";
  raw.Serve("/twice.wml", RawResponse("200 OK",
                                      "Content-Type: text/html\r\n"
                                      "Content-Type: text/vnd.wap.wml\r\n" +
                                          length,
                                      deck));
  raw.Serve("/none.wml", RawResponse("200 OK", length, deck));
  for (const char* path : {"/twice.wml", "/none.wml"}) {
    ExpectShown(Open("127.0.0.1:" + std::to_string(raw.port()) + path), "Two types", path);
  }
}

TEST_F(GatewayHabits, DeckCutShortOfItsLengthShowsWhatCame) {
  RawOrigin raw;
  raw.Serve("/cut.wml",
            RawResponse("200 OK",
                        "Content-Type: text/vnd.wap.wml\r\n"
                        "Content-Length: 4000\r\n",
                        std::string(kWmlPrologue) + "<wml><card id=\"c\"><p>First part arrived"));
  raw.Serve("/whole.wml", RawResponse("200 OK",
                                      "Content-Type: text/vnd.wap.wml\r\n"
                                      "Content-Length: " +
                                          std::to_string(Deck("Whole").size()) + "\r\n",
                                      Deck("Whole")));
  const std::string site = "127.0.0.1:" + std::to_string(raw.port());
  ExpectShown(Open(site + "/cut.wml"), "First part arrived", "cut deck");
  ExpectShown(Open(site + "/whole.wml"), "Whole", "whole deck");
  ASSERT_EQ(raw.requests().size(), 2u);
  // A card of a deck already fetched comes from the cache; a cut deck was not kept there.
  const auto card = [&](std::string_view path) {
    return viewer_.Get(ServiceUrl("/gw/page?u=" + PercentEncode(raw.Url(path))));
  };
  ExpectShown(card("/whole.wml#c"), "Whole", "whole deck's card");
  EXPECT_EQ(raw.requests().size(), 2u);
  ExpectShown(card("/cut.wml#c"), "First part arrived", "cut deck's card");
  EXPECT_EQ(raw.requests().size(), 3u);
}

// ---- Cookies -----------------------------------------------------------------------------------

// A login deck sets its cookies the ways servers of the time wrote them; the member page then
// needs them back, through the service's state cookies only.
TEST_F(GatewayHabits, LoginCookiesInOldFormsReachTheMemberPage) {
  origin_.Handle("/u/login.php", [](SoupServerMessage* message, const ReceivedRequest&) {
    SoupMessageHeaders* headers = soup_server_message_get_response_headers(message);
    // Netscape's date form, a domain with a leading dot, no path (so the directory /u).
    soup_message_headers_append(headers, "Set-Cookie",
                                "sid=ab 12; expires=Wednesday, 31-Dec-2036 23:59:59 GMT; "
                                "domain=.wap.localhost; path=/");
    soup_message_headers_append(headers, "Set-Cookie", "theme=\"dark blue\"");
    // Two cookies folded into one header, one of them with an expiry date holding a comma.
    soup_message_headers_append(headers, "Set-Cookie",
                                "lang=zh; expires=Fri, 31-Dec-2036 23:59:59 GMT; path=/, "
                                "nick=ming; path=/");
    soup_message_headers_append(headers, "Set-Cookie",
                                "old=1; expires=Thursday, 01-Jan-1970 00:00:01 GMT; path=/");
    Respond(message, 200, kWmlType, Deck("Welcome"));
  });
  origin_.Handle("/u/member.php", [](SoupServerMessage* message, const ReceivedRequest&) {
    Respond(message, 200, kWmlType, Deck("Members only"));
  });
  origin_.Handle("/top.php", [](SoupServerMessage* message, const ReceivedRequest&) {
    Respond(message, 200, kWmlType, Deck("Top"));
  });
  const std::string host = "m.wap.localhost:" + std::to_string(origin_.port());
  ASSERT_EQ(Open(host + "/u/login.php").status, 200u);
  ASSERT_EQ(Open(host + "/u/member.php").status, 200u);
  ASSERT_EQ(origin_.RequestCount("/u/member.php"), 1u);
  EXPECT_EQ(CookiePairs(origin_.requests().back().Header("cookie")),
            (std::set<std::string>{"sid=ab 12", "theme=\"dark blue\"", "lang=zh", "nick=ming"}));
  ASSERT_EQ(Open(host + "/top.php").status, 200u);
  EXPECT_EQ(CookiePairs(origin_.requests().back().Header("cookie")),
            (std::set<std::string>{"sid=ab 12", "lang=zh", "nick=ming"}));
}

}  // namespace
}  // namespace tovarin::gateway::test
