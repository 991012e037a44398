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
//
// The bytes written are exactly those of the classic compressor, including its one quirk: a
// probe stops at a slot holding key 0 (pixel 0 after the literal 0) as if it were empty, and a
// new key stored there evicts that entry. Two things make this faster than the classic loop
// without changing a byte:
//  - Runs of one colour. The codes of the strings c, cc, ccc, ... form a chain per colour; a
//    prefix known to be such a string is extended over the rest of a run in one step, to the
//    longest string of the chain the run covers, instead of one hash probe per pixel. Every
//    string of a chain is in the hash and would be found by a probe; the only entry a probe
//    can lose (key 0, the string "0 0") cuts colour 0's chain back when it is evicted.
//  - Output. Codes go into a 64-bit accumulator stored eight bytes at a time into a small
//    buffer, which is cut into sub-blocks every few kilobytes.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
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
  // the sub-blocks still held. Between Encode calls it writes to the output of the last one.
  void EmitCode(int code);

 private:
  // Sub-blocks are written out when this many data bytes are held.
  static constexpr std::size_t kSpillBytes = static_cast<std::size_t>(kSubBlockData) * 16;

  void ResetTable();
  void PutCode(int code);
  void WriteSubBlocks(std::size_t count);
  int RunCode(int color, int length) const {
    return runCodes_[static_cast<std::size_t>(color * kRunDepthLimit + length - 2)];
  }
  void EncodeRow(const std::uint8_t* pixel, const std::uint8_t* end, int& prefix);
  int FindOrInsert(int pixel, int prefix);

  // Hash slots: key (pixel x 4096 + prefix, 20 bits) in the low bits, code above it; all ones
  // when empty. Packed so that the whole table stays in the first-level cache.
  std::array<std::uint32_t, kHashSize> slots_{};
  // Per code: its length in its colour's run chain (0 when it is not a run of one colour) and
  // that colour.
  std::array<std::uint16_t, kMaxCodes + 1> runDepth_{};
  std::array<std::uint8_t, kMaxCodes + 1> runColor_{};
  // Per colour c: how many of the strings c, cc, ccc, ... have codes (at least 1: the literal)
  // and, from cc on, their codes (runCodes_[c x kRunDepthLimit + length - 2]). Runs longer than
  // the limit go on through the hash.
  static constexpr int kRunDepthLimit = 128;
  std::array<std::uint16_t, 256> runLength_{};
  std::unique_ptr<std::uint16_t[]> runCodes_;

  int width_ = 9;
  int largestCode_ = 511;
  int nextCode_ = 258;
  std::uint64_t accumulator_ = 0;
  int bitCount_ = 0;
  // Whole bytes of the stream not yet written out, with room for an 8-byte store past them.
  std::array<std::uint8_t, kSpillBytes + 16> pending_{};
  std::size_t pendingBytes_ = 0;
  std::vector<std::uint8_t>* out_ = nullptr;
};

}  // namespace tovarin::gif
