#include "gif/lzw_encoder.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace tovarin::gif {
namespace {

constexpr int kFirstWidth = 9;
constexpr int kFirstFreeCode = 258;
constexpr int kKeyShift = 12;  // key = pixel x 4096 + prefix
constexpr int kHashShift = 4;  // slot = pixel x 16 XOR prefix
constexpr std::uint32_t kEmptySlot = 0xFFFFFFFFu;
constexpr std::uint32_t kKeyMask = (1u << 20) - 1;
constexpr int kCodeShift = 20;
constexpr int kNotFound = -1;
constexpr int kHashSize = LzwEncoder::kHashSize;

// The number of bytes from `pixel` on equal to `color`, at most `limit`. `available` (at least
// `limit`) bytes may be read: whole words are compared while at least eight are there.
std::size_t RunLength(const std::uint8_t* pixel, std::size_t limit, std::size_t available, std::uint8_t color) {
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

// The slot after `slot` in a probe sequence.
inline int Next(int slot, int step) {
  const int next = slot - step;
  return next + (kHashSize & (next >> 31));  // plus the table size when negative
}

// Whether a slot holds `key` (1) or not (0).
inline unsigned Holds(std::uint32_t entry, std::uint32_t key) {
  return static_cast<unsigned>((entry & kKeyMask) == key) & static_cast<unsigned>(entry != kEmptySlot);
}

// Whether a probe past its first slot stops at this one: it is empty or holds key 0.
inline unsigned Stops(std::uint32_t entry) {
  return static_cast<unsigned>(entry == kEmptySlot) | static_cast<unsigned>((entry & kKeyMask) == 0);
}

}  // namespace

void LzwEncoder::ResetTable() {
  slots_.fill(kEmptySlot);
  runLength_.fill(1);
  width_ = kFirstWidth;
  largestCode_ = (1 << kFirstWidth) - 1;
  nextCode_ = kFirstFreeCode;
}

void LzwEncoder::WriteSubBlocks(std::size_t count) {
  std::vector<std::uint8_t>& out = *out_;
  std::size_t at = out.size();
  out.resize(at + count * (kSubBlockData + 1));
  const std::uint8_t* data = pending_.data();
  for (std::size_t i = 0; i < count; ++i) {
    out[at] = kSubBlockData;
    std::memcpy(out.data() + at + 1, data, kSubBlockData);
    at += kSubBlockData + 1;
    data += kSubBlockData;
  }
  const std::size_t written = count * kSubBlockData;
  // The bytes left, and the partial byte stored after them, move to the front.
  std::memmove(pending_.data(), pending_.data() + written, pendingBytes_ - written + 1);
  pendingBytes_ -= written;
}

inline void LzwEncoder::PutCode(int code) {
  accumulator_ |= static_cast<std::uint64_t>(code) << bitCount_;
  bitCount_ += width_;
  // Store all held bits; only the whole bytes among them are counted as written. The partial
  // byte is stored again, completed, by the next code.
  std::memcpy(pending_.data() + pendingBytes_, &accumulator_, sizeof accumulator_);
  const int whole = bitCount_ >> 3;
  pendingBytes_ += static_cast<std::size_t>(whole);
  accumulator_ >>= whole << 3;
  bitCount_ &= 7;
  if (pendingBytes_ >= kSpillBytes) WriteSubBlocks(pendingBytes_ / kSubBlockData);
}

void LzwEncoder::EmitCode(int code) {
  if (code >= 0) {
    PutCode(code);
    return;
  }
  if (bitCount_ > 0) {
    pending_[pendingBytes_++] = static_cast<std::uint8_t>(accumulator_ & 0xFF);
    accumulator_ = 0;
    bitCount_ = 0;
  }
  WriteSubBlocks(pendingBytes_ / kSubBlockData);
  if (pendingBytes_ > 0) {
    std::vector<std::uint8_t>& out = *out_;
    out.push_back(static_cast<std::uint8_t>(pendingBytes_));
    out.insert(out.end(), pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(pendingBytes_));
    pendingBytes_ = 0;
  }
}

// Looks (pixel, prefix) up in the hash. Returns its code when found; otherwise writes the
// prefix, gives the key the next free code (or clears the table when the codes are used up)
// and returns kNotFound.
[[gnu::always_inline]] inline int LzwEncoder::FindOrInsert(int pixel, int prefix) {
  const auto key = static_cast<std::uint32_t>((pixel << kKeyShift) + prefix);
  int slot = (pixel << kHashShift) ^ prefix;
  if (slot >= kHashSize) slot = 0;
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
  PutCode(prefix);
  if (nextCode_ == kMaxCodes) {
    // The key would take code 4096, which does not exist: the table starts again instead.
    PutCode(kClearCode);
    ResetTable();
    return kNotFound;
  }
  // A probe stops at key 0 as if the slot were empty, and the new key takes the slot over:
  // the string "0 0" is forgotten, and with it colour 0's run chain beyond the literal.
  if (entry != kEmptySlot) runLength_[0] = 1;
  const int code = nextCode_;
  slots_[static_cast<std::size_t>(slot)] = key | (static_cast<std::uint32_t>(code) << kCodeShift);
  // The new string extends its colour's run chain when the prefix is the chain's longest
  // string. Written without branches: whether it does is as good as random.
  std::uint16_t& length = runLength_[static_cast<std::size_t>(pixel)];
  const bool extends = runDepth_[static_cast<std::size_t>(prefix)] == length &&
                       runColor_[static_cast<std::size_t>(prefix)] == pixel && length < kRunDepthLimit;
  // The slot after the chain's end is free to write whether or not the chain grows into it.
  runCodes_[static_cast<std::size_t>(pixel * kRunDepthLimit + length - 1)] = static_cast<std::uint16_t>(code);
  length = static_cast<std::uint16_t>(length + extends);
  runDepth_[static_cast<std::size_t>(code)] = static_cast<std::uint16_t>(extends ? length : 0);
  runColor_[static_cast<std::size_t>(code)] = static_cast<std::uint8_t>(pixel);
  if (nextCode_ > largestCode_) {
    ++width_;
    largestCode_ = (1 << width_) - 1;
  }
  ++nextCode_;
  return kNotFound;
}

// Codes the pixels from `pixel` to `end`, carrying the current string's code in `prefix`.
inline void LzwEncoder::EncodeRow(const std::uint8_t* pixel, const std::uint8_t* end, int& prefix) {
  while (pixel < end) {
    const int color = *pixel;
    const std::uint16_t depth = runDepth_[static_cast<std::size_t>(prefix)];
    if (depth != 0 && runColor_[static_cast<std::size_t>(prefix)] == color) {
      // The prefix is a run of this colour: every longer run its chain knows is in the hash,
      // so the lookups along the run would all succeed. Jump to the longest one the run covers.
      const int length = runLength_[static_cast<std::size_t>(color)];
      if (depth < length) {
        const auto known = static_cast<std::size_t>(length - depth);
        const auto available = static_cast<std::size_t>(end - pixel);
        const std::size_t covered =
            RunLength(pixel, std::min(known, available), available, static_cast<std::uint8_t>(color));
        if (covered > 0) {
          prefix = RunCode(color, depth + static_cast<int>(covered));
          pixel += covered;
          continue;
        }
      }
    }
    const int found = FindOrInsert(color, prefix);
    prefix = found != kNotFound ? found : color;
    ++pixel;
  }
}

void LzwEncoder::Encode(const IndexRows& rows, std::vector<std::uint8_t>& out) {
  out_ = &out;
  accumulator_ = 0;
  bitCount_ = 0;
  pendingBytes_ = 0;
  if (!runCodes_) runCodes_ = std::make_unique_for_overwrite<std::uint16_t[]>(256 * kRunDepthLimit);
  for (int color = 0; color < 256; ++color) {
    runDepth_[static_cast<std::size_t>(color)] = 1;
    runColor_[static_cast<std::size_t>(color)] = static_cast<std::uint8_t>(color);
  }
  runDepth_[kClearCode] = 0;
  runDepth_[kEndCode] = 0;
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
