#include "gateway/charset_declaration.h"

#include "gateway/charset.h"

namespace tovarin::gateway {
namespace {

bool IsAsciiSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

std::string_view TrimAsciiSpace(std::string_view s) {
  while (!s.empty() && IsAsciiSpace(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsAsciiSpace(s.back())) s.remove_suffix(1);
  return s;
}

std::string AsciiLowerCopy(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = AsciiLower(c);
  return out;
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
  if (s.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (AsciiLower(s[i]) != prefix[i]) return false;
  }
  return true;
}

// A charset named inside the page was read as ASCII bytes, so the page cannot be UTF-16 (it has
// no mark, or the mark would have decided): such a declaration means UTF-8.
std::string DecoderForInPageLabel(std::string_view label) {
  const std::string decoder = CanonicalCharset(label);
  return decoder.starts_with("UTF-16") ? std::string("UTF-8") : decoder;
}

// The quoted value after `name` and "=" in `text` (an XML declaration), or empty.
std::string_view QuotedValueAfter(std::string_view text, std::string_view name) {
  std::size_t pos = text.find(name);
  if (pos == std::string_view::npos) return {};
  pos += name.size();
  while (pos < text.size() && IsAsciiSpace(text[pos])) ++pos;
  if (pos >= text.size() || text[pos] != '=') return {};
  ++pos;
  while (pos < text.size() && IsAsciiSpace(text[pos])) ++pos;
  if (pos >= text.size() || (text[pos] != '"' && text[pos] != '\'')) return {};
  const std::size_t close = text.find(text[pos], pos + 1);
  if (close == std::string_view::npos) return {};
  return text.substr(pos + 1, close - pos - 1);
}

// The encoding of the XML declaration in `head`:
//   <?xml version="1.0" encoding="gb2312"?>
// It belongs at the start, but real decks put white space or a server's own output before it
// (a PHP warning, "<br />" lines): the first "<?xml" counts wherever it stands.
std::string_view XmlDeclarationEncoding(std::string_view head) {
  const std::size_t start = head.find("<?xml");
  if (start == std::string_view::npos) return {};
  const std::size_t end = head.find("?>", start);
  if (end == std::string_view::npos) return {};
  return QuotedValueAfter(head.substr(start + 5, end - start - 5), "encoding");
}

struct MetaAttributes {
  std::string charset;               // charset="..."
  std::string content;               // content="..."
  bool content_type_pragma = false;  // http-equiv="Content-Type"
  bool closed = false;               // the tag's ">" lies inside the scanned bytes
};

// Reads one attribute (name, optional "=" and a quoted or bare value) at `pos`.
void ReadAttribute(std::string_view tag, std::size_t& pos, MetaAttributes& meta) {
  const std::size_t name_start = pos;
  while (pos < tag.size() && !IsAsciiSpace(tag[pos]) && tag[pos] != '=' && tag[pos] != '>' &&
         tag[pos] != '/') {
    ++pos;
  }
  const std::string name = AsciiLowerCopy(tag.substr(name_start, pos - name_start));
  while (pos < tag.size() && IsAsciiSpace(tag[pos])) ++pos;
  std::string_view value;
  if (pos < tag.size() && tag[pos] == '=') {
    ++pos;
    while (pos < tag.size() && IsAsciiSpace(tag[pos])) ++pos;
    if (pos < tag.size() && (tag[pos] == '"' || tag[pos] == '\'')) {
      const std::size_t close = tag.find(tag[pos], pos + 1);
      const std::size_t value_end = close == std::string_view::npos ? tag.size() : close;
      value = tag.substr(pos + 1, value_end - pos - 1);
      pos = value_end == tag.size() ? value_end : value_end + 1;
    } else {
      const std::size_t value_start = pos;
      while (pos < tag.size() && !IsAsciiSpace(tag[pos]) && tag[pos] != '>') ++pos;
      value = tag.substr(value_start, pos - value_start);
    }
  }
  if (name == "charset") meta.charset = std::string(value);
  if (name == "content") meta.content = std::string(value);
  if (name == "http-equiv") {
    meta.content_type_pragma = AsciiLowerCopy(TrimAsciiSpace(value)) == "content-type";
  }
}

// The attributes of a <meta> tag whose attributes start at `pos`; `pos` ends after the tag.
MetaAttributes ReadMetaTag(std::string_view head, std::size_t& pos) {
  MetaAttributes meta;
  while (pos < head.size()) {
    while (pos < head.size() && (IsAsciiSpace(head[pos]) || head[pos] == '/')) ++pos;
    if (pos >= head.size()) break;
    if (head[pos] == '>') {
      ++pos;
      meta.closed = true;
      break;
    }
    ReadAttribute(head, pos, meta);
  }
  return meta;
}

// The decoder of the first <meta charset> or <meta http-equiv="Content-Type"> in `head` whose
// label is known, skipping comments; a tag cut off by the end of `head` does not count.
std::string MetaDecoder(std::string_view head) {
  std::size_t pos = 0;
  while ((pos = head.find('<', pos)) != std::string_view::npos) {
    if (head.substr(pos).starts_with("<!--")) {
      const std::size_t end = head.find("-->", pos + 4);
      if (end == std::string_view::npos) return {};
      pos = end + 3;
      continue;
    }
    ++pos;
    if (!StartsWithNoCase(head.substr(pos), "meta") || pos + 4 >= head.size() ||
        !(IsAsciiSpace(head[pos + 4]) || head[pos + 4] == '/')) {
      continue;
    }
    pos += 4;
    const MetaAttributes meta = ReadMetaTag(head, pos);
    if (!meta.closed) return {};
    std::string label = meta.charset;
    if (label.empty() && meta.content_type_pragma) label = CharsetFromContentType(meta.content);
    if (std::string decoder = DecoderForInPageLabel(label); !decoder.empty()) return decoder;
  }
  return {};
}

}  // namespace

std::string NormalizedLabel(std::string_view label) {
  return AsciiLowerCopy(TrimAsciiSpace(label));
}

std::string DeclaredDecoder(std::string_view head) {
  if (std::string decoder = DecoderForInPageLabel(XmlDeclarationEncoding(head)); !decoder.empty()) {
    return decoder;
  }
  return MetaDecoder(head);
}

std::string CharsetFromContentType(std::string_view content_type) {
  std::size_t pos = content_type.find(';');
  while (pos != std::string_view::npos && pos < content_type.size()) {
    ++pos;
    const std::size_t equals = content_type.find_first_of("=;", pos);
    if (equals == std::string_view::npos) return {};
    if (content_type[equals] == ';') {
      pos = equals;
      continue;
    }
    const std::string name = AsciiLowerCopy(TrimAsciiSpace(content_type.substr(pos, equals - pos)));
    std::size_t value_start = equals + 1;
    while (value_start < content_type.size() && IsAsciiSpace(content_type[value_start])) {
      ++value_start;
    }
    std::string_view value;
    if (value_start < content_type.size() && content_type[value_start] == '"') {
      const std::size_t close = content_type.find('"', value_start + 1);
      const std::size_t value_end = close == std::string_view::npos ? content_type.size() : close;
      value = content_type.substr(value_start + 1, value_end - value_start - 1);
      pos = content_type.find(';', value_end);
    } else {
      pos = content_type.find(';', value_start);
      value = content_type.substr(
          value_start, pos == std::string_view::npos ? std::string_view::npos : pos - value_start);
    }
    if (name == "charset") return AsciiLowerCopy(TrimAsciiSpace(value));
  }
  return {};
}

}  // namespace tovarin::gateway
