// DrawSoftStyle (ButtonStyle 6): a light grey-blue button with 4 x 4 rounded corners and fine
// shading lines. It rewrites ForeColor on every paint (white while pressed) and has no focus
// indication or disabled look of its own.

#include "button/render/button_renderer.h"
#include "platform/raster/system_colors.h"

namespace tovarin::button {
using namespace shorthand;

void ButtonRenderer::DrawSoftStyle(ButtonStateValue s) {
  RefreshSize();
  const RgbColor button_text = SystemColor(platform::kColorBtnText);
  ChangeProperty(
      model_.ForeColor,
      static_cast<OleColor>(s == ButtonStateValue::kStateDown ? Color(255, 255, 255) : button_text),
      "ForeColor");
  const bool set = model_.Mode != ModeValue::kPushButton && model_.Value;
  if (set && model_.mMouseDown) s = ButtonStateValue::kStateDown;
  const RgbColor bc = TranslateColor(model_.BackColor);
  const platform::Rect& client = model_.mClientRect;

  if (set && s != ButtonStateValue::kStateDown) {
    Fill(Color(254, 254, 254), platform::Rect{0, 0, W(), H()});
    ChangeProperty(model_.ForeColor, static_cast<OleColor>(button_text), "ForeColor");
    DrawContent();
    Frame(0, 0, W(), H(), Color(122, 152, 175));
    Corners(S(Color(160, 179, 193), -0.2f));
    if (s == ButtonStateValue::kStateHot) {
      Line(W() - 2, 2, W() - 2, H() - 2, Color(242, 240, 237));
      Line(2, H() - 2, W() - 2, H() - 2, Color(228, 222, 216));
      Line(1, H() - 3, W() - 1, H() - 3, Color(239, 236, 232));
      Line(1, H() - 4, W() - 1, H() - 4, Color(250, 249, 248));
    }
    return;
  }

  if (s == ButtonStateValue::kStateNormal) {
    UpdateRegion();
    Fill(bc, client);
    DrawContent();
  } else if (s == ButtonStateValue::kStateHot) {
    const int h2 = HalfHeight();
    Grad(0, 0, W(), h2, Color(254, 254, 253), Color(244, 244, 238));
    Grad(0, h2, W(), h2, Color(244, 244, 238), Color(241, 241, 234));
    DrawContent();
    Line(W() - 2, 2, W() - 2, H() - 2, Color(234, 231, 224));
    Line(W() - 3, 2, W() - 3, H() - 2, Color(240, 240, 234));
    Line(0, H() - 4, W(), H() - 4, Color(238, 237, 229));
    Line(0, H() - 3, W(), H() - 3, Color(228, 225, 214));
    Line(0, H() - 2, W(), H() - 2, Color(215, 210, 198));
    Frame(0, 0, W(), H(), Color(206, 206, 195));
    Corners(S(Color(212, 212, 201), -0.2f));
  } else if (s == ButtonStateValue::kStateDown) {
    Fill(Color(229, 228, 221), client);
    DrawContent();
    Line(1, 1, W() - 2, 1, S(Color(220, 218, 209), -0.02f));
    Line(1, 2, W() - 2, 2, S(Color(227, 225, 218), -0.02f));
    Line(1, H() - 3, W() - 2, H() - 3, S(Color(230, 229, 222), 0.02f));
    Line(1, H() - 2, W() - 2, H() - 2, S(Color(235, 234, 229), 0.02f));
    Frame(0, 0, W(), H(), Color(157, 157, 146));
    Corners(S(Color(181, 180, 171), -0.2f));
  }
}

}  // namespace tovarin::button
