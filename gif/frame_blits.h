#pragma once
// Unscaled block transfers between the engine's own bitmap formats, for drawing a frame:
//   8-bit strip  -> 24-bit canvas or surface   SRCCOPY, SRCAND, SRCPAINT
//   1-bit mask   -> 24-bit surface             SRCAND
//   24-bit canvas -> 24-bit surface            SRCCOPY, SRCPAINT
//   8-bit strip  -> 1-bit mask                 SRCCOPY, SRCAND
// Each gives exactly the result of platform::Blit with the same arguments: the source is read
// through its colour table as it is at the time of the call, a 1-bit target stores the index
// of the nearer of its two table colours, and the block is clipped to both bitmaps. They are
// the engine's hot path (a frame is drawn with up to five of them), so they work on whole rows
// and bytes instead of going pixel by pixel through the general raster kernels.

#include <span>

#include "platform/raster/bitmap.h"
#include "platform/raster/raster.h"

namespace tovarin::gif {

// Copies the w x h block at (sx, sy) of `src` to (x, y) of `dst` with `op`. Returns false,
// touching nothing, for a pair of formats or an operation not listed above, or when `src` and
// `dst` are the same bitmap; the caller then uses platform::Blit.
bool FastBlit(platform::Bitmap& dst, int x, int y, int w, int h, const platform::Bitmap& src,
              int sx, int sy, platform::RasterOp op);

// The mask pass and the colour pass of a transparent frame in one: the 8-bit block is ANDed
// onto the 24-bit target through `and_colors` and then ORed through `paint_colors` (each the
// strip's 256-entry table as it was for that pass), as two platform::Blit calls would.
// Returns false, touching nothing, when the formats are not 8 -> 24 bits.
bool FastAndThenPaint(platform::Bitmap& dst, int x, int y, int w, int h,
                      const platform::Bitmap& src, int sx, int sy,
                      std::span<const platform::PaletteEntry> and_colors,
                      std::span<const platform::PaletteEntry> paint_colors);

// Showing the canvas: the 1-bit mask ANDed onto the 24-bit target, then the 24-bit canvas ORed
// onto it, both read from the same (sx, sy); the mask and the canvas must have the same size.
// Returns false, touching nothing, when the formats or sizes do not fit.
bool FastMaskedCanvas(platform::Bitmap& dst, int x, int y, int w, int h,
                      const platform::Bitmap& mask, const platform::Bitmap& canvas, int sx, int sy);

// Fills `rect` of a 24-bit bitmap with black, or sets the bits of `rect` of a 1-bit bitmap to
// index 1 (white in the mask's table). Clipped to the bitmap.
void ClearToBlack(platform::Bitmap& canvas, const platform::Rect& rect);
void SetMaskBits(platform::Bitmap& mask, const platform::Rect& rect);

}  // namespace tovarin::gif
