#include "gateway/html_tree_cleaner.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <optional>
#include <string>

#include "gateway/html_allow_list.h"
#include "gateway/html_writer.h"
#include "gateway/limits.h"
#include "gateway/reference_policy.h"
#include "gateway/url.h"

namespace tovarin::gateway {
namespace {

// Frame flags: what leaving the element undoes or adds.
constexpr std::uint8_t kLeavesForm = 1;
constexpr std::uint8_t kLeavesTextOnly = 2;
constexpr std::uint8_t kLeavesHead = 4;
constexpr std::uint8_t kShowsTarget = 8;  // an unlinked mailto:/tel:/wtai:/sms: shows its target

// A longer target of an unlinked link is not shown after its text (it stays in the title).
constexpr std::size_t kMaxShownTargetBytes = 128;

std::string_view NameOf(const xmlNode* node) { return reinterpret_cast<const char*>(node->name); }
std::string_view NameOf(const xmlAttr* attribute) {
  return reinterpret_cast<const char*>(attribute->name);
}
std::string_view ContentOf(const xmlNode* node) {
  return node->content == nullptr ? std::string_view()
                                  : reinterpret_cast<const char*>(node->content);
}
bool IsTextLike(const xmlNode* node) {
  return node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE;
}
bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }
bool IsBlank(std::string_view text) {
  for (char c : text) {
    if (!IsSpace(c)) return false;
  }
  return true;
}
char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string LowerTrimmed(std::string_view text) {
  while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
  std::string out(text);
  for (char& c : out) c = AsciiLower(c);
  return out;
}

const xmlAttr* FindAttribute(const xmlNode* node, std::string_view name) {
  std::size_t seen = 0;
  for (const xmlAttr* attribute = node->properties;
       attribute != nullptr && seen < kMaxAttributesPerElement;
       attribute = attribute->next, ++seen) {
    if (NameOf(attribute) == name) return attribute;
  }
  return nullptr;
}

const xmlNode* FindChildElement(const xmlNode* parent, std::string_view name) {
  for (const xmlNode* child = parent->children; child != nullptr; child = child->next) {
    if (child->type == XML_ELEMENT_NODE && NameOf(child) == name) return child;
  }
  return nullptr;
}

bool ShowsTarget(std::string_view scheme) {
  return scheme == "mailto" || scheme == "tel" || scheme == "wtai" || scheme == "sms";
}

// A refresh's content, read as browsers read it: "5;url=next.html", "5, URL='next.html'",
// "0" (the page itself). The fraction of a delay is ignored.
struct Refresh {
  unsigned long delay = 0;
  std::string_view url;  // empty: the page itself
};

std::optional<Refresh> ParseRefresh(std::string_view content) {
  std::size_t at = 0;
  auto skip_spaces = [&] {
    while (at < content.size() && IsSpace(content[at])) ++at;
  };
  skip_spaces();
  Refresh refresh;
  const std::size_t digits_start = at;
  while (at < content.size() && content[at] >= '0' && content[at] <= '9') {
    if (refresh.delay < 100'000'000)
      refresh.delay = refresh.delay * 10 + static_cast<unsigned long>(content[at] - '0');
    ++at;
  }
  if (at == digits_start && (at >= content.size() || content[at] != '.')) return std::nullopt;
  while (at < content.size() && ((content[at] >= '0' && content[at] <= '9') || content[at] == '.'))
    ++at;
  skip_spaces();
  if (at < content.size() && (content[at] == ';' || content[at] == ',')) ++at;
  skip_spaces();
  if (content.size() - at >= 3 && AsciiLower(content[at]) == 'u' &&
      AsciiLower(content[at + 1]) == 'r' && AsciiLower(content[at + 2]) == 'l') {
    std::size_t after = at + 3;
    while (after < content.size() && IsSpace(content[after])) ++after;
    if (after < content.size() && content[after] == '=') {
      at = after + 1;
      skip_spaces();
    }
  }
  std::string_view url = content.substr(at);
  if (!url.empty() && (url.front() == '"' || url.front() == '\'')) {
    const char quote = url.front();
    url.remove_prefix(1);
    url = url.substr(0, url.find(quote));
  }
  while (!url.empty() && IsSpace(url.back())) url.remove_suffix(1);
  refresh.url = url;
  return refresh;
}

// A form's accept-charset as the browser is to use it: the charset names the form gives (a list
// separated by spaces or commas; a token that is not a plain charset name is dropped), then the
// page's own form charset, so a browser that knows none of the form's submits in the page's, as
// it would have on the site. Empty when neither gives one: the browser then uses UTF-8, the
// charset of the page we write.
std::string AcceptCharset(std::string_view given, std::string_view page_charset) {
  constexpr std::size_t kMaxTokens = 8;
  constexpr std::size_t kMaxTokenBytes = 40;  // longer than any charset name
  std::string list;
  std::size_t tokens = 0;
  std::size_t pos = 0;
  while (pos < given.size() && tokens < kMaxTokens) {
    const std::size_t end = std::min(given.find_first_of(" \t\n\r\f,", pos), given.size());
    const std::string_view token = given.substr(pos, end - pos);
    pos = end + 1;
    const bool plain = !token.empty() && token.size() <= kMaxTokenBytes &&
                       std::all_of(token.begin(), token.end(), [](char c) {
                         return std::isalnum(static_cast<unsigned char>(c)) || c == '-' ||
                                c == '_' || c == '.' || c == ':';
                       });
    if (!plain) continue;
    if (!list.empty()) list += ' ';
    list += token;
    ++tokens;
  }
  if (!page_charset.empty()) {
    if (!list.empty()) list += ' ';
    list += page_charset;
  }
  return list;
}

}  // namespace

HtmlTreeCleaner::HtmlTreeCleaner(std::string_view page_url, const ServiceLinks& links,
                                 std::size_t output_budget, QueryEncoder query_encoder,
                                 std::string_view form_charset)
    : page_url_(page_url),
      base_url_(page_url),
      query_encoder_(std::move(query_encoder)),
      form_charset_(form_charset),
      classifier_(page_url, query_encoder_),
      links_(links),
      css_(links),
      budget_(output_budget) {}

void HtmlTreeCleaner::Clean(xmlDoc* document, CleanedPage& page) {
  page_ = &page;
  frames_.clear();
  form_depth_ = text_only_depth_ = head_depth_ = 0;
  title_taken_ = refresh_taken_ = false;
  FindBase(document);
  const auto* document_node = reinterpret_cast<const xmlNode*>(document);
  const xmlNode* node = document->children;
  while (node != nullptr && !page.cut) {
    const std::size_t body_mark = page.body.size();
    const std::size_t head_mark = page.head.size();
    const std::size_t frame_mark = frames_.size();
    const bool entered = Enter(node);
    if (page.head.size() + page.body.size() > budget_) {
      page.body.resize(body_mark);
      page.head.resize(head_mark);
      RollBack(frame_mark);
      page.cut = true;
      break;
    }
    if (entered && node->children != nullptr) {
      node = node->children;
      continue;
    }
    if (entered) Leave();
    // Up to the next sibling, closing the elements finished on the way.
    while (node != nullptr && node->next == nullptr) {
      node = node->parent;
      if (node == nullptr || node == document_node) {
        node = nullptr;
      } else {
        Leave();
      }
    }
    if (node != nullptr) node = node->next;
  }
  CloseAll();
  page_ = nullptr;
}

// The first <base href> in <head>, when it resolves to an http(s) address, is the base of every
// address in the page (browsers apply it to the whole document, before and after it).
void HtmlTreeCleaner::FindBase(xmlDoc* document) {
  base_url_ = page_url_;
  classifier_ = ReferenceClassifier(page_url_, query_encoder_);
  const xmlNode* html = FindChildElement(reinterpret_cast<const xmlNode*>(document), "html");
  const xmlNode* head = html == nullptr ? nullptr : FindChildElement(html, "head");
  if (head == nullptr) return;
  for (const xmlNode* child = head->children; child != nullptr; child = child->next) {
    if (child->type != XML_ELEMENT_NODE || NameOf(child) != "base") continue;
    const xmlAttr* href = FindAttribute(child, "href");
    if (href == nullptr) continue;
    Reference base = ClassifyReference(page_url_, AttributeValue(href));
    if (base.kind == ReferenceKind::kFetchable) {
      base_url_ = std::move(base.url);
      classifier_ = ReferenceClassifier(base_url_, query_encoder_);
    }
    return;
  }
}

// Writes what comes before a node's content; true when its content is to be walked (a frame
// was pushed for it).
bool HtmlTreeCleaner::Enter(const xmlNode* node) {
  if (node->type == XML_ELEMENT_NODE) return EnterElement(node);
  if (IsTextLike(node)) {
    // White space in <head>, or between </head>, <body> and </html>, is layout of the source.
    const std::string_view text = ContentOf(node);
    const xmlNode* parent = node->parent;
    const bool outside_content = head_depth_ > 0 || parent == nullptr ||
                                 parent->type != XML_ELEMENT_NODE || NameOf(parent) == "html";
    if (!outside_content || !IsBlank(text)) AppendText(text);
  }
  return false;  // comments, processing instructions, document types: never written
}

bool HtmlTreeCleaner::EnterElement(const xmlNode* node) {
  const std::string_view name = NameOf(node);
  ElementAction action = ActionForElement(name);
  if (text_only_depth_ > 0) {
    action = (action == ElementAction::kDrop || action == ElementAction::kStyle)
                 ? ElementAction::kDrop
                 : ElementAction::kUnwrap;
  }
  switch (action) {
    case ElementAction::kDrop: return false;
    case ElementAction::kUnwrap: return Push(node, {});
    case ElementAction::kHead: return Push(node, {}, kLeavesHead);
    case ElementAction::kKeep: AppendStartTag(name, node); return Push(node, name);
    case ElementAction::kVoid: AppendStartTag(name, node); return Push(node, {});
    case ElementAction::kAnchor: return EnterAnchor(node);
    case ElementAction::kImage: AppendImage(node); return Push(node, {});
    case ElementAction::kForm: return EnterForm(node);
    case ElementAction::kInput: AppendInput(node); return Push(node, {});
    case ElementAction::kButton:
      return EnterTyped(node, name, ButtonTypeToWrite(AttributeValue(FindAttribute(node, "type"))));
    case ElementAction::kList: {
      const std::string_view type = AttributeValue(FindAttribute(node, "type"));
      return EnterTyped(node, name, IsListType(type) ? type : std::string_view());
    }
    case ElementAction::kTextArea:
      AppendStartTag(name, node);
      return Push(node, name, kLeavesTextOnly);
    case ElementAction::kStyle: TakeStyle(node); return false;
    case ElementAction::kTitle: TakeTitle(node); return false;
    case ElementAction::kLink: TakeLink(node); return false;
    case ElementAction::kMeta: TakeMeta(node); return false;
  }
  return false;
}

bool HtmlTreeCleaner::Push(const xmlNode* node, std::string_view end_name, std::uint8_t flags) {
  frames_.push_back(Frame{node, end_name, flags});
  if (flags & kLeavesForm) ++form_depth_;
  if (flags & kLeavesTextOnly) ++text_only_depth_;
  if (flags & kLeavesHead) ++head_depth_;
  return true;
}

void HtmlTreeCleaner::RollBack(std::size_t frame_count) {
  while (frames_.size() > frame_count) {
    const std::uint8_t flags = frames_.back().flags;
    if (flags & kLeavesForm) --form_depth_;
    if (flags & kLeavesTextOnly) --text_only_depth_;
    if (flags & kLeavesHead) --head_depth_;
    frames_.pop_back();
  }
}

void HtmlTreeCleaner::Leave() {
  const Frame frame = frames_.back();
  std::string& body = page_->body;
  if (frame.flags & kShowsTarget) {
    const xmlAttr* href = FindAttribute(frame.node, "href");
    const Reference target = classifier_.Classify(AttributeValue(href));
    if (target.url.size() <= kMaxShownTargetBytes) {
      body += " (";
      AppendEscapedText(body, target.url);
      body += ')';
    }
  }
  if (!frame.end_name.empty()) {
    body += "</";
    body += frame.end_name;
    body += '>';
  }
  RollBack(frames_.size() - 1);
}

void HtmlTreeCleaner::CloseAll() {
  while (!frames_.empty()) Leave();
}

void HtmlTreeCleaner::AppendStartTag(std::string_view name, const xmlNode* node) {
  page_->body += '<';
  page_->body += name;
  AppendCopiedAttributes(node);
  page_->body += '>';
}

// The allowed attributes in document order (at most kMaxAttributesPerElement are looked at);
// style is cleaned and left out when nothing of it remains.
void HtmlTreeCleaner::AppendCopiedAttributes(const xmlNode* node) {
  std::size_t seen = 0;
  for (const xmlAttr* attribute = node->properties;
       attribute != nullptr && seen < kMaxAttributesPerElement;
       attribute = attribute->next, ++seen) {
    const std::string_view name = NameOf(attribute);
    if (IsCopiedAttribute(name)) {
      AppendAttribute(page_->body, name, AttributeValue(attribute));
    } else if (name == "style") {
      style_scratch_.clear();
      css_.AppendDeclarations(style_scratch_, AttributeValue(attribute), base_url_);
      if (!style_scratch_.empty()) AppendAttribute(page_->body, "style", style_scratch_);
    }
  }
}

// Escaped text; near the budget, as much as fits, cut neither inside an entity nor inside a
// character, and the walk stops.
void HtmlTreeCleaner::AppendText(std::string_view text) {
  std::string& body = page_->body;
  const std::size_t mark = body.size();
  AppendEscapedText(body, text);
  const std::size_t head_size = page_->head.size();
  if (head_size + body.size() <= budget_) return;
  std::size_t cut = budget_ > head_size ? std::max(mark, budget_ - head_size) : mark;
  for (std::size_t back = 1; back <= 4 && cut >= mark + back; ++back) {
    if (body[cut - back] == ';') break;
    if (body[cut - back] == '&') {
      cut -= back;
      break;
    }
  }
  while (cut > mark && (static_cast<unsigned char>(body[cut]) & 0xC0) == 0x80) --cut;
  body.resize(cut);
  page_->cut = true;
}

std::string_view HtmlTreeCleaner::TextContent(const xmlNode* node) {
  return node == nullptr ? std::string_view() : JoinText(node->children);
}

std::string_view HtmlTreeCleaner::AttributeValue(const xmlAttr* attribute) {
  return attribute == nullptr ? std::string_view() : JoinText(attribute->children);
}

// The parser gives one text node almost always: that one is read in place, without a copy.
std::string_view HtmlTreeCleaner::JoinText(const xmlNode* first) {
  if (first != nullptr && first->next == nullptr && IsTextLike(first)) return ContentOf(first);
  scratch_.clear();
  for (const xmlNode* child = first; child != nullptr; child = child->next) {
    if (IsTextLike(child)) scratch_ += ContentOf(child);
  }
  return scratch_;
}

// ---- Element handlers ----------------------------------------------------------------------

// <a href>: a fragment stays, an http(s) address goes through the service, anything else is an
// unlinked span showing its content (and, for mailto:/tel:/wtai:/sms:, its target after it).
bool HtmlTreeCleaner::EnterAnchor(const xmlNode* node) {
  const xmlAttr* href = FindAttribute(node, "href");
  if (href == nullptr) {
    AppendStartTag("a", node);
    return Push(node, "a");
  }
  const Reference target = classifier_.Classify(AttributeValue(href));
  std::string& body = page_->body;
  if (target.kind == ReferenceKind::kFragment || target.kind == ReferenceKind::kFetchable) {
    body += "<a";
    AppendAttribute(body, "href",
                    target.kind == ReferenceKind::kFragment ? target.url : links_.Page(target.url));
    AppendCopiedAttributes(node);
    body += '>';
    return Push(node, "a");
  }
  body += "<span";
  AppendAttribute(body, "class", "wml-unlinked");
  if (!IsScriptLikeScheme(target.scheme)) AppendAttribute(body, "title", target.url);
  if (const xmlAttr* id = FindAttribute(node, "id"))
    AppendAttribute(body, "id", AttributeValue(id));
  body += '>';
  return Push(node, "span", ShowsTarget(target.scheme) ? kShowsTarget : 0);
}

// <img>: an http(s) picture through the service, a raster data: picture as it is; any other
// picture is replaced by its alt text.
void HtmlTreeCleaner::AppendImage(const xmlNode* node) {
  const xmlAttr* src = FindAttribute(node, "src");
  const Reference picture =
      src == nullptr ? Reference{} : classifier_.Classify(AttributeValue(src));
  std::string& body = page_->body;
  if (picture.kind == ReferenceKind::kFetchable || picture.kind == ReferenceKind::kRasterData) {
    body += "<img";
    AppendAttribute(
        body, "src",
        picture.kind == ReferenceKind::kFetchable ? links_.Image(picture.url) : picture.url);
    AppendCopiedAttributes(node);
    body += '>';
    return;
  }
  if (const xmlAttr* alt = FindAttribute(node, "alt")) AppendText(AttributeValue(alt));
}

// <form>: submitted to the service, with the service's hidden fields first. Without an action
// a form submits to the page itself. A form whose action is not http(s), or a form inside a
// form (browsers ignore its tag), is not written; its fields still are.
bool HtmlTreeCleaner::EnterForm(const xmlNode* node) {
  if (form_depth_ > 0) return Push(node, {});
  const std::string_view action = AttributeValue(FindAttribute(node, "action"));
  Reference target;
  if (IsBlank(action)) {
    target.kind = ReferenceKind::kFetchable;
    target.url = page_url_;
  } else {
    target = classifier_.Classify(action);
    if (target.kind == ReferenceKind::kFragment)
      target.url = classifier_.Resolve(target.url).value_or("");
    if (target.kind == ReferenceKind::kFragment && IsFetchableScheme(UrlScheme(target.url))) {
      target.kind = ReferenceKind::kFetchable;
    }
  }
  if (target.kind != ReferenceKind::kFetchable) return Push(node, {});
  const std::string_view method =
      LowerTrimmed(AttributeValue(FindAttribute(node, "method"))) == "post" ? "post" : "get";
  const FormTarget form = links_.Form(target.url, method);
  std::string& body = page_->body;
  body += "<form";
  AppendAttribute(body, "action", form.action);
  AppendAttribute(body, "method", method);
  const std::string accept_charset =
      AcceptCharset(AttributeValue(FindAttribute(node, "accept-charset")), form_charset_);
  if (!accept_charset.empty()) AppendAttribute(body, "accept-charset", accept_charset);
  AppendCopiedAttributes(node);
  body += '>';
  for (const auto& [name, value] : form.hidden) {
    body += "<input type=\"hidden\"";
    AppendAttribute(body, "name", name);
    AppendAttribute(body, "value", value);
    body += '>';
  }
  return Push(node, "form", kLeavesForm);
}

void HtmlTreeCleaner::AppendInput(const xmlNode* node) {
  const std::optional<std::string_view> type =
      InputTypeToWrite(AttributeValue(FindAttribute(node, "type")));
  if (!type) return;  // a file field: forms are sent urlencoded
  std::string& body = page_->body;
  body += "<input";
  if (!type->empty()) AppendAttribute(body, "type", *type);
  AppendCopiedAttributes(node);
  body += '>';
}

// <button>, <ol>, <ul>, <li>: `type` (already checked against its fixed set) first.
bool HtmlTreeCleaner::EnterTyped(const xmlNode* node, std::string_view name,
                                 std::string_view type) {
  std::string& body = page_->body;
  body += '<';
  body += name;
  if (!type.empty()) AppendAttribute(body, "type", type);
  AppendCopiedAttributes(node);
  body += '>';
  return Push(node, name);
}

// <style>: cleaned; in <head> it goes into our head, elsewhere it stays where it is. A sheet
// for other media (print, speech, ...) is dropped.
void HtmlTreeCleaner::TakeStyle(const xmlNode* node) {
  const xmlAttr* media = FindAttribute(node, "media");
  if (media != nullptr && !MediaSuitsPhone(AttributeValue(media))) return;
  std::string& target = head_depth_ > 0 ? page_->head : page_->body;
  const std::size_t mark = target.size();
  target += "<style>";
  const std::size_t sheet_start = target.size();
  css_.AppendStyleSheet(target, TextContent(node), base_url_);
  if (target.size() == sheet_start) {
    target.resize(mark);
  } else {
    target += "</style>";
  }
}

// The first <title>: its text, white space collapsed to single spaces and trimmed, cut to
// kMaxTitleBytes at a character boundary.
void HtmlTreeCleaner::TakeTitle(const xmlNode* node) {
  if (title_taken_) return;
  title_taken_ = true;
  std::string& title = page_->title;
  title.clear();
  bool space = false;
  for (char c : TextContent(node)) {
    if (IsSpace(c)) {
      space = !title.empty();
      continue;
    }
    if (title.size() + (space ? 1 : 0) >= kMaxTitleBytes) break;
    if (space) title += ' ';
    space = false;
    title += c;
  }
  // Drop a last character the cut left incomplete.
  std::size_t lead = title.size();
  while (lead > 0 && (static_cast<unsigned char>(title[lead - 1]) & 0xC0) == 0x80) --lead;
  if (lead > 0) {
    const auto first = static_cast<unsigned char>(title[lead - 1]);
    const std::size_t length = first >= 0xF0 ? 4 : first >= 0xE0 ? 3 : first >= 0xC0 ? 2 : 1;
    if (title.size() - (lead - 1) < length) title.resize(lead - 1);
  }
}

// <link rel="stylesheet" href>: into the head, through the service. Alternate sheets, sheets
// for other media and every other kind of link are dropped.
void HtmlTreeCleaner::TakeLink(const xmlNode* node) {
  const std::string rel = LowerTrimmed(AttributeValue(FindAttribute(node, "rel")));
  bool stylesheet = false;
  bool alternate = false;
  std::size_t at = 0;
  while (at < rel.size()) {
    const std::size_t end = std::min(rel.size(), rel.find_first_of(" \t\n\r\f", at));
    const std::string_view word = std::string_view(rel).substr(at, end - at);
    stylesheet = stylesheet || word == "stylesheet";
    alternate = alternate || word == "alternate";
    at = end + 1;
  }
  if (!stylesheet || alternate) return;
  const xmlAttr* media = FindAttribute(node, "media");
  if (media != nullptr && !MediaSuitsPhone(AttributeValue(media))) return;
  const Reference sheet = classifier_.Classify(AttributeValue(FindAttribute(node, "href")));
  if (sheet.kind != ReferenceKind::kFetchable) return;
  page_->head += "<link rel=\"stylesheet\"";
  AppendAttribute(page_->head, "href", links_.Style(sheet.url));
  page_->head += '>';
}

// <meta http-equiv="refresh">: the first one only. To an http(s) address (or the page itself)
// it goes into the head through the service with the same delay; to anything else it is
// dropped. Every other meta is dropped (our head sets the charset and viewport).
void HtmlTreeCleaner::TakeMeta(const xmlNode* node) {
  if (refresh_taken_ ||
      LowerTrimmed(AttributeValue(FindAttribute(node, "http-equiv"))) != "refresh")
    return;
  refresh_taken_ = true;
  const std::optional<Refresh> refresh =
      ParseRefresh(AttributeValue(FindAttribute(node, "content")));
  if (!refresh) return;
  Reference target;
  if (refresh->url.empty()) {
    target.kind = ReferenceKind::kFetchable;
    target.url = page_url_;
  } else {
    target = classifier_.Classify(refresh->url);
  }
  if (target.kind != ReferenceKind::kFetchable) return;
  page_->head += "<meta http-equiv=\"refresh\"";
  AppendAttribute(page_->head, "content",
                  std::to_string(refresh->delay) + ";url=" + links_.Page(target.url));
  page_->head += '>';
}

}  // namespace tovarin::gateway
