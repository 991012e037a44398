#include "platform/gtk/gtk_popup_menu.h"

#include "platform/glib/callback_guard.h"
#include "platform/glib/glib_holders.h"
#include "platform/gtk/gtk_desktop.h"

namespace tovarin::platform::gtk {
namespace {

constexpr const char* kItemKey = "tovarin-menu-item";

struct PopupState {
  GMainLoop* loop = nullptr;
  MenuItem* chosen = nullptr;
};

// "&File" -> "_File", "&&" -> "&", "_" -> "__".
std::string MnemonicText(const std::string& caption) {
  std::string out;
  for (std::size_t i = 0; i < caption.size(); ++i) {
    const char c = caption[i];
    if (c == '&') {
      if (i + 1 < caption.size() && caption[i + 1] == '&') {
        out += '&';
        ++i;
      } else {
        out += '_';
      }
    } else if (c == '_') {
      out += "__";
    } else {
      out += c;
    }
  }
  return out;
}

void OnItemActivate(GtkMenuItem* item, gpointer data) {
  glib::GuardCallback([&] {
    static_cast<PopupState*>(data)->chosen =
        static_cast<MenuItem*>(g_object_get_data(G_OBJECT(item), kItemKey));
  });
}

void OnMenuDeactivate(GtkMenuShell*, gpointer data) {
  glib::GuardCallback([&] { g_main_loop_quit(static_cast<PopupState*>(data)->loop); });
}

GtkWidget* BuildMenu(MenuItem& root, const MenuItem* default_item, PopupState& state);

GtkWidget* BuildItem(MenuItem& item, const MenuItem* default_item, PopupState& state) {
  if (item.IsSeparator()) return gtk_separator_menu_item_new();
  const std::string text = MnemonicText(item.caption);
  GtkWidget* widget = item.checked ? gtk_check_menu_item_new_with_mnemonic(text.c_str())
                                   : gtk_menu_item_new_with_mnemonic(text.c_str());
  if (item.checked) gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(widget), TRUE);
  GtkWidget* label = gtk_bin_get_child(GTK_BIN(widget));
  if (&item == default_item && GTK_IS_LABEL(label)) {
    gchar* escaped = g_markup_escape_text(text.c_str(), -1);
    const std::string markup = std::string("<b>") + escaped + "</b>";
    g_free(escaped);
    gtk_label_set_markup_with_mnemonic(GTK_LABEL(label), markup.c_str());
  }
  if (GTK_IS_ACCEL_LABEL(label) && item.shortcut >= 1 && item.shortcut <= 38) {
    if (item.shortcut <= 26) {
      gtk_accel_label_set_accel(GTK_ACCEL_LABEL(label),
                                GDK_KEY_a + static_cast<guint>(item.shortcut - 1),
                                GDK_CONTROL_MASK);
    } else {
      gtk_accel_label_set_accel(GTK_ACCEL_LABEL(label),
                                GDK_KEY_F1 + static_cast<guint>(item.shortcut - 27),
                                static_cast<GdkModifierType>(0));
    }
  }
  gtk_widget_set_sensitive(widget, item.enabled ? TRUE : FALSE);
  g_object_set_data(G_OBJECT(widget), kItemKey, &item);
  gtk_widget_set_name(widget, item.name.c_str());
  if (!item.children.empty()) {
    gtk_menu_item_set_submenu(GTK_MENU_ITEM(widget), BuildMenu(item, default_item, state));
  } else {
    g_signal_connect(widget, "activate", G_CALLBACK(&OnItemActivate), &state);
  }
  return widget;
}

GtkWidget* BuildMenu(MenuItem& root, const MenuItem* default_item, PopupState& state) {
  GtkWidget* menu = gtk_menu_new();
  for (const auto& child : root.children) {
    if (!child || !child->visible) continue;
    gtk_menu_shell_append(GTK_MENU_SHELL(menu), BuildItem(*child, default_item, state));
  }
  return menu;
}

struct ShownNotice {
  const GtkDesktop* desktop;
  GtkMenu* menu;
  bool fired = false;
};

gboolean NotifyShown(gpointer data) {
  auto* notice = static_cast<ShownNotice*>(data);
  notice->fired = true;
  glib::GuardCallback([&] { notice->desktop->NotifyPopupShown(notice->menu); });
  return G_SOURCE_REMOVE;
}

GtkWidget* FindItemIn(GtkWidget* menu, const std::string& name) {
  GtkWidget* found = nullptr;
  GList* children = gtk_container_get_children(GTK_CONTAINER(menu));
  for (GList* l = children; l != nullptr && found == nullptr; l = l->next) {
    auto* widget = static_cast<GtkWidget*>(l->data);
    auto* item = static_cast<MenuItem*>(g_object_get_data(G_OBJECT(widget), kItemKey));
    if (item != nullptr && item->name == name) {
      found = widget;
    } else if (GTK_IS_MENU_ITEM(widget)) {
      if (GtkWidget* sub = gtk_menu_item_get_submenu(GTK_MENU_ITEM(widget)))
        found = FindItemIn(sub, name);
    }
  }
  g_list_free(children);
  return found;
}

GdkGravity MenuCorner(unsigned flags) {
  const bool right = (flags & kPopupRightAlign) != 0;
  const bool bottom = (flags & kPopupBottomAlign) != 0;
  return bottom ? (right ? GDK_GRAVITY_SOUTH_EAST : GDK_GRAVITY_SOUTH_WEST)
                : (right ? GDK_GRAVITY_NORTH_EAST : GDK_GRAVITY_NORTH_WEST);
}

// A pop-up asked for outside any input event (the tray item's ContextMenu call comes over
// D-Bus) has no event to take the pointer from, and GTK would not open it: the pointer is asked
// where it is, and the menu opens there as it would at a click.
void PopupAtPointerPosition(GtkMenu* popup) {
  GdkSeat* seat = gdk_display_get_default_seat(gtk_widget_get_display(GTK_WIDGET(popup)));
  GdkDevice* pointer = seat != nullptr ? gdk_seat_get_pointer(seat) : nullptr;
  if (pointer == nullptr) return;
  GdkScreen* screen = nullptr;
  GdkRectangle rect{0, 0, 1, 1};
  gdk_device_get_position(pointer, &screen, &rect.x, &rect.y);
  if (screen == nullptr) return;
  gtk_menu_popup_at_rect(popup, gdk_screen_get_root_window(screen), &rect, GDK_GRAVITY_SOUTH_EAST,
                         GDK_GRAVITY_NORTH_WEST, nullptr);
}

void PopUp(GtkMenu* popup, const PopupPlacement& placement) {
  // The event being handled (the press that opened the menu) lets GTK place and grab it.
  GdkEvent* trigger = gtk_get_current_event();
  if (placement.window != nullptr) {
    const GdkRectangle rect{placement.point.x, placement.point.y, 1, 1};
    gtk_menu_popup_at_rect(popup, placement.window, &rect, GDK_GRAVITY_NORTH_WEST,
                           MenuCorner(placement.flags), trigger);
  } else if (trigger != nullptr) {
    gtk_menu_popup_at_pointer(popup, trigger);
  } else {
    PopupAtPointerPosition(popup);
  }
  if (trigger != nullptr) gdk_event_free(trigger);
}

}  // namespace

std::optional<PopupPlacement> PlacementInWidget(GtkWidget* anchor, int x, int y, unsigned flags) {
  GdkWindow* window = anchor != nullptr ? gtk_widget_get_window(anchor) : nullptr;
  if (window == nullptr || !gtk_widget_get_mapped(anchor)) return std::nullopt;
  // A widget without a GdkWindow of its own draws in its parent's, offset by its allocation.
  GtkAllocation allocation;
  gtk_widget_get_allocation(anchor, &allocation);
  const bool own_window = gtk_widget_get_has_window(anchor);
  return PopupPlacement{
      window, GdkPoint{own_window ? x : allocation.x + x, own_window ? y : allocation.y + y},
      flags};
}

std::string RunPopupMenu(const GtkDesktop& desktop, MenuItem& menu, const PopupPlacement& placement,
                         const MenuItem* default_item) {
  // The tree may change while the menu is open (a timer tick); the items shown stay alive.
  const std::vector<std::shared_ptr<MenuItem>> keep_alive = menu.children;
  PopupState state;
  glib::GObjectPtr<GtkWidget> popup(
      GTK_WIDGET(g_object_ref_sink(BuildMenu(menu, default_item, state))));
  GtkMenu* shown = GTK_MENU(popup.get());
  gtk_widget_show_all(popup.get());
  GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
  state.loop = loop;
  // "deactivate" comes before the chosen item's "activate", in the same dispatch; the loop
  // quits only after that dispatch, so the choice is known when it ends.
  const gulong deactivate =
      g_signal_connect(popup.get(), "deactivate", G_CALLBACK(&OnMenuDeactivate), &state);
  PopUp(shown, placement);
  // A menu that could not take the pointer closes at once; don't wait for it then.
  if (gtk_widget_get_visible(popup.get())) {
    ShownNotice notice{&desktop, shown};
    const guint notice_source =
        g_idle_add_full(G_PRIORITY_DEFAULT_IDLE, &NotifyShown, &notice, nullptr);
    g_main_loop_run(loop);
    if (!notice.fired) g_source_remove(notice_source);
  }
  g_signal_handler_disconnect(popup.get(), deactivate);
  g_main_loop_unref(loop);
  gtk_widget_destroy(popup.get());

  MenuItem* chosen = state.chosen;
  if (chosen == nullptr) return {};
  const std::string name = chosen->name;
  if (chosen->on_click) {
    const auto handler = chosen->on_click;  // the handler may change the menu tree
    handler();
  }
  return name;
}

GtkWidget* FindMenuItem(GtkMenu* menu, const std::string& item_name) {
  return FindItemIn(GTK_WIDGET(menu), item_name);
}

bool ChooseMenuItem(GtkMenu* menu, const std::string& item_name) {
  GtkWidget* item = FindMenuItem(menu, item_name);
  if (item == nullptr || !gtk_widget_is_sensitive(item)) return false;
  GtkWidget* shell = gtk_widget_get_parent(item);
  gtk_menu_shell_activate_item(GTK_MENU_SHELL(shell), item, TRUE);
  // A submenu's item closes its own shell; close the top menu as a click does.
  if (shell != GTK_WIDGET(menu)) gtk_menu_shell_deactivate(GTK_MENU_SHELL(menu));
  return true;
}

void DismissMenu(GtkMenu* menu) { gtk_menu_shell_deactivate(GTK_MENU_SHELL(menu)); }

std::string MenuItemMarkup(GtkMenu* menu, const std::string& item_name) {
  GtkWidget* item = FindMenuItem(menu, item_name);
  if (item == nullptr) return {};
  GtkWidget* label = gtk_bin_get_child(GTK_BIN(item));
  if (!GTK_IS_LABEL(label)) return {};
  return gtk_label_get_label(GTK_LABEL(label));
}

}  // namespace tovarin::platform::gtk
