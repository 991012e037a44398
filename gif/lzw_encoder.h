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
// new key stored there evicts that entry. Three things make this faster than the classic loop
// without changing a byte:
//  - The strings are kept in a sparse table of our own (linear probing, at most 1/16 full,
//    with an occupancy bitmap small enough for the first-level cache), so that a lookup of a
//    string that is not there, the common case in a picture that does not repeat, costs one
//    bit test instead of the classic hash's long probe sequences. The classic hash decides
//    what is found in one case only, the eviction of key 0; that needs key 0 away from slot 0,
//    which happens only when another key took slot 0 first. Then the classic hash is rebuilt
//    from the strings so far and used as it is until the next clear code.
//  - Runs of one colour. The codes of the strings c, cc, ccc, ... form a chain per colour; a
//    prefix known to be such a string is extended over the rest of a run in one step, to the
//    longest string of the chain the run covers, instead of one lookup per pixel. The only
//    entry that can be lost (key 0, the string "0 0") cuts colour 0's chain back.
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
  // The bit stream being written: bits not yet stored as whole bytes, and the whole bytes in
  // pending_ not yet written out.
  struct BitWriter {
    std::uint64_t accumulator = 0;
    int bitCount = 0;
    std::size_t pendingBytes = 0;
  };
  void PutCode(BitWriter& writer, int code);
  // Writes out the whole sub-blocks among `pendingBytes` bytes; returns the number left.
  std::size_t WriteSubBlocks(std::size_t pendingBytes);
  int RunCode(int color, int length) const {
    return runCodes_[static_cast<std::size_t>(color * kRunDepthLimit + length - 2)];
  }
  void EncodeRow(const std::uint8_t* pixel, const std::uint8_t* end, int& prefix);
  int FindOrInsert(int pixel, int prefix, BitWriter& writer);
  int FindOrInsertExact(int pixel, int prefix, std::uint32_t key, BitWriter& writer);
  bool EndString(BitWriter& writer, int prefix);
  void AddString(int pixel, int prefix);
  void EnterExactMode();
  // Whether a string other than "0 0" took slot 0 of the classic hash in this generation.
  bool SlotZeroTaken() const;
  std::uint32_t KeyOf(int code) const {
    return fast_[fastSlotOf_[static_cast<std::size_t>(code)]] >> kCodeBits;
  }
  static constexpr int kCodeBits = 12;
  static constexpr std::uint32_t kCodeMask = (1u << kCodeBits) - 1;

  // The strings of the current generation: key (pixel x 4096 + prefix, 20 bits) above the code
  // (12 bits); open addressing with linear probing, between 2^kMinFastBits and 2^kMaxFastBits
  // slots, 16 per string the frame can hold. A slot is taken when its bit in occupied_ is set;
  // the slots themselves are never cleared.
  static constexpr int kMinFastBits = 10;
  static constexpr int kMaxFastBits = 16;
  std::unique_ptr<std::uint32_t[]> fast_;
  std::array<std::uint64_t, (std::size_t{1} << kMaxFastBits) / 64> occupied_{};
  std::uint32_t fastMask_ = 0;
  int fastShift_ = 32;
  // Per code of the current generation (while it is kept in fast_): its slot there.
  std::array<std::uint32_t, kMaxCodes> fastSlotOf_{};
  // The classic hash, in use from the moment exact_ is set to the next clear code:
  // key in the low 20 bits, code above it; all ones when empty.
  std::array<std::uint32_t, kHashSize> slots_{};
  bool exact_ = false;
  // Per code that is a run of one colour: that colour x 65536 + the run's length (its place
  // in the colour's chain). kNoRun for every other code: no pixel value matches its colour.
  static constexpr std::uint32_t kNoRun = 0xFFFF0000u;
  std::array<std::uint32_t, kMaxCodes + 1> runOf_{};
  // Per colour c: how many of the strings c, cc, ccc, ... have codes (at least 1: the literal)
  // and, from cc on, their codes (runCodes_[c x kRunDepthLimit + length - 2]). Runs longer than
  // the limit go on through the hash.
  static constexpr int kRunDepthLimit = 128;
  std::array<std::uint16_t, 256> runLength_{};
  std::unique_ptr<std::uint16_t[]> runCodes_;

  int width_ = 9;
  int largestCode_ = 511;
  int nextCode_ = 258;
  BitWriter writer_;
  // Whole bytes of the stream not yet written out, with room for an 8-byte store past them.
  std::array<std::uint8_t, kSpillBytes + 16> pending_{};
  std::vector<std::uint8_t>* out_ = nullptr;
};

}  // namespace tovarin::gif
