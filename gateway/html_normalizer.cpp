#include "gateway/html_normalizer.h"

#include <algorithm>
#include <array>
#include <cstddef>

#include "gateway/limits.h"

namespace tovarin::gateway {
namespace {

// libxml2 reads at most this many bytes of a name at once (HTML_PARSER_BUFFER_SIZE); the rest
// would start another name.
constexpr std::size_t kParserNameBytes = 100;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }
bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsParserNameStart(char c) { return IsAsciiLetter(c) || c == '_' || c == ':' || c == '.'; }
bool IsParserNameByte(char c) { return IsParserNameStart(c) || (c >= '0' && c <= '9') || c == '-'; }
char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// The name the parser will read: the leading run of name bytes, at most kParserNameBytes, lower
// case. Empty when `written` does not start with a name start byte.
void CanonicalName(std::string_view written, std::string& name) {
  std::size_t length = 0;
  if (!written.empty() && IsParserNameStart(written.front())) {
    const std::size_t limit = std::min(written.size(), kParserNameBytes);
    while (length < limit && IsParserNameByte(written[length])) ++length;
  }
  name.assign(written.data(), length);
  for (char& c : name) c = AsciiLower(c);
}

bool EqualsNoCase(std::string_view text, std::string_view lower) {
  if (text.size() != lower.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (AsciiLower(text[i]) != lower[i]) return false;
  }
  return true;
}

// Appends `text` with each byte in `special` replaced by its entry in `replacements`.
void AppendReplacing(std::string& out, std::string_view text, std::string_view special,
                     const std::string_view* replacements) {
  std::size_t start = 0;
  for (std::size_t at = text.find_first_of(special); at != std::string_view::npos;
       at = text.find_first_of(special, start)) {
    out.append(text, start, at - start);
    out += replacements[special.find(text[at])];
    start = at + 1;
  }
  out.append(text, start);
}

constexpr std::array<std::string_view, 2> kValueEscapes = {"&quot;", "&lt;"};
constexpr std::array<std::string_view, 1> kTextEscapes = {"&lt;"};

enum class Content { kMarkup, kScript, kStyle, kText };

class Normalizer {
 public:
  Normalizer(std::string_view html, std::string& out) : html_(html), out_(out) {}

  void Run() {
    std::size_t at = 0;
    while (at < html_.size()) {
      const std::size_t open = html_.find('<', at);
      if (open == std::string_view::npos) {
        out_.append(html_, at);
        return;
      }
      out_.append(html_, at, open - at);
      at = Markup(open);
    }
  }

 private:
  struct Attribute {
    std::string name;
    std::string_view value;
    bool has_value = false;
  };

  char At(std::size_t at) const { return at < html_.size() ? html_[at] : '\0'; }

  // What starts at the '<' at `open`; returns where the text goes on.
  std::size_t Markup(std::size_t open) {
    const char next = At(open + 1);
    if (IsAsciiLetter(next)) return StartTag(open);
    if (next == '/') {
      const char third = At(open + 2);
      if (IsAsciiLetter(third)) return EndTag(open);
      if (third == '>') return open + 3;
      if (open + 2 < html_.size()) return PastGreater(open + 2);
    } else if (next == '!') {
      return html_.compare(open, 4, "<!--") == 0 ? PastComment(open + 4) : PastGreater(open + 2);
    } else if (next == '?') {
      return PastGreater(open + 2);
    }
    out_ += "&lt;";
    return open + 1;
  }

  std::size_t PastGreater(std::size_t from) const {
    const std::size_t greater = html_.find('>', from);
    return greater == std::string_view::npos ? html_.size() : greater + 1;
  }

  // A comment ends at "-->" or "--!>"; "<!-->" and "<!--->" are empty comments.
  std::size_t PastComment(std::size_t from) const {
    if (At(from) == '>') return from + 1;
    if (At(from) == '-' && At(from + 1) == '>') return from + 2;
    for (std::size_t dashes = html_.find("--", from); dashes != std::string_view::npos;
         dashes = html_.find("--", dashes + 1)) {
      if (At(dashes + 2) == '>') return dashes + 3;
      if (At(dashes + 2) == '!' && At(dashes + 3) == '>') return dashes + 4;
    }
    return html_.size();
  }

  // Up to a blank, '/' or '>' (a tag name), or also '=' after the first byte (an attribute name).
  std::size_t NameEnd(std::size_t from, bool attribute) const {
    std::size_t at = from;
    while (at < html_.size()) {
      const char c = html_[at];
      if (IsBlank(c) || c == '/' || c == '>' || (attribute && c == '=' && at > from)) break;
      ++at;
    }
    return at;
  }

  std::size_t SkipBlanks(std::size_t at) const {
    while (at < html_.size() && IsBlank(html_[at])) ++at;
    return at;
  }

  std::size_t EndTag(std::size_t open) {
    const std::size_t name_end = NameEnd(open + 2, false);
    CanonicalName(html_.substr(open + 2, name_end - open - 2), name_);
    out_ += "</";
    out_ += name_;
    out_ += '>';
    return PastGreater(name_end);
  }

  std::size_t StartTag(std::size_t open) {
    const std::size_t name_end = NameEnd(open + 1, false);
    CanonicalName(html_.substr(open + 1, name_end - open - 1), name_);
    kept_ = 0;
    bool self_closing = false;
    const std::size_t end = ReadAttributes(name_end, self_closing);
    if (IsRepeatedDocumentElement()) return end;
    out_ += '<';
    out_ += name_;
    for (std::size_t i = 0; i < kept_; ++i) {
      out_ += ' ';
      out_ += attributes_[i].name;
      if (!attributes_[i].has_value) continue;
      out_ += "=\"";
      AppendReplacing(out_, attributes_[i].value, "\"<", kValueEscapes.data());
      out_ += '"';
    }
    out_ += self_closing ? "/>" : ">";
    if (self_closing) return end;
    if (name_ == "script") return Contents(end, "script", Content::kScript);
    if (name_ == "style") return Contents(end, "style", Content::kStyle);
    if (name_ == "textarea") return Contents(end, "textarea", Content::kText);
    if (name_ == "title") return Contents(end, "title", Content::kText);
    return end;
  }

  // The parser discards a second <html>, <head> or <body> after searching every open element for
  // the first: it is dropped here instead.
  bool IsRepeatedDocumentElement() {
    bool* seen = name_ == "html"   ? &seen_html_
                 : name_ == "head" ? &seen_head_
                 : name_ == "body" ? &seen_body_
                                   : nullptr;
    if (seen == nullptr) return false;
    const bool repeated = *seen;
    *seen = true;
    return repeated;
  }

  // Attributes from `at` to the end of the tag; keeps the first kMaxAttributesPerElement distinct
  // ones the parser can name. Returns where the tag ends (past '>' or "/>").
  std::size_t ReadAttributes(std::size_t at, bool& self_closing) {
    while (true) {
      at = SkipBlanks(at);
      if (at >= html_.size()) return at;
      if (html_[at] == '>') return at + 1;
      if (html_[at] == '/') {
        if (At(at + 1) == '>') {
          self_closing = true;
          return at + 2;
        }
        ++at;
        continue;
      }
      const std::size_t name_end = NameEnd(at, true);
      const std::string_view written_name = html_.substr(at, name_end - at);
      at = SkipBlanks(name_end);
      std::string_view value;
      const bool has_value = At(at) == '=' && at < html_.size();
      if (has_value) at = ReadValue(SkipBlanks(at + 1), value);
      Keep(written_name, value, has_value);
    }
  }

  // A quoted value runs to its closing quote (or the end of the text), an unquoted one to a
  // blank or '>'.
  std::size_t ReadValue(std::size_t at, std::string_view& value) const {
    const char quote = At(at);
    if (at < html_.size() && (quote == '"' || quote == '\'')) {
      const std::size_t close = html_.find(quote, at + 1);
      const std::size_t end = close == std::string_view::npos ? html_.size() : close;
      value = html_.substr(at + 1, end - at - 1);
      return close == std::string_view::npos ? end : close + 1;
    }
    const std::size_t start = at;
    while (at < html_.size() && !IsBlank(html_[at]) && html_[at] != '>') ++at;
    value = html_.substr(start, at - start);
    return at;
  }

  void Keep(std::string_view written_name, std::string_view value, bool has_value) {
    if (kept_ == attributes_.size()) return;
    CanonicalName(written_name, scratch_);
    if (scratch_.empty()) return;
    for (std::size_t i = 0; i < kept_; ++i) {
      if (attributes_[i].name == scratch_) return;  // the first one counts, as in the parser
    }
    Attribute& attribute = attributes_[kept_++];
    attribute.name = scratch_;
    attribute.value = value;
    attribute.has_value = has_value;
  }

  // The contents of a script, style, textarea or title up to its end tag (or the end of the
  // text), then the end tag; returns where the markup goes on.
  std::size_t Contents(std::size_t from, std::string_view name, Content kind) {
    std::size_t close = html_.find("</", from);
    while (close != std::string_view::npos) {
      const char after = At(close + 2 + name.size());
      if (EqualsNoCase(html_.substr(close + 2, name.size()), name) &&
          (IsBlank(after) || after == '/' || after == '>' ||
           close + 2 + name.size() >= html_.size())) {
        break;
      }
      close = html_.find("</", close + 2);
    }
    const std::size_t end = close == std::string_view::npos ? html_.size() : close;
    const std::string_view contents = html_.substr(from, end - from);
    if (kind == Content::kText) AppendReplacing(out_, contents, "<", kTextEscapes.data());
    if (kind == Content::kStyle) AppendStyle(contents);
    out_ += "</";
    out_ += name;
    out_ += '>';
    return close == std::string_view::npos ? end : PastGreater(close + 2);
  }

  // Style text keeps its meaning without any '<': "<!--" is skipped at the top level of a style
  // sheet anyway, and "\3c " is '<' in a CSS string.
  void AppendStyle(std::string_view css) {
    std::size_t start = 0;
    for (std::size_t at = css.find('<'); at != std::string_view::npos; at = css.find('<', start)) {
      out_.append(css, start, at - start);
      const bool comment_open = css.compare(at, 4, "<!--") == 0;
      if (!comment_open) out_ += "\\3c ";
      start = at + (comment_open ? 4 : 1);
    }
    out_.append(css, start);
  }

  std::string_view html_;
  std::string& out_;
  std::string name_;
  std::string scratch_;
  std::array<Attribute, kMaxAttributesPerElement> attributes_;
  std::size_t kept_ = 0;
  bool seen_html_ = false;
  bool seen_head_ = false;
  bool seen_body_ = false;
};

}  // namespace

void NormalizeHtml(std::string_view html, std::string& out) { Normalizer(html, out).Run(); }

}  // namespace tovarin::gateway
