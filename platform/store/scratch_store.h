#pragma once
// The scratch property store: one picture put under a key, given back as bytes. A control uses
// it to get at the encoded file a picture was made from (the GIF control takes a GIF this way).
//
// Byte layout (all integers little-endian):
//
//   offset  size  field
//   0       8     magic "TVSCRTCH"
//   8       4     item count (always 1)
//   12      4     item byte count: everything after this field to the end of the store
//   16      2     value kind (1 = picture)
//   18      2     flags (0)
//   20      2     key length in UTF-16 code units, terminating zero included (k)
//   22      2k    key in UTF-16LE, terminating zero included
//   22+2k   16    class identifier of an encoded picture (kScratchPictureClassId)
//   38+2k   4     byte count n of the encoded picture
//   42+2k   n     the picture's encoded file bytes (EncodedBytes(): the file it was loaded from)
//
// So for the key "myGIF" (k = 6) the header is 54 bytes and the picture's file begins at
// offset 54. Keys are ASCII; a non-ASCII byte is stored as the code unit of its value.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/result.h"

namespace tovarin::platform {

class Picture;

inline constexpr std::array<std::uint8_t, 16> kScratchPictureClassId = {
    0x0B, 0xE3, 0x5A, 0x7B, 0x8F, 0x1B, 0xBA, 0x10, 0x98, 0x5D, 0x00, 0xAA, 0x00, 0x3B, 0x43, 0x50};

// Largest key accepted (in characters).
inline constexpr std::size_t kMaxScratchKeyLength = 255;

// Bytes in front of the picture's file for a key of `key_length` characters.
constexpr std::size_t ScratchStoreHeaderBytes(std::size_t key_length) {
  return 42 + 2 * (key_length + 1);
}

// Builds the store holding `picture` under `key`. Fails for an empty picture, a key longer than
// kMaxScratchKeyLength, or a picture whose encoded bytes cannot be produced.
Result<std::vector<std::uint8_t>> ScratchStoreContents(std::string_view key,
                                                       const Picture& picture);

}  // namespace tovarin::platform
