// Feeds arbitrary bytes to the GIF image decoder twice: as the image data of an image whose
// size, interlacing and position come from the first five bytes (decoded into a bitmap it may
// overhang), and as a whole GIF file. Pixels outside the image's rectangle must not change.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>

#include "platform/pictures/gif_image_decoder.h"

using tovarin::platform::Bitmap;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> input(data, size);
  (void)tovarin::platform::DecodeGifFile(input);
  if (size < 5) return 0;

  constexpr int kTarget = 48;
  constexpr std::uint8_t kUntouched = 0xEE;
  const int width = 1 + data[0] % 64;
  const int height = 1 + data[1] % 64;
  const bool interlaced = (data[2] & 1) != 0;
  const int x = data[3] % 80 - 20;
  const int y = data[4] % 80 - 20;
  auto target = Bitmap::Create(kTarget, kTarget, 8);
  if (!target) std::abort();
  for (int row = 0; row < kTarget; ++row) std::memset(target->Row(row), kUntouched, kTarget);

  auto status =
      tovarin::platform::DecodeGifImage(input.subspan(5), width, height, interlaced, *target, x, y);
  if (!status) std::abort();  // valid sizes and an 8-bit target: never an error
  if (status->pixels < 0 || status->pixels > std::int64_t{width} * height) std::abort();
  if (status->Complete() != (status->pixels == std::int64_t{width} * height)) std::abort();
  for (int row = 0; row < kTarget; ++row) {
    for (int column = 0; column < kTarget; ++column) {
      const bool inside = column >= x && column < x + width && row >= y && row < y + height;
      if (!inside && target->Row(row)[column] != kUntouched) std::abort();
    }
  }
  return 0;
}
