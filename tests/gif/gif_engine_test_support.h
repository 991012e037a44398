#pragma once
// Builds small GIF files for the engine tests, byte by byte as the format lays them out, so
// each test states its frames (positions, delays, disposal, transparency, tables, indices)
// directly. Image data is coded with literal codes only (a clear code every 254 literals keeps
// every code 9 bits wide), which any GIF decoder reads back exactly.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tovarin::gif::testing {

struct TestFrame {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> indices;       // width x height, rows from the top
  bool control_extension = true;           // write a Graphic Control Extension
  int delay_cs = 0;                        // hundredths of a second
  int disposal = 0;                        // 0..7 as written into the packed field
  int transparent = -1;                    // transparent index, -1 none
  std::vector<std::uint32_t> local_table;  // 0x00RRGGBB; empty = use the global table
  bool interlaced = false;
  // Keep only this many bytes of the frame's coded data (sub-blocks included); -1 keeps all.
  int cut_data_after = -1;
};

struct TestGif {
  int screen_width = 0;  // written into the header; the engine ignores it
  int screen_height = 0;
  std::vector<std::uint32_t> global_table;  // 0x00RRGGBB, size a power of two (2..256)
  std::optional<int> loops;                 // NETSCAPE2.0 loop count
  std::vector<TestFrame> frames;
};

inline void PutWord(std::vector<std::uint8_t>& out, int value) {
  out.push_back(static_cast<std::uint8_t>(value & 0xFF));
  out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

// Size field k of a table of `count` entries (2^(k+1) >= count).
inline int TableSizeField(std::size_t count) {
  int k = 0;
  while ((std::size_t{2} << k) < count) ++k;
  return k;
}

inline void PutTable(std::vector<std::uint8_t>& out, const std::vector<std::uint32_t>& table) {
  const std::size_t entries = std::size_t{2} << TableSizeField(table.size());
  for (std::size_t i = 0; i < entries; ++i) {
    const std::uint32_t c = i < table.size() ? table[i] : 0;
    out.push_back(static_cast<std::uint8_t>(c >> 16));
    out.push_back(static_cast<std::uint8_t>(c >> 8));
    out.push_back(static_cast<std::uint8_t>(c));
  }
}

// LZW data with minimum code size 8: clear, then literals of 9 bits, a clear every 254
// literals, end code; packed LSB first into sub-blocks of up to 255 bytes, then a terminator.
inline std::vector<std::uint8_t> LiteralLzw(const std::vector<std::uint8_t>& indices) {
  std::vector<std::uint8_t> bytes;
  std::uint32_t accumulator = 0;
  int bits = 0;
  auto emit = [&](std::uint32_t code) {
    accumulator |= code << bits;
    bits += 9;
    while (bits >= 8) {
      bytes.push_back(static_cast<std::uint8_t>(accumulator & 0xFF));
      accumulator >>= 8;
      bits -= 8;
    }
  };
  emit(256);
  int run = 0;
  for (std::uint8_t index : indices) {
    if (run == 254) {
      emit(256);
      run = 0;
    }
    emit(index);
    ++run;
  }
  emit(257);
  if (bits > 0) bytes.push_back(static_cast<std::uint8_t>(accumulator & 0xFF));
  std::vector<std::uint8_t> out{8};
  for (std::size_t i = 0; i < bytes.size(); i += 255) {
    const std::size_t n = std::min<std::size_t>(255, bytes.size() - i);
    out.push_back(static_cast<std::uint8_t>(n));
    out.insert(out.end(), bytes.begin() + static_cast<std::ptrdiff_t>(i),
               bytes.begin() + static_cast<std::ptrdiff_t>(i + n));
  }
  out.push_back(0);
  return out;
}

// Rows of an interlaced image in the order they are stored: every 8th from 0, every 8th
// from 4, every 4th from 2, every 2nd from 1.
inline std::vector<std::uint8_t> InterlaceRows(const std::vector<std::uint8_t>& indices, int width,
                                               int height) {
  std::vector<std::uint8_t> out;
  const int starts[4] = {0, 4, 2, 1};
  const int steps[4] = {8, 8, 4, 2};
  for (int pass = 0; pass < 4; ++pass) {
    for (int y = starts[pass]; y < height; y += steps[pass]) {
      out.insert(out.end(), indices.begin() + static_cast<std::ptrdiff_t>(y) * width,
                 indices.begin() + static_cast<std::ptrdiff_t>(y + 1) * width);
    }
  }
  return out;
}

inline std::vector<std::uint8_t> BuildGif(const TestGif& gif) {
  std::vector<std::uint8_t> out;
  for (char c : std::string("GIF89a")) out.push_back(static_cast<std::uint8_t>(c));
  PutWord(out, gif.screen_width);
  PutWord(out, gif.screen_height);
  const bool has_global = !gif.global_table.empty();
  out.push_back(
      static_cast<std::uint8_t>(has_global ? 0x80 | TableSizeField(gif.global_table.size()) : 0));
  out.push_back(0);
  out.push_back(0);
  if (has_global) PutTable(out, gif.global_table);
  if (gif.loops) {
    out.insert(out.end(), {0x21, 0xFF, 11});
    for (char c : std::string("NETSCAPE2.0")) out.push_back(static_cast<std::uint8_t>(c));
    out.insert(out.end(), {3, 1});
    PutWord(out, *gif.loops);
    out.push_back(0);
  }
  for (const TestFrame& frame : gif.frames) {
    if (frame.control_extension) {
      out.insert(out.end(), {0x21, 0xF9, 4});
      out.push_back(static_cast<std::uint8_t>(((frame.disposal & 7) << 2) |
                                              (frame.transparent >= 0 ? 1 : 0)));
      PutWord(out, frame.delay_cs);
      out.push_back(static_cast<std::uint8_t>(frame.transparent >= 0 ? frame.transparent : 0));
      out.push_back(0);
    }
    out.push_back(0x2C);
    PutWord(out, frame.left);
    PutWord(out, frame.top);
    PutWord(out, frame.width);
    PutWord(out, frame.height);
    int packed = frame.interlaced ? 0x40 : 0;
    if (!frame.local_table.empty()) packed |= 0x80 | TableSizeField(frame.local_table.size());
    out.push_back(static_cast<std::uint8_t>(packed));
    if (!frame.local_table.empty()) PutTable(out, frame.local_table);
    std::vector<std::uint8_t> data = LiteralLzw(
        frame.interlaced ? InterlaceRows(frame.indices, frame.width, frame.height) : frame.indices);
    if (frame.cut_data_after >= 0 && static_cast<std::size_t>(frame.cut_data_after) < data.size()) {
      data.resize(static_cast<std::size_t>(frame.cut_data_after));
    }
    out.insert(out.end(), data.begin(), data.end());
  }
  out.push_back(0x3B);
  return out;
}

// A frame of one colour index.
inline TestFrame SolidFrame(int left, int top, int width, int height, std::uint8_t index) {
  TestFrame frame;
  frame.left = left;
  frame.top = top;
  frame.width = width;
  frame.height = height;
  frame.indices.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), index);
  return frame;
}

}  // namespace tovarin::gif::testing
