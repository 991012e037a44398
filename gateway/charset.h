#pragma once
// Charsets of fetched pages: finding which one a page is in, and converting it to UTF-8 (and
// form data back to the charset a site expects).
//
// Detection order for a page: byte-order mark, the HTTP Content-Type's charset, the XML
// declaration, an HTML/XHTML <meta> charset (in the first kMetaScanBytes bytes); with none of
// these, UTF-8 when the bytes are UTF-8 (see below), else GB18030 (GBK) or Big5 when they read
// without a single ill-formed sequence in one of them (an undeclared Chinese page, which a
// browser set up for Chinese reads so; chinese_text_guess.h picks between the two), else
// windows-1252. Labels lie on real sites, and three lies are undone:
//   - a label other than UTF-8 over bytes that are valid UTF-8 throughout, with characters
//     beyond ASCII (a site that moved to UTF-8 and kept "charset=gb2312" in its headers or
//     declaration): UTF-8;
//   - UTF-8 named in the header or the page over bytes that are mostly not UTF-8 (ill-formed
//     pieces outnumber well-formed characters beyond ASCII; a server's default label on a GBK
//     deck): the page's own declaration of another charset, else GBK or Big5 when it reads
//     cleanly in one, else UTF-8 as labelled. A UTF-8 page with a few broken bytes (a download cut
//     in the middle of a character) stays UTF-8;
//   - an ISO-8859-1 (or windows-1252) header, the label of a server nobody set up, over a page
//     that declares another charset and reads without an ill-formed sequence in it: that one.
// Labels are mapped to the
// decoder real pages need: "gb2312" and "gbk" decode as GB18030 (pages labelled GB2312 use GBK
// characters), "iso-8859-1", "latin1" and "us-ascii" as windows-1252 (a superset browsers use).
// Invalid bytes become U+FFFD; nothing is dropped silently.
//
// Other supersets read the same way: Shift_JIS as CP932, EUC-KR as CP949, Big5 as BIG5-HKSCS,
// TIS-620 and ISO-8859-11 as WINDOWS-874, ISO-8859-9 as WINDOWS-1254; "utf-16" without a
// byte-order mark as UTF-16LE. Each decoder name is itself a label CanonicalCharset accepts.
// Ill-formed input: in UTF-8 each maximal ill-formed subpart (a lead byte and the continuation
// bytes that could still have completed it) is one U+FFFD, so "E4 B8 41" is U+FFFD "A"; in
// other charsets the offending byte is one U+FFFD and decoding resumes at the next byte (the
// next two-byte unit for UTF-16), so the character after a broken pair is kept. A sequence cut
// off by the end of the input is one U+FFFD. The byte 80 in GB18030 is €, as GBK pages use it.

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
                             // for a BOM, "UTF-8", "UTF-16LE" or "UTF-16BE"
  std::size_t replaced = 0;  // invalid sequences replaced by U+FFFD
};

// The charset parameter of a Content-Type header value, lower-cased, quotes removed; empty when
// there is none. "text/vnd.wap.wml; charset=\"ISO-8859-1\"" → "iso-8859-1".
std::string CharsetFromContentType(std::string_view content_type);

// The canonical decoder name for a charset label (case-insensitive, surrounding space ignored),
// or empty when the label names no charset this system converts.
std::string CanonicalCharset(std::string_view label);

// The label a browser submits the forms of a page in, for the decoder the page was read with
// (a DecodeToUtf8 charset): empty for UTF-8 and UTF-16, which browsers submit as UTF-8; "GBK"
// for GB18030, since the pages read so are labelled GB2312 or GBK and their sites expect
// two-byte GBK (a character GBK lacks goes as "&#NNNN;"); the web's own name for the other
// supersets (CP932 → "Shift_JIS", CP949 → "EUC-KR", BIG5-HKSCS → "Big5"); the decoder's name
// otherwise. Empty for a name that is no decoder.
std::string FormCharsetFor(std::string_view decoder);

// The charset label for an IANA MIBenum (as a WBXML header carries it), or empty when unknown.
// 106 → "UTF-8", 4 → "ISO-8859-1", 2025 → "GB2312", ...
std::string CharsetFromMibEnum(std::uint32_t mib);

// Finds the charset of `bytes` in the order above and converts them to UTF-8. Fails only when
// the converted text would exceed kMaxBodyBytes (checked while converting, before the memory is
// taken). A header label this system does not know is passed over, as is an unknown label in
// the page; a <meta> counts only when its ">" lies within the first kMetaScanBytes bytes. A
// page that declares UTF-16 inside itself (readable as ASCII, so not UTF-16) is read as UTF-8.
[[nodiscard]] platform::Result<DecodedText> DecodeToUtf8(std::span<const std::uint8_t> bytes,
                                                         std::string_view content_type);

// Converts `bytes` from the charset `label` names to UTF-8, invalid sequences as U+FFFD. Fails
// when the label is unknown or the result would exceed kMaxBodyBytes. A leading byte-order mark
// is dropped; for a UTF-16 label a UTF-16 mark decides the byte order.
[[nodiscard]] platform::Result<DecodedText> ConvertToUtf8(std::span<const std::uint8_t> bytes,
                                                          std::string_view label);

// Converts UTF-8 `text` to the charset `label` names, for form data a site expects in its own
// charset; a character the charset cannot hold is written as a decimal character reference
// "&#NNNN;", as browsers submit it. Unknown labels fail. Invalid UTF-8 in `text` is U+FFFD
// first (maximal subparts, as above), so it reaches a legacy charset as "&#65533;". Latin-1
// labels encode as windows-1252 (€ is 80). GB2312/GBK labels (not "gb18030") encode as GBK
// sites read it: € is 80, and a character GB18030 writes in four bytes becomes a reference.
// A stateful charset (ISO-2022-JP) is switched back to ASCII before a reference.
[[nodiscard]] platform::Result<std::string> ConvertFromUtf8(std::string_view text,
                                                            std::string_view label);

}  // namespace tovarin::gateway
