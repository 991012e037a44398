#include "button/drop_down_menu.h"

#include <utility>

namespace tovarin::button {

std::optional<PopupPlacement> ComputePopupPlacement(PopupAlignValue align, std::int32_t flags,
                                                    int width, int height) {
  constexpr std::int32_t kRightAlign = platform::kPopupRightAlign;    // 8
  constexpr std::int32_t kBottomAlign = platform::kPopupBottomAlign;  // 32
  switch (align) {
    case PopupAlignValue::kBelow: return PopupPlacement{0, height, flags, false};
    case PopupAlignValue::kAbove: return PopupPlacement{0, 0, kBottomAlign, true};
    case PopupAlignValue::kLeftSide: return PopupPlacement{0, 0, flags | kRightAlign, true};
    case PopupAlignValue::kRightSide: return PopupPlacement{width, 0, flags, false};
    case PopupAlignValue::kAboveLeft: return PopupPlacement{0, 0, kBottomAlign | kRightAlign, true};
    case PopupAlignValue::kBelowLeft: return PopupPlacement{0, height, flags | kRightAlign, true};
    case PopupAlignValue::kAboveRight: return PopupPlacement{width, 0, kBottomAlign, true};
    case PopupAlignValue::kBelowRight: return PopupPlacement{width, height, flags, false};
    default: return std::nullopt;  // an attached menu with an unknown placement stays closed
  }
}

void DropDownMenu::SetPopupMenu(std::shared_ptr<platform::MenuItem> menu, std::int32_t align,
                                std::optional<std::int32_t> flags,
                                std::shared_ptr<platform::MenuItem> default_menu) {
  if (!menu) return;
  mPopupMenu = std::move(menu);
  mPopupAlign = align;
  mPopupFlags = flags.value_or(0);
  mDefaultMenu = std::move(default_menu);
  flags_.mPopupSet = true;
}

void DropDownMenu::UnsetPopupMenu() {
  mPopupMenu.reset();
  mDefaultMenu.reset();
  flags_.mPopupSet = false;
  flags_.mMenuShown = false;
}

bool DropDownMenu::Show(ButtonModel& model, platform::ControlHost& host) {
  const platform::Size size = host.ClientSize();
  model.mHeight = size.height;
  model.mWidth = size.width;
  flags_.mMenuPending = true;

  const std::optional<PopupPlacement> placement = ComputePopupPlacement(
      static_cast<PopupAlignValue>(mPopupAlign), mPopupFlags, model.mWidth, model.mHeight);
  if (!placement || !mPopupMenu) {
    flags_.mMenuPending = false;
    return false;
  }
  if (placement->store_flags) mPopupFlags = placement->flags;

  // Hold the menu for the call: its own handler may detach it from the button.
  const std::shared_ptr<platform::MenuItem> menu = mPopupMenu;
  const std::shared_ptr<platform::MenuItem> default_item = mDefaultMenu;
  host.PopupMenu(*menu, placement->x, placement->y, static_cast<unsigned>(placement->flags),
                 default_item.get());

  // The leave notification that arrives while the menu runs has set mMenuShown already; the
  // pointer back over the button keeps it so, and the next press will not reopen the menu.
  if (host.WindowUnderPointer() == host.ControlWindow()) {
    flags_.mMenuShown = true;
    return false;
  }
  model.mMouseDown = false;
  model.mMouseOver = false;
  model.mSpaceDown = false;
  flags_.mMenuShown = false;
  flags_.mMenuPending = false;
  model.mButtonState = ButtonStateValue::kStateNormal;
  return true;
}

}  // namespace tovarin::button
