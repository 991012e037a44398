#include "gateway/wml_parser.h"

#include <libxml/HTMLparser.h>
#include <libxml/entities.h>
#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/tree.h>

#include <algorithm>
#include <climits>
#include <memory>
#include <string>
#include <vector>

#include "gateway/html_writer.h"
#include "gateway/limits.h"
#include "gateway/markup_builder.h"

namespace tovarin::gateway {
namespace {

using platform::Error;
using platform::Result;

struct DocDeleter {
  void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};
struct ParserDeleter {
  void operator()(xmlParserCtxt* context) const { xmlFreeParserCtxt(context); }
};
struct HtmlParserDeleter {
  void operator()(htmlParserCtxt* context) const { htmlFreeParserCtxt(context); }
};

std::string_view View(const xmlChar* text) {
  return text ? std::string_view(reinterpret_cast<const char*>(text)) : std::string_view();
}
std::string_view View(const xmlChar* text, int length) {
  return std::string_view(reinterpret_cast<const char*>(text), static_cast<std::size_t>(length));
}

// The state one parse shares with its callbacks.
struct ReadState {
  MarkupBuilder builder;
  xmlParserCtxt* context = nullptr;
  // Entities the deck uses, made on first use from libxml2's HTML table and owned by a scratch
  // document (libxml2 keeps entity declarations in a document's internal subset).
  std::unique_ptr<xmlDoc, DocDeleter> entity_holder;

  void Stop() {
    if (context) xmlStopParser(context);
  }
};

// The callbacks get the ReadState itself as their user data, never the parser context: when
// the user data is the context, libxml2 looks up an entity our getEntity does not give in the
// table it builds from the deck's own DOCTYPE, which would expand the deck's entities and read
// its external ones (SYSTEM "file:///...") behind our back.
ReadState& StateOf(void* user_data) { return *static_cast<ReadState*>(user_data); }

// WML's own entity names are those of XML plus nbsp and shy, which the HTML table holds too.
xmlEntity* LookUpEntity(void* user_data, const xmlChar* name) {
  if (xmlEntity* predefined = xmlGetPredefinedEntity(name)) return predefined;
  ReadState& state = StateOf(user_data);
  if (!state.entity_holder) {
    state.entity_holder.reset(xmlNewDoc(BAD_CAST "1.0"));
    if (!state.entity_holder) return nullptr;
    xmlCreateIntSubset(state.entity_holder.get(), BAD_CAST "wml", nullptr, nullptr);
  }
  if (xmlEntity* made = xmlGetDocEntity(state.entity_holder.get(), name)) return made;
  const htmlEntityDesc* html = htmlEntityLookup(name);
  if (!html) return nullptr;
  char utf8[8] = {};
  int length =
      xmlCopyCharMultiByte(reinterpret_cast<xmlChar*>(utf8), static_cast<int>(html->value));
  if (length <= 0) return nullptr;
  utf8[length] = '\0';
  // An internal general entity whose text is one character (no markup, no reference, so no
  // recursion). Not marked predefined: in attribute values libxml2 copies only the first byte
  // of a predefined entity's text, which cut &nbsp; and &copy; to half a UTF-8 sequence.
  return xmlAddDocEntity(state.entity_holder.get(), name, XML_INTERNAL_GENERAL_ENTITY, nullptr,
                         nullptr, reinterpret_cast<const xmlChar*>(utf8));
}

void XmlStartElement(void* user_data, const xmlChar* local_name, const xmlChar* prefix,
                     const xmlChar*, int, const xmlChar**, int attribute_count, int,
                     const xmlChar** attributes) {
  ReadState& state = StateOf(user_data);
  std::vector<MarkupAttribute> list;
  list.reserve(static_cast<std::size_t>(attribute_count));
  for (int i = 0; i < attribute_count; ++i) {
    const xmlChar** a = attributes + 5 * i;  // local name, prefix, URI, value, value end
    list.push_back(
        {std::string(View(a[0])), std::string(View(a[3], static_cast<int>(a[4] - a[3])))});
  }
  std::string name(View(local_name));
  if (prefix) name = std::string(View(prefix)) + ":" + name;
  if (!state.builder.Start(name, std::move(list))) state.Stop();
}

void XmlEndElement(void* user_data, const xmlChar* local_name, const xmlChar* prefix,
                   const xmlChar*) {
  std::string name(View(local_name));
  if (prefix) name = std::string(View(prefix)) + ":" + name;
  StateOf(user_data).builder.End(name);
}

void Characters(void* user_data, const xmlChar* text, int length) {
  ReadState& state = StateOf(user_data);
  if (!state.builder.Text(View(text, length))) state.Stop();
}

// An entity reference nothing defines stays in the text as written, as browsers show it.
void UnknownReference(void* user_data, const xmlChar* name) {
  std::string text = "&" + std::string(View(name)) + ";";
  Characters(user_data, reinterpret_cast<const xmlChar*>(text.data()),
             static_cast<int>(text.size()));
}

void HtmlStartElement(void* user_data, const xmlChar* name, const xmlChar** attributes) {
  ReadState& state = StateOf(user_data);
  // Cards never nest: a <card> while one is open means that one's </card> is missing. (The HTML
  // parser knows nothing of cards and would put the next card inside it, out of FindCard's reach.)
  if (MarkupBuilder::LowerName(View(name)) == "card") state.builder.End("card");
  std::vector<MarkupAttribute> list;
  for (int i = 0; attributes && attributes[i]; i += 2) {
    list.push_back({std::string(View(attributes[i])), std::string(View(attributes[i + 1]))});
  }
  if (!state.builder.Start(View(name), std::move(list))) state.Stop();
}

void HtmlEndElement(void* user_data, const xmlChar* name) {
  StateOf(user_data).builder.End(View(name));
}

void Quiet(void*, const char*, ...) {}

xmlSAXHandler XmlHandler() {
  xmlSAXHandler handler{};
  handler.initialized = XML_SAX2_MAGIC;
  handler.getEntity = LookUpEntity;
  handler.startElementNs = XmlStartElement;
  handler.endElementNs = XmlEndElement;
  handler.characters = Characters;
  handler.cdataBlock = Characters;
  handler.reference = UnknownReference;
  handler.warning = Quiet;
  handler.error = Quiet;
  handler.fatalError = Quiet;
  return handler;
}

xmlSAXHandler HtmlHandler() {
  xmlSAXHandler handler{};
  handler.startElement = HtmlStartElement;
  handler.endElement = HtmlEndElement;
  handler.characters = Characters;
  handler.cdataBlock = Characters;
  handler.warning = Quiet;
  handler.error = Quiet;
  handler.fatalError = Quiet;
  return handler;
}

// NOENT inserts entity text in attribute values (not "&#38;"); only the entities LookUpEntity
// gives exist, so nothing declared by the deck is ever expanded.
constexpr int kXmlOptions = XML_PARSE_NOENT | XML_PARSE_NONET | XML_PARSE_NOWARNING |
                            XML_PARSE_NOERROR | XML_PARSE_IGNORE_ENC | XML_PARSE_NOCDATA;
// Not HTML_PARSE_NOIMPLIED: without an implied <html> around everything, libxml2's push parser
// takes the end of the first top-level element for the end of the document and drops the rest,
// so a deck after a stray "<b>Notice</b>" line was lost. TakeDeckRoot looks inside html/body.
constexpr int kHtmlOptions = HTML_PARSE_RECOVER | HTML_PARSE_NONET | HTML_PARSE_NOERROR |
                             HTML_PARSE_NOWARNING | HTML_PARSE_IGNORE_ENC;

// Parses as XML; true when the deck was well-formed and nothing stopped the build.
bool ReadAsXml(std::string_view text, ReadState& state) {
  xmlSAXHandler handler = XmlHandler();
  std::unique_ptr<xmlParserCtxt, ParserDeleter> context(
      xmlCreatePushParserCtxt(&handler, &state, nullptr, 0, nullptr));
  if (!context) return false;
  state.context = context.get();
  xmlCtxtUseOptions(context.get(), kXmlOptions);
  xmlSwitchEncoding(context.get(), XML_CHAR_ENCODING_UTF8);
  xmlParseChunk(context.get(), text.data(), static_cast<int>(text.size()), 1);
  bool well_formed = context->wellFormed != 0;
  // Even in SAX mode libxml2 records the DOCTYPE's entity declarations in a document of its
  // own, which the parser context does not free.
  std::unique_ptr<xmlDoc, DocDeleter> declarations(context->myDoc);
  context->myDoc = nullptr;
  state.context = nullptr;
  return well_formed && state.builder.failure().empty();
}

// `text` with every "</br>" (any case, space allowed before the '>') written "<br>". HTML reads
// "</br>" as a line break, and so did the phone browsers ill-formed decks were written for;
// libxml2's HTML parser drops an end tag that closes nothing, and the line break with it.
std::string EndBrAsLineBreak(std::string_view text) {
  std::string out;
  std::size_t copied = 0;
  for (std::size_t open = text.find("</"); open != std::string_view::npos;
       open = text.find("</", open + 2)) {
    std::size_t end = open + 2;
    if (end + 2 > text.size() || (text[end] | 0x20) != 'b' || (text[end + 1] | 0x20) != 'r') {
      continue;
    }
    end += 2;
    while (end < text.size() &&
           (text[end] == ' ' || text[end] == '\t' || text[end] == '\n' || text[end] == '\r')) {
      ++end;
    }
    if (end >= text.size() || text[end] != '>') continue;
    out.append(text.substr(copied, open - copied));
    out += "<br>";
    copied = end + 1;
  }
  out.append(text.substr(copied));
  return out;
}

// `text` with each CDATA section written as escaped text. The XML parser reads
// "<![CDATA[<b> & </b>]]>" as the text "<b> & </b>", and so did phone browsers; libxml2's HTML
// parser knows no CDATA and would show the markers and take the content for tags. An
// unterminated section runs to the end of the deck, as in XML.
std::string CdataAsText(std::string_view text) {
  constexpr std::string_view kOpen = "<![CDATA[";
  constexpr std::string_view kClose = "]]>";
  std::string out;
  std::size_t copied = 0;
  for (std::size_t open = text.find(kOpen); open != std::string_view::npos;
       open = text.find(kOpen, copied)) {
    out.append(text.substr(copied, open - copied));
    const std::size_t start = open + kOpen.size();
    std::size_t close = text.find(kClose, start);
    if (close == std::string_view::npos) close = text.size();
    AppendEscapedText(out, text.substr(start, close - start));
    copied = std::min(text.size(), close + kClose.size());
  }
  out.append(text.substr(copied));
  return out;
}

void ReadAsHtml(std::string_view text, ReadState& state) {
  xmlSAXHandler handler = HtmlHandler();
  std::unique_ptr<htmlParserCtxt, HtmlParserDeleter> context(
      htmlCreatePushParserCtxt(&handler, &state, nullptr, 0, nullptr, XML_CHAR_ENCODING_UTF8));
  if (!context) return;
  state.context = context.get();
  htmlCtxtUseOptions(context.get(), kHtmlOptions);
  std::string mended = EndBrAsLineBreak(CdataAsText(text));
  htmlParseChunk(context.get(), mended.data(), static_cast<int>(mended.size()), 1);
  state.context = nullptr;
}

// The <wml> element of a parsed document, searched breadth-first (the HTML parser wraps it in
// html/body, and in whatever stray elements came before it: a paragraph it implied around a
// PHP notice or a DOCTYPE's declarations, an unclosed <b>); a <wml> is made around the content
// when there is none.
MarkupNode TakeDeckRoot(MarkupNode document) {
  std::vector<MarkupNode*> level{&document};
  while (!level.empty()) {
    std::vector<MarkupNode*> next;
    for (MarkupNode* node : level) {
      if (node->IsElement("wml")) return std::move(*node);
      for (MarkupNode& child : node->children) {
        if (child.IsElement()) next.push_back(&child);
      }
    }
    level = std::move(next);
  }
  MarkupNode wml = MarkupNode::Element("wml");
  wml.children = std::move(document.children);
  return wml;
}

}  // namespace

Result<ParsedDeck> ParseWml(std::string_view utf8) {
  if (utf8.size() > kMaxBodyBytes || utf8.size() > static_cast<std::size_t>(INT_MAX)) {
    return Error{"the deck is larger than " + std::to_string(kMaxBodyBytes) + " bytes"};
  }
  ParsedDeck deck;
  {
    ReadState state;
    if (ReadAsXml(utf8, state)) {
      deck.root = TakeDeckRoot(state.builder.Finish());
      return deck;
    }
    if (!state.builder.failure().empty()) return Error{"the deck has " + state.builder.failure()};
  }
  ReadState state;
  ReadAsHtml(utf8, state);
  if (!state.builder.failure().empty()) return Error{"the deck has " + state.builder.failure()};
  deck.root = TakeDeckRoot(state.builder.Finish());
  deck.well_formed = false;
  return deck;
}

}  // namespace tovarin::gateway
