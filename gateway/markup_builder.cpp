#include "gateway/markup_builder.h"

#include "gateway/limits.h"

namespace tovarin::gateway {

MarkupBuilder::MarkupBuilder() { document_.name = "#document"; }

std::string MarkupBuilder::LowerName(std::string_view name) {
  std::string lower(name.substr(0, kMaxNameBytes));
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

MarkupNode& MarkupBuilder::Current() {
  MarkupNode* node = &document_;
  for (std::size_t index : path_) node = &node->children[index];
  return *node;
}

bool MarkupBuilder::Start(std::string_view name, std::vector<MarkupAttribute> attributes) {
  if (!failure_.empty()) return false;
  if (path_.size() >= static_cast<std::size_t>(kMaxElementDepth)) {
    failure_ = "elements are nested more than " + std::to_string(kMaxElementDepth) + " deep";
    return false;
  }
  if (++nodes_ > kMaxNodes) {
    failure_ = "more than " + std::to_string(kMaxNodes) + " nodes";
    return false;
  }
  MarkupNode element = MarkupNode::Element(LowerName(name));
  for (MarkupAttribute& attribute : attributes) {
    if (element.attributes.size() >= kMaxAttributesPerElement) break;
    attribute.name = LowerName(attribute.name);
    if (element.Attribute(attribute.name)) continue;  // the first of a repeated name counts
    element.attributes.push_back(std::move(attribute));
  }
  MarkupNode& parent = Current();
  parent.children.push_back(std::move(element));
  path_.push_back(parent.children.size() - 1);
  return true;
}

void MarkupBuilder::End(std::string_view name) {
  std::string lower = LowerName(name);
  // Find the innermost open element of that name; close it and everything inside it.
  MarkupNode* node = &document_;
  std::size_t match = path_.size();
  for (std::size_t depth = 0; depth < path_.size(); ++depth) {
    node = &node->children[path_[depth]];
    if (node->name == lower) match = depth;
  }
  if (match < path_.size()) path_.resize(match);
}

bool MarkupBuilder::Text(std::string_view text) {
  if (!failure_.empty()) return false;
  text_bytes_ += text.size();
  if (text_bytes_ > kMaxBodyBytes) {
    failure_ = "more than " + std::to_string(kMaxBodyBytes) + " bytes of text";
    return false;
  }
  MarkupNode& parent = Current();
  if (parent.children.empty() || !parent.children.back().IsText()) {
    if (++nodes_ > kMaxNodes) {
      failure_ = "more than " + std::to_string(kMaxNodes) + " nodes";
      return false;
    }
  }
  parent.AppendText(text);
  return true;
}

MarkupNode MarkupBuilder::Finish() {
  path_.clear();
  return std::move(document_);
}

}  // namespace tovarin::gateway
