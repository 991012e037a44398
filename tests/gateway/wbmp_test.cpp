// WBMP type 0: decoding of hand-assembled files to exact pixels, every refusal, the content sniff,
// and the PNG written for the view read back through libpng.
#include "gateway/wbmp.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <png.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "gateway/limits.h"

namespace tovarin::gateway {
namespace {

using Bytes = std::vector<std::uint8_t>;
using ::testing::HasSubstr;
using ::testing::StartsWith;

// 10 x 2, two bytes a row, the six padding bits of each row's second byte set:
//   row 0: B3 BF = 1011 0011 | 10 (11 1111)
//   row 1: 4C 7F = 0100 1100 | 01 (11 1111)
const Bytes kTenByTwo = {0x00, 0x00, 0x0A, 0x02, 0xB3, 0xBF, 0x4C, 0x7F};
const Bytes kTenByTwoPixels = {1, 0, 1, 1, 0, 0, 1, 1, 1, 0,  //
                               0, 1, 0, 0, 1, 1, 0, 0, 0, 1};

// A type 0 file of `width` x `height` whose pixel (x, y) is white when `white(x, y)`; the
// integers written in their shortest mb_u_int32 form.
Bytes MakeWbmp(std::uint32_t width, std::uint32_t height,
               const std::function<bool(std::uint32_t, std::uint32_t)>& white) {
  Bytes bytes = {0x00, 0x00};
  for (std::uint32_t value : {width, height}) {
    Bytes groups = {static_cast<std::uint8_t>(value & 0x7F)};
    for (value >>= 7; value != 0; value >>= 7) {
      groups.insert(groups.begin(), static_cast<std::uint8_t>(0x80 | (value & 0x7F)));
    }
    bytes.insert(bytes.end(), groups.begin(), groups.end());
  }
  const std::size_t row_bytes = (width + 7) / 8;
  for (std::uint32_t y = 0; y < height; ++y) {
    Bytes row(row_bytes, 0);
    for (std::uint32_t x = 0; x < width; ++x) {
      if (white(x, y)) row[x / 8] = static_cast<std::uint8_t>(row[x / 8] | (0x80 >> (x % 8)));
    }
    bytes.insert(bytes.end(), row.begin(), row.end());
  }
  return bytes;
}

Bytes Pixels(std::uint32_t width, std::uint32_t height,
             const std::function<bool(std::uint32_t, std::uint32_t)>& white) {
  Bytes pixels;
  for (std::uint32_t y = 0; y < height; ++y) {
    for (std::uint32_t x = 0; x < width; ++x) pixels.push_back(white(x, y) ? 1 : 0);
  }
  return pixels;
}

std::string DecodeError(const Bytes& bytes) {
  auto image = DecodeWbmp(bytes);
  return image.ok() ? std::string("(decoded)") : image.error();
}

// ---- decoding ---------------------------------------------------------------------------------

TEST(WbmpDecode, TenByTwoGivesExactPixelsAndIgnoresPadding) {
  auto image = DecodeWbmp(kTenByTwo);
  ASSERT_TRUE(image.ok()) << image.error();
  EXPECT_EQ(image->width, 10u);
  EXPECT_EQ(image->height, 2u);
  EXPECT_EQ(image->pixels, kTenByTwoPixels);

  // The same picture with the padding bits clear decodes the same.
  auto clear = DecodeWbmp(Bytes{0x00, 0x00, 0x0A, 0x02, 0xB3, 0x80, 0x4C, 0x40});
  ASSERT_TRUE(clear.ok()) << clear.error();
  EXPECT_EQ(clear->pixels, kTenByTwoPixels);
}

TEST(WbmpDecode, MostSignificantBitIsLeftmostAndOneIsWhite) {
  auto eight = DecodeWbmp(Bytes{0x00, 0x00, 0x08, 0x01, 0xA5});  // 1010 0101, no padding
  ASSERT_TRUE(eight.ok()) << eight.error();
  EXPECT_EQ(eight->pixels, (Bytes{1, 0, 1, 0, 0, 1, 0, 1}));

  auto white = DecodeWbmp(Bytes{0x00, 0x00, 0x01, 0x01, 0x80});
  ASSERT_TRUE(white.ok()) << white.error();
  EXPECT_EQ(white->pixels, Bytes{1});
  auto black = DecodeWbmp(Bytes{0x00, 0x00, 0x01, 0x01, 0x7F});  // seven padding bits set
  ASSERT_TRUE(black.ok()) << black.error();
  EXPECT_EQ(black->pixels, Bytes{0});
}

TEST(WbmpDecode, MultiByteWidthAndHeight) {
  // Width 200 = 1 * 128 + 72 -> 81 48: one row of 25 bytes, pixels 0-3 and 199 white.
  Bytes wide = {0x00, 0x00, 0x81, 0x48, 0x01, 0xF0};
  wide.resize(wide.size() + 23, 0x00);
  wide.push_back(0x01);
  auto image = DecodeWbmp(wide);
  ASSERT_TRUE(image.ok()) << image.error();
  EXPECT_EQ(image->width, 200u);
  EXPECT_EQ(image->height, 1u);
  EXPECT_EQ(image->pixels, Pixels(200, 1, [](auto x, auto) { return x < 4 || x == 199; }));

  // Height 130 = 81 02, width 1: rows alternate white and black.
  Bytes tall = {0x00, 0x00, 0x01, 0x81, 0x02};
  for (int y = 0; y < 130; ++y) tall.push_back(y % 2 == 0 ? 0x80 : 0x00);
  auto column = DecodeWbmp(tall);
  ASSERT_TRUE(column.ok()) << column.error();
  EXPECT_EQ(column->height, 130u);
  EXPECT_EQ(column->pixels, Pixels(1, 130, [](auto, auto y) { return y % 2 == 0; }));
}

TEST(WbmpDecode, IntegersWithLeadingEmptyGroupsUpToFiveBytes) {
  // 80 80 80 80 0A is 10 written in five bytes.
  auto image =
      DecodeWbmp(Bytes{0x00, 0x00, 0x80, 0x80, 0x80, 0x80, 0x0A, 0x02, 0xB3, 0xBF, 0x4C, 0x7F});
  ASSERT_TRUE(image.ok()) << image.error();
  EXPECT_EQ(image->width, 10u);
  EXPECT_EQ(image->pixels, kTenByTwoPixels);
}

TEST(WbmpDecode, TrailingBytesAreIgnored) {
  Bytes padded = kTenByTwo;
  padded.insert(padded.end(), {0xFF, 0x00, 0x12});
  auto image = DecodeWbmp(padded);
  ASSERT_TRUE(image.ok()) << image.error();
  EXPECT_EQ(image->pixels, kTenByTwoPixels);
}

TEST(WbmpDecode, LargestPictureWithinTheLimits) {
  // 4096 x 1024 is exactly kMaxWbmpPixels; 4096 = A0 00, 1024 = 88 00.
  static_assert(std::uint64_t{4096} * 1024 == kMaxWbmpPixels);
  const auto white = [](std::uint32_t x, std::uint32_t y) { return (x / 3 + y) % 2 == 0; };
  const Bytes bytes = MakeWbmp(4096, 1024, white);
  ASSERT_EQ(bytes[2], 0xA0);
  ASSERT_EQ(bytes[4], 0x88);
  auto image = DecodeWbmp(bytes);
  ASSERT_TRUE(image.ok()) << image.error();
  EXPECT_TRUE(image->pixels == Pixels(4096, 1024, white));  // not printed: 4 MiB
}

// ---- refusals ---------------------------------------------------------------------------------

TEST(WbmpErrors, OtherTypesAreNamed) {
  EXPECT_EQ(DecodeError({0x01, 0x00, 0x01, 0x01, 0x00}),
            "WBMP: type 1 is not supported (only type 0)");
  EXPECT_THAT(DecodeError({0x81, 0x00, 0x00, 0x01, 0x01, 0x00}), HasSubstr("type 128 "));
  // 8F FF FF FF 7F = 2^32 - 1, the largest integer there is.
  EXPECT_THAT(DecodeError({0x8F, 0xFF, 0xFF, 0xFF, 0x7F, 0x00, 0x01, 0x01, 0x00}),
              HasSubstr("type 4294967295 "));
}

TEST(WbmpErrors, FixedHeaderByte) {
  EXPECT_EQ(DecodeError({0x00, 0x80, 0x01, 0x01, 0x00}),
            "WBMP: extension headers are not supported");
  EXPECT_EQ(DecodeError({0x00, 0xFF, 0x01, 0x01, 0x00}),
            "WBMP: extension headers are not supported");
  EXPECT_THAT(DecodeError({0x00, 0x01, 0x01, 0x01, 0x00}), HasSubstr("fixed header"));
}

TEST(WbmpErrors, ZeroAndOversizedDimensions) {
  EXPECT_EQ(DecodeError({0x00, 0x00, 0x00, 0x01}), "WBMP: width is 0");
  EXPECT_EQ(DecodeError({0x00, 0x00, 0x01, 0x00}), "WBMP: height is 0");
  // 4097 = 32 * 128 + 1 -> A0 01.
  EXPECT_EQ(DecodeError({0x00, 0x00, 0xA0, 0x01, 0x01}),
            "WBMP: width 4097 is over the limit of 4096");
  EXPECT_EQ(DecodeError({0x00, 0x00, 0x01, 0xA0, 0x01}),
            "WBMP: height 4097 is over the limit of 4096");
  // 4096 x 1025 (A0 00, 88 01) passes each dimension but not the pixel count; refused from
  // the header alone, before any row is needed.
  EXPECT_THAT(DecodeError({0x00, 0x00, 0xA0, 0x00, 0x88, 0x01}),
              HasSubstr("4096 x 1025 pixels is over the limit"));
}

TEST(WbmpErrors, IntegerLongerThanFiveBytes) {
  EXPECT_EQ(DecodeError({0x00, 0x00, 0x80, 0x80, 0x80, 0x80, 0x80, 0x0A, 0x02}),
            "WBMP: the width field is longer than 5 bytes");
  EXPECT_EQ(DecodeError({0x80, 0x80, 0x80, 0x80, 0x80, 0x00}),
            "WBMP: the type field is longer than 5 bytes");
  // Five bytes whose value needs 33 bits: 90 80 80 80 00 = 2^32.
  EXPECT_EQ(DecodeError({0x00, 0x00, 0x01, 0x90, 0x80, 0x80, 0x80, 0x00}),
            "WBMP: the height field does not fit in 32 bits");
}

TEST(WbmpErrors, EveryCutOfTheTenByTwoFile) {
  const std::vector<std::string> expected = {
      "WBMP: the data ends before the end of the type field",
      "WBMP: the data ends before the fixed header field",
      "WBMP: the data ends before the end of the width field",
      "WBMP: the data ends before the end of the height field",
      "WBMP: image data ends after row 0 of 2",
      "WBMP: image data ends after row 0 of 2",
      "WBMP: image data ends after row 1 of 2",
      "WBMP: image data ends after row 1 of 2",
  };
  for (std::size_t length = 0; length < kTenByTwo.size(); ++length) {
    const Bytes cut(kTenByTwo.begin(), kTenByTwo.begin() + static_cast<std::ptrdiff_t>(length));
    EXPECT_EQ(DecodeError(cut), expected[length]) << "cut after " << length << " bytes";
  }
}

TEST(WbmpErrors, CutsInsideMultiByteIntegers) {
  // Width 200 (81 48), height 130 (81 02): cut after each byte of the header.
  const Bytes header = {0x00, 0x00, 0x81, 0x48, 0x81, 0x02};
  EXPECT_EQ(DecodeError(Bytes(header.begin(), header.begin() + 3)),
            "WBMP: the data ends before the end of the width field");
  EXPECT_EQ(DecodeError(Bytes(header.begin(), header.begin() + 5)),
            "WBMP: the data ends before the end of the height field");
  EXPECT_EQ(DecodeError(header), "WBMP: image data ends after row 0 of 130");
  Bytes almost = header;
  almost.resize(header.size() + 25 * 129 + 24, 0xFF);  // one byte short of the last row
  EXPECT_EQ(DecodeError(almost), "WBMP: image data ends after row 129 of 130");
}

// ---- sniffing ---------------------------------------------------------------------------------

TEST(WbmpSniff, AcceptsWhatDecodesAndNothingElse) {
  EXPECT_TRUE(LooksLikeWbmp(kTenByTwo));
  Bytes padded = kTenByTwo;
  padded.push_back(0x00);
  EXPECT_TRUE(LooksLikeWbmp(padded));
  EXPECT_TRUE(LooksLikeWbmp(Bytes{0x00, 0x00, 0x01, 0x01, 0x00}));

  const std::vector<Bytes> refused = {
      {},
      {0x01, 0x00, 0x01, 0x01, 0x00},        // type 1
      {0x00, 0x80, 0x01, 0x01, 0x00},        // extension headers
      {0x00, 0x00, 0x00, 0x01, 0x00},        // width 0
      {0x00, 0x00, 0xA0, 0x01, 0x01, 0x00},  // width 4097
      {'G', 'I', 'F', '8', '9', 'a', 0x01, 0x00, 0x01, 0x00},
      {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A},
      {'<', '?', 'x', 'm', 'l', ' '},
      {0x00, 0x00, 0x00, 0x00, 0x00, 0x00},
  };
  for (const Bytes& bytes : refused)
    EXPECT_FALSE(LooksLikeWbmp(bytes)) << ::testing::PrintToString(bytes);
  for (std::size_t length = 0; length < kTenByTwo.size(); ++length) {
    EXPECT_FALSE(LooksLikeWbmp(std::span(kTenByTwo).first(length)))
        << "cut after " << length << " bytes";
  }
}

// ---- PNG --------------------------------------------------------------------------------------

struct ReadBack {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  Bytes grey;  // one byte a pixel, 0 or 255 for our pictures
};

// Reads a PNG through libpng's simplified reader as 8-bit grey.
ReadBack ReadPng(const Bytes& png_bytes) {
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  ReadBack result;
  if (png_image_begin_read_from_memory(&png, png_bytes.data(), png_bytes.size()) == 0) {
    ADD_FAILURE() << "libpng cannot read the PNG: " << png.message;
    return result;
  }
  png.format = PNG_FORMAT_GRAY;
  result.width = png.width;
  result.height = png.height;
  result.grey.resize(PNG_IMAGE_SIZE(png));
  if (png_image_finish_read(&png, nullptr, result.grey.data(), 0, nullptr) == 0) {
    ADD_FAILURE() << "libpng cannot decode the PNG: " << png.message;
  }
  png_image_free(&png);
  return result;
}

Bytes Grey(const Bytes& pixels) {
  Bytes grey;
  for (std::uint8_t pixel : pixels) grey.push_back(pixel != 0 ? 255 : 0);
  return grey;
}

std::uint32_t BigEndian32(const Bytes& bytes, std::size_t at) {
  return std::uint32_t{bytes[at]} << 24 | std::uint32_t{bytes[at + 1]} << 16 |
         std::uint32_t{bytes[at + 2]} << 8 | bytes[at + 3];
}

TEST(WbmpPng, IsOneBitGreyscale) {
  auto png = WbmpToPng(kTenByTwo);
  ASSERT_TRUE(png.ok()) << png.error();
  ASSERT_GE(png->size(), 33u);
  // Signature, then IHDR: length 13, "IHDR", width, height, depth 1, colour type 0 (grey),
  // compression 0, filter 0, no interlacing.
  const Bytes signature_and_ihdr = {0x89, 'P',  'N',  'G',  0x0D, 0x0A, 0x1A, 0x0A,
                                    0x00, 0x00, 0x00, 0x0D, 'I',  'H',  'D',  'R'};
  EXPECT_EQ(Bytes(png->begin(), png->begin() + 16), signature_and_ihdr);
  EXPECT_EQ(BigEndian32(*png, 16), 10u);
  EXPECT_EQ(BigEndian32(*png, 20), 2u);
  EXPECT_EQ(Bytes(png->begin() + 24, png->begin() + 29), (Bytes{1, 0, 0, 0, 0}));
}

TEST(WbmpPng, ReadsBackToTheSamePixels) {
  auto ten = ReadPng(WbmpToPng(kTenByTwo).value());
  EXPECT_EQ(ten.width, 10u);
  EXPECT_EQ(ten.height, 2u);
  EXPECT_EQ(ten.grey, Grey(kTenByTwoPixels));

  struct Case {
    std::uint32_t width, height;
    std::function<bool(std::uint32_t, std::uint32_t)> white;
  };
  const std::vector<Case> cases = {
      {1, 1, [](auto, auto) { return true; }},
      {1, 1, [](auto, auto) { return false; }},
      {200, 3, [](auto x, auto y) { return (x + y) % 3 == 0; }},
      {4096, 1, [](auto x, auto) { return x % 7 < 3; }},
      {1, 4096, [](auto, auto y) { return y % 5 == 0; }},
      {4096, 1024, [](auto x, auto y) { return ((x ^ y) & 16) != 0; }},
  };
  for (const Case& c : cases) {
    auto png = WbmpToPng(MakeWbmp(c.width, c.height, c.white));
    ASSERT_TRUE(png.ok()) << png.error();
    auto back = ReadPng(*png);
    EXPECT_EQ(back.width, c.width);
    EXPECT_EQ(back.height, c.height);
    EXPECT_TRUE(back.grey == Grey(Pixels(c.width, c.height, c.white)))
        << c.width << " x " << c.height;
  }
}

TEST(WbmpPng, EncodesAnyNonzeroPixelAsWhite) {
  WbmpImage image{3, 1, {0, 1, 7}};
  auto png = EncodePng(image);
  ASSERT_TRUE(png.ok()) << png.error();
  EXPECT_EQ(ReadPng(*png).grey, (Bytes{0, 255, 255}));
}

TEST(WbmpPng, RefusesPicturesThatBreakTheirOwnShape) {
  EXPECT_FALSE(EncodePng(WbmpImage{0, 1, {}}).ok());
  EXPECT_FALSE(EncodePng(WbmpImage{1, 0, {}}).ok());
  EXPECT_FALSE(EncodePng(WbmpImage{3, 2, Bytes(5, 1)}).ok());
  EXPECT_FALSE(EncodePng(WbmpImage{3, 2, Bytes(7, 1)}).ok());
  EXPECT_FALSE(
      EncodePng(WbmpImage{kMaxWbmpDimension + 1, 1, Bytes(kMaxWbmpDimension + 1, 0)}).ok());
  EXPECT_FALSE(EncodePng(WbmpImage{4096, 1025, Bytes(std::size_t{4096} * 1025, 0)}).ok());
}

TEST(WbmpPng, DecodeErrorsPassThrough) {
  auto png = WbmpToPng(Bytes{0x00, 0x80, 0x01, 0x01, 0x00});
  ASSERT_FALSE(png.ok());
  EXPECT_EQ(png.error(), "WBMP: extension headers are not supported");
}

// ---- data files -------------------------------------------------------------------------------

std::filesystem::path DataDir() {
  return std::filesystem::path(TOVARIN_SOURCE_DIR) / "tests" / "data" / "wbmp";
}

Bytes ReadFile(const std::string& name) {
  std::ifstream in(DataDir() / name, std::ios::binary);
  EXPECT_TRUE(in.good()) << name;
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(WbmpDataFiles, HandMadeSamplesDecodeToTheirPatterns) {
  auto checker = DecodeWbmp(ReadFile("checker_16x16.wbmp"));  // 4 x 4 squares, white top left
  ASSERT_TRUE(checker.ok()) << checker.error();
  EXPECT_EQ(checker->pixels,
            Pixels(16, 16, [](auto x, auto y) { return (x / 4 + y / 4) % 2 == 0; }));

  auto stripes = DecodeWbmp(ReadFile("stripes_200x3.wbmp"));
  ASSERT_TRUE(stripes.ok()) << stripes.error();
  EXPECT_EQ(stripes->pixels, Pixels(200, 3, [](auto x, auto y) { return (x + y) % 3 == 0; }));

  auto diagonal = DecodeWbmp(ReadFile("diagonal_11x11_padded.wbmp"));  // padding bits all set
  ASSERT_TRUE(diagonal.ok()) << diagonal.error();
  EXPECT_EQ(diagonal->pixels, Pixels(11, 11, [](auto x, auto y) { return x != y; }));

  EXPECT_EQ(DecodeError(ReadFile("cut_after_row_1_of_2.wbmp")),
            "WBMP: image data ends after row 1 of 2");
  EXPECT_EQ(DecodeError(ReadFile("extension_header.wbmp")),
            "WBMP: extension headers are not supported");
}

// Every file there (the samples and whatever the fuzzer found): a clear error or a picture whose
// PNG reads back to the same pixels, and the sniff agrees with the decoder.
TEST(WbmpDataFiles, EveryFileDecodesOrFailsCleanly) {
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(DataDir())) {
    if (!entry.is_regular_file()) continue;
    ++files;
    const std::string name = entry.path().filename().string();
    const Bytes bytes = ReadFile(name);
    auto image = DecodeWbmp(bytes);
    EXPECT_EQ(LooksLikeWbmp(bytes), image.ok()) << name;
    if (!image.ok()) {
      EXPECT_THAT(image.error(), StartsWith("WBMP: ")) << name;
      continue;
    }
    auto png = EncodePng(*image);
    ASSERT_TRUE(png.ok()) << name << ": " << png.error();
    EXPECT_EQ(ReadPng(*png).grey, Grey(image->pixels)) << name;
  }
  EXPECT_GE(files, 5);
}

}  // namespace
}  // namespace tovarin::gateway
