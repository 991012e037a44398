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
  if (shortcut >= 27 && shortcut <= 38) {
    // Appended rather than "F" + ...: GCC 12 at -O3 misreads the prepend as an overlapping copy.
    std::string label = "F";
    label += std::to_string(shortcut - 26);
    return label;
  }
  return {};
}

}  // namespace tovarin::platform
