#pragma once
// Bitmap: a device-independent bitmap that owns its pixel memory.
//
// Layout (the classic DIB layout the controls rely on):
//  - 1, 8, 24 or 32 bits per pixel;
//  - rows stored bottom-up: the first row in memory is the bottom row of the image;
//  - every row padded to a multiple of 4 bytes (RowStride);
//  - 24-bit pixels are bytes blue, green, red; 32-bit pixels blue, green, red, alpha;
//  - 1- and 8-bit bitmaps have a colour table of 2 or 256 PaletteEntry values (0x00RRGGBB),
//    which may be replaced at any time; the next blit from the bitmap uses the new colours.
//    In a 1-bit bitmap the most significant bit of a byte is the leftmost pixel.
// Coordinates passed to the accessors count rows from the top (y = 0 is the top row).

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/raster/color.h"
#include "platform/raster/geometry.h"
#include "platform/result.h"

namespace tovarin::platform {

// Bytes per DIB row: (bits_per_pixel * width + 31) with the low 5 bits cleared, divided by 8.
// Callers pass sizes that fit; see Bitmap::Create for the checked path.
constexpr std::int64_t RowStride(int bits_per_pixel, int width) {
  return ((static_cast<std::int64_t>(bits_per_pixel) * width + 31) & ~std::int64_t{31}) / 8;
}

// The most pixel memory one bitmap may take. Larger requests (a 65535 x 65535 bitmap, a
// 4-GiB allocation) are refused by Create rather than attempted.
inline constexpr std::int64_t kMaxBitmapBytes = std::int64_t{256} * 1024 * 1024;

class Bitmap {
 public:
  Bitmap() = default;  // empty: 0 x 0, no memory
  Bitmap(Bitmap&&) noexcept = default;
  Bitmap& operator=(Bitmap&&) noexcept = default;
  Bitmap(const Bitmap&) = delete;
  Bitmap& operator=(const Bitmap&) = delete;

  // Makes a zero-filled bitmap. Fails for bits_per_pixel not in {1, 8, 24, 32}, negative
  // sizes, or more than kMaxBitmapBytes of pixel memory. A 1-bit bitmap starts with the
  // table {black, white}; an 8-bit one with 256 black entries. Width or height 0 is allowed
  // and gives a bitmap with no pixels.
  static Result<Bitmap> Create(int width, int height, int bits_per_pixel);

  Bitmap Clone() const;

  int Width() const { return width_; }
  int Height() const { return height_; }
  int BitsPerPixel() const { return bits_per_pixel_; }
  int Stride() const { return stride_; }
  bool IsEmpty() const { return width_ == 0 || height_ == 0; }
  Rect Bounds() const { return Rect{0, 0, width_, height_}; }

  std::span<std::uint8_t> Bits() { return pixels_; }
  std::span<const std::uint8_t> Bits() const { return pixels_; }
  // Row y counted from the top (0 <= y < Height()).
  std::uint8_t* Row(int y) {
    return pixels_.data() + static_cast<std::size_t>(height_ - 1 - y) * stride_;
  }
  const std::uint8_t* Row(int y) const {
    return pixels_.data() + static_cast<std::size_t>(height_ - 1 - y) * stride_;
  }

  // Colour table (empty for 24 and 32 bits).
  std::span<const PaletteEntry> ColorTable() const { return color_table_; }
  // Loads colours into the table from slot `start` on, like SetDIBColorTable: entries past
  // the table's end are ignored, and so is a `start` outside the table. The unused top byte
  // of each entry is stored as 0. Returns the number of slots written (0 for 24 and 32 bits).
  int SetColorTable(int start, std::span<const PaletteEntry> colors);

  // Reads one pixel as a drawing colour (through the colour table for 1 and 8 bits). Outside
  // the bitmap it returns kInvalidPixel.
  static constexpr ColorRef kInvalidPixel = 0xFFFFFFFF;
  ColorRef GetPixel(int x, int y) const;
  // Writes one pixel: for 1 and 8 bits the nearest table colour's index is stored. Outside
  // the bitmap nothing happens. 32-bit pixels get alpha 0 (like the platform's SetPixel).
  void SetPixel(int x, int y, ColorRef color);

  // Raw index access for 1- and 8-bit bitmaps. GetIndex returns -1 outside the bitmap or for
  // 24 and 32 bits; SetIndex ignores positions outside the bitmap, indices outside the table
  // and bitmaps without a table.
  int GetIndex(int x, int y) const;
  void SetIndex(int x, int y, int index);

  // Index of the table colour nearest to `color` (squared RGB distance, first match wins);
  // -1 for a bitmap without a colour table.
  int NearestIndex(ColorRef color) const;

 private:
  int width_ = 0;
  int height_ = 0;
  int bits_per_pixel_ = 0;
  int stride_ = 0;
  std::vector<std::uint8_t> pixels_;
  std::vector<PaletteEntry> color_table_;
};

}  // namespace tovarin::platform
