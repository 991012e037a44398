// DrawToolbarStyle (ButtonStyle 4): a flat button that shows a scheme-coloured fill and border
// only while hot, pressed or set. It never reshapes the window and draws no focus rectangle.

#include "button/render/button_renderer.h"

namespace tovarin::button {
using namespace shorthand;

void ButtonRenderer::DrawToolbarStyle(ButtonStateValue s) {
  RefreshSize();
  const platform::Rect r{0, 0, W(), H()};
  const RgbColor bc = TranslateColor(model_.BackColor);
  // Fill base f and border b by scheme; schemes outside 0..3 take the Custom colours.
  RgbColor f = bc;
  RgbColor b = S(bc, -0.12f);
  switch (model_.ColorScheme) {
    case ColorSchemeValue::kBlue:
      f = Color(193, 210, 238);
      b = Color(49, 106, 197);
      break;
    case ColorSchemeValue::kOliveGreen:
      f = Color(212, 214, 186);
      b = Color(147, 160, 112);
      break;
    case ColorSchemeValue::kSilver:
      f = Color(224, 223, 227);
      b = Color(178, 180, 191);
      break;
    default: break;
  }

  if (model_.Mode != ModeValue::kPushButton && model_.Value) {
    Fill(S(f, -0.05f), model_.mClientRect);
    Frame(0, 0, W(), H(), b);
    if (model_.mMouseOver) {
      Fill(S(f, -0.01f), model_.mClientRect);
      Frame(0, 0, W(), H(), b);
    }
    DrawContent();
    return;
  }

  switch (s) {
    case ButtonStateValue::kStateNormal: Fill(bc, r); break;
    case ButtonStateValue::kStateHot: Fill(S(f, 0.03f), r); break;
    case ButtonStateValue::kStateDown: Fill(S(f, -0.08f), r); break;
    default: break;
  }
  DrawContent();
  if (model_.mButtonState != ButtonStateValue::kStateNormal) Frame(0, 0, W(), H(), b);
}

}  // namespace tovarin::button
