#include "anigif/array_argument.h"

#include <limits>

namespace tovarin::anigif {
namespace {

std::optional<std::size_t> CheckedMultiply(std::size_t a, std::size_t b) {
  if (a != 0 && b > std::numeric_limits<std::size_t>::max() / a) return std::nullopt;
  return a * b;
}

}  // namespace

std::optional<std::size_t> ArrayArgument::ByteCount() const {
  if (data == nullptr || dimensions.empty() || dimensions.size() > 2) return std::nullopt;
  std::optional<std::size_t> elements = dimensions[0];
  if (dimensions.size() == 2) elements = CheckedMultiply(dimensions[0], dimensions[1]);
  if (!elements) return std::nullopt;
  return CheckedMultiply(*elements, element_size);
}

}  // namespace tovarin::anigif
