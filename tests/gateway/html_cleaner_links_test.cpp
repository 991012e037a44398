#include <gtest/gtest.h>

#include <string>

#include "gateway/html_cleaner.h"
#include "gateway/reference_policy.h"
#include "tests/gateway/fake_service_links.h"
#include "tests/gateway/html_cleaner_test_support.h"

namespace tovarin::gateway {
namespace {

using cleaner_test::Clean;
using cleaner_test::CleanBody;

// The page is http://wap.example.com/news/index.html. Expected addresses are the absolute
// address percent-encoded behind the fake service's prefixes: Page "/p?u=", Image "/i?u=",
// Style "/s?u=", Form action "/f" with hidden fields u (action) and m (method).

// ---- Links -------------------------------------------------------------------------------

TEST(HtmlCleanerLinks, HttpLinksGoThroughTheService) {
  EXPECT_EQ(
      CleanBody(
          "<p><a href=\"2.html\">Two</a><a href=\"/top\">Top</a>"
          "<a href=\"//other.example/x\">Other</a><a href=\"HTTPS://secure.example/\">Secure</a>"
          "<a href=\" news.html?a=1&amp;b=2 \" target=\"_blank\" rel=\"nofollow\">Q</a></p>"),
      "<p><a href=\"/p?u=http%3A%2F%2Fwap.example.com%2Fnews%2F2.html\">Two</a>"
      "<a href=\"/p?u=http%3A%2F%2Fwap.example.com%2Ftop\">Top</a>"
      "<a href=\"/p?u=http%3A%2F%2Fother.example%2Fx\">Other</a>"
      "<a href=\"/p?u=https%3A%2F%2Fsecure.example%2F\">Secure</a>"
      "<a href=\"/p?u=http%3A%2F%2Fwap.example.com%2Fnews%2Fnews.html%3Fa%3D1%26b%3D2\">Q</a></p>");
}

TEST(HtmlCleanerLinks, KeepsFragmentsAndNamedAnchors) {
  EXPECT_EQ(CleanBody("<p><a name=\"top\" id=\"t\">Top</a> <a href=\"#top\" accesskey=\"1\" "
                      "target=\"_top\">Up</a></p>"),
            "<p><a name=\"top\" id=\"t\">Top</a> <a href=\"#top\" accesskey=\"1\">Up</a></p>");
}

TEST(HtmlCleanerLinks, ShowsPhoneAndMailTargetsAfterTheText) {
  EXPECT_EQ(CleanBody("<p><a href=\"tel:+123\">Call us</a></p>"),
            "<p><span class=\"wml-unlinked\" title=\"tel:+123\">Call us (tel:+123)</span></p>");
  EXPECT_EQ(CleanBody("<p><a href=\" mailto:info@example.com \" class=\"m\">Write</a></p>"),
            "<p><span class=\"wml-unlinked\" title=\"mailto:info@example.com\">Write "
            "(mailto:info@example.com)</span></p>");
  EXPECT_EQ(CleanBody("<p><a href=\"wtai://wp/mc;+4412345\">Dial</a></p>"),
            "<p><span class=\"wml-unlinked\" title=\"wtai://wp/mc;+4412345\">Dial "
            "(wtai://wp/mc;+4412345)</span></p>");
  EXPECT_EQ(CleanBody("<p><a href=\"sms:+4412345?body=a&amp;b\">Text <b>us</b></a></p>"),
            "<p><span class=\"wml-unlinked\" title=\"sms:+4412345?body=a&amp;b\">Text <b>us</b> "
            "(sms:+4412345?body=a&amp;b)</span></p>");
}

TEST(HtmlCleanerLinks, OtherSchemesAreUnlinkedWithTheirTargetInTheTitle) {
  EXPECT_EQ(
      CleanBody(
          "<p><a href=\"ftp://files.example/a.zip\" id=\"dl\" onclick=\"x()\">Download</a></p>"),
      "<p><span class=\"wml-unlinked\" title=\"ftp://files.example/a.zip\" "
      "id=\"dl\">Download</span></p>");
  EXPECT_EQ(CleanBody("<p><a href=\"file:///etc/passwd\">F</a></p>"),
            "<p><span class=\"wml-unlinked\" title=\"file:///etc/passwd\">F</span></p>");
}

TEST(HtmlCleanerLinks, PicturesGoThroughTheServiceOrBecomeTheirAltText) {
  EXPECT_EQ(
      CleanBody(
          "<p><img src=\"pics/a.gif\" alt=\"A\" width=\"10\" onload=\"x()\" srcset=\"b.gif 2x\" "
          "usemap=\"#m\"></p>"),
      "<p><img src=\"/i?u=http%3A%2F%2Fwap.example.com%2Fnews%2Fpics%2Fa.gif\" alt=\"A\" "
      "width=\"10\"></p>");
  EXPECT_EQ(CleanBody("<p><img src=\"data:image/png;base64,iVBORw0KGgo=\" alt=\"dot\"></p>"),
            "<p><img src=\"data:image/png;base64,iVBORw0KGgo=\" alt=\"dot\"></p>");
  EXPECT_EQ(CleanBody("<p><img src=\"data:image/svg+xml;base64,PHN2Zz4=\" alt=\"vector\">|"
                      "<img src=\"javascript:alert(1)\" alt=\"x&lt;y\">|<img alt=\"none\">|<img "
                      "src=\"mailto:x\">|"
                      "<img src=\"#frag\" alt=\"f\"></p>"),
            "<p>vector|x&lt;y|none||f</p>");
}

TEST(HtmlCleanerLinks, HonoursTheFirstHttpBase) {
  EXPECT_EQ(CleanBody("<head><base href=\"../m/\"><base href=\"http://other.example/\"></head>"
                      "<body><a href=\"a.html\">A</a></body>"),
            "<a href=\"/p?u=http%3A%2F%2Fwap.example.com%2Fm%2Fa.html\">A</a>");
  EXPECT_EQ(CleanBody("<head><base href=\"javascript:alert(1)//\"></head><body><a "
                      "href=\"a.html\">A</a></body>"),
            "<a href=\"/p?u=http%3A%2F%2Fwap.example.com%2Fnews%2Fa.html\">A</a>");
}

TEST(HtmlCleanerLinks, QueryEncoderRewritesAddressesBeforeTheyResolve) {
  // An encoder that marks what it was given shows which references pass through it, and that
  // the base still applies to what it returns.
  const FakeServiceLinks links;
  QueryEncoder marker = [](std::string_view reference) { return std::string(reference) + "&e=1"; };
  platform::Result<std::string> page = CleanHtml(
      "<head><base href=\"../m/\"></head><body><a href=\"a.html?q=1\">A</a>"
      "<img src=\"p.gif?s=2\" alt=\"P\"><a href=\"#top\">T</a></body>",
      cleaner_test::kPageUrl, links, marker);
  ASSERT_TRUE(page.ok()) << page.error();
  EXPECT_NE(
      page->find("<a href=\"/p?u=http%3A%2F%2Fwap.example.com%2Fm%2Fa.html%3Fq%3D1%26e%3D1\">"),
      std::string::npos)
      << *page;
  EXPECT_NE(page->find("src=\"/i?u=http%3A%2F%2Fwap.example.com%2Fm%2Fp.gif%3Fs%3D2%26e%3D1\""),
            std::string::npos)
      << *page;
  // A fragment of the page itself is not an address to resolve.
  EXPECT_NE(page->find("<a href=\"#top\">"), std::string::npos) << *page;
}

TEST(HtmlCleanerLinks, StyleSheetsGoIntoTheHead) {
  const cleaner_test::CleanedParts parts = Clean(
      "<head><link rel=\"stylesheet\" href=\"s.css\"><link rel=\"icon\" href=\"i.ico\">"
      "<link rel=\"alternate stylesheet\" href=\"alt.css\"><link rel=\"Stylesheet\" href=\"p.css\" "
      "media=\"print\">"
      "<link rel=\"stylesheet\" href=\"javascript:x\"><style>p { color: red }</style>"
      "<style media=\"print\">p{color:blue}</style><style>x{width:expression(1)}</style></head>"
      "<body><style>b{background:url(b.png)}</style><p>x</p><link rel=\"stylesheet\" "
      "href=\"late.css\" media=\"handheld, print\"></body>");
  EXPECT_EQ(
      parts.head,
      "<link rel=\"stylesheet\" href=\"/s?u=http%3A%2F%2Fwap.example.com%2Fnews%2Fs.css\">"
      "<style>p{color:red}</style>"
      "<link rel=\"stylesheet\" href=\"/s?u=http%3A%2F%2Fwap.example.com%2Fnews%2Flate.css\">");
  EXPECT_EQ(parts.body,
            "<style>b{background:url(\"/i?u=http%3A%2F%2Fwap.example.com%2Fnews%2Fb.png\")}</"
            "style><p>x</p>");
}

TEST(HtmlCleanerLinks, RefreshGoesThroughTheServiceWithItsDelay) {
  EXPECT_EQ(
      Clean("<head><meta http-equiv=\"Refresh\" content=\"5; URL='next.html'\"></head><p>x</p>")
          .head,
      "<meta http-equiv=\"refresh\" "
      "content=\"5;url=/p?u=http%3A%2F%2Fwap.example.com%2Fnews%2Fnext.html\">");
  EXPECT_EQ(Clean("<head><meta http-equiv=\"refresh\" content=\"30\"><meta http-equiv=\"refresh\" "
                  "content=\"1;url=other.html\"></head><p>x</p>")
                .head,
            "<meta http-equiv=\"refresh\" "
            "content=\"30;url=/p?u=http%3A%2F%2Fwap.example.com%2Fnews%2Findex.html\">");
  EXPECT_EQ(Clean("<head><meta http-equiv=\"refresh\" "
                  "content=\"2.5,url=http://x.example/?a=1&amp;b=2\"></head>")
                .head,
            "<meta http-equiv=\"refresh\" "
            "content=\"2;url=/p?u=http%3A%2F%2Fx.example%2F%3Fa%3D1%26b%3D2\">");
  EXPECT_EQ(Clean("<head><meta http-equiv=\"refresh\" content=\"soon\"></head>").head, "");
}

TEST(HtmlCleanerLinks, ClassifiesReferencesAsBrowsersReadThem) {
  const std::string base = "http://wap.example.com/a/b.html";
  EXPECT_EQ(ClassifyReference(base, "\t#x ").kind, ReferenceKind::kFragment);
  EXPECT_EQ(ClassifyReference(base, "#x").url, "#x");
  const Reference relative = ClassifyReference(base, " c d.html\n");
  EXPECT_EQ(relative.kind, ReferenceKind::kFetchable);
  EXPECT_EQ(relative.url, "http://wap.example.com/a/c%20d.html");
  EXPECT_EQ(ClassifyReference(base, "j a v a s c r i p t:x").scheme, "javascript");
  EXPECT_EQ(ClassifyReference(base, "data:IMAGE/GIF;base64,R0lG").kind, ReferenceKind::kRasterData);
  EXPECT_EQ(ClassifyReference(base, "data:image/svg+xml,<svg/>").kind, ReferenceKind::kOther);
  EXPECT_EQ(ClassifyReference(base, "data:image/pngx,AAAA").kind, ReferenceKind::kOther);
  EXPECT_EQ(ClassifyReference("not a url", "x.html").kind, ReferenceKind::kOther);
}

// ---- Forms -------------------------------------------------------------------------------

TEST(HtmlCleanerForms, GetFormWithSafeFields) {
  EXPECT_EQ(
      CleanBody("<form action=\"search.php\" method=\"GET\" onsubmit=\"x()\" target=\"_blank\" "
                "enctype=\"multipart/form-data\" name=\"f1\">"
                "<input type=\"text\" name=\"q\" value=\"wap\" size=\"10\" onfocus=\"y()\"/>"
                "<input type=\"image\" src=\"go.gif\" alt=\"Go\" name=\"go\"/>"
                "<input type=\"file\" name=\"f\"/><input type=\"color\" name=\"c\"/>"
                "<input name=\"plain\" formaction=\"http://evil.example/\"/>"
                "<select name=\"s\" onchange=\"z()\"><option value=\"1\" "
                "selected=\"selected\">One</option></select>"
                "<textarea name=\"t\" rows=\"2\"><b>x</b> y</textarea>"
                "<button type=\"submit\" formaction=\"http://evil.example/\">Send</button>"
                "<button type=\"menu\">M</button></form>"),
      "<form action=\"/f\" method=\"get\" name=\"f1\">"
      "<input type=\"hidden\" name=\"u\" value=\"http://wap.example.com/news/search.php\">"
      "<input type=\"hidden\" name=\"m\" value=\"get\">"
      "<input type=\"text\" name=\"q\" value=\"wap\" size=\"10\">"
      "<input type=\"submit\" alt=\"Go\" name=\"go\"><input name=\"c\"><input name=\"plain\">"
      "<select name=\"s\"><option value=\"1\" selected=\"selected\">One</option></select>"
      "<textarea name=\"t\" rows=\"2\">&lt;b&gt;x&lt;/b&gt; y</textarea>"
      "<button type=\"submit\">Send</button><button>M</button></form>");
}

TEST(HtmlCleanerForms, PostAndDefaults) {
  EXPECT_EQ(CleanBody("<form method=\" Post \"><input name=\"a\"></form>"
                      "<form action=\"\" method=\"put\"><input name=\"b\"></form>"),
            "<form action=\"/f\" method=\"post\">"
            "<input type=\"hidden\" name=\"u\" value=\"http://wap.example.com/news/index.html\">"
            "<input type=\"hidden\" name=\"m\" value=\"post\"><input name=\"a\"></form>"
            "<form action=\"/f\" method=\"get\">"
            "<input type=\"hidden\" name=\"u\" value=\"http://wap.example.com/news/index.html\">"
            "<input type=\"hidden\" name=\"m\" value=\"get\"><input name=\"b\"></form>");
}

TEST(HtmlCleanerForms, ActionIsResolvedAgainstTheBaseAndEscaped) {
  EXPECT_EQ(
      CleanBody("<head><base href=\"http://cdn.example.net/\"></head>"
                "<form action=\"q.php?a=1&amp;b=&quot;2&quot;\"><input name=\"a\"></form>"),
      "<form action=\"/f\" method=\"get\">"
      "<input type=\"hidden\" name=\"u\" value=\"http://cdn.example.net/q.php?a=1&amp;b=%222%22\">"
      "<input type=\"hidden\" name=\"m\" value=\"get\"><input name=\"a\"></form>");
}

TEST(HtmlCleanerForms, SubmitInTheFormsOwnCharsetsThenInThePages) {
  const FakeServiceLinks links;
  const auto clean = [&](std::string_view html, std::string_view form_charset) {
    platform::Result<std::string> page =
        CleanHtml(html, cleaner_test::kPageUrl, links, {}, form_charset);
    EXPECT_TRUE(page.ok());
    const std::size_t start = page.ok() ? page->find("<form") : std::string::npos;
    return start == std::string::npos ? std::string()
                                      : page->substr(start, page->find('>', start) - start + 1);
  };
  // A page in GBK: its form goes in GBK.
  EXPECT_EQ(clean("<form action=\"s.php\"><input name=\"q\"></form>", "GBK"),
            "<form action=\"/f\" method=\"get\" accept-charset=\"GBK\">");
  // The form's own list comes first, separated by single spaces; a token that is no charset
  // name (quotes, markup, an ampersand) is dropped; the page's charset ends the list.
  EXPECT_EQ(
      clean("<form accept-charset=\" utf-8,big5\t&quot;x&quot; a&amp;b <i> \"></form>", "GBK"),
      "<form action=\"/f\" method=\"get\" accept-charset=\"utf-8 big5 GBK\">");
  // A UTF-8 page: only what the form itself gives, and nothing when it gives nothing.
  EXPECT_EQ(clean("<form accept-charset=\"Shift_JIS\"></form>", ""),
            "<form action=\"/f\" method=\"get\" accept-charset=\"Shift_JIS\">");
  EXPECT_EQ(clean("<form accept-charset=\"\"></form>", ""), "<form action=\"/f\" method=\"get\">");
}

TEST(HtmlCleanerForms, FormsToOtherSchemesAreNotLive) {
  EXPECT_EQ(
      CleanBody("<form action=\"javascript:go()\"><input name=\"a\"></form>"
                "<form action=\"mailto:x@example.com\" method=\"post\"><input name=\"b\"></form>"),
      "<input name=\"a\"><input name=\"b\">");
}

TEST(HtmlCleanerForms, ListAndButtonTypesFromAFixedSet) {
  EXPECT_EQ(CleanBody("<ol type=\"a\" start=\"3\"><li type=\"expression(1)\">x</li></ol><ul "
                      "type=\"square\"><li>y</li></ul>"
                      "<button type=\"RESET\">r</button>"),
            "<ol type=\"a\" start=\"3\"><li>x</li></ol><ul type=\"square\"><li>y</li></ul><button "
            "type=\"reset\">r</button>");
}

}  // namespace
}  // namespace tovarin::gateway
