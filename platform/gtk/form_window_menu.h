#pragma once
// Pop-up menus of the form windows: a GtkMenu made from a MenuItem tree each time it pops up.
// The call runs a nested main loop until the menu closes, then runs the chosen item's
// handler, and returns after it.

#include <gtk/gtk.h>

#include <optional>

#include "platform/host/menu.h"

namespace tovarin::platform::gtk {

// Pops up `menu`'s children. With `at` (pixels in `relative_to`'s coordinates), the menu's
// corner chosen by `flags` (PopupFlags) is at that point; without, the menu opens at the pointer.
void RunPopupMenu(MenuItem& menu, GdkWindow* relative_to, std::optional<GdkPoint> at,
                  unsigned flags);

}  // namespace tovarin::platform::gtk
