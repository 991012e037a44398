#pragma once
// The XHTML Mobile Profile / HTML cleaner: a page that came as HTML or XHTML is passed through
// to the view after everything that could run, load from the origin behind the service's back,
// or break out of the document frame has been taken out.
//
// CleanHtml parses with libxml2's HTML parser (also for XHTML served as XML: it copes), never
// loading a DTD or an external entity, and writes a new document from an allow-list of elements
// and attributes (html_allow_list.h): scripts, event handlers, frames, objects, inline SVG and
// MathML never come through; links, pictures, forms and style sheets lead back through
// ServiceLinks; a javascript:, mailto:, tel: or other non-http(s) link is shown as an unlinked
// span (mailto:, tel:, wtai: and sms: targets in brackets after its text: "Call us (tel:+123)").
// See html_tree_cleaner.h for the walk and css_cleaner.h for style sheets.
//
// Choices:
//   - the first <base href> in <head> that resolves to http(s) is the base of every address (as
//     browsers apply it); the element itself is never written;
//   - forms: method post stays post, anything else is get; no action is the page itself; enctype
//     is never written (forms go urlencoded) and file fields are dropped; a form whose action is
//     not http(s), or a form inside a form, is not written, its fields are;
//   - a picture whose address cannot be used (not http(s), not a raster data: URL) becomes its
//     alt text;
//   - the first <meta http-equiv="refresh"> counts: to http(s) or the page itself it keeps its
//     delay, to anything else it is dropped;
//   - the attributes of <html> and <body> are not written (the document frame is ours);
//   - with a query encoder (a page in a legacy charset), the characters of an address's query
//     are written in the page's charset before it is resolved, as browsers send a query.
//
// Input handling:
//   - the text is taken as UTF-8 whatever its <meta> or XML declaration says; NUL bytes are
//     removed (browsers ignore them inside a scheme: "java\0script:" reads as javascript:) and
//     other invalid bytes become U+FFFD before parsing;
//   - more than kMaxBodyBytes: an error;
//   - the markup is tokenized first as browsers tokenize it and handed to libxml2 in a normal
//     form (html_normalizer.h): comments, processing instructions, document types and script
//     text never reach the parser, textarea and title hold only text, and only the first
//     kMaxAttributesPerElement distinct attributes of a tag are kept;
//   - an element nested deeper than kMaxElementDepth (html and body count) is flattened: its
//     tags are not kept and its text joins the deepest element kept; a script, style, SVG or any
//     other dropped element that starts below that depth goes with everything inside it;
//   - after kMaxNodes elements, or with more than twice kMaxElementDepth elements open in the
//     parser, the parser stops; what came before is written, and a note says the page was cut;
//   - output is kept under kMaxOutputBytes: the page stops at an element or character boundary,
//     its open elements are closed, and the same note follows.
//
// libxml2 keeps global state: xmlInitParser() must have run before two threads clean at once.

#include <string>
#include <string_view>

#include "gateway/css_cleaner.h"  // CleanStyleSheet, for fetched .css files
#include "gateway/reference_policy.h"
#include "gateway/service_links.h"
#include "platform/result.h"

namespace tovarin::gateway {

// Shown at the end of a page that was cut (too many elements, or too much output).
inline constexpr std::string_view kPageCutNote =
    "<p class=\"gateway-error\">The rest of this page is not shown: it is too large.</p>";

// Cleans an HTML or XHTML page (already converted to UTF-8) into a complete, safe HTML5 document:
// BeginDocument (with the page's title and its cleaned style sheets and refresh in the head), the
// cleaned body, EndDocument. `page_url` is the page's final absolute http(s) address. Fails only
// for a page larger than kMaxBodyBytes or when the parser cannot be set up; a page that is not
// HTML at all comes out as its text.
// `query_encoder` rewrites each address before it is resolved: the transcoder gives one that
// writes a query's characters in the page's charset, as browsers send it (empty: none).
// `form_charset` is the charset the page's forms are to be submitted in (FormCharsetFor the
// page's charset; empty: UTF-8): each form carries it in accept-charset, after the charsets the
// form itself accepts, so the browser sends the site's forms as a browser of the site's time did.
[[nodiscard]] platform::Result<std::string> CleanHtml(std::string_view utf8_html,
                                                      std::string_view page_url,
                                                      const ServiceLinks& links,
                                                      QueryEncoder query_encoder = {},
                                                      std::string_view form_charset = {});

}  // namespace tovarin::gateway
