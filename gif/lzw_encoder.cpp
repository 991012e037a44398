#include "gif/lzw_encoder.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace tovarin::gif {
namespace {

constexpr int kFirstWidth = 9;
constexpr int kFirstFreeCode = 258;
constexpr int kKeyShift = 12;  // key = pixel x 4096 + prefix
constexpr std::uint32_t kPrefixMask = 0xFFFu;
constexpr int kHashShift = 4;  // slot = pixel x 16 XOR prefix
constexpr std::uint32_t kEmptySlot = 0xFFFFFFFFu;
constexpr std::uint32_t kKeyMask = (1u << 20) - 1;
constexpr int kCodeShift = 20;
constexpr int kNotFound = -1;
constexpr int kHashSize = LzwEncoder::kHashSize;

// The number of bytes from `pixel` on equal to `color`, at most `limit`. `available` (at least
// `limit`) bytes may be read: whole words are compared while at least eight are there.
std::size_t RunLength(const std::uint8_t* pixel, std::size_t limit, std::size_t available,
                      std::uint8_t color) {
  const std::uint64_t pattern = 0x0101010101010101ull * color;
  std::size_t n = 0;
  while (available - n >= 8) {
    std::uint64_t word;
    std::memcpy(&word, pixel + n, sizeof word);
    const std::uint64_t differ = word ^ pattern;
    // Bytes are little-endian in the word: the lowest differing byte is the first. A word
    // with no difference counts 64 trailing zeros, eight equal bytes.
    n += static_cast<std::size_t>(std::countr_zero(differ) >> 3);
    if (differ != 0 || n >= limit) return std::min(n, limit);
  }
  while (n < limit && pixel[n] == color) ++n;
  return n;
}

// Where the classic hash looks for (pixel, prefix) first.
inline int HomeSlot(int pixel, int prefix) {
  const int slot = (pixel << kHashShift) ^ prefix;
  return slot >= kHashSize ? 0 : slot;
}

// The slot after `slot` in a probe sequence.
inline int Next(int slot, int step) {
  const int next = slot - step;
  return next + (kHashSize & (next >> 31));  // plus the table size when negative
}

// Whether a slot holds `key` (1) or not (0).
inline unsigned Holds(std::uint32_t entry, std::uint32_t key) {
  return static_cast<unsigned>((entry & kKeyMask) == key) &
         static_cast<unsigned>(entry != kEmptySlot);
}

// Whether a probe past its first slot stops at this one: it is empty or holds key 0.
inline unsigned Stops(std::uint32_t entry) {
  return static_cast<unsigned>(entry == kEmptySlot) |
         static_cast<unsigned>((entry & kKeyMask) == 0);
}

}  // namespace

void LzwEncoder::ResetTable() {
  std::fill_n(occupied_.begin(), (fastMask_ >> 6) + 1, 0);
  exact_ = false;
  runLength_.fill(1);
  width_ = kFirstWidth;
  largestCode_ = (1 << kFirstWidth) - 1;
  nextCode_ = kFirstFreeCode;
}

bool LzwEncoder::SlotZeroTaken() const {
  // Slot 0 is the classic home of the keys whose prefix is 16 x their pixel; the first such
  // key found it empty.
  for (int code = kFirstFreeCode; code < nextCode_; ++code) {
    const std::uint32_t key = KeyOf(code);
    if (key != 0 &&
        HomeSlot(static_cast<int>(key >> kKeyShift), static_cast<int>(key & kPrefixMask)) == 0)
      return true;
  }
  return false;
}

void LzwEncoder::EnterExactMode() {
  // The classic table as the classic compressor has it now: its strings were all stored in
  // the order of their codes, and without key 0 no probe ever stopped early.
  slots_.fill(kEmptySlot);
  for (int code = kFirstFreeCode; code < nextCode_; ++code) {
    const std::uint32_t key = KeyOf(code);
    int slot = HomeSlot(static_cast<int>(key >> kKeyShift), static_cast<int>(key & kPrefixMask));
    const int step = slot == 0 ? 1 : kHashSize - slot;
    while (slots_[static_cast<std::size_t>(slot)] != kEmptySlot) slot = Next(slot, step);
    slots_[static_cast<std::size_t>(slot)] = key | (static_cast<std::uint32_t>(code) << kCodeShift);
  }
  exact_ = true;
}

std::size_t LzwEncoder::WriteSubBlocks(std::size_t pendingBytes) {
  const std::size_t count = pendingBytes / kSubBlockData;
  std::vector<std::uint8_t>& out = *out_;
  const std::uint8_t* data = pending_.data();
  for (std::size_t i = 0; i < count; ++i) {
    out.push_back(kSubBlockData);
    out.insert(out.end(), data, data + kSubBlockData);
    data += kSubBlockData;
  }
  const std::size_t written = count * kSubBlockData;
  // The bytes left, and the partial byte stored after them, move to the front.
  std::memmove(pending_.data(), pending_.data() + written, pendingBytes - written + 1);
  return pendingBytes - written;
}

inline void LzwEncoder::PutCode(BitWriter& writer, int code) {
  writer.accumulator |= static_cast<std::uint64_t>(code) << writer.bitCount;
  writer.bitCount += width_;
  // Store all held bits; only the whole bytes among them are counted as written. The partial
  // byte is stored again, completed, by the next code.
  std::memcpy(pending_.data() + writer.pendingBytes, &writer.accumulator,
              sizeof writer.accumulator);
  const int whole = writer.bitCount >> 3;
  writer.pendingBytes += static_cast<std::size_t>(whole);
  writer.accumulator >>= whole << 3;
  writer.bitCount &= 7;
  if (writer.pendingBytes >= kSpillBytes) [[unlikely]]
    writer.pendingBytes = WriteSubBlocks(writer.pendingBytes);
}

void LzwEncoder::EmitCode(int code) {
  if (code >= 0) {
    PutCode(writer_, code);
    return;
  }
  if (writer_.bitCount > 0) {
    pending_[writer_.pendingBytes++] = static_cast<std::uint8_t>(writer_.accumulator & 0xFF);
    writer_.accumulator = 0;
    writer_.bitCount = 0;
  }
  writer_.pendingBytes = WriteSubBlocks(writer_.pendingBytes);
  if (writer_.pendingBytes > 0) {
    std::vector<std::uint8_t>& out = *out_;
    out.push_back(static_cast<std::uint8_t>(writer_.pendingBytes));
    out.insert(out.end(), pending_.begin(),
               pending_.begin() + static_cast<std::ptrdiff_t>(writer_.pendingBytes));
    writer_.pendingBytes = 0;
  }
}

// Looks (pixel, prefix) up. Returns its code when found; otherwise writes the prefix, gives
// the key the next free code (or clears the table when the codes are used up) and returns
// kNotFound.
//
// The strings are kept in a table of our own with few collisions (open addressing at a low
// load), not in the classic 5003-slot hash, whose long probe sequences cost a mispredicted
// branch on nearly every pixel of a picture that does not repeat. The classic hash decides
// what is found in one case only: a probe that stops at key 0 (the string "0 0") outside the
// first slot and takes its slot over, forgetting that string. Key 0 stored in slot 0, its
// home, is never reached by another key's probe past its first slot, so it can only be lost
// when slot 0 was already taken when it came. Until then every string is found, as in the
// classic compressor; from then on to the next clear code the classic hash is rebuilt and
// used as it is.
[[gnu::always_inline]] inline int LzwEncoder::FindOrInsert(int pixel, int prefix,
                                                           BitWriter& writer) {
  const auto key = static_cast<std::uint32_t>((pixel << kKeyShift) + prefix);
  if (exact_) [[unlikely]]
    return FindOrInsertExact(pixel, prefix, key, writer);
  std::uint32_t at = (key * 0x9E3779B1u) >> fastShift_;
  // The occupancy bits answer most lookups from the first-level cache; the slot itself is
  // read only when it is taken.
  while (((occupied_[at >> 6] >> (at & 63)) & 1u) != 0) {
    const std::uint32_t entry = fast_[at];
    if ((entry >> kCodeBits) == key) return static_cast<int>(entry & kCodeMask);
    at = (at + 1) & fastMask_;
  }
  if (key == 0 && SlotZeroTaken()) [[unlikely]] {
    EnterExactMode();
    return FindOrInsertExact(pixel, prefix, key, writer);
  }
  if (!EndString(writer, prefix)) return kNotFound;
  const int code = nextCode_;
  fast_[at] = (key << kCodeBits) | static_cast<std::uint32_t>(code);
  occupied_[at >> 6] |= std::uint64_t{1} << (at & 63);
  fastSlotOf_[static_cast<std::size_t>(code)] = at;
  AddString(pixel, prefix);
  return kNotFound;
}

// The classic compressor's lookup and insertion in its own hash, key 0 quirk included.
int LzwEncoder::FindOrInsertExact(int pixel, int prefix, std::uint32_t key, BitWriter& writer) {
  int slot = HomeSlot(pixel, prefix);
  const int step = slot == 0 ? 1 : kHashSize - slot;
  std::uint32_t entry = slots_[static_cast<std::size_t>(slot)];
  if (Holds(entry, key) != 0) return static_cast<int>(entry >> kCodeShift);
  if (entry != kEmptySlot) {
    do {
      slot = Next(slot, step);
      entry = slots_[static_cast<std::size_t>(slot)];
      if (Holds(entry, key) != 0) return static_cast<int>(entry >> kCodeShift);
    } while (Stops(entry) == 0);
  }
  if (!EndString(writer, prefix)) return kNotFound;
  // A probe stops at key 0 as if the slot were empty, and the new key takes the slot over:
  // the string "0 0" is forgotten, and with it colour 0's run chain beyond the literal.
  if (entry != kEmptySlot) runLength_[0] = 1;
  slots_[static_cast<std::size_t>(slot)] =
      key | (static_cast<std::uint32_t>(nextCode_) << kCodeShift);
  AddString(pixel, prefix);
  return kNotFound;
}

// The string `prefix` cannot grow by the pixel just read: writes its code. Returns whether a
// code is free for the longer string; when the codes are used up (it would take 4096, which
// does not exist), the table starts again with a clear code instead.
inline bool LzwEncoder::EndString(BitWriter& writer, int prefix) {
  PutCode(writer, prefix);
  if (nextCode_ < kMaxCodes) [[likely]]
    return true;
  PutCode(writer, kClearCode);
  ResetTable();
  return false;
}

// Counts the string just stored (code nextCode_) in: its colour's run chain, the code width.
[[gnu::always_inline]] inline void LzwEncoder::AddString(int pixel, int prefix) {
  const int code = nextCode_;
  // The new string extends its colour's run chain when the prefix is the chain's longest
  // string. Written without branches: whether it does is as good as random.
  std::uint16_t& length = runLength_[static_cast<std::size_t>(pixel)];
  const bool extends = runOf_[static_cast<std::size_t>(prefix)] ==
                           (static_cast<std::uint32_t>(pixel) << 16 | length) &&
                       length < kRunDepthLimit;
  // The slot after the chain's end is free to write whether or not the chain grows into it.
  runCodes_[static_cast<std::size_t>(pixel * kRunDepthLimit + length - 1)] =
      static_cast<std::uint16_t>(code);
  length = static_cast<std::uint16_t>(length + extends);
  runOf_[static_cast<std::size_t>(code)] =
      extends ? static_cast<std::uint32_t>(pixel) << 16 | length : kNoRun;
  if (nextCode_ > largestCode_) {
    ++width_;
    largestCode_ = (1 << width_) - 1;
  }
  ++nextCode_;
}

// Codes the pixels from `pixel` to `end`, carrying the current string's code in `prefix`.
inline void LzwEncoder::EncodeRow(const std::uint8_t* pixel, const std::uint8_t* end, int& prefix) {
  // The bit writer lives in registers for the row.
  BitWriter writer = writer_;
  while (pixel < end) {
    const int color = *pixel;
    const std::uint32_t run = runOf_[static_cast<std::size_t>(prefix)];
    if ((run >> 16) == static_cast<std::uint32_t>(color)) {
      const auto depth = static_cast<int>(run & 0xFFFFu);
      // The prefix is a run of this colour: every longer run its chain knows is a known
      // string, so the lookups along the run would all succeed. Jump to the longest one the
      // run covers.
      const int length = runLength_[static_cast<std::size_t>(color)];
      if (depth < length) {
        const auto known = static_cast<std::size_t>(length - depth);
        const auto available = static_cast<std::size_t>(end - pixel);
        const std::size_t covered = RunLength(pixel, std::min(known, available), available,
                                              static_cast<std::uint8_t>(color));
        if (covered > 0) {
          prefix = RunCode(color, depth + static_cast<int>(covered));
          pixel += covered;
          continue;
        }
      }
    }
    const int found = FindOrInsert(color, prefix, writer);
    prefix = found != kNotFound ? found : color;
    ++pixel;
  }
  writer_ = writer;
}

void LzwEncoder::Encode(const IndexRows& rows, std::vector<std::uint8_t>& out) {
  out_ = &out;
  writer_ = BitWriter{};
  if (!runCodes_) runCodes_ = std::make_unique_for_overwrite<std::uint16_t[]>(256 * kRunDepthLimit);
  // The string table: sixteen slots per string a generation can hold, so that nearly every
  // lookup of a missing string ends at its first slot.
  const std::int64_t pixels = std::int64_t{rows.width} * rows.height;
  const std::int64_t strings = std::min<std::int64_t>(pixels, kMaxCodes);
  int bits = kMinFastBits;
  while (bits < kMaxFastBits && (std::int64_t{1} << bits) < 16 * strings) ++bits;
  if (!fast_ || fastMask_ != (1u << bits) - 1) {
    fast_ = std::make_unique_for_overwrite<std::uint32_t[]>(std::size_t{1} << bits);
    fastMask_ = (1u << bits) - 1;
    fastShift_ = 32 - bits;
  }

  for (int color = 0; color < 256; ++color) {
    runOf_[static_cast<std::size_t>(color)] = static_cast<std::uint32_t>(color) << 16 | 1u;
  }
  runOf_[kClearCode] = kNoRun;
  runOf_[kEndCode] = kNoRun;
  ResetTable();
  EmitCode(kClearCode);

  // The top-left pixel is the first prefix.
  int prefix = rows.topRow[0];
  for (int y = 0; y < rows.height; ++y) {
    const std::uint8_t* row = rows.topRow + rows.rowStep * y;
    EncodeRow(y == 0 ? row + 1 : row, row + rows.width, prefix);
  }
  EmitCode(prefix);
  EmitCode(kEndCode);
  EmitCode(kFlush);
  out_ = nullptr;
}

}  // namespace tovarin::gif
