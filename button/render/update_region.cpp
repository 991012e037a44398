// UpdateRegion: the window's shape for the current style.

#include "button/render/button_renderer.h"
#include "platform/raster/region.h"

namespace tovarin::button {

void ButtonRenderer::UpdateRegion() {
  platform::Region region;
  switch (model_.ButtonStyle) {
    case ButtonStyleValue::kRounded:
    case ButtonStyleValue::kGlass:
    case ButtonStyleValue::kHighlight:
    case ButtonStyleValue::kGloss:
      region = platform::Region::FromRoundRect(platform::Rect{0, 0, W() + 1, H() + 1}, 3, 3);
      break;
    case ButtonStyleValue::kSoft:
    case ButtonStyleValue::kGel:
      region = platform::Region::FromRoundRect(platform::Rect{0, 0, W() + 1, H() + 1}, 4, 4);
      break;
    default: region = platform::Region::FromRect(surface_.Bounds()); break;
  }
  // The earlier region is simply replaced; the window keeps its own copy of the new one.
  model_.mRegion = region;
  canvas_.SetWindowRegion(std::move(region));
}

}  // namespace tovarin::button
