#include "gif/lzw_encoder.h"

#include <gif_lib.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <random>
#include <vector>

#include "gif/frame_gif_writer.h"
#include "platform/pictures/gif_image_decoder.h"
#include "tests/gif/classic_lzw_compressor.h"
#include "tests/support/giflib_memory.h"

namespace tovarin::gif {
namespace {

using testing::ClassicCompressor;

using Bytes = std::vector<std::uint8_t>;
using tovarin::giflib_memory::MemoryInput;
using tovarin::giflib_memory::ReadMemory;

IndexRows RowsOf(const Bytes& pixels, int width, int height) {
  return IndexRows{pixels.data(), width, width, height};
}

ColorTable TableOf(std::initializer_list<std::uint32_t> colors) {
  ColorTable table{};
  std::copy(colors.begin(), colors.end(), table.begin());
  table[kColorCountSlot] = static_cast<std::uint32_t>(colors.size());
  return table;
}

Bytes Export(const Bytes& pixels, int width, int height, const ColorTable& table,
             int transparent = -1) {
  auto gif = WriteFrameGIF(RowsOf(pixels, width, height), table, transparent);
  EXPECT_TRUE(gif.ok());
  return gif.ok() ? gif.value() : Bytes{};
}

// The data sub-blocks of an exported file without a transparency extension start at 792.
constexpr std::size_t kOpaqueDataStart = 13 + 768 + 10 + 1;

// Joins the sub-blocks starting at `pos`; checks each full block holds 254 bytes.
Bytes JoinBlocks(const Bytes& gif, std::size_t pos, std::size_t* terminator = nullptr) {
  Bytes payload;
  while (pos < gif.size() && gif[pos] != 0) {
    const std::size_t n = gif[pos];
    EXPECT_LE(n, 254u);
    payload.insert(payload.end(), gif.begin() + static_cast<std::ptrdiff_t>(pos + 1),
                   gif.begin() + static_cast<std::ptrdiff_t>(pos + 1 + n));
    pos += 1 + n;
  }
  if (terminator != nullptr) *terminator = pos;
  return payload;
}

// Reads codes back with the decoder's width rule (a string is defined per code after the
// first since a clear; the width covers the next code to be defined).
std::vector<std::pair<int, int>> ReadCodes(const Bytes& payload) {
  std::vector<std::pair<int, int>> codes;  // (code, width)
  std::size_t bit = 0;
  int since_clear = 0;
  for (;;) {
    const int next = std::min(4096, 258 + std::max(0, since_clear - 1));
    const int width =
        since_clear == 0
            ? 9
            : std::min(12, static_cast<int>(std::bit_width(static_cast<unsigned>(next))));
    if (bit + static_cast<std::size_t>(width) > payload.size() * 8) break;
    int code = 0;
    for (int i = 0; i < width; ++i, ++bit) code |= ((payload[bit / 8] >> (bit % 8)) & 1) << i;
    codes.emplace_back(code, width);
    if (code == 257) break;
    since_clear = code == 256 ? 0 : since_clear + 1;
  }
  return codes;
}

TEST(FrameGifLayout, OnePixelFrameBytes) {
  const Bytes gif = Export(Bytes{5}, 1, 1, TableOf({0xFF0000, 0x00FF00}));
  Bytes expected{'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x87, 0, 0, 0xFF, 0, 0, 0, 0xFF, 0};
  expected.resize(13 + 768, 0);
  expected.insert(expected.end(), {0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 8});
  // Clear 256, pixel 5, end 257, each 9 bits: 27 bits in one sub-block of 4 bytes.
  expected.insert(expected.end(), {4, 0x00, 0x0B, 0x04, 0x04, 0, 0x3B});
  EXPECT_EQ(gif, expected);
}

TEST(FrameGifLayout, RepeatedPixelsFixedBytes) {
  // 1 1 1 1: clear, 1 (defines 258 = "1 1"), 258, 1, end; all 9 bits.
  const Bytes gif = Export(Bytes{1, 1, 1, 1}, 4, 1, TableOf({0, 0xFFFFFF}));
  const Bytes tail(gif.begin() + static_cast<std::ptrdiff_t>(kOpaqueDataStart - 1), gif.end());
  EXPECT_EQ(tail, (Bytes{8, 6, 0x00, 0x03, 0x08, 0x0C, 0x10, 0x10, 0, 0x3B}));
}

TEST(FrameGifLayout, TransparentFrameCarriesControlExtension) {
  const Bytes gif = Export(Bytes{0, 1, 2, 3}, 2, 2, TableOf({1, 2, 3, 4}), 3);
  const Bytes control(gif.begin() + 781, gif.begin() + 789);
  EXPECT_EQ(control, (Bytes{0x21, 0xF9, 0x04, 0x01, 0x00, 0x00, 0x03, 0x00}));
  EXPECT_EQ(gif[789], 0x2C);
  const Bytes opaque = Export(Bytes{0, 1, 2, 3}, 2, 2, TableOf({1, 2, 3, 4}));
  EXPECT_EQ(opaque[781], 0x2C);
  EXPECT_EQ(opaque.size() + 8, gif.size());
}

TEST(FrameGifLayout, SixteenColourTableIsPaddedWithBlack) {
  ColorTable table{};
  for (int i = 0; i < 16; ++i)
    table[static_cast<std::size_t>(i)] = 0x102030u * static_cast<std::uint32_t>(i + 1) & 0xFFFFFF;
  table[16] = 0xABCDEF;  // beyond the count: not written
  table[kColorCountSlot] = 16;
  const Bytes gif = Export(Bytes(9, 15), 3, 3, table);
  EXPECT_EQ(gif[13 + 3 * 15], (0x102030u * 16 >> 16) & 0xFF);
  EXPECT_EQ(gif[13 + 3 * 15 + 2], (0x102030u * 16) & 0xFF);
  for (std::size_t i = 13 + 3 * 16; i < 13 + 768; ++i) ASSERT_EQ(gif[i], 0) << i;
}

TEST(FrameGifLayout, SubBlocksAre254BytesAndTheLastCountsItsBytes) {
  std::mt19937 random(3);
  Bytes pixels(200 * 50);
  for (auto& p : pixels) p = static_cast<std::uint8_t>(random());
  const Bytes gif = Export(pixels, 200, 50, TableOf({0}));
  std::size_t pos = kOpaqueDataStart;
  std::vector<int> sizes;
  while (gif[pos] != 0) {
    sizes.push_back(gif[pos]);
    pos += 1 + gif[pos];
  }
  ASSERT_GT(sizes.size(), 2u);
  for (std::size_t i = 0; i + 1 < sizes.size(); ++i) EXPECT_EQ(sizes[i], 254);
  EXPECT_GT(sizes.back(), 0);
  EXPECT_LE(sizes.back(), 254);
  EXPECT_EQ(pos + 2, gif.size());  // terminator, then ";"
  EXPECT_EQ(gif.back(), 0x3B);
}

TEST(LzwEncoderWidths, LongRunCrossesEveryLimitThenClears) {
  // One colour: the n-th code covers n pixels, so ~3840 codes need ~7.4 million pixels.
  const int width = 3000, height = 2600;
  const Bytes pixels(static_cast<std::size_t>(width) * height, 7);
  const Bytes gif = Export(pixels, width, height, TableOf({0}));
  const auto codes = ReadCodes(JoinBlocks(gif, kOpaqueDataStart));
  ASSERT_GT(codes.size(), 3900u);
  std::vector<int> width_changes;
  int clears = 0;
  for (std::size_t i = 0; i < codes.size(); ++i) {
    if (i == 0 || codes[i].second != codes[i - 1].second) width_changes.push_back(codes[i].second);
    if (codes[i].first == 256) ++clears;
  }
  EXPECT_EQ(clears, 2);  // the first code and the one at the full table
  ASSERT_GE(width_changes.size(), 5u);
  EXPECT_EQ(std::vector<int>(width_changes.begin(), width_changes.begin() + 5),
            (std::vector<int>{9, 10, 11, 12, 9}));
  EXPECT_EQ(codes.back().first, 257);
  // The decoder agrees.
  auto decoded = platform::DecodeGifFile(gif);
  ASSERT_TRUE(decoded.ok());
  EXPECT_TRUE(decoded->status.Complete());
  EXPECT_EQ(decoded->image.Row(height - 1)[width - 1], 7);
}

TEST(LzwEncoderWidths, EndCodeKeepsTheWidthOfTheLastPixelCode) {
  // Pixels 0..254 repeat no pair: 255 codes (0..254), each 9 bits, and the strings they define
  // reach code 511 at the 254th. The last pixel code defines nothing on the encoder's side, so
  // the end code is still written with 9 bits.
  Bytes pixels(255);
  for (int i = 0; i < 255; ++i) pixels[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
  const Bytes gif = Export(pixels, 255, 1, TableOf({0}));
  const Bytes payload = JoinBlocks(gif, kOpaqueDataStart);
  EXPECT_EQ(payload.size(), (9u * 257 + 7) / 8);  // clear, 255 pixel codes, end
  // Decoders that already read 10 bits there see 257 too: the bit above it is flush padding.
  auto decoded = platform::DecodeGifFile(gif);
  ASSERT_TRUE(decoded.ok());
  EXPECT_TRUE(decoded->status.Complete());
  EXPECT_EQ(Bytes(decoded->image.Row(0), decoded->image.Row(0) + 255), pixels);
}

TEST(LzwEncoderRows, TopRowFirstWithNegativeStep) {
  // Rows stored bottom-up, as in the frame strip: memory holds row 1 then row 0.
  const Bytes memory{3, 4, 9, 9, 1, 2, 9, 9};
  const IndexRows rows{memory.data() + 4, -4, 2, 2};
  auto gif = WriteFrameGIF(rows, TableOf({0, 1, 2, 3, 4}), -1);
  ASSERT_TRUE(gif.ok());
  auto decoded = platform::DecodeGifFile(gif.value());
  ASSERT_TRUE(decoded.ok());
  EXPECT_EQ(decoded->image.Row(0)[0], 1);
  EXPECT_EQ(decoded->image.Row(0)[1], 2);
  EXPECT_EQ(decoded->image.Row(1)[0], 3);
  EXPECT_EQ(decoded->image.Row(1)[1], 4);
}

TEST(LzwEncoderErrors, EmptyOrHugeFramesAreRefused) {
  const Bytes pixel{0};
  EXPECT_FALSE(WriteFrameGIF(IndexRows{pixel.data(), 1, 0, 1}, TableOf({0}), -1).ok());
  EXPECT_FALSE(WriteFrameGIF(IndexRows{pixel.data(), 1, 1, 0}, TableOf({0}), -1).ok());
  EXPECT_FALSE(WriteFrameGIF(IndexRows{pixel.data(), 1, 70000, 1}, TableOf({0}), -1).ok());
}

Bytes Encoded(const Bytes& pixels, int width, int height) {
  Bytes out;
  LzwEncoder encoder;
  encoder.Encode(RowsOf(pixels, width, height), out);
  return out;
}

// Pixels in runs: each value is repeated 1..max_run times; `zero_percent` of the values are 0.
Bytes RunsOf(std::size_t count, unsigned colors, unsigned max_run, unsigned zero_percent,
             std::uint32_t seed) {
  std::mt19937 random(seed);
  Bytes pixels;
  while (pixels.size() < count) {
    const auto value = random() % 100 < zero_percent ? std::uint8_t{0}
                                                     : static_cast<std::uint8_t>(random() % colors);
    const std::size_t run = 1 + random() % max_run;
    for (std::size_t i = 0; i < run && pixels.size() < count; ++i) pixels.push_back(value);
  }
  return pixels;
}

TEST(LzwEncoderExactness, SameBytesAsTheClassicCompressor) {
  struct Case {
    const char* name;
    int width, height;
    Bytes pixels;
  };
  const std::vector<Case> cases = {
      {"noise 256 colours", 640, 120, RunsOf(640 * 120, 256, 1, 0, 1)},
      {"noise with runs", 300, 200, RunsOf(300 * 200, 256, 40, 0, 2)},
      {"few colours, long runs across rows", 37, 900, RunsOf(37 * 900, 4, 300, 0, 3)},
      {"one pixel wide", 1, 5000, RunsOf(5000, 3, 20, 0, 4)},
      {"mostly zeros", 500, 300, RunsOf(500 * 300, 256, 6, 60, 5)},
      {"zeros and noise", 800, 200, RunsOf(800 * 200, 256, 2, 35, 6)},
      {"rare zeros in noise", 1000, 1000, RunsOf(1000 * 1000, 256, 1, 1, 8)},
      {"some zeros in noise", 1000, 1000, RunsOf(1000 * 1000, 256, 1, 4, 9)},
      // One colour for longer than the run chains reach.
      {"one colour", 2000, 1500, Bytes(2000 * 1500, 9)},
      {"colour 0 only", 1000, 1000, Bytes(1000 * 1000, 0)},
  };
  int evictions = 0;
  for (const Case& c : cases) {
    ClassicCompressor classic;
    const Bytes expected = classic.Compress(c.pixels);
    evictions += classic.evictions;
    EXPECT_EQ(Encoded(c.pixels, c.width, c.height), expected) << c.name;
  }
  // The cases reach the classic compressor's quirk: a probe stopping at key 0 and taking its slot.
  EXPECT_GT(evictions, 0);
}

TEST(LzwEncoderExactness, SmallFramesOfEveryKind) {
  // Small frames get a small string table; one encoder takes frames of every size in turn.
  std::mt19937 random(11);
  LzwEncoder encoder;
  for (int round = 0; round < 300; ++round) {
    const int width = 1 + static_cast<int>(random() % 48);
    const int height = 1 + static_cast<int>(random() % 48);
    const Bytes pixels =
        RunsOf(static_cast<std::size_t>(width) * height, 1 + random() % 256, 1 + random() % 20,
               random() % 40, static_cast<std::uint32_t>(round));
    ClassicCompressor classic;
    Bytes out;
    encoder.Encode(RowsOf(pixels, width, height), out);
    ASSERT_EQ(out, classic.Compress(pixels)) << width << "x" << height << " round " << round;
  }
}

TEST(LzwEncoderExactness, EncoderCanBeReusedAndRowsMayHaveGaps) {
  // Rows of 50 pixels stored 64 bytes apart, bottom-up; the gap bytes must not be read as pixels.
  const Bytes pixels = RunsOf(50 * 80, 5, 30, 20, 7);
  Bytes memory(64 * 80, 0xEE);
  for (int y = 0; y < 80; ++y) {
    std::copy_n(pixels.begin() + y * 50, 50, memory.begin() + (79 - y) * 64);
  }
  ClassicCompressor classic;
  const Bytes expected = classic.Compress(pixels);
  LzwEncoder encoder;
  for (int round = 0; round < 2; ++round) {
    Bytes out;
    encoder.Encode(IndexRows{memory.data() + 79 * 64, -64, 50, 80}, out);
    EXPECT_EQ(out, expected) << "round " << round;
  }
}

TEST(LzwEncoderRoundTrip, ThroughOurDecoderAndGiflib) {
  std::mt19937 random(99);
  for (int round = 0; round < 40; ++round) {
    const int width = 1 + static_cast<int>(random() % (round < 20 ? 30 : 600));
    const int height = 1 + static_cast<int>(random() % (round < 20 ? 30 : 200));
    const unsigned colors = 1u + random() % 256;
    Bytes pixels;
    while (pixels.size() < static_cast<std::size_t>(width) * height) {
      const auto value = static_cast<std::uint8_t>(random() % colors);
      const std::size_t run = random() % 3 == 0 ? 1 + random() % 50 : 1;
      for (std::size_t i = 0; i < run && pixels.size() < static_cast<std::size_t>(width) * height;
           ++i)
        pixels.push_back(value);
    }
    const int transparent = round % 4 == 0 ? static_cast<int>(random() % 256) : -1;
    const Bytes gif = Export(pixels, width, height, TableOf({0x112233, 0x445566}), transparent);

    auto ours = platform::DecodeGifFile(gif);
    ASSERT_TRUE(ours.ok());
    EXPECT_TRUE(ours->status.Complete());
    EXPECT_EQ(ours->transparent_index, transparent);
    Bytes decoded;
    for (int y = 0; y < height; ++y)
      decoded.insert(decoded.end(), ours->image.Row(y), ours->image.Row(y) + width);
    EXPECT_EQ(decoded, pixels) << width << "x" << height;

    MemoryInput input{&gif};
    int error = 0;
    GifFileType* reference = DGifOpen(&input, ReadMemory, &error);
    ASSERT_NE(reference, nullptr);
    ASSERT_EQ(DGifSlurp(reference), GIF_OK) << width << "x" << height;
    ASSERT_EQ(reference->ImageCount, 1);
    const Bytes theirs(
        reference->SavedImages[0].RasterBits,
        reference->SavedImages[0].RasterBits + static_cast<std::size_t>(width) * height);
    EXPECT_EQ(theirs, pixels) << width << "x" << height;
    EXPECT_EQ(reference->SColorMap->ColorCount, 256);
    EXPECT_EQ(reference->SColorMap->Colors[1].Red, 0x44);
    DGifCloseFile(reference, &error);
  }
}

}  // namespace
}  // namespace tovarin::gif
