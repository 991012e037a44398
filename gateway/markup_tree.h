#pragma once
// MarkupNode: the one document tree every input form is read into. WML text (XML or, for
// ill-formed decks, the HTML parser), WMLC and XHTML all become this tree, so everything after
// parsing (variables, cards, the HTML writer) sees one model whatever the wire form was.
//
// Names are lower-case ASCII. Text is UTF-8. Adjacent text pieces are joined into one text node
// by the builders, so a variable reference split across pieces of the wire form is whole here.
// WML variable references stay as written ("$(name:e)"): substitution happens later, against the
// request's context.

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tovarin::gateway {

struct MarkupAttribute {
  std::string name;
  std::string value;
  bool operator==(const MarkupAttribute&) const = default;
};

struct MarkupNode {
  enum class Kind { kElement, kText };

  Kind kind = Kind::kElement;
  std::string name;  // element name; empty for text
  std::vector<MarkupAttribute> attributes;
  std::string text;  // text nodes only
  std::vector<MarkupNode> children;

  static MarkupNode Element(std::string element_name) {
    MarkupNode node;
    node.name = std::move(element_name);
    return node;
  }
  static MarkupNode Text(std::string content) {
    MarkupNode node;
    node.kind = Kind::kText;
    node.text = std::move(content);
    return node;
  }

  bool IsElement() const { return kind == Kind::kElement; }
  bool IsElement(std::string_view element_name) const {
    return kind == Kind::kElement && name == element_name;
  }
  bool IsText() const { return kind == Kind::kText; }

  // The value of attribute `attribute_name`, or nullopt when absent.
  std::optional<std::string_view> Attribute(std::string_view attribute_name) const {
    for (const MarkupAttribute& a : attributes) {
      if (a.name == attribute_name) return a.value;
    }
    return std::nullopt;
  }
  std::string AttributeOr(std::string_view attribute_name, std::string_view fallback) const {
    auto value = Attribute(attribute_name);
    return std::string(value ? *value : fallback);
  }

  // Appends text, joining it to a text node that ends the children already.
  void AppendText(std::string_view content) {
    if (content.empty()) return;
    if (!children.empty() && children.back().IsText()) {
      children.back().text.append(content);
    } else {
      children.push_back(Text(std::string(content)));
    }
  }

  bool operator==(const MarkupNode&) const = default;
};

// Readable one-line-per-node dump, for test failure messages: `<card id="a">`, `"text"`.
std::string DumpTree(const MarkupNode& node);

}  // namespace tovarin::gateway
