#include "tests/gateway/wml_test_support.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "gateway/url.h"
#include "tests/gateway/fake_service_links.h"

namespace tovarin::gateway::wml_testing {
namespace {

bool IsNameChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '_' || c == '.' || c == ':';
}

bool IsVoidElement(std::string_view name) {
  return name == "br" || name == "input" || name == "img" || name == "meta" || name == "link";
}

void CollectAll(const MarkupNode& node, std::string_view name,
                std::vector<const MarkupNode*>& found) {
  for (const MarkupNode& child : node.children) {
    if (child.IsElement(name)) found.push_back(&child);
    if (child.IsElement()) CollectAll(child, name, found);
  }
}

// Reads the attributes of a start tag from `html[i]` (just after its name) to its '>'; returns
// the index after the '>'.
std::size_t ReadAttributes(std::string_view html, std::size_t i, HtmlElement& element) {
  while (i < html.size() && html[i] != '>') {
    if (html[i] == ' ' || html[i] == '\n' || html[i] == '/') {
      ++i;
      continue;
    }
    std::size_t name_end = i;
    while (name_end < html.size() && IsNameChar(html[name_end])) ++name_end;
    if (name_end == i) {  // not a name: skip the character
      ++i;
      continue;
    }
    std::string attribute(html.substr(i, name_end - i));
    std::string value;
    i = name_end;
    if (i < html.size() && html[i] == '=') {
      ++i;
      char quote = i < html.size() ? html[i] : '\0';
      if (quote == '"' || quote == '\'') {
        std::size_t close = html.find(quote, i + 1);
        if (close == std::string_view::npos) close = html.size();
        value = DecodeHtml(html.substr(i + 1, close - i - 1));
        i = close + 1;
      } else {
        std::size_t end = html.find_first_of(" >", i);
        if (end == std::string_view::npos) end = html.size();
        value = DecodeHtml(html.substr(i, end - i));
        i = end;
      }
    }
    element.attributes.emplace_back(std::move(attribute), std::move(value));
  }
  return i < html.size() ? i + 1 : i;
}

}  // namespace

std::string ReadSample(std::string_view file_name) {
  std::string path = std::string(TOVARIN_SOURCE_DIR) + "/tests/data/wml/" + std::string(file_name);
  std::ifstream file(path, std::ios::binary);
  EXPECT_TRUE(file.good()) << "cannot read " << path;
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

std::string SampleUrl(std::string_view file_name, std::string_view card_id) {
  std::string url = std::string(kSampleBase) + std::string(file_name);
  if (!card_id.empty()) url += "#" + std::string(card_id);
  return url;
}

ParsedDeck MustParse(std::string_view text) {
  platform::Result<ParsedDeck> parsed = ParseWml(text);
  EXPECT_TRUE(parsed.ok()) << (parsed.ok() ? "" : parsed.error());
  return parsed.ok() ? std::move(parsed).value() : ParsedDeck{};
}

WmlRenderResult RenderDeck(std::string_view deck_text, std::string_view url, WmlContext& context,
                           EntryDirection direction, std::string_view charset) {
  ParsedDeck deck = MustParse(deck_text);
  FakeServiceLinks links;
  WmlRenderRequest request{url, charset, direction, &links};
  return RenderWmlDeck(deck.root, request, context);
}

WmlRenderResult RenderSample(std::string_view file_name, std::string_view card_id,
                             WmlContext& context, EntryDirection direction,
                             std::string_view charset) {
  return RenderDeck(ReadSample(file_name), SampleUrl(file_name, card_id), context, direction,
                    charset);
}

std::string RenderSampleHtml(std::string_view file_name, std::string_view card_id,
                             WmlContext& context) {
  WmlRenderResult result = RenderSample(file_name, card_id, context);
  EXPECT_EQ(result.kind, WmlRenderResult::Kind::kHtml)
      << file_name << "#" << card_id << ": " << result.error << result.navigation.url;
  return result.html;
}

const MarkupNode* FindFirst(const MarkupNode& root, std::string_view name) {
  std::vector<const MarkupNode*> found = FindAll(root, name);
  return found.empty() ? nullptr : found.front();
}

std::vector<const MarkupNode*> FindAll(const MarkupNode& root, std::string_view name) {
  std::vector<const MarkupNode*> found;
  if (root.IsElement(name)) found.push_back(&root);
  CollectAll(root, name, found);
  return found;
}

std::string TextContent(const MarkupNode& node) {
  if (node.IsText()) return node.text;
  std::string text;
  for (const MarkupNode& child : node.children) text += TextContent(child);
  return text;
}

bool HtmlElement::Has(std::string_view attribute) const {
  for (const auto& [key, value] : attributes) {
    if (key == attribute) return true;
  }
  return false;
}

std::string HtmlElement::Attribute(std::string_view attribute) const {
  for (const auto& [key, value] : attributes) {
    if (key == attribute) return value;
  }
  return {};
}

std::string HtmlElement::Text() const { return VisibleText(inner_html); }

std::vector<HtmlElement> FindElements(std::string_view html, std::string_view name) {
  std::vector<HtmlElement> found;
  for (std::size_t open = html.find('<'); open != std::string_view::npos;
       open = html.find('<', open + 1)) {
    std::size_t name_end = open + 1;
    while (name_end < html.size() && IsNameChar(html[name_end])) ++name_end;
    if (name_end == open + 1) continue;  // an end tag, a comment or a doctype
    std::string_view tag = html.substr(open + 1, name_end - open - 1);
    if (!name.empty() && tag != name) continue;
    HtmlElement element;
    element.name = std::string(tag);
    std::size_t content = ReadAttributes(html, name_end, element);
    if (IsVoidElement(tag)) {
      element.self_contained = true;
    } else {
      std::string end_tag = "</" + element.name + ">";
      std::size_t close = html.find(end_tag, content);
      element.inner_html = std::string(html.substr(
          content, close == std::string_view::npos ? std::string_view::npos : close - content));
    }
    found.push_back(std::move(element));
  }
  return found;
}

std::vector<HtmlElement> FindElementsOfClass(std::string_view html, std::string_view name,
                                             std::string_view css_class) {
  std::vector<HtmlElement> found;
  for (HtmlElement& element : FindElements(html, name)) {
    if (element.Attribute("class") == css_class) found.push_back(std::move(element));
  }
  return found;
}

std::string DecodeHtml(std::string_view text) {
  static constexpr std::pair<std::string_view, char> kEntities[] = {
      {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&#39;", '\''}};
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    bool decoded = false;
    for (const auto& [entity, character] : kEntities) {
      if (text.substr(i, entity.size()) == entity) {
        out += character;
        i += entity.size();
        decoded = true;
        break;
      }
    }
    if (!decoded) out += text[i++];
  }
  return out;
}

std::string VisibleText(std::string_view html) {
  std::string text;
  bool in_tag = false;
  for (char c : html) {
    if (c == '<')
      in_tag = true;
    else if (c == '>')
      in_tag = false;
    else if (!in_tag)
      text += c;
  }
  return DecodeHtml(text);
}

std::string Body(std::string_view html) {
  std::size_t start = html.find("<body>");
  std::size_t end = html.rfind("</body>");
  if (start == std::string_view::npos) return {};
  start += 6;
  return std::string(html.substr(start, end == std::string_view::npos ? end : end - start));
}

std::string SoftKeyBar(std::string_view html) {
  constexpr std::string_view kOpen = "<div class=\"wml-softkeys\">";
  std::size_t start = html.find(kOpen);
  if (start == std::string_view::npos) return {};
  start += kOpen.size();
  std::size_t end = html.find("</div>", start);
  return std::string(html.substr(start, end == std::string_view::npos ? end : end - start));
}

std::optional<WmlTask> TaskOfControl(const HtmlElement& element) {
  std::string encoded;
  if (element.name == "button") {
    if (element.Attribute("name") != kTaskField) return std::nullopt;
    encoded = element.Attribute("value");
  } else {
    auto parts = FakeServiceLinks::ReadTaskLink(element.Attribute("href"));
    if (!parts) return std::nullopt;
    encoded = parts->encoded_task;
  }
  platform::Result<WmlTask> task = DecodeTask(encoded);
  EXPECT_TRUE(task.ok()) << encoded;
  if (!task.ok()) return std::nullopt;
  return task.value();
}

std::vector<std::pair<std::string, std::string>> DecodeQuery(std::string_view query) {
  std::vector<std::pair<std::string, std::string>> pairs;
  while (!query.empty()) {
    std::size_t amp = query.find('&');
    std::string_view piece = query.substr(0, amp);
    query = amp == std::string_view::npos ? std::string_view() : query.substr(amp + 1);
    std::size_t equals = piece.find('=');
    pairs.emplace_back(PercentDecode(piece.substr(0, equals), true),
                       equals == std::string_view::npos
                           ? std::string()
                           : PercentDecode(piece.substr(equals + 1), true));
  }
  return pairs;
}

std::string QueryOf(std::string_view url) {
  std::size_t question = url.find('?');
  if (question == std::string_view::npos) return {};
  std::string_view rest = url.substr(question + 1);
  return std::string(rest.substr(0, rest.find('#')));
}

}  // namespace tovarin::gateway::wml_testing
