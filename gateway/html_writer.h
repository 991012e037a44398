#pragma once
// Writing HTML: escaping, and the document frame every page we answer shares (UTF-8, a viewport
// for the 236-pixel view, the phone style sheet). Nothing we write runs as script.

#include <string>
#include <string_view>

namespace tovarin::gateway {

// Appends `text` escaped for an element's content (& < >).
void AppendEscapedText(std::string& out, std::string_view text);
// Appends `value` escaped for a double-quoted attribute value (& < > ").
void AppendEscapedAttribute(std::string& out, std::string_view value);
// Appends ` name="value"` with the value escaped.
void AppendAttribute(std::string& out, std::string_view name, std::string_view value);

// The opening of a complete HTML5 document up to and including <body>: charset, viewport,
// `title` (escaped), the phone style sheet, and `extra_head` as given (already safe HTML).
void BeginDocument(std::string& out, std::string_view title, std::string_view extra_head = {});
// Closes what BeginDocument opened.
void EndDocument(std::string& out);

// The phone style sheet BeginDocument writes (exposed for tests and for the cleaner, which
// puts it before the page's own cleaned styles).
std::string_view PhoneStyleSheet();

}  // namespace tovarin::gateway
