// DrawOrangeStyle (ButtonStyle 5): a two-band body from BackColor when normal, warm orange
// gradients when hot, pressed or set, with a navy outline except in the normal state.

#include "button/render/button_renderer.h"
#include "platform/raster/units.h"

namespace tovarin::button {
using namespace shorthand;

void ButtonRenderer::DrawOrangeStyle(ButtonStateValue s) {
  RefreshSize();
  model_.mClientRect = platform::Rect{0, 0, W(), H()};
  const RgbColor bc = TranslateColor(model_.BackColor);
  const RgbColor white = Color(255, 255, 255);
  const RgbColor navy = Color(0, 0, 128);

  if (model_.Mode != ModeValue::kPushButton && model_.Value) {
    if (model_.mMouseOver) {
      Grad(0, 0, W(), H(), Color(254, 145, 78), Color(255, 211, 142));
    } else {
      Grad(0, 0, W(), H(), Color(255, 213, 140), Color(255, 173, 85));
    }
    DrawContent();
    Frame(0, 0, W(), H(), navy);
    return;
  }

  switch (s) {
    case ButtonStateValue::kStateNormal: {
      UpdateRegion();
      const int h2 = HalfHeight();
      Grad(0, 0, W(), h2, M(white, S(bc, 0.08f)), bc);
      Grad(0, h2, W(), static_cast<int>(platform::Nearest(H() / 2.0 + 1)), bc, S(bc, -0.15f));
      break;
    }
    case ButtonStateValue::kStateHot:
      Grad(0, 0, W(), H(), Color(255, 244, 204), Color(255, 208, 145));
      break;
    case ButtonStateValue::kStateDown:
      Grad(0, 0, W(), H(), Color(254, 145, 78), Color(255, 211, 142));
      break;
    default: break;
  }
  DrawContent();
  if (model_.mButtonState != ButtonStateValue::kStateNormal) Frame(0, 0, W(), H(), navy);
}

}  // namespace tovarin::button
