#include "platform/raster/pixel_span.h"

#include <cstring>

namespace tovarin::platform::pixel_span {

int NearestTableIndex(std::span<const PaletteEntry> table, Pixel pixel) {
  const int red = static_cast<int>((pixel >> 16) & 0xFF);
  const int green = static_cast<int>((pixel >> 8) & 0xFF);
  const int blue = static_cast<int>(pixel & 0xFF);
  int best = -1;
  int best_distance = std::numeric_limits<int>::max();
  for (std::size_t i = 0; i < table.size(); ++i) {
    const int dr = static_cast<int>((table[i] >> 16) & 0xFF) - red;
    const int dg = static_cast<int>((table[i] >> 8) & 0xFF) - green;
    const int db = static_cast<int>(table[i] & 0xFF) - blue;
    const int distance = dr * dr + dg * dg + db * db;
    if (distance < best_distance) {
      best_distance = distance;
      best = static_cast<int>(i);
      if (distance == 0) break;
    }
  }
  return best;
}

void ReadPixels(const std::uint8_t* row, int bits_per_pixel, std::span<const PaletteEntry> table,
                int x, int n, Pixel* out) {
  switch (bits_per_pixel) {
    case 1:
      for (int i = 0; i < n; ++i) out[i] = table[static_cast<std::size_t>(LoadBit(row, x + i))];
      break;
    case 8: {
      const std::uint8_t* p = row + x;
      for (int i = 0; i < n; ++i) out[i] = table[p[i]];
      break;
    }
    case 24: {
      const std::uint8_t* p = row + static_cast<std::ptrdiff_t>(x) * 3;
      for (int i = 0; i < n; ++i, p += 3) {
        out[i] = static_cast<Pixel>(p[0]) | (static_cast<Pixel>(p[1]) << 8) |
                 (static_cast<Pixel>(p[2]) << 16);
      }
      break;
    }
    case 32:
      std::memcpy(out, row + static_cast<std::ptrdiff_t>(x) * 4, static_cast<std::size_t>(n) * 4);
      break;
    default: break;
  }
}

void WritePixels(std::uint8_t* row, int bits_per_pixel, std::span<const PaletteEntry> table, int x,
                 int n, const Pixel* in, RasterOp op, NearestIndexCache* cache) {
  switch (bits_per_pixel) {
    case 1:
      for (int i = 0; i < n; ++i) {
        Pixel value = in[i];
        if (op != RasterOp::kSrcCopy)
          value = Combine(table[static_cast<std::size_t>(LoadBit(row, x + i))], value, op);
        StoreBit(row, x + i, cache->Map(value));
      }
      break;
    case 8: {
      std::uint8_t* p = row + x;
      for (int i = 0; i < n; ++i) {
        Pixel value = in[i];
        if (op != RasterOp::kSrcCopy) value = Combine(table[p[i]], value, op);
        p[i] = static_cast<std::uint8_t>(cache->Map(value));
      }
      break;
    }
    case 24: {
      std::uint8_t* p = row + static_cast<std::ptrdiff_t>(x) * 3;
      for (int i = 0; i < n; ++i, p += 3) {
        Pixel value = in[i];
        if (op != RasterOp::kSrcCopy) {
          const Pixel old = static_cast<Pixel>(p[0]) | (static_cast<Pixel>(p[1]) << 8) |
                            (static_cast<Pixel>(p[2]) << 16);
          value = Combine(old, value, op);
        }
        p[0] = static_cast<std::uint8_t>(value);
        p[1] = static_cast<std::uint8_t>(value >> 8);
        p[2] = static_cast<std::uint8_t>(value >> 16);
      }
      break;
    }
    case 32: {
      std::uint8_t* p = row + static_cast<std::ptrdiff_t>(x) * 4;
      if (op == RasterOp::kSrcCopy) {
        std::memcpy(p, in, static_cast<std::size_t>(n) * 4);
        break;
      }
      for (int i = 0; i < n; ++i, p += 4) {
        Pixel old;
        std::memcpy(&old, p, 4);
        const Pixel value = Combine(old, in[i], op);
        std::memcpy(p, &value, 4);
      }
      break;
    }
    default: break;
  }
}

Bitmap CopyBlock(const Bitmap& src, int x, int y, int w, int h) {
  if (w <= 0 || h <= 0) return Bitmap{};
  Result<Bitmap> made = Bitmap::Create(w, h, src.BitsPerPixel());
  if (!made.ok()) return Bitmap{};
  Bitmap block = std::move(made).value();
  block.SetColorTable(0, src.ColorTable());
  // The part of the block that lies on the source, in block coordinates.
  const Rect visible = ClampedRect(std::max<std::int64_t>(0, -std::int64_t{x}),
                                   std::max<std::int64_t>(0, -std::int64_t{y}),
                                   std::min<std::int64_t>(w, std::int64_t{src.Width()} - x),
                                   std::min<std::int64_t>(h, std::int64_t{src.Height()} - y));
  if (visible.IsEmpty()) return block;
  const int bpp = src.BitsPerPixel();
  for (int row = visible.top; row < visible.bottom; ++row) {
    const std::uint8_t* from = src.Row(row + y);
    std::uint8_t* to = block.Row(row);
    if (bpp == 1) {
      for (int col = visible.left; col < visible.right; ++col)
        StoreBit(to, col, LoadBit(from, col + x));
    } else {
      const std::size_t bytes_per_pixel = static_cast<std::size_t>(bpp / 8);
      std::memcpy(to + visible.left * bytes_per_pixel,
                  from + (static_cast<std::size_t>(visible.left) + x) * bytes_per_pixel,
                  static_cast<std::size_t>(visible.Width()) * bytes_per_pixel);
    }
  }
  return block;
}

}  // namespace tovarin::platform::pixel_span
