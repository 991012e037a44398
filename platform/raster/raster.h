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
//    index of the nearest colour of the target's table (Bitmap::NearestIndex).
//  - Reading a 1- or 8-bit source goes through the source's colour table as it is at the time
//    of the call, so replacing a table recolours the next blit. A 1-bit source gives its two
//    table colours (black and white unless replaced).
//  - Raster operations combine colours bitwise per channel. On a 1- or 8-bit target the
//    target pixel's table colour is combined with the source colour and the nearest table
//    index of the result is stored (with the mask table {black, white} this is exactly the
//    bitwise operation on the mask bits). 32-bit pixels combine all four bytes; sources of
//    1, 8 and 24 bits carry a fourth byte of 0.
//  - An SRCCOPY between two indexed bitmaps of the same depth and equal colour tables copies
//    the indices themselves, so a table that repeats a colour loses nothing.
//  - Nothing is allocated per pixel; a blit allocates at most one row buffer, and a copy of
//    the source block when it overlaps the target in the same bitmap.

#include <cstdint>
#include <span>

#include "platform/raster/bitmap.h"
#include "platform/raster/color.h"
#include "platform/raster/geometry.h"
#include "platform/raster/region.h"

namespace tovarin::platform {

enum class RasterOp {
  kSrcCopy,    // dst = src
  kSrcAnd,     // dst = dst & src   (per colour channel bits)
  kSrcPaint,   // dst = dst | src
  kSrcInvert,  // dst = dst ^ src
};

enum class StretchMode {
  kDeleteScans,  // nearest pixel
  kHalftone,     // area averaging of the source pixels under each target pixel
};

// Copies a w x h block from (src_x, src_y) of `src` to (x, y) of `dst` with `op`.
// `src` and `dst` may be the same bitmap; overlapping blocks behave as if copied through
// a temporary. Only the part of the block that exists in the source is drawn (the target
// keeps its pixels elsewhere). w or h below 1 draws nothing.
void Blit(Bitmap& dst, int x, int y, int w, int h, const Bitmap& src, int src_x, int src_y,
          RasterOp op, const Region* clip = nullptr);

// Stretches the source block (src_x, src_y, src_w, src_h) onto the target block
// (x, y, w, h). Negative widths or heights mirror: a source block with src_w = -w starting at
// src_x = left + w - 1 reads the columns left + w - 1 down to left (the given coordinate is
// the first pixel read). A negative target extent likewise names the first pixel written
// and mirrors; mirrored source and target cancel. `src` may be `dst` (flipping a bitmap onto
// itself in place works). Equal sizes with positive extents are a plain Blit; any extent 0
// draws nothing.
//  - kDeleteScans: target pixel t of a run of T pixels takes source pixel
//    floor((2t + 1) * S / 2T) of the S source pixels.
//  - kHalftone: target pixel t covers source interval [t S / T, (t + 1) S / T); every
//    source pixel under it counts by the exact area it shares with it, the mean is rounded to
//    nearest (halves up) per channel (and alpha for 32-bit sources). Where the target run
//    is a whole multiple of the source run this equals kDeleteScans.
// Source pixels outside the source bitmap read as zero bits (black, or table colour 0).
void StretchBlit(Bitmap& dst, int x, int y, int w, int h, const Bitmap& src, int src_x, int src_y,
                 int src_w, int src_h, RasterOp op, StretchMode mode, const Region* clip = nullptr);

// Fills `rect` with a solid colour.
void FillRect(Bitmap& dst, const Rect& rect, ColorRef color, const Region* clip = nullptr);

// One-pixel solid line from (x1, y1) towards (x2, y2); the end point is not painted, so a
// line from a point to itself paints nothing. Along the major axis (the larger of |dx| and
// |dy|, x on a tie) every step paints one pixel; after i steps the minor offset is
// i * minor / major rounded to nearest, an exact half staying on the start's side (the
// classic Bresenham decision). Horizontal, vertical and 45-degree lines are exact.
void DrawLine(Bitmap& dst, int x1, int y1, int x2, int y2, ColorRef color,
              const Region* clip = nullptr);

// One-pixel outline of `rect`: columns left and right-1, rows top and bottom-1. An empty
// rect paints nothing; a one-pixel-wide rect paints its single column.
void FrameRect(Bitmap& dst, const Rect& rect, ColorRef color, const Region* clip = nullptr);

// Inverts every pixel of `rect` (bitwise NOT of the colour; of the index in 1- and 8-bit;
// the fourth byte of a 32-bit pixel is kept). Inverting twice restores the pixels.
void InvertRect(Bitmap& dst, const Rect& rect, const Region* clip = nullptr);

// Copies a w x h block of 32-bit pixels (bytes blue, green, red, unused), rows stored
// bottom-up, to (x, y): the first row in `pixels` lands on row y + h - 1. Rows and columns
// outside the target are clipped (a block reaching past the bottom edge shows only its
// visible rows). A 32-bit target receives the values unchanged, a 24-bit one their colour
// bytes, an indexed one the nearest index. `pixels` must hold w * h values; a shorter span
// draws nothing.
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
// Draws the edge inside `rect`, each border a one-pixel ring:
//   border        top and left                bottom and right
//   raised outer  3-D light (22)              3-D dark shadow (21)
//   raised inner  button highlight (20)       button shadow (16)
//   sunken outer  button shadow (16)          button highlight (20)
//   sunken inner  3-D dark shadow (21)        3-D light (22)
// The outer border takes the outermost ring; the inner border the ring one pixel in on the
// drawn sides (or the outermost ring when no outer border is asked for). Within a ring the
// top row and left column are painted first, then the bottom row and right column, each
// over the full length of its side: so the top-right and bottom-left corner pixels take
// the bottom/right colour. Only the sides in `sides` are drawn. When both the raised and
// the sunken flag of one border are given, it is drawn raised. EDGE_RAISED on a 6 x 5 rect
// (L light, D dark shadow, H highlight, S shadow, . untouched):
//   L L L L L D
//   L H H H S D
//   L H . . S D
//   L S S S S D
//   D D D D D D
void DrawEdge(Bitmap& dst, const Rect& rect, unsigned edge, unsigned sides,
              const Region* clip = nullptr);

// The dotted focus rectangle: every other pixel of the outline of `rect` inverted, starting
// with the top-left pixel: outline pixel (x, y) is inverted when (x - left) + (y - top) is
// even. Each outline pixel is inverted at most once (also for one-pixel-wide rects), so
// drawing it twice restores the original pixels.
void DrawFocusRect(Bitmap& dst, const Rect& rect, const Region* clip = nullptr);

}  // namespace tovarin::platform
