// DrawGlossStyle (ButtonStyle 9): white fading into BackColor over the top half, BackColor
// below, a white inner line and a darker bottom line; normal and hot look alike. A disabled
// button looks normal apart from its greyed content. The window has 3 x 3 rounded corners.

#include "button/render/button_renderer.h"

namespace tovarin::button {
using namespace shorthand;

void ButtonRenderer::DrawGlossStyle(ButtonStateValue s) {
  RefreshSize();
  if (!model_.Enabled) s = ButtonStateValue::kStateNormal;
  const RgbColor bc = TranslateColor(model_.BackColor);
  const RgbColor white = Color(255, 255, 255);
  const int h2 = HalfHeight();

  if (s == ButtonStateValue::kStateNormal) {
    UpdateRegion();
    model_.mClientRect = platform::Rect{0, 0, W(), H()};
  }
  // The lower gradients are H rows tall from row h2 and are clipped at the bottom edge; the
  // white inner frame's bottom side lies outside the button.
  if (s == ButtonStateValue::kStateNormal || s == ButtonStateValue::kStateHot) {
    Grad(0, 0, W(), h2, white, bc);
    Grad(0, h2, W(), H(), bc, bc);
    DrawContent();
    Frame(1, 1, W() - 2, H(), white);
    Frame(0, 0, W(), H(), S(bc, -0.2f));
    Line(2, H() - 1, W() - 2, H() - 1, S(bc, -0.25f));
  } else if (s == ButtonStateValue::kStateDown) {
    Grad(0, 0, W(), h2, white, S(bc, -0.1f));
    Grad(0, h2, W(), H(), S(bc, -0.1f), S(bc, -0.05f));
    DrawContent();
    Frame(1, 1, W() - 2, H(), white);
    Frame(0, 0, W(), H(), S(bc, -0.23f));
    Line(2, H() - 1, W() - 2, H() - 1, S(bc, -0.4f));
  }

  Corners(S(bc, 0.05f));
  if (model_.mParentActive && model_.ShowFocusRect &&
      (model_.mHasFocus || model_.mDisplayAsDefault)) {
    FocusRect(platform::Rect{3, 3, W() - 3, H() - 3});
  }
}

}  // namespace tovarin::button
