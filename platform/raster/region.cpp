#include "platform/raster/region.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace tovarin::platform {
namespace {

using Runs = std::vector<Region::Run>;

constexpr int kLimit = Region::kCoordinateLimit;

int ClampCoordinate(std::int64_t v) {
  return static_cast<int>(std::clamp<std::int64_t>(v, -kLimit, kLimit));
}

// Merges two sorted, disjoint, non-touching run lists by a set operation on membership.
template <typename Keep>
Runs CombineRuns(const Runs& a, const Runs& b, Keep keep) {
  // Every boundary of either list, in order; membership is constant between boundaries.
  std::vector<int> edges;
  edges.reserve(2 * (a.size() + b.size()));
  for (const auto& r : a) {
    edges.push_back(r.begin);
    edges.push_back(r.end);
  }
  for (const auto& r : b) {
    edges.push_back(r.begin);
    edges.push_back(r.end);
  }
  std::sort(edges.begin(), edges.end());
  edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
  Runs out;
  std::size_t ia = 0;
  std::size_t ib = 0;
  for (std::size_t i = 0; i + 1 < edges.size(); ++i) {
    const int begin = edges[i];
    const int end = edges[i + 1];
    while (ia < a.size() && a[ia].end <= begin) ++ia;
    while (ib < b.size() && b[ib].end <= begin) ++ib;
    const bool in_a = ia < a.size() && a[ia].begin <= begin;
    const bool in_b = ib < b.size() && b[ib].begin <= begin;
    if (!keep(in_a, in_b)) continue;
    if (!out.empty() && out.back().end == begin) {
      out.back().end = end;
    } else {
      out.push_back(Region::Run{begin, end});
    }
  }
  return out;
}

// The inset from the left (and right) edge of every row of an ellipse filling a box of
// width x height pixels, by the integer ellipse rasteriser that steps along the outline of
// the ellipse through the centres of the box's outer pixels (diameters width - 1 and
// height - 1). The region's row holds everything between the two outline pixels.
std::vector<int> EllipseInsets(int width, int height) {
  const std::int64_t a = width - 1;
  const std::int64_t b = height - 1;
  const std::int64_t b1 = b & 1;
  std::int64_t dx = 4 * (1 - a) * b * b;
  std::int64_t dy = 4 * (b1 + 1) * a * a;
  std::int64_t err = dx + dy + b1 * a * a;
  const std::int64_t step_a = 8 * a * a;
  const std::int64_t step_b = 8 * b * b;
  std::int64_t x0 = 0;
  std::int64_t x1 = a;
  std::int64_t y0 = (b + 1) / 2;  // lower half, moving down
  std::int64_t y1 = y0 - b1;      // upper half, moving up
  std::vector<int> inset(static_cast<std::size_t>(height), width);
  auto mark = [&](std::int64_t x, std::int64_t y) {
    if (y < 0 || y >= height) return;
    int& slot = inset[static_cast<std::size_t>(y)];
    slot = std::min(slot, static_cast<int>(std::max<std::int64_t>(x, 0)));
  };
  do {
    mark(x0, y0);
    mark(x0, y1);
    const std::int64_t e2 = 2 * err;
    if (e2 <= dy) {
      ++y0;
      --y1;
      err += dy += step_a;
    }
    if (e2 >= dx || 2 * err > dy) {
      ++x0;
      --x1;
      err += dx += step_b;
    }
  } while (x0 <= x1);
  // A very flat ellipse (width 2) stops before its tips: finish them.
  while (y0 - y1 <= b) {
    mark(x0 - 1, y0++);
    mark(x0 - 1, y1--);
  }
  // Rows the outline never touched keep the widest inset seen beside them.
  for (int& v : inset) v = std::min(v, width / 2);
  return inset;
}

}  // namespace

Region Region::FromRect(const Rect& rect) {
  Region region;
  const int left = ClampCoordinate(rect.left);
  const int right = ClampCoordinate(rect.right);
  const int top = ClampCoordinate(rect.top);
  const int bottom = ClampCoordinate(rect.bottom);
  if (right <= left || bottom <= top) return region;
  region.top_ = top;
  region.rows_.assign(static_cast<std::size_t>(bottom - top), Runs{Run{left, right}});
  return region;
}

Region Region::FromRoundRect(const Rect& rect, int ellipse_width, int ellipse_height) {
  // Like the classic desktop, the shape leaves out the last column and the last row of the
  // rectangle: (0, 0, W + 1, H + 1) shapes a W x H window.
  const int left = ClampCoordinate(std::min(rect.left, rect.right));
  const int right = ClampCoordinate(std::int64_t{std::max(rect.left, rect.right)} - 1);
  const int top = ClampCoordinate(std::min(rect.top, rect.bottom));
  const int bottom = ClampCoordinate(std::int64_t{std::max(rect.top, rect.bottom)} - 1);
  if (right <= left || bottom <= top) return Region{};
  const std::int64_t abs_w = ellipse_width < 0 ? -std::int64_t{ellipse_width} : ellipse_width;
  const std::int64_t abs_h = ellipse_height < 0 ? -std::int64_t{ellipse_height} : ellipse_height;
  const int ew = static_cast<int>(std::min<std::int64_t>(right - left, abs_w));
  const int eh = static_cast<int>(std::min<std::int64_t>(bottom - top, abs_h));
  Region region = FromRect(Rect{left, top, right, bottom});
  if (ew < 2 || eh < 2) return region;
  const std::vector<int> inset = EllipseInsets(ew, eh);
  // The upper half of the ellipse rounds the top rows, the lower half the bottom rows; the
  // rows between are whole.
  const int upper_rows = eh / 2;
  const int lower_rows = eh - upper_rows;
  const int height = bottom - top;
  for (int i = 0; i < height; ++i) {
    int cut = 0;
    if (i < upper_rows) {
      cut = inset[static_cast<std::size_t>(i)];
    } else if (height - i <= lower_rows) {
      cut = inset[static_cast<std::size_t>(eh - (height - i))];
    }
    region.rows_[static_cast<std::size_t>(i)] = Runs{Run{left + cut, right - cut}};
  }
  return region;
}

bool Region::IsEmpty() const { return rows_.empty(); }

const std::vector<Region::Run>& Region::RowRuns(int y) const {
  static const std::vector<Run> kNoRuns;
  const std::int64_t index = std::int64_t{y} - top_;
  if (index < 0 || index >= static_cast<std::int64_t>(rows_.size())) return kNoRuns;
  return rows_[static_cast<std::size_t>(index)];
}

bool Region::Contains(int x, int y) const {
  const Runs& runs = RowRuns(y);
  auto it = std::upper_bound(runs.begin(), runs.end(), x,
                             [](int value, const Run& r) { return value < r.end; });
  return it != runs.end() && it->begin <= x;
}

Rect Region::Bounds() const {
  if (rows_.empty()) return Rect{};
  int left = std::numeric_limits<int>::max();
  int right = std::numeric_limits<int>::min();
  for (const Runs& runs : rows_) {
    if (runs.empty()) continue;
    left = std::min(left, runs.front().begin);
    right = std::max(right, runs.back().end);
  }
  return Rect{left, top_, right, top_ + static_cast<int>(rows_.size())};
}

template <typename Keep>
Region Region::Combine(const Region& other, Keep keep) const {
  if (rows_.empty() && other.rows_.empty()) return Region{};
  int first = top_;
  int last = top_ + static_cast<int>(rows_.size());
  if (rows_.empty()) {
    first = other.top_;
    last = other.top_ + static_cast<int>(other.rows_.size());
  } else if (!other.rows_.empty()) {
    first = std::min(first, other.top_);
    last = std::max(last, other.top_ + static_cast<int>(other.rows_.size()));
  }
  Region out;
  out.top_ = first;
  out.rows_.reserve(static_cast<std::size_t>(last - first));
  for (int y = first; y < last; ++y)
    out.rows_.push_back(CombineRuns(RowRuns(y), other.RowRuns(y), keep));
  out.Trim();
  return out;
}

Region Region::Union(const Region& other) const {
  return Combine(other, [](bool a, bool b) { return a || b; });
}
Region Region::Intersect(const Region& other) const {
  return Combine(other, [](bool a, bool b) { return a && b; });
}
Region Region::Subtract(const Region& other) const {
  return Combine(other, [](bool a, bool b) { return a && !b; });
}

Region Region::Offset(int dx, int dy) const {
  Region out;
  if (rows_.empty()) return out;
  out.rows_.reserve(rows_.size());
  const std::int64_t new_top = std::int64_t{top_} + dy;
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    const std::int64_t y = new_top + static_cast<std::int64_t>(i);
    Runs moved;
    if (y >= -kLimit && y < kLimit) {
      for (const Run& r : rows_[i]) {
        const int begin = ClampCoordinate(std::int64_t{r.begin} + dx);
        const int end = ClampCoordinate(std::int64_t{r.end} + dx);
        if (begin < end) moved.push_back(Run{begin, end});
      }
    }
    if (out.rows_.empty() && moved.empty()) continue;  // leading empty rows
    if (out.rows_.empty()) out.top_ = static_cast<int>(y);
    out.rows_.push_back(std::move(moved));
  }
  out.Trim();
  return out;
}

void Region::Trim() {
  std::size_t lead = 0;
  while (lead < rows_.size() && rows_[lead].empty()) ++lead;
  if (lead == rows_.size()) {
    rows_.clear();
    top_ = 0;
    return;
  }
  while (rows_.back().empty()) rows_.pop_back();
  if (lead > 0) {
    rows_.erase(rows_.begin(), rows_.begin() + static_cast<std::ptrdiff_t>(lead));
    top_ += static_cast<int>(lead);
  }
}

}  // namespace tovarin::platform
