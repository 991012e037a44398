// The GIF wire format unit: the signature rule, colour-table conversion and the block reader's
// end-of-data rules, on annotated bytes.
#include "platform/pictures/gif_format.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "platform/pictures/gif_block_reader.h"

namespace tovarin::platform {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

TEST(GifSignature, BothVersionsInAnyLetterCaseAreAccepted) {
  for (const char* signature : {"GIF87a", "GIF89a", "gif87a", "gif89a", "gIf87A", "GiF89A"}) {
    EXPECT_TRUE(IsGifSignature(Text(signature))) << signature;
    EXPECT_TRUE(IsGifSignature(Text(std::string(signature) + "\x01\x00 and more"))) << signature;
  }
}

TEST(GifSignature, OtherVersionsShortDataAndLookAlikesAreRejected) {
  for (const char* other : {"GIF90a", "GIF88a", "GIF87b", "JIF89a", "GIF89", "", "GIF8 9a"}) {
    EXPECT_FALSE(IsGifSignature(Text(other))) << other;
  }
  // Only ASCII letters fold: bytes that some 8-bit code pages lower-case are not letters here.
  EXPECT_FALSE(IsGifSignature(Bytes{'G', 0xCD, 'F', '8', '9', 'a'}));  // 0xCD, not 'I'
  EXPECT_FALSE(IsGifSignature(Bytes{'G', 'I', 'F', '8', '9', 0xC1}));  // 0xC1, not 'A'
}

TEST(GifColorTable, SizeFieldAndTriplesToDrawingForm) {
  EXPECT_EQ(GifColorTableBits(0x80), 1);  // k = 0: 2 colours
  EXPECT_EQ(GifColorTableBits(0xF7), 8);  // k = 7: 256 colours; other bits do not count
  EXPECT_EQ(GifColorTableBytes(0x00), 6u);
  EXPECT_EQ(GifColorTableBytes(0x07), 768u);
  const Bytes rgb{0x12, 0x34, 0x56, 0xFF, 0x00, 0x80, 0x01};  // two triples and a spare byte
  std::array<std::uint32_t, 3> colors{7, 7, 7};
  ReadGifColors(rgb, colors);
  EXPECT_EQ(colors, (std::array<std::uint32_t, 3>{0x123456, 0xFF0080, 7}));
}

TEST(GifBlockReader, ValuesAtTheCursorAndNoMoveAtTheEnd) {
  const Bytes bytes{0x34, 0x12, 0xAB};
  GifBlockReader reader(bytes);
  EXPECT_EQ(reader.Word(), 0x1234);
  EXPECT_EQ(reader.Position(), 2);
  EXPECT_FALSE(reader.Word());  // one byte left
  EXPECT_FALSE(reader.Bytes(2));
  EXPECT_EQ(reader.Position(), 2);
  EXPECT_EQ(reader.Byte(), 0xAB);
  EXPECT_FALSE(reader.Byte());
  EXPECT_EQ(reader.Position(), 3);
  EXPECT_EQ(reader.Remaining(), 0);
  reader.Seek(1);
  const auto two = reader.Bytes(2);
  ASSERT_TRUE(two);
  EXPECT_EQ(Bytes(two->begin(), two->end()), (Bytes{0x12, 0xAB}));
  // Past the end, or before the start, nothing remains and nothing is read.
  reader.Seek(10);
  EXPECT_EQ(reader.Remaining(), 0);
  EXPECT_TRUE(reader.Rest().empty());
  EXPECT_FALSE(reader.Byte());
  EXPECT_EQ(reader.Position(), 10);
  reader.Seek(-1);
  EXPECT_FALSE(reader.Byte());
}

TEST(GifBlockReader, ScreenDescriptorNeedsThirteenBytes) {
  //                 signature                     width 0x0120  height 3  packed bg aspect
  Bytes header = Text("GIF89a");
  header.insert(header.end(), {0x20, 0x01, 0x03, 0x00, 0x91, 0x05, 0x00});
  GifBlockReader reader(header);
  const auto screen = reader.ScreenDescriptor();
  ASSERT_TRUE(screen);
  EXPECT_EQ(screen->width, 0x120);
  EXPECT_EQ(screen->height, 3);
  EXPECT_EQ(screen->packed, 0x91);
  EXPECT_TRUE(screen->HasColorTable());
  EXPECT_EQ(reader.Position(), 13);

  header.pop_back();
  GifBlockReader cut(header);
  EXPECT_FALSE(cut.ScreenDescriptor());
  EXPECT_EQ(cut.Position(), 0);
}

TEST(GifBlockReader, NextBlockSkipsStrayZerosAndNamesWhatFollows) {
  // 0 0 "!" 0xFE | "," | ";"
  const Bytes blocks{0x00, 0x00, 0x21, 0xFE, 0x2C, 0x3B};
  GifBlockReader reader(blocks);
  const GifBlockStart comment = reader.NextBlock();
  EXPECT_EQ(comment.kind, GifBlockKind::kExtension);
  EXPECT_EQ(comment.label, kGifCommentLabel);
  EXPECT_EQ(reader.Position(), 4);
  EXPECT_EQ(reader.NextBlock().kind, GifBlockKind::kImage);
  EXPECT_EQ(reader.Position(), 5);
  EXPECT_EQ(reader.NextBlock().kind, GifBlockKind::kEnd);  // the trailer
  EXPECT_EQ(reader.NextBlock().kind, GifBlockKind::kEnd);  // the end of the data

  for (const Bytes& ending : {Bytes{0x3A}, Bytes{0x21}, Bytes{0x00}, Bytes{}}) {
    GifBlockReader other(ending);  // unknown introducer, label cut off, only a stray byte, none
    EXPECT_EQ(other.NextBlock().kind, GifBlockKind::kEnd);
  }
}

TEST(GifBlockReader, SkipSubBlocksStopsAfterTheTerminatorOrPastACutChain) {
  // 2 [9 9] 1 [9] 0 | 7
  const Bytes chain{2, 9, 9, 1, 9, 0, 7};
  GifBlockReader reader(chain);
  reader.SkipSubBlocks();
  EXPECT_EQ(reader.Position(), 6);
  EXPECT_EQ(reader.Byte(), 7);

  // 200 [1 2 ... cut]: the cursor lands where the next length byte would have been, plus one.
  const Bytes cut{200, 1, 2};
  GifBlockReader cut_reader(cut);
  cut_reader.SkipSubBlocks();
  EXPECT_EQ(cut_reader.Position(), 202);
  EXPECT_EQ(cut_reader.Remaining(), 0);
}

}  // namespace
}  // namespace tovarin::platform
