#pragma once
// StatusNotifierItem: the program's icon offered over D-Bus to the StatusNotifierWatcher of the
// session bus, the way KDE Plasma, GNOME's AppIndicator extension, Cinnamon, MATE, Xfce, LXQt
// and waybar show tray icons.
//
// The item owns the name "org.kde.StatusNotifierItem-<pid>-<id>", exports the interface
// org.kde.StatusNotifierItem at /StatusNotifierItem and registers that name with
// org.kde.StatusNotifierWatcher. Destroying the item unexports the object and releases the
// name, so the watcher drops the icon at once.
//
// Properties: Category "ApplicationStatus", Id "tovarin", Title and ToolTip title from the
// tooltip, Status "Active", ItemIsMenu false (the host calls ContextMenu instead of showing a
// menu of its own), Menu "/NO_DBUSMENU", IconPixmap holding the picture at its own size and
// scaled down to the usual panel sizes (ARGB32, bytes in network order).
// Methods: Activate and SecondaryActivate (x, y on the screen) and ContextMenu raise the
// button event with 1, 4 and 2 (as the left, middle and right buttons of an XEmbed icon do);
// Scroll does nothing. Each call is answered first and its button event runs afterwards from
// the main loop, so a pop-up menu's nested loop never runs inside a D-Bus dispatch.

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gio/gio.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/glib/callback_guard.h"
#include "platform/glib/glib_holders.h"

namespace tovarin::platform::gtk {

class StatusNotifierItem {
 public:
  enum class State { kRegistering, kRegistered, kFailed };

  // Starts at once: takes the name, exports the object and asks the watcher to register it.
  // `picture` may be null (then the icon is named "application-x-executable"). `on_button`
  // gets 1, 2 or 4; `on_state` is told when registration succeeds or fails.
  StatusNotifierItem(GDBusConnection* bus, int id, GdkPixbuf* picture, std::string tool_tip,
                     std::function<void(int button)> on_button,
                     std::function<void(State)> on_state);
  ~StatusNotifierItem();
  StatusNotifierItem(const StatusNotifierItem&) = delete;
  StatusNotifierItem& operator=(const StatusNotifierItem&) = delete;

  State CurrentState() const { return state_; }
  const std::string& BusName() const { return bus_name_; }

  static constexpr const char* kObjectPath = "/StatusNotifierItem";
  static constexpr const char* kWatcherName = "org.kde.StatusNotifierWatcher";

 private:
  struct NodeInfoDeleter {
    void operator()(GDBusNodeInfo* info) const { g_dbus_node_info_unref(info); }
  };
  struct VariantDeleter {
    void operator()(GVariant* value) const { g_variant_unref(value); }
  };

  void Export();
  void Register();
  void SetState(State state);
  GVariant* Property(const char* name) const;
  void Dispatch(int button);

  static void OnMethodCall(GDBusConnection* bus, const gchar* sender, const gchar* path,
                           const gchar* interface, const gchar* method, GVariant* parameters,
                           GDBusMethodInvocation* invocation, gpointer self);
  static GVariant* OnGetProperty(GDBusConnection* bus, const gchar* sender, const gchar* path,
                                 const gchar* interface, const gchar* name, GError** error,
                                 gpointer self);
  static void OnNameAcquired(GDBusConnection* bus, const gchar* name, gpointer self);
  static void OnNameLost(GDBusConnection* bus, const gchar* name, gpointer self);
  static void OnRegistered(GObject* source, GAsyncResult* result, gpointer self);
  static gboolean OnPendingButton(gpointer self);

  glib::GObjectPtr<GDBusConnection> bus_;
  std::string bus_name_;
  std::string tool_tip_;
  std::function<void(int)> on_button_;
  std::function<void(State)> on_state_;
  std::unique_ptr<GDBusNodeInfo, NodeInfoDeleter> interface_info_;
  std::unique_ptr<GVariant, VariantDeleter> pixmaps_;  // a(iiay), floating reference sunk
  glib::GObjectPtr<GCancellable> cancellable_;         // cancels the pending registration call
  bool has_picture_ = false;
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);  // expires with the item
  guint object_id_ = 0;
  guint name_id_ = 0;
  guint pending_source_ = 0;          // the idle source that raises the pending button events
  std::vector<int> pending_buttons_;  // in the order the calls came
  State state_ = State::kRegistering;
};

}  // namespace tovarin::platform::gtk
