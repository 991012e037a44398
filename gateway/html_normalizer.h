#pragma once
// NormalizeHtml: a page's markup read the way an HTML5 tokenizer reads it and written again in a
// plain form that libxml2's HTML parser cannot read differently, before that parser sees it.
//
// Why: libxml2 2.9's HTML parser compares every attribute of a start tag with all the ones before
// it (a tag with 50 000 attributes takes seconds, with 400 000 minutes), and its own reading of
// comments, quotes and raw text differs from browsers'. Here the tag boundaries are decided once,
// in one linear pass, and the parser is handed only what this pass decided:
//
//   text                 as it is (character references stay for the parser to decode), with
//                        every '<' that does not start a tag written below as "&lt;"
//   <name attr=...>      `<name a="v" b>`: names in lower case, made only of the bytes the parser
//                        takes in names (ASCII letters, digits, ':', '-', '_', '.'; at most 100);
//                        values double-quoted, '"' and '<' in them written as &quot; and &lt;;
//                        the first kMaxAttributesPerElement distinct attributes only; "/>" kept
//   </name ...>          `</name>`
//   script               `<script ...></script>`: the script's text is not passed on
//   style                the style text with "<!--" removed and any other '<' written as the CSS
//                        escape "\3c ", so only the real end tag can end it
//   textarea, title      their text as text (no tags inside them, as in browsers)
//   <!-- -->, <!...>,    dropped (comments, document types, CDATA, processing instructions)
//   <?...>, </ ...>
//   a second <html>,     dropped (the parser would discard it after a search of every open
//   <head> or <body>     element)
//
// A tag cut off by the end of the text is written as far as it goes and closed.

#include <string>
#include <string_view>

namespace tovarin::gateway {

// Appends the normal form of `html` (UTF-8 without NUL bytes) to `out`.
void NormalizeHtml(std::string_view html, std::string& out);

}  // namespace tovarin::gateway
