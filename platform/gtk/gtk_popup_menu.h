#pragma once
// Pop-up menus of the GTK windows and control hosts: a MenuItem tree shown as a GtkMenu that
// blocks (in a nested main loop) until it closes; the chosen item's handler runs before the
// call returns, outside any GLib callback, so an exception it throws reaches the caller.
//
// The menu's items are the root's children: hidden items are left out, "-" captions become
// separator lines, "&" marks the mnemonic ("&&" a literal ampersand), disabled items are
// insensitive, checked items show a tick, shortcuts show beside the caption (not active), the
// default item is drawn in bold, and items with children open submenus. The root's children
// are kept alive while the menu is open, so a handler that rebuilds the tree is safe.
//
// Once the menu is up, the desktop's popup observer (tests, tools) is called from inside the
// nested loop.

#include <gtk/gtk.h>

#include <optional>
#include <string>

#include "platform/host/menu.h"

namespace tovarin::platform::gtk {

class GtkDesktop;

// Where a menu opens. With a window, the menu's corner chosen by `flags` (PopupFlags: top-left
// by default, right edge with kPopupRightAlign, bottom edge with kPopupBottomAlign) lies at
// `point`, in pixels of that window. Without one, the menu opens at the pointer.
struct PopupPlacement {
  GdkWindow* window = nullptr;
  GdkPoint point{0, 0};
  unsigned flags = 0;
};

// The placement at (x, y) pixels from `anchor`'s top-left corner; nothing when the anchor is
// not on screen.
std::optional<PopupPlacement> PlacementInWidget(GtkWidget* anchor, int x, int y, unsigned flags);

// Shows the menu, runs the chosen item's handler, and returns the chosen item's name (empty
// when the menu was dismissed or could not be shown).
std::string RunPopupMenu(const GtkDesktop& desktop, MenuItem& menu, const PopupPlacement& placement,
                         const MenuItem* default_item);

// For tests and tools while a menu runs: the GtkMenuItem of the item named `item_name` (in the
// menu or its submenus; nullptr when not shown); chooses the item named `item_name` (as a click on
// it would) or closes the menu. Returns false when no such enabled item is shown.
GtkWidget* FindMenuItem(GtkMenu* menu, const std::string& item_name);
bool ChooseMenuItem(GtkMenu* menu, const std::string& item_name);
void DismissMenu(GtkMenu* menu);
// The label text of the item named `item_name` as shown (Pango markup included), or empty.
std::string MenuItemMarkup(GtkMenu* menu, const std::string& item_name);

}  // namespace tovarin::platform::gtk
