#pragma once
// The built-in "Marlett" symbol font of the text layer (see text.h for the shapes). Each
// character takes a square cell `cell` pixels wide and high; lines are `cell` pixels apart.
// Shapes are drawn as full-coverage pixels (no antialiasing), like the symbol glyphs of the
// classic window controls at their small sizes.

#include <cstdint>
#include <functional>
#include <span>
#include <string_view>

#include "platform/raster/geometry.h"

namespace tovarin::platform {

// Width of the widest line and height of all lines of `text` (UTF-8). Without `single_line`,
// "\n", "\r" and "\r\n" separate lines. Empty text is 0 x 0, or 0 x cell on a single line.
Size MarlettTextSize(std::string_view text, int cell, bool single_line);

// Writes the coverage (255 inside a shape, untouched elsewhere) of `text` into `mask`, a
// buffer of area.Width() x area.Height() bytes whose first byte is the pixel (area.left,
// area.top). Line i has its top at `top` + i * cell and its left edge at line_left(its width).
// Pixels outside `area` are not written.
void RenderMarlett(std::string_view text, int cell, bool single_line, int top,
                   const std::function<int(int line_width)>& line_left,
                   std::span<std::uint8_t> mask, const Rect& area);

// The pixels of one symbol in a cell with its top-left at (x, y), handed to `plot` one
// horizontal run [x_begin, x_end) of row `row` at a time. Characters without a shape plot
// nothing.
void PlotMarlettSymbol(char32_t symbol, int cell, int x, int y,
                       const std::function<void(int row, int x_begin, int x_end)>& plot);

}  // namespace tovarin::platform
