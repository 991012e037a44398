#pragma once
// The data model of a parsed GIF, shared by the parser, frame building, composition, the clock,
// export and the palette operations.
//
// Positions are 0-based offsets into the GIF file bytes. A position of 0 means "not set": the
// signature occupies offset 0, so no block can start there.

#include <array>
#include <cstdint>

namespace tovarin::gif {

// One kept image, fields in the fixed order of the engine.
struct FrameRecord {
  std::int32_t left = 0;  // position in the logical screen (read unsigned, 0..65535)
  std::int32_t top = 0;
  std::int32_t width = 0;  // size of the image (read unsigned, 0..65535)
  std::int32_t height = 0;
  std::int32_t delay =
      0;  // milliseconds: the Graphic Control Extension's hundredths x 10; 0 without one
  std::int32_t tableIndex = 0;  // 0 = global table, 1.. = the image's own local table
  // Offset of the image's first byte to copy: the "!" of its Graphic Control Extension when it
  // has one, else its ",". Once the frame is built it holds the frame's x position in the
  // frame strip instead (stripX).
  std::int32_t dataStart = 0;
  std::uint8_t transparentIndex = 0;
  std::uint8_t hasTransparency = 0;  // 1 when the extension's transparency flag is set
  std::uint8_t disposal = 0;         // 0..3
  friend bool operator==(const FrameRecord&, const FrameRecord&) = default;
};

// Where an image sits in the file: its "," and the number of bytes from there through the
// zero-length block that ends its data (cut at the end of the file when the file ends first).
struct FrameSpan {
  std::int32_t length = 0;
  std::int32_t descriptorPos = 0;
  friend bool operator==(const FrameSpan&, const FrameSpan&) = default;
};

// A colour table in drawing form: slots 0..255 hold 0x00RRGGBB, slot 256 the number of colours.
inline constexpr int kColorCountSlot = 256;
using ColorTable = std::array<std::uint32_t, kColorCountSlot + 1>;

// The logical screen: the bounding box from (0, 0) of the kept images, the loop count of the
// "NETSCAPE2.0" extension, and the scale factors of composition.
struct ScreenRecord {
  std::int32_t screenWidth = 0;
  std::int32_t screenHeight = 0;
  std::int32_t loops = 0;
  float scaleX = 0.0f;
  float scaleY = 0.0f;
};

}  // namespace tovarin::gif
