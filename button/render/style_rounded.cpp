// DrawRoundedStyle (ButtonStyle 2): a rounded button with a vertical sheen, an orange rim when
// hot, a scheme-coloured rim when focused or default and a dark outline. Later steps paint over
// earlier ones; the window has 3 x 3 rounded corners.

#include "button/render/button_renderer.h"
#include "platform/raster/system_colors.h"

namespace tovarin::button {
using namespace shorthand;

void ButtonRenderer::DrawRoundedStyle(ButtonStateValue s) {
  RefreshSize();
  model_.mClientRect = platform::Rect{0, 0, W(), H()};
  const platform::Rect& client = model_.mClientRect;
  const RgbColor bc = TranslateColor(model_.BackColor);
  const RgbColor white = Color(255, 255, 255);
  const ColorSchemeValue scheme = model_.ColorScheme;
  const bool silver = scheme == ColorSchemeValue::kSilver;
  const bool plain_scheme = scheme == ColorSchemeValue::kBlue ||
                            scheme == ColorSchemeValue::kOliveGreen ||
                            scheme == ColorSchemeValue::kCustom;
  const int h2 = HalfHeight();

  if (!model_.Enabled) {
    UpdateRegion();
    Fill(M(SystemColor(platform::kColorBtnFace), S(bc, 0.1f)), client);
    DrawContent();
    Frame(0, 0, W(), H(), S(bc, -0.1f));
    Corners(S(bc, -0.1f));
    return;
  }

  // Background and content by state and scheme.
  if (s == ButtonStateValue::kStateNormal) {
    UpdateRegion();
    if (plain_scheme) {
      Grad(0, 0, W(), H(), S(bc, 0.07f), bc);
      Grad(0, 0, W(), 4, S(bc, 0.1f), S(bc, 0.08f));
      DrawContent();
      Line(1, H() - 2, W() - 2, H() - 2, S(bc, -0.09f));
      Line(1, H() - 3, W() - 2, H() - 3, S(bc, -0.05f));
      Line(1, H() - 4, W() - 2, H() - 4, S(bc, -0.01f));
      Line(W() - 2, 2, W() - 2, H() - 2, S(bc, -0.08f));
      Line(1, 1, 1, H() - 2, M(white, bc));
    } else if (silver) {
      Grad(0, 0, W(), h2, S(bc, 0.22f), bc);
      Grad(0, h2, W(), h2, S(bc, -0.01f), S(bc, -0.15f));
      DrawContent();
      Line(W() - 2, 2, W() - 2, H() - 2, white);
      Line(1, 1, 1, H() - 2, white);
    }
  } else if (s == ButtonStateValue::kStateHot) {
    // Schemes other than Silver, known or not, share the plain sheen when hot.
    if (silver) {
      Grad(0, 0, W(), h2, S(bc, 0.22f), bc);
      Grad(0, h2, W(), h2, S(bc, -0.01f), S(bc, -0.15f));
    } else {
      Grad(0, 0, W(), H(), S(bc, 0.07f), bc);
      Grad(0, 0, W(), 4, S(bc, 0.1f), S(bc, 0.08f));
    }
    DrawContent();
    Rim(Color(253, 216, 137), Color(255, 240, 207), Color(249, 189, 73), Color(249, 189, 73),
        Color(252, 210, 122), Color(252, 210, 122), Color(248, 179, 48), Color(229, 151, 0));
  } else if (s == ButtonStateValue::kStateDown) {
    if (plain_scheme) {
      Fill(S(bc, -0.05f), client);
      DrawContent();
      Line(1, 1, W() - 2, 1, S(bc, -0.16f));
      Line(1, 2, W() - 2, 2, S(bc, -0.1f));
      Line(1, H() - 2, W() - 2, H() - 2, S(bc, 0.01f));
      Line(1, 1, 1, H() - 2, S(bc, -0.16f));
      Line(2, 2, 2, H() - 2, S(bc, -0.1f));
      Line(W() - 2, 2, W() - 2, H() - 2, S(bc, 0.04f));
    } else if (silver) {
      Grad(0, 0, W(), H() - 6, S(bc, -0.2f), S(bc, 0.05f));
      Grad(0, H() - 6, W(), H() - 1, S(bc, 0.08f),
           white);  // only its first six rows are on the button
      DrawContent();
      Frame(1, 1, W() - 2, H() - 2, white);
    }
  }

  // Focus rim, in an active window only, and not while hot or down.
  const bool focused = model_.mHasFocus || model_.mDisplayAsDefault;
  if (model_.mParentActive && focused && s != ButtonStateValue::kStateHot &&
      s != ButtonStateValue::kStateDown) {
    const RgbColor blue_inner = scheme == ColorSchemeValue::kSilver ? white : Color(184, 209, 244);
    if (scheme == ColorSchemeValue::kBlue || scheme == ColorSchemeValue::kCustom ||
        scheme == ColorSchemeValue::kSilver) {
      Rim(Color(188, 212, 246), Color(206, 231, 255), Color(142, 175, 230), Color(142, 175, 230),
          blue_inner, blue_inner, Color(137, 173, 228), Color(105, 130, 238));
    } else if (scheme == ColorSchemeValue::kOliveGreen) {
      const RgbColor olive = Color(160, 200, 104);
      Rim(Color(194, 209, 143), Color(177, 203, 128), olive, olive, olive, olive, olive,
          Color(168, 167, 102));
    }
  }
  if (model_.mParentActive && model_.ShowFocusRect && focused)
    FocusRect(platform::Rect{2, 2, W() - 2, H() - 2});

  // Outline with softened inner corners.
  if (scheme == ColorSchemeValue::kBlue || scheme == ColorSchemeValue::kSilver ||
      scheme == ColorSchemeValue::kCustom) {
    Frame(0, 0, W(), H(), Color(0, 60, 116));
    Corners(S(Color(0, 60, 116), 0.3f));
  } else if (scheme == ColorSchemeValue::kOliveGreen) {
    Frame(0, 0, W(), H(), Color(55, 98, 6));
    Corners(S(Color(55, 98, 6), 0.3f));
  }
}

}  // namespace tovarin::button
