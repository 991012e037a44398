// DrawThemedStyle: the push button of the desktop's visual style, with the window shaped from
// what the style draws, and the content over it.

#include "button/render/button_renderer.h"
#include "platform/host/theme_painter.h"

namespace tovarin::button {

namespace {
constexpr int kPushButtonPart = 1;
constexpr std::uint32_t kSystemButtonFace = 0x8000000F;
}  // namespace

void ButtonRenderer::DrawThemedStyle(ButtonStateValue s) {
  model_.mSurfaceBackColor = kSystemButtonFace;
  int state = platform::kThemeDisabled;
  if (model_.Enabled) {
    switch (s) {
      case ButtonStateValue::kStateNormal: state = platform::kThemeNormal; break;
      case ButtonStateValue::kStateHot: state = platform::kThemeHot; break;
      case ButtonStateValue::kStateDown: state = platform::kThemePressed; break;
      default: state = 0; break;
    }
    if (model_.mButtonState == ButtonStateValue::kStateNormal &&
        (model_.mHasFocus || model_.mDisplayAsDefault) && model_.mParentActive) {
      state = platform::kThemeDefaulted;
    }
  }
  DrawThemePart(kPushButtonPart, state);
  // The content is drawn whether or not the visual style drew anything.
  DrawContent();
}

void ButtonRenderer::DrawThemePart(int part, int state) {
  platform::ThemePainter* theme = canvas_.Theme();
  if (theme == nullptr || part != kPushButtonPart) return;
  const platform::Rect& client = model_.mClientRect;
  // The part's shape is taken over a slightly larger rectangle, as the visual style's own
  // background region of a push button is.
  const platform::Rect shape_rect{client.left - 1, client.top - 1, client.right + 1,
                                  client.bottom + 2};
  if (std::optional<platform::Region> region = theme->PushButtonRegion(shape_rect, state)) {
    model_.mRegion = *region;
    canvas_.SetWindowRegion(std::move(region));
  }
  theme->DrawPushButton(surface_, client, state, client);
}

}  // namespace tovarin::button
