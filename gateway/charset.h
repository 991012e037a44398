#pragma once
// Charsets of fetched pages: finding which one a page is in, and converting it to UTF-8 (and
// form data back to the charset a site expects).
//
// Detection order for a page: byte-order mark, the HTTP Content-Type's charset, the XML
// declaration, an HTML/XHTML <meta> charset (in the first kMetaScanBytes bytes); with none of
// these, UTF-8 when the bytes are valid UTF-8, else windows-1252. Labels are mapped to the
// decoder real pages need: "gb2312" and "gbk" decode as GB18030 (pages labelled GB2312 use GBK
// characters), "iso-8859-1", "latin1" and "us-ascii" as windows-1252 (a superset browsers use).
// Invalid bytes become U+FFFD; nothing is dropped silently.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "platform/result.h"

namespace tovarin::gateway {

// How far into a page the XML declaration and <meta> charset are looked for.
inline constexpr std::size_t kMetaScanBytes = 1024;

struct DecodedText {
  std::string utf8;          // the text, without a byte-order mark
  std::string charset;       // the decoder used, canonical ("UTF-8", "GB18030", "WINDOWS-1252")
  std::size_t replaced = 0;  // invalid sequences replaced by U+FFFD
};

// The charset parameter of a Content-Type header value, lower-cased, quotes removed; empty when
// there is none. "text/vnd.wap.wml; charset=\"ISO-8859-1\"" → "iso-8859-1".
std::string CharsetFromContentType(std::string_view content_type);

// The canonical decoder name for a charset label (case-insensitive, surrounding space ignored),
// or empty when the label names no charset this system converts.
std::string CanonicalCharset(std::string_view label);

// The charset label for an IANA MIBenum (as a WBXML header carries it), or empty when unknown.
// 106 → "UTF-8", 4 → "ISO-8859-1", 2025 → "GB2312", ...
std::string CharsetFromMibEnum(std::uint32_t mib);

// Finds the charset of `bytes` in the order above and converts them to UTF-8. Fails only when
// the converted text would exceed kMaxBodyBytes.
[[nodiscard]] platform::Result<DecodedText> DecodeToUtf8(std::span<const std::uint8_t> bytes,
                                                         std::string_view content_type);

// Converts `bytes` from the charset `label` names to UTF-8, invalid sequences as U+FFFD. Fails
// when the label is unknown or the result would exceed kMaxBodyBytes.
[[nodiscard]] platform::Result<DecodedText> ConvertToUtf8(std::span<const std::uint8_t> bytes,
                                                          std::string_view label);

// Converts UTF-8 `text` to the charset `label` names, for form data a site expects in its own
// charset; a character the charset cannot hold is written as a decimal character reference
// "&#NNNN;", as browsers submit it. Unknown labels fail.
[[nodiscard]] platform::Result<std::string> ConvertFromUtf8(std::string_view text,
                                                            std::string_view label);

}  // namespace tovarin::gateway
