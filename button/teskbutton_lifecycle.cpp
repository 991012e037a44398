// The end of a teskbutton's life and its window hooks.
//
// At a run-time load (the container's user-mode flag is true) the button hooks two windows, its
// own and its parent form's, and hears these messages after the desktop's own handling:
//
//   window   message                                       effect
//   own      WM_MOUSELEAVE (0x02A3)                        leave handling (pointer gone)
//   own      WM_THEMECHANGED (0x031A)                      redraw
//   own      WM_SYSCOLORCHANGE (0x0015), only when themed  redraw
//   parent   WM_ACTIVATE (0x0006), or WM_NCACTIVATE        activation (wParam not 0) or
//            (0x0086) for a child of a multiple-document   deactivation (wParam 0); the whole
//            frame                                         wParam is tested
//
// The button never marks a message handled nor changes a result.

#include "button/teskbutton.h"

namespace tovarin::button {

void teskbutton::SetUpHooks() {
  model_.mTrackMouse = host_.SupportsLeaveTracking();
  const platform::WindowHandle own = host_.ControlWindow();
  // A window that cannot be hooked simply delivers no notifications.
  (void)hooks_.Hook(own);
  (void)hooks_.Hook(parent_window_);
  hooks_.AddAfterMessage(own, platform::kWmMouseLeave);
  hooks_.AddAfterMessage(own, platform::kWmThemeChanged);
  if (ThemeQuery()) hooks_.AddAfterMessage(own, platform::kWmSysColorChange);
  hooks_.AddAfterMessage(
      parent_window_, host_.ParentIsMdiChild() ? platform::kWmNcActivate : platform::kWmActivate);
}

void teskbutton::Subclass_WndProc(bool /*before*/, bool& /*handled*/, std::intptr_t& /*result*/,
                                  platform::WindowHandle& /*window*/, std::uint32_t& message,
                                  std::intptr_t& wParam, std::intptr_t& /*lParam*/) {
  switch (message) {
    case platform::kWmActivate:
    case platform::kWmNcActivate: input_.Activate(wParam != 0); break;
    case platform::kWmSysColorChange:
    case platform::kWmThemeChanged: Redraw(); break;
    case platform::kWmMouseLeave: input_.Leave(); break;
    default: break;
  }
}

// Destruction: the region, the font, the drop-down menu, the tooltip and the hooks go.
void teskbutton::OnTerminate() {
  if (terminated_) return;
  terminated_ = true;
  if (model_.mRegion) {
    model_.mRegion.reset();
  }
  font_subscription_.Reset();
  model_.mFont.reset();
  UnsetPopupMenu();
  tooltip_.Destroy();
  if (host_.UserMode()) hooks_.UnhookAll();
}

}  // namespace tovarin::button
