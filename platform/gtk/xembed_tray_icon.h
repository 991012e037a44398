#pragma once
// XEmbedTrayIcon: the notification-area icon on GtkStatusIcon (the XEmbed system tray of X
// desktops such as trayer, stalonetray or a panel's systray applet). The icon shows while the
// object exists and is visible; destroying the object takes it away. A press of a mouse button
// on the icon raises the button event (1 left, 2 right, 4 middle).

#include <gtk/gtk.h>

#include <functional>
#include <string>

#include "platform/glib/callback_guard.h"
#include "platform/glib/glib_holders.h"

namespace tovarin::platform::gtk {

class XEmbedTrayIcon {
 public:
  // `picture` may be null (then the icon is named "application-x-executable"). Made hidden.
  XEmbedTrayIcon(GdkPixbuf* picture, const std::string& tool_tip,
                 std::function<void(int button)> on_button);
  ~XEmbedTrayIcon();
  XEmbedTrayIcon(const XEmbedTrayIcon&) = delete;
  XEmbedTrayIcon& operator=(const XEmbedTrayIcon&) = delete;

  void SetVisible(bool visible);
  // Whether a tray holds the icon now: visible and embedded in a tray's window.
  bool Embedded() const;

 private:
  static gboolean OnButtonPress(GtkStatusIcon* icon, GdkEventButton* event, gpointer self);

  glib::GObjectPtr<GtkStatusIcon> icon_;
  std::function<void(int)> on_button_;
};

}  // namespace tovarin::platform::gtk
