#pragma once
// Internal helpers of the raster layer (not for the controls): reading and writing runs of
// pixels of any bitmap format, nearest-colour lookup, and walking the visible spans of a
// rectangle under an optional clip region.
//
// Pixels travel between formats as `Pixel` values: 0xAARRGGBB, the layout of a colour-table
// entry and of a 32-bit pixel in memory (bytes blue, green, red, alpha). Sources of 1, 8 and
// 24 bits read with alpha 0.

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <span>

#include "platform/raster/bitmap.h"
#include "platform/raster/raster.h"
#include "platform/raster/region.h"

namespace tovarin::platform::pixel_span {

using Pixel = std::uint32_t;

inline constexpr Pixel kColorBits = 0x00FFFFFFu;

inline int LoadBit(const std::uint8_t* row, int x) { return (row[x >> 3] >> (7 - (x & 7))) & 1; }
inline void StoreBit(std::uint8_t* row, int x, int bit) {
  const auto mask = static_cast<std::uint8_t>(0x80u >> (x & 7));
  if (bit != 0) {
    row[x >> 3] = static_cast<std::uint8_t>(row[x >> 3] | mask);
  } else {
    row[x >> 3] = static_cast<std::uint8_t>(row[x >> 3] & ~mask);
  }
}

inline Pixel Combine(Pixel dst, Pixel src, RasterOp op) {
  switch (op) {
    case RasterOp::kSrcCopy: return src;
    case RasterOp::kSrcAnd: return dst & src;
    case RasterOp::kSrcPaint: return dst | src;
    case RasterOp::kSrcInvert: return dst ^ src;
  }
  return src;
}

// Index of the entry of `table` nearest to `pixel` (squared distance over red, green and
// blue; the first of equally near entries wins). -1 for an empty table.
int NearestTableIndex(std::span<const PaletteEntry> table, Pixel pixel);

// NearestTableIndex with a small direct-mapped memory of recent answers, for blits that map
// many pixels of few colours into an indexed bitmap.
class NearestIndexCache {
 public:
  explicit NearestIndexCache(std::span<const PaletteEntry> table) : table_(table) { keys_.fill(0); }
  int Map(Pixel pixel) {
    pixel &= kColorBits;
    const std::uint32_t slot = (pixel * 2654435761u) >> (32 - kSlotBits);
    const std::uint32_t key = pixel | kValidKey;
    if (keys_[slot] != key) {
      keys_[slot] = key;
      values_[slot] = static_cast<std::uint8_t>(NearestTableIndex(table_, pixel));
    }
    return values_[slot];
  }

 private:
  static constexpr int kSlotBits = 10;
  static constexpr std::uint32_t kValidKey = 0x80000000u;
  std::span<const PaletteEntry> table_;
  std::array<std::uint32_t, std::size_t{1} << kSlotBits> keys_;
  std::array<std::uint8_t, std::size_t{1} << kSlotBits> values_{};
};

// True when both bitmaps are indexed with the same bits per pixel and equal colour tables:
// then copying indices is exact and copying colours through the nearest index is not (a
// table may repeat a colour).
inline bool SameIndexedFormat(const Bitmap& a, const Bitmap& b) {
  if (a.BitsPerPixel() != b.BitsPerPixel() || (a.BitsPerPixel() != 1 && a.BitsPerPixel() != 8))
    return false;
  return std::equal(a.ColorTable().begin(), a.ColorTable().end(), b.ColorTable().begin(),
                    b.ColorTable().end());
}

// Reads n pixels from column x of a row in memory of a bitmap with `bits_per_pixel` and
// colour table `table` (1 and 8 bits read through the table).
void ReadPixels(const std::uint8_t* row, int bits_per_pixel, std::span<const PaletteEntry> table,
                int x, int n, Pixel* out);

// Combines n pixels with the row's pixels from column x by `op` and stores the results; an
// indexed row stores the nearest table colour's index of the combined colour. `cache` must
// be given for 1- and 8-bit rows.
void WritePixels(std::uint8_t* row, int bits_per_pixel, std::span<const PaletteEntry> table, int x,
                 int n, const Pixel* in, RasterOp op, NearestIndexCache* cache);

// Copies the raw bits of the w x h block at (x, y) of `src` into a new bitmap of the same
// format and colour table. Parts of the block outside `src` read as zero bits. Returns an
// empty bitmap when the block is empty or cannot be allocated.
Bitmap CopyBlock(const Bitmap& src, int x, int y, int w, int h);

// A rectangle from 64-bit edges, clamped to the range of int.
inline Rect ClampedRect(std::int64_t left, std::int64_t top, std::int64_t right,
                        std::int64_t bottom) {
  constexpr std::int64_t lo = std::numeric_limits<int>::min();
  constexpr std::int64_t hi = std::numeric_limits<int>::max();
  return Rect{static_cast<int>(std::clamp(left, lo, hi)), static_cast<int>(std::clamp(top, lo, hi)),
              static_cast<int>(std::clamp(right, lo, hi)),
              static_cast<int>(std::clamp(bottom, lo, hi))};
}

// Calls f(y, x_begin, x_end) for every visible horizontal span of `area`: inside `bounds`
// and, when `clip` is given, inside the clip region. Rows come top to bottom.
template <typename F>
void ForEachSpan(const Rect& bounds, const Rect& area, const Region* clip, F&& f) {
  const Rect r = area.Intersect(bounds);
  if (r.IsEmpty()) return;
  for (int y = r.top; y < r.bottom; ++y) {
    if (clip == nullptr) {
      f(y, r.left, r.right);
      continue;
    }
    for (const Region::Run& run : clip->RowRuns(y)) {
      const int begin = std::max(run.begin, r.left);
      const int end = std::min(run.end, r.right);
      if (begin < end) f(y, begin, end);
    }
  }
}

}  // namespace tovarin::platform::pixel_span
