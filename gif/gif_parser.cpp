#include "gif/gif_parser.h"

#include <algorithm>
#include <optional>
#include <string>

namespace tovarin::gif {
namespace {

using platform::Error;
using platform::GifBlockKind;
using platform::Result;
using platform::Status;

constexpr std::size_t kInitialSpans = 10;
constexpr std::size_t kSpanGrowth = 5;
constexpr std::int64_t kGraphicControlTerminator =
    7;  // from "!" to the terminator of a 4-byte block
constexpr std::int32_t kMinimumSpan = 3;

Error EndOfFile() { return Error{"ReadGifFile: End of File"}; }

// Ends the current function with the reader's error (the parse keeps what it has).
#define TOVARIN_TRY(expression)                                                       \
  do {                                                                                \
    if (auto status_ = (expression); !status_) return Status(Error{status_.error()}); \
  } while (false)

}  // namespace

void GifParser::Attach(std::span<const std::uint8_t> bytes) {
  gifBytes_ = bytes;
  readPos = 0;
}

template <typename Read>
auto GifParser::AtReadPos(Read read) {
  platform::GifBlockReader reader(gifBytes_, readPos);
  auto result = read(reader);
  readPos = reader.Position();
  return result;
}

Result<std::uint8_t> GifParser::ReadByte() {
  if (auto value = AtReadPos([](auto& reader) { return reader.Byte(); })) return *value;
  return EndOfFile();
}

Result<std::uint16_t> GifParser::ReadWord() {
  if (auto value = AtReadPos([](auto& reader) { return reader.Word(); })) return *value;
  return EndOfFile();
}

void GifParser::ReadBytes(std::size_t n) {
  scratch.assign(n, 0);
  if (auto bytes = AtReadPos([n](auto& reader) { return reader.Bytes(n); }))
    std::copy(bytes->begin(), bytes->end(), scratch.begin());
}

Status GifParser::ReadColorTable(int tableIndex, int bits) {
  const int colors = 1 << bits;
  // One byte past the table must exist (the next block's introducer at the least).
  const auto rgb = AtReadPos([colors](auto& reader) {
    return reader.Remaining() < 3 * std::int64_t{colors} + 1
               ? std::nullopt
               : reader.Bytes(3 * static_cast<std::size_t>(colors));
  });
  if (!rgb) return EndOfFile();
  if (colorTables.size() <= static_cast<std::size_t>(tableIndex)) {
    colorTables.resize(static_cast<std::size_t>(tableIndex) + 1, ColorTable{});
  }
  ColorTable& table = colorTables[static_cast<std::size_t>(tableIndex)];
  table.fill(0);
  platform::ReadGifColors(*rgb, table);
  table[kColorCountSlot] = static_cast<std::uint32_t>(colors);
  return Status::Ok();
}

void GifParser::SkipSubBlocks() {
  AtReadPos([](auto& reader) {
    reader.SkipSubBlocks();
    return true;
  });
}

std::int16_t GifParser::ParseGIFStream(std::span<const std::uint8_t> gifBytes) {
  Attach(gifBytes);
  frames.clear();
  frameSpans.assign(kInitialSpans, FrameSpan{});
  colorTables.clear();
  screen.screenWidth = 0;
  screen.screenHeight = 0;
  screen.loops = 0;
  selectedTable = 0;
  int count = 0;
  const bool usable = ParseBlocks(count);
  gifBytes_ = {};
  if (!usable) count = 0;
  frames.resize(static_cast<std::size_t>(count));
  return static_cast<std::int16_t>(count);
}

bool GifParser::ParseBlocks(int& count) {
  if (!platform::IsGifSignature(gifBytes_)) return false;
  // The screen's width and height are not used: the screen is the images' bounding box.
  const auto descriptor = AtReadPos([](auto& reader) { return reader.ScreenDescriptor(); });
  if (!descriptor) return true;
  bool globalTable = false;
  if (descriptor->HasColorTable()) {
    selectedTable = 0;
    if (!ReadColorTable(0, platform::GifColorTableBits(descriptor->packed))) return true;
    globalTable = true;
  }

  FrameRecord pending;
  for (;;) {
    const auto block = AtReadPos([](auto& reader) { return reader.NextBlock(); });
    if (block.kind == GifBlockKind::kExtension) {
      Status status;
      if (block.label == platform::kGifApplicationLabel) {
        status = ParseApplication();
      } else if (block.label == platform::kGifGraphicControlLabel) {
        status = ParseGraphicControl(count, pending);
      } else {
        SkipSubBlocks();  // comment, plain text (not drawn) and unknown extensions
      }
      if (!status) return true;
    } else if (block.kind == GifBlockKind::kImage) {
      bool noTable = false;
      const Status status = ParseImage(count, pending, globalTable, noTable);
      if (noTable) return false;
      if (!status || count >= kMaxFrames) return true;
    } else {
      return true;  // ";", anything unknown or the end of the data ends the stream
    }
  }
}

// 0x21 0xFF n identifier... then, for "NETSCAPE2.0": 3 id loops(2) 0.
Status GifParser::ParseApplication() {
  auto size = ReadByte();
  if (!size) return Status(Error{size.error()});
  ReadBytes(*size);
  std::string identifier(scratch.begin(), scratch.end());
  for (char& c : identifier) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (identifier == "NETSCAPE2.0") {
    auto subBlock = ReadByte();
    if (!subBlock) return Status(Error{subBlock.error()});
    if (*subBlock == 3) {
      readPos += 1;  // the sub-block identifier, not examined
      auto loops = ReadWord();
      if (!loops) return Status(Error{loops.error()});
      screen.loops = *loops;
    } else {
      readPos -= 1;
    }
  }
  SkipSubBlocks();
  return Status::Ok();
}

// "!" 0xF9 size packed delay(2) transparentIndex 0. Applies to the next image only.
Status GifParser::ParseGraphicControl(int count, FrameRecord& pending) {
  pending = FrameRecord{};
  pending.dataStart = static_cast<std::int32_t>(readPos - 2);
  TOVARIN_TRY(ReadByte());  // block size, not used
  auto packed = ReadByte();
  if (!packed) return Status(Error{packed.error()});
  // Only the two low bits of the three-bit disposal field count.
  pending.disposal = static_cast<std::uint8_t>((*packed >> platform::kGifDisposalShift) & 3);
  // "Restore to previous" has nothing to restore before the first frame.
  if (pending.disposal == 3 && count == 0) pending.disposal = 0;
  auto delay = ReadWord();
  if (!delay) return Status(Error{delay.error()});
  pending.delay = std::int32_t{*delay} * 10;
  pending.hasTransparency = static_cast<std::uint8_t>(*packed & platform::kGifTransparencyFlag);
  if (pending.hasTransparency == 1) {
    auto index = ReadByte();
    if (!index) return Status(Error{index.error()});
    pending.transparentIndex = *index;
  } else {
    readPos = pending.dataStart + kGraphicControlTerminator;
  }
  SkipSubBlocks();
  return Status::Ok();
}

// "," left top width height packed [local table] minimum-code-size sub-blocks 0.
Status GifParser::ParseImage(int& count, FrameRecord& pending, bool globalTable, bool& noTable) {
  const auto descriptorPos = static_cast<std::int32_t>(readPos - 1);
  frameSpans[static_cast<std::size_t>(count)].descriptorPos = descriptorPos;
  if (pending.dataStart == 0) pending.dataStart = descriptorPos;
  std::int32_t* fields[] = {&pending.left, &pending.top, &pending.width, &pending.height};
  for (std::int32_t* field : fields) {
    auto value = ReadWord();
    if (!value) return Status(Error{value.error()});
    *field = *value;
  }
  auto packed = ReadByte();
  if (!packed) return Status(Error{packed.error()});
  if ((*packed & platform::kGifColorTableFlag) != 0) {
    pending.tableIndex = selectedTable + 1;
    TOVARIN_TRY(ReadColorTable(pending.tableIndex, platform::GifColorTableBits(*packed)));
    selectedTable = pending.tableIndex;
  } else if (!globalTable) {
    noTable = true;
    return Status(Error{"GIF image has no colour table"});
  }
  TOVARIN_TRY(ReadByte());  // LZW minimum code size, not used here
  SkipSubBlocks();

  // The span ends at the terminator, or at the end of the file when the data is cut.
  const std::int64_t end =
      std::min<std::int64_t>(readPos, static_cast<std::int64_t>(gifBytes_.size()));
  const auto length = static_cast<std::int32_t>(end - descriptorPos);
  frameSpans[static_cast<std::size_t>(count)].length = length;
  if (length >= kMinimumSpan) {
    ++count;
    frames.push_back(pending);
    if (static_cast<std::size_t>(count) == frameSpans.size())
      frameSpans.resize(frameSpans.size() + kSpanGrowth);
    screen.screenWidth = std::max(screen.screenWidth, pending.left + pending.width);
    screen.screenHeight = std::max(screen.screenHeight, pending.top + pending.height);
  }
  pending = FrameRecord{};
  return Status::Ok();
}

#undef TOVARIN_TRY

}  // namespace tovarin::gif
