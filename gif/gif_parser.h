#pragma once
// GifParser: the GIF stream parser of one control. Turns the bytes of a GIF87a/GIF89a file into
// frame records, colour tables, the byte span of every image, the logical screen size and the
// loop count. It does not decode pixel data. Each control owns one parser; nothing is global.
//
// File layout read here (offsets from 0; the whole format is drawn in
// platform/pictures/gif_format.h):
//   0   6  "GIF87a" / "GIF89a" (any letter case)
//   6   4  logical screen width, height (not used: the screen is the images' bounding box)
//   10  1  packed: 0x80 global table, bits 0-2 = k, table of 2^(k+1) colours
//   11  2  background index, aspect ratio (not used)
//   13     [global colour table, 3 bytes per colour]
//   then blocks until ";" or any unknown byte:
//     0x00                           stray byte, skipped
//     0x21 0xFF n <n bytes> subs 0   application extension ("NETSCAPE2.0": 3, id, loops(2))
//     0x21 0xF9 4 packed delay(2) transparent 0      Graphic Control Extension
//     0x21 label subs 0              any other extension, skipped
//     0x2C left top width height (2 each) packed [local table] minsize subs 0   image
//
// The readers follow fixed end-of-data rules (see each one); any reader failure ends the parse
// and keeps the frames completed before it.

#include <cstdint>
#include <span>
#include <vector>

#include "gif/gif_stream.h"
#include "platform/pictures/gif_block_reader.h"
#include "platform/result.h"

namespace tovarin::gif {

// The frame count is a 16-bit number: the parse stops once this many frames are kept.
inline constexpr int kMaxFrames = 32765;

class GifParser {
 public:
  // Parses `gifBytes` (which must outlive the parser's use of it; the parser keeps a view only
  // during the call). Returns the number of frames kept, 0 when the file is not a usable GIF
  // (wrong signature, no image, or an image without any colour table).
  std::int16_t ParseGIFStream(std::span<const std::uint8_t> gifBytes);

  // Results of the last parse.
  std::vector<FrameRecord> frames;      // one per kept image, file order
  std::vector<FrameSpan> frameSpans;    // at least one per frame; spare entries may follow
  std::vector<ColorTable> colorTables;  // table 0 = global; local tables 1, 2, .. in file order
  ScreenRecord screen;                  // screenWidth, screenHeight and loops are filled here
  std::int32_t selectedTable = 0;       // while parsing: number of the last table read

  // Points the readers at `bytes` with readPos 0 (ParseGIFStream does this itself and lets go
  // of the bytes when it returns).
  void Attach(std::span<const std::uint8_t> bytes);

  // Readers over the attached bytes, at readPos.
  // The byte at readPos; fails past the last byte.
  platform::Result<std::uint8_t> ReadByte();
  // The little-endian 16-bit value at readPos, unsigned; fails when fewer than 2 bytes remain.
  platform::Result<std::uint16_t> ReadWord();
  // Makes `scratch` n zero bytes and copies the n bytes at readPos into it; when fewer remain,
  // leaves the zeros and does not move. Never fails.
  void ReadBytes(std::size_t n);
  // Reads 2^bits RGB triples into table `tableIndex` (growing colorTables), sets its colour
  // count; fails unless 3 x 2^bits + 1 bytes remain (one byte past the table must exist).
  platform::Status ReadColorTable(int tableIndex, int bits);
  // Skips a chain of sub-blocks and its terminator. May leave readPos past the end.
  void SkipSubBlocks();

  std::int64_t readPos = 0;           // 0-based cursor; may be past the end after SkipSubBlocks
  std::vector<std::uint8_t> scratch;  // bytes of the last ReadBytes

 private:
  // The parse proper; returns false when the whole parse fails (not a usable GIF).
  bool ParseBlocks(int& count);
  platform::Status ParseImage(int& count, FrameRecord& pending, bool globalTable, bool& noTable);
  platform::Status ParseGraphicControl(int count, FrameRecord& pending);
  platform::Status ParseApplication();
  // Runs `read` on a block reader at readPos and moves readPos along with it.
  template <typename Read>
  auto AtReadPos(Read read);

  std::span<const std::uint8_t> gifBytes_;
};

}  // namespace tovarin::gif
