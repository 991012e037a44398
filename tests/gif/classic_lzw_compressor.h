#pragma once
// A model of the classic hashed GIF compressor, for tests and fuzzing of the export encoder.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tovarin::gif::testing {

// The classic hashed compressor written out step by step: a 5003-slot hash probed once per
// pixel, 254-byte sub-blocks filled as codes are written. The export encoder must write
// exactly these bytes (the data sub-blocks without the terminator). Counts how often a probe
// stopped at key 0 and the new key took that slot over, so that tests can make sure they
// reach that case.
struct ClassicCompressor {
  std::array<std::int32_t, 5003> keys{};
  std::array<std::int32_t, 5003> codes{};
  int width = 9, largest = 511, next = 258;
  std::uint32_t accumulator = 0;
  int bits = 0;
  std::vector<std::uint8_t> block = std::vector<std::uint8_t>(255);
  int fill = 1;
  std::vector<std::uint8_t> out;
  int evictions = 0;

  void Emit(int code) {
    if (code >= 0) {
      accumulator |= static_cast<std::uint32_t>(code) << bits;
      bits += width;
      while (bits >= 8) {
        block[static_cast<std::size_t>(fill)] = static_cast<std::uint8_t>(accumulator & 0xFF);
        accumulator >>= 8;
        bits -= 8;
        if (fill == 254) {
          block[0] = 254;
          out.insert(out.end(), block.begin(), block.end());
          fill = 1;
        } else {
          ++fill;
        }
      }
      return;
    }
    if (bits > 0)
      block[static_cast<std::size_t>(fill++)] = static_cast<std::uint8_t>(accumulator & 0xFF);
    if (fill > 1) {
      block[0] = static_cast<std::uint8_t>(fill - 1);
      out.insert(out.end(), block.begin(), block.begin() + fill);
    }
  }
  void Reset() {
    keys.fill(-1);
    width = 9;
    largest = 511;
    next = 258;
  }
  std::vector<std::uint8_t> Compress(const std::vector<std::uint8_t>& pixels) {
    Reset();
    Emit(256);
    int prefix = pixels[0];
    for (std::size_t i = 1; i < pixels.size(); ++i) {
      const int c = pixels[i];
      const std::int32_t key = c * 4096 + prefix;
      int slot = (c * 16) ^ prefix;
      if (slot > 5002) slot = 0;
      if (keys[static_cast<std::size_t>(slot)] == key) {
        prefix = codes[static_cast<std::size_t>(slot)];
        continue;
      }
      if (keys[static_cast<std::size_t>(slot)] >= 0) {
        const int step = slot == 0 ? 1 : 5003 - slot;
        bool found = false;
        do {
          slot -= step;
          if (slot < 0) slot += 5003;
          if (keys[static_cast<std::size_t>(slot)] == key) {
            found = true;
            break;
          }
        } while (keys[static_cast<std::size_t>(slot)] > 0);
        if (found) {
          prefix = codes[static_cast<std::size_t>(slot)];
          continue;
        }
      }
      Emit(prefix);
      prefix = c;
      if (keys[static_cast<std::size_t>(slot)] == 0 && next < 4096) ++evictions;
      keys[static_cast<std::size_t>(slot)] = key;
      codes[static_cast<std::size_t>(slot)] = next;
      if (next > largest) {
        if (next == 4096) {
          Emit(256);
          Reset();
        } else {
          ++width;
          largest = (1 << width) - 1;
          ++next;
        }
      } else {
        ++next;
      }
    }
    Emit(prefix);
    Emit(257);
    Emit(-1);
    return out;
  }
};

}  // namespace tovarin::gif::testing
