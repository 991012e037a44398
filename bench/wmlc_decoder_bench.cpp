// Decoding speed of the WMLC decoder against libwbxml, on the same bytes in the same run.
//
// Decks: tests/data/wmlc/news.wmlc (a 1.9 KB WML 1.3 deck of three cards, written by
// xml2wbxml from news.wml beside it) and the same deck repeated into one large card list, to
// show the cost per byte once start-up costs are spread. bytes_per_second counts WMLC bytes.
//
// The peer, wbxml_conv_wbxml2xml_withlen, parses into libwbxml's tree and writes XML text: it
// does more work at the end than our decoder (which stops at the tree) but also skips the
// charset checks and limits ours makes on every string. Both are what a transcoder needs to
// get from WMLC to something its writer can read.
#include <benchmark/benchmark.h>
#include <wbxml/wbxml.h>
#include <wbxml/wbxml_conv.h>

#include <cstddef>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "gateway/wbxml_decoder.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes ReadDeck(const std::string& name) {
  std::ifstream in(std::string(TOVARIN_SOURCE_DIR) + "/tests/data/wmlc/" + name, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// news.wmlc with its root's content repeated `copies` times: the header and string table of
// news.wmlc (string table offsets stay valid), <wml>, the three cards `copies` times, END.
// Layout of news.wmlc: 03 0A 6A <table length n < 0x80> <n table bytes> 7F <content> 01.
Bytes RepeatedDeck(const Bytes& deck, int copies) {
  if (deck.size() < 6 || deck[3] >= 0x80 || deck.size() < 6u + deck[3]) return {};
  const auto root_token = static_cast<std::ptrdiff_t>(4 + deck[3]);
  if (deck[static_cast<std::size_t>(root_token)] != 0x7F) return {};
  Bytes large(deck.begin(), deck.begin() + root_token + 1);
  const Bytes content(deck.begin() + root_token + 1, deck.end() - 1);
  for (int i = 0; i < copies; ++i) large.insert(large.end(), content.begin(), content.end());
  large.push_back(0x01);
  return large;
}

void DecodeWithTovarin(benchmark::State& state, const Bytes& deck) {
  if (!tovarin::gateway::DecodeWmlc(deck).ok()) {
    state.SkipWithError("the deck does not decode");
    return;
  }
  for (auto _ : state) {
    auto document = tovarin::gateway::DecodeWmlc(deck);
    benchmark::DoNotOptimize(document);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * deck.size()));
}

void DecodeWithLibwbxml(benchmark::State& state, const Bytes& deck) {
  // Compact XML: no indentation work beyond what the tree needs.
  WBXMLGenXMLParams params{WBXML_GEN_XML_COMPACT, WBXML_LANG_UNKNOWN, WBXML_CHARSET_UNKNOWN, 0,
                           TRUE};
  Bytes input = deck;  // the API takes a non-const pointer
  for (auto _ : state) {
    WB_UTINY* xml = nullptr;
    WB_ULONG xml_length = 0;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"  // libwbxml marks this call deprecated
    const WBXMLError error = wbxml_conv_wbxml2xml_withlen(
        input.data(), static_cast<WB_ULONG>(input.size()), &xml, &xml_length, &params);
#pragma GCC diagnostic pop
    if (error != WBXML_OK) {
      state.SkipWithError(reinterpret_cast<const char*>(wbxml_errors_string(error)));
      return;
    }
    benchmark::DoNotOptimize(xml);
    std::free(xml);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * deck.size()));
}

const Bytes& NewsDeck() {
  static const Bytes deck = ReadDeck("news.wmlc");
  return deck;
}

const Bytes& LargeDeck() {
  static const Bytes deck = RepeatedDeck(NewsDeck(), 64);
  return deck;
}

void BM_Tovarin_News(benchmark::State& state) { DecodeWithTovarin(state, NewsDeck()); }
void BM_Libwbxml_News(benchmark::State& state) { DecodeWithLibwbxml(state, NewsDeck()); }
void BM_Tovarin_News64(benchmark::State& state) { DecodeWithTovarin(state, LargeDeck()); }
void BM_Libwbxml_News64(benchmark::State& state) { DecodeWithLibwbxml(state, LargeDeck()); }

BENCHMARK(BM_Tovarin_News);
BENCHMARK(BM_Libwbxml_News);
BENCHMARK(BM_Tovarin_News64);
BENCHMARK(BM_Libwbxml_News64);

}  // namespace

BENCHMARK_MAIN();
