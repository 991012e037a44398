// DrawHighlightStyle (ButtonStyle 7): plain until the pointer is over it, then a light-blue
// gradient with a blue frame; pressed and set buttons show a deeper gradient. No focus
// indication; the window has 3 x 3 rounded corners.

#include "button/render/button_renderer.h"
#include "platform/raster/units.h"

namespace tovarin::button {
using namespace shorthand;

void ButtonRenderer::DrawHighlightStyle(ButtonStateValue s) {
  RefreshSize();
  const RgbColor bc = TranslateColor(model_.BackColor);

  if (!model_.Enabled) {
    Fill(bc, model_.mClientRect);
    DrawContent();
    Corners(bc);
    return;
  }

  switch (s) {
    case ButtonStateValue::kStateNormal:
      UpdateRegion();
      Fill(bc, platform::Rect{0, 0, W(), H()});
      DrawContent();
      return;
    case ButtonStateValue::kStateHot:
      Grad(1, 1, W() - 2, H() - 2, Color(241, 249, 253), Color(208, 236, 248));
      // A solid lower part from row Nearest(H / 1.7) down.
      Grad(1, static_cast<int>(platform::Nearest(H() / 1.7)), W() - 2, H() - 2,
           Color(208, 236, 248), Color(208, 236, 248));
      break;
    case ButtonStateValue::kStateDown:
      Grad(1, 1, W() - 2, H() - 2, Color(176, 222, 241), Color(219, 241, 249));
      break;
    default: return;
  }
  DrawContent();
  Frame(0, 0, W(), H(), Color(97, 158, 202));
  Frame(1, 1, W() - 2, H() - 2, Color(255, 255, 255));
  Corners(S(Color(97, 158, 202), 0.3f));
}

}  // namespace tovarin::button
