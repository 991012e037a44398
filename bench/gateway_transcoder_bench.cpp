// The transcoder against its floors: Transcode() of a page beside a bare libxml2 parse of the
// same bytes (we cannot beat one parse), and of a WMLC deck beside libwbxml's conversion of it.
#include <benchmark/benchmark.h>
#include <libxml/HTMLparser.h>
#include <libxml/parser.h>
#include <wbxml/wbxml.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <span>
#include <string>
#include <vector>

#include "gateway/transcoder.h"
#include "tests/gateway/fake_service_links.h"

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string TypicalDeck() { return ReadFile(TOVARIN_SOURCE_DIR "/bench/data/typical.wml"); }
std::string TypicalWmlc() { return ReadFile(TOVARIN_SOURCE_DIR "/bench/data/typical.wmlc"); }

// About 100 KB of deck: a portal's long list of cards with links, fields and tables.
std::string LargeDeck() {
  std::string deck =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE wml PUBLIC \"-//WAPFORUM//DTD WML "
      "1.1//EN\" \"http://www.wapforum.org/DTD/wml_1.1.xml\">\n<wml><template><do type=\"prev\" "
      "label=\"Back\"><prev/></do></template>\n";
  for (int card = 0; deck.size() < 100 * 1024; ++card) {
    std::string id = std::to_string(card);
    deck += "<card id=\"c" + id + "\" title=\"Section " + id + "\"><p align=\"left\">";
    for (int item = 0; item < 12; ++item) {
      std::string n = std::to_string(item);
      deck += "<a href=\"/list.wml?s=" + id + "&amp;i=" + n + "\">Story " + n + " of section " +
              id + " &amp; more</a><br/>\n";
    }
    deck += "Hello $(user), <b>news</b> for &quot;" + id +
            "&quot;: long text that wraps over several lines of the small screen.</p>"
            "<p><input name=\"q" +
            id +
            "\" maxlength=\"20\"/><select name=\"w\"><option "
            "value=\"a\">A</option><option value=\"b\">B</option></select></p><table columns=\"2\">"
            "<tr><td>x</td><td>y</td></tr></table><do type=\"accept\"><go href=\"#c" +
            std::to_string(card + 1) + "\"/></do></card>\n";
  }
  return deck + "</wml>\n";
}

std::string LargeXhtml() {
  std::string page =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE html PUBLIC \"-//WAPFORUM//DTD "
      "XHTML Mobile 1.0//EN\" \"http://www.wapforum.org/DTD/xhtml-mobile10.dtd\">\n<html "
      "xmlns=\"http://www.w3.org/1999/xhtml\"><head><title>Portal</title><style>body{color:#222}"
      ".n{font-weight:bold}</style></head><body>\n";
  for (int block = 0; page.size() < 100 * 1024; ++block) {
    std::string n = std::to_string(block);
    page += "<div class=\"n\"><h2>Block " + n + "</h2><p style=\"margin:2px\">Text of block " + n +
            " with <a href=\"/a?id=" + n + "&amp;p=2\">a link</a> and <img src=\"/i/" + n +
            ".gif\" alt=\"pic\" width=\"16\" height=\"16\"/>.</p><ul><li><a href=\"/x/" + n +
            "\">One</a></li><li><a href=\"/y/" + n +
            "\">Two</a></li></ul><form action=\"/s\" "
            "method=\"get\"><input type=\"text\" name=\"q\"/><input type=\"submit\" "
            "value=\"Go\"/></form><table><tr><td>a</td><td>b</td></tr></table></div>\n";
  }
  return page + "</body></html>\n";
}

std::span<const std::uint8_t> Bytes(const std::string& text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

void RunTranscode(benchmark::State& state, const std::string& page, const char* type) {
  tovarin::gateway::FakeServiceLinks links;
  for (auto _ : state) {
    tovarin::gateway::WmlContext context;
    tovarin::gateway::TranscodeRequest request{Bytes(page), type,
                                               "http://wap.example.com/index.wml",
                                               tovarin::gateway::EntryDirection::kForward, &links};
    auto result = tovarin::gateway::Transcode(request, context);
    if (result.kind != tovarin::gateway::TranscodeResult::Kind::kHtml) {
      state.SkipWithError(result.error.c_str());
      return;
    }
    benchmark::DoNotOptimize(result.body.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page.size()));
}

void RunXmlParse(benchmark::State& state, const std::string& page) {
  for (auto _ : state) {
    xmlDoc* doc = xmlReadMemory(page.data(), static_cast<int>(page.size()), nullptr, "UTF-8",
                                XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    benchmark::DoNotOptimize(doc);
    xmlFreeDoc(doc);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page.size()));
}

void BM_TranscodeLargeWml(benchmark::State& state) {
  static const std::string deck = LargeDeck();
  RunTranscode(state, deck, "text/vnd.wap.wml");
}
void BM_LibxmlParseLargeWml(benchmark::State& state) {
  static const std::string deck = LargeDeck();
  RunXmlParse(state, deck);
}
void BM_TranscodeTypicalWml(benchmark::State& state) {
  static const std::string deck = TypicalDeck();
  RunTranscode(state, deck, "text/vnd.wap.wml");
}
void BM_LibxmlParseTypicalWml(benchmark::State& state) {
  static const std::string deck = TypicalDeck();
  RunXmlParse(state, deck);
}
void BM_TranscodeTypicalWmlc(benchmark::State& state) {
  static const std::string deck = TypicalWmlc();
  RunTranscode(state, deck, "application/vnd.wap.wmlc");
}
void BM_LibwbxmlConvertTypicalWmlc(benchmark::State& state) {
  static std::string deck = TypicalWmlc();
  for (auto _ : state) {
    WBXMLConvWBXML2XML* converter = nullptr;
    if (wbxml_conv_wbxml2xml_create(&converter) != WBXML_OK) {
      state.SkipWithError("libwbxml: no converter");
      return;
    }
    wbxml_conv_wbxml2xml_set_gen_type(converter, WBXML_GEN_XML_COMPACT);
    WB_UTINY* xml = nullptr;
    WB_ULONG xml_length = 0;
    WBXMLError error =
        wbxml_conv_wbxml2xml_run(converter, reinterpret_cast<WB_UTINY*>(deck.data()),
                                 static_cast<WB_ULONG>(deck.size()), &xml, &xml_length);
    wbxml_conv_wbxml2xml_destroy(converter);
    if (error != WBXML_OK) {
      state.SkipWithError("libwbxml failed");
      return;
    }
    benchmark::DoNotOptimize(xml);
    std::free(xml);  // libwbxml allocates its output with malloc
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * deck.size()));
}
void BM_TranscodeLargeXhtml(benchmark::State& state) {
  static const std::string page = LargeXhtml();
  RunTranscode(state, page, "application/vnd.wap.xhtml+xml");
}
void BM_LibxmlHtmlParseLargeXhtml(benchmark::State& state) {
  static const std::string page = LargeXhtml();
  for (auto _ : state) {
    htmlDocPtr doc = htmlReadMemory(page.data(), static_cast<int>(page.size()), nullptr, "UTF-8",
                                    HTML_PARSE_NONET | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING);
    benchmark::DoNotOptimize(doc);
    xmlFreeDoc(doc);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page.size()));
}

BENCHMARK(BM_TranscodeLargeWml);
BENCHMARK(BM_LibxmlParseLargeWml);
BENCHMARK(BM_TranscodeTypicalWml);
BENCHMARK(BM_LibxmlParseTypicalWml);
BENCHMARK(BM_TranscodeTypicalWmlc);
BENCHMARK(BM_LibwbxmlConvertTypicalWmlc);
BENCHMARK(BM_TranscodeLargeXhtml);
BENCHMARK(BM_LibxmlHtmlParseLargeXhtml);

}  // namespace

BENCHMARK_MAIN();
