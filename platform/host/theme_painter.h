#pragma once
// ThemePainter: draws the push-button part of the desktop's visual style (the GTK theme in the
// program) into platform bitmaps, for the button's Themed style. The controls never see the
// toolkit; the GTK implementation lives in platform/gtk, and the headless host has none.
//
// States keep the classic push-button state numbers: 1 normal, 2 hot, 3 pressed, 4 disabled,
// 5 defaulted (normal, drawn as the focused or default button). Any other value draws as 1.

#include <optional>

#include "platform/raster/bitmap.h"
#include "platform/raster/geometry.h"
#include "platform/raster/region.h"

namespace tovarin::platform {

enum ThemeButtonState : int {
  kThemeNormal = 1,
  kThemeHot = 2,
  kThemePressed = 3,
  kThemeDisabled = 4,
  kThemeDefaulted = 5,
};

class ThemePainter {
 public:
  virtual ~ThemePainter() = default;

  // The shape of the part drawn over `rect` in `state`: every pixel its rendered background
  // or frame covers (alpha above zero), in the coordinates of `rect`. nullopt when the part
  // cannot be rendered.
  virtual std::optional<Region> PushButtonRegion(const Rect& rect, int state) = 0;

  // Draws the part's background and frame over `rect` into `target`, composited over what is
  // there, clipped to `clip` (right and bottom exclusive) and to the bitmap. Returns false
  // when nothing could be drawn.
  virtual bool DrawPushButton(Bitmap& target, const Rect& rect, int state, const Rect& clip) = 0;
};

}  // namespace tovarin::platform
