// DrawGlassStyle (ButtonStyle 3): a rounded button with a two-band body and five-pixel side
// bands; light blue when hot, deeper blue when pressed or set. Later steps paint over earlier
// ones; the window has 3 x 3 rounded corners.

#include "button/render/button_renderer.h"
#include "platform/raster/units.h"

namespace tovarin::button {
using namespace shorthand;

void ButtonRenderer::DrawGlassStyle(ButtonStateValue s) {
  RefreshSize();
  const RgbColor bc = TranslateColor(model_.BackColor);
  const RgbColor white = Color(255, 255, 255);
  const int h2 = HalfHeight();
  const int half_less_1 = static_cast<int>(platform::Nearest(H() - H() / 2.0 - 1));
  const int half_less_2 = static_cast<int>(platform::Nearest(H() / 2.0 - 2));

  if (!model_.Enabled) {
    UpdateRegion();
    Fill(S(bc, 0.03f), platform::Rect{0, 0, W(), H()});
    DrawContent();
    Frame(0, 0, W(), H(), S(bc, -0.25f));
    Frame(1, 1, W() - 2, H() - 2, S(bc, 0.25f));
    Corners(S(bc, -0.03f));
    return;
  }

  if (s == ButtonStateValue::kStateNormal) {
    UpdateRegion();
    Grad(1, 1, W() - 1, H(), S(bc, 0.05f), bc);
    Grad(1, h2, W() - 2, H() - 2, S(bc, -0.02f), S(bc, -0.15f));
    DrawContent();
    Frame(0, 0, W(), H(), Color(112, 112, 112));
    Frame(1, 1, W() - 2, H() - 2, white);
  } else if (s == ButtonStateValue::kStateHot) {
    Grad(1, 1, W() - 2, h2, Color(228, 247, 255), Color(218, 243, 255));
    Grad(1, h2, W() - 2, H() - 2, Color(193, 233, 255), Color(174, 225, 253));
    HGrad(1, 3, 5, half_less_2, Color(205, 238, 255), Color(228, 247, 255));
    HGrad(1, h2, 5, half_less_1, Color(143, 214, 250), S(Color(172, 225, 253), 0.01f));
    HGrad(W() - 6, 3, 5, half_less_2, Color(228, 247, 255), Color(205, 238, 255));
    HGrad(W() - 6, h2, 5, half_less_1, S(Color(172, 225, 253), 0.01f), Color(143, 214, 250));
    DrawContent();
    Frame(0, 0, W(), H(), Color(50, 117, 167));
    Frame(1, 1, W() - 2, H() - 2, white);
  } else if (s == ButtonStateValue::kStateDown) {
    Grad(1, 1, W() - 1, H(), Color(194, 228, 246), Color(194, 228, 246));
    Grad(1, h2, W() - 2, H() - 2, Color(154, 210, 240), Color(154, 210, 240));
    Frame(0, 0, W(), H(), Color(29, 65, 92));
    Line(1, 1, W() - 1, 1, Color(113, 156, 179));
    Line(1, 2, W() - 1, 2, Color(169, 198, 214));
    Line(1, 3, W() - 1, 3, Color(185, 217, 236));
    Line(1, 1, 1, half_less_1, Color(115, 176, 207));
    Line(1, h2, 1, half_less_1, Color(43, 145, 197));  // runs upward: at most the pixel (1, h2)
    HGrad(1, 3, 5, half_less_2, S(Color(145, 200, 230), 0.02f), S(Color(194, 228, 246), -0.01f));
    HGrad(1, h2, 5, half_less_1, S(Color(78, 171, 220), 0.02f), S(Color(154, 210, 240), -0.01f));
    HGrad(W() - 6, 3, 5, half_less_2, S(Color(194, 228, 246), -0.01f),
          S(Color(145, 200, 230), 0.02f));
    HGrad(W() - 6, h2, 5, half_less_1, S(Color(154, 210, 240), -0.01f),
          S(Color(78, 171, 220), 0.02f));
    DrawContent();
  }

  // Focus, in every state.
  if (model_.mParentActive) {
    if ((model_.mHasFocus || model_.mDisplayAsDefault) && s == ButtonStateValue::kStateNormal) {
      Frame(0, 0, W(), H(), Color(50, 117, 167));
      Frame(1, 1, W() - 2, H() - 2, Color(72, 216, 251));
    }
    if (model_.ShowFocusRect && model_.mHasFocus) FocusRect(platform::Rect{2, 2, W() - 2, H() - 2});
  }
  Corners(Color(95, 150, 190));
}

}  // namespace tovarin::button
