#pragma once
// Region: a set of pixels, used as a window's shape and as a clip for drawing.
// Stored as one run list per row, so membership tests are cheap and any shape the controls
// make (rectangles, rounded rectangles, their unions and differences) is exact.

#include <vector>

#include "platform/geometry.h"

namespace tovarin::platform {

class Region {
 public:
  Region() = default;  // empty

  // All pixels of `rect` (right and bottom exclusive).
  static Region FromRect(const Rect& rect);
  // The rounded rectangle GDI's CreateRoundRectRgn(left, top, right, bottom, ellipse_width,
  // ellipse_height) makes: right and bottom exclusive, each corner cut by a quarter of an
  // ellipse ellipse_width x ellipse_height.
  static Region FromRoundRect(const Rect& rect, int ellipse_width, int ellipse_height);

  bool IsEmpty() const;
  bool Contains(int x, int y) const;
  Rect Bounds() const;

  Region Union(const Region& other) const;
  Region Intersect(const Region& other) const;
  Region Subtract(const Region& other) const;
  Region Offset(int dx, int dy) const;

  // Horizontal runs [x_begin, x_end) of row y, in increasing x.
  struct Run {
    int begin;
    int end;
  };
  const std::vector<Run>& RowRuns(int y) const;

  friend bool operator==(const Region&, const Region&) = default;

 private:
  int top_ = 0;                          // row of rows_[0]
  std::vector<std::vector<Run>> rows_;   // one entry per row from top_
};

}  // namespace tovarin::platform
