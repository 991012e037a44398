// Redraw: clear, measure, settle the drawn state, dispatch to the style routine.

#include "button/render/redraw.h"

#include "button/render/button_renderer.h"
#include "button/render/style_defaults.h"
#include "platform/raster/raster.h"

namespace tovarin::button {

void Redraw(ButtonModel& model, ButtonCanvas& canvas) { ButtonRenderer(model, canvas).Redraw(); }

void UpdateRegion(ButtonModel& model, ButtonCanvas& canvas) {
  ButtonRenderer(model, canvas).UpdateRegion();
}

void ButtonRenderer::FallBackToRounded() {
  ChangeProperty(model_.ButtonStyle, ButtonStyleValue::kRounded, "ButtonStyle");
  ChangeProperty(model_.ColorScheme, ColorSchemeValue::kBlue, "ColorScheme");
  const OleColor back_color = model_.BackColor;
  const OleColor fore_color = model_.ForeColor;
  const bool show_focus_rect = model_.ShowFocusRect;
  ApplyColorStep(model_);
  // The colour step wrote its properties directly; tell the container about those it changed.
  if (back_color != model_.BackColor) canvas_.PropertyChanged("BackColor");
  if (fore_color != model_.ForeColor) canvas_.PropertyChanged("ForeColor");
  if (show_focus_rect != model_.ShowFocusRect) canvas_.PropertyChanged("ShowFocusRect");
}

void ButtonRenderer::Redraw() {
  platform::FillRect(surface_, surface_.Bounds(),
                     ToColorRef(TranslateColor(model_.mSurfaceBackColor)));
  RefreshSize();
  model_.mClientRect = platform::Rect{0, 0, W(), H()};
  if (model_.Mode != ModeValue::kPushButton && model_.ButtonStyle != ButtonStyleValue::kStandard &&
      model_.ButtonStyle != ButtonStyleValue::kSoft && model_.Value) {
    // Stored: a set button stays drawn as down until the input handling resets the state.
    model_.mButtonState = ButtonStateValue::kStateDown;
  }
  const ButtonStateValue s = model_.mButtonState;
  switch (model_.ButtonStyle) {
    case ButtonStyleValue::kStandard:
    case ButtonStyleValue::kFlat:
    case ButtonStyleValue::kHoverRaised:
    case ButtonStyleValue::kHoverFlat: DrawSystemStyle(s); break;
    case ButtonStyleValue::kRounded: DrawRoundedStyle(s); break;
    case ButtonStyleValue::kGlass: DrawGlassStyle(s); break;
    case ButtonStyleValue::kToolbar: DrawToolbarStyle(s); break;
    case ButtonStyleValue::kOrange: DrawOrangeStyle(s); break;
    case ButtonStyleValue::kSoft: DrawSoftStyle(s); break;
    case ButtonStyleValue::kHighlight: DrawHighlightStyle(s); break;
    case ButtonStyleValue::kAmber: DrawAmberStyle(s); break;
    case ButtonStyleValue::kGloss: DrawGlossStyle(s); break;
    case ButtonStyleValue::kGel: DrawGelStyle(s); break;
    case ButtonStyleValue::kThemed:
      if (canvas_.ThemeQuery()) {
        DrawThemedStyle(s);
      } else {
        FallBackToRounded();
        DrawRoundedStyle(s);
      }
      break;
    default: break;  // unknown styles leave the surface cleared
  }
}

}  // namespace tovarin::button
