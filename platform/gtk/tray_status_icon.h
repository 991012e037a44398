#pragma once
// GtkTrayIcon: the notification-area icon on GtkStatusIcon (the XEmbed system tray). The
// icon is in the tray while the object exists and InTray is true; destroying the object takes
// it away. A press of a mouse button on the icon raises the button event (1 left, 2 right,
// 4 middle) with the icon's identifier.

#include <gtk/gtk.h>

#include <functional>
#include <string>

#include "platform/gtk/form_window_gobject.h"
#include "platform/tray_icon.h"

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
  void SetOnButton(std::function<void(int button, int id)> handler) override { on_button_ = std::move(handler); }

 private:
  static gboolean OnButtonPress(GtkStatusIcon* icon, GdkEventButton* event, gpointer self);

  TrayIconSettings settings_;
  GObjectRef<GtkStatusIcon> icon_;
  std::function<void(int, int)> on_button_;
};

}  // namespace tovarin::platform::gtk
