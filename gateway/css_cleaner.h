#pragma once
// CssCleaner: the style sheets of XHTML and HTML pages (a <style> element, a fetched .css file,
// a style attribute) made safe for the view. The text is tokenized with every escape decoded and
// every comment removed, judged on those decoded tokens, and written out again in a normal form
// built only from the tokens: nothing of the input's spelling survives.
//
// What is written:
//   - rules as `selector{name:value;name:value}`, one per line; white space inside a value or a
//     selector becomes one space, comments become one space, a rule left with no declaration is
//     left out; a style attribute's declarations as `name:value;name:value`.
//   - @media and @supports with the rules inside them cleaned the same way, nested at most
//     kMaxCssNesting deep; @keyframes and @-webkit-keyframes likewise.
//   - @import as `@import url("<ServiceLinks::Style(absolute)>");` when its address is http(s),
//     at the top level only; its media list is dropped.
//   - url(...) as `url("<ServiceLinks::Image(absolute)>")` when the address is http(s) once
//     resolved against the base, as `url("data:...")` for a raster data: image.
// What is dropped, a whole declaration (or a whole rule, when it is in a selector):
//   - the properties behavior, -ms-behavior, -moz-binding, binding;
//   - any declaration that, with escapes decoded and white space and comments removed, contains
//     expression(, javascript:, vbscript:, livescript: or -moz-binding (also across the ':'
//     between its name and value);
//   - the functions expression(), image(), image-set(), -webkit-image-set(), element(),
//     -moz-element(), src() and attr() (they load or run what the url() rules cannot see);
//   - any other url(), a url() in a selector or an at-rule's prelude, broken strings and
//     urls, a closer that closes nothing, '<' and '\' outside strings, nested {} blocks in a
//     value, at-rules inside a declaration list;
//   - every other at-rule (@font-face, @charset, @namespace, @page, ...).
// The written text never contains '<' (strings carry it as "\3c "), so it cannot end a <style>
// element; it is still HTML-escaped when written into an attribute.

#include <cstddef>
#include <string>
#include <string_view>

#include "gateway/css_tokenizer.h"
#include "gateway/reference_policy.h"
#include "gateway/service_links.h"

namespace tovarin::gateway {

// How deep @media/@supports/@keyframes blocks may nest; deeper ones are dropped.
inline constexpr int kMaxCssNesting = 8;

class CssCleaner {
 public:
  // `links` must outlive the cleaner. One cleaner may clean any number of sheets in turn (its
  // buffers are kept from one to the next); it is not for use from two threads at once.
  explicit CssCleaner(const ServiceLinks& links) : links_(links), classifier_("") {}

  // Appends the cleaned rules of the style sheet `css` to `out`; addresses are resolved against
  // `base_url` (absolute). Text longer than kMaxBodyBytes is not read at all.
  void AppendStyleSheet(std::string& out, std::string_view css, std::string_view base_url);
  // Appends the cleaned declarations of a style attribute's value.
  void AppendDeclarations(std::string& out, std::string_view css, std::string_view base_url);

 private:
  std::size_t AppendRuleList(std::size_t begin, std::size_t end, int nesting, std::string& out);
  std::size_t AppendQualifiedRule(std::size_t begin, std::size_t end, std::string& out);
  std::size_t AppendAtRule(std::size_t begin, std::size_t end, int nesting, std::string& out);
  bool AppendImport(std::size_t begin, std::size_t end, std::string& out);
  std::size_t AppendDeclarationList(std::size_t begin, std::size_t end, std::string& out);
  bool AppendDeclaration(std::size_t begin, std::size_t end, std::string& out);
  bool AppendComponents(std::size_t begin, std::size_t end, bool urls_allowed, std::string& out);
  bool AppendUrl(std::string_view address, std::string& out);
  bool IsForbidden(std::size_t begin, std::size_t end, bool urls_allowed,
                   std::string_view lead = {});
  bool ReadUrlFunction(std::size_t at, std::string_view& address) const;
  std::size_t SkipWhitespace(std::size_t at, std::size_t end) const;
  std::size_t TrimWhitespace(std::size_t begin, std::size_t end) const;

  const ServiceLinks& links_;
  ReferenceClassifier classifier_;  // of the sheet being cleaned
  CssTokenizer tokenizer_;
  std::string squashed_;  // scratch for IsForbidden
};

// Cleans a style sheet's text (a <style> element or a fetched .css file), or a style attribute's
// declarations when `declarations_only`; see CssCleaner for what is kept.
std::string CleanStyleSheet(std::string_view css, std::string_view base_url,
                            const ServiceLinks& links, bool declarations_only = false);

}  // namespace tovarin::gateway
