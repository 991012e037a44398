#pragma once
// Charsets a page names inside its own bytes, for charset.h's detection: the encoding of an XML
// declaration and the charset of an HTML/XHTML <meta>. Pure text scanning, no conversion.

#include <string>
#include <string_view>

namespace tovarin::gateway {

// `label` with surrounding ASCII white space removed and ASCII letters lower-cased.
std::string NormalizedLabel(std::string_view label);

// The decoder (a CanonicalCharset name) the page declares in `head`, its first kMetaScanBytes
// bytes read as ASCII; empty when it declares none this system converts. Looked for in order:
//   - an XML declaration, normally at the start; anything before it (white space, a PHP
//     warning a server printed) is passed over:
//       <?xml version="1.0" encoding="gb2312"?>
//   - each <meta> in turn, case-insensitive, comments skipped, the first known label winning:
//       <meta charset="koi8-r">
//       <meta http-equiv="Content-Type" content="text/html; charset=koi8-r">
// A tag whose ">" lies past the end of `head` does not count. A declared UTF-16 gives "UTF-8":
// the declaration was readable as ASCII, so the page is not UTF-16.
std::string DeclaredDecoder(std::string_view head);

}  // namespace tovarin::gateway
