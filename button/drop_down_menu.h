#pragma once
// DropDownMenu: a form's menu attached to a button, opened next to it by a left press.
//
// Placement (mPopupAlign); X and Y in pixels from the button's top-left corner, W and H its
// inner size; flag 8 puts the menu's right edge at X, flag 32 its bottom edge at Y:
//
//   value  name         X  Y  flags used      the menu opens
//   0      Below        0  H  unchanged       under the button, left edges aligned
//   1      Above        0  0  32              over it, left edges aligned
//   2      LeftSide     0  0  given or 8      left of it, top edges aligned
//   3      RightSide    W  0  unchanged       right of it, top edges aligned
//   4      AboveLeft    0  0  40              bottom-right corner at the button's top-left
//   5      BelowLeft    0  H  given or 8      top-right corner at the button's bottom-left
//   6      AboveRight   W  0  32              bottom-left corner at the button's top-right
//   7      BelowRight   W  H  unchanged       top-left corner at the button's bottom-right
//
// The flags worked out for placements 1, 2, 4, 5 and 6 are stored back into mPopupFlags and
// stay in force for later openings. Other placement values open nothing.
//
// Flags (DropDownFlags), shared with the input state machine:
//   mPopupSet    a menu is attached;
//   mMenuPending the pop-up call is running;
//   mMenuShown   the menu is open, or was just closed by a press on the button, so that this
//                press does not open it again.

#include <cstdint>
#include <memory>
#include <optional>

#include "button/render/button_model.h"
#include "platform/host/control_host.h"
#include "platform/host/menu.h"

namespace tovarin::button {

struct DropDownFlags {
  bool mPopupSet = false;
  bool mMenuShown = false;
  bool mMenuPending = false;
};

// The eight placements of the menu (the numbers of mPopupAlign; see the table above).
enum class PopupAlignValue : std::int32_t {
  kBelow = 0,
  kAbove = 1,
  kLeftSide = 2,
  kRightSide = 3,
  kAboveLeft = 4,
  kBelowLeft = 5,
  kAboveRight = 6,
  kBelowRight = 7,
};

// Where and how a menu opens for a placement.
struct PopupPlacement {
  int x = 0;
  int y = 0;
  std::int32_t flags = 0;
  bool store_flags = false;  // the flags go back into mPopupFlags
};

// The placement for `align` on a button of `width` x `height` pixels, given `flags`; nullopt
// for a value outside 0..7 (any number converted from mPopupAlign may arrive here).
std::optional<PopupPlacement> ComputePopupPlacement(PopupAlignValue align, std::int32_t flags,
                                                    int width, int height);

class DropDownMenu {
 public:
  // Attaches `menu` (nothing happens for an empty menu). `flags` defaults to 0 when not given;
  // `default_menu` (may be empty) is shown in bold.
  void SetPopupMenu(std::shared_ptr<platform::MenuItem> menu, std::int32_t align,
                    std::optional<std::int32_t> flags = std::nullopt,
                    std::shared_ptr<platform::MenuItem> default_menu = nullptr);
  // Detaches the menu: mPopupMenu and mDefaultMenu empty, mPopupSet and mMenuShown false.
  void UnsetPopupMenu();

  // Opens the menu next to the button and returns when it has closed (its item's handler has
  // run). Returns true when the pointer ended elsewhere and the button went back to normal
  // (flags cleared, mButtonState 0): the caller redraws it then.
  [[nodiscard]] bool Show(ButtonModel& model, platform::ControlHost& host);

  DropDownFlags& Flags() { return flags_; }
  const DropDownFlags& Flags() const { return flags_; }
  const std::shared_ptr<platform::MenuItem>& PopupMenu() const { return mPopupMenu; }
  const std::shared_ptr<platform::MenuItem>& DefaultMenu() const { return mDefaultMenu; }
  std::int32_t PopupAlign() const { return mPopupAlign; }
  std::int32_t PopupFlags() const { return mPopupFlags; }

 private:
  std::shared_ptr<platform::MenuItem> mPopupMenu;
  std::shared_ptr<platform::MenuItem> mDefaultMenu;
  // Kept as the number given to SetPopupMenu, unchecked: a value outside 0..7 attaches the
  // menu but never opens it.
  std::int32_t mPopupAlign = 0;
  std::int32_t mPopupFlags = 0;
  DropDownFlags flags_;
};

}  // namespace tovarin::button
