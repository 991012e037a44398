// Solid fills, lines, outlines, inversion and 32-bit pixel copies.

#include "platform/raster/raster.h"

#include <cstring>
#include <vector>

#include "platform/raster/pixel_span.h"

namespace tovarin::platform {
namespace {

using pixel_span::Pixel;

__extension__ typedef __int128 Wide;  // exact products of two 33-bit line extents

// A colour prepared for one target format: the pixel for direct colour, the nearest table
// index for 1 and 8 bits.
struct SolidColor {
  Pixel pixel = 0;
  int index = 0;
};

SolidColor PrepareColor(const Bitmap& dst, ColorRef color) {
  SolidColor solid;
  solid.pixel = ToPaletteEntry(color);
  if (dst.BitsPerPixel() == 1 || dst.BitsPerPixel() == 8) solid.index = dst.NearestIndex(color);
  return solid;
}

void FillSpan(Bitmap& dst, int y, int begin, int end, const SolidColor& solid) {
  std::uint8_t* row = dst.Row(y);
  const int n = end - begin;
  switch (dst.BitsPerPixel()) {
    case 1:
      for (int x = begin; x < end; ++x) pixel_span::StoreBit(row, x, solid.index);
      break;
    case 8: std::memset(row + begin, solid.index, static_cast<std::size_t>(n)); break;
    case 24: {
      std::uint8_t* p = row + static_cast<std::ptrdiff_t>(begin) * 3;
      const auto blue = static_cast<std::uint8_t>(solid.pixel);
      const auto green = static_cast<std::uint8_t>(solid.pixel >> 8);
      const auto red = static_cast<std::uint8_t>(solid.pixel >> 16);
      for (int i = 0; i < n; ++i, p += 3) {
        p[0] = blue;
        p[1] = green;
        p[2] = red;
      }
      break;
    }
    case 32: {
      std::uint8_t* p = row + static_cast<std::ptrdiff_t>(begin) * 4;
      for (int i = 0; i < n; ++i, p += 4) std::memcpy(p, &solid.pixel, 4);
      break;
    }
    default: break;
  }
}

void FillArea(Bitmap& dst, const Rect& area, const SolidColor& solid, const Region* clip) {
  pixel_span::ForEachSpan(dst.Bounds(), area, clip,
                          [&](int y, int begin, int end) { FillSpan(dst, y, begin, end, solid); });
}

void PlotPixel(Bitmap& dst, int x, int y, const SolidColor& solid, const Region* clip) {
  if (!dst.Bounds().Contains(x, y)) return;
  if (clip != nullptr && !clip->Contains(x, y)) return;
  FillSpan(dst, y, x, x + 1, solid);
}

// Floor division for a positive divisor.
Wide FloorDiv(Wide a, Wide b) {
  Wide q = a / b;
  if ((a % b != 0) && (a < 0)) --q;
  return q;
}

// The steps i in [0, n) at which major coordinate start + step * i lies in [0, limit).
void VisibleSteps(std::int64_t start, int step, std::int64_t limit, std::int64_t n,
                  std::int64_t& first, std::int64_t& last) {
  if (step > 0) {
    first = std::max<std::int64_t>(0, -start);
    last = std::min<std::int64_t>(n, limit - start);
  } else {
    first = std::max<std::int64_t>(0, start - limit + 1);
    last = std::min<std::int64_t>(n, start + 1);
  }
}

}  // namespace

void FillRect(Bitmap& dst, const Rect& rect, ColorRef color, const Region* clip) {
  if (rect.IsEmpty() || dst.IsEmpty()) return;
  FillArea(dst, rect, PrepareColor(dst, color), clip);
}

void DrawLine(Bitmap& dst, int x1, int y1, int x2, int y2, ColorRef color, const Region* clip) {
  if (dst.IsEmpty()) return;
  const std::int64_t dx = std::int64_t{x2} - x1;
  const std::int64_t dy = std::int64_t{y2} - y1;
  const std::int64_t adx = dx < 0 ? -dx : dx;
  const std::int64_t ady = dy < 0 ? -dy : dy;
  const int sx = dx < 0 ? -1 : 1;
  const int sy = dy < 0 ? -1 : 1;
  const bool x_major = adx >= ady;
  const std::int64_t major = x_major ? adx : ady;  // pixels painted: the end point is left out
  const std::int64_t minor = x_major ? ady : adx;
  if (major == 0) return;
  const SolidColor solid = PrepareColor(dst, color);
  // Only the steps whose major coordinate lies on the bitmap are walked, so a line far
  // outside costs nothing. The minor offset after i steps is i * minor / major rounded to
  // nearest, an exact half staying on the row (or column) of the start: the classic
  // Bresenham decision "step when the error is above zero".
  const std::int64_t major_start = x_major ? x1 : y1;
  const std::int64_t minor_start = x_major ? y1 : x1;
  const int major_step = x_major ? sx : sy;
  const int minor_step = x_major ? sy : sx;
  std::int64_t first = 0;
  std::int64_t last = 0;
  VisibleSteps(major_start, major_step, x_major ? dst.Width() : dst.Height(), major, first, last);
  if (first >= last) return;
  std::int64_t k =
      static_cast<std::int64_t>(-FloorDiv(-(Wide{2} * first * minor - major), Wide{2} * major));
  Wide error = Wide{2} * minor - major + Wide{2} * first * minor - Wide{2} * major * k;
  for (std::int64_t i = first; i < last; ++i) {
    const std::int64_t a = major_start + major_step * i;
    const std::int64_t b = minor_start + minor_step * k;
    if (b >= std::numeric_limits<int>::min() && b <= std::numeric_limits<int>::max()) {
      if (x_major) {
        PlotPixel(dst, static_cast<int>(a), static_cast<int>(b), solid, clip);
      } else {
        PlotPixel(dst, static_cast<int>(b), static_cast<int>(a), solid, clip);
      }
    }
    if (error > 0) {
      ++k;
      error -= Wide{2} * major;
    }
    error += Wide{2} * minor;
  }
}

void FrameRect(Bitmap& dst, const Rect& rect, ColorRef color, const Region* clip) {
  if (rect.IsEmpty() || dst.IsEmpty()) return;
  const SolidColor solid = PrepareColor(dst, color);
  FillArea(dst, Rect{rect.left, rect.top, rect.right, rect.top + 1}, solid, clip);
  if (rect.bottom - 1 > rect.top) {
    FillArea(dst, Rect{rect.left, rect.bottom - 1, rect.right, rect.bottom}, solid, clip);
  }
  FillArea(dst, Rect{rect.left, rect.top + 1, rect.left + 1, rect.bottom - 1}, solid, clip);
  if (rect.right - 1 > rect.left) {
    FillArea(dst, Rect{rect.right - 1, rect.top + 1, rect.right, rect.bottom - 1}, solid, clip);
  }
}

void InvertRect(Bitmap& dst, const Rect& rect, const Region* clip) {
  if (rect.IsEmpty() || dst.IsEmpty()) return;
  const int bpp = dst.BitsPerPixel();
  pixel_span::ForEachSpan(dst.Bounds(), rect, clip, [&](int y, int begin, int end) {
    std::uint8_t* row = dst.Row(y);
    switch (bpp) {
      case 1:
        for (int x = begin; x < end; ++x)
          pixel_span::StoreBit(row, x, pixel_span::LoadBit(row, x) ^ 1);
        break;
      case 8:
        for (int x = begin; x < end; ++x) row[x] = static_cast<std::uint8_t>(~row[x]);
        break;
      case 24:
        for (std::ptrdiff_t i = std::ptrdiff_t{begin} * 3; i < std::ptrdiff_t{end} * 3; ++i) {
          row[i] = static_cast<std::uint8_t>(~row[i]);
        }
        break;
      case 32:
        // The colour bytes only: the fourth byte is not part of the colour.
        for (std::ptrdiff_t x = begin; x < end; ++x) {
          for (int c = 0; c < 3; ++c) row[x * 4 + c] = static_cast<std::uint8_t>(~row[x * 4 + c]);
        }
        break;
      default: break;
    }
  });
}

void CopyPixels32(Bitmap& dst, int x, int y, int w, int h, std::span<const std::uint32_t> pixels,
                  const Region* clip) {
  if (w <= 0 || h <= 0 || dst.IsEmpty()) return;
  if (static_cast<std::uint64_t>(pixels.size()) <
      static_cast<std::uint64_t>(w) * static_cast<std::uint64_t>(h)) {
    return;
  }
  const Rect area = pixel_span::ClampedRect(x, y, std::int64_t{x} + w, std::int64_t{y} + h);
  pixel_span::NearestIndexCache cache(dst.ColorTable());
  pixel_span::ForEachSpan(dst.Bounds(), area, clip, [&](int row_y, int begin, int end) {
    // Rows are stored bottom-up: the first row of `pixels` is row y + h - 1.
    const std::int64_t source_row = std::int64_t{y} + h - 1 - row_y;
    const std::uint32_t* source =
        pixels.data() + static_cast<std::size_t>(source_row) * static_cast<std::size_t>(w) +
        static_cast<std::size_t>(std::int64_t{begin} - x);
    pixel_span::WritePixels(dst.Row(row_y), dst.BitsPerPixel(), dst.ColorTable(), begin,
                            end - begin, source, RasterOp::kSrcCopy, &cache);
  });
}

}  // namespace tovarin::platform
