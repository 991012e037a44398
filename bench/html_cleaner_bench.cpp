// Cleaning an XHTML page against the bare libxml2 parse of the same bytes (htmlReadMemory and
// xmlFreeDoc with the cleaner's own parse options): the parse is the floor the cleaner builds
// on, so the ratio of the two is the cost of cleaning. The page is a mobile portal generated
// here, the same bytes on every run: links, pictures, tables, forms, inline and element styles.
// Bytes processed are page bytes.
#include <benchmark/benchmark.h>
#include <libxml/HTMLparser.h>

#include <cstdio>
#include <random>
#include <string>
#include <string_view>

#include "gateway/css_cleaner.h"
#include "gateway/html_cleaner.h"
#include "gateway/url.h"

namespace {

using tovarin::gateway::FormTarget;
using tovarin::gateway::PercentEncode;

constexpr std::string_view kPageUrl = "http://wap.example.com/portal/index.html";
constexpr std::size_t kPageBytes = 100 * 1024;

// Addresses shaped like the service's own: a prefix and the percent-encoded address.
class BenchLinks final : public tovarin::gateway::ServiceLinks {
 public:
  std::string Page(std::string_view url) const override { return "/page?u=" + PercentEncode(url); }
  std::string Image(std::string_view url) const override {
    return "/image?u=" + PercentEncode(url);
  }
  std::string Style(std::string_view url) const override {
    return "/style?u=" + PercentEncode(url);
  }
  FormTarget Form(std::string_view action, std::string_view method) const override {
    return {"/form", {{"u", std::string(action)}, {"m", std::string(method)}}};
  }
  FormTarget Task(std::string_view deck) const override {
    return {"/task", {{"deck", std::string(deck)}}};
  }
  std::string TaskLink(std::string_view deck, std::string_view task) const override {
    return "/task?deck=" + PercentEncode(deck) + "&task=" + PercentEncode(task);
  }
};

constexpr std::string_view kHead = R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE html PUBLIC "-//WAPFORUM//DTD XHTML Mobile 1.0//EN" "http://www.wapforum.org/DTD/xhtml-mobile10.dtd">
<html xmlns="http://www.w3.org/1999/xhtml" xml:lang="en"><head><title>Portal - Home</title>
<meta http-equiv="Content-Type" content="application/vnd.wap.xhtml+xml; charset=UTF-8"/>
<meta http-equiv="Cache-Control" content="max-age=300"/>
<link rel="stylesheet" href="/css/mobile.css" type="text/css" media="handheld, screen"/>
<style type="text/css">
body { margin: 0; padding: 0; font: small Arial, Helvetica, sans-serif; color: #222; background: #fff }
.hdr { background: #036 url(/img/hdr.gif) repeat-x; color: #fff; padding: 2px 4px }
.nav { background: #e8eef6; border-bottom: 1px solid #9ab; padding: 2px }
.nav a, .nav a:visited { color: #036; text-decoration: none; font-weight: bold }
h2 { font-size: small; margin: 4px 0 2px; padding: 1px 4px; background: #dde6f0 }
ul.list { margin: 0; padding: 0; list-style: none }
ul.list li { padding: 2px 4px; border-bottom: 1px dotted #ccc; min-height: 32px }
ul.list li img { float: left; margin-right: 4px; border: 0 }
table.quotes td { padding: 1px 3px; font-size: x-small } .up { color: #080 } .down { color: #b00 }
.ftr { font-size: x-small; color: #666; padding: 4px; border-top: 1px solid #ccc }
@media handheld { .ad { display: none } }
</style></head><body>
<div class="hdr"><a href="/" accesskey="0"><img src="/img/logo.gif" alt="Portal" width="120" height="30"/></a></div>
<div class="nav"><a href="/news/" accesskey="1">News</a> | <a href="/sport/" accesskey="2">Sport</a> | <a href="/weather/?city=London&amp;days=3" accesskey="3">Weather</a> | <a href="/games/">Games</a></div>
<form action="/search" method="get"><div><input type="text" name="q" size="12" maxlength="64" value=""/><input type="submit" value="Go"/></div></form>
)";

constexpr std::string_view kWords[] = {
    "Markets", "rise",  "on",      "rate",  "hopes",  "Cup",   "final",
    "tickets", "storm", "warning", "for",   "coast",  "new",   "phone",
    "launch",  "city",  "council", "votes", "budget", "star",  "signs",
    "record",  "deal",  "&amp;",   "team",  "wins",   "derby", "&#8220;late&#8221;"};

void AppendHeadline(std::string& page, std::mt19937& random) {
  const int words = 4 + static_cast<int>(random() % 6);
  for (int i = 0; i < words; ++i) {
    if (i > 0) page += ' ';
    page += kWords[random() % std::size(kWords)];
  }
}

void AppendNewsSection(std::string& page, std::mt19937& random, int section) {
  page += "<h2>Section " + std::to_string(section) + "</h2>\n<ul class=\"list\">\n";
  for (int item = 0; item < 8; ++item) {
    const std::string id = std::to_string(section * 100 + item);
    page += "<li><a href=\"/news/2024/story" + id +
            ".html?src=home&amp;pos=" + std::to_string(item) + "\">";
    if (item % 2 == 0) {
      page += "<img src=\"http://img.example.net/thumb/" + id +
              ".jpg\" width=\"40\" height=\"30\" alt=\"\"/>";
    }
    AppendHeadline(page, random);
    page += "</a><br/><small style=\"color:#666\">" + std::to_string(8 + item) + ":" +
            std::to_string(10 + static_cast<int>(random() % 50)) + " &#183; News</small></li>\n";
  }
  page += "</ul>\n";
}

void AppendQuotesTable(std::string& page, std::mt19937& random) {
  page +=
      "<table class=\"quotes\" width=\"100%\" cellpadding=\"0\" cellspacing=\"0\" border=\"0\">\n";
  for (int row = 0; row < 6; ++row) {
    const bool up = random() % 2 == 0;
    page += "<tr><td><a href=\"/markets/quote.php?s=SYM" + std::to_string(row) + "\">SYM" +
            std::to_string(row) + "</a></td><td align=\"right\">" +
            std::to_string(100 + random() % 900) + "." + std::to_string(10 + random() % 90) +
            "</td><td align=\"right\" class=\"" + (up ? "up" : "down") +
            "\" style=\"font-weight:bold\">" + (up ? "+" : "-") + "0." +
            std::to_string(random() % 90 + 10) + "%</td></tr>\n";
  }
  page += "</table>\n";
}

void AppendPoll(std::string& page, int section) {
  page += "<form action=\"/poll/vote.php\" method=\"post\"><fieldset><legend>Poll " +
          std::to_string(section) +
          "</legend><select name=\"answer\"><option value=\"1\">Yes</option><option "
          "value=\"2\">No</option>"
          "<option value=\"3\" selected=\"selected\">Not sure</option></select><input "
          "type=\"hidden\" name=\"poll\" "
          "value=\"" +
          std::to_string(section) +
          "\"/><input type=\"submit\" value=\"Vote\"/></fieldset></form>\n"
          "<p>Call <a href=\"wtai://wp/mc;+441234567890\">our hotline</a> or <a "
          "href=\"mailto:desk@example.com\">mail "
          "the desk</a>. <a href=\"#top\">Top</a></p>\n";
}

// A mobile portal of about `bytes` bytes, the same on every call.
std::string PortalPage(std::size_t bytes) {
  std::mt19937 random(20240607);
  std::string page(kHead);
  for (int section = 0; page.size() < bytes; ++section) {
    AppendNewsSection(page, random, section);
    if (section % 2 == 0) AppendQuotesTable(page, random);
    if (section % 3 == 0) AppendPoll(page, section);
  }
  page +=
      "<div class=\"ftr\">&#169; 2024 Portal | <a href=\"/help/\">Help</a> | <a "
      "href=\"/terms/\">Terms</a></div>\n"
      "</body></html>\n";
  return page;
}

constexpr int kParseOptions = HTML_PARSE_RECOVER | HTML_PARSE_NONET | HTML_PARSE_NOERROR |
                              HTML_PARSE_NOWARNING | HTML_PARSE_IGNORE_ENC | HTML_PARSE_NODEFDTD |
                              HTML_PARSE_COMPACT;

void BM_BareLibxml2Parse(benchmark::State& state) {
  const std::string page = PortalPage(kPageBytes);
  for (auto _ : state) {
    xmlDoc* document =
        htmlReadMemory(page.data(), static_cast<int>(page.size()), nullptr, "UTF-8", kParseOptions);
    benchmark::DoNotOptimize(document);
    xmlFreeDoc(document);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page.size()));
}
BENCHMARK(BM_BareLibxml2Parse)->Unit(benchmark::kMicrosecond);

void BM_CleanHtml(benchmark::State& state) {
  const std::string page = PortalPage(kPageBytes);
  const BenchLinks links;
  std::size_t output = 0;
  for (auto _ : state) {
    tovarin::platform::Result<std::string> html =
        tovarin::gateway::CleanHtml(page, kPageUrl, links);
    if (!html.ok()) {
      state.SkipWithError(html.error().c_str());
      return;
    }
    output = html->size();
    benchmark::DoNotOptimize(html);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page.size()));
  state.counters["page_bytes"] = static_cast<double>(page.size());
  state.counters["output_bytes"] = static_cast<double>(output);
}
BENCHMARK(BM_CleanHtml)->Unit(benchmark::kMicrosecond);

// The page's own style element, cleaned alone many times over (a fetched sheet of the same rules).
void BM_CleanStyleSheet(benchmark::State& state) {
  const std::string_view head(kHead);
  const std::size_t start = head.find("<style type=\"text/css\">") + 23;
  const std::string_view rules = head.substr(start, head.find("</style>") - start);
  std::string sheet;
  while (sheet.size() < 20 * 1024) sheet += rules;
  const BenchLinks links;
  for (auto _ : state) {
    std::string css = tovarin::gateway::CleanStyleSheet(sheet, kPageUrl, links);
    benchmark::DoNotOptimize(css);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * sheet.size()));
}
BENCHMARK(BM_CleanStyleSheet)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
