#pragma once
// ArrayArgument: an array handed to ucAniGIF::LoadAnimatedGIF_Array, described the way a
// caller's typed array is laid out in memory: a pointer to its first element, the size of one
// element in bytes and the element count of each dimension. The control copies
// element count x element size bytes from the first element, whatever the element type.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace tovarin::anigif {

struct ArrayArgument {
  const void* data = nullptr;           // first element; nullptr = an array with no storage
  std::size_t element_size = 1;         // bytes per element
  std::vector<std::size_t> dimensions;  // element count of each dimension

  // The bytes the array covers: the element count of its one dimension, or the product of
  // its two, times the element size. nullopt for no storage, no dimensions, three or more
  // dimensions, or a size that overflows.
  std::optional<std::size_t> ByteCount() const;

  template <typename T>
  static ArrayArgument Of(std::span<const T> elements) {
    return ArrayArgument{elements.data(), sizeof(T), {elements.size()}};
  }
  // A two-dimensional array of rows x columns elements stored contiguously.
  template <typename T>
  static ArrayArgument Of2D(std::span<const T> elements, std::size_t rows, std::size_t columns) {
    return ArrayArgument{elements.data(), sizeof(T), {rows, columns}};
  }
};

}  // namespace tovarin::anigif
