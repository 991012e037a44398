#pragma once
// The fixed values of the GIF87a/GIF89a wire format, shared by every reader and writer of GIF
// bytes in the program (the picture loader, the engine's parser and export, the control's
// loading sources and the tools).
//
// A file, offsets from 0:
//   0   6  signature "GIF87a" / "GIF89a"; letter case is not significant (IsGifSignature)
//   6   4  logical screen width, height (little-endian 16-bit each)
//   10  1  packed: 0x80 global colour table, bits 0-2 = k, a table of 2^(k+1) colours
//   11  2  background colour index, pixel aspect ratio
//   13     [global colour table, 3 bytes (R, G, B) per colour]
//   then blocks, each starting with an introducer byte:
//     0x21 label sub-blocks... 0       extension
//     0x2C left top width height (2 each) packed [local table] minimum-code-size sub-blocks 0
//     0x3B                             trailer
// A sub-block is one length byte n (1..255) and n bytes; a length byte of 0 ends the chain.

#include <cstdint>
#include <span>

namespace tovarin::platform {

inline constexpr std::size_t kGifSignatureBytes = 6;
inline constexpr std::size_t kGifScreenPackedOffset = 10;  // packed byte of the screen descriptor
inline constexpr std::size_t kGifHeaderBytes = 13;  // signature and logical screen descriptor
inline constexpr std::size_t kGifImageDescriptorBytes = 10;  // "," and its nine bytes of fields

// Block introducers.
inline constexpr std::uint8_t kGifExtensionIntroducer = 0x21;  // "!"
inline constexpr std::uint8_t kGifImageSeparator = 0x2C;       // ","
inline constexpr std::uint8_t kGifTrailer = 0x3B;              // ";"

// Extension labels.
inline constexpr std::uint8_t kGifPlainTextLabel = 0x01;
inline constexpr std::uint8_t kGifGraphicControlLabel = 0xF9;
inline constexpr std::uint8_t kGifCommentLabel = 0xFE;
inline constexpr std::uint8_t kGifApplicationLabel = 0xFF;

// Bits of the packed bytes.
inline constexpr std::uint8_t kGifColorTableFlag = 0x80;    // screen and image descriptors
inline constexpr std::uint8_t kGifInterlaceFlag = 0x40;     // image descriptor
inline constexpr std::uint8_t kGifTableSizeMask = 0x07;     // both descriptors: k of 2^(k+1)
inline constexpr std::uint8_t kGifTransparencyFlag = 0x01;  // Graphic Control Extension
inline constexpr int kGifDisposalShift = 2;                 // Graphic Control Extension,
inline constexpr std::uint8_t kGifDisposalMask = 0x07;      // bits 2-4

inline constexpr int kGifMaxColors = 256;

// The size field k of a packed byte as the table's power of two: a table of 2^bits colours.
constexpr int GifColorTableBits(std::uint8_t packed) { return (packed & kGifTableSizeMask) + 1; }

// The number of bytes of the colour table a packed byte announces (3 per colour).
constexpr std::size_t GifColorTableBytes(std::uint8_t packed) {
  return std::size_t{3} << GifColorTableBits(packed);
}

// True when `bytes` begins with "GIF87a" or "GIF89a", in any mix of upper and lower case.
// Fewer than six bytes are not a signature.
bool IsGifSignature(std::span<const std::uint8_t> bytes);

// The RGB triples of a colour table as 0x00RRGGBB values: rgb.size() / 3 of them into `colors`,
// which must have room for them.
void ReadGifColors(std::span<const std::uint8_t> rgb, std::span<std::uint32_t> colors);

}  // namespace tovarin::platform
