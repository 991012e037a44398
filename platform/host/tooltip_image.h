#pragma once
// ToolTipImage: what a tooltip window shows - its pixels and its shape - drawn from a
// ToolTipSpec with the program's own text and raster layers, so a tooltip looks the same on
// every desktop and can be checked without one. The GTK tooltip window (platform/gtk) puts the
// image on the screen; this file knows nothing of windows.
//
// Layout, in pixels:
//
//   rectangle                           balloon (stem at the top; at the bottom when flipped)
//   +--------------------------+          /|
//   | [icon] Title             |         / |______________________
//   | text, wrapped at         |        (  [icon] Title            )
//   | max_width                |        (  text ...                )
//   +--------------------------+         \________________________/
//
//  - Text: the tooltip font (Tahoma 8.25 pt), no prefix processing, line breaks start new lines,
//    longer lines wrap at spec.max_width (a single word wider than that is not broken).
//  - Title line (when spec.title is not empty): the icon (16 x 16, for icons 1 to 3), a 4-pixel
//    gap and the title in bold; 4 pixels between the title line and the text.
//  - Rectangle: a one-pixel frame, 4 pixels of padding left and right, 2 above and below.
//  - Balloon: a rounded body (corner ellipse 14 x 14) with 10 pixels of padding left and right
//    and 6 above and below, and a stem 12 pixels high whose tip lies 16 pixels in from the
//    body's left edge (right edge when right to left), outlined in one pixel.
//  - Right to left: the title line is laid out from the right (icon rightmost) and text lines
//    align right.
//  - Colours: background spec.back_color or the system tooltip background, text the system
//    tooltip text colour, frame the system window-frame colour.

#include <optional>

#include "platform/host/control_host.h"
#include "platform/raster/bitmap.h"
#include "platform/raster/geometry.h"
#include "platform/raster/region.h"
#include "platform/result.h"

namespace tovarin::platform {

class TextSystem;

struct ToolTipImage {
  Bitmap pixels;    // 24-bit, the whole window
  Region shape;     // the window's shape; outside it the window is see-through
  Point stem_tip;   // balloon: the pixel at the stem's tip; rectangle: (0, 0)
  Rect text_rect;   // where the text was drawn
  Rect title_rect;  // where the title was drawn (empty without a title)
  Rect icon_rect;   // where the icon was drawn (empty without one)
};

struct ToolTipPlacement {
  Point origin;             // the window's top-left corner on the screen
  bool stem_at_top = true;  // balloons: draw with the stem at the top
};

class ToolTipPainter {
 public:
  static constexpr int kIconSize = 16;
  static constexpr int kTitleGap = 4;  // icon to title, and title line to text
  static constexpr int kRectPaddingX = 4;
  static constexpr int kRectPaddingY = 2;
  static constexpr int kBalloonPaddingX = 10;
  static constexpr int kBalloonPaddingY = 6;
  static constexpr int kBalloonCorner = 14;
  static constexpr int kStemHeight = 12;
  static constexpr int kStemWidth = 12;
  static constexpr int kStemInset = 16;
  static constexpr int kPointerHeight = 20;  // a rectangle opens this far below the pointer
  // Texts longer than this are cut before layout: a tooltip never needs more.
  static constexpr std::size_t kMaxTextBytes = 4096;
  // The image is never larger than this in either direction.
  static constexpr int kMaxExtent = 2048;

  explicit ToolTipPainter(const TextSystem& text) : text_(text) {}

  // Draws the tooltip; `stem_at_top` places a balloon's stem (ignored for rectangles). Fails
  // only when the bitmap cannot be made.
  Result<ToolTipImage> Draw(const ToolTipSpec& spec, bool stem_at_top = true) const;

  // Where a tooltip of `size` goes for the pointer at `pointer` within `screen` (the work area):
  // a rectangle 20 pixels below the pointer, or above it when there is no room below; a balloon
  // with its stem tip at the pointer, the stem at the bottom when there is no room below. The
  // window is then kept inside the screen horizontally. `stem_tip` is the balloon's stem tip as
  // drawn with the stem at the top (its x is the same either way).
  static ToolTipPlacement Place(Size size, bool balloon, Point stem_tip, Point pointer,
                                const Rect& screen);

 private:
  const TextSystem& text_;
};

}  // namespace tovarin::platform
