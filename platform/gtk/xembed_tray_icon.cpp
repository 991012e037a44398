#include "platform/gtk/xembed_tray_icon.h"

// GtkStatusIcon is GTK 3's XEmbed tray icon; it is marked deprecated in favour of
// desktop-specific replacements that a plain X session does not have.
G_GNUC_BEGIN_IGNORE_DEPRECATIONS

namespace tovarin::platform::gtk {

XEmbedTrayIcon::XEmbedTrayIcon(GdkPixbuf* picture, const std::string& tool_tip,
                               std::function<void(int)> on_button)
    : icon_(picture != nullptr ? gtk_status_icon_new_from_pixbuf(picture)
                               : gtk_status_icon_new_from_icon_name("application-x-executable")),
      on_button_(std::move(on_button)) {
  gtk_status_icon_set_visible(icon_.get(), FALSE);
  gtk_status_icon_set_tooltip_text(icon_.get(), tool_tip.c_str());
  gtk_status_icon_set_title(icon_.get(), tool_tip.c_str());
  gtk_status_icon_set_name(icon_.get(), "tovarin");
  g_signal_connect(icon_.get(), "button-press-event", G_CALLBACK(OnButtonPress), this);
}

XEmbedTrayIcon::~XEmbedTrayIcon() {
  g_signal_handlers_disconnect_by_data(icon_.get(), this);
  gtk_status_icon_set_visible(icon_.get(), FALSE);
}

void XEmbedTrayIcon::SetVisible(bool visible) {
  gtk_status_icon_set_visible(icon_.get(), visible ? TRUE : FALSE);
}

bool XEmbedTrayIcon::Embedded() const {
  return gtk_status_icon_get_visible(icon_.get()) != FALSE &&
         gtk_status_icon_is_embedded(icon_.get()) != FALSE;
}

gboolean XEmbedTrayIcon::OnButtonPress(GtkStatusIcon* /*icon*/, GdkEventButton* event,
                                       gpointer self) {
  auto* tray = static_cast<XEmbedTrayIcon*>(self);
  if (event->type != GDK_BUTTON_PRESS) return TRUE;  // double clicks come as presses too
  int button = 0;
  if (event->button == 1) button = 1;
  if (event->button == 3) button = 2;
  if (event->button == 2) button = 4;
  if (button != 0 && tray->on_button_) glib::GuardCallback([&] { tray->on_button_(button); });
  return TRUE;
}

}  // namespace tovarin::platform::gtk

G_GNUC_END_IGNORE_DEPRECATIONS
