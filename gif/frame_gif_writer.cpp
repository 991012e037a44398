#include "gif/frame_gif_writer.h"

#include <algorithm>
#include <string>

#include "platform/pictures/gif_format.h"

namespace tovarin::gif {
namespace {

constexpr std::uint8_t kGlobalTable256 = 0x87;
constexpr int kTableEntries = 256;
constexpr std::uint8_t kMinimumCodeSize = 8;
constexpr std::size_t kLayoutBytes = 800 + 1;  // everything but the compressed data, with room

void PutWord(std::vector<std::uint8_t>& out, int value) {
  out.push_back(static_cast<std::uint8_t>(value & 0xFF));
  out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

}  // namespace

platform::Result<std::vector<std::uint8_t>> WriteFrameGIF(const IndexRows& rows,
                                                          const ColorTable& table,
                                                          int transparentIndex) {
  if (rows.width < 1 || rows.height < 1 || rows.width > 0xFFFF || rows.height > 0xFFFF) {
    return platform::Error{"frame of " + std::to_string(rows.width) + " x " +
                           std::to_string(rows.height) + " pixels cannot be exported"};
  }
  const std::int64_t pixels = std::int64_t{rows.width} * rows.height;
  if (pixels > kMaxExportPixels) return platform::Error{"frame too large to export"};

  std::vector<std::uint8_t> gif;
  gif.reserve(static_cast<std::size_t>(pixels) + kLayoutBytes);
  gif.insert(gif.end(), {'G', 'I', 'F', '8', '9', 'a'});  // writes GIF89a: it may carry a GCE
  PutWord(gif, rows.width);
  PutWord(gif, rows.height);
  gif.insert(gif.end(), {kGlobalTable256, 0, 0});
  const auto colors =
      static_cast<int>(std::min<std::uint32_t>(table[kColorCountSlot], kTableEntries));
  for (int i = 0; i < kTableEntries; ++i) {
    const std::uint32_t color = i < colors ? table[static_cast<std::size_t>(i)] : 0;
    gif.insert(gif.end(),
               {static_cast<std::uint8_t>(color >> 16), static_cast<std::uint8_t>(color >> 8),
                static_cast<std::uint8_t>(color)});
  }
  if (transparentIndex >= 0) {
    // size 4, packed = transparency only, delay 0, index, terminator
    gif.insert(gif.end(), {platform::kGifExtensionIntroducer, platform::kGifGraphicControlLabel,
                           0x04, platform::kGifTransparencyFlag, 0x00, 0x00,
                           static_cast<std::uint8_t>(transparentIndex), 0x00});
  }
  gif.push_back(platform::kGifImageSeparator);
  PutWord(gif, 0);
  PutWord(gif, 0);
  PutWord(gif, rows.width);
  PutWord(gif, rows.height);
  gif.push_back(0);
  gif.push_back(kMinimumCodeSize);
  LzwEncoder encoder;
  encoder.Encode(rows, gif);
  gif.push_back(0);  // terminator
  gif.push_back(platform::kGifTrailer);
  return gif;
}

}  // namespace tovarin::gif
