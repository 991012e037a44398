// DrawGradient: a two-colour linear gradient, written as one bottom-up 32-bit pixel buffer
// and copied to the surface in one transfer.

#include <algorithm>
#include <cstdint>
#include <vector>

#include "button/render/button_renderer.h"
#include "platform/raster/raster.h"

namespace tovarin::button {
namespace {

// The colour table of a gradient of n steps: entry i is ch1 + ((ch2 - ch1) * i) div n per
// channel (truncating toward zero); with n = 0 the single entry is (ch1 div 2) + (ch2 div 2).
// Entries are 0x00RRGGBB pixel values. Only the low 24 bits of the colours count.
class GradientTable {
 public:
  GradientTable(RgbColor color1, RgbColor color2, std::int64_t steps)
      : r1_(color1 & 255),
        g1_((color1 >> 8) & 255),
        b1_((color1 >> 16) & 255),
        r2_(color2 & 255),
        g2_((color2 >> 8) & 255),
        b2_((color2 >> 16) & 255),
        steps_(steps) {}

  std::uint32_t Entry(std::int64_t i) const {
    if (steps_ == 0) return Pixel(r1_ / 2 + r2_ / 2, g1_ / 2 + g2_ / 2, b1_ / 2 + b2_ / 2);
    return Pixel(Channel(r1_, r2_, i), Channel(g1_, g2_, i), Channel(b1_, b2_, i));
  }

 private:
  int Channel(int from, int to, std::int64_t i) const {
    return static_cast<int>(from + (static_cast<std::int64_t>(to - from) * i) / steps_);
  }
  static std::uint32_t Pixel(int r, int g, int b) {
    return static_cast<std::uint32_t>((r << 16) | (g << 8) | b);
  }

  int r1_, g1_, b1_, r2_, g2_, b2_;
  std::int64_t steps_;
};

}  // namespace

void ButtonRenderer::DrawGradient(int x, int y, int width, int height, RgbColor color1,
                                  RgbColor color2, GradientDirection direction) {
  if (width < 1 || height < 1) return;
  // Only the part on the surface is built: callers pass rectangles reaching past the bottom
  // edge, and a huge rectangle must not become a huge buffer.
  const platform::Rect visible =
      platform::Rect::FromXYWH(x, y, width, height).Intersect(surface_.Bounds());
  if (visible.IsEmpty()) return;

  std::int64_t steps = std::int64_t{width} + height - 2;
  if (direction == GradientDirection::kHorizontal) steps = width - 1;
  if (direction == GradientDirection::kVertical) steps = height - 1;
  const GradientTable table(color1, color2, steps);

  const int vw = visible.Width();
  const int vh = visible.Height();
  std::vector<std::uint32_t> row_entries(static_cast<std::size_t>(vw));
  if (direction == GradientDirection::kHorizontal) {
    for (int col = 0; col < vw; ++col)
      row_entries[static_cast<std::size_t>(col)] = table.Entry(visible.left - x + col);
  }
  // Rows are stored bottom-up: the first row in memory is the bottom row of the block.
  std::vector<std::uint32_t> buffer(static_cast<std::size_t>(vw) * static_cast<std::size_t>(vh), 0);
  for (int row = 0; row < vh; ++row) {
    const std::int64_t t = visible.top - y + row;  // rows from the rectangle's top
    const std::int64_t k = height - 1 - t;         // rows from the rectangle's bottom
    std::uint32_t* line =
        buffer.data() + static_cast<std::size_t>(vh - 1 - row) * static_cast<std::size_t>(vw);
    switch (direction) {
      case GradientDirection::kHorizontal:
        std::copy(row_entries.begin(), row_entries.end(), line);
        break;
      case GradientDirection::kVertical:
        std::fill(line, line + vw, table.Entry(height - 1 - k));
        break;
      case GradientDirection::kDiagonalDown:
        for (int col = 0; col < vw; ++col) line[col] = table.Entry(visible.left - x + col + t);
        break;
      case GradientDirection::kDiagonalUp:
        for (int col = 0; col < vw; ++col) line[col] = table.Entry(visible.left - x + col + k);
        break;
      default: break;  // unknown directions leave the block black
    }
  }
  platform::CopyPixels32(surface_, visible.left, visible.top, vw, vh, buffer);
}

}  // namespace tovarin::button
