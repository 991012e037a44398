#pragma once
// GifBlockReader: a bounds-checked cursor over the bytes of a whole GIF file, with the readers
// of the format's pieces (bytes, little-endian words, the screen descriptor, block introducers,
// sub-block chains). It holds a view only: the bytes must outlive it.
//
// Positions are 0-based offsets into the file. Skipping a sub-block chain may leave the cursor
// past the end of the data (a cut chain); every reader treats that as no bytes remaining and
// fails without moving the cursor, so no read ever leaves the data.

#include <cstdint>
#include <optional>
#include <span>

#include "platform/pictures/gif_format.h"

namespace tovarin::platform {

// The logical screen descriptor (the seven bytes after the signature).
struct GifScreenDescriptor {
  int width = 0;  // 0..65535
  int height = 0;
  std::uint8_t packed = 0;
  bool HasColorTable() const { return (packed & kGifColorTableFlag) != 0; }
};

// What starts at the cursor, as NextBlock reads it.
enum class GifBlockKind {
  kExtension,  // an extension; `label` holds its label and the cursor is after it
  kImage,      // an image; the cursor is after its ","
  kEnd,        // the trailer, an unknown introducer, or the end of the data (also within an
               // extension's introducer and label)
};

struct GifBlockStart {
  GifBlockKind kind = GifBlockKind::kEnd;
  std::uint8_t label = 0;
};

class GifBlockReader {
 public:
  GifBlockReader() = default;
  explicit GifBlockReader(std::span<const std::uint8_t> bytes, std::int64_t position = 0)
      : bytes_(bytes), pos_(position) {}

  std::span<const std::uint8_t> Data() const { return bytes_; }
  std::int64_t Position() const { return pos_; }
  void Seek(std::int64_t position) { pos_ = position; }
  // Bytes from the cursor to the end; 0 when the cursor is at or past the end.
  std::int64_t Remaining() const;
  // The bytes from the cursor to the end (empty past the end).
  std::span<const std::uint8_t> Rest() const;

  // The byte at the cursor; nullopt (cursor unmoved) when none remains.
  std::optional<std::uint8_t> Byte();
  // The little-endian 16-bit value at the cursor; nullopt (unmoved) when fewer than 2 remain.
  std::optional<std::uint16_t> Word();
  // The next `count` bytes; nullopt (unmoved) when fewer remain.
  std::optional<std::span<const std::uint8_t>> Bytes(std::size_t count);

  // The logical screen descriptor at offsets 6..12, leaving the cursor at offset 13 (the global
  // colour table, if any); nullopt (unmoved) when the file is shorter than 13 bytes. The
  // signature is not examined: see IsGifSignature.
  std::optional<GifScreenDescriptor> ScreenDescriptor();

  // Reads the next block's introducer, skipping stray zero bytes between blocks, and for an
  // extension also its label.
  GifBlockStart NextBlock();

  // Skips a chain of sub-blocks and its zero-length terminator: while the cursor is within the
  // data on a nonzero length byte, advances by that length plus one; then one more over the
  // terminator. A chain cut by the end of the data leaves the cursor past the end.
  void SkipSubBlocks();

 private:
  std::span<const std::uint8_t> bytes_;
  std::int64_t pos_ = 0;
};

}  // namespace tovarin::platform
