// Feeds arbitrary bytes to the WBMP decoder and the PNG conversion. The sniff must agree with the
// decoder; a refusal must carry a message; a decoded picture must stay within the limits, hold
// exactly the bits of the file's rows, and come back from its PNG with the same pixels.
#include <png.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string_view>
#include <vector>

#include "gateway/limits.h"
#include "gateway/wbmp.h"

namespace {

using tovarin::gateway::WbmpImage;

// Index after the mb_u_int32 at `at` (the decoder has already accepted it).
std::size_t SkipMultiByte(std::span<const std::uint8_t> bytes, std::size_t at) {
  while (at < bytes.size() && (bytes[at] & 0x80) != 0) ++at;
  return at + 1;
}

// Each pixel against its bit in the input: rows of ceil(width / 8) bytes after the header.
void CheckPixelsAgainstRows(std::span<const std::uint8_t> bytes, const WbmpImage& image) {
  std::size_t at = SkipMultiByte(bytes, 0) + 1;         // type, fixed header
  at = SkipMultiByte(bytes, SkipMultiByte(bytes, at));  // width, height
  const std::size_t row_bytes = (std::size_t{image.width} + 7) / 8;
  if (at + row_bytes * image.height > bytes.size()) std::abort();
  for (std::uint32_t y = 0; y < image.height; ++y) {
    for (std::uint32_t x = 0; x < image.width; ++x) {
      const std::uint8_t byte = bytes[at + y * row_bytes + x / 8];
      const int bit = (byte >> (7 - x % 8)) & 1;
      if (image.pixels[std::size_t{y} * image.width + x] != bit) std::abort();
    }
  }
}

void CheckPngReadsBack(const std::vector<std::uint8_t>& png_bytes, const WbmpImage& image) {
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  if (png_image_begin_read_from_memory(&png, png_bytes.data(), png_bytes.size()) == 0) std::abort();
  if (png.width != image.width || png.height != image.height) std::abort();
  png.format = PNG_FORMAT_GRAY;
  std::vector<std::uint8_t> grey(PNG_IMAGE_SIZE(png));
  if (png_image_finish_read(&png, nullptr, grey.data(), 0, nullptr) == 0) std::abort();
  png_image_free(&png);
  if (grey.size() != image.pixels.size()) std::abort();
  for (std::size_t i = 0; i < grey.size(); ++i) {
    if (grey[i] != (image.pixels[i] != 0 ? 255 : 0)) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tovarin::gateway;
  const std::span<const std::uint8_t> bytes(data, size);
  auto image = DecodeWbmp(bytes);
  if (LooksLikeWbmp(bytes) != image.ok()) std::abort();
  auto png = WbmpToPng(bytes);
  if (png.ok() != image.ok()) std::abort();
  if (!image.ok()) {
    if (!std::string_view(image.error()).starts_with("WBMP: ") || png.error() != image.error())
      std::abort();
    return 0;
  }
  if (image->width == 0 || image->height == 0 || image->width > kMaxWbmpDimension ||
      image->height > kMaxWbmpDimension ||
      std::uint64_t{image->width} * image->height > kMaxWbmpPixels) {
    std::abort();
  }
  if (image->pixels.size() != std::size_t{image->width} * image->height) std::abort();
  CheckPixelsAgainstRows(bytes, *image);
  CheckPngReadsBack(*png, *image);
  return 0;
}
