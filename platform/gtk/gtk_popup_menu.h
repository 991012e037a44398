#pragma once
// Pop-up menus of the GTK control host: a MenuItem tree shown as a GtkMenu that blocks (in a
// nested main loop) until it closes; the chosen item's handler runs before the call returns.
//
// The menu's items are the root's children: hidden items are left out, "-" captions become
// separator lines, "&" marks the mnemonic ("&&" a literal ampersand), disabled items are
// insensitive, checked items show a tick, shortcuts show beside the caption (not active), the
// default item is drawn in bold, and items with children open submenus.
//
// Placement: (x, y) in pixels relative to `anchor`'s top-left corner; PopupFlags choose which
// corner of the menu lies there (top-left by default, right edge with kPopupRightAlign, bottom
// edge with kPopupBottomAlign).

#include <gtk/gtk.h>

#include <string>

#include "platform/host/menu.h"

namespace tovarin::platform::gtk {

class GtkDesktop;

// Shows the menu and returns the name of the chosen item (empty when dismissed or when the
// anchor is not on screen).
std::string RunPopupMenu(const GtkDesktop& desktop, GtkWidget* anchor, MenuItem& menu, int x, int y,
                         unsigned flags, const MenuItem* default_item);

// For tests and tools while a menu runs: chooses the item named `item_name` (as a click on it
// would) or closes the menu. Returns false when no such enabled item is shown.
bool ChooseMenuItem(GtkMenu* menu, const std::string& item_name);
void DismissMenu(GtkMenu* menu);
// The label text of the item named `item_name` as shown (Pango markup included), or empty.
std::string MenuItemMarkup(GtkMenu* menu, const std::string& item_name);

}  // namespace tovarin::platform::gtk
