#include "gateway/html_cleaner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>

#include "gateway/html_tree_cleaner.h"
#include "gateway/html_writer.h"
#include "gateway/limits.h"
#include "tests/gateway/html_cleaner_test_support.h"

namespace tovarin::gateway {
namespace {

using cleaner_test::Clean;
using cleaner_test::CleanBody;
using cleaner_test::Repeat;

// Expected texts are written from the cleaner's rules (html_cleaner.h, html_allow_list.h):
// links through Page ("/p?u=" + percent-encoded absolute address), pictures through Image
// ("/i?u=..."), unlinked targets as <span class="wml-unlinked">, attributes in document order
// after the ones a handler rewrites.

std::string Lower(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return out;
}

// ---- The document frame ------------------------------------------------------------------

TEST(HtmlCleanerDocument, FramesTheBodyWithTheSharedHead) {
  const FakeServiceLinks links;
  platform::Result<std::string> result =
      CleanHtml("<html><head><title>A &amp; B</title></head><body><p>Hi</p></body></html>",
                cleaner_test::kPageUrl, links);
  ASSERT_TRUE(result.ok());
  std::string expected;
  BeginDocument(expected, "A & B");
  expected += "<p>Hi</p>";
  EndDocument(expected);
  EXPECT_EQ(result.value(), expected);
}

TEST(HtmlCleanerDocument, CollapsesTheTitle) {
  EXPECT_EQ(Clean("<title>  A &amp; B\n  C </title><title>Second</title><p>x</p>").title,
            "A &amp; B C");
  EXPECT_EQ(Clean("<p>no title</p>").title, "");
}

TEST(HtmlCleanerDocument, CutsALongTitleAtACharacter) {
  // 1023 ASCII bytes, then a two-byte character that would end past kMaxTitleBytes.
  const std::string start(kMaxTitleBytes - 1, 'a');
  EXPECT_EQ(Clean("<title>" + start + "\xC3\xA9tail</title>").title, start);
  EXPECT_EQ(Clean("<title>" + start + "b\xC3\xA9</title>").title, start + "b");
}

TEST(HtmlCleanerDocument, EmptyAndPlainTextPages) {
  EXPECT_EQ(CleanBody(""), "");
  EXPECT_EQ(CleanBody("just text"),
            "<p>just text</p>");  // the parser puts bare text in a paragraph
}

TEST(HtmlCleanerDocument, ReadsTheTextAsUtf8WhateverItSays) {
  const std::string_view page =
      "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n"
      "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=iso-8859-1\"/>"
      "<meta charset=\"windows-1251\"></head><body><p>caf\xC3\xA9</p></body></html>";
  const cleaner_test::CleanedParts parts = Clean(page);
  EXPECT_EQ(parts.body, "<p>caf\xC3\xA9</p>");
  EXPECT_EQ(parts.head, "");
}

TEST(HtmlCleanerDocument, RepairsInvalidUtf8) {
  EXPECT_EQ(CleanBody("<p>a\xFF"
                      "b\xC3</p>"),
            "<p>a\xEF\xBF\xBD"
            "b\xEF\xBF\xBD</p>");
  EXPECT_EQ(CleanBody(std::string_view("<p>a\0b</p>", 10)), "<p>ab</p>");
}

// ---- What never comes through ------------------------------------------------------------

TEST(HtmlCleanerStrips, HostileXhtmlPage) {
  const std::string_view page =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<!DOCTYPE html PUBLIC \"-//WAPFORUM//DTD XHTML Mobile 1.0//EN\" "
      "\"http://www.wapforum.org/DTD/xhtml-mobile10.dtd\">\n"
      "<html xmlns=\"http://www.w3.org/1999/xhtml\"><head><title>Portal</title>"
      "<base href=\"http://cdn.example.net/m/\"/>"
      "<meta http-equiv=\"refresh\" content=\"0;url=javascript:alert(1)\"/>"
      "<script type=\"text/javascript\">alert(\"head\")</script></head>"
      "<body onload=\"steal()\"><p onclick=\"x()\">Hello <a href=\"javascript:alert(2)\">Play</a> "
      "and "
      "<a href=\"news.html\" onmouseover=\"y()\">News</a></p>"
      "<img src=\"logo.gif\" onerror=\"alert(3)\" alt=\"Logo\"/>"
      "<iframe src=\"http://evil.example/\">frame text</iframe>"
      "<svg><script>alert(4)</script><text>svg text</text></svg>"
      "<script>alert(5)</script><p>End</p></body></html>";
  const cleaner_test::CleanedParts parts = Clean(page);
  EXPECT_EQ(parts.title, "Portal");
  EXPECT_EQ(parts.head, "");
  EXPECT_EQ(
      parts.body,
      "<p>Hello <span class=\"wml-unlinked\">Play</span> and "
      "<a href=\"/p?u=http%3A%2F%2Fcdn.example.net%2Fm%2Fnews.html\">News</a></p>"
      "<img src=\"/i?u=http%3A%2F%2Fcdn.example.net%2Fm%2Flogo.gif\" alt=\"Logo\"><p>End</p>");
  const std::string document = Lower(parts.document);
  for (std::string_view banned :
       {"<script", "alert", "onclick", "onload", "onerror", "onmouseover", "iframe", "<svg",
        "javascript", "evil.example", "frame text", "svg text", "<base", "refresh"}) {
    EXPECT_EQ(document.find(banned), std::string::npos) << banned;
  }
}

TEST(HtmlCleanerStrips, KeepsNoscriptContent) {
  EXPECT_EQ(CleanBody("<noscript><p>Enable <b>nothing</b></p></noscript><p>after</p>"),
            "<p>Enable <b>nothing</b></p><p>after</p>");
}

TEST(HtmlCleanerStrips, UnwrapsUnknownElementsKeepingTheirText) {
  EXPECT_EQ(CleanBody("<p><blink>Sale</blink> <custom-tag data-x=\"1\">now</custom-tag> "
                      "<marquee>!</marquee></p>"),
            "<p>Sale now !</p>");
}

// libxml2's HTML parser reads a prefixed element name by its local part: <html:script> is a
// script, <x:a href> a link.
TEST(HtmlCleanerStrips, DropsPrefixedDangerousElements) {
  EXPECT_EQ(CleanBody("<p>a<html:script>alert(1)</html:script>b<svg:svg><svg:script>x</"
                      "svg:script></svg:svg>c</p>"),
            "<p>abc</p>");
  EXPECT_EQ(CleanBody("<p><x:a href=\"h.html\" x:onclick=\"y()\">l</x:a></p>"),
            "<p><a href=\"/p?u=http%3A%2F%2Fwap.example.com%2Fnews%2Fh.html\">l</a></p>");
}

TEST(HtmlCleanerStrips, DropsCommentsAndProcessingInstructions) {
  EXPECT_EQ(CleanBody("<p>a<!-- secret -->b<?php echo 1 ?>c</p>"), "<p>abc</p>");
}

TEST(HtmlCleanerStrips, KeepsOnlyAllowedAttributes) {
  EXPECT_EQ(CleanBody("<div id=\"m\" onclick=\"x()\" class=\"box\" data-track=\"1\" "
                      "style=\"color:red;width:expression(1)\" title=\"T\" xml:lang=\"en\" "
                      "ONMOUSEOVER=\"y()\">x</div>"),
            "<div id=\"m\" class=\"box\" style=\"color:red\" title=\"T\">x</div>");
  EXPECT_EQ(CleanBody("<p style=\"behavior:url(x.htc)\">y</p>"), "<p>y</p>");
  EXPECT_EQ(CleanBody("<p title='say \"hi\" &amp; &lt;go&gt;'>z</p>"),
            "<p title=\"say &quot;hi&quot; &amp; &lt;go&gt;\">z</p>");
}

TEST(HtmlCleanerStrips, DropsEmbeddedObjects) {
  // The parser does not know <embed> is empty and hangs what follows under it: that is kept.
  EXPECT_EQ(CleanBody("<div>a<object data=\"x.swf\"><param name=\"m\" value=\"v\">fallback</object>"
                      "b<applet code=\"A\">applet text</applet>c<embed src=\"y.swf\">d"
                      "<math><mi>x</mi></math>e<template><p>t</p></template></div>"),
            "<div>abcde</div>");
}

TEST(HtmlCleanerStrips, SeesThroughSchemeDisguises) {
  const std::string page = std::string("<p>") +
                           "<a href=\"jav&#x09;ascript:alert(1)\">A</a>"
                           "<a href=\" JaVaScRiPt:alert(1)\">B</a>"
                           "<a href=\"&#106;avascript:alert(1)\">C</a>"
                           "<a href=\"java" +
                           std::string(1, '\0') +
                           "script:alert(1)\">D</a>"
                           "<a href=\"vbscript:msgbox(1)\">E</a>"
                           "<a href=\"data:text/html;base64,PHNjcmlwdD4=\">F</a>"
                           "<a href=\"java&#10;script:alert(1)\">G</a>"
                           "<a href=\"\x01javascript:alert(1)\">H</a></p>";
  EXPECT_EQ(CleanBody(page),
            "<p><span class=\"wml-unlinked\">A</span><span class=\"wml-unlinked\">B</span>"
            "<span class=\"wml-unlinked\">C</span><span class=\"wml-unlinked\">D</span>"
            "<span class=\"wml-unlinked\">E</span><span class=\"wml-unlinked\">F</span>"
            "<span class=\"wml-unlinked\">G</span><span class=\"wml-unlinked\">H</span></p>");
}

TEST(HtmlCleanerStrips, DropsOtherMetaAndRefreshesToOtherSchemes) {
  EXPECT_EQ(Clean("<head><meta http-equiv=\"refresh\" "
                  "content=\"0;url=javascript:alert(1)\"></head><p>x</p>")
                .head,
            "");
  EXPECT_EQ(
      Clean(
          "<head><meta http-equiv=\"refresh\" content=\"0; URL=data:text/html,x\"></head><p>x</p>")
          .head,
      "");
  EXPECT_EQ(Clean("<head><meta name=\"description\" content=\"x\"><meta http-equiv=\"set-cookie\" "
                  "content=\"a=b\">"
                  "</head><p>x</p>")
                .head,
            "");
}

// ---- Limits and broken markup ------------------------------------------------------------

TEST(HtmlCleanerLimits, FlattensElementsDeeperThanTheLimit) {
  const std::string page = Repeat("<div>", 400) + "deep<script>alert(1)</script><b>bold</b>" +
                           Repeat("</div>", 400) + "<p>after</p>";
  // html and body count towards the depth.
  const std::size_t kept = kMaxElementDepth - 2;
  EXPECT_EQ(CleanBody(page),
            Repeat("<div>", kept) + "deepbold" + Repeat("</div>", kept) + "<p>after</p>");
}

TEST(HtmlCleanerLimits, StopsBeyondTwiceTheDepthLimitWithANote) {
  const std::string page = Repeat("<div>", 1000) + "deep" + Repeat("</div>", 1000) + "<p>after</p>";
  const std::size_t kept = kMaxElementDepth - 2;
  EXPECT_EQ(CleanBody(page),
            Repeat("<div>", kept) + Repeat("</div>", kept) + std::string(kPageCutNote));
}

TEST(HtmlCleanerLimits, LooksAtTheFirstAttributesOnly) {
  std::string page = "<p id=\"first\"";
  for (std::size_t i = 1; i + 1 < kMaxAttributesPerElement; ++i)
    page += " a" + std::to_string(i) + "=\"x\"";
  page += " title=\"in\" class=\"out\">x</p>";  // title is the last one looked at
  EXPECT_EQ(CleanBody(page), "<p id=\"first\" title=\"in\">x</p>");
}

TEST(HtmlCleanerLimits, CutsOutputAtTheLimitWithANote) {
  // Each '>' is written as "&gt;": 4 MB of them need 16 MB.
  const std::string page = "<p>" + std::string(4'000'000, '>') + "</p><p>after</p>";
  const cleaner_test::CleanedParts parts = Clean(page);
  EXPECT_LE(parts.document.size(), kMaxOutputBytes);
  ASSERT_TRUE(parts.body.starts_with("<p>&gt;"));
  const std::string tail = "</p>" + std::string(kPageCutNote);
  ASSERT_TRUE(parts.body.ends_with(tail));
  const std::string text = parts.body.substr(3, parts.body.size() - 3 - tail.size());
  EXPECT_EQ(text.size() % 4, 0u);  // no entity cut in half
  EXPECT_EQ(text, Repeat("&gt;", text.size() / 4));
  EXPECT_GT(parts.document.size(),
            kMaxOutputBytes - 64 * 1024);  // cut near the limit, not long before
}

TEST(HtmlCleanerLimits, StopsAfterTooManyElementsWithANote) {
  const std::string page = Repeat("<b></b>", kMaxNodes) + "<p>after</p>";
  const std::string body = CleanBody(page);
  EXPECT_TRUE(body.starts_with("<b></b><b></b>"));
  EXPECT_TRUE(body.ends_with(std::string("<b></b>") + std::string(kPageCutNote)));
  EXPECT_EQ(body.find("after"), std::string::npos);
}

TEST(HtmlCleanerLimits, RefusesPagesLargerThanTheLimit) {
  const FakeServiceLinks links;
  platform::Result<std::string> result =
      CleanHtml(std::string(kMaxBodyBytes + 1, 'a'), cleaner_test::kPageUrl, links);
  ASSERT_FALSE(result.ok());
  EXPECT_NE(result.error().find("larger"), std::string::npos);
}

TEST(HtmlCleanerLimits, MalformedMarkupKeepsItsText) {
  EXPECT_EQ(CleanBody("<div><p>one<p>two</div></div><b>three<i>four"),
            "<div><p>one</p><p>two</p></div><b>three<i>four</i></b>");
  EXPECT_EQ(CleanBody("<p>a</span></td>b<table><tr><td>c</table>"),
            "<p>ab</p><table><tr><td>c</td></tr></table>");
  EXPECT_EQ(CleanBody("<p><a href=\"#x\">open"), "<p><a href=\"#x\">open</a></p>");
  EXPECT_EQ(CleanBody("<p title=\"unterminated>text</p>"),
            "<p title=\"unterminated&gt;text&lt;/p&gt;\"></p>");
}

}  // namespace
}  // namespace tovarin::gateway
