#include "platform/gtk/tray_status_icon.h"

// GtkStatusIcon is GTK 3's XEmbed tray icon; it is marked deprecated in favour of
// desktop-specific replacements that a plain X session does not have.
G_GNUC_BEGIN_IGNORE_DEPRECATIONS

namespace tovarin::platform::gtk {

GtkTrayIcon::GtkTrayIcon(const TrayIconSettings& settings) : settings_(settings) {
  GdkPixbuf* picture = nullptr;
  if (!settings.icon_path.empty()) picture = gdk_pixbuf_new_from_file(settings.icon_path.c_str(), nullptr);
  icon_ = GObjectRef<GtkStatusIcon>(picture != nullptr ? gtk_status_icon_new_from_pixbuf(picture)
                                                       : gtk_status_icon_new_from_icon_name("application-x-executable"));
  if (picture != nullptr) g_object_unref(picture);
  gtk_status_icon_set_tooltip_text(icon_.get(), settings.tool_tip.c_str());
  gtk_status_icon_set_title(icon_.get(), settings.tool_tip.c_str());
  gtk_status_icon_set_name(icon_.get(), "tovarin");
  g_signal_connect(icon_.get(), "button-press-event", G_CALLBACK(OnButtonPress), this);
  gtk_status_icon_set_visible(icon_.get(), settings.in_tray ? TRUE : FALSE);
}

GtkTrayIcon::~GtkTrayIcon() {
  g_signal_handlers_disconnect_by_data(icon_.get(), this);
  gtk_status_icon_set_visible(icon_.get(), FALSE);
}

void GtkTrayIcon::SetInTray(bool in_tray) {
  settings_.in_tray = in_tray;
  gtk_status_icon_set_visible(icon_.get(), in_tray ? TRUE : FALSE);
}

gboolean GtkTrayIcon::OnButtonPress(GtkStatusIcon* /*icon*/, GdkEventButton* event, gpointer self) {
  auto* tray = static_cast<GtkTrayIcon*>(self);
  if (event->type != GDK_BUTTON_PRESS) return TRUE;  // double clicks come as presses too
  int button = 0;
  if (event->button == 1) button = 1;
  if (event->button == 3) button = 2;
  if (event->button == 2) button = 4;
  if (button != 0 && tray->on_button_) GuardCallback([&] { tray->on_button_(button, tray->settings_.id); });
  return TRUE;
}

}  // namespace tovarin::platform::gtk

G_GNUC_END_IGNORE_DEPRECATIONS
