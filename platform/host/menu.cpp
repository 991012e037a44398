#include "platform/host/menu.h"

namespace tovarin::platform {

MenuItem* MenuItem::Find(const std::string& item_name) {
  if (name == item_name) return this;
  for (const auto& child : children) {
    if (MenuItem* found = child->Find(item_name)) return found;
  }
  return nullptr;
}

std::string ShortcutLabel(int shortcut) {
  if (shortcut >= 1 && shortcut <= 26)
    return std::string("Ctrl+") + static_cast<char>('A' + shortcut - 1);
  if (shortcut >= 27 && shortcut <= 38) return "F" + std::to_string(shortcut - 26);
  return {};
}

}  // namespace tovarin::platform
