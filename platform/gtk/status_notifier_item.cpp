#include "platform/gtk/status_notifier_item.h"

#include <unistd.h>

#include <algorithm>
#include <array>

namespace tovarin::platform::gtk {

namespace {

constexpr const char* kInterfaceName = "org.kde.StatusNotifierItem";

// The item's interface as hosts expect it. The New* signals are part of the interface; the
// values they announce never change while an item exists (a change of the icon's presence
// makes a new item), so none is ever emitted.
constexpr const char* kInterfaceXml = R"xml(<node>
  <interface name="org.kde.StatusNotifierItem">
    <property name="Category" type="s" access="read"/>
    <property name="Id" type="s" access="read"/>
    <property name="Title" type="s" access="read"/>
    <property name="Status" type="s" access="read"/>
    <property name="WindowId" type="i" access="read"/>
    <property name="IconThemePath" type="s" access="read"/>
    <property name="IconName" type="s" access="read"/>
    <property name="IconPixmap" type="a(iiay)" access="read"/>
    <property name="OverlayIconName" type="s" access="read"/>
    <property name="OverlayIconPixmap" type="a(iiay)" access="read"/>
    <property name="AttentionIconName" type="s" access="read"/>
    <property name="AttentionIconPixmap" type="a(iiay)" access="read"/>
    <property name="AttentionMovieName" type="s" access="read"/>
    <property name="ToolTip" type="(sa(iiay)ss)" access="read"/>
    <property name="ItemIsMenu" type="b" access="read"/>
    <property name="Menu" type="o" access="read"/>
    <method name="ContextMenu"><arg name="x" type="i" direction="in"/><arg name="y" type="i" direction="in"/></method>
    <method name="Activate"><arg name="x" type="i" direction="in"/><arg name="y" type="i" direction="in"/></method>
    <method name="SecondaryActivate"><arg name="x" type="i" direction="in"/><arg name="y" type="i" direction="in"/></method>
    <method name="Scroll"><arg name="delta" type="i" direction="in"/><arg name="orientation" type="s" direction="in"/></method>
    <signal name="NewTitle"/>
    <signal name="NewIcon"/>
    <signal name="NewAttentionIcon"/>
    <signal name="NewOverlayIcon"/>
    <signal name="NewToolTip"/>
    <signal name="NewStatus"><arg name="status" type="s"/></signal>
  </interface>
</node>)xml";

// Panel sizes a host commonly draws at; the picture is offered scaled down to each of them
// that is smaller than the picture itself.
constexpr std::array<int, 6> kPanelSizes = {64, 48, 32, 24, 22, 16};

// One (width, height, ARGB32 bytes in network order) entry of an icon pixmap.
GVariant* PixmapEntry(GdkPixbuf* picture) {
  const int width = gdk_pixbuf_get_width(picture);
  const int height = gdk_pixbuf_get_height(picture);
  const int channels = gdk_pixbuf_get_n_channels(picture);
  const int stride = gdk_pixbuf_get_rowstride(picture);
  const bool alpha = gdk_pixbuf_get_has_alpha(picture) != FALSE;
  const guchar* pixels = gdk_pixbuf_read_pixels(picture);
  std::vector<guchar> argb(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
  std::size_t at = 0;
  for (int y = 0; y < height; ++y) {
    const guchar* row = pixels + static_cast<std::ptrdiff_t>(y) * stride;
    for (int x = 0; x < width; ++x) {
      const guchar* pixel = row + static_cast<std::ptrdiff_t>(x) * channels;
      argb[at++] = alpha ? pixel[3] : 0xFF;
      argb[at++] = pixel[0];
      argb[at++] = pixel[1];
      argb[at++] = pixel[2];
    }
  }
  GVariant* bytes = g_variant_new_fixed_array(G_VARIANT_TYPE_BYTE, argb.data(), argb.size(), 1);
  return g_variant_new("(ii@ay)", width, height, bytes);
}

// The picture at its own size, then scaled down to the smaller panel sizes (aspect kept).
GVariant* Pixmaps(GdkPixbuf* picture) {
  GVariantBuilder builder;
  g_variant_builder_init(&builder, G_VARIANT_TYPE("a(iiay)"));
  if (picture != nullptr && gdk_pixbuf_get_width(picture) > 0 &&
      gdk_pixbuf_get_height(picture) > 0) {
    const int width = gdk_pixbuf_get_width(picture);
    const int height = gdk_pixbuf_get_height(picture);
    g_variant_builder_add_value(&builder, PixmapEntry(picture));
    for (int size : kPanelSizes) {
      if (size >= width) continue;
      const int scaled_height = std::max(1, height * size / width);
      glib::GObjectPtr<GdkPixbuf> scaled(
          gdk_pixbuf_scale_simple(picture, size, scaled_height, GDK_INTERP_BILINEAR));
      if (scaled) g_variant_builder_add_value(&builder, PixmapEntry(scaled.get()));
    }
  }
  return g_variant_ref_sink(g_variant_builder_end(&builder));
}

GVariant* EmptyPixmaps() { return g_variant_new_array(G_VARIANT_TYPE("(iiay)"), nullptr, 0); }

}  // namespace

StatusNotifierItem::StatusNotifierItem(GDBusConnection* bus, int id, GdkPixbuf* picture,
                                       std::string tool_tip, std::function<void(int)> on_button,
                                       std::function<void(State)> on_state)
    : bus_(glib::GObjectPtr<GDBusConnection>(G_DBUS_CONNECTION(g_object_ref(bus)))),
      bus_name_("org.kde.StatusNotifierItem-" + std::to_string(getpid()) + "-" +
                std::to_string(id)),
      tool_tip_(std::move(tool_tip)),
      on_button_(std::move(on_button)),
      on_state_(std::move(on_state)),
      interface_info_(g_dbus_node_info_new_for_xml(kInterfaceXml, nullptr)),
      pixmaps_(Pixmaps(picture)),
      cancellable_(g_cancellable_new()),
      has_picture_(picture != nullptr) {
  Export();
  // The watcher is asked only once the name is ours: it reads the item through that name.
  name_id_ = g_bus_own_name_on_connection(bus_.get(), bus_name_.c_str(),
                                          G_BUS_NAME_OWNER_FLAGS_DO_NOT_QUEUE, OnNameAcquired,
                                          OnNameLost, this, nullptr);
}

StatusNotifierItem::~StatusNotifierItem() {
  g_cancellable_cancel(cancellable_.get());
  if (pending_source_ != 0) g_source_remove(pending_source_);
  if (object_id_ != 0) g_dbus_connection_unregister_object(bus_.get(), object_id_);
  if (name_id_ != 0) g_bus_unown_name(name_id_);
}

void StatusNotifierItem::Export() {
  static const GDBusInterfaceVTable kVTable = {OnMethodCall, OnGetProperty, nullptr, {}};
  GDBusInterfaceInfo* interface =
      g_dbus_node_info_lookup_interface(interface_info_.get(), kInterfaceName);
  GError* error = nullptr;
  object_id_ = g_dbus_connection_register_object(bus_.get(), kObjectPath, interface, &kVTable, this,
                                                 nullptr, &error);
  if (object_id_ == 0) {
    g_message("tovarin: the tray item cannot be exported: %s",
              error != nullptr ? error->message : "?");
    if (error != nullptr) g_error_free(error);
    state_ = State::kFailed;  // told to the owner when the name is acquired or lost
  }
}

void StatusNotifierItem::Register() {
  g_dbus_connection_call(bus_.get(), kWatcherName, "/StatusNotifierWatcher", kWatcherName,
                         "RegisterStatusNotifierItem", g_variant_new("(s)", bus_name_.c_str()),
                         nullptr, G_DBUS_CALL_FLAGS_NONE, -1, cancellable_.get(), OnRegistered,
                         this);
}

void StatusNotifierItem::SetState(State state) {
  state_ = state;
  // A copy: the owner may destroy this item from inside the notification.
  std::function<void(State)> notify = on_state_;
  if (notify) glib::GuardCallback([&] { notify(state); });
}

void StatusNotifierItem::OnNameAcquired(GDBusConnection* /*bus*/, const gchar* /*name*/,
                                        gpointer self) {
  auto* item = static_cast<StatusNotifierItem*>(self);
  if (item->state_ == State::kFailed) {
    item->SetState(State::kFailed);
    return;
  }
  item->Register();
}

void StatusNotifierItem::OnNameLost(GDBusConnection* /*bus*/, const gchar* name, gpointer self) {
  auto* item = static_cast<StatusNotifierItem*>(self);
  g_message("tovarin: the tray item has lost (or never got) the name %s", name);
  item->SetState(State::kFailed);
}

void StatusNotifierItem::OnRegistered(GObject* source, GAsyncResult* result, gpointer self) {
  GError* error = nullptr;
  GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error);
  if (reply != nullptr) g_variant_unref(reply);
  if (error != nullptr && g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED)) {
    g_error_free(error);  // the item is gone
    return;
  }
  auto* item = static_cast<StatusNotifierItem*>(self);
  if (error != nullptr) {
    g_message("tovarin: the tray watcher refused the item: %s", error->message);
    g_error_free(error);
    item->SetState(State::kFailed);
    return;
  }
  item->SetState(State::kRegistered);
}

void StatusNotifierItem::OnMethodCall(GDBusConnection* /*bus*/, const gchar* /*sender*/,
                                      const gchar* /*path*/, const gchar* /*interface*/,
                                      const gchar* method, GVariant* /*parameters*/,
                                      GDBusMethodInvocation* invocation, gpointer self) {
  // GDBus has checked the arguments against the interface; the position is not needed, as
  // the menu opens at the pointer like the XEmbed icon's.
  const std::string_view name = method;
  int button = 0;
  if (name == "Activate") button = 1;
  if (name == "ContextMenu") button = 2;
  if (name == "SecondaryActivate") button = 4;
  g_dbus_method_invocation_return_value(invocation, nullptr);
  if (button != 0) static_cast<StatusNotifierItem*>(self)->Dispatch(button);
}

GVariant* StatusNotifierItem::OnGetProperty(GDBusConnection* /*bus*/, const gchar* /*sender*/,
                                            const gchar* /*path*/, const gchar* /*interface*/,
                                            const gchar* name, GError** error, gpointer self) {
  GVariant* value = static_cast<const StatusNotifierItem*>(self)->Property(name);
  if (value == nullptr) {
    g_set_error(error, G_DBUS_ERROR, G_DBUS_ERROR_UNKNOWN_PROPERTY, "no property %s", name);
  }
  return value;
}

GVariant* StatusNotifierItem::Property(const char* name) const {
  const std::string_view property = name;
  if (property == "Category") return g_variant_new_string("ApplicationStatus");
  if (property == "Id") return g_variant_new_string("tovarin");
  if (property == "Title") return g_variant_new_string(tool_tip_.c_str());
  if (property == "Status") return g_variant_new_string("Active");
  if (property == "WindowId") return g_variant_new_int32(0);
  if (property == "IconName")
    return g_variant_new_string(has_picture_ ? "" : "application-x-executable");
  if (property == "IconPixmap") return g_variant_ref(pixmaps_.get());
  if (property == "IconThemePath" || property == "OverlayIconName" ||
      property == "AttentionIconName" || property == "AttentionMovieName") {
    return g_variant_new_string("");
  }
  if (property == "OverlayIconPixmap" || property == "AttentionIconPixmap") return EmptyPixmaps();
  if (property == "ToolTip")
    return g_variant_new("(s@a(iiay)ss)", "", EmptyPixmaps(), tool_tip_.c_str(), "");
  if (property == "ItemIsMenu") return g_variant_new_boolean(FALSE);
  if (property == "Menu") return g_variant_new_object_path("/NO_DBUSMENU");
  return nullptr;
}

void StatusNotifierItem::Dispatch(int button) {
  pending_buttons_.push_back(button);
  if (pending_source_ == 0) pending_source_ = g_idle_add(OnPendingButton, this);
}

gboolean StatusNotifierItem::OnPendingButton(gpointer self) {
  auto* item = static_cast<StatusNotifierItem*>(self);
  item->pending_source_ = 0;
  std::vector<int> buttons = std::move(item->pending_buttons_);
  item->pending_buttons_.clear();
  // Copies: a handler may destroy this item (the exit item of the menu); the events after it
  // are then dropped, as the icon they were meant for is gone.
  std::weak_ptr<int> alive = item->alive_;
  std::function<void(int)> handler = item->on_button_;
  for (int button : buttons) {
    if (alive.expired()) break;
    if (handler) glib::GuardCallback([&] { handler(button); });
  }
  return G_SOURCE_REMOVE;
}

}  // namespace tovarin::platform::gtk
