#pragma once
// WBMP, the one-bit picture format of WAP phones: type 0 only (no extension headers), turned into
// PNG for the view.
//
//   TypeField       mb_u_int  0
//   FixHeaderField  byte      0 (bit 7 would announce extension headers: refused)
//   Width           mb_u_int  1..kMaxWbmpDimension
//   Height          mb_u_int  1..kMaxWbmpDimension
//   Data            rows top to bottom, each ceil(Width / 8) bytes, most significant bit
//                   leftmost; 1 = white, 0 = black; the padding bits of a row's last byte are
//                   ignored.

#include <cstdint>
#include <span>
#include <vector>

#include "platform/result.h"

namespace tovarin::gateway {

struct WbmpImage {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::vector<std::uint8_t> pixels;  // width * height bytes, row-major: 1 = white, 0 = black
};

// True when `bytes` start like a type 0 WBMP (for content sniffing when no type is given): the
// header is valid and within the limits and every row is present. Reads the header only; true
// exactly when DecodeWbmp would succeed.
bool LooksLikeWbmp(std::span<const std::uint8_t> bytes);

// Errors (messages begin "WBMP: "): another type, extension headers, a zero or oversized
// dimension, an integer longer than kMaxWbxmlIntegerBytes (5) or beyond 32 bits, a header cut
// short, and rows cut short ("image data ends after row N of M": no partial picture is
// returned). Bytes after the last row are ignored.
[[nodiscard]] platform::Result<WbmpImage> DecodeWbmp(std::span<const std::uint8_t> bytes);

// The image as a PNG (8-bit grey, or 1-bit: the pixels are exactly black and white). This writes
// 1-bit grey; any nonzero pixel is white. Error when the image breaks the limits or its pixel
// count is not width * height.
[[nodiscard]] platform::Result<std::vector<std::uint8_t>> EncodePng(const WbmpImage& image);

// DecodeWbmp then EncodePng.
[[nodiscard]] platform::Result<std::vector<std::uint8_t>> WbmpToPng(
    std::span<const std::uint8_t> bytes);

}  // namespace tovarin::gateway
