#include "gif/frame_blits.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <optional>

namespace tovarin::gif {
namespace {

using platform::Bitmap;
using platform::RasterOp;

// The block after clipping: n columns from (dx, dy) in the target and (sx, sy) in the source.
struct Block {
  int dx = 0, dy = 0, sx = 0, sy = 0, width = 0, height = 0;
};

// Clips the source block to the source bitmap first and the resulting target block to the
// target, as platform::Blit does. False when nothing is left.
bool Clip(const Bitmap& dst, int x, int y, int w, int h, const Bitmap& src, int sx, int sy,
          Block& block) {
  if (w <= 0 || h <= 0 || dst.IsEmpty() || src.IsEmpty()) return false;
  const std::int64_t offset_x = std::int64_t{sx} - x;
  const std::int64_t offset_y = std::int64_t{sy} - y;
  std::int64_t left = std::max<std::int64_t>(sx, 0) - offset_x;
  std::int64_t top = std::max<std::int64_t>(sy, 0) - offset_y;
  std::int64_t right = std::min<std::int64_t>(std::int64_t{sx} + w, src.Width()) - offset_x;
  std::int64_t bottom = std::min<std::int64_t>(std::int64_t{sy} + h, src.Height()) - offset_y;
  left = std::max<std::int64_t>(left, 0);
  top = std::max<std::int64_t>(top, 0);
  right = std::min<std::int64_t>(right, dst.Width());
  bottom = std::min<std::int64_t>(bottom, dst.Height());
  if (left >= right || top >= bottom) return false;
  block.dx = static_cast<int>(left);
  block.dy = static_cast<int>(top);
  block.sx = static_cast<int>(left + offset_x);
  block.sy = static_cast<int>(top + offset_y);
  block.width = static_cast<int>(right - left);
  block.height = static_cast<int>(bottom - top);
  return true;
}

// Colour-table entries (0x00RRGGBB) are, as little-endian 32-bit values, the bytes blue,
// green, red of a 24-bit pixel followed by a 0.
std::array<std::uint32_t, 256> SourceTable(const Bitmap& src) {
  std::array<std::uint32_t, 256> lut{};
  const auto table = src.ColorTable();
  for (std::size_t i = 0; i < table.size() && i < lut.size(); ++i) lut[i] = table[i] & 0xFFFFFFu;
  return lut;
}

inline std::uint32_t Load32(const std::uint8_t* p) {
  std::uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}
inline void Store32(std::uint8_t* p, std::uint32_t v) { std::memcpy(p, &v, 4); }
inline std::uint64_t Load64(const std::uint8_t* p) {
  std::uint64_t v;
  std::memcpy(&v, p, 8);
  return v;
}
inline void Store64(std::uint8_t* p, std::uint64_t v) { std::memcpy(p, &v, 8); }

// Gathers bit 0 of each of the eight bytes of `bytes` (byte k = byte k * 8 bits up) into one
// byte, byte 0's bit as the most significant: every byte bit is multiplied to its own place
// in the top byte, and no two partial products share a bit, so nothing carries.
inline unsigned PackLowBits(std::uint64_t bytes) {
  return static_cast<unsigned>(((bytes & 0x0101010101010101ull) * 0x8040201008040201ull) >> 56);
}

// The top bit of each byte of `word` that is zero; the other bits clear. Exact for every byte
// (no borrow from one byte reaches the next).
inline std::uint64_t ZeroBytes(std::uint64_t word) {
  constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;
  return ~(((word & kLow7) + kLow7) | word | kLow7);
}

// When every entry of `table` but one is the same, the index of that one (or, when all are
// the same, any index: 0). Nothing otherwise.
std::optional<std::uint8_t> SingleDifferentIndex(const std::array<std::uint8_t, 256>& table) {
  // The common value is the one shared by at least two of the first three entries.
  const std::uint8_t common = table[0] == table[1] || table[0] == table[2] ? table[0] : table[1];
  std::optional<std::uint8_t> different;
  for (std::size_t i = 0; i < table.size(); ++i) {
    if (table[i] == common) continue;
    if (different) return std::nullopt;
    different = static_cast<std::uint8_t>(i);
  }
  return different ? different : std::optional<std::uint8_t>{0};
}

inline std::uint32_t Combine(std::uint32_t old, std::uint32_t source, RasterOp op) {
  switch (op) {
    case RasterOp::kSrcAnd: return old & source;
    case RasterOp::kSrcPaint: return old | source;
    default: return source;
  }
}

// 8-bit indices through the table onto 24-bit pixels. Four pixels at a time make three whole
// 32-bit words (no store overlaps the next load); the rest go byte by byte.
template <RasterOp Op>
void IndexedTo24(Bitmap& dst, const Bitmap& src, const Block& b) {
  const std::array<std::uint32_t, 256> lut = SourceTable(src);
  for (int row = 0; row < b.height; ++row) {
    const std::uint8_t* s = src.Row(b.sy + row) + b.sx;
    std::uint8_t* d = dst.Row(b.dy + row) + static_cast<std::ptrdiff_t>(b.dx) * 3;
    int i = 0;
    for (; i + 4 <= b.width; i += 4, d += 12) {
      const std::uint32_t c0 = lut[s[i]];
      const std::uint32_t c1 = lut[s[i + 1]];
      const std::uint32_t c2 = lut[s[i + 2]];
      const std::uint32_t c3 = lut[s[i + 3]];
      std::uint32_t w0 = c0 | (c1 << 24);
      std::uint32_t w1 = (c1 >> 8) | (c2 << 16);
      std::uint32_t w2 = (c2 >> 16) | (c3 << 8);
      if constexpr (Op != RasterOp::kSrcCopy) {
        w0 = Combine(Load32(d), w0, Op);
        w1 = Combine(Load32(d + 4), w1, Op);
        w2 = Combine(Load32(d + 8), w2, Op);
      }
      Store32(d, w0);
      Store32(d + 4, w1);
      Store32(d + 8, w2);
    }
    for (; i < b.width; ++i, d += 3) {
      const std::uint32_t colour = lut[s[i]];
      for (int k = 0; k < 3; ++k)
        d[k] = static_cast<std::uint8_t>(Combine(d[k], (colour >> (8 * k)) & 0xFF, Op));
    }
  }
}

inline int Bit(const std::uint8_t* row, int x) { return (row[x >> 3] >> (7 - (x & 7))) & 1; }

// The 1-bit mask ANDed onto 24-bit pixels: with the usual table (black, white) a 0 bit
// blackens the pixel and a 1 bit leaves it; whole bytes of either are done at once.
void MaskAndTo24(Bitmap& dst, const Bitmap& src, const Block& b) {
  const std::array<std::uint32_t, 256> lut = SourceTable(src);
  const bool black_white = lut[0] == 0 && lut[1] == 0xFFFFFFu;
  for (int row = 0; row < b.height; ++row) {
    const std::uint8_t* s = src.Row(b.sy + row);
    std::uint8_t* d = dst.Row(b.dy + row) + static_cast<std::ptrdiff_t>(b.dx) * 3;
    int i = 0;
    while (i < b.width) {
      const int bit_pos = b.sx + i;
      if (black_white && (bit_pos & 7) == 0 && i + 8 <= b.width) {
        const std::uint8_t byte = s[bit_pos >> 3];
        if (byte == 0xFF) {
          i += 8;
          continue;
        }
        if (byte == 0x00) {
          std::memset(d + static_cast<std::ptrdiff_t>(i) * 3, 0, 24);
          i += 8;
          continue;
        }
      }
      const std::uint32_t colour = lut[static_cast<std::size_t>(Bit(s, bit_pos))];
      std::uint8_t* p = d + static_cast<std::ptrdiff_t>(i) * 3;
      p[0] = static_cast<std::uint8_t>(p[0] & colour);
      p[1] = static_cast<std::uint8_t>(p[1] & (colour >> 8));
      p[2] = static_cast<std::uint8_t>(p[2] & (colour >> 16));
      ++i;
    }
  }
}

void DirectTo24(Bitmap& dst, const Bitmap& src, const Block& b, RasterOp op) {
  const std::size_t bytes = static_cast<std::size_t>(b.width) * 3;
  for (int row = 0; row < b.height; ++row) {
    const std::uint8_t* s = src.Row(b.sy + row) + static_cast<std::ptrdiff_t>(b.sx) * 3;
    std::uint8_t* d = dst.Row(b.dy + row) + static_cast<std::ptrdiff_t>(b.dx) * 3;
    if (op == RasterOp::kSrcCopy) {
      std::memcpy(d, s, bytes);
    } else {
      for (std::size_t k = 0; k < bytes; ++k) d[k] = static_cast<std::uint8_t>(d[k] | s[k]);
    }
  }
}

// Index (0 or 1) of the nearer of the target's two colours, the first on a tie.
int NearerOfTwo(std::uint32_t colour, std::uint32_t first, std::uint32_t second) {
  auto distance = [colour](std::uint32_t entry) {
    const int dr = static_cast<int>((entry >> 16) & 0xFF) - static_cast<int>((colour >> 16) & 0xFF);
    const int dg = static_cast<int>((entry >> 8) & 0xFF) - static_cast<int>((colour >> 8) & 0xFF);
    const int db = static_cast<int>(entry & 0xFF) - static_cast<int>(colour & 0xFF);
    return dr * dr + dg * dg + db * db;
  };
  return distance(second) < distance(first) ? 1 : 0;
}

// 8-bit indices onto a 1-bit target. For each index the new bit is a function of the old one,
// new = base ^ (old & flip), tabulated once per call; bits are gathered and written a byte
// at a time.
void IndexedToMono(Bitmap& dst, const Bitmap& src, const Block& b, RasterOp op) {
  const std::array<std::uint32_t, 256> lut = SourceTable(src);
  const auto targets = dst.ColorTable();
  const std::uint32_t first = targets.size() > 0 ? targets[0] & 0xFFFFFFu : 0;
  const std::uint32_t second = targets.size() > 1 ? targets[1] & 0xFFFFFFu : 0;
  std::array<std::uint8_t, 256> base{};
  std::array<std::uint8_t, 256> flip{};
  for (std::size_t i = 0; i < 256; ++i) {
    const int from_first = NearerOfTwo(Combine(first, lut[i], op), first, second);
    const int from_second = NearerOfTwo(Combine(second, lut[i], op), first, second);
    base[i] = static_cast<std::uint8_t>(from_first);
    flip[i] = static_cast<std::uint8_t>(from_first ^ from_second);
  }
  // Bit 0: the new bit when the old one is 0; bit 1: whether the old bit flips it. Eight
  // rules of 2 (new = old) side by side leave a byte as it is.
  constexpr std::uint64_t kAllKeep = 0x0202020202020202ull;
  std::array<std::uint8_t, 256> rule{};
  for (std::size_t i = 0; i < 256; ++i)
    rule[i] = static_cast<std::uint8_t>(base[i] | (flip[i] << 1));
  // Masks usually have one rule for one index (the transparent one) and another for all the
  // rest. Then whole bytes need no table: which of eight pixels hold that index is found with
  // word arithmetic, and the two rules are spread over the bits.
  const std::optional<std::uint8_t> single = SingleDifferentIndex(rule);
  const unsigned rest_rule = rule[single ? static_cast<std::uint8_t>(*single + 1) : 0];
  const unsigned single_rule = single ? rule[*single] : rest_rule;
  const std::uint64_t single_pattern = 0x0101010101010101ull * (single ? *single : 0);
  const unsigned rest_base = (rest_rule & 1u) != 0 ? 0xFFu : 0u;
  const unsigned rest_flip = (rest_rule & 2u) != 0 ? 0xFFu : 0u;
  const unsigned single_base = (single_rule & 1u) != 0 ? 0xFFu : 0u;
  const unsigned single_flip = (single_rule & 2u) != 0 ? 0xFFu : 0u;
  for (int row = 0; row < b.height; ++row) {
    const std::uint8_t* s = src.Row(b.sy + row) + b.sx;
    std::uint8_t* d = dst.Row(b.dy + row);
    int i = 0;
    while (i < b.width) {
      const int x = b.dx + i;
      const int byte_index = x >> 3;
      const int first_bit = x & 7;
      const int count = std::min(8 - first_bit, b.width - i);
      unsigned base_bits = 0;
      unsigned flip_bits = 0;
      if (count == 8 && single) {
        // A whole target byte, eight pixels in one word: bit k set where pixel k holds the
        // single index (pixel 0 is the byte's most significant bit).
        const unsigned hits = PackLowBits(ZeroBytes(Load64(s + i) ^ single_pattern) >> 7);
        base_bits = (hits & single_base) | (~hits & rest_base);
        flip_bits = (hits & single_flip) | (~hits & rest_flip);
        d[byte_index] = static_cast<std::uint8_t>(base_bits ^ (d[byte_index] & flip_bits));
        i += 8;
        continue;
      }
      if (count == 8) {
        // A whole target byte: the eight rules side by side in one word, then packed.
        std::uint64_t rules = 0;
        for (int k = 0; k < 8; ++k) rules |= static_cast<std::uint64_t>(rule[s[i + k]]) << (8 * k);
        if (rules == kAllKeep) {  // eight pixels that keep their bits
          i += 8;
          continue;
        }
        base_bits = PackLowBits(rules);
        flip_bits = PackLowBits(rules >> 1);
        d[byte_index] = static_cast<std::uint8_t>(base_bits ^ (d[byte_index] & flip_bits));
        i += 8;
        continue;
      }
      for (int k = 0; k < count; ++k) {
        const unsigned r = rule[s[i + k]];
        const int shift = 7 - (first_bit + k);
        base_bits |= (r & 1u) << shift;
        flip_bits |= (r >> 1) << shift;
      }
      const unsigned covered = (0xFFu >> first_bit) & ~(0xFFu >> (first_bit + count));
      const unsigned old = d[byte_index];
      const unsigned result = base_bits ^ (old & flip_bits);
      d[byte_index] = static_cast<std::uint8_t>((old & ~covered) | (result & covered));
      i += count;
    }
  }
}

std::array<std::uint32_t, 256> TableOf(std::span<const platform::PaletteEntry> colors) {
  std::array<std::uint32_t, 256> lut{};
  for (std::size_t i = 0; i < colors.size() && i < lut.size(); ++i) lut[i] = colors[i] & 0xFFFFFFu;
  return lut;
}

void IndexedAndThenPaint(Bitmap& dst, const Bitmap& src, const Block& b,
                         const std::array<std::uint32_t, 256>& and_lut,
                         const std::array<std::uint32_t, 256>& paint_lut) {
  // Indices that leave the target as it is (AND white, OR black): a transparent frame's
  // transparent pixels, usually most of it.
  std::array<std::uint8_t, 256> unchanged{};
  for (std::size_t i = 0; i < 256; ++i)
    unchanged[i] = and_lut[i] == 0xFFFFFFu && paint_lut[i] == 0 ? 1 : 0;
  for (int row = 0; row < b.height; ++row) {
    const std::uint8_t* s = src.Row(b.sy + row) + b.sx;
    std::uint8_t* d = dst.Row(b.dy + row) + static_cast<std::ptrdiff_t>(b.dx) * 3;
    int i = 0;
    for (; i + 4 <= b.width; i += 4, d += 12) {
      const std::uint8_t i0 = s[i], i1 = s[i + 1], i2 = s[i + 2], i3 = s[i + 3];
      if ((unchanged[i0] & unchanged[i1] & unchanged[i2] & unchanged[i3]) != 0) continue;
      const std::uint32_t a0 = and_lut[i0], a1 = and_lut[i1], a2 = and_lut[i2], a3 = and_lut[i3];
      const std::uint32_t p0 = paint_lut[i0], p1 = paint_lut[i1], p2 = paint_lut[i2],
                          p3 = paint_lut[i3];
      Store32(d, (Load32(d) & (a0 | (a1 << 24))) | (p0 | (p1 << 24)));
      Store32(d + 4, (Load32(d + 4) & ((a1 >> 8) | (a2 << 16))) | ((p1 >> 8) | (p2 << 16)));
      Store32(d + 8, (Load32(d + 8) & ((a2 >> 16) | (a3 << 8))) | ((p2 >> 16) | (p3 << 8)));
    }
    for (; i < b.width; ++i, d += 3) {
      const std::uint32_t a = and_lut[s[i]];
      const std::uint32_t p = paint_lut[s[i]];
      for (int k = 0; k < 3; ++k)
        d[k] = static_cast<std::uint8_t>((d[k] & (a >> (8 * k))) | (p >> (8 * k)));
    }
  }
}

// For each mask byte, the 24 AND bytes of its eight pixels with the mask table black, white:
// 0x00 for a 0 bit, 0xFF for a 1 bit.
using ByteExpansion = std::array<std::array<std::uint8_t, 24>, 256>;
const ByteExpansion& MaskByteExpansion() {
  static const ByteExpansion expansion = [] {
    ByteExpansion table{};
    for (int byte = 0; byte < 256; ++byte) {
      for (int k = 0; k < 8; ++k) {
        const std::uint8_t value = ((byte >> (7 - k)) & 1) != 0 ? 0xFF : 0x00;
        for (int c = 0; c < 3; ++c)
          table[static_cast<std::size_t>(byte)][static_cast<std::size_t>(k * 3 + c)] = value;
      }
    }
    return table;
  }();
  return expansion;
}

// (target AND mask) OR canvas. With the usual mask table, whole mask bytes are expanded to
// 24 AND bytes, so eight pixels take one short run of byte operations.
void MaskedCanvasTo24(Bitmap& dst, const Bitmap& mask, const Bitmap& canvas, const Block& b) {
  const std::array<std::uint32_t, 256> lut = SourceTable(mask);
  const bool black_white = lut[0] == 0 && lut[1] == 0xFFFFFFu;
  const ByteExpansion& expansion = MaskByteExpansion();
  for (int row = 0; row < b.height; ++row) {
    const std::uint8_t* m = mask.Row(b.sy + row);
    const std::uint8_t* c = canvas.Row(b.sy + row) + static_cast<std::ptrdiff_t>(b.sx) * 3;
    std::uint8_t* d = dst.Row(b.dy + row) + static_cast<std::ptrdiff_t>(b.dx) * 3;
    int i = 0;
    while (i < b.width) {
      const int bit_pos = b.sx + i;
      std::uint8_t* p = d + static_cast<std::ptrdiff_t>(i) * 3;
      const std::uint8_t* q = c + static_cast<std::ptrdiff_t>(i) * 3;
      if (black_white && (bit_pos & 7) == 0 && i + 8 <= b.width) {
        // Byte-wise AND and OR, done as three 64-bit words.
        const std::uint8_t* and_bytes = expansion[m[bit_pos >> 3]].data();
        for (int k = 0; k < 24; k += 8)
          Store64(p + k, (Load64(p + k) & Load64(and_bytes + k)) | Load64(q + k));
        i += 8;
        continue;
      }
      const std::uint32_t colour = lut[static_cast<std::size_t>(Bit(m, bit_pos))];
      p[0] = static_cast<std::uint8_t>((p[0] & colour) | q[0]);
      p[1] = static_cast<std::uint8_t>((p[1] & (colour >> 8)) | q[1]);
      p[2] = static_cast<std::uint8_t>((p[2] & (colour >> 16)) | q[2]);
      ++i;
    }
  }
}

}  // namespace

bool FastAndThenPaint(Bitmap& dst, int x, int y, int w, int h, const Bitmap& src, int sx, int sy,
                      std::span<const platform::PaletteEntry> and_colors,
                      std::span<const platform::PaletteEntry> paint_colors) {
  if (src.BitsPerPixel() != 8 || dst.BitsPerPixel() != 24) return false;
  Block block;
  if (!Clip(dst, x, y, w, h, src, sx, sy, block)) return true;
  IndexedAndThenPaint(dst, src, block, TableOf(and_colors), TableOf(paint_colors));
  return true;
}

bool FastMaskedCanvas(Bitmap& dst, int x, int y, int w, int h, const Bitmap& mask,
                      const Bitmap& canvas, int sx, int sy) {
  if (mask.BitsPerPixel() != 1 || canvas.BitsPerPixel() != 24 || dst.BitsPerPixel() != 24 ||
      mask.Width() != canvas.Width() || mask.Height() != canvas.Height() || &dst == &canvas) {
    return false;
  }
  Block block;
  if (!Clip(dst, x, y, w, h, canvas, sx, sy, block)) return true;
  MaskedCanvasTo24(dst, mask, canvas, block);
  return true;
}

bool FastBlit(Bitmap& dst, int x, int y, int w, int h, const Bitmap& src, int sx, int sy,
              RasterOp op) {
  if (&dst == &src) return false;
  const int from = src.BitsPerPixel();
  const int to = dst.BitsPerPixel();
  const bool handled =
      (from == 8 && to == 24 && op != RasterOp::kSrcInvert) ||
      (from == 1 && to == 24 && op == RasterOp::kSrcAnd) ||
      (from == 24 && to == 24 && (op == RasterOp::kSrcCopy || op == RasterOp::kSrcPaint)) ||
      (from == 8 && to == 1 && (op == RasterOp::kSrcCopy || op == RasterOp::kSrcAnd));
  if (!handled) return false;
  Block block;
  if (!Clip(dst, x, y, w, h, src, sx, sy, block)) return true;
  if (from == 8 && to == 24) {
    if (op == RasterOp::kSrcCopy) IndexedTo24<RasterOp::kSrcCopy>(dst, src, block);
    if (op == RasterOp::kSrcAnd) IndexedTo24<RasterOp::kSrcAnd>(dst, src, block);
    if (op == RasterOp::kSrcPaint) IndexedTo24<RasterOp::kSrcPaint>(dst, src, block);
  } else if (from == 1) {
    MaskAndTo24(dst, src, block);
  } else if (from == 24) {
    DirectTo24(dst, src, block, op);
  } else {
    IndexedToMono(dst, src, block, op);
  }
  return true;
}

void ClearToBlack(Bitmap& canvas, const platform::Rect& rect) {
  const platform::Rect area = rect.Intersect(canvas.Bounds());
  if (area.IsEmpty() || canvas.BitsPerPixel() != 24) return;
  for (int y = area.top; y < area.bottom; ++y) {
    std::memset(canvas.Row(y) + static_cast<std::ptrdiff_t>(area.left) * 3, 0,
                static_cast<std::size_t>(area.Width()) * 3);
  }
}

void SetMaskBits(Bitmap& mask, const platform::Rect& rect) {
  const platform::Rect area = rect.Intersect(mask.Bounds());
  if (area.IsEmpty() || mask.BitsPerPixel() != 1) return;
  const int first_byte = area.left >> 3;
  const int last_byte = (area.right - 1) >> 3;
  const auto head = static_cast<std::uint8_t>(0xFFu >> (area.left & 7));
  const auto tail = static_cast<std::uint8_t>(0xFFu << (7 - ((area.right - 1) & 7)));
  for (int y = area.top; y < area.bottom; ++y) {
    std::uint8_t* row = mask.Row(y);
    if (first_byte == last_byte) {
      row[first_byte] = static_cast<std::uint8_t>(row[first_byte] | (head & tail));
      continue;
    }
    row[first_byte] = static_cast<std::uint8_t>(row[first_byte] | head);
    if (last_byte - first_byte > 1)
      std::memset(row + first_byte + 1, 0xFF, static_cast<std::size_t>(last_byte - first_byte - 1));
    row[last_byte] = static_cast<std::uint8_t>(row[last_byte] | tail);
  }
}

}  // namespace tovarin::gif
