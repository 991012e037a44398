#pragma once
// Region: a set of pixels, used as a window's shape and as a clip for drawing.
// Stored as one run list per row, so membership tests are cheap and any shape the controls
// make (rectangles, rounded rectangles, their unions and differences) is exact.

#include <vector>

#include "platform/raster/geometry.h"

namespace tovarin::platform {

class Region {
 public:
  // Coordinates are kept within [-kCoordinateLimit, kCoordinateLimit]; rectangles and offsets
  // reaching further are cut there, which bounds the memory a region can take.
  static constexpr int kCoordinateLimit = 1 << 15;

  Region() = default;  // empty

  // All pixels of `rect` (right and bottom exclusive).
  static Region FromRect(const Rect& rect);
  // The rounded rectangle GDI's CreateRoundRectRgn(left, top, right, bottom, ellipse_width,
  // ellipse_height) makes, pixel for pixel:
  //  - like that call, the region leaves out the rectangle's last column AND last row: it
  //    covers columns left .. right - 2 and rows top .. bottom - 2. So (0, 0, W + 1, H + 1)
  //    shapes a W x H window exactly, with all four corners rounded inside it;
  //  - swapped edges are put in order; negative ellipse sizes count by their magnitude;
  //  - the ellipse is limited to the region's width and height; below 2 in either direction
  //    the region is the plain rectangle (left, top, right - 1, bottom - 1);
  //  - each corner is cut by a quarter of an ellipse_width x ellipse_height ellipse whose
  //    outline runs through the centres of the ellipse box's outer pixels (an integer
  //    midpoint rasteriser); each row keeps the pixels from one outline pixel to the other.
  // Pixels cut at each corner (x marks a cut pixel, the corner being top-left):
  //   3 x 3 ellipse:  x . .     4 x 4 ellipse:  x . . .
  //                   . . .                     . . . .
  //   (only the corner pixel, in both cases; mirrored at the other three corners)
  static Region FromRoundRect(const Rect& rect, int ellipse_width, int ellipse_height);

  bool IsEmpty() const;
  bool Contains(int x, int y) const;
  Rect Bounds() const;

  Region Union(const Region& other) const;
  Region Intersect(const Region& other) const;
  Region Subtract(const Region& other) const;
  Region Offset(int dx, int dy) const;

  // Horizontal runs [x_begin, x_end) of row y, in increasing x, disjoint and not touching;
  // empty for rows outside the region.
  struct Run {
    int begin;
    int end;
    friend bool operator==(const Run&, const Run&) = default;
  };
  const std::vector<Run>& RowRuns(int y) const;

  friend bool operator==(const Region&, const Region&) = default;

 private:
  template <typename Keep>
  Region Combine(const Region& other, Keep keep) const;
  void Trim();  // drops empty rows at both ends, so equal sets compare equal

  int top_ = 0;                         // row of rows_[0]
  std::vector<std::vector<Run>> rows_;  // one entry per row from top_
};

}  // namespace tovarin::platform
