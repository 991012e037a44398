// Cleans any bytes as an HTML page (and as a style sheet, and as a style attribute) and checks
// what must hold for everything the cleaners write, by reading the output back as the browser
// will: every '<' starts a tag (text is escaped, style text never holds one), no tag or
// attribute outside what is safe, every address leads through the service (or is a fragment or
// a raster data: picture), no script address or CSS expression anywhere it could act, and the
// size stays within kMaxOutputBytes. A broken promise aborts.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

#include "gateway/css_cleaner.h"
#include "gateway/css_tokenizer.h"
#include "gateway/html_cleaner.h"
#include "gateway/limits.h"
#include "gateway/reference_policy.h"
#include "gateway/url.h"

namespace {

using tovarin::gateway::CssTokenType;
using tovarin::gateway::FormTarget;
using tovarin::gateway::PercentEncode;

constexpr std::string_view kPageUrl = "http://wap.example.com/news/index.html";

class FuzzLinks final : public tovarin::gateway::ServiceLinks {
 public:
  std::string Page(std::string_view url) const override { return "/p?u=" + PercentEncode(url); }
  std::string Image(std::string_view url) const override { return "/i?u=" + PercentEncode(url); }
  std::string Style(std::string_view url) const override { return "/s?u=" + PercentEncode(url); }
  FormTarget Form(std::string_view action, std::string_view method) const override {
    return {"/f", {{"u", std::string(action)}, {"m", std::string(method)}}};
  }
  FormTarget Task(std::string_view deck) const override {
    return {"/t", {{"deck", std::string(deck)}}};
  }
  std::string TaskLink(std::string_view deck, std::string_view task) const override {
    return "/t?deck=" + PercentEncode(deck) + "&task=" + PercentEncode(task);
  }
};

void Require(bool promise) {
  if (!promise) std::abort();
}

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

bool StartsWithAny(std::string_view text, std::initializer_list<std::string_view> prefixes) {
  for (std::string_view prefix : prefixes) {
    if (text.starts_with(prefix)) return true;
  }
  return false;
}

bool IsRasterOrService(std::string_view address) {
  const std::string lower = Lower(address);
  return StartsWithAny(lower, {"/i?u=", "/s?u=", "data:image/png", "data:image/gif",
                               "data:image/jpeg", "data:image/webp", "data:image/bmp"});
}

// Cleaned CSS as the cleaner promises it, read back token by token as a browser reads it: no
// '<', no broken token, no expression or script address in any spelling, no function that
// loads behind url()'s back, and every url() an address of the service or a raster picture.
void CheckCss(std::string_view css) {
  Require(css.find('<') == std::string_view::npos);
  const std::string lower = Lower(css);
  for (std::string_view banned : {"expression(", "javascript:", "vbscript:"}) {
    Require(lower.find(banned) == std::string::npos);
  }
  tovarin::gateway::CssTokenizer tokenizer;
  tokenizer.Tokenize(css);
  const auto& tokens = tokenizer.Tokens();
  for (std::size_t at = 0; at < tokens.size(); ++at) {
    const tovarin::gateway::CssToken& token = tokens[at];
    Require(token.type != CssTokenType::kBadString && token.type != CssTokenType::kBadUrl);
    if (token.type == CssTokenType::kUrl) Require(IsRasterOrService(tokenizer.Text(token)));
    if (token.type != CssTokenType::kFunction) continue;
    const std::string name = Lower(tokenizer.Text(token));
    for (std::string_view banned :
         {"expression", "image", "image-set", "-webkit-image-set", "src", "element", "attr"}) {
      Require(name != banned);
    }
    if (name == "url") {
      std::size_t inner = at + 1;
      while (inner < tokens.size() && tokens[inner].type == CssTokenType::kWhitespace) ++inner;
      Require(inner < tokens.size() && tokens[inner].type == CssTokenType::kString &&
              IsRasterOrService(tokenizer.Text(tokens[inner])));
    }
  }
}

// An attribute value as the browser reads it (the cleaner escapes only these four).
std::string Unescape(std::string_view value) {
  std::string out;
  for (std::size_t at = 0; at < value.size(); ++at) {
    bool replaced = false;
    for (auto [entity, c] : {std::pair{"&amp;", '&'}, std::pair{"&lt;", '<'},
                             std::pair{"&gt;", '>'}, std::pair{"&quot;", '"'}}) {
      if (value.substr(at).starts_with(entity)) {
        out += c;
        at += std::string_view(entity).size() - 1;
        replaced = true;
        break;
      }
    }
    if (!replaced) out += value[at];
  }
  return out;
}

constexpr std::array<std::string_view, 18> kBannedElements = {
    "script", "iframe", "frame",    "frameset", "object", "embed", "applet", "param", "base",
    "svg",    "math",   "template", "noscript", "source", "area",  "video",  "audio", "portal"};

void CheckAttribute(std::string_view element, std::string_view name, std::string_view value) {
  Require(!name.starts_with("on"));
  for (std::string_view banned :
       {"srcset", "formaction", "background", "ping", "target", "xmlns", "dynsrc", "lowsrc"}) {
    Require(name != banned);
  }
  const std::string lower = Lower(value);
  if (name == "href") Require(StartsWithAny(value, {"/p?u=", "/s?u=", "#"}));
  if (name == "src") {
    Require(StartsWithAny(lower, {"/i?u=", "data:image/png", "data:image/gif", "data:image/jpeg",
                                  "data:image/webp", "data:image/bmp"}));
  }
  if (name == "action") Require(value == "/f");
  if (name == "style") CheckCss(Unescape(value));
  if (name == "content" && element == "meta") {
    Require(lower.find("javascript:") == std::string::npos);
    if (lower.find("url=") != std::string::npos)
      Require(lower.find(";url=/p?u=") != std::string::npos);
  }
}

// Reads `html` tag by tag and checks each; returns the offset after the tag.
std::size_t CheckTag(const std::string& html, std::size_t at) {
  std::size_t end = html.find('>', at);
  Require(end != std::string::npos);
  if (html.compare(at, 2, "<!") == 0) {
    Require(html.compare(at, 15, "<!DOCTYPE html>") == 0);
    return end + 1;
  }
  std::size_t cursor = at + 1;
  const bool closing = html[cursor] == '/';
  if (closing) ++cursor;
  const std::size_t name_end = html.find_first_of(" >", cursor);
  const std::string element = html.substr(cursor, name_end - cursor);
  Require(!element.empty());
  for (std::string_view banned : kBannedElements) Require(element != banned);
  cursor = name_end;
  // Values are escaped: no raw '"', '<' or '>' in them, so the first '>' ends the tag.
  while (html[cursor] == ' ') {
    const std::size_t equals = html.find("=\"", cursor);
    Require(equals < end);
    const std::size_t quote_end = html.find('"', equals + 2);
    Require(quote_end < end);
    const std::string_view name(html.data() + cursor + 1, equals - cursor - 1);
    const std::string_view value(html.data() + equals + 2, quote_end - equals - 2);
    Require(value.find('<') == std::string_view::npos);
    CheckAttribute(element, name, value);
    cursor = quote_end + 1;
  }
  Require(html[cursor] == '>');
  if (!closing && element == "style") {
    const std::size_t close = html.find("</style>", cursor);
    Require(close != std::string::npos);
    const std::string_view css(html.data() + cursor + 1, close - cursor - 1);
    if (close == html.find("</style>")) return close;  // the phone style sheet: ours
    CheckCss(css);
    return close;
  }
  return cursor + 1;
}

void CheckDocument(const std::string& html) {
  Require(html.size() <= tovarin::gateway::kMaxOutputBytes);
  Require(html.starts_with("<!DOCTYPE html>") && html.ends_with("</body></html>\n"));
  for (std::size_t at = html.find('<'); at != std::string::npos; at = html.find('<', at)) {
    at = CheckTag(html, at);
  }
}

// The quick resolution of plain references must give exactly GUri's answer: the first line of
// the input as a reference against two bases.
void CheckResolution(std::string_view input) {
  const std::string_view reference = input.substr(0, std::min<std::size_t>(input.find('\n'), 512));
  for (std::string_view base :
       {kPageUrl, std::string_view("https://Wap.Example.COM:81/a/b?x=1#f")}) {
    const tovarin::gateway::ReferenceClassifier classifier(base);
    Require(classifier.Resolve(reference) == tovarin::gateway::ResolveUrl(base, reference));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  CheckResolution(input);
  const FuzzLinks links;
  tovarin::platform::Result<std::string> html = tovarin::gateway::CleanHtml(input, kPageUrl, links);
  Require(html.ok() || size > tovarin::gateway::kMaxBodyBytes);
  if (html.ok()) CheckDocument(html.value());

  CheckCss(tovarin::gateway::CleanStyleSheet(input, kPageUrl, links));
  CheckCss(tovarin::gateway::CleanStyleSheet(input, kPageUrl, links, true));
  return 0;
}
