#include "gateway/charset.h"

#include <glib.h>

#include <array>
#include <cerrno>
#include <memory>
#include <optional>
#include <type_traits>

#include "gateway/limits.h"

namespace tovarin::gateway {
namespace {

using Bytes = std::span<const std::uint8_t>;

// The labels real pages and WBXML headers use (lower-case, separated by spaces) and the iconv
// decoder each group gets. Where browsers read a label as a superset (ISO-8859-1 as
// windows-1252, GB2312 as GB18030, Shift_JIS as Microsoft's CP932, EUC-KR as CP949, Big5 with
// the Hong Kong additions, ISO-8859-9 and -11 with the Windows additions), so do we: pages
// declare the small charset and use the large one.
struct LabelGroup {
  std::string_view decoder;
  std::string_view labels;
  // Sites behind these labels expect two-byte GBK: form text that GB18030 would write in four
  // bytes is sent as a character reference instead.
  bool gbk_forms = false;
};

constexpr LabelGroup kLabelGroups[] = {
    {"UTF-8", "utf-8 utf8 unicode-1-1-utf-8 x-unicode20utf8"},
    // "utf-16" without a byte-order mark is little-endian on the web; a mark decides when
    // there is one.
    {"UTF-16LE", "utf-16 utf-16le unicode ucs-2 iso-10646-ucs-2 csunicode"},
    {"UTF-16BE", "utf-16be"},
    {"WINDOWS-1252",
     "windows-1252 cp1252 x-cp1252 iso-8859-1 iso8859-1 iso_8859-1 iso_8859-1:1987 iso88591 "
     "latin1 l1 cp819 ibm819 csisolatin1 iso-ir-100 us-ascii ascii ansi_x3.4-1968 csascii"},
    {"WINDOWS-1250", "windows-1250 cp1250 x-cp1250"},
    {"WINDOWS-1251", "windows-1251 cp1251 x-cp1251"},
    {"WINDOWS-1253", "windows-1253 cp1253 x-cp1253"},
    {"WINDOWS-1254",
     "windows-1254 cp1254 x-cp1254 iso-8859-9 iso8859-9 iso_8859-9 latin5 l5"},
    {"WINDOWS-1255", "windows-1255 cp1255 x-cp1255"},
    {"WINDOWS-1256", "windows-1256 cp1256 x-cp1256"},
    {"WINDOWS-1257", "windows-1257 cp1257 x-cp1257"},
    {"WINDOWS-1258", "windows-1258 cp1258 x-cp1258"},
    {"WINDOWS-874", "windows-874 cp874 dos-874 tis-620 iso-8859-11 iso8859-11"},
    {"ISO-8859-2", "iso-8859-2 iso8859-2 iso_8859-2 latin2 l2 csisolatin2"},
    {"ISO-8859-3", "iso-8859-3 iso8859-3 iso_8859-3 latin3 l3"},
    {"ISO-8859-4", "iso-8859-4 iso8859-4 iso_8859-4 latin4 l4"},
    {"ISO-8859-5", "iso-8859-5 iso8859-5 iso_8859-5 cyrillic"},
    {"ISO-8859-6", "iso-8859-6 iso8859-6 iso_8859-6 arabic"},
    {"ISO-8859-7", "iso-8859-7 iso8859-7 iso_8859-7 greek"},
    {"ISO-8859-8", "iso-8859-8 iso8859-8 iso_8859-8 iso-8859-8-i hebrew"},
    {"ISO-8859-10", "iso-8859-10 iso8859-10 latin6"},
    {"ISO-8859-13", "iso-8859-13 iso8859-13"},
    {"ISO-8859-14", "iso-8859-14 iso8859-14"},
    {"ISO-8859-15", "iso-8859-15 iso8859-15 iso_8859-15 latin9 l9"},
    {"ISO-8859-16", "iso-8859-16 iso8859-16 latin10"},
    {"KOI8-R", "koi8-r koi8_r koi8 koi cskoi8r"},
    {"KOI8-U", "koi8-u koi8-ru"},
    {"GB18030", "gb18030"},
    {"GB18030",
     "gb2312 gbk x-gbk cp936 ms936 windows-936 euc-cn chinese csgb2312 gb_2312 gb_2312-80 "
     "iso-ir-58 csiso58gb231280",
     true},
    {"BIG5-HKSCS", "big5 big5-hkscs cn-big5 csbig5 x-x-big5"},
    {"CP932", "shift_jis shift-jis sjis x-sjis ms_kanji csshiftjis windows-31j cp932 ms932"},
    {"EUC-JP", "euc-jp x-euc-jp cseucpkdfmtjapanese"},
    {"ISO-2022-JP", "iso-2022-jp csiso2022jp"},
    {"CP949",
     "euc-kr cseuckr ks_c_5601-1987 ks_c_5601-1989 ksc5601 ksc_5601 csksc56011987 iso-ir-149 "
     "korean windows-949 cp949"},
};

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD in UTF-8
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kEuro = "\xE2\x82\xAC";  // U+20AC

bool IsAsciiSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

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

const LabelGroup* FindLabel(std::string_view label) {
  const std::string key = AsciiLowerCopy(TrimAsciiSpace(label));
  if (key.empty()) return nullptr;
  for (const LabelGroup& group : kLabelGroups) {
    for (std::size_t pos = 0; pos < group.labels.size();) {
      std::size_t end = group.labels.find(' ', pos);
      if (end == std::string_view::npos) end = group.labels.size();
      if (group.labels.substr(pos, end - pos) == key) return &group;
      pos = end + 1;
    }
  }
  return nullptr;
}

bool IsUtf16(std::string_view decoder) { return decoder == "UTF-16LE" || decoder == "UTF-16BE"; }

platform::Error TooLarge() {
  return platform::Error{"text converted to UTF-8 exceeds " + std::to_string(kMaxBodyBytes) +
                         " bytes"};
}

// Appends to `out` unless that would take it past kMaxBodyBytes (then leaves it unchanged).
[[nodiscard]] bool AppendBounded(std::string& out, std::string_view piece) {
  if (piece.size() > kMaxBodyBytes - out.size()) return false;
  out.append(piece);
  return true;
}

[[nodiscard]] bool AppendReplacement(DecodedText& text) {
  ++text.replaced;
  return AppendBounded(text.utf8, kReplacement);
}

// ---- UTF-8 -------------------------------------------------------------------------------

// The length of the well-formed UTF-8 at the start of `bytes`. NUL is well-formed (GLib's
// validator stops at it, so it is stepped over here).
std::size_t ValidUtf8Length(Bytes bytes) {
  const auto* start = reinterpret_cast<const gchar*>(bytes.data());
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    const gchar* end = nullptr;
    g_utf8_validate(start + pos, static_cast<gssize>(bytes.size() - pos), &end);
    pos = static_cast<std::size_t>(end - start);
    if (pos == bytes.size() || bytes[pos] != 0) break;
    ++pos;
  }
  return pos;
}

// How many bytes at the start of `rest` (which does not start a well-formed sequence) one U+FFFD
// replaces: the lead byte and the continuation bytes that could still have completed it (the
// "maximal subpart" browsers replace), so "E4 B8 41" is U+FFFD then "A", not two U+FFFD.
//
//   lead      second byte   further bytes
//   C2..DF    80..BF        -
//   E0        A0..BF        80..BF
//   E1..EC    80..BF        80..BF        (EE..EF likewise)
//   ED        80..9F        80..BF        (no surrogates)
//   F0        90..BF        80..BF x2
//   F1..F3    80..BF        80..BF x2
//   F4        80..8F        80..BF x2     (nothing past U+10FFFF)
std::size_t InvalidUtf8Length(Bytes rest) {
  const std::uint8_t lead = rest[0];
  std::size_t continuation = 0;
  std::uint8_t low = 0x80;
  std::uint8_t high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    continuation = 1;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    continuation = 2;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    continuation = 3;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 1;
  }
  std::size_t length = 1;
  while (length <= continuation && length < rest.size()) {
    if (rest[length] < low || rest[length] > high) break;
    low = 0x80;
    high = 0xBF;
    ++length;
  }
  return length;
}

// UTF-8 to UTF-8: well-formed runs are copied as they are, each ill-formed piece is one U+FFFD.
[[nodiscard]] bool DecodeUtf8(Bytes bytes, DecodedText& text) {
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    const std::size_t valid = ValidUtf8Length(bytes.subspan(pos));
    const std::string_view run(reinterpret_cast<const char*>(bytes.data()) + pos, valid);
    if (!AppendBounded(text.utf8, run)) return false;
    pos += valid;
    if (pos == bytes.size()) break;
    pos += InvalidUtf8Length(bytes.subspan(pos));
    if (!AppendReplacement(text)) return false;
  }
  return true;
}

// ---- iconv -------------------------------------------------------------------------------

struct IconvCloser {
  void operator()(GIConv cd) const { g_iconv_close(cd); }
};
using IconvHandle = std::unique_ptr<std::remove_pointer_t<GIConv>, IconvCloser>;

IconvHandle OpenIconv(std::string_view to, std::string_view from) {
  const std::string to_name(to);
  const std::string from_name(from);
  GIConv cd = g_iconv_open(to_name.c_str(), from_name.c_str());
  if (cd == reinterpret_cast<GIConv>(-1)) return nullptr;
  return IconvHandle(cd);
}

constexpr std::size_t kIconvChunkBytes = 16u << 10;
constexpr gsize kIconvFailed = static_cast<gsize>(-1);

// What a decoder does at a sequence iconv calls ill-formed.
struct IllFormedRule {
  // Bytes to step over before decoding resumes: one for byte-oriented charsets, so in "D6 20"
  // of GB18030 (a lead byte, then no trail byte) the space survives; two for UTF-16.
  gsize skip_bytes = 1;
  // GBK pages write € as the single byte 80 (CP936), which GB18030 itself leaves unassigned.
  bool euro_at_80 = false;
};

IllFormedRule IllFormedRuleFor(std::string_view decoder) {
  return {IsUtf16(decoder) ? gsize{2} : gsize{1}, decoder == "GB18030"};
}

// Runs `input` through a decoder to UTF-8 in chunks, so the output bound is checked before the
// memory is taken. An ill-formed sequence (EILSEQ) becomes U+FFFD and decoding resumes as
// `rule` says; a sequence cut off by the end (EINVAL) is one U+FFFD. At the end the decoder is
// flushed (Big5-HKSCS holds back a character that might combine with the next).
[[nodiscard]] bool DecodeWithIconv(GIConv cd, Bytes input, IllFormedRule rule,
                                   DecodedText& text) {
  std::array<gchar, kIconvChunkBytes> chunk;
  auto* in = const_cast<gchar*>(reinterpret_cast<const gchar*>(input.data()));
  gsize in_left = input.size();
  for (;;) {
    gchar* out = chunk.data();
    gsize out_left = chunk.size();
    const bool flushing = in_left == 0;
    const gsize result = flushing ? g_iconv(cd, nullptr, nullptr, &out, &out_left)
                                  : g_iconv(cd, &in, &in_left, &out, &out_left);
    const int error = errno;
    const std::string_view produced(chunk.data(), static_cast<std::size_t>(out - chunk.data()));
    if (!AppendBounded(text.utf8, produced)) return false;
    if (result != kIconvFailed) {
      if (flushing) return true;
      continue;
    }
    if (error == E2BIG && !produced.empty()) continue;
    if (flushing) return true;
    const bool euro = error == EILSEQ && rule.euro_at_80 && static_cast<std::uint8_t>(*in) == 0x80;
    const gsize skip = error == EILSEQ ? std::min(rule.skip_bytes, in_left) : in_left;
    in += skip;
    in_left -= skip;
    if (!(euro ? AppendBounded(text.utf8, kEuro) : AppendReplacement(text))) return false;
  }
}

// Converts from `decoder` (a name in kLabelGroups) to UTF-8, dropping a byte-order mark.
platform::Result<DecodedText> Decode(Bytes bytes, std::string_view decoder) {
  DecodedText text;
  text.charset = std::string(decoder);
  if (decoder == "UTF-8") {
    text.utf8.reserve(std::min(bytes.size(), kMaxBodyBytes));
    const std::string_view head(reinterpret_cast<const char*>(bytes.data()),
                                std::min<std::size_t>(bytes.size(), 3));
    if (head == kUtf8Bom) bytes = bytes.subspan(3);
    if (!DecodeUtf8(bytes, text)) return TooLarge();
    return text;
  }
  const IconvHandle cd = OpenIconv("UTF-8", decoder);
  if (!cd) return platform::Error{"this system cannot convert from " + text.charset};
  text.utf8.reserve(std::min(bytes.size() + bytes.size() / 2, kMaxBodyBytes));
  if (!DecodeWithIconv(cd.get(), bytes, IllFormedRuleFor(decoder), text)) return TooLarge();
  if (text.utf8.starts_with(kUtf8Bom)) text.utf8.erase(0, kUtf8Bom.size());
  return text;
}

// ---- Detection ---------------------------------------------------------------------------

// The decoder a byte-order mark names, and the mark's length; empty when there is none.
//   EF BB BF  UTF-8      FF FE  UTF-16LE      FE FF  UTF-16BE
std::string_view BomDecoder(Bytes bytes, std::size_t& bom_length) {
  if (bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
    bom_length = 3;
    return "UTF-8";
  }
  if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
    bom_length = 2;
    return "UTF-16LE";
  }
  if (bytes.size() >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF) {
    bom_length = 2;
    return "UTF-16BE";
  }
  bom_length = 0;
  return {};
}

// A charset named inside the page was read as ASCII bytes, so the page cannot be UTF-16 (it has
// no mark, or the mark would have decided): such a declaration means UTF-8.
std::string DecoderForInPageLabel(std::string_view label) {
  const std::string decoder = CanonicalCharset(label);
  return IsUtf16(decoder) ? std::string("UTF-8") : decoder;
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

// The encoding of an XML declaration at the start of `head` (white space before it tolerated):
//   <?xml version="1.0" encoding="gb2312"?>
std::string_view XmlDeclarationEncoding(std::string_view head) {
  const std::size_t start = head.find_first_not_of(" \t\r\n");
  if (start == std::string_view::npos || !head.substr(start).starts_with("<?xml")) return {};
  const std::size_t end = head.find("?>", start);
  if (end == std::string_view::npos) return {};
  return QuotedValueAfter(head.substr(start + 5, end - start - 5), "encoding");
}

struct MetaAttributes {
  std::string charset;  // charset="..."
  std::string content;  // content="..."
  bool content_type_pragma = false;  // http-equiv="Content-Type"
  bool closed = false;  // the tag's ">" lies inside the scanned bytes
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

// The decoder the page names in its XML declaration or a <meta>, or empty.
std::string InPageDecoder(Bytes bytes) {
  const std::string_view head(reinterpret_cast<const char*>(bytes.data()),
                              std::min(bytes.size(), kMetaScanBytes));
  if (std::string decoder = DecoderForInPageLabel(XmlDeclarationEncoding(head));
      !decoder.empty()) {
    return decoder;
  }
  return MetaDecoder(head);
}

// ---- Encoding ----------------------------------------------------------------------------

[[nodiscard]] bool AppendCharacterReference(std::string& out, gunichar code_point) {
  return AppendBounded(out, "&#" + std::to_string(code_point) + ";");
}

// Converts well-formed UTF-8 with an encoder; a character the charset cannot hold is written
// as "&#NNNN;". Before the reference the encoder is returned to its initial state, so a stateful
// charset (ISO-2022-JP) is back in ASCII when the "&#" is written.
[[nodiscard]] bool EncodeWithIconv(GIConv cd, std::string_view utf8, std::string& out) {
  std::array<gchar, kIconvChunkBytes> chunk;
  auto* in = const_cast<gchar*>(utf8.data());
  gsize in_left = utf8.size();
  bool refused = false;  // iconv stopped at a character it cannot encode
  for (;;) {
    gchar* write = chunk.data();
    gsize write_left = chunk.size();
    const bool resetting = refused || in_left == 0;
    const gsize result = resetting ? g_iconv(cd, nullptr, nullptr, &write, &write_left)
                                   : g_iconv(cd, &in, &in_left, &write, &write_left);
    const int error = errno;
    const std::string_view produced(chunk.data(), static_cast<std::size_t>(write - chunk.data()));
    if (!AppendBounded(out, produced)) return false;
    if (result == kIconvFailed && error == E2BIG && !produced.empty()) continue;
    if (!resetting) {
      refused = result == kIconvFailed;
      continue;
    }
    if (!refused) return true;
    refused = false;
    const auto length = std::min(static_cast<gsize>(g_utf8_next_char(in) - in), in_left);
    if (!AppendCharacterReference(out, g_utf8_get_char(in))) return false;
    in += length;
    in_left -= length;
  }
}

// GB18030 limited to its two-byte (GBK) part, as GBK sites read form data: ASCII is copied, €
// is the single byte 80 (as in CP936), and a character GB18030 needs four bytes for is written
// as "&#NNNN;". Characters are encoded one at a time to see how many bytes each takes.
[[nodiscard]] bool EncodeGbk(GIConv cd, std::string_view utf8, std::string& out) {
  for (const char* p = utf8.data(); p < utf8.data() + utf8.size();) {
    const char* next = g_utf8_next_char(p);
    const gunichar code_point = g_utf8_get_char(p);
    std::array<gchar, 8> encoded{};
    std::size_t length = 1;
    if (code_point < 0x80) {
      encoded[0] = *p;
    } else if (code_point == 0x20AC) {
      encoded[0] = '\x80';
    } else {
      auto* in = const_cast<gchar*>(p);
      gsize in_left = static_cast<gsize>(next - p);
      gchar* write = encoded.data();
      gsize write_left = encoded.size();
      const gsize result = g_iconv(cd, &in, &in_left, &write, &write_left);
      length = result == kIconvFailed ? 0 : static_cast<std::size_t>(write - encoded.data());
    }
    const bool appended = length == 1 || length == 2
                              ? AppendBounded(out, {encoded.data(), length})
                              : AppendCharacterReference(out, code_point);
    if (!appended) return false;
    p = next;
  }
  return true;
}

}  // namespace

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
      value = content_type.substr(value_start, pos == std::string_view::npos
                                                   ? std::string_view::npos
                                                   : pos - value_start);
    }
    if (name == "charset") return AsciiLowerCopy(TrimAsciiSpace(value));
  }
  return {};
}

std::string CanonicalCharset(std::string_view label) {
  const LabelGroup* group = FindLabel(label);
  return group == nullptr ? std::string() : std::string(group->decoder);
}

std::string CharsetFromMibEnum(std::uint32_t mib) {
  static constexpr std::string_view kIso8859[] = {
      "ISO-8859-2", "ISO-8859-3", "ISO-8859-4", "ISO-8859-5",
      "ISO-8859-6", "ISO-8859-7", "ISO-8859-8", "ISO-8859-9"};  // MIBenum 5..12
  static constexpr std::string_view kIso8859Late[] = {"ISO-8859-13", "ISO-8859-14",
                                                      "ISO-8859-15", "ISO-8859-16"};  // 109..112
  if (mib >= 5 && mib <= 12) return std::string(kIso8859[mib - 5]);
  if (mib >= 109 && mib <= 112) return std::string(kIso8859Late[mib - 109]);
  if (mib >= 2250 && mib <= 2258) return "windows-" + std::to_string(mib - 1000);
  switch (mib) {
    case 3: return "US-ASCII";
    case 4: return "ISO-8859-1";
    case 13: return "ISO-8859-10";
    case 17: return "Shift_JIS";
    case 18: return "EUC-JP";
    case 36: return "KS_C_5601-1987";
    case 38: return "EUC-KR";
    case 39: return "ISO-2022-JP";
    case 106: return "UTF-8";
    case 113: return "GBK";
    case 114: return "GB18030";
    case 1000: return "ISO-10646-UCS-2";
    case 1013: return "UTF-16BE";
    case 1014: return "UTF-16LE";
    case 1015: return "UTF-16";
    case 2024: return "Windows-31J";
    case 2025: return "GB2312";
    case 2026: return "Big5";
    case 2084: return "KOI8-R";
    case 2088: return "KOI8-U";
    case 2101: return "Big5-HKSCS";
    case 2109: return "windows-874";
    case 2259: return "TIS-620";
    default: return {};
  }
}

platform::Result<DecodedText> DecodeToUtf8(std::span<const std::uint8_t> bytes,
                                           std::string_view content_type) {
  std::size_t bom_length = 0;
  if (const std::string_view decoder = BomDecoder(bytes, bom_length); !decoder.empty()) {
    return Decode(bytes.subspan(bom_length), decoder);
  }
  if (const std::string decoder = CanonicalCharset(CharsetFromContentType(content_type));
      !decoder.empty()) {
    return Decode(bytes, decoder);
  }
  if (const std::string decoder = InPageDecoder(bytes); !decoder.empty()) {
    return Decode(bytes, decoder);
  }
  if (ValidUtf8Length(bytes) == bytes.size()) {
    DecodedText text;
    text.charset = "UTF-8";
    if (!AppendBounded(text.utf8, {reinterpret_cast<const char*>(bytes.data()), bytes.size()})) {
      return TooLarge();
    }
    return text;
  }
  return Decode(bytes, "WINDOWS-1252");
}

platform::Result<DecodedText> ConvertToUtf8(std::span<const std::uint8_t> bytes,
                                            std::string_view label) {
  std::string decoder = CanonicalCharset(label);
  if (decoder.empty()) {
    return platform::Error{"unknown charset \"" + std::string(label) + "\""};
  }
  std::size_t bom_length = 0;
  if (IsUtf16(decoder)) {
    // For UTF-16 the byte-order mark decides the byte order.
    if (const std::string_view bom = BomDecoder(bytes, bom_length); IsUtf16(bom)) {
      decoder = std::string(bom);
      bytes = bytes.subspan(bom_length);
    }
  }
  return Decode(bytes, decoder);
}

platform::Result<std::string> ConvertFromUtf8(std::string_view text, std::string_view label) {
  const LabelGroup* group = FindLabel(label);
  if (group == nullptr) return platform::Error{"unknown charset \"" + std::string(label) + "\""};
  const std::string encoder(group->decoder);
  DecodedText clean;
  if (!DecodeUtf8({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()}, clean)) {
    return TooLarge();
  }
  if (encoder == "UTF-8") return std::move(clean.utf8);
  const IconvHandle cd = OpenIconv(encoder, "UTF-8");
  if (!cd) return platform::Error{"this system cannot convert to " + encoder};
  std::string out;
  const bool fits = group->gbk_forms ? EncodeGbk(cd.get(), clean.utf8, out)
                                      : EncodeWithIconv(cd.get(), clean.utf8, out);
  if (!fits) return platform::Error{"converted text exceeds " + std::to_string(kMaxBodyBytes) +
                                    " bytes"};
  return out;
}

}  // namespace tovarin::gateway
