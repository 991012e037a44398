#include "platform/gtk/tray_icon_gtk.h"

namespace tovarin::platform::gtk {

namespace {

constexpr int kBusCallTimeoutMs = 2000;

GdkPixbuf* LoadPicture(const std::string& path) {
  if (path.empty()) return nullptr;
  GError* error = nullptr;
  GdkPixbuf* picture = gdk_pixbuf_new_from_file(path.c_str(), &error);
  if (picture == nullptr) {
    g_message("tovarin: the tray picture %s cannot be read: %s", path.c_str(),
              error != nullptr ? error->message : "?");
    if (error != nullptr) g_error_free(error);
  }
  return picture;
}

bool SessionBusAddressKnown() {
  const char* address = g_getenv("DBUS_SESSION_BUS_ADDRESS");
  if (address != nullptr) return *address != '\0';
  const char* runtime = g_getenv("XDG_RUNTIME_DIR");
  if (runtime == nullptr || *runtime == '\0') return false;
  const std::string socket = std::string(runtime) + "/bus";
  return g_file_test(socket.c_str(), G_FILE_TEST_EXISTS) != FALSE;
}

// A connection of the tray's own to the session bus, or null. Its own, so that the bus going
// away closes only this connection (the shared one would end the process with it).
GDBusConnection* ConnectToSessionBus() {
  if (!SessionBusAddressKnown()) return nullptr;
  GError* error = nullptr;
  gchar* address = g_dbus_address_get_for_bus_sync(G_BUS_TYPE_SESSION, nullptr, &error);
  GDBusConnection* bus = nullptr;
  if (address != nullptr) {
    bus = g_dbus_connection_new_for_address_sync(
        address,
        static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                          G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, &error);
    g_free(address);
  }
  if (bus == nullptr) {
    g_message("tovarin: no session bus for the tray icon: %s",
              error != nullptr ? error->message : "?");
    if (error != nullptr) g_error_free(error);
    return nullptr;
  }
  g_dbus_connection_set_exit_on_close(bus, FALSE);
  return bus;
}

}  // namespace

GtkTrayIcon::GtkTrayIcon(const TrayIconSettings& settings)
    : settings_(settings),
      picture_(LoadPicture(settings.icon_path)),
      xembed_(picture_.get(), settings.tool_tip, [this](int button) { OnButton(button); }),
      bus_(ConnectToSessionBus()) {
  if (bus_) {
    // Decided now, so the icon shows one way from the start; the watch then follows changes
    // (its first report, for the same owner, changes nothing).
    watcher_owner_ = WatcherOwner();
    watch_id_ = g_bus_watch_name_on_connection(bus_.get(), StatusNotifierItem::kWatcherName,
                                               G_BUS_NAME_WATCHER_FLAGS_NONE, OnWatcherAppeared,
                                               OnWatcherVanished, this, nullptr);
  }
  Offer();
}

GtkTrayIcon::~GtkTrayIcon() {
  if (watch_id_ != 0) g_bus_unwatch_name(watch_id_);
  item_.reset();
  if (bus_) g_dbus_connection_close_sync(bus_.get(), nullptr, nullptr);
}

void GtkTrayIcon::SetInTray(bool in_tray) {
  settings_.in_tray = in_tray;
  Offer();
}

bool GtkTrayIcon::InNotificationArea() const {
  if (!settings_.in_tray) return false;
  if (item_) return item_->CurrentState() == StatusNotifierItem::State::kRegistered;
  return xembed_.Embedded();
}

void GtkTrayIcon::Offer() {
  const bool as_item = settings_.in_tray && bus_ && !watcher_owner_.empty() && !item_failed_;
  if (as_item && !item_) {
    item_ = std::make_unique<StatusNotifierItem>(
        bus_.get(), settings_.id, picture_.get(), settings_.tool_tip,
        [this](int button) { OnButton(button); },
        [this](StatusNotifierItem::State state) { OnItemState(state); });
  }
  if (!as_item) item_.reset();
  xembed_.SetVisible(settings_.in_tray && !as_item);
}

void GtkTrayIcon::OnButton(int button) {
  if (on_button_) on_button_(button, settings_.id);
}

void GtkTrayIcon::OnItemState(StatusNotifierItem::State state) {
  if (state != StatusNotifierItem::State::kFailed) return;
  // Refused by this watcher: the XEmbed icon stands in until another watcher comes.
  item_failed_ = true;
  Offer();
}

std::string GtkTrayIcon::WatcherOwner() const {
  GError* error = nullptr;
  GVariant* reply = g_dbus_connection_call_sync(
      bus_.get(), "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
      "GetNameOwner", g_variant_new("(s)", StatusNotifierItem::kWatcherName), G_VARIANT_TYPE("(s)"),
      G_DBUS_CALL_FLAGS_NONE, kBusCallTimeoutMs, nullptr, &error);
  if (reply == nullptr) {
    g_error_free(error);  // no owner (or no answer): no watcher
    return {};
  }
  const gchar* owner = nullptr;
  g_variant_get(reply, "(&s)", &owner);
  std::string result = owner != nullptr ? owner : "";
  g_variant_unref(reply);
  return result;
}

void GtkTrayIcon::OnWatcherAppeared(GDBusConnection* /*bus*/, const gchar* /*name*/,
                                    const gchar* owner, gpointer self) {
  auto* tray = static_cast<GtkTrayIcon*>(self);
  glib::GuardCallback([&] {
    if (tray->watcher_owner_ == owner) return;
    // A new watcher knows nothing of an item registered with the one before.
    tray->item_.reset();
    tray->item_failed_ = false;
    tray->watcher_owner_ = owner;
    tray->Offer();
  });
}

void GtkTrayIcon::OnWatcherVanished(GDBusConnection* /*bus*/, const gchar* /*name*/,
                                    gpointer self) {
  auto* tray = static_cast<GtkTrayIcon*>(self);
  glib::GuardCallback([&] {
    tray->watcher_owner_.clear();
    tray->item_failed_ = false;
    tray->Offer();
  });
}

}  // namespace tovarin::platform::gtk
