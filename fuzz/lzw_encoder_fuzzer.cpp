// The export encoder against a step-by-step model of the classic hashed GIF compressor: for any
// frame both must write the same bytes. The input's first two bytes choose the frame's width
// and how many times the remaining bytes are repeated to fill it, so that short inputs still
// make frames long enough to fill the string table and clear it several times.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "gif/lzw_encoder.h"
#include "tests/gif/classic_lzw_compressor.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  const int width = 1 + data[0] % 128;
  const int repeats = 1 + data[1] % 64;
  const std::size_t pattern = size - 2;
  std::vector<std::uint8_t> pixels;
  pixels.reserve(pattern * static_cast<std::size_t>(repeats));
  for (int r = 0; r < repeats; ++r) {
    // Each repeat shifted by its number, so that a repeat is not simply the same strings again.
    for (std::size_t i = 0; i < pattern; ++i)
      pixels.push_back(static_cast<std::uint8_t>(data[2 + i] + r * (data[1] >> 6)));
  }
  const int height = static_cast<int>(pixels.size() / static_cast<std::size_t>(width));
  if (height == 0) return 0;
  pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));

  tovarin::gif::testing::ClassicCompressor classic;
  const std::vector<std::uint8_t> expected = classic.Compress(pixels);
  std::vector<std::uint8_t> actual;
  tovarin::gif::LzwEncoder encoder;
  encoder.Encode(tovarin::gif::IndexRows{pixels.data(), width, width, height}, actual);
  if (actual != expected) std::abort();
  return 0;
}
