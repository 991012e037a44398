#include "gif/gif_parser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tovarin::gif {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Assembles GIF files block by block.
class GifBuilder {
 public:
  explicit GifBuilder(const std::string& signature = "GIF89a", int width = 10, int height = 10,
                      int global_bits = 2) {
    bytes_.assign(signature.begin(), signature.end());
    Word(width);
    Word(height);
    bytes_.push_back(static_cast<std::uint8_t>(global_bits > 0 ? 0x80 | (global_bits - 1) : 0));
    bytes_.insert(bytes_.end(), {0, 0});
    if (global_bits > 0) Table(global_bits, 0);
  }
  // 2^bits colours; colour i = (i, salt, 255 - i).
  GifBuilder& Table(int bits, int salt) {
    for (int i = 0; i < (1 << bits); ++i) {
      bytes_.insert(bytes_.end(), {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(salt),
                                   static_cast<std::uint8_t>(255 - i)});
    }
    return *this;
  }
  GifBuilder& Control(int packed, int delay, int transparent = 0) {
    bytes_.insert(bytes_.end(), {0x21, 0xF9, 4, static_cast<std::uint8_t>(packed)});
    Word(delay);
    bytes_.insert(bytes_.end(), {static_cast<std::uint8_t>(transparent), 0});
    return *this;
  }
  GifBuilder& Application(const std::string& identifier, const Bytes& sub_blocks) {
    bytes_.insert(bytes_.end(), {0x21, 0xFF, static_cast<std::uint8_t>(identifier.size())});
    bytes_.insert(bytes_.end(), identifier.begin(), identifier.end());
    bytes_.insert(bytes_.end(), sub_blocks.begin(), sub_blocks.end());
    bytes_.push_back(0);
    return *this;
  }
  GifBuilder& Comment(const std::string& text) {
    bytes_.insert(bytes_.end(), {0x21, 0xFE, static_cast<std::uint8_t>(text.size())});
    bytes_.insert(bytes_.end(), text.begin(), text.end());
    bytes_.push_back(0);
    return *this;
  }
  // An image with a little data: minimum code size 2, one 2-byte sub-block, terminator.
  GifBuilder& Image(int left, int top, int width, int height, int local_bits = 0, int salt = 0) {
    last_descriptor_ = static_cast<int>(bytes_.size());
    bytes_.push_back(0x2C);
    Word(left);
    Word(top);
    Word(width);
    Word(height);
    bytes_.push_back(static_cast<std::uint8_t>(local_bits > 0 ? 0x80 | (local_bits - 1) : 0));
    if (local_bits > 0) Table(local_bits, salt);
    bytes_.insert(bytes_.end(), {2, 2, 0x4C, 0x01, 0});
    return *this;
  }
  GifBuilder& Raw(const Bytes& raw) {
    bytes_.insert(bytes_.end(), raw.begin(), raw.end());
    return *this;
  }
  GifBuilder& Trailer() {
    bytes_.push_back(0x3B);
    return *this;
  }
  int Size() const { return static_cast<int>(bytes_.size()); }
  int LastDescriptor() const { return last_descriptor_; }
  const Bytes& bytes() const { return bytes_; }

 private:
  void Word(int v) {
    bytes_.push_back(static_cast<std::uint8_t>(v & 0xFF));
    bytes_.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
  }
  Bytes bytes_;
  int last_descriptor_ = 0;
};

constexpr int kImageSpan = 15;  // "," + 9 descriptor bytes + size byte + (2, x, x) + terminator

TEST(GifParserSignature, AcceptsBothVersionsInAnyCase) {
  for (const char* signature : {"GIF89a", "GIF87a", "gif89a", "gIf87A"}) {
    GifParser parser;
    EXPECT_EQ(parser.ParseGIFStream(GifBuilder(signature).Image(0, 0, 2, 2).Trailer().bytes()), 1)
        << signature;
  }
}

TEST(GifParserSignature, RejectsOtherSignaturesAndShortFiles) {
  GifParser parser;
  EXPECT_EQ(parser.ParseGIFStream(GifBuilder("GIF90a").Image(0, 0, 2, 2).Trailer().bytes()), 0);
  EXPECT_EQ(parser.ParseGIFStream(Bytes{'G', 'I', 'F', '8', '9'}), 0);
  EXPECT_EQ(parser.ParseGIFStream(Bytes{}), 0);
  EXPECT_TRUE(parser.frames.empty());
}

TEST(GifParserScreen, IsTheBoundingBoxOfTheImagesNotTheHeader) {
  GifParser parser;
  ASSERT_EQ(
      parser.ParseGIFStream(GifBuilder("GIF89a", 500, 500).Image(5, 5, 20, 10).Trailer().bytes()),
      1);
  EXPECT_EQ(parser.screen.screenWidth, 25);
  EXPECT_EQ(parser.screen.screenHeight, 15);
  ASSERT_EQ(
      parser.ParseGIFStream(GifBuilder().Image(0, 30, 4, 4).Image(40, 1, 2, 2).Trailer().bytes()),
      2);
  EXPECT_EQ(parser.screen.screenWidth, 42);
  EXPECT_EQ(parser.screen.screenHeight, 34);
}

TEST(GifParserScreen, PositionsAndSizesAreUnsigned) {
  GifParser parser;
  ASSERT_EQ(parser.ParseGIFStream(GifBuilder().Image(0xFFFF, 0x8000, 0xFFFF, 1).Trailer().bytes()),
            1);
  EXPECT_EQ(parser.frames[0].left, 65535);
  EXPECT_EQ(parser.frames[0].top, 32768);
  EXPECT_EQ(parser.frames[0].width, 65535);
  EXPECT_EQ(parser.screen.screenWidth, 131070);
}

TEST(GifParserBlocks, StrayZeroBytesBetweenBlocksAreSkipped) {
  GifParser parser;
  const auto file = GifBuilder().Raw({0, 0}).Image(0, 0, 2, 2).Raw({0}).Image(0, 0, 3, 3).Trailer();
  EXPECT_EQ(parser.ParseGIFStream(file.bytes()), 2);
}

TEST(GifParserBlocks, UnknownByteEndsTheStreamKeepingFrames) {
  GifParser parser;
  EXPECT_EQ(
      parser.ParseGIFStream(GifBuilder().Image(0, 0, 2, 2).Raw({0x99}).Image(0, 0, 3, 3).bytes()),
      1);
}

TEST(GifParserLoops, NetscapeExtensionSetsLoops) {
  GifParser parser;
  ASSERT_EQ(parser.ParseGIFStream(GifBuilder()
                                      .Application("NETSCAPE2.0", {3, 1, 7, 0})
                                      .Image(0, 0, 2, 2)
                                      .Trailer()
                                      .bytes()),
            1);
  EXPECT_EQ(parser.screen.loops, 7);
  ASSERT_EQ(parser.ParseGIFStream(GifBuilder()
                                      .Application("netscape2.0", {3, 1, 0xFF, 0xFF})
                                      .Image(0, 0, 2, 2)
                                      .Trailer()
                                      .bytes()),
            1);
  EXPECT_EQ(parser.screen.loops, 65535);
  ASSERT_EQ(parser.ParseGIFStream(GifBuilder()
                                      .Application("NETSCAPE2.0", {3, 1, 0, 0})
                                      .Image(0, 0, 2, 2)
                                      .Trailer()
                                      .bytes()),
            1);
  EXPECT_EQ(parser.screen.loops, 0);
}

TEST(GifParserLoops, OtherApplicationsAndOtherSubBlocksAreSkipped) {
  GifParser parser;
  ASSERT_EQ(parser.ParseGIFStream(GifBuilder()
                                      .Application("ANIMEXTS1.0", {3, 1, 9, 0})
                                      .Application("NETSCAPE2.0", {5, 1, 4, 0, 0, 0})
                                      .Image(0, 0, 2, 2)
                                      .Trailer()
                                      .bytes()),
            1);
  EXPECT_EQ(parser.screen.loops, 0);
}

TEST(GifParserControl, DelayIsHundredthsTimesTenAndUnsigned) {
  GifParser parser;
  ASSERT_EQ(parser.ParseGIFStream(GifBuilder()
                                      .Control(0, 5)
                                      .Image(0, 0, 2, 2)
                                      .Control(0, 0xFFFF)
                                      .Image(0, 0, 2, 2)
                                      .Image(0, 0, 2, 2)
                                      .Trailer()
                                      .bytes()),
            3);
  EXPECT_EQ(parser.frames[0].delay, 50);
  EXPECT_EQ(parser.frames[1].delay, 655350);
  EXPECT_EQ(parser.frames[2].delay, 0);  // no extension of its own
}

TEST(GifParserControl, DisposalUsesTwoBitsAndFirstFrameCannotRestorePrevious) {
  GifParser parser;
  GifBuilder file;
  file.Control(3 << 2, 0).Image(0, 0, 2, 2);  // 3 on the first frame: 0
  for (int field = 0; field < 8; ++field) file.Control(field << 2, 0).Image(0, 0, 2, 2);
  ASSERT_EQ(parser.ParseGIFStream(file.Trailer().bytes()), 9);
  EXPECT_EQ(parser.frames[0].disposal, 0);
  for (int field = 0; field < 8; ++field)
    EXPECT_EQ(parser.frames[1 + field].disposal, field & 3) << field;
}

TEST(GifParserControl, TransparencyOnlyWithTheFlag) {
  GifParser parser;
  ASSERT_EQ(parser.ParseGIFStream(GifBuilder()
                                      .Control(1, 0, 9)
                                      .Image(0, 0, 2, 2)
                                      .Control(0, 0, 9)
                                      .Image(0, 0, 2, 2)
                                      .Trailer()
                                      .bytes()),
            2);
  EXPECT_EQ(parser.frames[0].hasTransparency, 1);
  EXPECT_EQ(parser.frames[0].transparentIndex, 9);
  EXPECT_EQ(parser.frames[1].hasTransparency, 0);
  EXPECT_EQ(parser.frames[1].transparentIndex, 0);
}

TEST(GifParserControl, AppliesToTheNextImageOnlyAndLaterOnesReplaceEarlier) {
  GifParser parser;
  GifBuilder file;
  file.Control(1, 10, 4).Control(0, 20).Comment("hi");
  const int second_control = file.Size() - 6 - 8;  // the second extension's "!"
  file.Raw({0x21, 0x01, 3, 'a', 'b', 'c', 0});     // plain text: skipped, the extension waits
  file.Image(0, 0, 2, 2).Image(0, 0, 2, 2).Trailer();
  ASSERT_EQ(parser.ParseGIFStream(file.bytes()), 2);
  EXPECT_EQ(parser.frames[0].delay, 200);
  EXPECT_EQ(parser.frames[0].hasTransparency, 0);
  EXPECT_EQ(parser.frames[0].dataStart, second_control);
  EXPECT_EQ(parser.frames[1],
            (FrameRecord{0, 0, 2, 2, 0, 0, parser.frameSpans[1].descriptorPos, 0, 0, 0}));
}

TEST(GifParserSpans, RecordDescriptorAndLengthThroughTheTerminator) {
  GifParser parser;
  GifBuilder file;
  file.Control(0, 1);
  const int control = file.Size() - 8;
  file.Image(1, 2, 3, 4);
  const int first = file.LastDescriptor();
  file.Image(0, 0, 2, 2, 3);
  const int second = file.LastDescriptor();
  ASSERT_EQ(parser.ParseGIFStream(file.Trailer().bytes()), 2);
  EXPECT_EQ(parser.frameSpans[0], (FrameSpan{kImageSpan, first}));
  EXPECT_EQ(parser.frameSpans[1], (FrameSpan{kImageSpan + 3 * 8, second}));
  EXPECT_EQ(parser.frames[0].dataStart, control);
  EXPECT_EQ(parser.frames[1].dataStart, second);
  EXPECT_GE(parser.frameSpans.size(), 2u);
}

TEST(GifParserTables, GlobalAndLocalTablesInDrawingForm) {
  GifParser parser;
  const auto file = GifBuilder("GIF89a", 1, 1, 2)
                        .Image(0, 0, 2, 2, 1, 0x11)
                        .Image(0, 0, 2, 2)
                        .Image(0, 0, 2, 2, 4, 0x22)
                        .Image(0, 0, 2, 2, 3, 0x33)
                        .Trailer();
  ASSERT_EQ(parser.ParseGIFStream(file.bytes()), 4);
  ASSERT_EQ(parser.colorTables.size(), 4u);
  EXPECT_EQ(parser.frames[0].tableIndex, 1);
  EXPECT_EQ(parser.frames[1].tableIndex, 0);
  EXPECT_EQ(parser.frames[2].tableIndex, 2);
  EXPECT_EQ(parser.frames[3].tableIndex, 3);
  EXPECT_EQ(parser.colorTables[0][3], 0x0300FCu);
  EXPECT_EQ(parser.colorTables[0][4], 0u);
  EXPECT_EQ(parser.colorTables[0][kColorCountSlot], 4u);
  EXPECT_EQ(parser.colorTables[1][1], 0x0111FEu);
  EXPECT_EQ(parser.colorTables[1][kColorCountSlot], 2u);
  EXPECT_EQ(parser.colorTables[2][15], 0x0F22F0u);
  EXPECT_EQ(parser.colorTables[2][kColorCountSlot], 16u);
  EXPECT_EQ(parser.colorTables[3][7], 0x0733F8u);
  EXPECT_EQ(parser.selectedTable, 3);
}

TEST(GifParserTables, LocalTablesWithoutGlobalStartAtOne) {
  GifParser parser;
  ASSERT_EQ(parser.ParseGIFStream(
                GifBuilder("GIF89a", 1, 1, 0).Image(0, 0, 2, 2, 2, 5).Trailer().bytes()),
            1);
  EXPECT_EQ(parser.frames[0].tableIndex, 1);
  ASSERT_EQ(parser.colorTables.size(), 2u);
  EXPECT_EQ(parser.colorTables[0][kColorCountSlot], 0u);
}

TEST(GifParserTables, ImageWithoutAnyTableFailsTheWholeParse) {
  GifParser parser;
  const auto file = GifBuilder("GIF89a", 1, 1, 0)
                        .Image(0, 0, 2, 2, 2)
                        .Image(0, 0, 2, 2, 1)
                        .Image(0, 0, 2, 2)
                        .Trailer();
  EXPECT_EQ(parser.ParseGIFStream(file.bytes()), 0);
  EXPECT_TRUE(parser.frames.empty());
}

TEST(GifParserTables, GlobalTableNeedsOneByteBeyondIt) {
  GifParser parser;
  const Bytes header = GifBuilder("GIF89a", 1, 1, 1).bytes();  // 13 + 6 bytes, nothing after
  EXPECT_EQ(parser.ParseGIFStream(header), 0);
  EXPECT_TRUE(parser.colorTables.empty());
}

TEST(GifParserTruncation, CutInsideTheThirdImageKeepsWhatIsComplete) {
  GifBuilder file;
  file.Image(0, 0, 2, 2).Image(0, 0, 2, 2);
  const int cut_base = file.Size();
  file.Image(0, 0, 7, 3).Trailer();
  const Bytes& whole = file.bytes();
  struct Case {
    int kept_of_third;  // bytes of the third image present
    int frames;
  };
  // Up to the minimum code size byte the third image is incomplete (2 frames); from there on
  // its span reaches the end of the file and it is kept (3 frames).
  for (const Case c : {Case{0, 2}, Case{1, 2}, Case{9, 2}, Case{10, 2}, Case{11, 3}, Case{12, 3},
                       Case{13, 3}, Case{14, 3}}) {
    const Bytes cut(whole.begin(), whole.begin() + cut_base + c.kept_of_third);
    GifParser parser;
    EXPECT_EQ(parser.ParseGIFStream(cut), c.frames) << c.kept_of_third;
    ASSERT_EQ(parser.frames.size(), static_cast<std::size_t>(c.frames));
    if (c.frames == 3) {
      // The span stops at the end of the file, never beyond it.
      EXPECT_EQ(parser.frameSpans[2].descriptorPos + parser.frameSpans[2].length,
                static_cast<int>(cut.size()));
      EXPECT_EQ(parser.screen.screenWidth, 7);
    } else {
      EXPECT_EQ(parser.screen.screenWidth, 2);
    }
  }
}

TEST(GifParserTruncation, CutInsideExtensionsKeepsEarlierFrames) {
  GifBuilder file;
  file.Image(0, 0, 2, 2);
  const int base = file.Size();
  file.Control(1, 3, 2).Application("NETSCAPE2.0", {3, 1, 5, 0}).Image(0, 0, 2, 2);
  for (int kept = 0; kept < file.Size() - base; ++kept) {
    const Bytes cut(file.bytes().begin(), file.bytes().begin() + base + kept);
    GifParser parser;
    const int frames = parser.ParseGIFStream(cut);
    EXPECT_GE(frames, 1) << kept;
    EXPECT_LE(frames, 2) << kept;
    EXPECT_EQ(parser.frames.size(), static_cast<std::size_t>(frames));
  }
}

TEST(GifParserLimits, FrameCountStopsAt32765) {
  GifBuilder file;
  for (int i = 0; i < kMaxFrames + 5; ++i) file.Image(i % 3, 0, 1, 1);
  GifParser parser;
  EXPECT_EQ(parser.ParseGIFStream(file.Trailer().bytes()), kMaxFrames);
  ASSERT_EQ(parser.frames.size(), static_cast<std::size_t>(kMaxFrames));
  // The last kept frame is complete, not an empty record.
  EXPECT_EQ(parser.frames.back(),
            (FrameRecord{(kMaxFrames - 1) % 3, 0, 1, 1, 0, 0,
                         parser.frameSpans[kMaxFrames - 1].descriptorPos, 0, 0, 0}));
  EXPECT_GE(parser.frameSpans.size(), static_cast<std::size_t>(kMaxFrames));
}

TEST(GifParserReaders, EndOfDataRules) {
  const Bytes bytes{1, 2, 3};
  GifParser parser;
  parser.Attach(bytes);
  parser.readPos = 2;
  EXPECT_FALSE(parser.ReadWord().ok());
  EXPECT_EQ(parser.readPos, 2);
  auto last = parser.ReadByte();
  ASSERT_TRUE(last.ok());
  EXPECT_EQ(*last, 3);
  EXPECT_FALSE(parser.ReadByte().ok());
  EXPECT_EQ(parser.readPos, 3);
  parser.readPos = 1;
  parser.ReadBytes(5);
  EXPECT_EQ(parser.scratch, Bytes(5, 0));
  EXPECT_EQ(parser.readPos, 1);
  parser.ReadBytes(2);
  EXPECT_EQ(parser.scratch, (Bytes{2, 3}));
  EXPECT_EQ(parser.readPos, 3);
  parser.readPos = 0;
  auto word = parser.ReadWord();
  ASSERT_TRUE(word.ok());
  EXPECT_EQ(*word, 0x0201);
}

TEST(GifParserReaders, ColorTableNeedsTableSizePlusOne) {
  Bytes bytes(3 * 4, 0x10);
  GifParser parser;
  parser.Attach(bytes);
  EXPECT_FALSE(parser.ReadColorTable(0, 2).ok());
  EXPECT_EQ(parser.readPos, 0);
  bytes.push_back(0);
  parser.Attach(bytes);
  EXPECT_TRUE(parser.ReadColorTable(2, 2).ok());
  EXPECT_EQ(parser.readPos, 12);
  ASSERT_EQ(parser.colorTables.size(), 3u);
  EXPECT_EQ(parser.colorTables[2][0], 0x101010u);
  EXPECT_EQ(parser.colorTables[2][kColorCountSlot], 4u);
}

TEST(GifParserReaders, SkipSubBlocksStopsAtTheTerminatorOrPastTheEnd) {
  const Bytes chain{2, 9, 9, 1, 9, 0, 7};
  GifParser parser;
  parser.Attach(chain);
  parser.SkipSubBlocks();
  EXPECT_EQ(parser.readPos, 6);
  const Bytes cut{200, 1, 2};
  parser.Attach(cut);
  parser.SkipSubBlocks();
  EXPECT_EQ(parser.readPos, 202);
}

}  // namespace
}  // namespace tovarin::gif
