#include "platform/raster/bitmap.h"

#include <algorithm>
#include <string>

#include "platform/raster/pixel_span.h"

namespace tovarin::platform {

using pixel_span::Pixel;

Result<Bitmap> Bitmap::Create(int width, int height, int bits_per_pixel) {
  if (bits_per_pixel != 1 && bits_per_pixel != 8 && bits_per_pixel != 24 && bits_per_pixel != 32) {
    return Error{"unsupported bits per pixel: " + std::to_string(bits_per_pixel)};
  }
  if (width < 0 || height < 0) {
    return Error{"negative bitmap size " + std::to_string(width) + " x " + std::to_string(height)};
  }
  // Neither product can overflow 64 bits: width * 32 < 2^37 and the stride is checked first.
  const std::int64_t stride = RowStride(bits_per_pixel, width);
  if (stride > kMaxBitmapBytes || stride * height > kMaxBitmapBytes) {
    return Error{"bitmap of " + std::to_string(width) + " x " + std::to_string(height) + " at " +
                 std::to_string(bits_per_pixel) + " bits per pixel exceeds the limit of " +
                 std::to_string(kMaxBitmapBytes) + " bytes"};
  }
  Bitmap bitmap;
  bitmap.width_ = width;
  bitmap.height_ = height;
  bitmap.bits_per_pixel_ = bits_per_pixel;
  bitmap.stride_ = static_cast<int>(stride);
  bitmap.pixels_.assign(static_cast<std::size_t>(stride * height), 0);
  if (bits_per_pixel == 1) {
    bitmap.color_table_ = {0x000000u, 0xFFFFFFu};
  } else if (bits_per_pixel == 8) {
    bitmap.color_table_.assign(256, 0x000000u);
  }
  return bitmap;
}

Bitmap Bitmap::Clone() const {
  Bitmap copy;
  copy.width_ = width_;
  copy.height_ = height_;
  copy.bits_per_pixel_ = bits_per_pixel_;
  copy.stride_ = stride_;
  copy.pixels_ = pixels_;
  copy.color_table_ = color_table_;
  return copy;
}

int Bitmap::SetColorTable(int start, std::span<const PaletteEntry> colors) {
  if (start < 0 || static_cast<std::size_t>(start) >= color_table_.size()) return 0;
  const std::size_t count =
      std::min(colors.size(), color_table_.size() - static_cast<std::size_t>(start));
  for (std::size_t i = 0; i < count; ++i)
    color_table_[static_cast<std::size_t>(start) + i] = colors[i] & 0x00FFFFFFu;
  return static_cast<int>(count);
}

ColorRef Bitmap::GetPixel(int x, int y) const {
  if (!Bounds().Contains(x, y)) return kInvalidPixel;
  Pixel pixel = 0;
  pixel_span::ReadPixels(Row(y), bits_per_pixel_, color_table_, x, 1, &pixel);
  return FromPaletteEntry(pixel);
}

void Bitmap::SetPixel(int x, int y, ColorRef color) {
  if (!Bounds().Contains(x, y)) return;
  const Pixel pixel = ToPaletteEntry(color);
  switch (bits_per_pixel_) {
    case 1:
    case 8: SetIndex(x, y, NearestIndex(color)); break;
    default:
      pixel_span::WritePixels(Row(y), bits_per_pixel_, color_table_, x, 1, &pixel,
                              RasterOp::kSrcCopy, nullptr);
      break;
  }
}

int Bitmap::GetIndex(int x, int y) const {
  if (!Bounds().Contains(x, y)) return -1;
  if (bits_per_pixel_ == 1) return pixel_span::LoadBit(Row(y), x);
  if (bits_per_pixel_ == 8) return Row(y)[x];
  return -1;
}

void Bitmap::SetIndex(int x, int y, int index) {
  if (!Bounds().Contains(x, y) || index < 0 ||
      static_cast<std::size_t>(index) >= color_table_.size())
    return;
  if (bits_per_pixel_ == 1) {
    pixel_span::StoreBit(Row(y), x, index);
  } else if (bits_per_pixel_ == 8) {
    Row(y)[x] = static_cast<std::uint8_t>(index);
  }
}

int Bitmap::NearestIndex(ColorRef color) const {
  return pixel_span::NearestTableIndex(color_table_, ToPaletteEntry(color));
}

}  // namespace tovarin::platform
