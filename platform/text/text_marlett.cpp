#include "platform/text/text_marlett.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>
#include <vector>

namespace tovarin::platform {

namespace {

// Splits text into lines as the text layer does.
std::vector<std::string_view> SplitLines(std::string_view text, bool single_line) {
  std::vector<std::string_view> lines;
  if (single_line) {
    lines.push_back(text);
    return lines;
  }
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\n' && text[i] != '\r') continue;
    lines.push_back(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  lines.push_back(text.substr(start));
  return lines;
}

// Code points of valid-or-not UTF-8: every byte that is not a continuation byte starts one;
// only ASCII characters have shapes, so anything else just needs a cell.
std::vector<char32_t> Characters(std::string_view line) {
  std::vector<char32_t> characters;
  for (unsigned char byte : line) {
    if ((byte & 0xC0) == 0x80) continue;
    characters.push_back(byte < 0x80 ? static_cast<char32_t>(byte) : U'\uFFFD');
  }
  return characters;
}

// Whether pixel (column, row) of a cell of `cell` pixels belongs to `symbol`.
//
// Triangles: an odd base b of about half the cell, (b + 1) / 2 pixels deep, centred; the down
// triangle of a 14-pixel cell has rows of 7, 5, 3 and 1 pixels starting at row 5, column 3.
bool InTriangle(char32_t symbol, int cell, int column, int row) {
  const int base = std::max(1, (cell / 2) | 1);
  const int depth = (base + 1) / 2;
  const bool vertical = symbol == U'5' || symbol == U'6';
  const int box_width = vertical ? base : depth;
  const int box_height = vertical ? depth : base;
  const int left = (cell - box_width) / 2;
  const int top = (cell - box_height) / 2;
  const int i = column - left;  // within the triangle's box
  const int j = row - top;
  if (i < 0 || j < 0 || i >= box_width || j >= box_height) return false;
  switch (symbol) {
    case U'6': return i >= j && i < base - j;                            // down: widest row on top
    case U'5': return i >= depth - 1 - j && i < base - (depth - 1 - j);  // up
    case U'3': return i >= std::abs(j - (base - 1) / 2);                 // left: apex at the left
    case U'4': return i < depth - std::abs(j - (base - 1) / 2);          // right
    default: return false;
  }
}

bool InBoxOutline(int column, int row, int left, int top, int side, int top_thickness) {
  if (column < left || row < top || column >= left + side || row >= top + side) return false;
  return column == left || column == left + side - 1 || row == top + side - 1 ||
         row < top + top_thickness;
}

bool InShape(char32_t symbol, int cell, int column, int row) {
  const int thick = std::max(1, cell / 7);
  const int margin = cell / 4;
  const int side = std::max(2, cell - 2 * margin);
  switch (symbol) {
    case U'3':
    case U'4':
    case U'5':
    case U'6': return InTriangle(symbol, cell, column, row);
    case U'0':  // minimise: a bar in the lower part of the cell
      return column >= margin && column < cell - margin && row >= margin + side - thick &&
             row < margin + side;
    case U'1':  // maximise: a box with a thick top edge
      return InBoxOutline(column, row, margin, margin, side, 2 * thick);
    case U'2': {  // restore: a front box low-left over a back box high-right
      const int small = std::max(2, side * 3 / 4);
      const int front_left = margin, front_top = margin + side - small;
      const int back_left = margin + side - small, back_top = margin;
      bool in_front_area = column >= front_left && column < front_left + small &&
                           row >= front_top && row < front_top + small;
      if (InBoxOutline(column, row, front_left, front_top, small, 2 * thick)) return true;
      return !in_front_area && InBoxOutline(column, row, back_left, back_top, small, 2 * thick);
    }
    case U'r': {  // close: two diagonals
      int i = column - margin, j = row - margin;
      if (i < 0 || j < 0 || i >= side || j >= side) return false;
      int along = i - j, across = i + j - (side - 1);
      return (along >= 0 && along < thick + 1) || (across >= 0 && across < thick + 1);
    }
    default: return false;
  }
}

}  // namespace

void PlotMarlettSymbol(char32_t symbol, int cell, int x, int y,
                       const std::function<void(int row, int x_begin, int x_end)>& plot) {
  for (int row = 0; row < cell; ++row) {
    int column = 0;
    while (column < cell) {
      if (!InShape(symbol, cell, column, row)) {
        ++column;
        continue;
      }
      int begin = column;
      while (column < cell && InShape(symbol, cell, column, row)) ++column;
      plot(y + row, x + begin, x + column);
    }
  }
}

Size MarlettTextSize(std::string_view text, int cell, bool single_line) {
  if (text.empty()) return Size{0, single_line ? cell : 0};
  std::vector<std::string_view> lines = SplitLines(text, single_line);
  int widest = 0;
  for (std::string_view line : lines)
    widest = std::max(widest, static_cast<int>(Characters(line).size()) * cell);
  return Size{widest, static_cast<int>(lines.size()) * cell};
}

void RenderMarlett(std::string_view text, int cell, bool single_line, int top,
                   const std::function<int(int line_width)>& line_left,
                   std::span<std::uint8_t> mask, const Rect& area) {
  std::vector<std::string_view> lines = SplitLines(text, single_line);
  auto plot = [&](int row, int x_begin, int x_end) {
    if (row < area.top || row >= area.bottom) return;
    int begin = std::max(x_begin, area.left), end = std::min(x_end, area.right);
    for (int x = begin; x < end; ++x) {
      mask[static_cast<std::size_t>(row - area.top) * area.Width() + (x - area.left)] = 255;
    }
  };
  for (std::size_t index = 0; index < lines.size(); ++index) {
    std::vector<char32_t> characters = Characters(lines[index]);
    int x = line_left(static_cast<int>(characters.size()) * cell);
    int y = top + static_cast<int>(index) * cell;
    for (char32_t symbol : characters) {
      PlotMarlettSymbol(symbol, cell, x, y, plot);
      x += cell;
    }
  }
}

}  // namespace tovarin::platform
