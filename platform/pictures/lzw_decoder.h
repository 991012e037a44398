#pragma once
// The LZW decoder of GIF image data: DecodeGifImage decodes the image data of one image straight
// into an 8-bit bitmap (the engine's frame strip, or the bitmap DecodeGifFile makes for the
// picture loader).
//
// Image data as it sits in a GIF file, after the image descriptor and local colour table:
//
//   +------------------+-----+---------------------+-----+-------------------+-----+
//   | LZW minimum code | n1  | n1 bytes of codes   | n2  | n2 bytes of codes | 0   |
//   | size (1 byte)    |     |                     |     |                   |     |
//   +------------------+-----+---------------------+-----+-------------------+-----+
//
// Codes are packed least significant bit first across the concatenated sub-block payloads.
//
// Tolerances (each one tested):
//  - The zero terminator may be missing and the chain may be cut anywhere, even inside a
//    sub-block: every code whose bits are all present is decoded, then decoding stops with
//    GifImageEnd::kDataExhausted.
//  - An end-of-information code before the image is full stops with kEndCode.
//  - A code above the next free code (or a table code right after a clear code) stops with
//    kCorruptCode; the pixels before it are kept.
//  - Codes after the image is full are ignored (kComplete).
//  - A minimum code size of 1 is accepted (clear code 2, end code 3, first codes 2 bits wide,
//    as giflib and the common browsers read it). Sizes 0 and 9..255 stop at once with
//    kBadMinimumCodeSize: with 0 the end code does not fit the first code width, and above 8
//    the literals are not palette indices of an 8-bit image.
//  - A full table (4096 codes) without a clear code keeps decoding with 12-bit codes and adds
//    no more entries (the "deferred clear" of the format).
// Pixels that are not produced keep the target's previous values.

#include <cstdint>
#include <span>

#include "platform/raster/bitmap.h"
#include "platform/result.h"

namespace tovarin::platform {

// The largest image (width x height pixels) the decoder works on; it keeps the decoded pixels
// of one image in memory, like the bitmaps of kMaxBitmapBytes.
inline constexpr std::int64_t kMaxGifImagePixels = kMaxBitmapBytes;

enum class GifImageEnd {
  kComplete,            // every pixel of the image was produced
  kEndCode,             // the end-of-information code came before the image was full
  kDataExhausted,       // the data ran out (cut chain or too few codes)
  kCorruptCode,         // a code that cannot occur at that place
  kBadMinimumCodeSize,  // the LZW minimum code size is not 1..8
};

struct GifImageDecodeStatus {
  GifImageEnd end = GifImageEnd::kComplete;
  // Pixels produced, counted in the order of the data (row by row of the data, which for an
  // interlaced image is the pass order). Equals width x height when end is kComplete.
  std::int64_t pixels = 0;
  bool Complete() const { return end == GifImageEnd::kComplete; }
};

// Decodes the image data `data` (from the minimum code size byte on) of a width x height
// image into the 8-bit bitmap `target`, with the image's top-left pixel at (x, y), rows
// counted from the top. Interlaced images take their rows in the four-pass order (every 8th
// row from 0, every 8th from 4, every 4th from 2, every 2nd from 1). Pixels outside the target
// are decoded but not stored. Fails (nothing written) when the target is not 8 bits per pixel,
// a size is negative, or width x height exceeds kMaxGifImagePixels; everything about the data
// itself is reported through the status instead.
Result<GifImageDecodeStatus> DecodeGifImage(std::span<const std::uint8_t> data, int width,
                                            int height, bool interlaced, Bitmap& target, int x,
                                            int y);

}  // namespace tovarin::platform
