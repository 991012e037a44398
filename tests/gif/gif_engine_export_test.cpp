// Exporting the shown frame: bytes of the one-image GIF89a and what they decode to.

#include <gtest/gtest.h>

#include "gif_engine_test_harness.h"
#include "gif_engine_test_support.h"
#include "platform/pictures/gif_image_decoder.h"

namespace tovarin::gif::testing {
namespace {

TestGif FourColourGif() {
  TestGif gif;
  gif.global_table = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
  return gif;
}

std::vector<std::uint8_t> DecodedIndices(const std::vector<std::uint8_t>& file) {
  auto decoded = platform::DecodeGifFile(file);
  EXPECT_TRUE(decoded.ok());
  std::vector<std::uint8_t> indices;
  if (!decoded.ok()) return indices;
  for (int y = 0; y < decoded->image.Height(); ++y) {
    for (int x = 0; x < decoded->image.Width(); ++x) {
      indices.push_back(static_cast<std::uint8_t>(decoded->image.GetIndex(x, y)));
    }
  }
  return indices;
}

// A 1 x 1 frame of index 1: clear (256), the pixel (1) and the end code (257), 9 bits each,
// packed LSB first: 256 | 1 << 9 | 257 << 18 = 0x04040300, one sub-block of 4 bytes.
TEST(FrameExport, OnePixelFrameIsOneSubBlockOfFourBytes) {
  TestGif gif = FourColourGif();
  gif.frames = {SolidFrame(0, 0, 1, 1, 1)};
  EngineHarness h;
  ASSERT_EQ(h.Load(BuildGif(gif)), 1);
  auto bytes = h.engine.ExportFrameBytes(1);
  ASSERT_TRUE(bytes.ok()) << bytes.error();
  std::vector<std::uint8_t> expected{'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x87, 0, 0};
  const std::uint8_t table[] = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};
  expected.insert(expected.end(), std::begin(table), std::end(table));
  expected.resize(13 + 768, 0);
  const std::uint8_t image[] = {0x2C, 0, 0, 0,    0,    1,    0,    1, 0,
                                0,    8, 4, 0x00, 0x03, 0x04, 0x04, 0, 0x3B};
  expected.insert(expected.end(), std::begin(image), std::end(image));
  EXPECT_EQ(*bytes, expected);
}

TEST(FrameExport, TransparentFrameCarriesAGraphicControlExtensionOpaqueOneNone) {
  TestGif gif = FourColourGif();
  TestFrame transparent = SolidFrame(0, 0, 2, 1, 1);
  transparent.transparent = 3;
  transparent.disposal = 2;
  transparent.delay_cs = 7;
  gif.frames = {transparent, SolidFrame(0, 0, 2, 1, 2)};
  gif.frames[1].disposal = 2;
  EngineHarness h;
  h.engine.delayAnimation = 0;
  ASSERT_EQ(h.Load(BuildGif(gif)), 2);
  auto first = h.engine.ExportFrameBytes(1);
  ASSERT_TRUE(first.ok());
  ASSERT_GT(first->size(), 790u);
  EXPECT_EQ(std::vector<std::uint8_t>(first->begin() + 781, first->begin() + 790),
            (std::vector<std::uint8_t>{0x21, 0xF9, 0x04, 0x01, 0, 0, 3, 0, 0x2C}));
  auto second = h.engine.ExportFrameBytes(2);
  ASSERT_TRUE(second.ok());
  EXPECT_EQ((*second)[781], 0x2C);
}

TEST(FrameExport, ShortFrameIsEncodedFromItsOwnTopRow) {
  TestGif gif = FourColourGif();
  TestFrame tall = SolidFrame(0, 0, 3, 3, 0);
  TestFrame short_frame = SolidFrame(0, 0, 3, 1, 0);
  short_frame.indices = {3, 1, 2};
  gif.frames = {tall, short_frame};
  EngineHarness h;
  h.engine.delayAnimation = 0;
  ASSERT_EQ(h.Load(BuildGif(gif)), 2);
  auto bytes = h.engine.ExportFrameBytes(2);
  ASSERT_TRUE(bytes.ok());
  EXPECT_EQ(DecodedIndices(*bytes), short_frame.indices);
}

TEST(FrameExport, SixteenColourLocalTableBecomesAFullGlobalTableWithBlackBeyondIt) {
  TestGif gif = FourColourGif();
  TestFrame frame = SolidFrame(0, 0, 2, 2, 15);
  for (std::uint32_t i = 0; i < 16; ++i) frame.local_table.push_back(0x111111 * (i % 15 + 1));
  gif.frames = {frame};
  EngineHarness h;
  ASSERT_EQ(h.Load(BuildGif(gif)), 1);
  auto bytes = h.engine.ExportFrameBytes(1);
  ASSERT_TRUE(bytes.ok());
  EXPECT_EQ((*bytes)[10], 0x87);
  EXPECT_EQ((*bytes)[13 + 3 * 15], 0x11);  // entry 15 = 0x111111
  EXPECT_EQ((*bytes)[13 + 3 * 14], 0xFF);  // entry 14 = 0xFFFFFF
  for (int i = 16 * 3; i < 768; ++i) ASSERT_EQ((*bytes)[13 + static_cast<std::size_t>(i)], 0) << i;
}

TEST(FrameExport, MirroredFrameIsExportedAsShown) {
  TestGif gif = FourColourGif();
  TestFrame frame = SolidFrame(0, 0, 3, 2, 0);
  frame.indices = {0, 1, 2, 3, 3, 3};
  gif.frames = {frame};
  EngineHarness h;
  h.engine.mirrorStyle = kMirrorHorizontal | kMirrorVertical;
  ASSERT_EQ(h.Load(BuildGif(gif)), 1);
  auto bytes = h.engine.ExportFrameBytes(1);
  ASSERT_TRUE(bytes.ok());
  EXPECT_EQ(DecodedIndices(*bytes), (std::vector<std::uint8_t>{3, 3, 3, 2, 1, 0}));
}

TEST(FrameExport, PictureHasTheFramesSizeAndNothingForMissingFrames) {
  TestGif gif = FourColourGif();
  gif.frames = {SolidFrame(0, 0, 5, 4, 2), SolidFrame(1, 1, 3, 2, 1)};
  EngineHarness h({.user_mode = false});
  ASSERT_EQ(h.Load(BuildGif(gif)), 2);
  const platform::PicturePtr picture = h.engine.ExportFrameAsGIF(1);
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(picture->Width(), 5);
  EXPECT_EQ(picture->Height(), 4);
  EXPECT_EQ(picture->Image().GetPixel(4, 3), platform::Rgb(0, 0, 255));
  EXPECT_EQ(h.engine.ExportFrameAsGIF(0), nullptr);
  EXPECT_EQ(h.engine.ExportFrameAsGIF(3), nullptr);
  // Design mode builds frame 1 only: frame 2 is not in the strip to export.
  EXPECT_FALSE(h.engine.ExportFrameBytes(2).ok());
}

}  // namespace
}  // namespace tovarin::gif::testing
