#pragma once
// WML variables: the store a browser context keeps, and substitution of references into text
// and attribute values.
//
// Reference forms: "$name", "$(name)", "$(name:conv)" where conv is "e"/"escape" (URL-escape),
// "u"/"unesc" (URL-unescape) or "n"/"noesc" (as stored); "$$" is one dollar sign. A name is a
// letter or '_' followed by letters, digits and '_'. An unset variable substitutes as empty.
// A '$' that starts no valid reference is kept as written (real decks write prices "$5").
//
// Without a conversion, a reference in an address attribute (href, src, onpick, the event
// attributes) is URL-escaped, as WML browsers do, and one anywhere else is inserted as stored.

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace tovarin::gateway {

enum class VariableContext { kText, kAddress };

// True for a valid variable name.
bool IsVariableName(std::string_view name);

class WmlVariables {
 public:
  // Sets `name` to `value`. Refuses (returns false) an invalid name, a value over
  // kMaxVariableValueBytes, or a new variable beyond kMaxVariables. An empty value unsets it.
  bool Set(std::string_view name, std::string_view value);
  // The value, or empty when unset.
  std::string Get(std::string_view name) const;
  bool Has(std::string_view name) const { return values_.count(std::string(name)) != 0; }
  void Clear() { values_.clear(); }
  std::size_t size() const { return values_.size(); }
  const std::map<std::string, std::string, std::less<>>& values() const { return values_; }

  bool operator==(const WmlVariables&) const = default;

 private:
  std::map<std::string, std::string, std::less<>> values_;
};

// The URL-escaping a ":e" reference applies, with the value first converted to `charset` (the
// deck's, so a site gets its own bytes back; empty or unknown = UTF-8).
std::string EscapeVariableValue(std::string_view value, std::string_view charset);

// `address` with the characters beyond ASCII in its query (between the first '?' and the
// '#') converted to `charset` and percent-encoded, as browsers send a query: in the page's
// charset, so a GB2312 site gets "?kw=%D6%D0" for "?kw=中". A character the charset cannot
// hold goes as "%26%23NNNN%3B" ("&#NNNN;"). The path and fragment are left for URL resolution,
// which escapes them in UTF-8; with an empty, unknown or UTF-8 charset nothing changes.
std::string EncodeQueryInCharset(std::string_view address, std::string_view charset);

// Substitutes every reference in `text`. Variable values come from `variables`.
std::string SubstituteVariables(std::string_view text, const WmlVariables& variables,
                                VariableContext context, std::string_view charset = {});

// True when `text` holds at least one variable reference (not counting "$$").
bool HasVariableReference(std::string_view text);

}  // namespace tovarin::gateway
