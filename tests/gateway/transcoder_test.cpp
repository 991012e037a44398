// The transcoder's entry: which reader a page goes to, and the same deck as WML text and as
// WMLC (made by xml2wbxml from that text) giving the same page.
#include "gateway/transcoder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <regex>
#include <string>

#include "tests/gateway/fake_service_links.h"

namespace tovarin::gateway {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in.good()) << path;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::span<const std::uint8_t> Bytes(const std::string& text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

TranscodeResult TranscodePage(const std::string& body, std::string_view type,
                              std::string_view url = "http://wap.example.com/deck.wml") {
  static const FakeServiceLinks links;
  WmlContext context;
  return Transcode({Bytes(body), type, url, EntryDirection::kForward, &links}, context);
}

// What a browser shows does not depend on white space between tags or on runs of it, and
// xml2wbxml drops white space it deems ignorable: compare pages without it.
std::string Squeezed(std::string html) {
  html = std::regex_replace(html, std::regex(">\\s+<"), "><");
  html = std::regex_replace(html, std::regex("\\s+"), " ");
  html = std::regex_replace(html, std::regex("> "), ">");
  return std::regex_replace(html, std::regex(" <"), "<");
}

TEST(TranscoderClassify, ContentTypesNameTheirReaders) {
  std::string nothing;
  EXPECT_EQ(ClassifyPage("text/vnd.wap.wml; charset=utf-8", Bytes(nothing)), PageKind::kWml);
  EXPECT_EQ(ClassifyPage("Application/Vnd.Wap.Wmlc", Bytes(nothing)), PageKind::kWmlc);
  EXPECT_EQ(ClassifyPage("image/vnd.wap.wbmp", Bytes(nothing)), PageKind::kWbmp);
  EXPECT_EQ(ClassifyPage("application/vnd.wap.xhtml+xml", Bytes(nothing)), PageKind::kHtml);
  EXPECT_EQ(ClassifyPage("image/gif", Bytes(nothing)), PageKind::kImage);
  // SVG can carry script: it is never passed through as a picture.
  EXPECT_NE(ClassifyPage("image/svg+xml", Bytes(nothing)), PageKind::kImage);
}

TEST(TranscoderClassify, GenericTypesAreSniffed) {
  std::string wml =
      "<?xml version=\"1.0\"?><!DOCTYPE wml PUBLIC \"-//WAPFORUM//DTD WML 1.1//EN\" "
      "\"x\"><wml><card/></wml>";
  std::string html = "<!DOCTYPE html><html><body>x</body></html>";
  std::string wmlc = {'\x03', '\x04', '\x6a', '\x00', '\x7f', '\x01'};
  EXPECT_EQ(ClassifyPage("", Bytes(wml)), PageKind::kWml);
  EXPECT_EQ(ClassifyPage("application/octet-stream", Bytes(wmlc)), PageKind::kWmlc);
  EXPECT_EQ(ClassifyPage("text/plain", Bytes(html)), PageKind::kHtml);
  // Servers that send WML as text/html are common; the deck says what it is.
  EXPECT_EQ(ClassifyPage("text/html", Bytes(wml)), PageKind::kWml);
  std::string words = "just words";
  EXPECT_EQ(ClassifyPage("text/plain", Bytes(words)), PageKind::kText);
  EXPECT_EQ(ClassifyPage("application/zip", Bytes(words)), PageKind::kUnknown);
}

TEST(TranscoderResults, WmlBecomesHtmlInUtf8) {
  std::string deck = "<wml><card id=\"a\" title=\"T\"><p>caf\xE9</p></card></wml>";
  TranscodeResult result = TranscodePage(deck, "text/vnd.wap.wml; charset=iso-8859-1");
  ASSERT_EQ(result.kind, TranscodeResult::Kind::kHtml) << result.error;
  EXPECT_EQ(result.content_type, "text/html; charset=utf-8");
  EXPECT_THAT(result.body, HasSubstr("<p>caf\xC3\xA9</p>"));
  EXPECT_THAT(result.body, HasSubstr("<title>T</title>"));
}

TEST(TranscoderResults, EntryEventBecomesNavigation) {
  std::string deck = "<wml><card onenterforward=\"next.wml\"><p>x</p></card></wml>";
  TranscodeResult result =
      TranscodePage(deck, "text/vnd.wap.wml", "http://wap.example.com/a/deck.wml");
  ASSERT_EQ(result.kind, TranscodeResult::Kind::kNavigate);
  EXPECT_EQ(result.navigation.kind, Navigation::Kind::kGo);
  EXPECT_EQ(result.navigation.url, "http://wap.example.com/a/next.wml");
}

TEST(TranscoderResults, WbmpBecomesPngAndImagesPassThrough) {
  // 8 x 1, all white: type 0, header 0, width 8, height 1, one data byte.
  std::string wbmp = {'\x00', '\x00', '\x08', '\x01', '\xff'};
  TranscodeResult png = TranscodePage(wbmp, "image/vnd.wap.wbmp");
  ASSERT_EQ(png.kind, TranscodeResult::Kind::kImage) << png.error;
  EXPECT_EQ(png.content_type, "image/png");
  EXPECT_EQ(png.body.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));

  std::string gif = "GIF89a-not-looked-at";
  TranscodeResult same = TranscodePage(gif, "image/gif; charset=binary");
  ASSERT_EQ(same.kind, TranscodeResult::Kind::kImage);
  EXPECT_EQ(same.body, gif);
  EXPECT_EQ(same.content_type, "image/gif");
}

TEST(TranscoderResults, UnreadablePagesGiveReasons) {
  TranscodeResult unknown = TranscodePage("PK\x03\x04", "application/zip");
  EXPECT_EQ(unknown.kind, TranscodeResult::Kind::kError);
  EXPECT_THAT(unknown.error, HasSubstr("application/zip"));

  TranscodeResult no_card = TranscodePage("<wml><head/></wml>", "text/vnd.wap.wml");
  EXPECT_EQ(no_card.kind, TranscodeResult::Kind::kError);
  EXPECT_THAT(no_card.error, HasSubstr("no card"));

  std::string cut_wmlc = {'\x03', '\x04', '\x6a'};
  EXPECT_EQ(TranscodePage(cut_wmlc, "application/vnd.wap.wmlc").kind,
            TranscodeResult::Kind::kError);
}

TEST(TranscoderResults, ErrorPageNamesAddressAndReasonEscaped) {
  std::string page = ErrorPage("http://wap.example.com/?a=<b>", "找不到服务器 & more");
  EXPECT_THAT(page, HasSubstr("<h1>无法打开页面</h1>"));
  EXPECT_THAT(page, HasSubstr("http://wap.example.com/?a=&lt;b&gt;"));
  EXPECT_THAT(page, HasSubstr("找不到服务器 &amp; more"));
  EXPECT_THAT(page, Not(HasSubstr("<b>")));
}

TEST(TranscoderResults, PlainTextIsShownAsWritten) {
  TranscodeResult result = TranscodePage("line <1>\nline 2", "text/plain");
  ASSERT_EQ(result.kind, TranscodeResult::Kind::kHtml);
  EXPECT_THAT(result.body, HasSubstr("<pre>line &lt;1&gt;\nline 2</pre>"));
}

// Decks written as text and compiled by xml2wbxml (kept beside them) render alike.
class WmlcMatchesText : public ::testing::TestWithParam<std::string> {};

TEST_P(WmlcMatchesText, SamePage) {
  std::string base = std::string(TOVARIN_SOURCE_DIR) + "/" + GetParam();
  TranscodeResult text = TranscodePage(ReadFile(base + ".wml"), "text/vnd.wap.wml");
  TranscodeResult binary = TranscodePage(ReadFile(base + ".wmlc"), "application/vnd.wap.wmlc");
  ASSERT_EQ(text.kind, TranscodeResult::Kind::kHtml) << text.error;
  ASSERT_EQ(binary.kind, TranscodeResult::Kind::kHtml) << binary.error;
  EXPECT_EQ(Squeezed(binary.body), Squeezed(text.body));
}

INSTANTIATE_TEST_SUITE_P(Decks, WmlcMatchesText,
                         ::testing::Values("bench/data/typical", "tests/data/wmlc/news",
                                           "tests/data/wmlc/literal"));

}  // namespace
}  // namespace tovarin::gateway
