#pragma once
// A pop-up menu tree as a form holds it: items with captions, shortcut keys, visibility and a
// click handler. The host shows it (ControlHost::PopupMenu); the chosen item's handler runs
// before the pop-up call returns.

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tovarin::platform {

struct MenuItem {
  std::string name;     // the item's name in its form ("choose", "open", ...)
  std::string caption;  // "-" makes a separator line
  int shortcut = 0;     // 0 none; 1..26 Ctrl+A..Ctrl+Z; 27..38 F1..F12 (shown, not active)
  bool visible = true;
  bool enabled = true;
  bool checked = false;
  std::vector<std::shared_ptr<MenuItem>> children;  // a submenu when not empty
  std::function<void()> on_click;

  bool IsSeparator() const { return caption == "-"; }
  // The item named `item_name` in this tree (this item included), or nullptr.
  MenuItem* Find(const std::string& item_name);
};

// The label of a shortcut code ("Ctrl+O", "F1"), empty for 0 or an unknown code.
std::string ShortcutLabel(int shortcut);

// Flags of a pop-up call: the menu's left/top edge at the position unless these are given.
enum PopupFlags : unsigned {
  kPopupRightAlign = 0x8,    // the menu's right edge at x
  kPopupBottomAlign = 0x20,  // the menu's bottom edge at y
};

}  // namespace tovarin::platform
