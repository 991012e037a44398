// Lines, outlines, fills, corner pixels and the focus and edge helpers of the styles.

#include "button/render/button_renderer.h"
#include "platform/raster/raster.h"
#include "platform/raster/units.h"

namespace tovarin::button {

ButtonRenderer::ButtonRenderer(ButtonModel& model, ButtonCanvas& canvas)
    : model_(model), canvas_(canvas), surface_(canvas.Surface()) {}

void ButtonRenderer::RefreshSize() {
  model_.mWidth = surface_.Width();
  model_.mHeight = surface_.Height();
}

int ButtonRenderer::HalfHeight() const { return static_cast<int>(platform::Nearest(H() / 2.0)); }

void ButtonRenderer::DrawLine(int x1, int y1, int x2, int y2, RgbColor color) {
  platform::DrawLine(surface_, x1, y1, x2, y2, ToColorRef(color));
}

void ButtonRenderer::DrawOutline(int x, int y, int width, int height, RgbColor color) {
  platform::FrameRect(surface_, platform::Rect{x, y, x + width, y + height}, ToColorRef(color));
}

void ButtonRenderer::FillRectangle(RgbColor color, const platform::Rect& rect) {
  platform::FillRect(surface_, rect, ToColorRef(color));
}

void ButtonRenderer::SetCornerPixels(RgbColor color) {
  RefreshSize();
  const platform::ColorRef c = ToColorRef(color);
  surface_.SetPixel(1, 1, c);
  surface_.SetPixel(1, H() - 2, c);
  surface_.SetPixel(W() - 2, 1, c);
  surface_.SetPixel(W() - 2, H() - 2, c);
}

void ButtonRenderer::Rim(RgbColor c1, RgbColor c2, RgbColor c3, RgbColor c4, RgbColor c5,
                         RgbColor c6, RgbColor c7, RgbColor c8) {
  Line(1, 2, W() - 2, 2, c1);
  Line(1, 1, W() - 2, 1, c2);
  Line(1, 1, 1, H() - 2, c3);
  Line(W() - 2, 2, W() - 2, H() - 2, c4);
  Line(2, 2, 2, H() - 3, c5);
  Line(W() - 3, 3, W() - 3, H() - 3, c6);
  Line(2, H() - 3, W() - 2, H() - 3, c7);
  Line(2, H() - 2, W() - 2, H() - 2, c8);
}

void ButtonRenderer::FocusRect(const platform::Rect& rect) {
  platform::DrawFocusRect(surface_, rect);
}

void ButtonRenderer::Edge(const platform::Rect& rect, unsigned edge) {
  platform::DrawEdge(surface_, rect, edge, platform::kBfRect);
}

}  // namespace tovarin::button
