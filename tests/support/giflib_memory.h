#pragma once
// giflib reading from and writing to memory, for the tests and benchmarks that compare this
// system's GIF code with giflib on the same bytes.

#include <gif_lib.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace tovarin::giflib_memory {

// What DGifOpen reads from: `bytes`, from `pos` on.
struct MemoryInput {
  const std::vector<std::uint8_t>* bytes;
  std::size_t pos = 0;
};

// DGifOpen's input function; its user data is a MemoryInput.
inline int ReadMemory(GifFileType* gif, GifByteType* buffer, int length) {
  auto* input = static_cast<MemoryInput*>(gif->UserData);
  const std::size_t n =
      std::min<std::size_t>(static_cast<std::size_t>(length), input->bytes->size() - input->pos);
  std::memcpy(buffer, input->bytes->data() + input->pos, n);
  input->pos += n;
  return static_cast<int>(n);
}

// EGifOpen's output function; its user data is the std::vector<std::uint8_t> to append to.
inline int WriteMemory(GifFileType* gif, const GifByteType* buffer, int length) {
  auto* output = static_cast<std::vector<std::uint8_t>*>(gif->UserData);
  output->insert(output->end(), buffer, buffer + length);
  return length;
}

}  // namespace tovarin::giflib_memory
