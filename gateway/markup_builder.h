#pragma once
// MarkupBuilder: builds a MarkupNode tree from parser events (start, end, text) with every limit
// of limits.h checked as the events arrive. Shared by the XML and HTML readers of WML.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "gateway/markup_tree.h"

namespace tovarin::gateway {

class MarkupBuilder {
 public:
  MarkupBuilder();

  // Opens an element (name lower-cased). Attributes beyond kMaxAttributesPerElement and
  // repeated names are ignored. Returns false (and stops building) on a limit.
  bool Start(std::string_view name, std::vector<MarkupAttribute> attributes);
  // Closes the innermost open element named `name`, and any opened inside it; an end tag that
  // matches nothing open is ignored.
  void End(std::string_view name);
  bool Text(std::string_view text);

  // Why building stopped, or empty.
  const std::string& failure() const { return failure_; }
  // The finished tree: a document node whose children are the top-level nodes.
  MarkupNode Finish();

  static std::string LowerName(std::string_view name);

 private:
  MarkupNode& Current();

  MarkupNode document_;
  std::vector<std::size_t> path_;  // child index at each open level, from the document down
  std::size_t nodes_ = 0;
  std::size_t text_bytes_ = 0;
  std::string failure_;
};

}  // namespace tovarin::gateway
