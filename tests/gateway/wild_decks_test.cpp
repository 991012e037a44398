// Decks written the way WAP sites served them in 2003-2012 (tests/data/wml/wild_*.wml, each
// one's habits listed in wild_corpus.md), fed through Transcode() as the service does: the bytes,
// the Content-Type the site sent and the final address. What is checked is what a user must
// see: the texts in UTF-8 (so a wrong charset shows as a mismatch), the addresses links and
// tasks lead to, the fields, and that nothing that could run gets out.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

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
using wild_testing::CardTitle;
using wild_testing::ExpectNothingRuns;
using wild_testing::kReplacementCharacter;
using wild_testing::LinkTo;
using wild_testing::OpenPage;
using wild_testing::PageText;
using wml_testing::FindElements;
using wml_testing::HtmlElement;

// ---- Charsets ------------------------------------------------------------------------------

TEST(WildDeckCharsets, Gb2312LabelOverGbkAndGb18030Characters) {
  WmlContext context;
  const std::string url = "http://wap.example.cn/news/index.wml";
  TranscodeResult page = OpenPage("wml/wild_news_gbk_labelled_gb2312.wml",
                                  "text/vnd.wap.wml; charset=\"GB2312\"", url, context);
  ASSERT_EQ(page.kind, TranscodeResult::Kind::kHtml) << page.error;
  EXPECT_EQ(CardTitle(page.body), "新闻频道");
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
  // Raw Chinese in the query goes in the deck's charset, as a browser sends it: 朱镕基 in GBK
  // is D6 EC, E9 46 ('F'), BB F9. The lone '&' separates the parameters.
  EXPECT_EQ(LinkTo(page.body, "搜索"),
            FakeServiceLinks::PageAddress(
                "http://wap.example.cn/news/search.jsp?kw=%D6%EC%E9F%BB%F9&t=1#top"));
  std::vector<HtmlElement> images = FindElements(page.body, "img");
  ASSERT_EQ(images.size(), 1u);
  EXPECT_EQ(images[0].Attribute("src"),
            FakeServiceLinks::ImageAddress("http://wap.example.cn/img/logo.gif"));
  EXPECT_EQ(images[0].Attribute("alt"), "新闻");
}

TEST(WildDeckCharsets, Utf8HeaderOverGbkBytesAfterAPhpWarning) {
  WmlContext context;
  const std::string url = "http://wap.example.cn/book/ch1.php?id=1";
  TranscodeResult page = OpenPage("wml/wild_php_warning_gbk_served_as_utf8.wml",
                                  "text/vnd.wap.wml;charset=utf-8", url, context);
  ASSERT_EQ(page.kind, TranscodeResult::Kind::kHtml) << page.error;
  EXPECT_EQ(CardTitle(page.body), "小说连载");
  EXPECT_THAT(PageText(page.body), HasSubstr("第一章 风起"));
  EXPECT_THAT(page.body, Not(HasSubstr(kReplacementCharacter)));
  EXPECT_EQ(LinkTo(page.body, "返回目录"),
            FakeServiceLinks::PageAddress("http://wap.example.cn/book/list.php?cat=2&page=1"));
  EXPECT_EQ(LinkTo(page.body, "下一章"),
            FakeServiceLinks::PageAddress("http://wap.example.cn/book/ch2.php?id=2"));
  // A space in the path is escaped; 章节 in the query goes in GBK (D5 C2 BD DA).
  EXPECT_EQ(
      LinkTo(page.body, "第三章"),
      FakeServiceLinks::PageAddress("http://wap.example.cn/book/ch%203.php?id=3&t=%D5%C2%BD%DA"));
  EXPECT_EQ(LinkTo(page.body, "更多"), FakeServiceLinks::PageAddress(url + "#more"));
  // The server's warning and the counter script after </wml> are not part of the deck.
  EXPECT_THAT(page.body, Not(HasSubstr("mysql_connect")));
  EXPECT_THAT(page.body, Not(HasSubstr("document.write")));
  ExpectNothingRuns(page.body);

  TranscodeResult more = OpenPage("wml/wild_php_warning_gbk_served_as_utf8.wml",
                                  "text/vnd.wap.wml;charset=utf-8", url + "#more", context);
  ASSERT_EQ(more.kind, TranscodeResult::Kind::kHtml) << more.error;
  EXPECT_EQ(CardTitle(more.body), "更多");
  EXPECT_THAT(PageText(more.body), HasSubstr("作者：佚名"));
}

TEST(WildDeckCharsets, ServerDefaultLatin1HeaderOverAGbDeck) {
  WmlContext context;
  TranscodeResult page = OpenPage("wml/wild_php_warning_gbk_served_as_utf8.wml",
                                  "text/vnd.wap.wml; charset=ISO-8859-1",
                                  "http://wap.example.cn/book/ch1.php?id=1", context);
  ASSERT_EQ(page.kind, TranscodeResult::Kind::kHtml) << page.error;
  EXPECT_EQ(CardTitle(page.body), "小说连载");
  EXPECT_THAT(PageText(page.body), HasSubstr("第一章 风起"));
}

TEST(WildDeckCharsets, UndeclaredGbkTagSoup) {
  WmlContext context;
  TranscodeResult page = OpenPage("wml/wild_undeclared_gbk_tag_soup.wml", "text/vnd.wap.wml",
                                  "http://wap.example.cn/tq/index.wml", context);
  ASSERT_EQ(page.kind, TranscodeResult::Kind::kHtml) << page.error;
  EXPECT_EQ(CardTitle(page.body), "手机天气");
  const std::string text = PageText(page.body);
  EXPECT_THAT(text, HasSubstr("北京 晴"));
  EXPECT_THAT(text, HasSubstr("今天 25℃"));
  EXPECT_THAT(text, HasSubstr("明天 多云"));
  // A lone '&' and '<' in text are shown as the characters; HTML entities as theirs.
  EXPECT_THAT(text, HasSubstr("空气&质量 < 50 良… 门票¥30"));
  EXPECT_THAT(page.body, Not(HasSubstr(kReplacementCharacter)));
  std::vector<HtmlElement> images = FindElements(page.body, "img");
  ASSERT_EQ(images.size(), 1u);
  EXPECT_EQ(images[0].Attribute("src"),
            FakeServiceLinks::ImageAddress("http://wap.example.cn/tq/img/sun.wbmp"));
  EXPECT_EQ(images[0].Attribute("alt"), "晴");
  // Unquoted, single-quoted and duplicated attributes: the first of a pair counts, as in HTML.
  EXPECT_EQ(LinkTo(page.body, "上海"),
            FakeServiceLinks::PageAddress("http://wap.example.cn/tq/city.wml?c=sh"));
  EXPECT_EQ(LinkTo(page.body, "广州"),
            FakeServiceLinks::PageAddress("http://wap.example.cn/tq/city.wml?c=gz"));
}

TEST(WildDeckCharsets, UndeclaredBig5) {
  // Big5 bytes read without error as GBK too (as a string of rare characters).
  WmlContext context;
  TranscodeResult page = OpenPage("wml/wild_undeclared_big5.wml", "text/vnd.wap.wml",
                                  "http://wap.example.tw/game/index.asp", context);
  ASSERT_EQ(page.kind, TranscodeResult::Kind::kHtml) << page.error;
  EXPECT_EQ(CardTitle(page.body), "手機遊戲下載");
  const std::string text = PageText(page.body);
  EXPECT_THAT(text, HasSubstr("歡迎光臨！今日熱門遊戲：三國志、仙劍奇俠傳。"));
  EXPECT_THAT(text, HasSubstr("會員登錄後可以免費下載，每天都有新的遊戲。"));
  EXPECT_EQ(LinkTo(page.body, "角色扮演"),
            FakeServiceLinks::PageAddress("http://wap.example.tw/game/list.asp?type=rpg"));
}

TEST(WildDeckCharsets, Utf8BomBeatsAGb2312DeclarationAndCdataIsText) {
  WmlContext context;
  TranscodeResult page =
      OpenPage("wml/wild_utf8_bom_declares_gb2312.wml", "application/octet-stream",
               "http://wap.example.cn/tq/c.wml", context);
  ASSERT_EQ(page.kind, TranscodeResult::Kind::kHtml) << page.error;
  EXPECT_EQ(CardTitle(page.body), "天气预报");
  const std::string text = PageText(page.body);
  // The comment holds "--", so the deck is not XML; its CDATA section is still plain text.
  EXPECT_THAT(text, HasSubstr("<今日> 晴 & 热"));
  EXPECT_THAT(text, Not(HasSubstr("CDATA")));
  // Numeric references, hexadecimal and decimal, for a symbol and for Chinese characters.
  EXPECT_THAT(text, HasSubstr("温度 25℃, 湿度 中文等"));
  EXPECT_THAT(text, Not(HasSubstr("header")));
}

TEST(WildDeckCharsets, GbLabelOverUtf8BytesAndItsFormsGoInUtf8) {
  WmlContext context;
  ASSERT_TRUE(context.variables.Set("user", "阿明"));
  const std::string url = "http://wap.example.cn/u/login.wml";
  TranscodeResult page = OpenPage("wml/wild_utf8_login_labelled_gb2312.wml",
                                  "text/vnd.wap.wml; charset=GB2312", url, context);
  ASSERT_EQ(page.kind, TranscodeResult::Kind::kHtml) << page.error;
  EXPECT_EQ(CardTitle(page.body), "会员登录");
  const std::string text = PageText(page.body);
  EXPECT_THAT(text, HasSubstr("手机号："));
  EXPECT_THAT(text, HasSubstr("密码："));
  EXPECT_THAT(page.body, Not(HasSubstr(kReplacementCharacter)));
  // The site is really UTF-8, so what the user typed goes to it in UTF-8 (阿明 = E9 98 BF,
  // E6 98 8E), not as GB2312 bytes it would read as mojibake.
  Navigation reg = ButtonNavigation(page.body, "注册", url + "#login", context);
  EXPECT_EQ(reg.url, "http://wap.example.cn/u/reg.do");
  EXPECT_TRUE(reg.post);
  EXPECT_EQ(reg.body, "m=%E9%98%BF%E6%98%8E");
}

// ---- Garbage, cuts and lies about the type --------------------------------------------------

TEST(WildDeckDamage, TruncatedDownloadWithNulShowsWhatArrived) {
  WmlContext context;
  TranscodeResult page =
      OpenPage("wml/wild_truncated_download_with_nul.wml", "text/vnd.wap.wml; charset=utf-8",
               "http://wap.example.cn/top/list.wml", context);
  ASSERT_EQ(page.kind, TranscodeResult::Kind::kHtml) << page.error;
  EXPECT_EQ(CardTitle(page.body), "排行榜");
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
    EXPECT_EQ(CardTitle(page.body), "服务") << type;
  }
}

// ---- Links --------------------------------------------------------------------------------

TEST(WildDeckLinks, SplashTimerLeadsToTheMainCard) {
  WmlContext context;
  const std::string url = "http://wap.example.cn/svc/index.wml";
  TranscodeResult page =
      OpenPage("wml/wild_gbk_single_quoted_served_as_text_plain.wml", "text/plain", url, context);
  ASSERT_EQ(page.kind, TranscodeResult::Kind::kHtml) << page.error;
  EXPECT_EQ(CardTitle(page.body), "载入中");
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

TEST(WildDeckLinks, Big5DeckQueriesGoInBig5PathsInUtf8) {
  WmlContext context;
  ASSERT_TRUE(context.variables.Set("user", "阿明"));
  ASSERT_TRUE(context.variables.Set("sid", "S1"));
  ASSERT_TRUE(context.variables.Set("kw", "手機 遊戲"));
  ASSERT_TRUE(context.variables.Set("url", "http://wap.example.tw/fav.asp?x=1"));
  const std::string url = "http://wap.example.tw/bbs/index.asp";
  TranscodeResult page =
      OpenPage("wml/wild_big5_board_served_as_html.wml", "text/html", url, context);
  ASSERT_EQ(page.kind, TranscodeResult::Kind::kHtml) << page.error;
  EXPECT_EQ(CardTitle(page.body), "閒聊區");
  EXPECT_THAT(PageText(page.body), HasSubstr("歡迎 阿明！"));
  const std::string card = url + "#board";
  // 閒聊: U+9592 U+804A, UTF-8 E9 96 92 E8 81 8A; Big5 B6 A2 B2 E1.
  EXPECT_EQ(ButtonNavigation(page.body, "下一頁", card, context).url,
            "http://wap.example.tw/bbs/%E9%96%92%E8%81%8A/"
            "list.asp?board=%B6%A2%B2%E1&page=2&sid=S1");
  // 手機 遊戲 in Big5: A4 E2 BE F7, 20, B9 43 C0 B8 (43 is 'C'); ":e" escapes it, ":u" inserts
  // it as it is and the query is then written in Big5 as a browser sends it.
  EXPECT_EQ(ButtonNavigation(page.body, "搜尋", card, context).url,
            "http://wap.example.tw/bbs/search.asp?kw=%A4%E2%BE%F7%20%B9C%C0%B8"
            "&raw=%A4%E2%BE%F7%20%B9C%C0%B8&s=S1");
  EXPECT_EQ(ButtonNavigation(page.body, "書籤", card, context).url,
            "http://wap.example.tw/fav.asp?x=1");
  // Options that navigate when picked are a menu of links.
  EXPECT_EQ(ButtonNavigation(page.body, "熱門", card, context).url,
            "http://wap.example.tw/bbs/hot.asp");
  EXPECT_EQ(ButtonNavigation(page.body, "說明", card, context).url,
            "http://wap.example.tw/bbs/index.asp#help");
  EXPECT_THAT(wml_testing::SoftKeyBar(page.body), HasSubstr("返回"));
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

TEST(WildDeckForms, LoginCardFieldsTableAndSoftKeys) {
  WmlContext context;
  const std::string url = "http://wap.example.cn/u/login.wml";
  TranscodeResult page = OpenPage("wml/wild_utf8_login_labelled_gb2312.wml",
                                  "text/vnd.wap.wml; charset=GB2312", url, context);
  ASSERT_EQ(page.kind, TranscodeResult::Kind::kHtml) << page.error;
  std::vector<HtmlElement> inputs = FindElements(page.body, "input");
  std::vector<std::string> visible_fields;
  for (const HtmlElement& input : inputs) {
    if (input.Attribute("type") == "hidden") continue;
    visible_fields.push_back(input.Attribute("type") + " " + input.Attribute("name"));
    if (input.Attribute("name") == "v.user") {
      EXPECT_EQ(input.Attribute("inputmode"), "numeric");  // format="*N"
      EXPECT_EQ(input.Attribute("maxlength"), "11");
    }
  }
  EXPECT_THAT(visible_fields, ::testing::ElementsAre("text v.user", "password v.pwd"));
  // A table row with a cell too many and one with a cell too few: every cell is shown.
  std::vector<HtmlElement> cells = FindElements(page.body, "td");
  std::vector<std::string> cell_texts;
  for (const HtmlElement& cell : cells) cell_texts.push_back(cell.Text());
  EXPECT_THAT(cell_texts, ::testing::ElementsAre("积分", "120", "多余", "等级"));
  // The accept key posts the typed values with the fixed one.
  ASSERT_TRUE(context.variables.Set("user", "13800138000"));
  ASSERT_TRUE(context.variables.Set("pwd", "abc"));
  Navigation login = ButtonNavigation(page.body, "登录", url + "#login", context);
  EXPECT_EQ(login.url, "http://wap.example.cn/u/login.do");
  EXPECT_TRUE(login.post);
  EXPECT_EQ(login.body, "u=13800138000&p=abc&from=wap");
  EXPECT_THAT(wml_testing::SoftKeyBar(page.body), HasSubstr("返回"));
}

}  // namespace
}  // namespace tovarin::gateway
