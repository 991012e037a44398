#include "gateway/html_cleaner.h"

#include <glib.h>
#include <libxml/HTMLparser.h>
#include <libxml/parser.h>

#include <algorithm>
#include <array>
#include <memory>
#include <optional>
#include <string>

#include "gateway/html_allow_list.h"
#include "gateway/html_normalizer.h"
#include "gateway/html_tree_cleaner.h"
#include "gateway/html_writer.h"
#include "gateway/limits.h"

namespace tovarin::gateway {
namespace {

// libxml2 searches its whole stack of open elements for every end tag it cannot match and for
// every misplaced <body>; past this many open elements the parse stops (kMaxElementDepth below
// it, elements are flattened already), so each search stays short.
constexpr int kMaxOpenElements = 2 * kMaxElementDepth;

// Room kept outside the budget of head and body: the document frame (the phone style sheet and
// a title of at most kMaxTitleBytes), the end tags of the at most kMaxElementDepth elements
// open when the page is cut (each of which may be an unlinked link that shows a target of up to
// 128 bytes), the note.
constexpr std::size_t kFrameReserveBytes = 64u << 10;

// Recover from any markup; never touch the network; the text is UTF-8 whatever the page says;
// no default document type node; short texts stored inside their nodes. White space is kept
// (no HTML_PARSE_NOBLANKS): it separates words. libxml2's HTML parser reads neither DTDs nor
// external entities, with or without options (and the normal form has no document type).
constexpr int kParseOptions = HTML_PARSE_RECOVER | HTML_PARSE_NONET | HTML_PARSE_NOERROR |
                              HTML_PARSE_NOWARNING | HTML_PARSE_IGNORE_ENC | HTML_PARSE_NODEFDTD |
                              HTML_PARSE_COMPACT;

struct ParserContextDeleter {
  void operator()(htmlParserCtxt* context) const { htmlFreeParserCtxt(context); }
};
struct DocumentDeleter {
  void operator()(xmlDoc* document) const { xmlFreeDoc(document); }
};
using DocumentPtr = std::unique_ptr<xmlDoc, DocumentDeleter>;

// Bounds kept while the parser builds the tree. libxml2 stops a whole document at depth 256 and
// builds any number of elements and attributes; the guard sits between the parser and the tree
// builder instead: elements deeper than kMaxElementDepth are not built (their text goes to the
// deepest element built), attributes past kMaxAttributesPerElement are not built (the normal
// form has no more anyway), and the parse stops after kMaxNodes elements or beyond
// kMaxOpenElements open ones.
struct ParseGuard {
  startElementSAXFunc start_element = nullptr;  // the tree builder's own handlers
  endElementSAXFunc end_element = nullptr;
  charactersSAXFunc characters = nullptr;
  cdataBlockSAXFunc cdata_block = nullptr;

  std::size_t elements = 0;  // elements built
  int skipped_open = 0;      // open elements below kMaxElementDepth, not built
  int dropping_from = 0;     // skipped_open of a dropped element whose text is ignored; 0: none
  bool stopped = false;      // kMaxNodes was reached
};

ParseGuard& GuardOf(void* context) {
  return *static_cast<ParseGuard*>(static_cast<xmlParserCtxt*>(context)->_private);
}

void GuardedStartElement(void* context, const xmlChar* name, const xmlChar** attributes) {
  auto* parser = static_cast<xmlParserCtxt*>(context);
  ParseGuard& guard = GuardOf(context);
  if (parser->nameNr > kMaxOpenElements) {  // the parser's own stack, this element included
    guard.stopped = true;
    xmlStopParser(parser);
    return;
  }
  if (guard.skipped_open > 0 || parser->nodeNr >= kMaxElementDepth) {
    // The parser closes elements in the order it opened them, so every end that follows
    // belongs to a skipped element until skipped_open is back at 0.
    ++guard.skipped_open;
    if (guard.dropping_from == 0) {
      const ElementAction action = ActionForElement(reinterpret_cast<const char*>(name));
      if (action == ElementAction::kDrop || action == ElementAction::kStyle) {
        guard.dropping_from = guard.skipped_open;
      }
    }
    return;
  }
  if (++guard.elements > kMaxNodes) {
    guard.stopped = true;
    xmlStopParser(parser);
    return;
  }
  std::size_t values = 0;
  while (attributes != nullptr && attributes[values] != nullptr) values += 2;
  if (values <= 2 * kMaxAttributesPerElement) {
    guard.start_element(context, name, attributes);
    return;
  }
  std::array<const xmlChar*, 2 * kMaxAttributesPerElement + 1> kept{};
  std::copy(attributes, attributes + 2 * kMaxAttributesPerElement, kept.begin());
  guard.start_element(context, name, kept.data());
}

void GuardedEndElement(void* context, const xmlChar* name) {
  ParseGuard& guard = GuardOf(context);
  if (guard.skipped_open == 0) {
    guard.end_element(context, name);
    return;
  }
  if (guard.dropping_from == guard.skipped_open) guard.dropping_from = 0;
  --guard.skipped_open;
}

void GuardedCharacters(void* context, const xmlChar* text, int length) {
  ParseGuard& guard = GuardOf(context);
  if (guard.dropping_from == 0) guard.characters(context, text, length);
}

// The parser hands the text of <script> and <style> here.
void GuardedCdataBlock(void* context, const xmlChar* text, int length) {
  ParseGuard& guard = GuardOf(context);
  if (guard.dropping_from == 0) guard.cdata_block(context, text, length);
}

struct ParsedPage {
  DocumentPtr document;  // null for a page with nothing in it
  bool stopped = false;
};

platform::Result<ParsedPage> Parse(std::string_view text) {
  const std::unique_ptr<htmlParserCtxt, ParserContextDeleter> parser(htmlNewParserCtxt());
  if (parser == nullptr || parser->sax == nullptr) {
    return platform::Error{"the HTML parser could not be set up"};
  }
  xmlSAXHandler* sax = parser->sax;  // the context's own copy
  ParseGuard guard;
  guard.start_element = sax->startElement;
  guard.end_element = sax->endElement;
  guard.characters = sax->characters;
  guard.cdata_block = sax->cdataBlock;
  if (guard.start_element == nullptr || guard.end_element == nullptr ||
      guard.characters == nullptr || guard.cdata_block == nullptr) {
    return platform::Error{"the HTML parser has no tree builder"};
  }
  sax->startElement = GuardedStartElement;
  sax->endElement = GuardedEndElement;
  sax->characters = GuardedCharacters;
  sax->cdataBlock = GuardedCdataBlock;
  sax->comment = nullptr;  // never written: not built either
  sax->processingInstruction = nullptr;
  parser->_private = &guard;
  ParsedPage parsed;
  parsed.document.reset(htmlCtxtReadMemory(parser.get(), text.data(), static_cast<int>(text.size()),
                                           nullptr, "UTF-8", kParseOptions));
  parsed.stopped = guard.stopped;
  parser->_private = nullptr;
  return parsed;
}

// NUL bytes removed, every other byte that is not part of valid UTF-8 replaced by U+FFFD;
// nullopt when the text is valid as it is (the usual case, which costs no copy).
std::optional<std::string> RepairedUtf8(std::string_view text) {
  const gchar* valid_end = nullptr;
  if (g_utf8_validate_len(text.data(), text.size(), &valid_end)) return std::nullopt;
  std::string out;
  out.reserve(text.size() + 16);
  std::string_view rest = text;
  while (true) {
    const auto valid = static_cast<std::size_t>(valid_end - rest.data());
    out.append(rest.substr(0, valid));
    if (valid >= rest.size()) break;
    if (rest[valid] != '\0') out += "\xEF\xBF\xBD";
    rest.remove_prefix(valid + 1);
    if (g_utf8_validate_len(rest.data(), rest.size(), &valid_end)) {
      out.append(rest);
      break;
    }
  }
  return out;
}

}  // namespace

platform::Result<std::string> CleanHtml(std::string_view utf8_html, std::string_view page_url,
                                        const ServiceLinks& links, QueryEncoder query_encoder,
                                        std::string_view form_charset) {
  if (utf8_html.size() > kMaxBodyBytes) {
    return platform::Error{"the page is larger than " + std::to_string(kMaxBodyBytes >> 20) +
                           " MiB, more than the viewer accepts"};
  }
  const std::optional<std::string> repaired = RepairedUtf8(utf8_html);
  const std::string_view text = repaired ? std::string_view(*repaired) : utf8_html;
  // The whole answer is built in the body's buffer: taken before the parser's many small
  // allocations, large enough for a typical page and the frame put in front of it at the end.
  CleanedPage page;
  page.body.reserve(text.size() + text.size() / 4 + PhoneStyleSheet().size() + 1024);
  std::string markup;
  markup.reserve(text.size() + text.size() / 16 + 64);
  NormalizeHtml(text, markup);
  platform::Result<ParsedPage> parsed = Parse(markup);
  if (!parsed.ok()) return platform::Error{parsed.error()};
  if (parsed->document != nullptr) {
    HtmlTreeCleaner cleaner(page_url, links, kMaxOutputBytes - kFrameReserveBytes,
                            std::move(query_encoder), form_charset);
    cleaner.Clean(parsed->document.get(), page);
    parsed->document.reset();
  }
  if (page.cut || parsed->stopped) page.body += kPageCutNote;
  EndDocument(page.body);
  std::string frame;
  BeginDocument(frame, page.title, page.head);
  page.body.insert(0, frame);
  return std::move(page.body);
}

}  // namespace tovarin::gateway
