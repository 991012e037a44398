// Feeds arbitrary bytes to the WMLC decoder. A refusal must say why; a tree it accepts must
// keep the decoder's promises (the limits of limits.h, lower-case names, no two text nodes
// side by side, no empty text node) and dump without trouble.
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include "gateway/limits.h"
#include "gateway/markup_tree.h"
#include "gateway/wbxml_decoder.h"

namespace {

using tovarin::gateway::MarkupNode;

bool IsLowerCase(const std::string& name) {
  for (const char c : name) {
    if (c >= 'A' && c <= 'Z') return false;
  }
  return true;
}

// Checks `node` and everything under it; counts nodes. Aborts on a broken promise.
void Check(const MarkupNode& node, int depth, std::size_t& nodes) {
  ++nodes;
  if (depth > tovarin::gateway::kMaxElementDepth) std::abort();
  if (node.IsText()) {
    if (node.text.empty() || !node.children.empty()) std::abort();
    return;
  }
  if (node.name.empty() || node.name.size() > tovarin::gateway::kMaxNameBytes) std::abort();
  if (!IsLowerCase(node.name)) std::abort();
  if (node.attributes.size() > tovarin::gateway::kMaxAttributesPerElement) std::abort();
  for (std::size_t i = 0; i < node.attributes.size(); ++i) {
    if (!IsLowerCase(node.attributes[i].name)) std::abort();
    for (std::size_t j = 0; j < i; ++j) {
      if (node.attributes[j].name == node.attributes[i].name) std::abort();
    }
  }
  for (std::size_t i = 0; i < node.children.size(); ++i) {
    if (i > 0 && node.children[i].IsText() && node.children[i - 1].IsText()) std::abort();
    Check(node.children[i], depth + 1, nodes);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto result = tovarin::gateway::DecodeWmlc(std::span<const std::uint8_t>(data, size));
  if (!result.ok()) {
    if (result.error().rfind("WMLC: ", 0) != 0) std::abort();
    return 0;
  }
  std::size_t nodes = 0;
  Check(result->root, 1, nodes);
  if (nodes > tovarin::gateway::kMaxNodes) std::abort();
  const std::string dump = tovarin::gateway::DumpTree(result->root);
  if (dump.empty()) std::abort();
  return 0;
}
