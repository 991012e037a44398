#include "platform/gtk/gtk_popup_menu.h"

#include "platform/gtk/form_window_gobject.h"
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
  GuardCallback([&] {
    static_cast<PopupState*>(data)->chosen =
        static_cast<MenuItem*>(g_object_get_data(G_OBJECT(item), kItemKey));
  });
}

void OnMenuDeactivate(GtkMenuShell*, gpointer data) {
  GuardCallback([&] { g_main_loop_quit(static_cast<PopupState*>(data)->loop); });
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

GtkWidget* FindItem(GtkWidget* menu, const std::string& name) {
  GtkWidget* found = nullptr;
  GList* children = gtk_container_get_children(GTK_CONTAINER(menu));
  for (GList* l = children; l != nullptr && found == nullptr; l = l->next) {
    auto* widget = static_cast<GtkWidget*>(l->data);
    auto* item = static_cast<MenuItem*>(g_object_get_data(G_OBJECT(widget), kItemKey));
    if (item != nullptr && item->name == name) {
      found = widget;
    } else if (GTK_IS_MENU_ITEM(widget)) {
      if (GtkWidget* sub = gtk_menu_item_get_submenu(GTK_MENU_ITEM(widget)))
        found = FindItem(sub, name);
    }
  }
  g_list_free(children);
  return found;
}

struct ShownNotice {
  const GtkDesktop* desktop;
  GtkMenu* menu;
  bool fired = false;
};

gboolean NotifyShown(gpointer data) {
  auto* notice = static_cast<ShownNotice*>(data);
  notice->fired = true;
  GuardCallback([&] { notice->desktop->NotifyPopupShown(notice->menu); });
  return G_SOURCE_REMOVE;
}

}  // namespace

std::string RunPopupMenu(const GtkDesktop& desktop, GtkWidget* anchor, MenuItem& menu, int x, int y,
                         unsigned flags, const MenuItem* default_item) {
  GdkWindow* window = anchor != nullptr ? gtk_widget_get_window(anchor) : nullptr;
  if (window == nullptr || !gtk_widget_get_mapped(anchor)) return {};
  PopupState state;
  GObjectRef<GtkWidget> popup(GTK_WIDGET(g_object_ref_sink(BuildMenu(menu, default_item, state))));
  GtkWidget* shown = popup.get();
  gtk_menu_attach_to_widget(GTK_MENU(shown), anchor, nullptr);
  gtk_widget_show_all(shown);

  // The anchor widget's own GdkWindow may be offset inside its allocation; place relative to it.
  GtkAllocation allocation;
  gtk_widget_get_allocation(anchor, &allocation);
  const GdkRectangle rect{gtk_widget_get_has_window(anchor) ? x : allocation.x + x,
                          gtk_widget_get_has_window(anchor) ? y : allocation.y + y, 1, 1};
  const bool right = (flags & kPopupRightAlign) != 0;
  const bool bottom = (flags & kPopupBottomAlign) != 0;
  const GdkGravity menu_anchor = bottom ? (right ? GDK_GRAVITY_SOUTH_EAST : GDK_GRAVITY_SOUTH_WEST)
                                        : (right ? GDK_GRAVITY_NORTH_EAST : GDK_GRAVITY_NORTH_WEST);
  GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
  state.loop = loop;
  const gulong deactivate =
      g_signal_connect(shown, "deactivate", G_CALLBACK(&OnMenuDeactivate), &state);
  // The event being handled (the press that opened the menu) lets GTK place and grab it.
  GdkEvent* trigger = gtk_get_current_event();
  gtk_menu_popup_at_rect(GTK_MENU(shown), window, &rect, GDK_GRAVITY_NORTH_WEST, menu_anchor,
                         trigger);
  if (trigger != nullptr) gdk_event_free(trigger);
  if (gtk_widget_get_visible(shown)) {
    // The observer (tests, tools) hears of the menu from inside the nested loop.
    ShownNotice notice{&desktop, GTK_MENU(shown)};
    const guint notice_source =
        g_idle_add_full(G_PRIORITY_DEFAULT_IDLE, &NotifyShown, &notice, nullptr);
    g_main_loop_run(loop);
    if (!notice.fired) g_source_remove(notice_source);
  }
  g_signal_handler_disconnect(shown, deactivate);
  g_main_loop_unref(loop);
  gtk_menu_detach(GTK_MENU(shown));
  gtk_widget_destroy(shown);

  MenuItem* chosen = state.chosen;
  if (chosen == nullptr) return {};
  if (chosen->on_click) {
    const auto handler = chosen->on_click;  // the handler may change the menu tree
    handler();
  }
  return chosen->name;
}

bool ChooseMenuItem(GtkMenu* menu, const std::string& item_name) {
  GtkWidget* item = FindItem(GTK_WIDGET(menu), item_name);
  if (item == nullptr || !gtk_widget_is_sensitive(item)) return false;
  GtkWidget* shell = gtk_widget_get_parent(item);
  gtk_menu_shell_activate_item(GTK_MENU_SHELL(shell), item, TRUE);
  // A submenu's item closes its own shell; close the top menu as a click does.
  if (shell != GTK_WIDGET(menu)) gtk_menu_shell_deactivate(GTK_MENU_SHELL(menu));
  return true;
}

void DismissMenu(GtkMenu* menu) { gtk_menu_shell_deactivate(GTK_MENU_SHELL(menu)); }

std::string MenuItemMarkup(GtkMenu* menu, const std::string& item_name) {
  GtkWidget* item = FindItem(GTK_WIDGET(menu), item_name);
  if (item == nullptr) return {};
  GtkWidget* label = gtk_bin_get_child(GTK_BIN(item));
  if (!GTK_IS_LABEL(label)) return {};
  return gtk_label_get_label(GTK_LABEL(label));
}

}  // namespace tovarin::platform::gtk
