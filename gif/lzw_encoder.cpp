#include "gif/lzw_encoder.h"

namespace tovarin::gif {
namespace {

constexpr int kFirstWidth = 9;
constexpr int kFirstFreeCode = 258;
constexpr int kKeyShift = 12;   // key = pixel x 4096 + prefix
constexpr int kHashShift = 4;   // slot = pixel x 16 XOR prefix
constexpr std::int32_t kEmptySlot = -1;

}  // namespace

void LzwEncoder::ResetTable() {
  hashKeys_.fill(kEmptySlot);
  width_ = kFirstWidth;
  largestCode_ = (1 << kFirstWidth) - 1;
  nextCode_ = kFirstFreeCode;
}

void LzwEncoder::StartSubBlock() { fill_ = 1; }

void LzwEncoder::EmitCode(int code) {
  if (code >= 0) {
    accumulator_ |= static_cast<std::uint32_t>(code) << bitCount_;
    bitCount_ += width_;
    while (bitCount_ >= 8) {
      scratch_[static_cast<std::size_t>(fill_)] = static_cast<std::uint8_t>(accumulator_ & 0xFF);
      accumulator_ >>= 8;
      bitCount_ -= 8;
      if (fill_ == kSubBlockData) {
        scratch_[0] = kSubBlockData;
        out_->insert(out_->end(), scratch_.begin(), scratch_.end());
        StartSubBlock();
      } else {
        ++fill_;
      }
    }
    return;
  }
  if (bitCount_ > 0) {
    scratch_[static_cast<std::size_t>(fill_++)] = static_cast<std::uint8_t>(accumulator_ & 0xFF);
    accumulator_ = 0;
    bitCount_ = 0;
  }
  if (fill_ > 1) {
    scratch_[0] = static_cast<std::uint8_t>(fill_ - 1);
    out_->insert(out_->end(), scratch_.begin(), scratch_.begin() + fill_);
    StartSubBlock();
  }
}

// The pixel loop is the encoder's hot path and stays in one piece: the hash probe, the code
// output and the table bookkeeping share the prefix and slot of the current step.
void LzwEncoder::Encode(const IndexRows& rows, std::vector<std::uint8_t>& out) {
  out_ = &out;
  accumulator_ = 0;
  bitCount_ = 0;
  StartSubBlock();
  ResetTable();
  EmitCode(kClearCode);

  int prefix = rows.topRow[0];
  bool first = true;
  for (int y = 0; y < rows.height; ++y) {
    const std::uint8_t* row = rows.topRow + rows.rowStep * y;
    for (int x = 0; x < rows.width; ++x) {
      if (first) {
        first = false;
        continue;  // the top-left pixel is the first prefix
      }
      const int pixel = row[x];
      const std::int32_t key = (pixel << kKeyShift) + prefix;
      int slot = (pixel << kHashShift) ^ prefix;
      if (slot >= kHashSize) slot = 0;
      if (hashKeys_[static_cast<std::size_t>(slot)] == key) {
        prefix = hashCodes_[static_cast<std::size_t>(slot)];
        continue;
      }
      if (hashKeys_[static_cast<std::size_t>(slot)] >= 0) {
        const int step = slot == 0 ? 1 : kHashSize - slot;
        bool found = false;
        do {
          slot -= step;
          if (slot < 0) slot += kHashSize;
          if (hashKeys_[static_cast<std::size_t>(slot)] == key) {
            found = true;
            break;
          }
        } while (hashKeys_[static_cast<std::size_t>(slot)] > 0);
        if (found) {
          prefix = hashCodes_[static_cast<std::size_t>(slot)];
          continue;
        }
      }
      EmitCode(prefix);
      prefix = pixel;
      hashKeys_[static_cast<std::size_t>(slot)] = key;
      hashCodes_[static_cast<std::size_t>(slot)] = nextCode_;
      if (nextCode_ > largestCode_) {
        if (nextCode_ == kMaxCodes) {
          EmitCode(kClearCode);
          ResetTable();
        } else {
          ++width_;
          largestCode_ = (1 << width_) - 1;
          ++nextCode_;
        }
      } else {
        ++nextCode_;
      }
    }
  }
  EmitCode(prefix);
  EmitCode(kEndCode);
  EmitCode(kFlush);
  out_ = nullptr;
}

}  // namespace tovarin::gif
