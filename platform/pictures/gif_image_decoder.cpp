#include "platform/pictures/gif_image_decoder.h"

#include <optional>

#include "platform/pictures/gif_block_reader.h"

namespace tovarin::platform {
namespace {

// Reads a colour table of `count` RGB triples as 0x00RRGGBB entries.
bool ReadPalette(GifBlockReader& reader, std::size_t count, std::vector<PaletteEntry>& palette) {
  const auto rgb = reader.Bytes(count * 3);
  if (!rgb) return false;
  palette.resize(count);
  ReadGifColors(*rgb, palette);
  return true;
}

// The transparent index of a Graphic Control Extension whose label the reader has just read:
// size(1)=4 packed(1) delay(2) transparent index(1), then the sub-block chain goes on. -1 when
// the extension sets no transparency; nullopt when it is too short to say (an earlier
// extension's index then stands).
std::optional<int> TransparentIndex(const GifBlockReader& reader) {
  const auto block = reader.Rest();
  if (block.size() < 5 || block[0] < 4) return std::nullopt;
  return (block[1] & kGifTransparencyFlag) != 0 ? block[4] : -1;
}

}  // namespace

// File layout read here (drawn whole in gif_format.h):
//   "GIF87a"/"GIF89a" | width(2) height(2) packed(1) background(1) aspect(1) | [global table]
//   { 0x21 label sub-blocks... | 0x00 } ...
//   0x2C left(2) top(2) width(2) height(2) packed(1) | [local table] | image data
Result<DecodedGifImage> DecodeGifFile(std::span<const std::uint8_t> file) {
  if (!IsGifSignature(file)) return Error{"not a GIF file"};
  GifBlockReader reader(file);
  const auto screen = reader.ScreenDescriptor();
  if (!screen) return Error{"GIF header is cut short"};
  DecodedGifImage decoded;
  decoded.screen_width = screen->width;
  decoded.screen_height = screen->height;
  std::vector<PaletteEntry> global_palette;
  if (screen->HasColorTable() &&
      !ReadPalette(reader, std::size_t{1} << GifColorTableBits(screen->packed), global_palette)) {
    return Error{"GIF global colour table is cut short"};
  }
  for (;;) {
    const GifBlockStart block = reader.NextBlock();
    if (block.kind == GifBlockKind::kEnd) return Error{"GIF file has no image"};
    if (block.kind == GifBlockKind::kExtension) {
      if (block.label == kGifGraphicControlLabel) {
        if (const auto index = TransparentIndex(reader)) decoded.transparent_index = *index;
      }
      reader.SkipSubBlocks();
      continue;
    }
    std::uint16_t fields[4] = {};  // left, top, width, height
    for (std::uint16_t& field : fields) {
      const auto value = reader.Word();
      if (!value) return Error{"GIF image descriptor is cut short"};
      field = *value;
    }
    const auto image_packed = reader.Byte();
    if (!image_packed) return Error{"GIF image descriptor is cut short"};
    const int width = fields[2];
    const int height = fields[3];
    if ((*image_packed & kGifColorTableFlag) != 0) {
      if (!ReadPalette(reader, std::size_t{1} << GifColorTableBits(*image_packed),
                       decoded.palette)) {
        return Error{"GIF local colour table is cut short"};
      }
    } else if (screen->HasColorTable()) {
      decoded.palette = std::move(global_palette);
    } else {
      return Error{"GIF image has no colour table"};
    }
    if (reader.Remaining() == 0) return Error{"GIF image data is missing"};
    auto bitmap = Bitmap::Create(width, height, 8);
    if (!bitmap) return Error{bitmap.error()};
    decoded.image = std::move(bitmap).value();
    decoded.image.SetColorTable(0, decoded.palette);
    auto status = DecodeGifImage(reader.Rest(), width, height,
                                 (*image_packed & kGifInterlaceFlag) != 0, decoded.image, 0, 0);
    if (!status) return Error{status.error()};
    decoded.status = status.value();
    return decoded;
  }
}

}  // namespace tovarin::platform
