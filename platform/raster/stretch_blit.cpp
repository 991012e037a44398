// StretchBlit: scaled and mirrored block transfers.
//
// Geometry. Each axis is normalised to a positive target run of `target_count` pixels and a
// positive source run of `source_count` pixels, plus a mirror flag. Target pixel t covers
// [t, t + 1) of the target run, which corresponds to [t * S / T, (t + 1) * S / T) of the
// source run (S source pixels, T target pixels); mirroring reads source pixel S - 1 - u for u.
//  - kDeleteScans takes the source pixel under the centre of the target pixel:
//    u = floor((2t + 1) * S / 2T).
//  - kHalftone averages the source pixels under the target pixel, each weighted by the exact
//    length of its overlap, in integer arithmetic (weights in units of 1 / (S * T) of a
//    source pixel, reduced by gcd(S, T)), rounding the mean to nearest, halves up.
// The source is read through its colour table; the result is combined with the target by
// the raster operation like Blit does.

#include <cmath>
#include <numeric>
#include <vector>

#include "platform/raster/pixel_span.h"
#include "platform/raster/raster.h"

namespace tovarin::platform {
namespace {

using pixel_span::Pixel;

struct Axis {
  std::int64_t target_begin = 0;
  std::int64_t target_count = 0;
  std::int64_t source_begin = 0;
  std::int64_t source_count = 0;
  bool mirror = false;
};

// One side of an axis as a positive run: its first pixel, its length, and whether the caller
// named it backwards.
struct Run {
  std::int64_t begin = 0;
  std::int64_t count = 0;
  bool reversed = false;
};

// A negative extent names its first pixel and runs towards smaller coordinates.
Run MakeRun(int start, int extent) {
  if (extent < 0) return Run{std::int64_t{start} + extent + 1, -std::int64_t{extent}, true};
  return Run{start, extent, false};
}

// One reversed side mirrors the transfer; two reversed sides cancel out.
Axis MakeAxis(int target, int target_extent, int source, int source_extent) {
  const Run target_run = MakeRun(target, target_extent);
  const Run source_run = MakeRun(source, source_extent);
  return Axis{target_run.begin, target_run.count, source_run.begin, source_run.count,
              target_run.reversed != source_run.reversed};
}

// Source pixel (0 .. S - 1 along the source run) sampled by target pixel t.
std::int64_t NearestSource(const Axis& axis, std::int64_t t) {
  const std::int64_t u = ((2 * t + 1) * axis.source_count) / (2 * axis.target_count);
  return axis.mirror ? axis.source_count - 1 - u : u;
}

// The weighted source pixels of every target pixel of [first, last) of the target run.
struct Contributions {
  std::vector<std::int64_t> start;   // per target pixel: index into `source` and `weight`
  std::vector<std::int64_t> source;  // source pixel along the source run
  std::vector<std::uint64_t> weight;
  std::uint64_t total = 1;  // the weights of one target pixel sum to this
  std::int64_t max_count = 0;
};

Contributions Weigh(const Axis& axis, std::int64_t first, std::int64_t last) {
  Contributions c;
  const std::int64_t s = axis.source_count;
  const std::int64_t t_count = axis.target_count;
  const std::int64_t g = std::gcd(s, t_count);
  c.total = static_cast<std::uint64_t>(s / g);
  for (std::int64_t t = first; t < last; ++t) {
    c.start.push_back(static_cast<std::int64_t>(c.source.size()));
    // In units of 1 / T of a source pixel the target pixel covers [t S, (t + 1) S) and
    // source pixel u covers [u T, (u + 1) T).
    const std::int64_t lo = t * s;
    const std::int64_t hi = (t + 1) * s;
    std::int64_t count = 0;
    for (std::int64_t u = lo / t_count; u * t_count < hi; ++u) {
      const std::int64_t overlap = std::min(hi, (u + 1) * t_count) - std::max(lo, u * t_count);
      if (overlap <= 0) continue;
      c.source.push_back(axis.mirror ? s - 1 - u : u);
      c.weight.push_back(static_cast<std::uint64_t>(overlap / g));
      ++count;
    }
    c.max_count = std::max(c.max_count, count);
  }
  c.start.push_back(static_cast<std::int64_t>(c.source.size()));
  return c;
}

// n / d rounded to nearest (halves up) for a fixed d and n <= 255 d: a division per colour
// channel would dominate the loop. With L the bit length of d, the rounded-up reciprocal
// m = ceil(2^s / d), s = 8 + 2L, gives floor(n' / d) = (n' m) >> s exactly for every
// n' < 2^(8 + L) (the error n' (m d - 2^s) / 2^s stays below 1 / d), and n' m fits in 64
// bits while L <= 23. Larger d take a floating-point reciprocal with an exact correction.
class RoundingDivider {
 public:
  explicit RoundingDivider(std::uint64_t d)
      : d_(d), half_(d / 2), inverse_(1.0 / static_cast<double>(d)) {
    int bits = 0;
    while (bits < 64 && (d >> bits) != 0) ++bits;
    if (bits <= 23) {
      shift_ = 8 + 2 * bits;
      multiplier_ = ((std::uint64_t{1} << shift_) + d - 1) / d;
    }
  }
  std::uint64_t operator()(std::uint64_t n) const {
    n += half_;
    if (multiplier_ != 0) return (n * multiplier_) >> shift_;
    auto q = static_cast<std::uint64_t>(static_cast<double>(n) * inverse_);
    if (q * d_ > n) --q;
    if ((q + 1) * d_ <= n) ++q;
    return q;
  }

 private:
  std::uint64_t d_;
  std::uint64_t half_;
  double inverse_;
  std::uint64_t multiplier_ = 0;
  int shift_ = 0;
};

struct Job {
  Bitmap* dst;
  const Bitmap* src;      // the source bitmap or a copy of the block
  std::int64_t source_x;  // origin of the source run in `src`
  std::int64_t source_y;
  Axis ax;
  Axis ay;
  Rect area;  // visible target pixels (before the clip region)
  RasterOp op;
  const Region* clip;
};

// Calls emit(y, begin, end) for each clip span of target row y inside the area.
template <typename F>
void ForEachRowSpan(const Job& job, int y, F&& emit) {
  pixel_span::ForEachSpan(job.dst->Bounds(), Rect{job.area.left, y, job.area.right, y + 1},
                          job.clip, emit);
}

void StretchNearest(const Job& job) {
  const int width = job.area.Width();
  std::vector<std::int64_t> columns(static_cast<std::size_t>(width));
  for (int i = 0; i < width; ++i) {
    columns[static_cast<std::size_t>(i)] =
        NearestSource(job.ax, job.area.left + i - job.ax.target_begin);
  }
  const auto [low, high] = std::minmax_element(columns.begin(), columns.end());
  const std::int64_t read_first = *low;
  const int read_count = static_cast<int>(*high - *low + 1);
  std::vector<Pixel> source_row(static_cast<std::size_t>(read_count));
  std::vector<Pixel> out(static_cast<std::size_t>(width));
  pixel_span::NearestIndexCache cache(job.dst->ColorTable());
  std::int64_t loaded_row = -1;
  const bool copy_indices =
      job.op == RasterOp::kSrcCopy && pixel_span::SameIndexedFormat(*job.src, *job.dst);
  for (int y = job.area.top; y < job.area.bottom; ++y) {
    ForEachRowSpan(job, y, [&](int row_y, int begin, int end) {
      const std::int64_t v = NearestSource(job.ay, row_y - job.ay.target_begin);
      if (copy_indices) {
        // Equal tables (mirroring the frame strip onto itself): indices move unchanged.
        const std::uint8_t* from = job.src->Row(static_cast<int>(job.source_y + v));
        std::uint8_t* to = job.dst->Row(row_y);
        for (int x = begin; x < end; ++x) {
          const std::int64_t u =
              job.source_x + columns[static_cast<std::size_t>(x - job.area.left)];
          if (job.dst->BitsPerPixel() == 8) {
            to[x] = from[u];
          } else {
            pixel_span::StoreBit(to, x, pixel_span::LoadBit(from, static_cast<int>(u)));
          }
        }
        return;
      }
      if (v != loaded_row) {
        pixel_span::ReadPixels(job.src->Row(static_cast<int>(job.source_y + v)),
                               job.src->BitsPerPixel(), job.src->ColorTable(),
                               static_cast<int>(job.source_x + read_first), read_count,
                               source_row.data());
        loaded_row = v;
      }
      for (int x = begin; x < end; ++x) {
        out[static_cast<std::size_t>(x - begin)] = source_row[static_cast<std::size_t>(
            columns[static_cast<std::size_t>(x - job.area.left)] - read_first)];
      }
      pixel_span::WritePixels(job.dst->Row(row_y), job.dst->BitsPerPixel(), job.dst->ColorTable(),
                              begin, end - begin, out.data(), job.op, &cache);
    });
  }
}

// Box-filter stretch, separable: each needed source row is reduced to the target's columns
// (horizontal sums, one plane per channel, kept in a small ring of rows since consecutive
// target rows share source rows); then the rows under each target row are summed and
// divided once. `Acc` is 32 bits when the largest weighted sum fits, else 64. Hot for the
// GIF control's stretched frames, hence the length.
template <typename Acc>
void StretchHalftoneWith(const Job& job, const Contributions& cx, const Contributions& cy) {
  const int width = job.area.Width();
  const std::size_t columns = static_cast<std::size_t>(width);
  const auto [low, high] = std::minmax_element(cx.source.begin(), cx.source.end());
  const std::int64_t read_first = *low;
  const std::size_t read_count = static_cast<std::size_t>(*high - *low + 1);
  const std::size_t channels = job.src->BitsPerPixel() == 32 ? 4 : 3;
  std::vector<std::uint32_t> offsets(cx.source.size());
  std::vector<Acc> weights(cx.weight.size());
  for (std::size_t k = 0; k < offsets.size(); ++k) {
    offsets[k] = static_cast<std::uint32_t>(cx.source[k] - read_first);
    weights[k] = static_cast<Acc>(cx.weight[k]);
  }
  // Each horizontal sum is consumed before the next one is asked for, so any number of
  // slots is correct; three keep every source row shared by neighbouring target rows.
  const std::size_t slots = static_cast<std::size_t>(std::min<std::int64_t>(cy.max_count + 1, 3));
  const std::size_t row_values = columns * channels;
  std::vector<Acc> sums(slots * row_values);
  std::vector<std::int64_t> slot_row(slots, -1);
  std::vector<Pixel> source_row(read_count);
  auto horizontal = [&](std::int64_t v) -> const Acc* {
    const std::size_t slot = static_cast<std::size_t>(v) % slots;
    Acc* h = sums.data() + slot * row_values;
    if (slot_row[slot] == v) return h;
    slot_row[slot] = v;
    pixel_span::ReadPixels(job.src->Row(static_cast<int>(job.source_y + v)),
                           job.src->BitsPerPixel(), job.src->ColorTable(),
                           static_cast<int>(job.source_x + read_first),
                           static_cast<int>(read_count), source_row.data());
    // Local pointers: the compiler cannot tell the vectors' buffers apart otherwise.
    const std::int64_t* const starts = cx.start.data();
    const std::uint32_t* const offset = offsets.data();
    const Acc* const weight = weights.data();
    const Pixel* const pixels = source_row.data();
    Acc* __restrict blue = h;
    Acc* __restrict green = h + columns;
    Acc* __restrict red = h + 2 * columns;
    Acc* __restrict alpha = channels == 4 ? h + 3 * columns : nullptr;
    for (std::size_t i = 0; i < columns; ++i) {
      Acc b = 0;
      Acc g = 0;
      Acc r = 0;
      Acc a = 0;
      const auto k_end = static_cast<std::size_t>(starts[i + 1]);
      for (auto k = static_cast<std::size_t>(starts[i]); k < k_end; ++k) {
        const Pixel p = pixels[offset[k]];
        const Acc w = weight[k];
        b += w * (p & 0xFF);
        g += w * ((p >> 8) & 0xFF);
        r += w * ((p >> 16) & 0xFF);
        a += w * (p >> 24);
      }
      blue[i] = b;
      green[i] = g;
      red[i] = r;
      if (alpha != nullptr) alpha[i] = a;
    }
    return h;
  };

  const RoundingDivider divide(cx.total * cy.total);
  std::vector<Acc> acc(row_values);
  std::vector<Pixel> out(columns);
  pixel_span::NearestIndexCache cache(job.dst->ColorTable());
  for (int y = job.area.top; y < job.area.bottom; ++y) {
    bool computed = false;
    ForEachRowSpan(job, y, [&](int row_y, int begin, int end) {
      if (!computed) {
        computed = true;
        std::fill(acc.begin(), acc.end(), Acc{0});
        const std::size_t r = static_cast<std::size_t>(row_y - job.area.top);
        Acc* __restrict sum = acc.data();
        for (std::int64_t k = cy.start[r]; k < cy.start[r + 1]; ++k) {
          const Acc* __restrict h = horizontal(cy.source[static_cast<std::size_t>(k)]);
          const auto w = static_cast<Acc>(cy.weight[static_cast<std::size_t>(k)]);
          for (std::size_t j = 0; j < row_values; ++j) sum[j] += w * h[j];
        }
        for (std::size_t i = 0; i < columns; ++i) {
          Pixel p = 0;
          for (std::size_t c = 0; c < channels; ++c) {
            p |= static_cast<Pixel>(divide(acc[c * columns + i]) << (8 * c));
          }
          out[i] = p;
        }
      }
      pixel_span::WritePixels(job.dst->Row(row_y), job.dst->BitsPerPixel(), job.dst->ColorTable(),
                              begin, end - begin, out.data() + (begin - job.area.left), job.op,
                              &cache);
    });
  }
}

void StretchHalftone(const Job& job) {
  const std::int64_t t_left = job.area.left - job.ax.target_begin;
  const std::int64_t t_top = job.area.top - job.ay.target_begin;
  const Contributions cx = Weigh(job.ax, t_left, t_left + job.area.Width());
  const Contributions cy = Weigh(job.ay, t_top, t_top + job.area.Height());
  // The largest value met: 255 per channel times the weights of one target pixel, plus the
  // rounding half.
  const std::uint64_t largest = 256 * cx.total * cy.total;
  if (largest <= std::numeric_limits<std::uint32_t>::max()) {
    StretchHalftoneWith<std::uint32_t>(job, cx, cy);
  } else {
    StretchHalftoneWith<std::uint64_t>(job, cx, cy);
  }
}

}  // namespace

void StretchBlit(Bitmap& dst, int x, int y, int w, int h, const Bitmap& src, int src_x, int src_y,
                 int src_w, int src_h, RasterOp op, StretchMode mode, const Region* clip) {
  if (w == 0 || h == 0 || src_w == 0 || src_h == 0 || dst.IsEmpty() || src.IsEmpty()) return;
  if (w > 0 && h > 0 && src_w == w && src_h == h) {
    Blit(dst, x, y, w, h, src, src_x, src_y, op, clip);
    return;
  }
  const Axis ax = MakeAxis(x, w, src_x, src_w);
  const Axis ay = MakeAxis(y, h, src_y, src_h);
  const Rect area =
      pixel_span::ClampedRect(ax.target_begin, ay.target_begin, ax.target_begin + ax.target_count,
                              ay.target_begin + ay.target_count)
          .Intersect(dst.Bounds());
  if (area.IsEmpty()) return;
  if (clip != nullptr && area.Intersect(clip->Bounds()).IsEmpty()) return;

  Job job{&dst, &src, ax.source_begin, ay.source_begin, ax, ay, area, op, clip};
  // A block that overlaps the target bitmap itself (in-place mirroring) or reaches outside
  // its bitmap is read from a copy; the parts outside the source read as zero bits.
  Bitmap block;
  const bool inside = ax.source_begin >= 0 && ay.source_begin >= 0 &&
                      ax.source_begin + ax.source_count <= src.Width() &&
                      ay.source_begin + ay.source_count <= src.Height();
  if (&src == &dst || !inside) {
    if (ax.source_count > std::numeric_limits<int>::max() ||
        ay.source_count > std::numeric_limits<int>::max()) {
      return;
    }
    block = pixel_span::CopyBlock(
        src, static_cast<int>(ax.source_begin), static_cast<int>(ay.source_begin),
        static_cast<int>(ax.source_count), static_cast<int>(ay.source_count));
    if (block.IsEmpty()) return;
    job.src = &block;
    job.source_x = 0;
    job.source_y = 0;
  }
  // When the target run is a whole multiple of the source run on both axes, every target
  // pixel lies inside one source pixel, so the average is that pixel: the nearest sample
  // gives the same result faster.
  const bool whole_multiples =
      ax.target_count % ax.source_count == 0 && ay.target_count % ay.source_count == 0;
  if (mode == StretchMode::kDeleteScans || whole_multiples) {
    StretchNearest(job);
  } else {
    StretchHalftone(job);
  }
}

}  // namespace tovarin::platform
