#include "platform/pictures/gif_format.h"

#include <algorithm>
#include <cassert>
#include <string_view>

namespace tovarin::platform {

bool IsGifSignature(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < kGifSignatureBytes) return false;
  // Only ASCII letters are folded, so that no locale turns another byte into a letter.
  char signature[kGifSignatureBytes];
  std::transform(bytes.begin(), bytes.begin() + kGifSignatureBytes, signature, [](std::uint8_t c) {
    return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  });
  const std::string_view text(signature, kGifSignatureBytes);
  return text == "gif87a" || text == "gif89a";
}

void ReadGifColors(std::span<const std::uint8_t> rgb, std::span<std::uint32_t> colors) {
  const std::size_t count = rgb.size() / 3;
  assert(colors.size() >= count);
  for (std::size_t i = 0; i < count; ++i) {
    colors[i] =
        (std::uint32_t{rgb[3 * i]} << 16) | (std::uint32_t{rgb[3 * i + 1]} << 8) | rgb[3 * i + 2];
  }
}

}  // namespace tovarin::platform
