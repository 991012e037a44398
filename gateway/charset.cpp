#include "gateway/charset.h"

#include <glib.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>
#include <type_traits>
#include <utility>

#include "gateway/charset_declaration.h"
#include "gateway/chinese_text_guess.h"
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
    {"WINDOWS-1254", "windows-1254 cp1254 x-cp1254 iso-8859-9 iso8859-9 iso_8859-9 latin5 l5"},
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

const LabelGroup* FindLabel(std::string_view label) {
  const std::string key = NormalizedLabel(label);
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

// The length of the well-formed UTF-8 at the start of `bytes`. ASCII (NUL included, which
// GLib's validator would stop at) is stepped over eight bytes at a time; each run of non-ASCII
// bytes goes to g_utf8_validate whole (no sequence contains an ASCII byte, so none spans two
// runs). Most pages are mostly ASCII markup, and this keeps the common case near memchr speed.
std::size_t ValidUtf8Length(Bytes bytes) {
  constexpr std::uint64_t kHighBits = 0x8080808080808080u;
  const std::size_t size = bytes.size();
  std::size_t pos = 0;
  while (pos < size) {
    for (std::uint64_t word = 0; pos + sizeof word <= size; pos += sizeof word) {
      std::memcpy(&word, bytes.data() + pos, sizeof word);
      if ((word & kHighBits) != 0) break;
    }
    while (pos < size && bytes[pos] < 0x80) ++pos;
    if (pos == size) break;
    std::size_t run_end = pos + 1;
    while (run_end < size && bytes[run_end] >= 0x80) ++run_end;
    const auto* start = reinterpret_cast<const gchar*>(bytes.data()) + pos;
    const gchar* end = nullptr;
    g_utf8_validate(start, static_cast<gssize>(run_end - pos), &end);
    pos += static_cast<std::size_t>(end - start);
    if (pos != run_end) break;
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
[[nodiscard]] bool DecodeWithIconv(GIConv cd, Bytes input, IllFormedRule rule, DecodedText& text) {
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

// Single-byte charsets (windows-125x and -874, ISO-8859-x, KOI8): each byte is one character,
// so the upper half is read from a table iconv fills once per page (128 one-byte conversions)
// and ASCII is copied as it is; iconv per byte costs several times more on a long page. A byte
// the charset leaves unassigned is U+FFFD. Hebrew and Vietnamese marks stay separate characters
// after their letter (iconv would compose them; browsers do not either).
bool IsSingleByte(std::string_view decoder) {
  return decoder.starts_with("WINDOWS-") || decoder.starts_with("ISO-8859-") ||
         decoder.starts_with("KOI8-");
}

struct UpperHalfTable {
  std::array<std::array<char, 4>, 128> utf8{};
  std::array<std::uint8_t, 128> length{};  // 0: unassigned
};

UpperHalfTable FillUpperHalf(GIConv cd) {
  UpperHalfTable table;
  for (std::size_t i = 0; i < 128; ++i) {
    auto byte = static_cast<gchar>(0x80 + i);
    gchar* in = &byte;
    gsize in_left = 1;
    gchar* out = table.utf8[i].data();
    gsize out_left = table.utf8[i].size();
    const bool converted =
        g_iconv(cd, &in, &in_left, &out, &out_left) != kIconvFailed && in_left == 0;
    // windows-1255 and -1258 hold a letter back in case a combining mark follows: flush it out.
    const bool flushed = g_iconv(cd, nullptr, nullptr, &out, &out_left) != kIconvFailed;
    if (converted && flushed) {
      table.length[i] = static_cast<std::uint8_t>(out - table.utf8[i].data());
    }
    g_iconv(cd, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
  }
  return table;
}

// Writes straight into `text.utf8` (empty on entry), sized for the worst case of three bytes
// per byte but never past kMaxBodyBytes, then cut to what was written.
[[nodiscard]] bool DecodeSingleByte(const UpperHalfTable& table, Bytes bytes, DecodedText& text) {
  std::string& out = text.utf8;
  out.resize(std::min(std::min(bytes.size(), kMaxBodyBytes) * 3, kMaxBodyBytes));
  char* write = out.data();
  const char* const end = out.data() + out.size();
  for (const std::uint8_t byte : bytes) {
    if (byte < 0x80) {
      if (write == end) return false;
      *write++ = static_cast<char>(byte);
      continue;
    }
    const std::size_t i = byte - 0x80u;
    std::string_view piece(table.utf8[i].data(), table.length[i]);
    if (piece.empty()) {
      piece = kReplacement;
      ++text.replaced;
    }
    if (piece.size() > static_cast<std::size_t>(end - write)) return false;
    write = std::copy(piece.begin(), piece.end(), write);
  }
  out.resize(static_cast<std::size_t>(write - out.data()));
  return true;
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
  bool fits = false;
  if (IsSingleByte(decoder)) {
    fits = DecodeSingleByte(FillUpperHalf(cd.get()), bytes, text);
  } else {
    text.utf8.reserve(std::min(bytes.size() + bytes.size() / 2, kMaxBodyBytes));
    fits = DecodeWithIconv(cd.get(), bytes, IllFormedRuleFor(decoder), text);
  }
  if (!fits) return TooLarge();
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

// What the bytes of an unlabelled or doubtful page look like read as UTF-8: how many
// characters beyond ASCII are well-formed sequences, and how many ill-formed pieces there are.
struct Utf8Profile {
  std::size_t multibyte = 0;
  std::size_t ill_formed = 0;

  // Valid throughout, with at least one character beyond ASCII.
  bool WhollyUtf8() const { return ill_formed == 0 && multibyte > 0; }
  // UTF-8 with a few broken sequences (a download cut in the middle of a character, a stray
  // byte), not legacy text: GBK or Latin-1 text read as UTF-8 is mostly ill-formed pieces.
  bool MostlyUtf8() const { return ill_formed == 0 || multibyte > ill_formed; }
};

// One pass, a sequence at a time (ValidUtf8Length rescans a run of high bytes on each call,
// which a page of legacy text, all high bytes, would make quadratic).
Utf8Profile ProfileUtf8(Bytes bytes) {
  Utf8Profile profile;
  const auto* text = reinterpret_cast<const gchar*>(bytes.data());
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    if (bytes[pos] < 0x80) {
      ++pos;
      continue;
    }
    const auto left = static_cast<gssize>(std::min<std::size_t>(bytes.size() - pos, 4));
    if (g_utf8_get_char_validated(text + pos, left) < 0x110000) {
      ++profile.multibyte;
      pos += static_cast<std::size_t>(g_utf8_next_char(text + pos) - (text + pos));
    } else {
      ++profile.ill_formed;
      pos += InvalidUtf8Length(bytes.subspan(pos));
    }
  }
  return profile;
}

// The bytes decoded with `decoder` when every sequence is well-formed in it; nullopt when any
// is not (then the guess was wrong) or the text is too large.
std::optional<DecodedText> DecodeCleanly(Bytes bytes, std::string_view decoder) {
  platform::Result<DecodedText> text = Decode(bytes, decoder);
  if (!text.ok() || text->replaced != 0) return std::nullopt;
  return std::move(text.value());
}

// A page that does not say whether it is GBK or Big5, read as the one of the two that reads
// without a single ill-formed sequence, or when both do, as the likelier (chinese_text_guess.h).
// nullopt when neither reads cleanly or the text is too large.
std::optional<DecodedText> ReadAsChinese(Bytes bytes) {
  std::optional<DecodedText> gbk = DecodeCleanly(bytes, "GB18030");
  std::optional<DecodedText> big5 = DecodeCleanly(bytes, "BIG5-HKSCS");
  if (!gbk || !big5) return gbk ? std::move(gbk) : std::move(big5);
  return Big5ReadsLikelier(big5->utf8, gbk->utf8) ? std::move(big5) : std::move(gbk);
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
    const bool appended = length == 1 || length == 2 ? AppendBounded(out, {encoded.data(), length})
                                                     : AppendCharacterReference(out, code_point);
    if (!appended) return false;
    p = next;
  }
  return true;
}

}  // namespace

std::string CanonicalCharset(std::string_view label) {
  const LabelGroup* group = FindLabel(label);
  return group == nullptr ? std::string() : std::string(group->decoder);
}

std::string FormCharsetFor(std::string_view decoder) {
  static constexpr std::pair<std::string_view, std::string_view> kWebNames[] = {
      {"UTF-8", ""},          {"UTF-16LE", ""},    {"UTF-16BE", ""},       {"GB18030", "GBK"},
      {"CP932", "Shift_JIS"}, {"CP949", "EUC-KR"}, {"BIG5-HKSCS", "Big5"},
  };
  for (const auto& [name, web_name] : kWebNames) {
    if (decoder == name) return std::string(web_name);
  }
  for (const LabelGroup& group : kLabelGroups) {
    if (decoder == group.decoder) return std::string(decoder);
  }
  return {};
}

std::string CharsetFromMibEnum(std::uint32_t mib) {
  // The IANA character-sets registry's MIBenum and name of each charset this system converts.
  struct MibEntry {
    std::uint32_t mib;
    std::string_view label;
  };
  static constexpr MibEntry kMibEnums[] = {
      {3, "US-ASCII"},        {4, "ISO-8859-1"},      {5, "ISO-8859-2"},
      {6, "ISO-8859-3"},      {7, "ISO-8859-4"},      {8, "ISO-8859-5"},
      {9, "ISO-8859-6"},      {10, "ISO-8859-7"},     {11, "ISO-8859-8"},
      {12, "ISO-8859-9"},     {13, "ISO-8859-10"},    {17, "Shift_JIS"},
      {18, "EUC-JP"},         {36, "KS_C_5601-1987"}, {38, "EUC-KR"},
      {39, "ISO-2022-JP"},    {106, "UTF-8"},         {109, "ISO-8859-13"},
      {110, "ISO-8859-14"},   {111, "ISO-8859-15"},   {112, "ISO-8859-16"},
      {113, "GBK"},           {114, "GB18030"},       {1000, "ISO-10646-UCS-2"},
      {1013, "UTF-16BE"},     {1014, "UTF-16LE"},     {1015, "UTF-16"},
      {2024, "Windows-31J"},  {2025, "GB2312"},       {2026, "Big5"},
      {2084, "KOI8-R"},       {2088, "KOI8-U"},       {2101, "Big5-HKSCS"},
      {2109, "windows-874"},  {2250, "windows-1250"}, {2251, "windows-1251"},
      {2252, "windows-1252"}, {2253, "windows-1253"}, {2254, "windows-1254"},
      {2255, "windows-1255"}, {2256, "windows-1256"}, {2257, "windows-1257"},
      {2258, "windows-1258"}, {2259, "TIS-620"},
  };
  for (const MibEntry& entry : kMibEnums) {
    if (entry.mib == mib) return std::string(entry.label);
  }
  return {};
}

platform::Result<DecodedText> DecodeToUtf8(std::span<const std::uint8_t> bytes,
                                           std::string_view content_type) {
  std::size_t bom_length = 0;
  if (const std::string_view decoder = BomDecoder(bytes, bom_length); !decoder.empty()) {
    return Decode(bytes.subspan(bom_length), decoder);
  }
  const Utf8Profile profile = ProfileUtf8(bytes);
  const std::string_view head(reinterpret_cast<const char*>(bytes.data()),
                              std::min(bytes.size(), kMetaScanBytes));
  std::string decoder = CanonicalCharset(CharsetFromContentType(content_type));
  if (decoder.empty()) decoder = DeclaredDecoder(head);
  if (decoder == "UTF-8" && !profile.MostlyUtf8()) {
    // Labelled UTF-8 (often by a server default) but written in a legacy charset: the page's
    // own declaration, else GBK or Big5 when it reads cleanly in one (chinese_text_guess.h).
    const std::string declared = DeclaredDecoder(head);
    if (!declared.empty() && declared != "UTF-8") return Decode(bytes, declared);
    if (auto chinese = ReadAsChinese(bytes)) return std::move(*chinese);
  }
  if (decoder == "WINDOWS-1252") {
    // ISO-8859-1 is what servers said when nobody set a charset: a page that declares another
    // one and reads cleanly in it is written in that one.
    const std::string declared = DeclaredDecoder(head);
    if (!declared.empty() && declared != decoder) {
      if (auto text = DecodeCleanly(bytes, declared)) return std::move(*text);
    }
  }
  if (!decoder.empty()) {
    // A legacy label over bytes that are entirely valid UTF-8, with characters beyond ASCII:
    // the page was saved as UTF-8 and the label is stale. Legacy text is valid UTF-8 by chance
    // only for a character or two, never for a page of Chinese.
    if (decoder != "UTF-8" && profile.WhollyUtf8()) return Decode(bytes, "UTF-8");
    return Decode(bytes, decoder);
  }
  if (profile.MostlyUtf8()) return Decode(bytes, "UTF-8");
  if (auto chinese = ReadAsChinese(bytes)) return std::move(*chinese);
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
  if (!fits) {
    return platform::Error{"converted text exceeds " + std::to_string(kMaxBodyBytes) + " bytes"};
  }
  return out;
}

}  // namespace tovarin::gateway
