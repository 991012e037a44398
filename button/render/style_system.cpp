// DrawSystemStyle: Standard (0), Flat (1), HoverRaised (11) and HoverFlat (12), drawn with the
// platform's 3-D edges and focus rectangle. Later steps paint over earlier ones.

#include "button/render/button_renderer.h"
#include "platform/raster/raster.h"
#include "platform/raster/system_colors.h"

namespace tovarin::button {
using namespace shorthand;

void ButtonRenderer::DrawSystemStyle(ButtonStateValue s) {
  RefreshSize();
  const platform::Rect button{0, 0, W(), H()};
  const ButtonStyleValue style = model_.ButtonStyle;
  const RgbColor bc = TranslateColor(model_.BackColor);
  const RgbColor black = Color(0, 0, 0);
  const RgbColor white = Color(255, 255, 255);

  if (!model_.Enabled) {
    // No fill: the cleared surface shows through.
    if (style == ButtonStyleValue::kStandard) Edge(button, platform::kEdgeRaised);
    if (style == ButtonStyleValue::kFlat) Edge(button, platform::kBdrRaisedInner);
    DrawContent();
    return;
  }

  if (model_.Mode != ModeValue::kPushButton && model_.Value) {
    // A set check or option button, whatever the state.
    Fill(S(bc, 0.02f), button);
    DrawContent();
    if (style == ButtonStyleValue::kHoverFlat) return;
    Edge(button, platform::kEdgeSunken);
    if (model_.ShowFocusRect && model_.mHasFocus && style == ButtonStyleValue::kStandard) {
      Frame(4, 4, W() - 7, H() - 7, SystemColor(platform::kColorAppWorkspace));
    }
    return;
  }

  switch (s) {
    case ButtonStateValue::kStateNormal:
      UpdateRegion();
      Fill(bc, button);
      DrawContent();
      if (style == ButtonStyleValue::kStandard) Edge(button, platform::kEdgeRaised);
      if (style == ButtonStyleValue::kFlat) Edge(button, platform::kBdrRaisedInner);
      break;
    case ButtonStateValue::kStateHot:
      Fill(bc, button);
      DrawContent();
      if (style == ButtonStyleValue::kFlat || style == ButtonStyleValue::kHoverFlat)
        Edge(button, platform::kBdrRaisedInner);
      if (style == ButtonStyleValue::kStandard || style == ButtonStyleValue::kHoverRaised)
        Edge(button, platform::kEdgeRaised);
      break;
    case ButtonStateValue::kStateDown:
      Fill(bc, button);
      DrawContent();
      if (style == ButtonStyleValue::kStandard) {
        Frame(1, 1, W() - 2, H() - 2, Color(172, 168, 153));
        Frame(0, 0, W(), H(), black);
      }
      if (style == ButtonStyleValue::kFlat || style == ButtonStyleValue::kHoverFlat) {
        Frame(0, 0, W(), H(), white);
        Frame(0, 0, W() + 1, H() + 1,
              SystemColor(platform::kColorGrayText));  // top row and left column only
      }
      if (style == ButtonStyleValue::kHoverRaised) Edge(button, platform::kEdgeSunken);
      break;
    default: break;
  }

  // The focus part.
  if (!model_.mHasFocus && !model_.mDisplayAsDefault) return;
  if (canvas_.UserMode() && model_.ShowFocusRect && model_.mParentActive) {
    if (style == ButtonStyleValue::kStandard || style == ButtonStyleValue::kHoverRaised)
      FocusRect(platform::Rect{4, 4, W() - 4, H() - 4});
    if (style == ButtonStyleValue::kFlat || style == ButtonStyleValue::kHoverFlat)
      FocusRect(platform::Rect{3, 3, W() - 3, H() - 3});
  }
  if (s != ButtonStateValue::kStateDown && style == ButtonStyleValue::kStandard) {
    // The default-button frame.
    Edge(platform::Rect{0, 0, W() - 1, H() - 1}, platform::kEdgeRaised);
    Frame(0, 0, W() - 1, H() - 1, SystemColor(platform::kColorAppWorkspace));
    Frame(0, 0, W(), H(), black);
  }
}

}  // namespace tovarin::button
