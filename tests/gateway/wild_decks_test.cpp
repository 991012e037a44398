// Decks written the way WAP sites served them in 2003-2012 (tests/data/wml/wild_*.wml, each
// one's habits listed in wild_corpus.md), fed through Transcode() as the service does: the bytes,
// the Content-Type the site sent and the final address. What is checked is what a user must
// see: the texts in UTF-8 (so a wrong charset shows as a mismatch), the addresses links and
// tasks lead to, the fields, and that nothing that could run gets out.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "gateway/transcoder.h"
#include "tests/gateway/fake_service_links.h"
#include "tests/gateway/wild_pages_support.h"
#include "tests/gateway/wml_test_support.h"

namespace tovarin::gateway {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using wild_testing::ButtonNavigation;
using wild_testing::ExpectNothingRuns;
using wild_testing::LinkTo;
using wild_testing::OpenPage;
using wild_testing::PageText;
using wml_testing::FindElements;
using wml_testing::HtmlElement;

constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

std::string Title(const std::string& html) {
  std::vector<HtmlElement> titles = wml_testing::FindElementsOfClass(html, "h1", "wml-title");
  return titles.empty() ? std::string() : titles[0].Text();
}

// ---- Charsets ------------------------------------------------------------------------------

TEST(WildDeckCharsets, Gb2312LabelOverGbkAndGb18030Characters) {
  WmlContext context;
  const std::string url = "http://wap.example.cn/news/index.wml";
  TranscodeResult page = OpenPage("wml/wild_news_gbk_labelled_gb2312.wml",
                                  "text/vnd.wap.wml; charset=\"GB2312\"", url, context);
  ASSERT_EQ(page.kind, TranscodeResult::Kind::kHtml) << page.error;
  EXPECT_EQ(Title(page.body), "新闻频道");
  const std::string text = PageText(page.body);
  // 镕 喆 堃 are GBK-only, 㐀 needs GB18030's four bytes, € is GBK's single byte 80.
  EXPECT_THAT(text, HasSubstr("头条：朱镕基谈经济\u00A0详细»"));
  EXPECT_THAT(text, HasSubstr("人物：陶喆 王堃"));
  // HTML entities WML does not define, ￥ and a "$" that starts no variable, all as written.
  EXPECT_THAT(text, HasSubstr("古字㐀 欧元€ 话费￥5/月 · 另计$5 ©2005"));
  EXPECT_THAT(page.body, Not(HasSubstr(kReplacementCharacter)));
  // The session id in the path and the escaped ampersand in the query, as the site wrote them.
  EXPECT_EQ(LinkTo(page.body, "详细»"),
            FakeServiceLinks::PageAddress(
                "http://wap.example.cn/news/news.jsp;jsessionid=A1B2C3?id=12&p=1"));
  std::vector<HtmlElement> images = FindElements(page.body, "img");
  ASSERT_EQ(images.size(), 1u);
  EXPECT_EQ(images[0].Attribute("src"),
            FakeServiceLinks::ImageAddress("http://wap.example.cn/img/logo.gif"));
  EXPECT_EQ(images[0].Attribute("alt"), "新闻");
}

TEST(WildDeckDamage, TruncatedDownloadWithNulShowsWhatArrived) {
  WmlContext context;
  TranscodeResult page =
      OpenPage("wml/wild_truncated_download_with_nul.wml", "text/vnd.wap.wml; charset=utf-8",
               "http://wap.example.cn/top/list.wml", context);
  ASSERT_EQ(page.kind, TranscodeResult::Kind::kHtml) << page.error;
  EXPECT_EQ(Title(page.body), "排行榜");
  const std::string text = PageText(page.body);
  EXPECT_THAT(text, HasSubstr("1. 七里香"));
  EXPECT_THAT(text, HasSubstr("2. 夜曲"));
  // The download stops inside the last character: the rest of the line is still there.
  EXPECT_THAT(text, HasSubstr("4. 晴"));
  EXPECT_EQ(LinkTo(page.body, "3. 稻香"),
            FakeServiceLinks::PageAddress("http://wap.example.cn/top/song.php?id=3"));
  EXPECT_EQ(page.body.find('\0'), std::string::npos);
}

TEST(WildDeckDamage, WmlServedAsHtmlTextPlainAndOctetStreamIsStillWml) {
  WmlContext context;
  for (std::string_view type : {"text/html", "text/plain", "application/octet-stream"}) {
    TranscodeResult page = OpenPage("wml/wild_gbk_single_quoted_served_as_text_plain.wml", type,
                                    "http://wap.example.cn/svc/index.wml#main", context);
    ASSERT_EQ(page.kind, TranscodeResult::Kind::kHtml) << type << ": " << page.error;
    EXPECT_EQ(Title(page.body), "服务") << type;
  }
}

// ---- Links --------------------------------------------------------------------------------

TEST(WildDeckLinks, SplashTimerLeadsToTheMainCard) {
  WmlContext context;
  const std::string url = "http://wap.example.cn/svc/index.wml";
  TranscodeResult page =
      OpenPage("wml/wild_gbk_single_quoted_served_as_text_plain.wml", "text/plain", url, context);
  ASSERT_EQ(page.kind, TranscodeResult::Kind::kHtml) << page.error;
  EXPECT_EQ(Title(page.body), "载入中");
  // value="30" is in tenths of a second.
  EXPECT_THAT(page.body, HasSubstr("<meta http-equiv=\"refresh\" content=\"3.0;url=" +
                                   FakeServiceLinks::PageAddress(url + "#main") + "\">"));
  std::vector<HtmlElement> images = FindElements(page.body, "img");
  ASSERT_EQ(images.size(), 1u);
  EXPECT_EQ(images[0].Attribute("src"),
            FakeServiceLinks::ImageAddress("http://wap.example.cn/svc/splash.jpg"));
  EXPECT_EQ(images[0].Attribute("alt"), "载入中...");
}

TEST(WildDeckLinks, PhoneSchemesAreShownScriptIsNeutralisedPicturesGoThroughTheService) {
  WmlContext context;
  TranscodeResult page =
      OpenPage("wml/wild_gbk_single_quoted_served_as_text_plain.wml", "text/plain",
               "http://wap.example.cn/svc/index.wml#main", context);
  ASSERT_EQ(page.kind, TranscodeResult::Kind::kHtml) << page.error;
  const std::string text = PageText(page.body);
  // Calls, texts and mail cannot be made from here: the label and its target are shown.
  EXPECT_THAT(text, HasSubstr("拨打客服 (wtai://wp/mc;10086)"));
  EXPECT_THAT(text, HasSubstr("查号 (tel:12580)"));
  EXPECT_THAT(text, HasSubstr("写信 (mailto:kf@example.cn)"));
  EXPECT_THAT(text, HasSubstr("抽奖"));
  EXPECT_EQ(LinkTo(page.body, "抽奖", /*expect_found=*/false), "");
  ExpectNothingRuns(page.body);
  EXPECT_EQ(LinkTo(page.body, "铃声图"),
            FakeServiceLinks::PageAddress("http://wap.example.cn/svc/ring/001.wbmp"));
  EXPECT_EQ(LinkTo(page.body, "彩图"),
            FakeServiceLinks::PageAddress("http://wap.example.cn/svc/pic/002.gif"));
  std::vector<HtmlElement> images = FindElements(page.body, "img");
  ASSERT_EQ(images.size(), 1u);
  EXPECT_EQ(images[0].Attribute("src"),
            FakeServiceLinks::ImageAddress("http://wap.example.cn/svc/icon/hot.wbmp"));
  // The picture whose address is script is its alt text.
  EXPECT_THAT(text, HasSubstr("坏图"));
}

TEST(WildDeckLinks, LoadingSplashRedirectsOnEntryAndShowsItsLinkOnTheWayBack) {
  WmlContext context;
  ASSERT_TRUE(context.variables.Set("sid", "S1"));
  const std::string url = "http://wap.example.cn/index.wml";
  TranscodeResult forward =
      OpenPage("wml/wild_onenterforward_loading_splash.wml", "text/vnd.wap.wml", url, context);
  ASSERT_EQ(forward.kind, TranscodeResult::Kind::kNavigate) << forward.error;
  EXPECT_EQ(forward.navigation.url, "http://wap.example.cn/index.jsp?from=splash&sid=S1");
  TranscodeResult back = OpenPage("wml/wild_onenterforward_loading_splash.wml", "text/vnd.wap.wml",
                                  url, context, EntryDirection::kBackward);
  ASSERT_EQ(back.kind, TranscodeResult::Kind::kHtml) << back.error;
  EXPECT_EQ(LinkTo(back.body, "点此进入"),
            FakeServiceLinks::PageAddress("http://wap.example.cn/index.jsp?from=splash"));
}

// ---- Forms and cards ----------------------------------------------------------------------

}  // namespace
}  // namespace tovarin::gateway
