// Every GIF under tests/data/gif (the fuzzers' seeds and any input a fuzzer found) goes through
// the parser and the image decoder the way the engine uses them, and is compared with giflib
// wherever giflib reads the file.
#include <gif_lib.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "gif/gif_parser.h"
#include "platform/pictures/gif_image_decoder.h"
#include "tests/support/giflib_memory.h"

namespace tovarin::gif {
namespace {

using Bytes = std::vector<std::uint8_t>;
using tovarin::giflib_memory::MemoryInput;
using tovarin::giflib_memory::ReadMemory;

std::filesystem::path DataDir() {
  return std::filesystem::path(TOVARIN_SOURCE_DIR) / "tests" / "data" / "gif";
}

Bytes ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct DecodedFrame {
  Bytes pixels;  // width x height, top row first
  platform::GifImageDecodeStatus status;
};

// Decodes frame `index` from its span, as the engine does with the frame strip.
DecodedFrame DecodeFrame(const Bytes& file, const GifParser& parser, std::size_t index) {
  const FrameRecord& frame = parser.frames[index];
  const FrameSpan& span = parser.frameSpans[index];
  const std::size_t packed = static_cast<std::size_t>(span.descriptorPos) + 9;
  std::size_t data = static_cast<std::size_t>(span.descriptorPos) + 10;
  if ((file[packed] & 0x80) != 0) data += 3u << ((file[packed] & 7) + 1);
  const std::size_t end =
      static_cast<std::size_t>(span.descriptorPos) + static_cast<std::size_t>(span.length);
  EXPECT_LE(end, file.size());
  EXPECT_LE(data, end);
  auto strip = platform::Bitmap::Create(frame.width, frame.height, 8);
  EXPECT_TRUE(strip.ok());
  DecodedFrame decoded;
  auto status = platform::DecodeGifImage(std::span(file).subspan(data, end - data), frame.width,
                                         frame.height, (file[packed] & 0x40) != 0, *strip, 0, 0);
  EXPECT_TRUE(status.ok());
  decoded.status = status.value();
  for (int y = 0; y < frame.height; ++y)
    decoded.pixels.insert(decoded.pixels.end(), strip->Row(y), strip->Row(y) + frame.width);
  return decoded;
}

std::vector<std::filesystem::path> DataFiles() {
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(DataDir())) {
    if (entry.is_regular_file()) files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

TEST(GifDataFiles, EveryFileParsesAndDecodesWithinItsSpans) {
  const auto files = DataFiles();
  ASSERT_GE(files.size(), 6u);
  for (const auto& path : files) {
    SCOPED_TRACE(path.filename().string());
    const Bytes file = ReadFile(path);
    GifParser parser;
    const int count = parser.ParseGIFStream(file);
    ASSERT_EQ(parser.frames.size(), static_cast<std::size_t>(count));
    for (std::size_t i = 0; i < parser.frames.size(); ++i) {
      const FrameRecord& frame = parser.frames[i];
      ASSERT_LT(static_cast<std::size_t>(frame.tableIndex), parser.colorTables.size());
      EXPECT_LE(frame.left + frame.width, parser.screen.screenWidth);
      EXPECT_LE(frame.top + frame.height, parser.screen.screenHeight);
      if (static_cast<std::int64_t>(frame.width) * frame.height <= platform::kMaxGifImagePixels) {
        (void)DecodeFrame(file, parser, i);
      }
    }
  }
}

TEST(GifDataFiles, CompleteFilesMatchGiflibFrameByFrame) {
  int compared = 0;
  for (const auto& path : DataFiles()) {
    SCOPED_TRACE(path.filename().string());
    const Bytes file = ReadFile(path);
    MemoryInput input{&file};
    int error = 0;
    GifFileType* reference = DGifOpen(&input, ReadMemory, &error);
    if (reference == nullptr) continue;
    if (DGifSlurp(reference) == GIF_OK) {
      GifParser parser;
      ASSERT_EQ(parser.ParseGIFStream(file), reference->ImageCount);
      for (int i = 0; i < reference->ImageCount; ++i) {
        const SavedImage& image = reference->SavedImages[i];
        const DecodedFrame ours = DecodeFrame(file, parser, static_cast<std::size_t>(i));
        EXPECT_TRUE(ours.status.Complete());
        const Bytes theirs(image.RasterBits,
                           image.RasterBits + static_cast<std::size_t>(image.ImageDesc.Width) *
                                                  image.ImageDesc.Height);
        EXPECT_EQ(ours.pixels, theirs) << "frame " << i;
        ++compared;
      }
    }
    DGifCloseFile(reference, &error);
  }
  EXPECT_GE(compared, 7);
}

TEST(GifDataFiles, KnownContents) {
  GifParser parser;
  const Bytes animated = ReadFile(DataDir() / "animated_3_frames.gif");
  ASSERT_EQ(parser.ParseGIFStream(animated), 3);
  EXPECT_EQ(parser.screen.screenWidth, 12);
  EXPECT_EQ(parser.screen.screenHeight, 11);  // frame 2: top 1 + height 10
  EXPECT_EQ(parser.frames[1].disposal, 2);
  EXPECT_EQ(parser.frames[1].hasTransparency, 1);
  EXPECT_EQ(parser.frames[1].transparentIndex, 3);
  EXPECT_EQ(parser.frames[2].disposal, 3);
  EXPECT_EQ(parser.frames[2].tableIndex, 1);
  EXPECT_EQ(DecodeFrame(animated, parser, 1).pixels, [] {
    Bytes p(60, 5);
    std::fill_n(p.begin(), 30, 3);
    return p;
  }());

  // giflib refuses the stray zero byte between blocks; the parser skips it.
  EXPECT_EQ(parser.ParseGIFStream(ReadFile(DataDir() / "stray_zero_byte.gif")), 3);

  const Bytes still = ReadFile(DataDir() / "still_4x4.gif");
  ASSERT_EQ(parser.ParseGIFStream(still), 1);
  const DecodedFrame frame = DecodeFrame(still, parser, 0);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x)
      EXPECT_EQ(frame.pixels[static_cast<std::size_t>(y * 4 + x)], (x + y) % 4);
  }

  const Bytes cut = ReadFile(DataDir() / "noise_80x60_cut.gif");
  ASSERT_EQ(parser.ParseGIFStream(cut), 1);
  const DecodedFrame partial = DecodeFrame(cut, parser, 0);
  EXPECT_EQ(partial.status.end, platform::GifImageEnd::kDataExhausted);
  EXPECT_GT(partial.status.pixels, 1000);
  EXPECT_LT(partial.status.pixels, 80 * 60);
  const Bytes whole = ReadFile(DataDir() / "noise_80x60.gif");
  ASSERT_EQ(parser.ParseGIFStream(whole), 1);
  const DecodedFrame full = DecodeFrame(whole, parser, 0);
  EXPECT_TRUE(std::equal(partial.pixels.begin(), partial.pixels.begin() + partial.status.pixels,
                         full.pixels.begin()));
}

}  // namespace
}  // namespace tovarin::gif
