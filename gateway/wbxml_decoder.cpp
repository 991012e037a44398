#include "gateway/wbxml_decoder.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <vector>

#include "gateway/charset.h"
#include "gateway/limits.h"
#include "gateway/wml_code_pages.h"

// A WMLC deck (WAP-192 WBXML 1.3, section 5; token meanings from WAP-191 WML 1.3, section 14):
//
//   version     u8          0x01..0x03 = WBXML 1.1..1.3; 0x00 = WBXML 1.0 (no charset field)
//   publicid    mb_u_int32  0x04/0x09/0x0A = WML 1.1/1.2/1.3, 0x01 = unknown;
//                           0x00: an mb_u_int32 string-table offset of the identifier follows
//   charset     mb_u_int32  IANA MIBenum (106 = UTF-8, 4 = ISO-8859-1, 2025 = GB2312)
//   strtbl      mb_u_int32 length, then that many bytes of NUL-terminated strings
//   body        *PI element *PI
//
//   mb_u_int32  7 bits a byte, most significant group first, bit 7 set on all but the last:
//               0x81 0x20 = (0x01 << 7) | 0x20 = 0xA0
//
//   element     tag token [attribute* END] [content* END]
//               tag token: bit 7 = has attributes, bit 6 = has content, bits 5..0 = tag code
//               (LITERAL 0x04/0x44/0x84/0xC4 + mb_u_int32 offset: the name is in the table)
//   attribute   start (token < 0x80, or LITERAL + offset) followed by value pieces: value
//               tokens (>= 0x80), STR_I, STR_T, ENTITY, EXT_I_n, EXT_T_n, OPAQUE
//   content     element | STR_I | STR_T | ENTITY | EXT_I_n | EXT_T_n | OPAQUE | PI
//
//   STR_I 0x03 <bytes> 0x00           inline string in the document charset
//   STR_T 0x83 <mb_u_int32 offset>    string in the string table
//   ENTITY 0x02 <mb_u_int32>          a Unicode code point
//   EXT_I_n 0x40+n <name> 0x00        WML variable, name inline:   n = 0 "$(name:e)",
//   EXT_T_n 0x80+n <mb_u_int32>       name in the string table:    1 "$(name:u)", 2 "$(name)"
//   OPAQUE 0xC3 <mb_u_int32 length> <bytes>
//   SWITCH_PAGE 0x00 <u8 page>        in tag state: tag page; in attribute state: attribute page

namespace tovarin::gateway {
namespace {

constexpr std::uint8_t kSwitchPage = 0x00;
constexpr std::uint8_t kEnd = 0x01;
constexpr std::uint8_t kEntity = 0x02;
constexpr std::uint8_t kStrI = 0x03;
constexpr std::uint8_t kLiteral = 0x04;
constexpr std::uint8_t kExtI0 = 0x40;
constexpr std::uint8_t kExtI2 = 0x42;
constexpr std::uint8_t kPi = 0x43;
constexpr std::uint8_t kLiteralC = 0x44;
constexpr std::uint8_t kExtT0 = 0x80;
constexpr std::uint8_t kExtT2 = 0x82;
constexpr std::uint8_t kStrT = 0x83;
constexpr std::uint8_t kLiteralA = 0x84;
constexpr std::uint8_t kExt0 = 0xC0;
constexpr std::uint8_t kExt2 = 0xC2;
constexpr std::uint8_t kOpaque = 0xC3;
constexpr std::uint8_t kLiteralAc = 0xC4;

constexpr std::uint8_t kTagHasAttributes = 0x80;
constexpr std::uint8_t kTagHasContent = 0x40;
constexpr std::uint8_t kTagCodeMask = 0x3F;

constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";  // U+FFFD in UTF-8

// Charsets whose bytes 0x00..0x7F are ASCII, so that a string of such bytes alone is already
// its own UTF-8 (ISO-2022-JP and UTF-7 are not: their escapes are 7-bit bytes).
constexpr std::uint32_t kAsciiCompatibleMibs[] = {
    3,    4,    5,    6,    7,    8,    9,    10,   11,   12,   13,   17,   18,
    36,   38,   106,  109,  110,  111,  112,  113,  114,  2024, 2025, 2026, 2084,
    2088, 2101, 2109, 2250, 2251, 2252, 2253, 2254, 2255, 2256, 2257, 2258, 2259};
// UCS-2, UCS-4, UTF-16BE/LE, UTF-16, UTF-32, UTF-32BE/LE: NUL bytes inside characters.
constexpr std::uint32_t kWideMibs[] = {1000, 1001, 1013, 1014, 1015, 1017, 1018, 1019};

std::string Hex(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%02X", value);
  return text;
}

bool IsTextPieceToken(std::uint8_t token) {
  return token == kStrI || token == kStrT || token == kEntity || token == kOpaque ||
         (token >= kExtI0 && token <= kExtI2) || (token >= kExtT0 && token <= kExtT2);
}

// Tag tokens are those whose low six bits are not a global token (0..3); 4 is the LITERAL family.
bool IsTagToken(std::uint8_t token) { return (token & kTagCodeMask) >= kLiteral; }

// True when `bytes` are valid UTF-8 (RFC 3629: no overlong forms, surrogates or values above
// U+10FFFF). Runs of ASCII are checked eight bytes at a time: most WML text is ASCII.
bool IsValidUtf8(std::span<const std::uint8_t> bytes) {
  const std::uint8_t* p = bytes.data();
  const std::uint8_t* const end = p + bytes.size();
  while (p < end) {
    if (end - p >= 8) {
      std::uint64_t word;
      std::memcpy(&word, p, sizeof word);
      if ((word & 0x8080808080808080ull) == 0) {
        p += 8;
        continue;
      }
    }
    const std::uint8_t lead = *p;
    if (lead < 0x80) {
      ++p;
      continue;
    }
    int length = 0;
    std::uint8_t low = 0x80, high = 0xBF;  // allowed range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      if (lead == 0xE0) low = 0xA0;
      if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      if (lead == 0xF0) low = 0x90;
      if (lead == 0xF4) high = 0x8F;
    } else {
      return false;
    }
    if (end - p < length || p[1] < low || p[1] > high) return false;
    for (int i = 2; i < length; ++i) {
      if ((p[i] & 0xC0) != 0x80) return false;
    }
    p += length;
  }
  return true;
}

// Appends code point `code_point` as UTF-8; NUL, surrogates and values above U+10FFFF become
// U+FFFD (none of them is a character a deck can hold).
void AppendCodePoint(std::uint32_t code_point, std::string& out) {
  if (code_point == 0 || (code_point >= 0xD800 && code_point <= 0xDFFF) || code_point > 0x10FFFF) {
    out.append(kReplacementCharacter);
    return;
  }
  if (code_point < 0x80) {
    out.push_back(static_cast<char>(code_point));
    return;
  }
  static constexpr std::uint32_t kLeadBits[] = {0, 0xC0, 0xE0, 0xF0};  // by trailing bytes
  const int trailing = code_point < 0x800 ? 1 : code_point < 0x10000 ? 2 : 3;
  out.push_back(static_cast<char>(kLeadBits[trailing] | (code_point >> (6 * trailing))));
  for (int shift = 6 * (trailing - 1); shift >= 0; shift -= 6) {
    out.push_back(static_cast<char>(0x80 | ((code_point >> shift) & 0x3F)));
  }
}

// A WML variable name: ("_" | letter) ("_" | letter | digit)*, at most kMaxVariableNameBytes.
bool IsVariableName(std::string_view name) {
  if (name.empty() || name.size() > kMaxVariableNameBytes) return false;
  const auto is_letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
  if (!is_letter(name[0]) && name[0] != '_') return false;
  return std::all_of(name.begin(), name.end(),
                     [&](char c) { return is_letter(c) || (c >= '0' && c <= '9') || c == '_'; });
}

// Bounds-checked cursor over the document. Nothing is consumed by a read that fails.
class ByteReader {
 public:
  explicit ByteReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  [[nodiscard]] bool ReadByte(std::uint8_t& byte) {
    if (position_ >= bytes_.size()) return false;
    byte = bytes_[position_++];
    return true;
  }

  [[nodiscard]] bool ReadBytes(std::size_t count, std::span<const std::uint8_t>& out) {
    if (count > bytes_.size() - position_) return false;
    out = bytes_.subspan(position_, count);
    position_ += count;
    return true;
  }

  // The bytes up to the next NUL; the NUL is consumed, not returned.
  [[nodiscard]] bool ReadTerminated(std::span<const std::uint8_t>& out) {
    const std::uint8_t* start = bytes_.data() + position_;
    const std::size_t left = bytes_.size() - position_;
    const void* nul = left == 0 ? nullptr : std::memchr(start, 0, left);
    if (nul == nullptr) return false;
    const auto length = static_cast<std::size_t>(static_cast<const std::uint8_t*>(nul) - start);
    out = bytes_.subspan(position_, length);
    position_ += length + 1;
    return true;
  }

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t position_ = 0;
};

// One decoding run. Methods return false after recording the reason in error_.
class WmlcDecoder {
 public:
  explicit WmlcDecoder(std::span<const std::uint8_t> bytes) : reader_(bytes) {}

  platform::Result<WbxmlDocument> Decode() {
    WbxmlDocument document;
    if (!ReadHeader(document) || !ReadBody(document.root)) return platform::Error{error_};
    return document;
  }

 private:
  bool Fail(std::string message) {
    error_ = "WMLC: " + std::move(message);
    return false;
  }

  // ---- header ----------------------------------------------------------------------------

  [[nodiscard]] bool ReadHeader(WbxmlDocument& document) {
    if (!reader_.ReadByte(document.version)) return Fail("the document is empty");
    if (document.version > 0x03) {
      return Fail("unsupported WBXML version " + Hex(document.version) + " (expected 0x01..0x03)");
    }
    std::uint32_t public_id_offset = 0;
    if (!ReadInteger(document.public_id, "the public identifier") ||
        (document.public_id == 0 &&
         !ReadInteger(public_id_offset, "the public identifier reference"))) {
      return false;
    }
    // WBXML 1.0 has no charset field; its strings are read as UTF-8.
    if (document.version >= 0x01 && !ReadInteger(document.charset_mib, "the charset")) return false;
    std::uint32_t table_length = 0;
    if (!ReadInteger(table_length, "the string table length")) return false;
    if (table_length > kMaxWbxmlStringTableBytes) {
      return Fail("string table of " + std::to_string(table_length) + " bytes exceeds the " +
                  std::to_string(kMaxWbxmlStringTableBytes) + "-byte limit");
    }
    if (!reader_.ReadBytes(table_length, string_table_)) {
      return Fail("document ends inside the string table");
    }
    if (!ChooseCharset(document.charset_mib)) return false;
    if (document.public_id == 0) {
      std::span<const std::uint8_t> raw;
      std::string_view text;
      if (!TableString(public_id_offset, raw) || !Convert(raw, text)) return false;
      document.public_id_text = text;
    }
    return CheckDocumentType(document);
  }

  // WML 1.0 used other token codes, and other WBXML document types are not decks.
  [[nodiscard]] bool CheckDocumentType(const WbxmlDocument& document) {
    const bool named = document.public_id == 0;
    const std::string identifier =
        named ? "\"" + document.public_id_text + "\"" : Hex(document.public_id);
    switch (named ? WmlDocumentTypeOf(document.public_id_text)
                  : WmlDocumentTypeOf(document.public_id)) {
      case WmlDocumentType::kWml: return true;
      case WmlDocumentType::kWml10:
        return Fail("WML 1.0 decks are not supported (public identifier " + identifier + ")");
      case WmlDocumentType::kOther: break;
    }
    return Fail("public identifier " + identifier + " is not a WML document type");
  }

  [[nodiscard]] bool ChooseCharset(std::uint32_t mib) {
    const std::string label = mib == 0 ? std::string() : CharsetFromMibEnum(mib);
    const std::string decoder = label.empty() ? std::string() : CanonicalCharset(label);
    if (std::find(std::begin(kWideMibs), std::end(kWideMibs), mib) != std::end(kWideMibs) ||
        decoder.rfind("UTF-16", 0) == 0) {
      return Fail("UTF-16 and UTF-32 decks are not supported (charset MIBenum " +
                  std::to_string(mib) + ")");
    }
    // MIBenum 0 or one this system has no decoder for: read as UTF-8, invalid bytes as U+FFFD.
    if (decoder.empty() || decoder == "UTF-8") {
      charset_label_ = "UTF-8";
      utf8_ = true;
      return true;
    }
    charset_label_ = label;
    ascii_compatible_ = std::find(std::begin(kAsciiCompatibleMibs), std::end(kAsciiCompatibleMibs),
                                  mib) != std::end(kAsciiCompatibleMibs);
    return true;
  }

  // ---- primitives --------------------------------------------------------------------------

  // mb_u_int32: at most kMaxWbxmlIntegerBytes bytes, and the value must fit 32 bits.
  [[nodiscard]] bool ReadInteger(std::uint32_t& value, const char* what) {
    value = 0;
    for (int i = 0; i < kMaxWbxmlIntegerBytes; ++i) {
      std::uint8_t byte = 0;
      if (!reader_.ReadByte(byte)) return Fail(std::string("document ends inside ") + what);
      if (value > (0xFFFFFFFFu >> 7)) return Fail(std::string(what) + " does not fit in 32 bits");
      value = (value << 7) | (byte & 0x7Fu);
      if ((byte & 0x80) == 0) return true;
    }
    return Fail(std::string(what) + " is longer than " + std::to_string(kMaxWbxmlIntegerBytes) +
                " bytes");
  }

  [[nodiscard]] bool ReadCodePage(std::uint8_t& page) {
    if (!reader_.ReadByte(page)) return Fail("document ends inside a SWITCH_PAGE");
    return true;
  }

  // The NUL-terminated string at `offset` in the string table, without its NUL.
  [[nodiscard]] bool TableString(std::uint32_t offset, std::span<const std::uint8_t>& raw) {
    if (offset >= string_table_.size()) {
      return Fail("string table reference " + std::to_string(offset) +
                  " is outside the string table (" + std::to_string(string_table_.size()) +
                  " bytes)");
    }
    const std::uint8_t* start = string_table_.data() + offset;
    const void* nul = std::memchr(start, 0, string_table_.size() - offset);
    if (nul == nullptr) {
      return Fail("the string at string table offset " + std::to_string(offset) +
                  " has no NUL inside the table");
    }
    raw = string_table_.subspan(offset, static_cast<const std::uint8_t*>(nul) - start);
    return true;
  }

  // `raw` in the document charset as UTF-8. The view points into the document when the bytes
  // are their own UTF-8 (the common case: no copy), else into converted_; it is valid until
  // the next call.
  [[nodiscard]] bool Convert(std::span<const std::uint8_t> raw, std::string_view& text) {
    const auto is_ascii = [](std::uint8_t b) { return b < 0x80; };
    const bool as_is =
        utf8_ ? IsValidUtf8(raw)
              : raw.empty() || (ascii_compatible_ && std::all_of(raw.begin(), raw.end(), is_ascii));
    if (as_is) {
      text = std::string_view(reinterpret_cast<const char*>(raw.data()), raw.size());
      return true;
    }
    platform::Result<DecodedText> decoded = ConvertToUtf8(raw, charset_label_);
    if (!decoded.ok()) return Fail("text in " + charset_label_ + ": " + decoded.error());
    converted_ = std::move(decoded->utf8);
    text = converted_;
    return true;
  }

  // Counts decoded text against kMaxBodyBytes: a string table entry can be referenced any
  // number of times, so the output is bounded here rather than by the input size.
  [[nodiscard]] bool Charge(std::size_t bytes) {
    output_bytes_ += bytes;
    if (output_bytes_ > kMaxBodyBytes) {
      return Fail("decoded text exceeds " + std::to_string(kMaxBodyBytes) + " bytes");
    }
    return true;
  }

  [[nodiscard]] bool CountNode() {
    if (++node_count_ > kMaxNodes) return Fail("more than " + std::to_string(kMaxNodes) + " nodes");
    return true;
  }

  // ---- text pieces -------------------------------------------------------------------------

  // Reads the piece of text `token` starts (STR_I, STR_T, ENTITY, EXT_I_n, EXT_T_n, OPAQUE).
  // The view is valid until the next piece is read.
  [[nodiscard]] bool ReadTextPiece(std::uint8_t token, std::string_view& text) {
    std::span<const std::uint8_t> raw;
    std::uint32_t value = 0;
    switch (token) {
      case kStrI:
        if (!reader_.ReadTerminated(raw)) return Fail("document ends inside an inline string");
        if (!Convert(raw, text)) return false;
        break;
      case kStrT:
        if (!ReadInteger(value, "a string table reference") || !TableString(value, raw) ||
            !Convert(raw, text)) {
          return false;
        }
        break;
      case kEntity:
        if (!ReadInteger(value, "an ENTITY")) return false;
        piece_.clear();
        AppendCodePoint(value, piece_);
        text = piece_;
        break;
      case kOpaque:
        if (!ReadOpaque(text)) return false;
        break;
      default:
        if (!ReadVariable(token, text)) return false;
        break;
    }
    return Charge(text.size());
  }

  // OPAQUE in a deck is text in the document charset; NUL bytes in it become U+FFFD.
  [[nodiscard]] bool ReadOpaque(std::string_view& text) {
    std::uint32_t length = 0;
    std::span<const std::uint8_t> raw;
    if (!ReadInteger(length, "an OPAQUE length")) return false;
    if (!reader_.ReadBytes(length, raw)) {
      return Fail("document ends inside OPAQUE data of " + std::to_string(length) + " bytes");
    }
    if (!Convert(raw, text)) return false;
    if (text.find('\0') == std::string_view::npos) return true;
    piece_.clear();
    for (const char c : text) {
      if (c == '\0') {
        piece_.append(kReplacementCharacter);
      } else {
        piece_.push_back(c);
      }
    }
    text = piece_;
    return true;
  }

  // EXT_I_n (name inline) and EXT_T_n (name in the string table): WML variable references,
  // written back in their text form. A name that is not a WML variable name is dropped.
  [[nodiscard]] bool ReadVariable(std::uint8_t token, std::string_view& text) {
    std::span<const std::uint8_t> raw;
    if (token <= kExtI2) {
      if (!reader_.ReadTerminated(raw)) return Fail("document ends inside a variable name");
    } else {
      std::uint32_t offset = 0;
      if (!ReadInteger(offset, "a variable reference") || !TableString(offset, raw)) return false;
    }
    std::string_view name;
    if (!Convert(raw, name)) return false;
    text = {};
    if (!IsVariableName(name)) return true;
    // EXT_x_0: escaped, EXT_x_1: unescaped, EXT_x_2: no escaping.
    static constexpr std::string_view kEndings[] = {":e)", ":u)", ")"};
    piece_.assign("$(").append(name).append(kEndings[token & 0x03]);
    text = piece_;
    return true;
  }

  // ---- elements ----------------------------------------------------------------------------

  // The element name of a tag token: from the tag table, or for LITERAL tags the string table
  // (ASCII lower-cased). Empty for an unknown tag.
  [[nodiscard]] bool ReadTagName(std::uint8_t token, std::string_view& name) {
    if ((token & kTagCodeMask) == kLiteral) return ReadLiteralName("element", name);
    name = WmlTagName(tag_page_, token & kTagCodeMask);
    return true;
  }

  [[nodiscard]] bool ReadLiteralName(const char* kind, std::string_view& name) {
    std::uint32_t offset = 0;
    std::span<const std::uint8_t> raw;
    std::string_view text;
    if (!ReadInteger(offset, "a LITERAL reference") || !TableString(offset, raw) ||
        !Convert(raw, text)) {
      return false;
    }
    if (text.size() > kMaxNameBytes) {
      return Fail(std::string(kind) + " name of " + std::to_string(text.size()) +
                  " bytes is longer than " + std::to_string(kMaxNameBytes));
    }
    literal_name_.assign(text);
    for (char& c : literal_name_) {
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    name = literal_name_;
    return true;
  }

  [[nodiscard]] bool ReadBody(MarkupNode& root) {
    std::uint8_t token = 0;
    // PIs may come before the document element; a SWITCH_PAGE may pick its tag page.
    do {
      if (!reader_.ReadByte(token)) return Fail("document ends before the document element");
      if (token == kPi && !SkipProcessingInstruction()) return false;
      if (token == kSwitchPage && !ReadCodePage(tag_page_)) return false;
    } while (token == kPi || token == kSwitchPage);
    if (!IsTagToken(token)) {
      return Fail("expected the document element, found token " + Hex(token));
    }
    std::string_view name;
    if (!ReadTagName(token, name)) return false;
    if (name.empty()) {
      return Fail("the document element has an unknown tag (" + Hex(token & kTagCodeMask) +
                  " on page " + std::to_string(tag_page_) + ")");
    }
    root = MarkupNode::Element(std::string(name));
    if (!CountNode() || !Charge(name.size())) return false;
    if ((token & kTagHasAttributes) != 0 && !ReadAttributes(root, root.name)) return false;
    if ((token & kTagHasContent) != 0 && !ReadContent(root)) return false;
    // Only PIs may follow the document element.
    while (reader_.ReadByte(token)) {
      if (token != kPi) {
        return Fail("unexpected token " + Hex(token) + " after the document element");
      }
      if (!SkipProcessingInstruction()) return false;
    }
    return true;
  }

  // The content of `root` up to its END, with an explicit stack of open elements. An element
  // with an unknown tag is not built: its entry sends its content to the enclosing element.
  [[nodiscard]] bool ReadContent(MarkupNode& root) {
    struct OpenElement {
      MarkupNode* target;  // where content goes
      bool known;          // false: an unknown tag, `target` is its parent
    };
    std::vector<OpenElement> open;
    open.reserve(32);
    open.push_back({&root, true});
    while (!open.empty()) {
      MarkupNode& target = *open.back().target;
      std::uint8_t token = 0;
      if (!reader_.ReadByte(token)) {
        return Fail("document ends inside " +
                    (open.back().known ? "<" + target.name + ">" : Owner({})));
      }
      if (token == kEnd) {
        open.pop_back();
      } else if (token == kSwitchPage) {
        if (!ReadCodePage(tag_page_)) return false;
      } else if (token == kPi) {
        if (!SkipProcessingInstruction()) return false;
      } else if (token >= kExt0 && token <= kExt2) {
        // Single-byte extension tokens carry nothing in WML.
      } else if (IsTextPieceToken(token)) {
        std::string_view text;
        if (!ReadTextPiece(token, text) || !AppendText(target, text)) return false;
      } else {
        if (open.size() >= static_cast<std::size_t>(kMaxElementDepth)) {
          return Fail("elements nest deeper than " + std::to_string(kMaxElementDepth));
        }
        MarkupNode* child = nullptr;
        if (!ReadChildElement(token, target, child)) return false;
        if ((token & kTagHasContent) != 0) {
          open.push_back(child != nullptr ? OpenElement{child, true} : OpenElement{&target, false});
        }
      }
    }
    return true;
  }

  // Adds the element `token` starts to `parent` (with its attributes) and returns it in
  // `child`, or nullptr for an unknown tag (its attributes are read and dropped).
  [[nodiscard]] bool ReadChildElement(std::uint8_t token, MarkupNode& parent, MarkupNode*& child) {
    std::string_view name;
    if (!ReadTagName(token, name)) return false;
    const bool has_attributes = (token & kTagHasAttributes) != 0;
    if (name.empty()) {
      child = nullptr;
      discarded_.attributes.clear();
      return !has_attributes || ReadAttributes(discarded_, {});
    }
    if (!CountNode() || !Charge(name.size())) return false;
    parent.children.push_back(MarkupNode::Element(std::string(name)));
    child = &parent.children.back();
    return !has_attributes || ReadAttributes(*child, child->name);
  }

  [[nodiscard]] bool AppendText(MarkupNode& target, std::string_view text) {
    if (text.empty()) return true;
    const bool joins = !target.children.empty() && target.children.back().IsText();
    if (!joins && !CountNode()) return false;
    target.AppendText(text);
    return true;
  }

  // A PI (target and value in attribute form, up to END) is read and dropped.
  [[nodiscard]] bool SkipProcessingInstruction() {
    discarded_.attributes.clear();
    return ReadAttributes(discarded_, "?");
  }

  // Who owns an attribute list, for messages: an element name, "" (unknown tag) or "?" (PI).
  static std::string Owner(std::string_view owner) {
    if (owner.empty()) return "an element with an unknown tag";
    if (owner == "?") return "a processing instruction";
    return "<" + std::string(owner) + ">";
  }

  // The attribute list after a tag token, up to its END. Value pieces are joined into one
  // value. Unknown attribute starts, repeated names and attributes beyond
  // kMaxAttributesPerElement are skipped with their values; unknown value tokens add nothing.
  [[nodiscard]] bool ReadAttributes(MarkupNode& element, std::string_view owner) {
    MarkupAttribute* current = nullptr;  // nullptr: no attribute yet, or one being skipped
    bool started = false;
    for (;;) {
      std::uint8_t token = 0;
      if (!reader_.ReadByte(token)) {
        return Fail("document ends inside the attributes of " + Owner(owner));
      }
      if (token == kEnd) return true;
      if (token == kSwitchPage) {
        if (!ReadCodePage(attribute_page_)) return false;
        continue;
      }
      if (token >= kExt0 && token <= kExt2) continue;
      if (token == kPi || token == kLiteralC || token == kLiteralA || token == kLiteralAc) {
        return Fail("token " + Hex(token) + " cannot appear in the attributes of " + Owner(owner));
      }
      if (token == kLiteral || (token < 0x80 && !IsTextPieceToken(token))) {
        started = true;
        if (!StartAttribute(token, element, current)) return false;
        continue;
      }
      if (!started) return Fail("attribute value before any attribute name in " + Owner(owner));
      std::string_view piece;
      if (IsTextPieceToken(token)) {
        if (!ReadTextPiece(token, piece)) return false;
      } else {
        piece = WmlAttributeValueToken(attribute_page_, token);
        if (!Charge(piece.size())) return false;
      }
      if (current != nullptr) current->value.append(piece);
    }
  }

  // An attribute start token (or LITERAL + name): adds the attribute to `element` and points
  // `current` at it, or sets `current` to nullptr when it is skipped.
  [[nodiscard]] bool StartAttribute(std::uint8_t token, MarkupNode& element,
                                    MarkupAttribute*& current) {
    current = nullptr;
    WmlAttributeStart start;
    if (token == kLiteral) {
      if (!ReadLiteralName("attribute", start.name)) return false;
    } else {
      start = WmlAttributeStartToken(attribute_page_, token);
    }
    if (start.name.empty() || element.attributes.size() >= kMaxAttributesPerElement ||
        element.Attribute(start.name).has_value()) {
      return true;
    }
    if (!Charge(start.name.size() + start.value_prefix.size())) return false;
    element.attributes.push_back({std::string(start.name), std::string(start.value_prefix)});
    current = &element.attributes.back();
    return true;
  }

  ByteReader reader_;
  std::span<const std::uint8_t> string_table_;
  std::string charset_label_ = "UTF-8";
  bool utf8_ = false;              // the document charset is UTF-8 (or unknown, read as UTF-8)
  bool ascii_compatible_ = false;  // ASCII-only strings need no conversion
  std::uint8_t tag_page_ = 0;
  std::uint8_t attribute_page_ = 0;
  std::size_t node_count_ = 0;
  std::size_t output_bytes_ = 0;
  std::string converted_;     // the last string converted from the document charset
  std::string piece_;         // the last ENTITY, variable reference or cleaned OPAQUE
  std::string literal_name_;  // the last LITERAL name, lower-cased
  MarkupNode discarded_;      // attributes of unknown tags and PIs land here and are dropped
  std::string error_;
};

}  // namespace

platform::Result<WbxmlDocument> DecodeWmlc(std::span<const std::uint8_t> bytes) {
  return WmlcDecoder(bytes).Decode();
}

}  // namespace tovarin::gateway
