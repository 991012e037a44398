#include "gateway/markup_tree.h"

namespace tovarin::gateway {
namespace {

void Dump(const MarkupNode& node, int depth, std::string& out) {
  out.append(static_cast<std::size_t>(depth) * 2, ' ');
  if (node.IsText()) {
    out += '"';
    out += node.text;
    out += "\"\n";
    return;
  }
  out += '<';
  out += node.name;
  for (const MarkupAttribute& a : node.attributes) {
    out += ' ';
    out += a.name;
    out += "=\"";
    out += a.value;
    out += '"';
  }
  out += ">\n";
  for (const MarkupNode& child : node.children) Dump(child, depth + 1, out);
}

}  // namespace

std::string DumpTree(const MarkupNode& node) {
  std::string out;
  Dump(node, 0, out);
  return out;
}

}  // namespace tovarin::gateway
