#pragma once
// The GIF image decoder of the picture loader: DecodeGifFile decodes the first image of a whole
// GIF file into a bitmap of its own (what the picture loader does for GIF data). The image data
// goes through the LZW decoder (lzw_decoder.h), which the engine also uses directly.

#include <cstdint>
#include <span>
#include <vector>

#include "platform/pictures/lzw_decoder.h"
#include "platform/raster/bitmap.h"
#include "platform/raster/color.h"
#include "platform/result.h"

namespace tovarin::platform {

struct DecodedGifImage {
  Bitmap image;                       // 8-bit, the image's own size; colour table loaded
  std::vector<PaletteEntry> palette;  // the image's colour table (local, else global)
  int transparent_index = -1;         // from a Graphic Control Extension before the image
  int screen_width = 0;               // logical screen size from the header
  int screen_height = 0;
  GifImageDecodeStatus status;  // how far the pixel data went
};

// Decodes the first image of a GIF87a/GIF89a file. Fails on a wrong signature, a file without
// an image, an image without any colour table, or a cut before the image data starts. A cut
// or corrupt image data stream is not a failure: the pixels decoded so far are returned
// (the rest index 0) and `status` tells how far decoding went.
Result<DecodedGifImage> DecodeGifFile(std::span<const std::uint8_t> file);

}  // namespace tovarin::platform
