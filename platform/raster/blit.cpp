// Blit: block transfers between any two bitmap formats with the four raster operations.
//
// The work is split into clipping (source, target and clip region), an alias check (a block
// copied onto an overlapping block of the same bitmap goes through a temporary), and a span
// kernel chosen once per call for the pair of formats. Direct-colour targets (24 and 32 bits)
// get templated kernels that read the source through a 256-entry table and combine bytes in
// place; those carry the GIF control's frame and mask passes. Indexed targets go through
// per-call lookup tables where the source is indexed too, and through the generic
// read-combine-nearest path otherwise.

#include <array>
#include <cstring>
#include <vector>

#include "platform/raster/pixel_span.h"
#include "platform/raster/raster.h"

namespace tovarin::platform {
namespace {

using pixel_span::Pixel;

struct BlitContext {
  RasterOp op = RasterOp::kSrcCopy;
  const Bitmap* src = nullptr;
  Bitmap* dst = nullptr;
  std::array<Pixel, 256> lut{};  // source index -> pixel (1- and 8-bit sources)
  // 1-bit target from an indexed source: new bit = bit_table[old bit * 256 + source index].
  std::array<std::uint8_t, 512> bit_table{};
  // 8-bit target from an indexed source by SRCCOPY: source index -> target index, -1 unknown.
  std::array<std::int16_t, 256> index_map{};
  std::vector<Pixel>* scratch = nullptr;
  pixel_span::NearestIndexCache* cache = nullptr;
  // 1-bit source onto a direct target: the target bytes of eight pixels for every value of
  // a source byte (8 x 3 or 8 x 4 bytes each).
  std::vector<std::uint8_t> patterns;
  std::int64_t pixels = 0;  // pixels in the blit, to decide whether building tables pays
};

using SpanKernel = void (*)(BlitContext& c, std::uint8_t* d, const std::uint8_t* s, int dx, int sx,
                            int n);

template <int Bpp>
inline Pixel LoadSource(const BlitContext& c, const std::uint8_t* s, int x) {
  if constexpr (Bpp == 1) {
    return c.lut[static_cast<std::size_t>(pixel_span::LoadBit(s, x))];
  } else if constexpr (Bpp == 8) {
    return c.lut[s[x]];
  } else if constexpr (Bpp == 24) {
    const std::uint8_t* p = s + static_cast<std::ptrdiff_t>(x) * 3;
    return static_cast<Pixel>(p[0]) | (static_cast<Pixel>(p[1]) << 8) |
           (static_cast<Pixel>(p[2]) << 16);
  } else {
    Pixel v;
    std::memcpy(&v, s + static_cast<std::ptrdiff_t>(x) * 4, 4);
    return v;
  }
}

template <RasterOp Op>
inline std::uint8_t CombineByte(std::uint8_t d, Pixel s) {
  const auto v = static_cast<std::uint8_t>(s);
  if constexpr (Op == RasterOp::kSrcCopy) return v;
  if constexpr (Op == RasterOp::kSrcAnd) return static_cast<std::uint8_t>(d & v);
  if constexpr (Op == RasterOp::kSrcPaint) return static_cast<std::uint8_t>(d | v);
  return static_cast<std::uint8_t>(d ^ v);
}

// Any source onto a 24-bit target. The hot loop of frame drawing (8-bit strip -> canvas or
// surface, 1-bit mask -> surface), so it is a template per format pair and operation.
template <int SrcBpp, RasterOp Op>
void ToDirect24(BlitContext& c, std::uint8_t* d, const std::uint8_t* s, int dx, int sx, int n) {
  std::uint8_t* p = d + static_cast<std::ptrdiff_t>(dx) * 3;
  for (int i = 0; i < n; ++i, p += 3) {
    const Pixel v = LoadSource<SrcBpp>(c, s, sx + i);
    p[0] = CombineByte<Op>(p[0], v);
    p[1] = CombineByte<Op>(p[1], v >> 8);
    p[2] = CombineByte<Op>(p[2], v >> 16);
  }
}

template <int SrcBpp, RasterOp Op>
void ToDirect32(BlitContext& c, std::uint8_t* d, const std::uint8_t* s, int dx, int sx, int n) {
  std::uint8_t* p = d + static_cast<std::ptrdiff_t>(dx) * 4;
  for (int i = 0; i < n; ++i, p += 4) {
    const Pixel v = LoadSource<SrcBpp>(c, s, sx + i);
    Pixel old = 0;
    if constexpr (Op != RasterOp::kSrcCopy) std::memcpy(&old, p, 4);
    const Pixel result = pixel_span::Combine(old, v, Op);
    std::memcpy(p, &result, 4);
  }
}

// 1-bit source onto a direct-colour target, eight pixels per source byte: the target bytes
// of the eight pixels come from the pattern table and are combined a machine word at a time.
// The mask pass of every composed frame runs through here.
template <int DstBpp, RasterOp Op>
void MonoToDirect(BlitContext& c, std::uint8_t* d, const std::uint8_t* s, int dx, int sx, int n) {
  constexpr std::size_t kBytes = DstBpp / 8;
  constexpr std::size_t kGroup = 8 * kBytes;
  std::uint8_t* p = d + static_cast<std::size_t>(dx) * kBytes;
  const unsigned shift = static_cast<unsigned>(sx & 7);
  int i = 0;
  for (; i + 8 <= n; i += 8, p += kGroup) {
    const std::uint8_t* q = s + ((sx + i) >> 3);
    // With a shift the eight pixels straddle two bytes, both inside the row.
    const unsigned byte =
        shift == 0 ? q[0]
                   : ((static_cast<unsigned>(q[0]) << shift) | (q[1] >> (8 - shift))) & 0xFFu;
    const std::uint8_t* pattern = c.patterns.data() + byte * kGroup;
    for (std::size_t w = 0; w < kGroup; w += 8) {
      std::uint64_t a = 0;
      std::uint64_t b;
      std::memcpy(&b, pattern + w, 8);
      if constexpr (Op != RasterOp::kSrcCopy) std::memcpy(&a, p + w, 8);
      if constexpr (Op == RasterOp::kSrcCopy) a = b;
      if constexpr (Op == RasterOp::kSrcAnd) a &= b;
      if constexpr (Op == RasterOp::kSrcPaint) a |= b;
      if constexpr (Op == RasterOp::kSrcInvert) a ^= b;
      std::memcpy(p + w, &a, 8);
    }
  }
  if (i < n) {
    if constexpr (DstBpp == 24) {
      ToDirect24<1, Op>(c, d, s, dx + i, sx + i, n - i);
    } else {
      ToDirect32<1, Op>(c, d, s, dx + i, sx + i, n - i);
    }
  }
}

template <int DstBpp>
void BuildMonoPatterns(BlitContext& c) {
  constexpr std::size_t kBytes = DstBpp / 8;
  c.patterns.resize(256 * 8 * kBytes);
  for (std::size_t byte = 0; byte < 256; ++byte) {
    std::uint8_t* out = c.patterns.data() + byte * 8 * kBytes;
    for (std::size_t k = 0; k < 8; ++k, out += kBytes) {
      const Pixel v = c.lut[(byte >> (7 - k)) & 1u];
      std::memcpy(out, &v, kBytes);  // little-endian: blue, green, red (, alpha)
    }
  }
}

template <int DstBpp>
SpanKernel MonoToDirectByOp(BlitContext& c) {
  BuildMonoPatterns<DstBpp>(c);
  switch (c.op) {
    case RasterOp::kSrcCopy: return MonoToDirect<DstBpp, RasterOp::kSrcCopy>;
    case RasterOp::kSrcAnd: return MonoToDirect<DstBpp, RasterOp::kSrcAnd>;
    case RasterOp::kSrcPaint: return MonoToDirect<DstBpp, RasterOp::kSrcPaint>;
    case RasterOp::kSrcInvert: return MonoToDirect<DstBpp, RasterOp::kSrcInvert>;
  }
  return MonoToDirect<DstBpp, RasterOp::kSrcCopy>;
}

// Same format, plain copy: bytes move unchanged.
template <int Bpp>
void CopyBytes(BlitContext&, std::uint8_t* d, const std::uint8_t* s, int dx, int sx, int n) {
  constexpr std::size_t kBytes = Bpp / 8;
  std::memmove(d + dx * kBytes, s + sx * kBytes, static_cast<std::size_t>(n) * kBytes);
}

// Same direct format with AND, OR or XOR: the operation is bitwise, so whole machine words
// of the two rows are combined at once.
template <int Bpp, RasterOp Op>
void CombineBytes(BlitContext&, std::uint8_t* d, const std::uint8_t* s, int dx, int sx, int n) {
  constexpr std::size_t kBytes = Bpp / 8;
  std::uint8_t* p = d + dx * kBytes;
  const std::uint8_t* q = s + sx * kBytes;
  const std::size_t count = static_cast<std::size_t>(n) * kBytes;
  std::size_t i = 0;
  for (; i + 8 <= count; i += 8) {
    std::uint64_t a;
    std::uint64_t b;
    std::memcpy(&a, p + i, 8);
    std::memcpy(&b, q + i, 8);
    if constexpr (Op == RasterOp::kSrcAnd) a &= b;
    if constexpr (Op == RasterOp::kSrcPaint) a |= b;
    if constexpr (Op == RasterOp::kSrcInvert) a ^= b;
    std::memcpy(p + i, &a, 8);
  }
  for (; i < count; ++i) p[i] = CombineByte<Op>(p[i], q[i]);
}

template <int Bpp>
SpanKernel SameDirectFormat(RasterOp op) {
  switch (op) {
    case RasterOp::kSrcCopy: return CopyBytes<Bpp>;
    case RasterOp::kSrcAnd: return CombineBytes<Bpp, RasterOp::kSrcAnd>;
    case RasterOp::kSrcPaint: return CombineBytes<Bpp, RasterOp::kSrcPaint>;
    case RasterOp::kSrcInvert: return CombineBytes<Bpp, RasterOp::kSrcInvert>;
  }
  return CopyBytes<Bpp>;
}

void CopyBits(BlitContext&, std::uint8_t* d, const std::uint8_t* s, int dx, int sx, int n) {
  for (int i = 0; i < n; ++i) pixel_span::StoreBit(d, dx + i, pixel_span::LoadBit(s, sx + i));
}

// Indexed source onto a 1-bit target through the per-call bit table.
template <int SrcBpp>
void ToMono(BlitContext& c, std::uint8_t* d, const std::uint8_t* s, int dx, int sx, int n) {
  auto source_index = [&](int i) {
    return SrcBpp == 1 ? pixel_span::LoadBit(s, sx + i) : s[sx + i];
  };
  int i = 0;
  // Leading pixels up to a byte boundary of the target, then whole bytes, then the rest.
  for (; i < n && ((dx + i) & 7) != 0; ++i) {
    const int old = pixel_span::LoadBit(d, dx + i);
    pixel_span::StoreBit(d, dx + i,
                         c.bit_table[static_cast<std::size_t>(old * 256 + source_index(i))]);
  }
  for (; i + 8 <= n; i += 8) {
    std::uint8_t& byte = d[(dx + i) >> 3];
    unsigned result = 0;
    for (int k = 0; k < 8; ++k) {
      const unsigned old = (byte >> (7 - k)) & 1u;
      result = (result << 1) | c.bit_table[old * 256 + static_cast<unsigned>(source_index(i + k))];
    }
    byte = static_cast<std::uint8_t>(result);
  }
  for (; i < n; ++i) {
    const int old = pixel_span::LoadBit(d, dx + i);
    pixel_span::StoreBit(d, dx + i,
                         c.bit_table[static_cast<std::size_t>(old * 256 + source_index(i))]);
  }
}

// Indexed source onto an 8-bit target by SRCCOPY: each source index is mapped once.
template <int SrcBpp>
void IndexedToIndexed8(BlitContext& c, std::uint8_t* d, const std::uint8_t* s, int dx, int sx,
                       int n) {
  for (int i = 0; i < n; ++i) {
    const int index = SrcBpp == 1 ? pixel_span::LoadBit(s, sx + i) : s[sx + i];
    std::int16_t& mapped = c.index_map[static_cast<std::size_t>(index)];
    if (mapped < 0)
      mapped = static_cast<std::int16_t>(c.cache->Map(c.lut[static_cast<std::size_t>(index)]));
    d[dx + i] = static_cast<std::uint8_t>(mapped);
  }
}

// Everything else: convert the source span to pixels, then combine and store.
void Generic(BlitContext& c, std::uint8_t* d, const std::uint8_t* s, int dx, int sx, int n) {
  std::vector<Pixel>& buffer = *c.scratch;
  if (buffer.size() < static_cast<std::size_t>(n)) buffer.resize(static_cast<std::size_t>(n));
  pixel_span::ReadPixels(s, c.src->BitsPerPixel(), c.src->ColorTable(), sx, n, buffer.data());
  pixel_span::WritePixels(d, c.dst->BitsPerPixel(), c.dst->ColorTable(), dx, n, buffer.data(), c.op,
                          c.cache);
}

template <template <int, RasterOp> class Pick, int SrcBpp>
SpanKernel ByOp(RasterOp op) {
  switch (op) {
    case RasterOp::kSrcCopy: return Pick<SrcBpp, RasterOp::kSrcCopy>::kKernel;
    case RasterOp::kSrcAnd: return Pick<SrcBpp, RasterOp::kSrcAnd>::kKernel;
    case RasterOp::kSrcPaint: return Pick<SrcBpp, RasterOp::kSrcPaint>::kKernel;
    case RasterOp::kSrcInvert: return Pick<SrcBpp, RasterOp::kSrcInvert>::kKernel;
  }
  return Generic;
}
template <int SrcBpp, RasterOp Op>
struct Pick24 {
  static constexpr SpanKernel kKernel = ToDirect24<SrcBpp, Op>;
};
template <int SrcBpp, RasterOp Op>
struct Pick32 {
  static constexpr SpanKernel kKernel = ToDirect32<SrcBpp, Op>;
};

template <template <int, RasterOp> class Pick>
SpanKernel BySource(int src_bpp, RasterOp op) {
  switch (src_bpp) {
    case 1: return ByOp<Pick, 1>(op);
    case 8: return ByOp<Pick, 8>(op);
    case 24: return ByOp<Pick, 24>(op);
    case 32: return ByOp<Pick, 32>(op);
    default: return Generic;
  }
}

SpanKernel ChooseKernel(BlitContext& c) {
  const int sb = c.src->BitsPerPixel();
  const int db = c.dst->BitsPerPixel();
  const bool indexed_source = sb == 1 || sb == 8;
  if (indexed_source) {
    const auto table = c.src->ColorTable();
    std::copy(table.begin(), table.end(), c.lut.begin());
  }
  if (sb == db && (sb == 24 || sb == 32))
    return sb == 24 ? SameDirectFormat<24>(c.op) : SameDirectFormat<32>(c.op);
  if (c.op == RasterOp::kSrcCopy && pixel_span::SameIndexedFormat(*c.src, *c.dst)) {
    // Equal tables: the indices themselves are copied, so a table with repeated colours
    // (the all-black table of a new 8-bit bitmap, a frame table with the transparent slot
    // blacked out) keeps every index.
    return sb == 8 ? CopyBytes<8> : CopyBits;
  }
  // Building the 8-KiB pattern table costs about as much as a few thousand pixels.
  constexpr std::int64_t kPatternWorthwhile = 4096;
  if (sb == 1 && (db == 24 || db == 32) && c.pixels >= kPatternWorthwhile) {
    return db == 24 ? MonoToDirectByOp<24>(c) : MonoToDirectByOp<32>(c);
  }
  if (db == 24) return BySource<Pick24>(sb, c.op);
  if (db == 32) return BySource<Pick32>(sb, c.op);
  if (db == 1 && indexed_source) {
    // The two colours of the target combined with every source colour, mapped back to the
    // nearer of the two target colours.
    const auto targets = c.dst->ColorTable();
    const int source_colors = sb == 1 ? 2 : 256;
    for (int old = 0; old < 2; ++old) {
      for (int index = 0; index < source_colors; ++index) {
        const Pixel combined = pixel_span::Combine(targets[static_cast<std::size_t>(old)],
                                                   c.lut[static_cast<std::size_t>(index)], c.op);
        c.bit_table[static_cast<std::size_t>(old * 256 + index)] =
            static_cast<std::uint8_t>(pixel_span::NearestTableIndex(targets, combined));
      }
    }
    return sb == 1 ? ToMono<1> : ToMono<8>;
  }
  if (db == 8 && indexed_source && c.op == RasterOp::kSrcCopy) {
    c.index_map.fill(-1);
    return sb == 1 ? IndexedToIndexed8<1> : IndexedToIndexed8<8>;
  }
  return Generic;
}

// Copies the clipped block: target pixel (x, y) of `area` takes source pixel
// (x + offset_x, y + offset_y), which lies inside the source.
void BlitClipped(Bitmap& dst, const Rect& area, const Bitmap& src, int offset_x, int offset_y,
                 RasterOp op, const Region* clip) {
  std::vector<Pixel> scratch;
  pixel_span::NearestIndexCache cache(dst.ColorTable());
  BlitContext context;
  context.op = op;
  context.src = &src;
  context.dst = &dst;
  context.scratch = &scratch;
  context.cache = &cache;
  context.pixels = std::int64_t{area.Width()} * area.Height();
  const SpanKernel kernel = ChooseKernel(context);
  pixel_span::ForEachSpan(dst.Bounds(), area, clip, [&](int y, int begin, int end) {
    kernel(context, dst.Row(y), src.Row(y + offset_y), begin, begin + offset_x, end - begin);
  });
}

}  // namespace

void Blit(Bitmap& dst, int x, int y, int w, int h, const Bitmap& src, int src_x, int src_y,
          RasterOp op, const Region* clip) {
  if (w <= 0 || h <= 0 || dst.IsEmpty() || src.IsEmpty()) return;
  // The source block, clipped to the source bitmap; the target block moves with it.
  const std::int64_t sx0 = std::max<std::int64_t>(src_x, 0);
  const std::int64_t sy0 = std::max<std::int64_t>(src_y, 0);
  const std::int64_t sx1 = std::min<std::int64_t>(std::int64_t{src_x} + w, src.Width());
  const std::int64_t sy1 = std::min<std::int64_t>(std::int64_t{src_y} + h, src.Height());
  if (sx0 >= sx1 || sy0 >= sy1) return;
  const std::int64_t offset_x = std::int64_t{src_x} - x;
  const std::int64_t offset_y = std::int64_t{src_y} - y;
  const Rect area =
      pixel_span::ClampedRect(sx0 - offset_x, sy0 - offset_y, sx1 - offset_x, sy1 - offset_y)
          .Intersect(dst.Bounds());
  if (area.IsEmpty()) return;
  const Rect source_area = area.Offset(static_cast<int>(offset_x), static_cast<int>(offset_y));
  if (&src == &dst && !source_area.Intersect(area).IsEmpty()) {
    // Overlapping blocks of one bitmap: read everything before writing anything.
    const Bitmap block = pixel_span::CopyBlock(src, source_area.left, source_area.top,
                                               source_area.Width(), source_area.Height());
    if (block.IsEmpty()) return;
    BlitClipped(dst, area, block, -area.left, -area.top, op, clip);
    return;
  }
  BlitClipped(dst, area, src, static_cast<int>(offset_x), static_cast<int>(offset_y), op, clip);
}

}  // namespace tovarin::platform
