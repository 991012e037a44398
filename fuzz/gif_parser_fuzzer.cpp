// Feeds arbitrary bytes to the GIF stream parser, checks what it promises about the frames it
// keeps, and decodes every kept frame from its span the way the engine builds its frame strip.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "gif/gif_parser.h"
#include "platform/pictures/gif_format.h"
#include "platform/pictures/lzw_decoder.h"

using tovarin::gif::GifParser;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> file(data, size);
  GifParser parser;
  const int count = parser.ParseGIFStream(file);
  if (count < 0 || parser.frames.size() != static_cast<std::size_t>(count)) std::abort();
  if (parser.frameSpans.size() < parser.frames.size()) std::abort();
  // Decoding work per input stays small: only modest frames are decoded.
  constexpr std::int64_t kDecodeBudget = 1 << 20;
  std::int64_t decoded = 0;
  for (int i = 0; i < count; ++i) {
    const auto& frame = parser.frames[static_cast<std::size_t>(i)];
    const auto& span = parser.frameSpans[static_cast<std::size_t>(i)];
    if (span.length < 3 || span.descriptorPos < 0) std::abort();
    const auto end =
        static_cast<std::size_t>(span.descriptorPos) + static_cast<std::size_t>(span.length);
    if (end > size) std::abort();
    // A kept frame has its whole descriptor and its minimum code size byte.
    const std::size_t packed = static_cast<std::size_t>(span.descriptorPos) +
                               tovarin::platform::kGifImageDescriptorBytes - 1;
    if (packed + 2 > end) std::abort();
    if (static_cast<std::size_t>(frame.tableIndex) >= parser.colorTables.size()) std::abort();
    if (frame.left + frame.width > parser.screen.screenWidth) std::abort();
    if (frame.top + frame.height > parser.screen.screenHeight) std::abort();
    if (frame.disposal > 3 || frame.hasTransparency > 1 || frame.delay < 0) std::abort();

    const std::int64_t pixels = std::int64_t{frame.width} * frame.height;
    if (pixels == 0 || decoded + pixels > kDecodeBudget) continue;
    decoded += pixels;
    std::size_t start = packed + 1;
    if ((data[packed] & tovarin::platform::kGifColorTableFlag) != 0)
      start += tovarin::platform::GifColorTableBytes(data[packed]);
    start = std::min(start, end);
    auto strip = tovarin::platform::Bitmap::Create(frame.width, frame.height, 8);
    if (!strip) std::abort();
    auto status = tovarin::platform::DecodeGifImage(
        file.subspan(start, end - start), frame.width, frame.height,
        (data[packed] & tovarin::platform::kGifInterlaceFlag) != 0, *strip, 0, 0);
    if (!status || status->pixels > pixels) std::abort();
  }
  return 0;
}
