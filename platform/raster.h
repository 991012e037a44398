#pragma once
// The software raster layer: the drawing operations the controls rely on, with the exact
// semantics of the classic desktop graphics interface they were designed against.
//
// Common rules:
//  - Coordinates are pixels, y counted from the top. Rectangles exclude right and bottom.
//  - Every call clips to the target bitmap and, when `clip` is given, to that region; a call
//    that reaches outside (negative positions, extents past the edge) draws only the visible
//    part and never touches memory outside the target.
//  - Colours are ColorRef (RGB(r, g, b)). Writing a colour into a 1- or 8-bit target stores the
//    index of the nearest colour of the target's table.
//  - Reading a 1- or 8-bit source goes through the source's colour table as it is at the time
//    of the call, so replacing a table recolours the next blit.

#include <cstdint>
#include <span>

#include "platform/bitmap.h"
#include "platform/color.h"
#include "platform/geometry.h"
#include "platform/region.h"

namespace tovarin::platform {

enum class RasterOp {
  kSrcCopy,   // dst = src
  kSrcAnd,    // dst = dst & src   (per colour channel bits)
  kSrcPaint,  // dst = dst | src
  kSrcInvert, // dst = dst ^ src
};

enum class StretchMode {
  kDeleteScans,  // nearest pixel
  kHalftone,     // area averaging of the source pixels under each target pixel
};

// Copies a w x h block from (src_x, src_y) of `src` to (x, y) of `dst` with `op`.
// `src` and `dst` may be the same bitmap; overlapping blocks behave as if copied through
// a temporary.
void Blit(Bitmap& dst, int x, int y, int w, int h, const Bitmap& src, int src_x, int src_y, RasterOp op,
          const Region* clip = nullptr);

// Stretches the source block (src_x, src_y, src_w, src_h) onto the target block
// (x, y, w, h). Negative widths or heights mirror: a source block with src_w = -w starting at
// src_x = left + w - 1 reads the columns right to left. `src` may be `dst` (flipping a
// bitmap onto itself in place works). Equal sizes with positive extents are a plain Blit.
void StretchBlit(Bitmap& dst, int x, int y, int w, int h, const Bitmap& src, int src_x, int src_y, int src_w,
                 int src_h, RasterOp op, StretchMode mode, const Region* clip = nullptr);

// Fills `rect` with a solid colour.
void FillRect(Bitmap& dst, const Rect& rect, ColorRef color, const Region* clip = nullptr);

// One-pixel solid line from (x1, y1) towards (x2, y2); the end point is not painted, so a
// line from a point to itself paints nothing.
void DrawLine(Bitmap& dst, int x1, int y1, int x2, int y2, ColorRef color, const Region* clip = nullptr);

// One-pixel outline of `rect`: columns left and right-1, rows top and bottom-1.
void FrameRect(Bitmap& dst, const Rect& rect, ColorRef color, const Region* clip = nullptr);

// Inverts every pixel of `rect` (bitwise NOT of the colour; of the index in 1- and 8-bit).
void InvertRect(Bitmap& dst, const Rect& rect, const Region* clip = nullptr);

// Copies a w x h block of 32-bit pixels (bytes blue, green, red, unused), rows stored
// bottom-up, to (x, y): the first row in `pixels` lands on row y + h - 1. Rows and columns
// outside the target are clipped. `pixels` must hold w * h values.
void CopyPixels32(Bitmap& dst, int x, int y, int w, int h, std::span<const std::uint32_t> pixels,
                  const Region* clip = nullptr);

// 3-D edges, drawn with the system colours (system_colors.h).
enum EdgeFlags : unsigned {
  kBdrRaisedOuter = 0x1,
  kBdrSunkenOuter = 0x2,
  kBdrRaisedInner = 0x4,
  kBdrSunkenInner = 0x8,
  kEdgeRaised = kBdrRaisedOuter | kBdrRaisedInner,
  kEdgeSunken = kBdrSunkenOuter | kBdrSunkenInner,
};
enum BorderSides : unsigned {
  kBfLeft = 0x1,
  kBfTop = 0x2,
  kBfRight = 0x4,
  kBfBottom = 0x8,
  kBfRect = 0xF,
};
// Draws the edge inside `rect`: the outer border on the outermost pixel ring, the inner
// border one pixel in. Raised: outer light/dark-shadow, inner highlight/shadow; sunken the
// reverse. Only the sides in `sides` are drawn.
void DrawEdge(Bitmap& dst, const Rect& rect, unsigned edge, unsigned sides, const Region* clip = nullptr);

// The dotted focus rectangle: every other pixel of the outline of `rect` inverted, starting
// with the top-left pixel. Drawing it twice restores the original pixels.
void DrawFocusRect(Bitmap& dst, const Rect& rect, const Region* clip = nullptr);

}  // namespace tovarin::platform
