#pragma once
// GtkTrayIcon: the program's tray icon on today's Linux desktops. The same picture and tooltip
// are offered as a StatusNotifierItem while a StatusNotifierWatcher owns its name on the session
// bus, and as an XEmbed icon (GtkStatusIcon) otherwise. The choice is made when the icon is made
// and again whenever the watcher appears or goes away, so exactly one of the two is offered.
//
// InNotificationArea tells whether a notification area holds the icon now: the item registered
// with the watcher, or the XEmbed icon embedded in a tray. With neither, a hidden window could
// not be brought back through the icon.
//
// Without a session bus address (no DBUS_SESSION_BUS_ADDRESS and no $XDG_RUNTIME_DIR/bus) the
// bus is not used at all: GLib would otherwise try to launch a bus of its own, which no watcher
// could be on, and which would outlive the program.

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gio/gio.h>

#include <functional>
#include <memory>
#include <string>

#include "platform/glib/callback_guard.h"
#include "platform/glib/glib_holders.h"
#include "platform/gtk/status_notifier_item.h"
#include "platform/gtk/xembed_tray_icon.h"
#include "platform/host/tray_icon.h"

namespace tovarin::platform::gtk {

class GtkTrayIcon final : public TrayIcon {
 public:
  explicit GtkTrayIcon(const TrayIconSettings& settings);
  ~GtkTrayIcon() override;
  GtkTrayIcon(const GtkTrayIcon&) = delete;
  GtkTrayIcon& operator=(const GtkTrayIcon&) = delete;

  bool InTray() const override { return settings_.in_tray; }
  void SetInTray(bool in_tray) override;
  const std::string& ToolTip() const override { return settings_.tool_tip; }
  void SetOnButton(std::function<void(int button, int id)> handler) override {
    on_button_ = std::move(handler);
  }
  bool InNotificationArea() const override;

  // The D-Bus item while one is offered (for diagnostics), or nullptr.
  const StatusNotifierItem* Item() const { return item_.get(); }

 private:
  // Offers the icon the way the desktop takes it now (see the header comment).
  void Offer();
  void OnButton(int button);
  void OnItemState(StatusNotifierItem::State state);
  // The unique name of the watcher's owner now, or empty.
  std::string WatcherOwner() const;

  static void OnWatcherAppeared(GDBusConnection* bus, const gchar* name, const gchar* owner,
                                gpointer self);
  static void OnWatcherVanished(GDBusConnection* bus, const gchar* name, gpointer self);

  TrayIconSettings settings_;
  glib::GObjectPtr<GdkPixbuf> picture_;
  std::function<void(int, int)> on_button_;
  XEmbedTrayIcon xembed_;
  glib::GObjectPtr<GDBusConnection> bus_;  // null without a session bus
  guint watch_id_ = 0;
  std::string watcher_owner_;  // empty while no watcher is on the bus
  bool item_failed_ = false;   // the watcher refused the item: XEmbed until it changes
  std::unique_ptr<StatusNotifierItem> item_;
};

}  // namespace tovarin::platform::gtk
