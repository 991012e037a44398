#include "gateway/css_cleaner.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "tests/gateway/fake_service_links.h"

namespace tovarin::gateway {
namespace {

// Every expected text below is written from the cleaner's rules (css_cleaner.h): rules as
// `selector{name:value;...}` one per line, white space runs as one space, url() through
// Image ("/i?u=" + percent-encoded absolute address), @import through Style ("/s?u=...").

constexpr std::string_view kSheetUrl = "http://wap.example.com/css/site.css";

std::string Sheet(std::string_view css) {
  const FakeServiceLinks links;
  return CleanStyleSheet(css, kSheetUrl, links);
}

std::string Declarations(std::string_view css) {
  const FakeServiceLinks links;
  return CleanStyleSheet(css, kSheetUrl, links, true);
}

std::string Repeat(std::string_view text, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += text;
  return out;
}

// ---- Normal form -------------------------------------------------------------------------

TEST(CssCleaner, WritesRulesInNormalForm) {
  EXPECT_EQ(Sheet("h1 { color : red ; font-weight:bold }\n\n  p{margin:0}"),
            "h1{color:red;font-weight:bold}\np{margin:0}");
  EXPECT_EQ(Sheet("ul  >  li:first-child a:hover,\n.nav a { COLOR: #FFF !important }"),
            "ul > li:first-child a:hover, .nav a{color:#FFF !important}");
  EXPECT_EQ(
      Sheet("p{margin:-1.5em +2px 1e3px 10%;font-family:Arial,  'Helvetica Neue', sans-serif}"),
      "p{margin:-1.5em +2px 1e3px 10%;font-family:Arial, \"Helvetica Neue\", sans-serif}");
}

TEST(CssCleaner, RemovesComments) {
  EXPECT_EQ(Sheet("/* header */ a { color: /* inner */ blue } /* unterminated"), "a{color:blue}");
}

TEST(CssCleaner, LeavesOutEmptyAndMalformedRules) {
  EXPECT_EQ(Sheet("a{} b{color} c{:red} d{color:red}"), "d{color:red}");
  EXPECT_EQ(Sheet("a; b{color:red}"), "");  // ';' belongs to the prelude: not a selector
  EXPECT_EQ(Sheet("a{color:red);margin:0} b{color:blue]}"), "a{margin:0}");
}

TEST(CssCleaner, ClosesWhatTheInputLeftOpen) {
  EXPECT_EQ(Sheet("p{color:red"), "p{color:red}");
  EXPECT_EQ(Declarations("color: rgb(1,2,3"), "color:rgb(1,2,3)");
  EXPECT_EQ(Declarations("a:" + Repeat("(", 50000)),
            "a:" + Repeat("(", 50000) + Repeat(")", 50000));
}

TEST(CssCleaner, EscapesWhatWouldReadDifferently) {
  EXPECT_EQ(Sheet(".\\31 23{color:red}"), ".\\31 23{color:red}");  // a class "123"
  EXPECT_EQ(Sheet(".a\\ b{color:red}"), ".a\\20 b{color:red}");    // a class "a b"
  EXPECT_EQ(Sheet("p{width:1\\65 3}"), "p{width:1\\65 3}");        // 1 with the unit "e3", not 1000
  EXPECT_EQ(Sheet("p{c\\6f lor:r\\65 d}"), "p{color:red}");
}

TEST(CssCleaner, NothingCanCloseTheStyleElement) {
  EXPECT_EQ(Sheet("a{content:\"</style><script>alert(1)</script>\"}"),
            "a{content:\"\\3c /style\\3e \\3c script\\3e alert(1)\\3c /script\\3e \"}");
  EXPECT_EQ(Sheet("a{color:red}</style><script>alert(1)</script>"), "a{color:red}");
  EXPECT_EQ(Sheet("<!-- p{color:red} -->"), "p{color:red}");
}

// ---- Dangerous constructs ----------------------------------------------------------------

TEST(CssCleaner, DropsExpressionHoweverSpelled) {
  EXPECT_EQ(Sheet("div{width:expression(alert(1));color:red}"), "div{color:red}");
  EXPECT_EQ(Sheet("div{width:\\65 xpression(alert(1));color:red}"), "div{color:red}");
  // Letters that are not hex digits stand for themselves after a backslash; 'e' is a hex digit.
  EXPECT_EQ(Sheet("div{width:e\\x\\p\\r\\65 \\s\\s\\i\\o\\n(alert(1));color:red}"),
            "div{color:red}");
  EXPECT_EQ(Sheet("div{width:exp/**/ression(alert(1));color:red}"), "div{color:red}");
  EXPECT_EQ(Sheet("div{width:EXPRESSION (alert(1));color:red}"), "div{color:red}");
  EXPECT_EQ(Sheet("div{width:expr\\\nession(alert(1));color:red}"), "div{color:red}");
}

TEST(CssCleaner, DropsBindingProperties) {
  EXPECT_EQ(
      Sheet("a{behavior:url(x.htc);-moz-binding:url(x.xml#b);b\\65havior:url(y.htc);color:red}"),
      "a{color:red}");
  EXPECT_EQ(Sheet("a{-ms-behavior:url(x.htc);scroll-behavior:smooth}"),
            "a{scroll-behavior:smooth}");
}

TEST(CssCleaner, DropsScriptAddressesAnywhere) {
  EXPECT_EQ(Sheet("a{background:url(javascript:alert(1));color:red}"), "a{color:red}");
  EXPECT_EQ(Sheet("a{background:url(\"java\\73 cript:alert(1)\");color:red}"), "a{color:red}");
  EXPECT_EQ(Sheet("a{background:url(' javascript:alert(1)');color:red}"), "a{color:red}");
  EXPECT_EQ(Sheet("a{font-family:\"javascript:alert(1)\";color:red}"), "a{color:red}");
  EXPECT_EQ(Sheet("a{x:vbscript\\3a msgbox(1);color:red}"), "a{color:red}");
  EXPECT_EQ(Sheet("a{b\\65javascript:(x);color:red}"), "a{color:red}");  // "bejavascript" ':' ...
  EXPECT_EQ(Sheet("a[href=\"javascript:x\"]{color:red} b{color:blue}"), "b{color:blue}");
}

TEST(CssCleaner, DropsFunctionsThatLoadBehindUrl) {
  EXPECT_EQ(Sheet("a{background:-webkit-image-set(\"a.png\" 1x);color:red}"), "a{color:red}");
  EXPECT_EQ(Sheet("a{background:image(\"a.png\");background:element(#x);color:red}"),
            "a{color:red}");
  EXPECT_EQ(Sheet("a{background-image:attr(title url);color:red}"), "a{color:red}");
}

// ---- Addresses ---------------------------------------------------------------------------

TEST(CssCleaner, RewritesUrlsThroughTheService) {
  EXPECT_EQ(Sheet("a{background:url(../img/bg.png) no-repeat}"),
            "a{background:url(\"/i?u=http%3A%2F%2Fwap.example.com%2Fimg%2Fbg.png\") no-repeat}");
  EXPECT_EQ(Sheet("a{background-image:URL( \"pic.gif\" )}"),
            "a{background-image:url(\"/i?u=http%3A%2F%2Fwap.example.com%2Fcss%2Fpic.gif\")}");
  EXPECT_EQ(Sheet("a{list-style:url(https://cdn.example.net/dot.png)}"),
            "a{list-style:url(\"/i?u=https%3A%2F%2Fcdn.example.net%2Fdot.png\")}");
}

TEST(CssCleaner, AFunctionEndingInUrlIsNoUrl) {
  EXPECT_EQ(Sheet(".hdr{background:#036 t.gifurl(img/hdr.gif) repeat-x}"),
            ".hdr{background:#036 t.gifurl(img/hdr.gif) repeat-x}");
}

TEST(CssCleaner, KeepsRasterDataImagesOnly) {
  EXPECT_EQ(Sheet("a{background:url(data:image/png;base64,iVBORw0KGgo=)}"),
            "a{background:url(\"data:image/png;base64,iVBORw0KGgo=\")}");
  EXPECT_EQ(Sheet("a{background:url(data:image/svg+xml;base64,PHN2Zz4=);color:red}"),
            "a{color:red}");
  EXPECT_EQ(Sheet("a{background:url(data:text/html,x);color:red}"), "a{color:red}");
}

TEST(CssCleaner, DropsOtherSchemes) {
  EXPECT_EQ(
      Sheet("a{background:url(file:///etc/passwd);cursor:url(ftp://x.example/c.cur);color:red}"),
      "a{color:red}");
}

TEST(CssCleaner, RewritesImportsOrDropsThem) {
  EXPECT_EQ(Sheet("@import \"other.css\";\n@import url(http://x.example/a.css) screen;"
                  "@import url(javascript:x);@IMPORT url('b.css');p{color:red}"),
            "@import url(\"/s?u=http%3A%2F%2Fwap.example.com%2Fcss%2Fother.css\");\n"
            "@import url(\"/s?u=http%3A%2F%2Fx.example%2Fa.css\");\n"
            "@import url(\"/s?u=http%3A%2F%2Fwap.example.com%2Fcss%2Fb.css\");\n"
            "p{color:red}");
  EXPECT_EQ(Sheet("@media screen{@import \"inner.css\";p{color:red}}"),
            "@media screen{p{color:red}}");
}

// ---- At-rules ----------------------------------------------------------------------------

TEST(CssCleaner, CleansInsideMediaAndKeyframes) {
  EXPECT_EQ(Sheet("@media screen and (max-width:480px){ .a{color:red;width:expression(1)} "
                  ".b{x:url(javascript:y)} }"),
            "@media screen and (max-width:480px){.a{color:red}}");
  EXPECT_EQ(Sheet("@-webkit-keyframes pulse{from{opacity:0}50%{opacity:.5}to{opacity:1}}"),
            "@-webkit-keyframes pulse{from{opacity:0}\n50%{opacity:.5}\nto{opacity:1}}");
  EXPECT_EQ(Sheet("@media print{p{width:expression(1)}}"), "");
}

TEST(CssCleaner, DropsOtherAtRules) {
  EXPECT_EQ(Sheet("@charset \"utf-8\";@font-face{font-family:x;src:url(f.woff)}@page{margin:0}"
                  "@namespace svg url(http://www.w3.org/2000/svg);p{color:red}"),
            "p{color:red}");
  EXPECT_EQ(Declarations("@import 'x.css'; color:red"), "color:red");
}

TEST(CssCleaner, LimitsNesting) {
  const std::string inner = "p{color:red}";
  EXPECT_EQ(Sheet(Repeat("@media screen{", kMaxCssNesting) + inner + Repeat("}", kMaxCssNesting)),
            Repeat("@media screen{", kMaxCssNesting) + inner + Repeat("}", kMaxCssNesting));
  EXPECT_EQ(
      Sheet(Repeat("@media screen{", kMaxCssNesting + 1) + inner + Repeat("}", kMaxCssNesting + 1)),
      "");
}

// ---- Style attributes --------------------------------------------------------------------

TEST(CssCleaner, CleansDeclarationsOfAStyleAttribute) {
  EXPECT_EQ(Declarations(" color: red; background: url(a.png); width: expression(1) ;"),
            "color:red;background:url(\"/i?u=http%3A%2F%2Fwap.example.com%2Fcss%2Fa.png\")");
  EXPECT_EQ(Declarations("color:red;;;  ;margin:0"), "color:red;margin:0");
  EXPECT_EQ(Declarations("p{color:red}"), "");
  EXPECT_EQ(Declarations("--Main-Color: #123; COLOR: var(--Main-Color)"),
            "--Main-Color:#123;color:var(--Main-Color)");
}

TEST(CssCleaner, SurvivesBrokenText) {
  EXPECT_EQ(Sheet("a{content:\"unterminated\n;color:red}"), "a{color:red}");
  EXPECT_EQ(Sheet("a{background:url(a b.png);color:red}"), "a{color:red}");
  EXPECT_EQ(Sheet(std::string_view("a{co\0lor:red;margin:0}", 22)), "a{margin:0}");
  EXPECT_EQ(Sheet("a{color:red\\"),
            "a{color:red\xEF\xBF\xBD}");  // an escape at the end reads as U+FFFD
  EXPECT_EQ(Sheet(""), "");
  EXPECT_EQ(Sheet("}}}{{{"), "");
}

}  // namespace
}  // namespace tovarin::gateway
