// DrawAmberStyle (ButtonStyle 8): a top band of about H / 2.7 rows over a bottom band, from
// BackColor when normal and in amber when hot, pressed or set, outlined in the darkened back
// colour. Rectangular window; no focus indication or disabled look of its own.

#include "button/render/button_renderer.h"
#include "platform/raster/units.h"

namespace tovarin::button {
using namespace shorthand;

void ButtonRenderer::DrawAmberStyle(ButtonStateValue s) {
  RefreshSize();
  const RgbColor bc = TranslateColor(model_.BackColor);
  const RgbColor white = Color(255, 255, 255);
  const int k = static_cast<int>(platform::Nearest(H() / 2.7));        // top band height
  const int l = static_cast<int>(platform::Nearest(H() - H() / 2.7));  // bottom band, from row k
  const RgbColor outline = S(bc, -0.34f);

  if (model_.Mode != ModeValue::kPushButton && model_.Value) {
    Grad(0, 0, W(), k, Color(255, 217, 169), Color(255, 192, 111));
    Grad(0, k, W(), l, Color(255, 171, 63), Color(255, 225, 117));
    Frame(0, 0, W(), H(), outline);
    if (model_.mMouseOver) {
      Grad(0, 0, W(), k, Color(255, 193, 88), Color(255, 175, 81));
      Grad(0, k, W(), l, Color(255, 143, 70), Color(255, 211, 95));
      Frame(0, 0, W(), H(), outline);
    }
    DrawContent();
    return;
  }

  switch (s) {
    case ButtonStateValue::kStateNormal:
      Fill(bc, model_.mClientRect);
      Grad(0, 0, W(), k, M(S(bc, 0.09f), white), M(S(bc, 0.07f), bc));
      Grad(0, k, W(), l, bc, S(bc, 0.03f));
      break;
    case ButtonStateValue::kStateHot:
      Grad(0, 0, W(), k, Color(255, 255, 225), Color(255, 234, 172));
      Grad(0, k, W(), l, Color(255, 215, 103), Color(255, 228, 153));
      break;
    case ButtonStateValue::kStateDown:
      Grad(0, 0, W(), k, Color(255, 193, 88), Color(255, 175, 81));
      Grad(0, k, W(), l, Color(255, 143, 70), Color(255, 211, 95));
      break;
    default: return;  // nothing at all
  }
  DrawContent();
  Frame(0, 0, W(), H(), outline);
}

}  // namespace tovarin::button
