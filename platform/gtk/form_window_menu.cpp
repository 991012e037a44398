#include "platform/gtk/form_window_menu.h"

#include <memory>
#include <vector>

#include "platform/gtk/form_window_gobject.h"

namespace tovarin::platform::gtk {

namespace {

// State of one pop-up while its nested loop runs.
struct PopupRun {
  GMainLoop* loop = nullptr;
  MenuItem* chosen = nullptr;
  bool closed = false;
};

struct ItemBinding {
  PopupRun* run;
  MenuItem* item;
};

guint ShortcutKey(int shortcut, GdkModifierType& modifiers) {
  modifiers = static_cast<GdkModifierType>(0);
  if (shortcut >= 1 && shortcut <= 26) {
    modifiers = GDK_CONTROL_MASK;
    return GDK_KEY_a + static_cast<guint>(shortcut - 1);
  }
  if (shortcut >= 27 && shortcut <= 38) return GDK_KEY_F1 + static_cast<guint>(shortcut - 27);
  return 0;
}

void OnActivate(GtkMenuItem* /*widget*/, gpointer data) {
  auto* binding = static_cast<ItemBinding*>(data);
  binding->run->chosen = binding->item;
}

gboolean QuitLoop(gpointer data) {
  auto* run = static_cast<PopupRun*>(data);
  run->closed = true;
  g_main_loop_quit(run->loop);
  return G_SOURCE_REMOVE;
}

// The item's "activate" comes right after the menu's "deactivate", in the same call; the loop
// ends from an idle callback so the choice is known by then.
void OnDeactivate(GtkMenuShell* /*menu*/, gpointer data) {
  g_idle_add_full(G_PRIORITY_HIGH_IDLE, QuitLoop, data, nullptr);
}

GtkWidget* BuildMenu(MenuItem& root, PopupRun& run,
                     std::vector<std::unique_ptr<ItemBinding>>& bindings) {
  GtkWidget* menu = gtk_menu_new();
  for (const auto& item : root.children) {
    if (!item->visible) continue;
    GtkWidget* widget = nullptr;
    if (item->IsSeparator()) {
      widget = gtk_separator_menu_item_new();
    } else {
      widget = gtk_menu_item_new_with_label(item->caption.c_str());
      GdkModifierType modifiers;
      const guint key = ShortcutKey(item->shortcut, modifiers);
      GtkWidget* label = gtk_bin_get_child(GTK_BIN(widget));
      if (key != 0 && GTK_IS_ACCEL_LABEL(label))
        gtk_accel_label_set_accel(GTK_ACCEL_LABEL(label), key, modifiers);
      gtk_widget_set_sensitive(widget, item->enabled ? TRUE : FALSE);
      if (!item->children.empty()) {
        gtk_menu_item_set_submenu(GTK_MENU_ITEM(widget), BuildMenu(*item, run, bindings));
      } else {
        bindings.push_back(std::make_unique<ItemBinding>(ItemBinding{&run, item.get()}));
        g_signal_connect(widget, "activate", G_CALLBACK(OnActivate), bindings.back().get());
      }
    }
    gtk_widget_set_name(widget, item->name.c_str());
    gtk_menu_shell_append(GTK_MENU_SHELL(menu), widget);
    gtk_widget_show(widget);
  }
  return menu;
}

// A pop-up asked for outside any input event (the tray item's ContextMenu call comes over
// D-Bus) has no event to take the pointer from, and GTK would not open it: the pointer is asked
// where it is, and the menu opens there as it would at a click.
void PopupAtPointerPosition(GtkWidget* popup) {
  GdkSeat* seat = gdk_display_get_default_seat(gtk_widget_get_display(popup));
  GdkDevice* pointer = seat != nullptr ? gdk_seat_get_pointer(seat) : nullptr;
  if (pointer == nullptr) return;
  GdkScreen* screen = nullptr;
  GdkRectangle rect{0, 0, 1, 1};
  gdk_device_get_position(pointer, &screen, &rect.x, &rect.y);
  if (screen == nullptr) return;
  gtk_menu_popup_at_rect(GTK_MENU(popup), gdk_screen_get_root_window(screen), &rect,
                         GDK_GRAVITY_SOUTH_EAST, GDK_GRAVITY_NORTH_WEST, nullptr);
}

}  // namespace

void RunPopupMenu(MenuItem& menu, GdkWindow* relative_to, std::optional<GdkPoint> at,
                  unsigned flags) {
  PopupRun run;
  run.loop = g_main_loop_new(nullptr, FALSE);
  std::vector<std::unique_ptr<ItemBinding>> bindings;
  // The tree may change while the menu is open (a timer tick); the items chosen stay alive.
  std::vector<std::shared_ptr<MenuItem>> keep_alive = menu.children;
  GtkWidget* popup = BuildMenu(menu, run, bindings);
  g_object_ref_sink(popup);
  g_signal_connect(popup, "deactivate", G_CALLBACK(OnDeactivate), &run);

  if (at && relative_to != nullptr) {
    const GdkRectangle rect{at->x, at->y, 1, 1};
    GdkGravity menu_anchor = GDK_GRAVITY_NORTH_WEST;
    if ((flags & kPopupRightAlign) && (flags & kPopupBottomAlign)) {
      menu_anchor = GDK_GRAVITY_SOUTH_EAST;
    } else if (flags & kPopupRightAlign) {
      menu_anchor = GDK_GRAVITY_NORTH_EAST;
    } else if (flags & kPopupBottomAlign) {
      menu_anchor = GDK_GRAVITY_SOUTH_WEST;
    }
    gtk_menu_popup_at_rect(GTK_MENU(popup), relative_to, &rect, GDK_GRAVITY_NORTH_WEST, menu_anchor,
                           nullptr);
  } else if (GdkEvent* trigger = gtk_get_current_event()) {
    gtk_menu_popup_at_pointer(GTK_MENU(popup), trigger);
    gdk_event_free(trigger);
  } else {
    PopupAtPointerPosition(popup);
  }
  // A menu that could not take the pointer closes at once; don't wait for it then.
  if (gtk_widget_get_visible(popup)) {
    g_main_loop_run(run.loop);
  }
  g_signal_handlers_disconnect_by_data(popup, &run);
  gtk_widget_destroy(popup);
  g_object_unref(popup);
  // Drop a pending quit callback that still points at `run`.
  while (g_source_remove_by_user_data(&run)) {
  }
  g_main_loop_unref(run.loop);

  if (run.chosen != nullptr && run.chosen->on_click) {
    auto handler = run.chosen->on_click;
    GuardCallback([&] { handler(); });
  }
}

}  // namespace tovarin::platform::gtk
