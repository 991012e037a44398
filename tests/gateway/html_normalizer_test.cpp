#include "gateway/html_normalizer.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "gateway/limits.h"

namespace tovarin::gateway {
namespace {

// Expected texts follow the normal form in html_normalizer.h, written out by hand.

std::string Normal(std::string_view html) {
  std::string out;
  NormalizeHtml(html, out);
  return out;
}

TEST(HtmlNormalizer, WritesTagsInOneForm) {
  EXPECT_EQ(Normal("<P Class=x ID='a b' checked title=\"say 'hi'\">t</P >"),
            "<p class=\"x\" id=\"a b\" checked title=\"say 'hi'\">t</p>");
  EXPECT_EQ(Normal("<br/><img src=a.gif / ><div\ttitle = \"x\"\n>"),
            "<br/><img src=\"a.gif\"><div title=\"x\">");
  EXPECT_EQ(Normal("<a title='x\"<y'>"), "<a title=\"x&quot;&lt;y\">");
  EXPECT_EQ(Normal("text &amp; more > less"), "text &amp; more > less");
}

TEST(HtmlNormalizer, KeepsNamesTheParserCanRead) {
  EXPECT_EQ(Normal("<x:a xlink:href=h (click)=y [b]=z data-x@y=1 =w>"),
            "<x:a xlink:href=\"h\" data-x=\"1\">");
  EXPECT_EQ(Normal("<a href=x HREF=y>"), "<a href=\"x\">");  // the first one counts
}

TEST(HtmlNormalizer, KeepsTheFirstAttributesOnly) {
  std::string page = "<p";
  std::string expected = "<p";
  for (std::size_t i = 0; i < kMaxAttributesPerElement + 1000; ++i) {
    page += " a" + std::to_string(i) + "=1";
    if (i < kMaxAttributesPerElement) expected += " a" + std::to_string(i) + "=\"1\"";
  }
  EXPECT_EQ(Normal(page + ">x"), expected + ">x");
}

TEST(HtmlNormalizer, EscapesEveryLessThanThatStartsNoTag) {
  EXPECT_EQ(Normal("a < b <3 <> <"), "a &lt; b &lt;3 &lt;> &lt;");
  // "</" and a non-letter start a bogus comment up to '>' (or the end), as in browsers.
  EXPECT_EQ(Normal("1 </ 2> 3 </"), "1  3 &lt;/");
}

TEST(HtmlNormalizer, DropsCommentsDeclarationsAndInstructions) {
  EXPECT_EQ(Normal("<?xml version=\"1.0\"?><!DOCTYPE html><p>a<!-- <b c=\"-->b<!---->c"
                   "<!--x--!>d<![CDATA[e]]>f<?php echo 1 ?>g</>h"),
            "<p>abcdfgh");
  EXPECT_EQ(Normal("<p>a<!-- unterminated <b>"), "<p>a");
}

TEST(HtmlNormalizer, ScriptTextNeverReachesTheParser) {
  EXPECT_EQ(Normal("<script type=x>if (a<b) { s = \"</div><p c='\"; }</script ><p>x"),
            "<script type=\"x\"></script><p>x");
  EXPECT_EQ(Normal("<SCRIPT>a</scripty>b</SCRIPT>c"), "<script></script>c");
  EXPECT_EQ(Normal("<script>never closed <p>"), "<script></script>");
}

TEST(HtmlNormalizer, StyleTextHasNoLessThan) {
  EXPECT_EQ(Normal("<style><!-- p{color:red} a[title=\"<b>\"]{} --></style><p>"),
            "<style> p{color:red} a[title=\"\\3c b>\"]{} --></style><p>");
}

TEST(HtmlNormalizer, TextareaAndTitleHoldOnlyText) {
  EXPECT_EQ(Normal("<textarea><b>x</b> &amp;</textarea><title>a<i>b</title>"),
            "<textarea>&lt;b>x&lt;/b> &amp;</textarea><title>a&lt;i>b</title>");
}

TEST(HtmlNormalizer, DropsRepeatedDocumentElements) {
  EXPECT_EQ(Normal("<html><head></head><body><html lang=x><body onload=y><head><p>x"),
            "<html><head></head><body><p>x");
}

TEST(HtmlNormalizer, ClosesATagCutOffByTheEnd) {
  EXPECT_EQ(Normal("<p title=\"unterminated>text</p>"), "<p title=\"unterminated>text&lt;/p>\">");
  EXPECT_EQ(Normal("<p a"), "<p a>");
  EXPECT_EQ(Normal("<p a="), "<p a=\"\">");
}

}  // namespace
}  // namespace tovarin::gateway
