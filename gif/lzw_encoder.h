#pragma once
// LzwEncoder: the GIF LZW compressor used to export a frame. It follows the classic hashed GIF
// compressor: 8-bit literals, 12-bit codes at most, a 5003-slot open-addressing hash of
// (pixel, prefix) keys, a clear code when code 4096 would be assigned, and data sub-blocks of
// 254 bytes.
//
// Code stream: clear (256) first; codes start 9 bits wide and widen by one bit right after the
// code 2^width has been assigned, so the first wider code is the one written after that
// assignment; the last pixel string, then end-of-information (257), then the bits left are
// flushed. Codes are packed least significant bit first.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tovarin::gif {

// Rows of 8-bit palette indices, top row first.
struct IndexRows {
  const std::uint8_t* topRow = nullptr;  // leftmost pixel of the top row
  std::ptrdiff_t rowStep = 0;            // bytes from a row to the one below (negative bottom-up)
  int width = 0;
  int height = 0;
};

class LzwEncoder {
 public:
  static constexpr int kClearCode = 256;
  static constexpr int kEndCode = 257;
  static constexpr int kFlush = -1;
  static constexpr int kHashSize = 5003;
  static constexpr int kMaxCodes = 4096;
  static constexpr int kSubBlockData = 254;

  // Compresses `rows` (width and height at least 1) and appends the data sub-blocks to `out`.
  // The zero-length terminator is not written: the caller's next byte is it.
  void Encode(const IndexRows& rows, std::vector<std::uint8_t>& out);

  // Appends one code of the current width to the bit stream; kFlush writes out the bits and
  // the sub-block still held.
  void EmitCode(int code);

 private:
  void ResetTable();
  void StartSubBlock();

  std::array<std::int32_t, kHashSize> hashKeys_{};
  std::array<std::int32_t, kHashSize> hashCodes_{};
  std::array<std::uint8_t, kSubBlockData + 1> scratch_{};  // [0] length byte, [1..254] data
  int fill_ = 1;
  int width_ = 9;
  int largestCode_ = 511;
  int nextCode_ = 258;
  std::uint32_t accumulator_ = 0;
  int bitCount_ = 0;
  std::vector<std::uint8_t>* out_ = nullptr;
};

}  // namespace tovarin::gif
