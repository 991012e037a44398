// DrawGelStyle (ButtonStyle 10): a fill, a five-row top band and a lower gradient from row 6,
// all derived from BackColor, with an outline and corners in the darkened back colour. Row 5
// keeps the fill colour; the lower gradient is H - 1 rows tall, so its last rows fall outside.
// No focus indication; the window has 4 x 4 rounded corners.

#include "button/render/button_renderer.h"

namespace tovarin::button {
using namespace shorthand;

void ButtonRenderer::DrawGelStyle(ButtonStateValue s) {
  RefreshSize();
  const platform::Rect r{0, 0, W(), H()};
  const RgbColor bc = TranslateColor(model_.BackColor);
  const RgbColor white = Color(255, 255, 255);
  const RgbColor mw = M(bc, white);

  // One row of the look: fill, top band, lower part, content, outline, corners.
  auto paint = [&](RgbColor fill, RgbColor top1, RgbColor top2, RgbColor low1, RgbColor low2,
                   RgbColor outline, RgbColor corners) {
    Fill(fill, r);
    Grad(0, 0, W(), 5, top1, top2);
    Grad(0, 6, W(), H() - 1, low1, low2);
    DrawContent();
    Frame(0, 0, W(), H(), outline);
    Corners(corners);
  };

  if (!model_.Enabled) {
    paint(bc, S(mw, 0.05f), bc, S(bc, -0.02f), M(white, S(bc, 0.08f)), S(bc, -0.2f), S(bc, -0.23f));
    return;
  }
  switch (s) {
    case ButtonStateValue::kStateNormal:
      UpdateRegion();
      paint(S(bc, -0.03f), S(mw, 0.1f), bc, S(bc, -0.05f), M(white, S(bc, 0.1f)), S(bc, -0.33f),
            S(bc, -0.36f));
      break;
    case ButtonStateValue::kStateHot:
      paint(S(bc, -0.03f), S(mw, 0.15f), bc, S(bc, -0.05f), M(white, S(bc, 0.2f)), S(bc, -0.28f),
            S(bc, -0.36f));
      break;
    case ButtonStateValue::kStateDown:
      paint(S(bc, -0.03f), S(mw, 0.1f), bc, S(bc, -0.08f), M(white, S(bc, 0.05f)), S(bc, -0.36f),
            S(bc, -0.36f));
      break;
    default:
      Corners(S(bc, -0.36f));  // only the corner pixels over the cleared surface
      break;
  }
}

}  // namespace tovarin::button
