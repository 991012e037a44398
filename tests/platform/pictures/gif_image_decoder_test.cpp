#include "platform/pictures/gif_image_decoder.h"

#include <gif_lib.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <vector>

#include "tests/support/giflib_memory.h"

namespace tovarin::platform {
namespace {

using Bytes = std::vector<std::uint8_t>;
using tovarin::giflib_memory::MemoryInput;
using tovarin::giflib_memory::ReadMemory;
using tovarin::giflib_memory::WriteMemory;

// Packs codes least significant bit first, each with the width the caller gives.
class CodeWriter {
 public:
  void Put(std::uint32_t code, int width) {
    for (int i = 0; i < width; ++i) {
      if (bit_count_ % 8 == 0) bytes_.push_back(0);
      if ((code >> i) & 1u) bytes_.back() |= static_cast<std::uint8_t>(1u << (bit_count_ % 8));
      ++bit_count_;
    }
  }
  const Bytes& bytes() const { return bytes_; }

 private:
  Bytes bytes_;
  std::size_t bit_count_ = 0;
};

// Image data as in a file: minimum code size, sub-blocks of `block` bytes, terminator.
Bytes ImageData(int minimum_code_size, const Bytes& payload, std::size_t block = 255,
                bool terminator = true) {
  Bytes data{static_cast<std::uint8_t>(minimum_code_size)};
  for (std::size_t i = 0; i < payload.size(); i += block) {
    const std::size_t n = std::min(block, payload.size() - i);
    data.push_back(static_cast<std::uint8_t>(n));
    data.insert(data.end(), payload.begin() + static_cast<std::ptrdiff_t>(i),
                payload.begin() + static_cast<std::ptrdiff_t>(i + n));
  }
  if (terminator) data.push_back(0);
  return data;
}

// A textbook LZW encoder written for these tests: clear code first; the width of a code is the
// width of the largest code the decoder may see at that point (the code it defines next),
// capped at 12. With `clear_when_full` a clear code follows the assignment of code 4095;
// without, the table stays full (deferred clear) and no more strings are added.
Bytes ReferenceLzw(const Bytes& pixels, int minimum_code_size, bool clear_when_full = true) {
  const int clear = 1 << minimum_code_size;
  CodeWriter writer;
  std::map<std::pair<int, int>, int> table;
  int next = clear + 2;
  int emitted_since_clear = 0;
  auto width_now = [&]() {
    if (emitted_since_clear == 0) return minimum_code_size + 1;
    // The decoder has defined one string per code after the first since the clear.
    const int decoder_next = std::min(4096, clear + 2 + emitted_since_clear - 1);
    return std::min(12, static_cast<int>(std::bit_width(static_cast<unsigned>(decoder_next))));
  };
  auto emit = [&](int code) {
    writer.Put(static_cast<std::uint32_t>(code), width_now());
    ++emitted_since_clear;
  };
  writer.Put(static_cast<std::uint32_t>(clear), minimum_code_size + 1);
  int prefix = -1;
  for (std::uint8_t p : pixels) {
    if (prefix < 0) {
      prefix = p;
      continue;
    }
    auto found = table.find({prefix, p});
    if (found != table.end()) {
      prefix = found->second;
      continue;
    }
    emit(prefix);
    if (next < 4096) table[{prefix, p}] = next++;
    if (next == 4096 && clear_when_full) {
      writer.Put(static_cast<std::uint32_t>(clear), 12);
      table.clear();
      next = clear + 2;
      emitted_since_clear = 0;
    }
    prefix = p;
  }
  if (prefix >= 0) emit(prefix);
  emit(clear + 1);
  return writer.bytes();
}

Bitmap Filled(int width, int height, std::uint8_t value) {
  auto bitmap = Bitmap::Create(width, height, 8);
  EXPECT_TRUE(bitmap.ok());
  for (int y = 0; y < height; ++y)
    std::memset(bitmap->Row(y), value, static_cast<std::size_t>(width));
  return std::move(bitmap).value();
}

Bytes Pixels(const Bitmap& bitmap) {
  Bytes pixels;
  for (int y = 0; y < bitmap.Height(); ++y)
    pixels.insert(pixels.end(), bitmap.Row(y), bitmap.Row(y) + bitmap.Width());
  return pixels;
}

GifImageDecodeStatus Decode(const Bytes& data, int width, int height, Bitmap& target,
                            bool interlaced = false, int x = 0, int y = 0) {
  auto status = DecodeGifImage(data, width, height, interlaced, target, x, y);
  EXPECT_TRUE(status.ok()) << (status.ok() ? "" : status.error());
  return status.ok() ? status.value() : GifImageDecodeStatus{};
}

Bytes NoiseWithRuns(std::size_t count, int colors, std::uint32_t seed) {
  std::mt19937 random(seed);
  Bytes pixels;
  while (pixels.size() < count) {
    const auto value = static_cast<std::uint8_t>(random() % static_cast<unsigned>(colors));
    const std::size_t run = random() % 4 == 0 ? 1 + random() % 40 : 1;
    for (std::size_t i = 0; i < run && pixels.size() < count; ++i) pixels.push_back(value);
  }
  return pixels;
}

TEST(GifImageDecoderStrings, RepeatedPixelUsesCodesDefinedByTheSameStep) {
  // 10 pixels of index 1, minimum code size 2: clear(4), 1, 6 ("11"), 7 ("111"), 8 ("1111"),
  // end(5). Codes 6 and 7 are read at 3 bits; once code 7 is defined the next free code is 8 and
  // needs 4.
  CodeWriter codes;
  codes.Put(4, 3);
  codes.Put(1, 3);
  codes.Put(6, 3);
  codes.Put(7, 3);
  codes.Put(8, 4);
  codes.Put(5, 4);
  Bitmap target = Filled(10, 1, 0xEE);
  const auto status = Decode(ImageData(2, codes.bytes()), 10, 1, target);
  EXPECT_TRUE(status.Complete());
  EXPECT_EQ(status.pixels, 10);
  EXPECT_EQ(Pixels(target), Bytes(10, 1));
}

TEST(GifImageDecoderStrings, TableStringsExpandToTheirPixels) {
  // Pixels 0 1 0 1 0 1 2 code as: clear, 0, 1, 6 ("01"), 6 ("01"), 2, end.
  CodeWriter codes;
  codes.Put(4, 3);  // clear
  codes.Put(0, 3);  // "0"
  codes.Put(1, 3);  // "1"    defines 6 = "01"
  codes.Put(6, 3);  // "01"   defines 7 = "10"
  codes.Put(6, 4);  // "01"   defines 8 = "010"; next free 9 already needed 4 bits
  codes.Put(2, 4);  // "2"    defines 9 = "012"
  codes.Put(5, 4);  // end
  Bitmap target = Filled(7, 1, 0xEE);
  const auto status = Decode(ImageData(2, codes.bytes()), 7, 1, target);
  EXPECT_TRUE(status.Complete());
  EXPECT_EQ(Pixels(target), (Bytes{0, 1, 0, 1, 0, 1, 2}));
}

TEST(GifImageDecoderStrings, LongStringsAcrossRowsAndManySizes) {
  for (int width : {1, 3, 7, 8, 9, 31, 64, 257}) {
    const int height = 1 + 1000 / width;
    const Bytes pixels = NoiseWithRuns(static_cast<std::size_t>(width) * height, 5,
                                       static_cast<std::uint32_t>(width));
    Bitmap target = Filled(width, height, 0xEE);
    const auto status = Decode(ImageData(3, ReferenceLzw(pixels, 3)), width, height, target);
    EXPECT_TRUE(status.Complete()) << width;
    EXPECT_EQ(Pixels(target), pixels) << width;
  }
}

TEST(GifImageDecoderWidths, LiteralStreamGrowsFrom9To12AndClearResets) {
  // 9000 random bytes hardly compress: the table fills, codes widen 9 -> 10 -> 11 -> 12, a
  // clear after code 4095 resets them to 9 bits, and the table fills again.
  Bytes pixels(9000);
  std::mt19937 random(7);
  for (auto& p : pixels) p = static_cast<std::uint8_t>(random());
  Bitmap target = Filled(100, 90, 0xEE);
  const auto status = Decode(ImageData(8, ReferenceLzw(pixels, 8)), 100, 90, target);
  EXPECT_TRUE(status.Complete());
  EXPECT_EQ(Pixels(target), pixels);
}

TEST(GifImageDecoderWidths, FullTableWithoutClearKeepsTwelveBitCodes) {
  Bytes pixels(12000);
  std::mt19937 random(11);
  for (auto& p : pixels) p = static_cast<std::uint8_t>(random() % 7);
  Bitmap target = Filled(120, 100, 0xEE);
  const auto status =
      Decode(ImageData(8, ReferenceLzw(pixels, 8, /*clear_when_full=*/false)), 120, 100, target);
  EXPECT_TRUE(status.Complete());
  EXPECT_EQ(Pixels(target), pixels);
}

TEST(GifImageDecoderWidths, DeferredClearAfterFullTable) {
  // Literals at the rule's widths until the table is full, a few more 12-bit literals, then a
  // clear code at 12 bits and literals at 9 bits again.
  const int clear = 256;
  CodeWriter codes;
  codes.Put(clear, 9);
  Bytes expected;
  int next = clear + 2;
  for (int i = 0; i < 3900; ++i) {
    const int width =
        i == 0 ? 9 : std::min(12, static_cast<int>(std::bit_width(static_cast<unsigned>(next))));
    codes.Put(static_cast<std::uint32_t>(i % 256), width);
    expected.push_back(static_cast<std::uint8_t>(i % 256));
    if (i > 0 && next < 4096) ++next;
  }
  codes.Put(clear, 12);
  codes.Put(42, 9);
  codes.Put(43, 9);
  codes.Put(258, 9);  // "42 43" defined after the clear
  codes.Put(clear + 1, 9);
  expected.insert(expected.end(), {42, 43, 42, 43});
  Bitmap target = Filled(static_cast<int>(expected.size()), 1, 0xEE);
  const auto status = Decode(ImageData(8, codes.bytes()), target.Width(), 1, target);
  EXPECT_TRUE(status.Complete());
  EXPECT_EQ(Pixels(target), expected);
}

TEST(GifImageDecoderWidths, MinimumCodeSizeOneStartsWithTwoBitsThenThree) {
  // Clear 2, end 3; first code 2 bits, then the next free code (4) needs 3 bits at once.
  CodeWriter codes;
  codes.Put(2, 2);
  codes.Put(1, 2);
  codes.Put(4, 3);  // "1 1"
  codes.Put(0, 3);
  codes.Put(3, 3);
  Bitmap target = Filled(4, 1, 0xEE);
  const auto status = Decode(ImageData(1, codes.bytes()), 4, 1, target);
  EXPECT_TRUE(status.Complete());
  EXPECT_EQ(Pixels(target), (Bytes{1, 1, 1, 0}));
}

TEST(GifImageDecoderWidths, MinimumCodeSizesOutsideOneToEightStopAtOnce) {
  for (int size : {0, 9, 11, 12, 255}) {
    Bitmap target = Filled(4, 1, 0xEE);
    const auto status = Decode(ImageData(size, Bytes{0xFF, 0xFF, 0xFF}), 4, 1, target);
    EXPECT_EQ(status.end, GifImageEnd::kBadMinimumCodeSize) << size;
    EXPECT_EQ(status.pixels, 0);
    EXPECT_EQ(Pixels(target), Bytes(4, 0xEE));
  }
  for (int size = 1; size <= 8; ++size) {
    const Bytes pixels = NoiseWithRuns(300, 1 << size, static_cast<std::uint32_t>(size));
    Bitmap target = Filled(20, 15, 0xEE);
    const auto status = Decode(ImageData(size, ReferenceLzw(pixels, size)), 20, 15, target);
    EXPECT_TRUE(status.Complete()) << size;
    EXPECT_EQ(Pixels(target), pixels) << size;
  }
}

TEST(GifImageDecoderInterlace, RowsArriveInFourPassOrder) {
  // A 1 x 10 image whose n-th row in the data holds the value n.
  Bytes data_order(10);
  for (int i = 0; i < 10; ++i)
    data_order[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
  Bitmap target = Filled(1, 10, 0xEE);
  const auto status =
      Decode(ImageData(4, ReferenceLzw(data_order, 4)), 1, 10, target, /*interlaced=*/true);
  EXPECT_TRUE(status.Complete());
  // Data rows go to image rows 0, 8 | 4 | 2, 6 | 1, 3, 5, 7, 9.
  EXPECT_EQ(Pixels(target), (Bytes{0, 5, 3, 6, 2, 7, 4, 8, 1, 9}));
}

TEST(GifImageDecoderInterlace, SmallHeightsHaveEmptyPasses) {
  for (int height = 1; height <= 17; ++height) {
    Bytes data_order(static_cast<std::size_t>(height));
    for (int i = 0; i < height; ++i)
      data_order[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
    Bitmap target = Filled(1, height, 0xEE);
    const auto status = Decode(ImageData(5, ReferenceLzw(data_order, 5)), 1, height, target, true);
    ASSERT_TRUE(status.Complete());
    std::vector<int> rows;
    for (int start : {0, 4, 2, 1}) {
      const int step = start == 0 ? 8 : start == 4 ? 8 : start == 2 ? 4 : 2;
      for (int r = start; r < height; r += step) rows.push_back(r);
    }
    for (int i = 0; i < height; ++i)
      EXPECT_EQ(target.Row(rows[static_cast<std::size_t>(i)])[0], i) << height;
  }
}

TEST(GifImageDecoderPlacement, ClipsToTheTargetAndKeepsOtherPixels) {
  // A 3 x 2 image 0 1 2 / 3 4 5 at (-1, 1) in a 4 x 3 target: image columns 1 and 2 land in
  // target columns 0 and 1 of rows 1 and 2. At (2, 2) only its first row's first two fit.
  const Bytes pixels{0, 1, 2, 3, 4, 5};
  Bitmap target = Filled(4, 3, 9);
  const auto status = Decode(ImageData(3, ReferenceLzw(pixels, 3)), 3, 2, target, false, -1, 1);
  EXPECT_TRUE(status.Complete());
  EXPECT_EQ(Pixels(target), (Bytes{9, 9, 9, 9, 1, 2, 9, 9, 4, 5, 9, 9}));
  Bitmap other = Filled(4, 3, 9);
  (void)Decode(ImageData(3, ReferenceLzw(pixels, 3)), 3, 2, other, false, 2, 2);
  EXPECT_EQ(Pixels(other), (Bytes{9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 0, 1}));
  Bitmap away = Filled(4, 3, 9);
  EXPECT_TRUE(Decode(ImageData(3, ReferenceLzw(pixels, 3)), 3, 2, away, false, 10, -5).Complete());
  EXPECT_EQ(Pixels(away), Bytes(12, 9));
}

TEST(GifImageDecoderTruncation, CutChainDecodesEveryCompleteCode) {
  // Clear and 600 literals, then end. The string each literal defines raises the next free
  // code by one: codes up to the 255th literal are 9 bits, the rest 10.
  Bytes pixels(600);
  for (std::size_t i = 0; i < pixels.size(); ++i)
    pixels[i] = static_cast<std::uint8_t>((i * 7) % 256);
  CodeWriter codes;
  codes.Put(256, 9);
  for (std::size_t i = 0; i < 600; ++i) codes.Put(pixels[i], i < 255 ? 9 : 10);
  codes.Put(257, 10);
  const Bytes whole = ImageData(8, codes.bytes());
  for (std::size_t kept : {1u, 2u, 3u, 100u, 256u, 257u, 258u, 400u, 512u, 700u}) {
    const Bytes cut(whole.begin(),
                    whole.begin() + static_cast<std::ptrdiff_t>(std::min(kept, whole.size())));
    // Payload bytes present: everything after the size byte minus the sub-block length bytes.
    std::size_t payload = 0;
    for (std::size_t i = 1; i < cut.size();) {
      const std::size_t n = std::min<std::size_t>(cut[i], cut.size() - i - 1);
      payload += n;
      i += 1 + cut[i];
    }
    const std::size_t bits = payload * 8;
    // The clear and the first 255 literals are 9 bits, then 10 bits.
    std::size_t complete_codes = bits / 9;
    if (complete_codes > 256) complete_codes = 256 + (bits - 256 * 9) / 10;
    const std::size_t expected_pixels =
        std::min<std::size_t>(complete_codes == 0 ? 0 : complete_codes - 1, 600);
    Bitmap target = Filled(30, 20, 0xEE);
    const auto status = Decode(cut, 30, 20, target);
    EXPECT_EQ(status.pixels, static_cast<std::int64_t>(expected_pixels)) << kept;
    if (expected_pixels < 600) {
      EXPECT_EQ(status.end, GifImageEnd::kDataExhausted) << kept;
    }
    Bytes expected(600, 0xEE);
    std::copy_n(pixels.begin(), expected_pixels, expected.begin());
    EXPECT_EQ(Pixels(target), expected) << kept;
  }
}

TEST(GifImageDecoderTruncation, MissingTerminatorAndEmptyData) {
  const Bytes pixels = NoiseWithRuns(64, 16, 3);
  Bitmap target = Filled(8, 8, 0xEE);
  EXPECT_TRUE(Decode(ImageData(4, ReferenceLzw(pixels, 4), 255, /*terminator=*/false), 8, 8, target)
                  .Complete());
  EXPECT_EQ(Pixels(target), pixels);
  Bitmap empty_target = Filled(8, 8, 0xEE);
  const auto empty = Decode(Bytes{}, 8, 8, empty_target);
  EXPECT_EQ(empty.end, GifImageEnd::kDataExhausted);
  EXPECT_EQ(Decode(Bytes{4}, 8, 8, empty_target).end, GifImageEnd::kDataExhausted);
  EXPECT_EQ(Decode(Bytes{4, 0}, 8, 8, empty_target).end, GifImageEnd::kDataExhausted);
  EXPECT_EQ(Pixels(empty_target), Bytes(64, 0xEE));
}

TEST(GifImageDecoderTruncation, EndCodeBeforeTheImageIsFull) {
  CodeWriter codes;
  codes.Put(4, 3);
  codes.Put(2, 3);
  codes.Put(3, 3);
  codes.Put(5, 3);
  codes.Put(1, 3);  // after the end code: never read
  Bitmap target = Filled(4, 1, 0xEE);
  const auto status = Decode(ImageData(2, codes.bytes()), 4, 1, target);
  EXPECT_EQ(status.end, GifImageEnd::kEndCode);
  EXPECT_EQ(status.pixels, 2);
  EXPECT_EQ(Pixels(target), (Bytes{2, 3, 0xEE, 0xEE}));
}

TEST(GifImageDecoderTruncation, CodesAfterAFullImageAreIgnored) {
  CodeWriter codes;
  codes.Put(4, 3);
  codes.Put(1, 3);
  codes.Put(6, 3);  // "1 1": only its first pixel fits the 2-pixel image
  codes.Put(7, 3);  // beyond the image: not examined
  Bitmap target = Filled(2, 1, 0xEE);
  const auto status = Decode(ImageData(2, codes.bytes()), 2, 1, target);
  EXPECT_TRUE(status.Complete());
  EXPECT_EQ(status.pixels, 2);
  EXPECT_EQ(Pixels(target), (Bytes{1, 1}));
}

TEST(GifImageDecoderCorruption, CodeAboveTheNextFreeCodeStops) {
  CodeWriter codes;
  codes.Put(4, 3);
  codes.Put(3, 3);
  codes.Put(1, 3);  // defines 6
  codes.Put(7, 3);  // next free is 7: allowed ("1 1")... defines 7
  codes.Put(9, 4);  // next free is 8: corrupt
  codes.Put(0, 4);
  Bitmap target = Filled(8, 1, 0xEE);
  const auto status = Decode(ImageData(2, codes.bytes()), 8, 1, target);
  EXPECT_EQ(status.end, GifImageEnd::kCorruptCode);
  EXPECT_EQ(status.pixels, 4);
  EXPECT_EQ(Pixels(target), (Bytes{3, 1, 1, 1, 0xEE, 0xEE, 0xEE, 0xEE}));
}

TEST(GifImageDecoderCorruption, TableCodeRightAfterClearStops) {
  for (std::uint32_t code : {6u, 7u}) {
    CodeWriter codes;
    codes.Put(4, 3);
    codes.Put(1, 3);
    codes.Put(4, 3);     // clear again
    codes.Put(code, 3);  // nothing is defined yet
    Bitmap target = Filled(4, 1, 0xEE);
    const auto status = Decode(ImageData(2, codes.bytes()), 4, 1, target);
    EXPECT_EQ(status.end, GifImageEnd::kCorruptCode) << code;
    EXPECT_EQ(Pixels(target), (Bytes{1, 0xEE, 0xEE, 0xEE}));
  }
}

TEST(GifImageDecoderCorruption, RandomBytesNeverEscapeTheImage) {
  std::mt19937 random(5);
  for (int round = 0; round < 300; ++round) {
    Bytes data(1 + random() % 300);
    for (auto& b : data) b = static_cast<std::uint8_t>(random());
    data[0] = static_cast<std::uint8_t>(1 + random() % 8);
    Bitmap target = Filled(16, 12, 0xEE);
    const auto status = Decode(data, 10, 8, target, round % 2 == 1, 3, 2);
    EXPECT_LE(status.pixels, 80);
    // Outside the image's rectangle nothing changes.
    for (int y = 0; y < 12; ++y) {
      for (int x = 0; x < 16; ++x) {
        if (x < 3 || x >= 13 || y < 2 || y >= 10) {
          ASSERT_EQ(target.Row(y)[x], 0xEE);
        }
      }
    }
  }
}

TEST(GifImageDecoderErrors, RefusesWrongTargetsAndSizes) {
  auto wide = Bitmap::Create(4, 4, 24);
  ASSERT_TRUE(wide.ok());
  EXPECT_FALSE(DecodeGifImage(Bytes{2, 0}, 4, 4, false, wide.value(), 0, 0).ok());
  Bitmap target = Filled(4, 4, 0);
  EXPECT_FALSE(DecodeGifImage(Bytes{2, 0}, -1, 4, false, target, 0, 0).ok());
  EXPECT_FALSE(DecodeGifImage(Bytes{2, 0}, 65535, 65535, false, target, 0, 0).ok());
  const auto nothing = DecodeGifImage(Bytes{}, 0, 5, false, target, 0, 0);
  ASSERT_TRUE(nothing.ok());
  EXPECT_TRUE(nothing->Complete());
}

// ---- whole files, and giflib as the reference ----

Bytes GifFile(int width, int height, int table_bits, const Bytes& pixels, bool interlaced,
              bool local_table, int transparent = -1) {
  Bytes file{'G', 'I', 'F', '8', '9', 'a'};
  auto word = [&](int v) {
    file.push_back(static_cast<std::uint8_t>(v & 0xFF));
    file.push_back(static_cast<std::uint8_t>(v >> 8));
  };
  auto table = [&](int salt) {
    for (int i = 0; i < (1 << table_bits); ++i) {
      file.insert(file.end(), {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(salt),
                               static_cast<std::uint8_t>(255 - i)});
    }
  };
  word(width);
  word(height);
  file.push_back(static_cast<std::uint8_t>(local_table ? 0 : 0x80 | (table_bits - 1)));
  file.insert(file.end(), {0, 0});
  if (!local_table) table(1);
  if (transparent >= 0)
    file.insert(file.end(), {0x21, 0xF9, 4, 1, 0, 0, static_cast<std::uint8_t>(transparent), 0});
  file.push_back(0x2C);
  word(0);
  word(0);
  word(width);
  word(height);
  file.push_back(static_cast<std::uint8_t>((local_table ? 0x80 | (table_bits - 1) : 0) |
                                           (interlaced ? 0x40 : 0)));
  if (local_table) table(2);
  const int minimum = std::max(2, table_bits);
  const Bytes data = ImageData(minimum, ReferenceLzw(pixels, minimum));
  file.insert(file.end(), data.begin(), data.end());
  file.push_back(0x3B);
  return file;
}

TEST(GifFileDecoder, DecodesFirstImageWithItsTable) {
  const Bytes pixels = NoiseWithRuns(12, 4, 1);
  for (bool local : {false, true}) {
    auto decoded = DecodeGifFile(GifFile(4, 3, 2, pixels, false, local, 2));
    ASSERT_TRUE(decoded.ok()) << decoded.error();
    EXPECT_TRUE(decoded->status.Complete());
    EXPECT_EQ(Pixels(decoded->image), pixels);
    ASSERT_EQ(decoded->palette.size(), 4u);
    EXPECT_EQ(decoded->palette[3], local ? 0x0302FCu : 0x0301FCu);
    EXPECT_EQ(decoded->image.ColorTable()[3], decoded->palette[3]);
    EXPECT_EQ(decoded->transparent_index, 2);
    EXPECT_EQ(decoded->screen_width, 4);
    EXPECT_EQ(decoded->screen_height, 3);
  }
}

TEST(GifFileDecoder, RejectsFilesItCannotShow) {
  Bytes file = GifFile(2, 2, 1, Bytes{0, 1, 1, 0}, false, false);
  Bytes wrong = file;
  wrong[3] = '9';
  wrong[4] = '0';
  EXPECT_FALSE(DecodeGifFile(wrong).ok());
  Bytes no_table = file;
  no_table[10] = 0;  // declares no global table; the image has none either
  no_table.erase(no_table.begin() + 13, no_table.begin() + 19);
  EXPECT_FALSE(DecodeGifFile(no_table).ok());
  EXPECT_FALSE(DecodeGifFile(Bytes(file.begin(), file.begin() + 20)).ok());
  Bytes lower = file;
  std::copy_n("gif89a", 6, lower.begin());
  EXPECT_TRUE(DecodeGifFile(lower).ok());
  const auto no_transparency = DecodeGifFile(file);
  ASSERT_TRUE(no_transparency.ok());
  EXPECT_EQ(no_transparency->transparent_index, -1);
}

// The first image's pixels as giflib's DGifSlurp gives them (de-interlaced).
bool GiflibFirstImage(const Bytes& file, Bytes& pixels, int& width, int& height) {
  MemoryInput input{&file};
  int error = 0;
  GifFileType* gif = DGifOpen(&input, ReadMemory, &error);
  if (gif == nullptr) return false;
  const bool ok = DGifSlurp(gif) == GIF_OK && gif->ImageCount > 0;
  if (ok) {
    const SavedImage& image = gif->SavedImages[0];
    width = image.ImageDesc.Width;
    height = image.ImageDesc.Height;
    pixels.assign(image.RasterBits, image.RasterBits + static_cast<std::size_t>(width) * height);
  }
  DGifCloseFile(gif, &error);
  return ok;
}

// A one-image GIF written by giflib's encoder.
Bytes GiflibEncode(int width, int height, int bits, const Bytes& pixels, bool interlaced) {
  Bytes output;
  int error = 0;
  GifFileType* gif = EGifOpen(&output, WriteMemory, &error);
  EXPECT_NE(gif, nullptr);
  ColorMapObject* map = GifMakeMapObject(1 << bits, nullptr);
  EGifPutScreenDesc(gif, width, height, bits, 0, map);
  EGifPutImageDesc(gif, 0, 0, width, height, interlaced, nullptr);
  for (int y = 0; y < height; ++y) {
    EGifPutLine(gif, const_cast<GifPixelType*>(pixels.data() + static_cast<std::size_t>(y) * width),
                width);
  }
  EGifCloseFile(gif, &error);
  GifFreeMapObject(map);
  return output;
}

TEST(GifFileDecoderVersusGiflib, RandomImagesOfManySizes) {
  std::mt19937 random(2024);
  int compared = 0;
  for (int round = 0; round < 60; ++round) {
    const int width = 1 + static_cast<int>(random() % (round < 30 ? 40 : 700));
    const int height = 1 + static_cast<int>(random() % (round < 30 ? 40 : 300));
    const int bits = 1 + static_cast<int>(random() % 8);
    const bool interlaced = round % 3 == 0;
    const Bytes pixels = NoiseWithRuns(static_cast<std::size_t>(width) * height, 1 << bits,
                                       static_cast<std::uint32_t>(round));
    const Bytes file = GiflibEncode(width, height, bits, pixels, interlaced);
    Bytes reference;
    int ref_width = 0, ref_height = 0;
    ASSERT_TRUE(GiflibFirstImage(file, reference, ref_width, ref_height));
    auto decoded = DecodeGifFile(file);
    ASSERT_TRUE(decoded.ok()) << decoded.error();
    EXPECT_TRUE(decoded->status.Complete());
    ASSERT_EQ(decoded->image.Width(), ref_width);
    ASSERT_EQ(decoded->image.Height(), ref_height);
    EXPECT_EQ(Pixels(decoded->image), reference) << width << "x" << height << " bits " << bits;
    if (!interlaced) {
      EXPECT_EQ(reference, pixels);
    }
    ++compared;
  }
  EXPECT_EQ(compared, 60);
}

TEST(GifFileDecoderVersusGiflib, GifsOnThisMachine) {
  int compared = 0;
  for (const char* root :
       {"/usr/share/doc", "/usr/share/tcltk", "/usr/share/pixmaps", "/usr/share/icons"}) {
    std::error_code error;
    if (!std::filesystem::exists(root, error)) continue;
    for (auto it = std::filesystem::recursive_directory_iterator(root, error);
         it != std::filesystem::recursive_directory_iterator() && compared < 60;
         it.increment(error)) {
      if (error || it->path().extension() != ".gif" || !it->is_regular_file(error)) continue;
      std::ifstream in(it->path(), std::ios::binary);
      const Bytes file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      Bytes reference;
      int width = 0, height = 0;
      if (!GiflibFirstImage(file, reference, width, height)) continue;
      auto decoded = DecodeGifFile(file);
      ASSERT_TRUE(decoded.ok()) << it->path();
      EXPECT_TRUE(decoded->status.Complete()) << it->path();
      EXPECT_EQ(Pixels(decoded->image), reference) << it->path();
      ++compared;
    }
  }
  // The build machine has GIFs in the documentation of its packages.
  EXPECT_GT(compared, 0);
}

}  // namespace
}  // namespace tovarin::platform
