// XHTML Mobile and HTML pages as sites served them (tests/data/html/wild_*), and WMLC decks made
// by a WAP gateway's encoder and then bent the way real ones were (tests/data/wmlc/wild_*), fed
// through Transcode() with the Content-Type the site sent.
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
using wild_testing::ExpectNothingRuns;
using wild_testing::kReplacementCharacter;
using wild_testing::LinkTo;
using wild_testing::OpenPage;
using wild_testing::PageText;
using wml_testing::FindElements;
using wml_testing::HtmlElement;

std::string DocumentTitle(const std::string& html) {
  std::vector<HtmlElement> titles = FindElements(html, "title");
  return titles.empty() ? std::string() : titles[0].Text();
}

// ---- XHTML Mobile and HTML ----------------------------------------------------------------

TEST(WildXhtml, MobileProfileServedAsWmlIsCleanedAsHtml) {
  WmlContext context;
  TranscodeResult page = OpenPage("html/wild_xhtml_mp10_served_as_wml.xhtml", "text/vnd.wap.wml",
                                  "http://wap.example.cn/news/", context);
  ASSERT_EQ(page.kind, TranscodeResult::Kind::kHtml) << page.error;
  EXPECT_EQ(DocumentTitle(page.body), "手机报");
  EXPECT_THAT(PageText(page.body), HasSubstr("今日要闻"));
  EXPECT_EQ(LinkTo(page.body, "神七发射"),
            FakeServiceLinks::PageAddress("http://wap.example.cn/news/n/1.html"));
  // The javascript: link keeps its text and loses its target.
  EXPECT_THAT(PageText(page.body), HasSubstr("更多"));
  EXPECT_EQ(LinkTo(page.body, "更多", /*expect_found=*/false), "");
  std::vector<HtmlElement> images = FindElements(page.body, "img");
  ASSERT_EQ(images.size(), 1u);
  EXPECT_EQ(images[0].Attribute("src"),
            FakeServiceLinks::ImageAddress("http://wap.example.cn/news/logo.png"));
  ExpectNothingRuns(page.body);
  EXPECT_THAT(page.body, Not(HasSubstr("evil.example")));
}

TEST(WildXhtml, MobileProfile12InGbkDeclaredOnlyInThePage) {
  WmlContext context;
  TranscodeResult page =
      OpenPage("html/wild_xhtml_mp12_gbk_no_header_charset.xhtml", "application/vnd.wap.xhtml+xml",
               "http://wap.example.cn/s/", context);
  ASSERT_EQ(page.kind, TranscodeResult::Kind::kHtml) << page.error;
  EXPECT_EQ(DocumentTitle(page.body), "搜索");
  EXPECT_THAT(page.body, Not(HasSubstr(kReplacementCharacter)));
  std::vector<HtmlElement> forms = FindElements(page.body, "form");
  ASSERT_EQ(forms.size(), 1u);
  EXPECT_EQ(forms[0].Attribute("action"), "/f");
  // The search box reaches the GBK site in GBK, as the phone sent it, not in our page's UTF-8.
  EXPECT_EQ(forms[0].Attribute("accept-charset"), "GBK");
  std::vector<std::string> fields;
  for (const HtmlElement& input : FindElements(forms[0].inner_html, "input")) {
    fields.push_back(input.Attribute("name") + "=" + input.Attribute("value"));
  }
  EXPECT_THAT(fields, ::testing::ElementsAre("u=http://wap.example.cn/s/s.php", "m=get", "q=手机",
                                             "=搜索"));
  // The raw 中文 in the link's query goes in the page's GBK (D6 D0 CE C4), as a browser sends it.
  EXPECT_EQ(LinkTo(page.body, "中文结果"),
            FakeServiceLinks::PageAddress("http://wap.example.cn/s/s.php?q=%D6%D0%CE%C4&p=2"));
  EXPECT_THAT(PageText(page.body), HasSubstr("跳转"));
  ExpectNothingRuns(page.body);
}

TEST(WildXhtml, TagSoupServedAsXhtmlInGbk) {
  WmlContext context;
  TranscodeResult page =
      OpenPage("html/wild_tag_soup_served_as_xhtml.html", "application/xhtml+xml; charset=GBK",
               "http://wap.example.cn/ring/", context);
  ASSERT_EQ(page.kind, TranscodeResult::Kind::kHtml) << page.error;
  EXPECT_EQ(DocumentTitle(page.body), "彩铃下载");
  const std::string text = PageText(page.body);
  EXPECT_THAT(text, HasSubstr("热门彩铃"));
  EXPECT_THAT(text, HasSubstr("2元"));
  EXPECT_THAT(text, HasSubstr("免费"));
  EXPECT_THAT(text, HasSubstr("客服电话：800-810-1234 (wtai://wp/mc;8008101234)"));
  EXPECT_EQ(LinkTo(page.body, "老鼠爱大米"),
            FakeServiceLinks::PageAddress("http://wap.example.cn/ring/dl.asp?id=1"));
  EXPECT_EQ(LinkTo(page.body, "两只蝴蝶"),
            FakeServiceLinks::PageAddress("http://wap.example.cn/ring/dl.asp?id=2"));
  EXPECT_TRUE(FindElements(page.body, "iframe").empty());
  EXPECT_THAT(page.body, Not(HasSubstr("ads.example")));
  ExpectNothingRuns(page.body);
}

// ---- WMLC ---------------------------------------------------------------------------------

constexpr std::string_view kWmlcType = "application/vnd.wap.wmlc";
constexpr std::string_view kMenuUrl = "http://wap.example.cn/m/menu.wmlc";

// What tests/data/wmlc/wild_menu.wml shows in its first card, whichever way it was encoded.
void ExpectMenuCard(const TranscodeResult& page) {
  ASSERT_EQ(page.kind, TranscodeResult::Kind::kHtml) << page.error;
  std::vector<HtmlElement> titles = wml_testing::FindElementsOfClass(page.body, "h1", "wml-title");
  ASSERT_EQ(titles.size(), 1u);
  EXPECT_EQ(titles[0].Text(), "移动梦网");
  const std::string text = PageText(page.body);
  EXPECT_THAT(text, HasSubstr("欢迎光临"));
  EXPECT_THAT(text, HasSubstr("客服 (wtai://wp/mc;10086)"));
  EXPECT_EQ(LinkTo(page.body, "新闻"),
            FakeServiceLinks::PageAddress("http://wap.example.cn/m/news.wml?cat=1&page=2"));
  EXPECT_EQ(LinkTo(page.body, "关于"),
            FakeServiceLinks::PageAddress(std::string(kMenuUrl) + "#about"));
  EXPECT_THAT(wml_testing::SoftKeyBar(page.body), HasSubstr("返回"));
  EXPECT_THAT(page.body, Not(HasSubstr(kReplacementCharacter)));
}

TEST(WildWmlc, TheSourceDeckAsText) {
  WmlContext context;
  ExpectMenuCard(OpenPage("wmlc/wild_menu.wml", "text/vnd.wap.wml", kMenuUrl, context));
}

TEST(WildWmlc, Utf8WithStringTable) {
  WmlContext context;
  ExpectMenuCard(OpenPage("wmlc/wild_menu_utf8.wmlc", kWmlcType, kMenuUrl, context));
}

TEST(WildWmlc, Gb2312InlineStrings) {
  WmlContext context;
  ExpectMenuCard(OpenPage("wmlc/wild_menu_gb2312.wmlc", kWmlcType, kMenuUrl, context));
}

TEST(WildWmlc, UnknownPublicIdentifierUnderAWmlcType) {
  WmlContext context;
  ExpectMenuCard(OpenPage("wmlc/wild_unknown_public_id.wmlc", kWmlcType, kMenuUrl, context));
}

TEST(WildWmlc, OpaqueDataAsTextInTheDeckCharset) {
  WmlContext context;
  ExpectMenuCard(OpenPage("wmlc/wild_opaque_text_gb2312.wmlc", kWmlcType, kMenuUrl, context));
}

TEST(WildWmlc, ServedAsOctetStreamIsSniffed) {
  WmlContext context;
  ExpectMenuCard(
      OpenPage("wmlc/wild_menu_gb2312.wmlc", "application/octet-stream", kMenuUrl, context));
}

TEST(WildWmlc, SecondCardInGb2312) {
  WmlContext context;
  TranscodeResult page =
      OpenPage("wmlc/wild_menu_gb2312.wmlc", kWmlcType, std::string(kMenuUrl) + "#about", context);
  ASSERT_EQ(page.kind, TranscodeResult::Kind::kHtml) << page.error;
  EXPECT_THAT(PageText(page.body), HasSubstr("版权所有 2004"));
}

TEST(WildWmlc, TextDeckServedAsWmlcIsReadAsText) {
  // A server that maps .wml to the binary type.
  WmlContext context;
  ExpectMenuCard(OpenPage("wmlc/wild_menu.wml", kWmlcType, kMenuUrl, context));
}

TEST(WildPictures, GifServedAsWbmpPassesAsGif) {
  // A picture redrawn as GIF that kept its .wbmp name and type.
  WmlContext context;
  TranscodeResult picture = OpenPage("gif/still_4x4.gif", "image/vnd.wap.wbmp",
                                     "http://wap.example.cn/pic/logo.wbmp", context);
  ASSERT_EQ(picture.kind, TranscodeResult::Kind::kImage) << picture.error;
  EXPECT_EQ(picture.content_type, "image/gif");
  EXPECT_EQ(picture.body, wild_testing::ReadData("gif/still_4x4.gif"));
}

TEST(WildWmlc, CutBodyIsAnErrorWithAReason) {
  // A compiled deck cut short cannot be trusted to close its cards; phones refused it too.
  WmlContext context;
  TranscodeResult page =
      OpenPage("wmlc/wild_cut_in_second_card_gb2312.wmlc", kWmlcType, kMenuUrl, context);
  ASSERT_EQ(page.kind, TranscodeResult::Kind::kError);
  EXPECT_THAT(page.error, HasSubstr("document ends inside"));
}

}  // namespace
}  // namespace tovarin::gateway
