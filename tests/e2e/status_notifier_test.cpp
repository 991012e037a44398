// The tray icon on desktops that show StatusNotifierItems: the real program on a private
// session bus of its own (dbus-daemon, as dbus-run-session starts one), with a small watcher
// in this process owning org.kde.StatusNotifierWatcher, and on a desktop with no tray of any
// kind, where the hide button minimises the window (a window manager, openbox, runs there).
#include <fcntl.h>
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gio/gio.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <future>
#include <mutex>

#include "tests/e2e/e2e_support.h"

namespace tovarin::e2e {
namespace {

constexpr auto kWindowWait = 90s;
constexpr auto kEventWait = 20s;
constexpr const char* kWatcherName = "org.kde.StatusNotifierWatcher";
constexpr const char* kItemInterface = "org.kde.StatusNotifierItem";

std::string ProgramPath() { return std::string(TOVARIN_BINARY_DIR) + "/shell/tovarin"; }
std::string IconPath() { return std::string(TOVARIN_BINARY_DIR) + "/shell/pictures/tovarin.ico"; }

struct VariantDeleter {
  void operator()(GVariant* value) const { g_variant_unref(value); }
};
using Variant = std::unique_ptr<GVariant, VariantDeleter>;

// A session bus of the test's own: dbus-daemon with the session configuration, listening on a
// socket in `folder`, ended with the test.
class SessionBus {
 public:
  explicit SessionBus(const std::string& folder) {
    int out[2];
    if (pipe(out) != 0) return;
    const int log =
        open((folder + "/dbus.log").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    pid_ = fork();
    if (pid_ == 0) {
      dup2(out[1], 3);
      dup2(log, 2);
      const std::string address = "--address=unix:path=" + folder + "/bus";
      execlp("dbus-daemon", "dbus-daemon", "--session", "--nofork", "--nopidfile", address.c_str(),
             "--print-address=3", nullptr);
      _exit(127);
    }
    close(out[1]);
    close(log);
    // The address is printed once the daemon listens.
    pollfd readable{out[0], POLLIN, 0};
    char c;
    while (poll(&readable, 1, 30000) > 0 && read(out[0], &c, 1) == 1 && c != '\n') address_ += c;
    close(out[0]);
  }
  ~SessionBus() { StopProcess(pid_); }
  bool Ready() const { return !address_.empty(); }
  const std::string& Address() const { return address_; }

 private:
  pid_t pid_ = -1;
  std::string address_;
};

GDBusConnection* Connect(const std::string& address) {
  return g_dbus_connection_new_for_address_sync(
      address.c_str(),
      static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                        G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
      nullptr, nullptr, nullptr);
}

// Calls `method` and returns its reply, or null (with the error's message in `error_text`).
Variant Call(GDBusConnection* bus, const std::string& name, const char* path, const char* interface,
             const char* method, GVariant* parameters, std::string* error_text = nullptr) {
  GError* error = nullptr;
  GVariant* reply =
      g_dbus_connection_call_sync(bus, name.c_str(), path, interface, method, parameters, nullptr,
                                  G_DBUS_CALL_FLAGS_NONE, 10000, nullptr, &error);
  if (error != nullptr) {
    if (error_text != nullptr) *error_text = error->message;
    g_error_free(error);
  }
  return Variant(reply);
}

bool NameHasOwner(GDBusConnection* bus, const std::string& name) {
  Variant reply = Call(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                       "NameHasOwner", g_variant_new("(s)", name.c_str()));
  gboolean owned = FALSE;
  if (reply) g_variant_get(reply.get(), "(b)", &owned);
  return owned != FALSE;
}

// The watcher side of the protocol, on its own connection and main loop (a thread): it owns
// the watcher name, takes registrations and records them.
class TestWatcher {
 public:
  explicit TestWatcher(const std::string& address) : address_(address) {
    std::promise<bool> ready;
    std::future<bool> started = ready.get_future();
    thread_ = std::thread([this, &ready] { Serve(ready); });
    ready_ = started.get();
  }
  ~TestWatcher() { Stop(); }

  bool Ready() const { return ready_; }
  // Releases the name and ends the connection: to the bus, the watcher is gone.
  void Stop() {
    if (!thread_.joinable()) return;
    g_main_loop_quit(loop_);
    thread_.join();
  }
  // The services registered so far, in order.
  std::vector<std::string> Registered() {
    std::lock_guard lock(mutex_);
    return registered_;
  }
  bool WaitForRegistrations(std::size_t count, std::chrono::milliseconds timeout) {
    return WaitUntil([&] { return Registered().size() >= count; }, timeout);
  }

 private:
  void Serve(std::promise<bool>& ready) {
    GMainContext* context = g_main_context_new();
    g_main_context_push_thread_default(context);
    loop_ = g_main_loop_new(context, FALSE);
    GDBusConnection* bus = Connect(address_);
    bool ok = bus != nullptr;
    guint object = 0;
    GDBusNodeInfo* info = g_dbus_node_info_new_for_xml(
        "<node><interface name='org.kde.StatusNotifierWatcher'>"
        "<method name='RegisterStatusNotifierItem'><arg name='service' type='s' "
        "direction='in'/></method>"
        "<method name='RegisterStatusNotifierHost'><arg name='service' type='s' "
        "direction='in'/></method>"
        "<property name='RegisteredStatusNotifierItems' type='as' access='read'/>"
        "<property name='IsStatusNotifierHostRegistered' type='b' access='read'/>"
        "<property name='ProtocolVersion' type='i' access='read'/>"
        "<signal name='StatusNotifierItemRegistered'><arg type='s'/></signal>"
        "<signal name='StatusNotifierItemUnregistered'><arg type='s'/></signal>"
        "<signal name='StatusNotifierHostRegistered'/>"
        "</interface></node>",
        nullptr);
    static const GDBusInterfaceVTable kVTable = {OnMethodCall, OnGetProperty, nullptr, {}};
    if (ok) {
      object = g_dbus_connection_register_object(bus, "/StatusNotifierWatcher", info->interfaces[0],
                                                 &kVTable, this, nullptr, nullptr);
      Variant reply =
          Call(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
               "RequestName", g_variant_new("(su)", kWatcherName, 4u /* do not queue */));
      guint32 result = 0;
      if (reply) g_variant_get(reply.get(), "(u)", &result);
      ok = object != 0 && result == 1;  // the primary owner
    }
    ready.set_value(ok);
    if (ok) g_main_loop_run(loop_);
    if (object != 0) g_dbus_connection_unregister_object(bus, object);
    if (bus != nullptr) {
      g_dbus_connection_close_sync(bus, nullptr, nullptr);
      g_object_unref(bus);
    }
    g_dbus_node_info_unref(info);
    g_main_loop_unref(loop_);
    g_main_context_pop_thread_default(context);
    g_main_context_unref(context);
  }

  static void OnMethodCall(GDBusConnection* bus, const gchar* sender, const gchar* /*path*/,
                           const gchar* /*interface*/, const gchar* method, GVariant* parameters,
                           GDBusMethodInvocation* invocation, gpointer self) {
    auto* watcher = static_cast<TestWatcher*>(self);
    const gchar* service = nullptr;
    g_variant_get(parameters, "(&s)", &service);
    if (std::string_view(method) == "RegisterStatusNotifierItem") {
      // A path names an object of the sender; a name is the item's service at the usual path.
      const std::string name = service[0] == '/' ? sender : service;
      {
        std::lock_guard lock(watcher->mutex_);
        watcher->registered_.push_back(name);
      }
      g_dbus_connection_emit_signal(bus, nullptr, "/StatusNotifierWatcher", kWatcherName,
                                    "StatusNotifierItemRegistered",
                                    g_variant_new("(s)", name.c_str()), nullptr);
    }
    g_dbus_method_invocation_return_value(invocation, nullptr);
  }

  static GVariant* OnGetProperty(GDBusConnection* /*bus*/, const gchar* /*sender*/,
                                 const gchar* /*path*/, const gchar* /*interface*/,
                                 const gchar* name, GError** /*error*/, gpointer self) {
    auto* watcher = static_cast<TestWatcher*>(self);
    const std::string_view property = name;
    if (property == "IsStatusNotifierHostRegistered") return g_variant_new_boolean(TRUE);
    if (property == "ProtocolVersion") return g_variant_new_int32(0);
    GVariantBuilder names;
    g_variant_builder_init(&names, G_VARIANT_TYPE("as"));
    for (const std::string& item : watcher->Registered())
      g_variant_builder_add(&names, "s", item.c_str());
    return g_variant_builder_end(&names);
  }

  std::string address_;
  GMainLoop* loop_ = nullptr;
  bool ready_ = false;
  std::thread thread_;
  std::mutex mutex_;
  std::vector<std::string> registered_;
};

class StatusNotifierTest : public ::testing::Test {
 protected:
  void TearDown() override {
    if (program_ > 0) StopProcess(program_);
    StopProcess(window_manager_);
    watcher_.reset();
    if (client_ != nullptr) {
      g_dbus_connection_close_sync(client_, nullptr, nullptr);
      g_object_unref(client_);
    }
    bus_.reset();
    x_.reset();
  }

  // An X display (with trayer when asked), a private session bus, and the test's own
  // connection to it.
  void StartSession(bool with_tray) {
    x_ = std::make_unique<XSession>(with_tray);
    ASSERT_TRUE(x_->Ready()) << "Xvfb did not start";
    bus_ = std::make_unique<SessionBus>(x_->Folder());
    ASSERT_TRUE(bus_->Ready()) << "dbus-daemon did not start";
    client_ = Connect(bus_->Address());
    ASSERT_NE(client_, nullptr);
  }
  void StartWatcher() {
    watcher_ = std::make_unique<TestWatcher>(bus_->Address());
    ASSERT_TRUE(watcher_->Ready()) << "the test watcher could not take its name";
  }
  void StartWindowManager() {
    window_manager_ = x_->Start({"openbox", "--sm-disable"}, x_->Folder() + "/openbox.log");
    ASSERT_TRUE(WaitUntil(
        [&] {
          return !x_->Run({"xprop", "-root", "_NET_SUPPORTING_WM_CHECK"}).empty() &&
                 x_->Run({"xprop", "-root", "_NET_SUPPORTING_WM_CHECK"}).find("window id") !=
                     std::string::npos;
        },
        30s))
        << "openbox did not start";
  }
  // The program on the session's bus and display (its own embedded service: no page is needed).
  void StartProgram() {
    program_ =
        x_->Start({ProgramPath()}, x_->Folder() + "/tovarin.log",
                  {"DBUS_SESSION_BUS_ADDRESS=" + bus_->Address(), "TOVARIN_SERVICE_PREFIX="});
    ASSERT_GT(program_, 0);
    ASSERT_TRUE(WaitUntil([&] { return x_->WindowNamed(program_, "Tovarin 1.2").has_value(); },
                          kWindowWait))
        << "no main window";
    main_ = *x_->WindowNamed(program_, "Tovarin 1.2");
  }
  Variant ItemProperty(const std::string& service, const char* name) {
    Variant reply = Call(client_, service, "/StatusNotifierItem", "org.freedesktop.DBus.Properties",
                         "Get", g_variant_new("(ss)", kItemInterface, name));
    if (!reply) return nullptr;
    GVariant* value = nullptr;
    g_variant_get(reply.get(), "(v)", &value);
    return Variant(value);
  }
  std::string StringProperty(const std::string& service, const char* name) {
    Variant value = ItemProperty(service, name);
    return value && g_variant_is_of_type(value.get(), G_VARIANT_TYPE_STRING)
               ? g_variant_get_string(value.get(), nullptr)
               : "<missing>";
  }
  void CallItem(const std::string& service, const char* method, int x, int y) {
    std::string error;
    EXPECT_TRUE(Call(client_, service, "/StatusNotifierItem", kItemInterface, method,
                     g_variant_new("(ii)", x, y), &error))
        << method << ": " << error;
  }
  std::optional<WindowInfo> WaitForNewWindow(const std::vector<WindowInfo>& known) {
    return x_->WaitForNewWindow(program_, known, kEventWait);
  }

  std::unique_ptr<XSession> x_;
  std::unique_ptr<SessionBus> bus_;
  std::unique_ptr<TestWatcher> watcher_;
  GDBusConnection* client_ = nullptr;
  pid_t program_ = -1;
  pid_t window_manager_ = -1;
  WindowInfo main_;
};

// The pixels of `picture` as an icon pixmap holds them: A, R, G, B per pixel.
std::vector<std::uint8_t> ArgbBytes(GdkPixbuf* picture) {
  std::vector<std::uint8_t> bytes;
  const int channels = gdk_pixbuf_get_n_channels(picture);
  const guchar* pixels = gdk_pixbuf_read_pixels(picture);
  for (int y = 0; y < gdk_pixbuf_get_height(picture); ++y) {
    for (int x = 0; x < gdk_pixbuf_get_width(picture); ++x) {
      const guchar* p = pixels + y * gdk_pixbuf_get_rowstride(picture) + x * channels;
      bytes.insert(bytes.end(), {channels == 4 ? p[3] : std::uint8_t{255}, p[0], p[1], p[2]});
    }
  }
  return bytes;
}

TEST_F(StatusNotifierTest,
       ItemShowsTheIconAndTooltipRestoresTheWindowOpensTheMenuAndLeavesWithTheProgram) {
  ASSERT_NO_FATAL_FAILURE(StartSession(false));
  ASSERT_NO_FATAL_FAILURE(StartWatcher());
  ASSERT_NO_FATAL_FAILURE(StartProgram());
  ASSERT_TRUE(watcher_->WaitForRegistrations(1, kEventWait)) << "the item never registered";
  const std::string item = watcher_->Registered()[0];
  EXPECT_EQ(item.rfind("org.kde.StatusNotifierItem-" + std::to_string(program_) + "-", 0), 0u)
      << item;

  // What a host reads of the item.
  EXPECT_EQ(StringProperty(item, "Category"), "ApplicationStatus");
  EXPECT_EQ(StringProperty(item, "Status"), "Active");
  EXPECT_EQ(StringProperty(item, "Title"), "Tovarin1.2");
  Variant tool_tip = ItemProperty(item, "ToolTip");
  ASSERT_TRUE(tool_tip);
  ASSERT_TRUE(g_variant_is_of_type(tool_tip.get(), G_VARIANT_TYPE("(sa(iiay)ss)")));
  const gchar* tip_title = nullptr;
  g_variant_get_child(tool_tip.get(), 2, "&s", &tip_title);
  EXPECT_STREQ(tip_title, "Tovarin1.2");
  Variant is_menu = ItemProperty(item, "ItemIsMenu");
  ASSERT_TRUE(is_menu);
  EXPECT_FALSE(g_variant_get_boolean(is_menu.get()));

  // The icon: the program icon's picture (the largest image of its file), byte for byte, and
  // a 16-pixel one for small panels.
  GdkPixbuf* icon = gdk_pixbuf_new_from_file(IconPath().c_str(), nullptr);
  ASSERT_NE(icon, nullptr);
  const std::vector<std::uint8_t> expected = ArgbBytes(icon);
  const int icon_width = gdk_pixbuf_get_width(icon);
  const int icon_height = gdk_pixbuf_get_height(icon);
  g_object_unref(icon);
  Variant pixmaps = ItemProperty(item, "IconPixmap");
  ASSERT_TRUE(pixmaps);
  ASSERT_TRUE(g_variant_is_of_type(pixmaps.get(), G_VARIANT_TYPE("a(iiay)")));
  bool full_size_matches = false;
  bool has_16 = false;
  for (gsize i = 0; i < g_variant_n_children(pixmaps.get()); ++i) {
    Variant entry(g_variant_get_child_value(pixmaps.get(), i));
    gint32 width = 0, height = 0;
    g_variant_get_child(entry.get(), 0, "i", &width);
    g_variant_get_child(entry.get(), 1, "i", &height);
    Variant bytes(g_variant_get_child_value(entry.get(), 2));
    gsize size = 0;
    const auto* data =
        static_cast<const std::uint8_t*>(g_variant_get_fixed_array(bytes.get(), &size, 1));
    EXPECT_EQ(size, static_cast<gsize>(width) * static_cast<gsize>(height) * 4)
        << width << "x" << height;
    if (width == 16 && height == 16) has_16 = true;
    if (width == icon_width && height == icon_height) {
      full_size_matches = std::vector<std::uint8_t>(data, data + size) == expected;
    }
  }
  EXPECT_TRUE(full_size_matches) << "no " << icon_width << "x" << icon_height
                                 << " pixmap equal to the icon file";
  EXPECT_TRUE(has_16);
  // Only one kind of icon is offered: no XEmbed icon window was made for a tray.
  EXPECT_FALSE(x_->WindowNamed(program_, "Tovarin1.2").has_value());

  // a2 hides the window (a notification area holds the icon); Activate brings it back there.
  x_->Click(main_.x + 196, main_.y + 12, 1);
  ASSERT_TRUE(WaitUntil([&] { return !x_->WindowNamed(program_, "Tovarin 1.2"); }, kEventWait))
      << "a2 did not hide the window";
  CallItem(item, "Activate", 5, 5);
  ASSERT_TRUE(
      WaitUntil([&] { return x_->WindowNamed(program_, "Tovarin 1.2").has_value(); }, kEventWait))
      << "Activate did not show the window";
  const WindowInfo back = *x_->WindowNamed(program_, "Tovarin 1.2");
  EXPECT_EQ(back.x, main_.x);
  EXPECT_EQ(back.y, main_.y);

  // ContextMenu opens the command menu with "打开" (one item more than a1's menu) at the pointer.
  const auto before = x_->VisibleWindows(program_);
  x_->Click(main_.x + 60, main_.y + 12, 1);
  const auto button_menu = WaitForNewWindow(before);
  ASSERT_TRUE(button_menu.has_value()) << "a1 opened no menu";
  x_->Key("Escape");
  ASSERT_TRUE(
      WaitUntil([&] { return x_->VisibleWindows(program_).size() == before.size(); }, kEventWait));
  x_->Run({"xdotool", "mousemove", "700", "150"});
  CallItem(item, "ContextMenu", 700, 150);
  const auto tray_menu = WaitForNewWindow(before);
  ASSERT_TRUE(tray_menu.has_value()) << "ContextMenu opened no menu";
  EXPECT_GT(tray_menu->height, button_menu->height);
  EXPECT_NEAR(tray_menu->x, 700, 2);
  EXPECT_NEAR(tray_menu->y, 150, 2);
  x_->Key("Escape");
  ASSERT_TRUE(
      WaitUntil([&] { return x_->VisibleWindows(program_).size() == before.size(); }, kEventWait));

  // Exit: the item leaves the bus, and no process is left.
  const std::vector<pid_t> helpers = Descendants(program_);
  x_->Click(main_.x + 219, main_.y + 12, 1);  // a3
  const auto status = WaitForExit(program_, kEventWait);
  ASSERT_TRUE(status.has_value()) << "the program did not end";
  EXPECT_EQ(*status, 0);
  program_ = -1;
  EXPECT_FALSE(NameHasOwner(client_, item));
  EXPECT_TRUE(WaitUntil(
      [&] {
        for (pid_t helper : helpers) {
          if (Alive(helper)) return false;
        }
        return true;
      },
      kEventWait));
}

TEST_F(StatusNotifierTest, WatcherComingAndGoingSwitchesBetweenTheItemAndTheXEmbedIcon) {
  ASSERT_NO_FATAL_FAILURE(StartSession(true));
  ASSERT_NO_FATAL_FAILURE(StartWatcher());
  ASSERT_NO_FATAL_FAILURE(StartProgram());
  ASSERT_TRUE(watcher_->WaitForRegistrations(1, kEventWait));
  const std::string item = watcher_->Registered()[0];
  EXPECT_FALSE(x_->WindowNamed(program_, "Tovarin1.2").has_value())
      << "an XEmbed icon beside the item";

  // The watcher goes: the icon moves into the XEmbed tray, and the item leaves the bus.
  watcher_->Stop();
  std::optional<WindowInfo> icon;
  ASSERT_TRUE(WaitUntil(
      [&] { return (icon = x_->WindowNamed(program_, "Tovarin1.2")).has_value(); }, kEventWait))
      << "no XEmbed icon after the watcher went";
  EXPECT_TRUE(WaitUntil([&] { return !NameHasOwner(client_, item); }, kEventWait));
  // That icon works as before: a2 hides, a left click restores.
  x_->Click(main_.x + 196, main_.y + 12, 1);
  ASSERT_TRUE(WaitUntil([&] { return !x_->WindowNamed(program_, "Tovarin 1.2"); }, kEventWait));
  x_->Click(icon->x + icon->width / 2, icon->y + icon->height / 2, 1);
  ASSERT_TRUE(
      WaitUntil([&] { return x_->WindowNamed(program_, "Tovarin 1.2").has_value(); }, kEventWait));

  // A watcher comes again: the item registers with it and the XEmbed icon goes.
  ASSERT_NO_FATAL_FAILURE(StartWatcher());
  ASSERT_TRUE(watcher_->WaitForRegistrations(1, kEventWait))
      << "the item did not register with the new watcher";
  EXPECT_TRUE(
      WaitUntil([&] { return !x_->WindowNamed(program_, "Tovarin1.2").has_value(); }, kEventWait));
  EXPECT_TRUE(NameHasOwner(client_, watcher_->Registered()[0]));
}

TEST_F(StatusNotifierTest, WithNoTrayOfEitherKindTheHideButtonMinimisesAndTheWindowCanBeActivated) {
  ASSERT_NO_FATAL_FAILURE(StartSession(false));  // a bus, but no watcher on it, and no XEmbed tray
  ASSERT_NO_FATAL_FAILURE(StartWindowManager());
  ASSERT_NO_FATAL_FAILURE(StartProgram());
  // Give the window manager time to settle the window where the program put it.
  ASSERT_TRUE(WaitUntil(
      [&] {
        const auto now = x_->WindowNamed(program_, "Tovarin 1.2");
        return now && now->x == main_.x && now->y == main_.y;
      },
      kEventWait));
  x_->Click(main_.x + 196, main_.y + 12, 1);  // a2
  ASSERT_TRUE(WaitUntil([&] { return !x_->WindowNamed(program_, "Tovarin 1.2"); }, kEventWait))
      << "a2 left the window on screen";
  // Minimised, not withdrawn: iconic, and listed in the task bar.
  EXPECT_NE(x_->Run({"xprop", "-id", main_.id, "WM_STATE"}).find("Iconic"), std::string::npos);
  EXPECT_EQ(x_->Run({"xprop", "-id", main_.id, "_NET_WM_STATE"}).find("SKIP_TASKBAR"),
            std::string::npos);
  EXPECT_TRUE(Alive(program_));
  x_->Run({"xdotool", "windowactivate", main_.id});
  ASSERT_TRUE(
      WaitUntil([&] { return x_->WindowNamed(program_, "Tovarin 1.2").has_value(); }, kEventWait))
      << "windowactivate did not show the window";
  const WindowInfo back = *x_->WindowNamed(program_, "Tovarin 1.2");
  EXPECT_EQ(back.x, main_.x);
  EXPECT_EQ(back.y, main_.y);
  // Shown normally again, it is out of the task bar as its settings ask.
  EXPECT_TRUE(WaitUntil(
      [&] {
        return x_->Run({"xprop", "-id", main_.id, "_NET_WM_STATE"}).find("SKIP_TASKBAR") !=
               std::string::npos;
      },
      kEventWait));
}

}  // namespace
}  // namespace tovarin::e2e
