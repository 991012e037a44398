// 3-D edges and the dotted focus rectangle.

#include <algorithm>
#include <cstdint>

#include "platform/raster/raster.h"
#include "platform/raster/system_colors.h"

namespace tovarin::platform {
namespace {

struct BorderColors {
  ColorRef top_left;
  ColorRef bottom_right;
};

// Paints one ring of the edge on the outermost pixels of `rect` and moves the drawn sides
// of `rect` one pixel in. Top and left first, then bottom and right, so the bottom-left and
// top-right corner pixels take the bottom/right colour.
void DrawRing(Bitmap& dst, Rect& rect, const BorderColors& colors, unsigned sides,
              const Region* clip) {
  if (rect.IsEmpty()) return;
  if ((sides & kBfTop) != 0)
    FillRect(dst, Rect{rect.left, rect.top, rect.right, rect.top + 1}, colors.top_left, clip);
  if ((sides & kBfLeft) != 0) {
    FillRect(dst, Rect{rect.left, rect.top, rect.left + 1, rect.bottom}, colors.top_left, clip);
  }
  if ((sides & kBfBottom) != 0) {
    FillRect(dst, Rect{rect.left, rect.bottom - 1, rect.right, rect.bottom}, colors.bottom_right,
             clip);
  }
  if ((sides & kBfRight) != 0) {
    FillRect(dst, Rect{rect.right - 1, rect.top, rect.right, rect.bottom}, colors.bottom_right,
             clip);
  }
  if ((sides & kBfTop) != 0) ++rect.top;
  if ((sides & kBfLeft) != 0) ++rect.left;
  if ((sides & kBfBottom) != 0) --rect.bottom;
  if ((sides & kBfRight) != 0) --rect.right;
}

void InvertPixel(Bitmap& dst, int x, int y, const Region* clip) {
  InvertRect(dst, Rect{x, y, x + 1, y + 1}, clip);
}

}  // namespace

void DrawEdge(Bitmap& dst, const Rect& rect, unsigned edge, unsigned sides, const Region* clip) {
  Rect inner = rect;
  if ((edge & kBdrRaisedOuter) != 0) {
    DrawRing(dst, inner, {GetSysColor(kColor3DLight), GetSysColor(kColor3DDkShadow)}, sides, clip);
  } else if ((edge & kBdrSunkenOuter) != 0) {
    DrawRing(dst, inner, {GetSysColor(kColorBtnShadow), GetSysColor(kColorBtnHighlight)}, sides,
             clip);
  }
  if ((edge & kBdrRaisedInner) != 0) {
    DrawRing(dst, inner, {GetSysColor(kColorBtnHighlight), GetSysColor(kColorBtnShadow)}, sides,
             clip);
  } else if ((edge & kBdrSunkenInner) != 0) {
    DrawRing(dst, inner, {GetSysColor(kColor3DDkShadow), GetSysColor(kColor3DLight)}, sides, clip);
  }
}

void DrawFocusRect(Bitmap& dst, const Rect& rect, const Region* clip) {
  if (rect.IsEmpty() || dst.IsEmpty()) return;
  // Pixel (x, y) of the outline is inverted when (x - left) + (y - top) is even. Every
  // outline pixel is visited once (a one-pixel-wide rectangle has a single column), and
  // only the part on the bitmap is walked.
  const auto on = [&](std::int64_t x, std::int64_t y) {
    return ((x - rect.left) + (y - rect.top)) % 2 == 0;
  };
  const std::int64_t x_first = std::max<std::int64_t>(rect.left, 0);
  const std::int64_t x_last = std::min<std::int64_t>(rect.right, dst.Width());  // exclusive
  const std::int64_t y_first = std::max<std::int64_t>(std::int64_t{rect.top} + 1, 0);
  const std::int64_t y_last = std::min<std::int64_t>(std::int64_t{rect.bottom} - 1, dst.Height());
  const bool has_bottom = rect.bottom - 1 > rect.top;
  const bool has_right = rect.right - 1 > rect.left;
  for (std::int64_t x = x_first; x < x_last; ++x) {
    if (on(x, rect.top)) InvertPixel(dst, static_cast<int>(x), rect.top, clip);
    if (has_bottom && on(x, rect.bottom - 1))
      InvertPixel(dst, static_cast<int>(x), rect.bottom - 1, clip);
  }
  for (std::int64_t y = y_first; y < y_last; ++y) {
    if (on(rect.left, y)) InvertPixel(dst, rect.left, static_cast<int>(y), clip);
    if (has_right && on(rect.right - 1, y))
      InvertPixel(dst, rect.right - 1, static_cast<int>(y), clip);
  }
}

}  // namespace tovarin::platform
