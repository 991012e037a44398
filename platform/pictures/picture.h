#pragma once
// Picture: an immutable picture object shared by reference (std::shared_ptr<const Picture>).
// A property that holds a picture may hold nullptr or an empty picture; both draw nothing.
//
// Kinds keep the classic picture type numbers: 1 bitmap, 3 icon (0 for an empty picture).
//  - A bitmap's pixels are a 24-bit Bitmap, or a 32-bit one whose fourth byte is straight
//    (not premultiplied) alpha when the source had alpha: a 32-bit BMP keeps its fourth bytes
//    as they are in the file, a PNG with an alpha channel becomes 32-bit, a 24-bit BMP or a
//    PNG without alpha stays 24-bit, BMPs of 1, 4, 8 or 16 bits become 24-bit. A GIF becomes
//    24-bit, or 32-bit with alpha 0 on its transparent index when it has one.
//  - An icon's pixels are always 32-bit with alpha (the transparent area has alpha 0). Of an
//    icon file with several images, gdk-pixbuf's choice is kept: the largest, then deepest.
//
// Size: Width()/Height() in pixels; HiMetricWidth()/HiMetricHeight() in 1/100 mm at 96 dpi,
// pixels * 2540 / 96 rounded to the nearest integer with halves away from zero (the classic
// MulDiv), so 97 pixels are 2566 and 24 pixels 635.
//
// Loading accepts BMP, ICO (and CUR, as an icon), PNG and GIF, recognised by their leading
// bytes (the GIF signature in any letter case); BMP, ICO and PNG are decoded by gdk-pixbuf (only
// those loaders are ever used on the data), GIF by the program's own decoder (the first image, at
// its own size). Anything else, truncated or corrupt data and pictures larger than
// kMaxPictureDimension or kMaxBitmapBytes are refused with an error naming the problem.
//
// A loaded picture keeps its encoded bytes (EncodedBytes()), which is what the property store
// saves. A picture made in memory (FromBitmap) is encoded on demand: a bitmap as a BMP file
// of its own depth, an icon as an ICO file holding one 32-bit image.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <vector>

#include "platform/raster/bitmap.h"
#include "platform/result.h"

namespace tovarin::platform {

enum class PictureKind : int {
  kNone = 0,
  kBitmap = 1,
  kIcon = 3,
};

// The largest width or height a loaded picture may have.
inline constexpr int kMaxPictureDimension = 16384;
// The largest encoded picture accepted for loading.
inline constexpr std::size_t kMaxPictureFileBytes = 64u * 1024 * 1024;

class Picture {
 public:
  Picture() = default;  // empty
  Picture(const Picture&) = delete;
  Picture& operator=(const Picture&) = delete;

  // A picture of `bitmap`'s pixels. Bitmaps must be 24 or 32 bits (icons 32 bits); anything
  // else is converted: 1- and 8-bit bitmaps through their colour table to 24 bits (icons to 32
  // bits with alpha 255). An empty bitmap gives an empty picture.
  static std::shared_ptr<const Picture> FromBitmap(Bitmap bitmap, PictureKind kind);

  bool IsEmpty() const { return kind_ == PictureKind::kNone || image_.IsEmpty(); }
  PictureKind Kind() const { return kind_; }
  int Type() const { return static_cast<int>(kind_); }

  const Bitmap& Image() const { return image_; }
  int BitsPerPixel() const { return image_.BitsPerPixel(); }
  bool HasAlpha() const { return image_.BitsPerPixel() == 32; }
  int Width() const { return image_.Width(); }
  int Height() const { return image_.Height(); }
  int HiMetricWidth() const { return PixelsToHiMetricRounded(image_.Width()); }
  int HiMetricHeight() const { return PixelsToHiMetricRounded(image_.Height()); }

  // The encoded file bytes (see above); empty for an empty picture.
  std::vector<std::uint8_t> EncodedBytes() const;

  static int PixelsToHiMetricRounded(int pixels);

 private:
  friend struct PictureFactory;
  PictureKind kind_ = PictureKind::kNone;
  Bitmap image_;
  std::vector<std::uint8_t> encoded_;  // source bytes of a loaded picture
};

using PicturePtr = std::shared_ptr<const Picture>;

Result<PicturePtr> LoadPictureFromMemory(std::span<const std::uint8_t> data);
Result<PicturePtr> LoadPictureFromFile(const std::filesystem::path& path);

// Encoders used by EncodedBytes, public for tools and tests. EncodeBmp writes a
// BITMAPINFOHEADER BMP of the bitmap's depth (1, 8, 24 or 32 bits; 32-bit pixels with their
// fourth byte). EncodeIco writes an ICO with one 32-bit image plus its AND mask (set where
// alpha is 0); the bitmap must be 32-bit and at most 256 x 256.
Result<std::vector<std::uint8_t>> EncodeBmp(const Bitmap& bitmap);
Result<std::vector<std::uint8_t>> EncodeIco(const Bitmap& bitmap);

}  // namespace tovarin::platform
