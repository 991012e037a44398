#include "gif/gif_parser.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace tovarin::gif {
namespace {

using platform::Error;
using platform::Result;
using platform::Status;

constexpr std::size_t kInitialSpans = 10;
constexpr std::size_t kSpanGrowth = 5;
constexpr std::int64_t kPackedFieldPos = 10;  // logical screen descriptor's packed byte
constexpr std::int64_t kFirstBlockPos = 13;   // after the logical screen descriptor
constexpr int kColorTableFlag = 0x80;
constexpr int kTransparencyFlag = 0x01;
constexpr std::int64_t kGraphicControlTerminator =
    7;  // from "!" to the terminator of a 4-byte block
constexpr std::int32_t kMinimumSpan = 3;

constexpr std::uint8_t kStrayByte = 0x00;
constexpr std::uint8_t kExtensionIntroducer = 0x21;
constexpr std::uint8_t kImageSeparator = 0x2C;
constexpr std::uint8_t kApplicationLabel = 0xFF;
constexpr std::uint8_t kGraphicControlLabel = 0xF9;

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

Result<std::uint8_t> GifParser::ReadByte() {
  if (readPos < 0 || Remaining() < 1) return EndOfFile();
  return gifBytes_[static_cast<std::size_t>(readPos++)];
}

Result<std::uint16_t> GifParser::ReadWord() {
  if (readPos < 0 || Remaining() < 2) return EndOfFile();
  const auto pos = static_cast<std::size_t>(readPos);
  readPos += 2;
  return static_cast<std::uint16_t>(gifBytes_[pos] | (gifBytes_[pos + 1] << 8));
}

void GifParser::ReadBytes(std::size_t n) {
  scratch.assign(n, 0);
  if (readPos < 0 || Remaining() < static_cast<std::int64_t>(n)) return;
  std::copy_n(gifBytes_.begin() + readPos, n, scratch.begin());
  readPos += static_cast<std::int64_t>(n);
}

Status GifParser::ReadColorTable(int tableIndex, int bits) {
  const int colors = 1 << bits;
  if (readPos < 0 || Remaining() < 3 * std::int64_t{colors} + 1) return EndOfFile();
  if (colorTables.size() <= static_cast<std::size_t>(tableIndex)) {
    colorTables.resize(static_cast<std::size_t>(tableIndex) + 1, ColorTable{});
  }
  ColorTable& table = colorTables[static_cast<std::size_t>(tableIndex)];
  table.fill(0);
  const std::uint8_t* rgb = gifBytes_.data() + readPos;
  for (int i = 0; i < colors; ++i, rgb += 3) {
    table[static_cast<std::size_t>(i)] =
        (std::uint32_t{rgb[0]} << 16) | (std::uint32_t{rgb[1]} << 8) | rgb[2];
  }
  table[kColorCountSlot] = static_cast<std::uint32_t>(colors);
  readPos += 3 * std::int64_t{colors};
  return Status::Ok();
}

void GifParser::SkipSubBlocks() {
  const auto size = static_cast<std::int64_t>(gifBytes_.size());
  while (readPos >= 0 && readPos < size && gifBytes_[static_cast<std::size_t>(readPos)] != 0) {
    readPos += gifBytes_[static_cast<std::size_t>(readPos)] + 1;
  }
  readPos += 1;
}

std::int64_t GifParser::Remaining() const {
  return std::max<std::int64_t>(0, static_cast<std::int64_t>(gifBytes_.size()) - readPos);
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
  ReadBytes(6);
  std::string signature(scratch.begin(), scratch.end());
  for (char& c : signature) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (signature != "gif89a" && signature != "gif87a") return false;

  readPos = kPackedFieldPos;
  auto packed = ReadByte();
  if (!packed) return true;
  readPos = kFirstBlockPos;
  bool globalTable = false;
  if ((*packed & kColorTableFlag) != 0) {
    selectedTable = 0;
    if (!ReadColorTable(0, (*packed & 7) + 1)) return true;
    globalTable = true;
  }

  FrameRecord pending;
  for (;;) {
    auto introducer = ReadByte();
    if (!introducer) return true;
    if (*introducer == kStrayByte) continue;
    if (*introducer == kExtensionIntroducer) {
      auto label = ReadByte();
      if (!label) return true;
      Status status;
      if (*label == kApplicationLabel) {
        status = ParseApplication();
      } else if (*label == kGraphicControlLabel) {
        status = ParseGraphicControl(count, pending);
      } else {
        SkipSubBlocks();  // comment, plain text (not drawn) and unknown extensions
      }
      if (!status) return true;
    } else if (*introducer == kImageSeparator) {
      bool noTable = false;
      const Status status = ParseImage(count, pending, globalTable, noTable);
      if (noTable) return false;
      if (!status || count >= kMaxFrames) return true;
    } else {
      return true;  // ";" or anything unknown ends the stream
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
  pending.disposal = static_cast<std::uint8_t>((*packed >> 2) & 3);
  // "Restore to previous" has nothing to restore before the first frame.
  if (pending.disposal == 3 && count == 0) pending.disposal = 0;
  auto delay = ReadWord();
  if (!delay) return Status(Error{delay.error()});
  pending.delay = std::int32_t{*delay} * 10;
  pending.hasTransparency = static_cast<std::uint8_t>(*packed & kTransparencyFlag);
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
  if ((*packed & kColorTableFlag) != 0) {
    pending.tableIndex = selectedTable + 1;
    TOVARIN_TRY(ReadColorTable(pending.tableIndex, (*packed & 7) + 1));
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
