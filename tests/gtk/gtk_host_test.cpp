#include <glib/gstdio.h>
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "platform/gtk/gtk_control_host.h"
#include "platform/gtk/gtk_popup_menu.h"
#include "platform/headless/controls/loopback_http_server.h"
#include "tests/gtk/main_loop_waits.h"

namespace tovarin::platform::gtk {
namespace {

using std::chrono::milliseconds;

// Paints its surface: left half red, right half blue; logs notifications.
class PaintingControl : public Control {
 public:
  ControlHost* host = nullptr;
  std::vector<std::string> log;
  std::vector<std::string> reads;
  std::optional<Result<Bytes>> data;
  bool cancel_on_error = false;

  void OnPaint() override {
    Bitmap& s = host->Surface();
    for (int y = 0; y < s.Height(); ++y) {
      for (int x = 0; x < s.Width(); ++x)
        s.SetPixel(x, y, x < s.Width() / 2 ? Rgb(255, 0, 0) : Rgb(0, 0, 255));
    }
    log.push_back("Paint");
  }
  void OnInitialize() override { log.push_back("Initialize"); }
  void OnInitNew() override { log.push_back("InitNew"); }
  void OnResize() override { log.push_back("Resize"); }
  void OnShow() override { log.push_back("Show"); }
  void OnMouseDown(int b, int, double x, double y) override {
    log.push_back(Mouse("MouseDown", b, x, y));
  }
  void OnMouseUp(int b, int, double x, double y) override {
    log.push_back(Mouse("MouseUp", b, x, y));
  }
  void OnClick() override { log.push_back("Click"); }
  void OnDblClick() override { log.push_back("DblClick"); }
  void OnKeyDown(int& key, int shift) override {
    log.push_back("KeyDown " + std::to_string(key) + " " + std::to_string(shift));
  }
  void OnKeyPress(int& ascii) override { log.push_back("KeyPress " + std::to_string(ascii)); }
  void OnKeyUp(int& key, int) override { log.push_back("KeyUp " + std::to_string(key)); }
  void OnAsyncReadProgress(const AsyncReadProgress& p) override {
    reads.push_back("progress " + std::to_string(p.status));
    if (p.status == kAsyncReadError) {
      error = p.status_text;
      if (cancel_on_error) host->CancelAsyncRead(p.name);
    }
  }
  void OnAsyncReadComplete(AsyncReadCompletion& c) override {
    reads.push_back(c.data.ok() ? "complete ok" : "complete error");
    data = c.data;
  }
  std::string error;

 private:
  static std::string Mouse(const char* what, int b, double x, double y) {
    return std::string(what) + " " + std::to_string(b) + " " + std::to_string(static_cast<int>(x)) +
           "," + std::to_string(static_cast<int>(y));
  }
};

class GtkHostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!gtk_init_check(nullptr, nullptr)) GTEST_SKIP() << "no display";
    desktop_ = std::make_unique<GtkDesktop>();
    window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_default_size(GTK_WINDOW(window_), 200, 120);
    fixed_ = gtk_fixed_new();
    gtk_container_add(GTK_CONTAINER(window_), fixed_);
    host_ = std::make_unique<GtkControlHost>(
        *desktop_, GTK_FIXED(fixed_),
        GtkHostOptions{.name = "g1", .rect = Rect::FromXYWH(20, 30, 40, 40)});
    control_.host = host_.get();
    host_->Attach(control_);
  }
  void TearDown() override {
    host_.reset();
    if (window_ != nullptr) gtk_widget_destroy(window_);
    RunFor(milliseconds(10));
    desktop_.reset();
  }
  void ShowAndWaitForPaint() {
    gtk_widget_show_all(window_);
    ASSERT_TRUE(RunUntil(
        [&] { return host_->PaintCount() > 0 && gtk_widget_get_mapped(host_->Widget()); }));
    gdk_display_sync(gdk_display_get_default());
    RunFor(milliseconds(50));
  }
  // A pixel of the window's content on the X screen, as drawn.
  ColorRef ScreenPixel(int x, int y) {
    GdkPixbuf* pixbuf = gdk_pixbuf_get_from_window(gtk_widget_get_window(window_), x, y, 1, 1);
    if (pixbuf == nullptr) return 0xFFFFFFFF;
    const guchar* p = gdk_pixbuf_get_pixels(pixbuf);
    const ColorRef c = Rgb(p[0], p[1], p[2]);
    g_object_unref(pixbuf);
    return c;
  }

  std::unique_ptr<GtkDesktop> desktop_;
  GtkWidget* window_ = nullptr;
  GtkWidget* fixed_ = nullptr;
  std::unique_ptr<GtkControlHost> host_;
  PaintingControl control_;
};

// --- Timers
// -----------------------------------------------------------------------------------------

TEST_F(GtkHostTest, GlibTimerFiresRepeatedlyUntilKilled) {
  int ticks = 0;
  ASSERT_TRUE(host_->SetTimer(1, 10, [&] {
    if (++ticks == 3) host_->KillTimer(1);
  }));
  ASSERT_TRUE(RunUntil([&] { return ticks >= 3; }));
  RunFor(milliseconds(80));
  EXPECT_EQ(ticks, 3);
}

TEST_F(GtkHostTest, TimerReplacedInsideItsCallbackRunsOnlyTheNewOne) {
  std::vector<std::string> log;
  host_->SetTimer(7, 10, [&] {
    log.push_back("old");
    host_->SetTimer(7, 15, [&] { log.push_back("new"); });
  });
  ASSERT_TRUE(RunUntil([&] { return log.size() >= 3; }));
  host_->KillTimer(7);
  RunFor(milliseconds(60));
  ASSERT_GE(log.size(), 3u);
  EXPECT_EQ(log[0], "old");
  for (std::size_t i = 1; i < log.size(); ++i) EXPECT_EQ(log[i], "new");
}

TEST_F(GtkHostTest, ThrowingTimerIsKilledWithoutCrossingGlib) {
  int ticks = 0;
  host_->SetTimer(2, 5, [&] {
    ++ticks;
    throw std::runtime_error("failure inside a tick");
  });
  ASSERT_TRUE(RunUntil([&] { return ticks >= 1; }));
  RunFor(milliseconds(50));
  EXPECT_EQ(ticks, 1);
}

// --- Painting and shape
// --------------------------------------------------------------------------------

TEST_F(GtkHostTest, WidgetDrawsItsSurface) {
  ShowAndWaitForPaint();
  // Render the widget through its draw handler into an image and look at the pixels.
  cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 40, 40);
  cairo_t* cr = cairo_create(image);
  gtk_widget_draw(host_->Widget(), cr);
  cairo_destroy(cr);
  cairo_surface_flush(image);
  const auto* data = reinterpret_cast<const std::uint32_t*>(cairo_image_surface_get_data(image));
  const int stride = cairo_image_surface_get_stride(image) / 4;
  EXPECT_EQ(data[5 * stride + 5] & 0xFFFFFF, 0xFF0000u);
  EXPECT_EQ(data[35 * stride + 35] & 0xFFFFFF, 0x0000FFu);
  cairo_surface_destroy(image);
  EXPECT_EQ(ScreenPixel(25, 35), Rgb(255, 0, 0));
  EXPECT_EQ(ScreenPixel(55, 65), Rgb(0, 0, 255));
}

TEST_F(GtkHostTest, LifecycleRunsInFormOrderAndMappingShowsAndPaints) {
  host_->InitNew();
  ShowAndWaitForPaint();
  EXPECT_EQ(control_.log,
            (std::vector<std::string>{"Initialize", "InitNew", "Resize", "Show", "Paint"}));
  EXPECT_EQ(host_->WriteProperties().Serialize(), "TovarinProperties 1\n");
}

TEST_F(GtkHostTest, RefreshPaintsAtOnceAfterFillingTheBackground) {
  ShowAndWaitForPaint();
  const int before = host_->PaintCount();
  host_->Surface().SetPixel(0, 0, Rgb(1, 2, 3));
  control_.log.clear();
  host_->Refresh();
  EXPECT_EQ(host_->PaintCount(), before + 1);
  EXPECT_EQ(control_.log, std::vector<std::string>{"Paint"});
  EXPECT_EQ(host_->Surface().GetPixel(0, 0), Rgb(255, 0, 0));
}

TEST_F(GtkHostTest, ResizeInTwipsChangesTheWidgetAndSurface) {
  ShowAndWaitForPaint();
  host_->ResizeTwips(900, 450);
  EXPECT_EQ(host_->ClientSize(), (Size{60, 30}));
  EXPECT_EQ(host_->Surface().Width(), 60);
  ASSERT_TRUE(RunUntil([&] { return gtk_widget_get_allocated_width(host_->Widget()) == 60; }));
  EXPECT_EQ(gtk_widget_get_allocated_height(host_->Widget()), 30);
  EXPECT_EQ(host_->ExtentTwips(), (Rect{300, 450, 1200, 900}));
}

TEST_F(GtkHostTest, WindowRegionShapesDrawingAndInput) {
  ShowAndWaitForPaint();
  const WindowHandle parent = host_->ParentWindow();
  host_->SetWindowRegion(Region::FromRect(Rect{0, 0, 10, 10}));
  host_->Refresh();
  gdk_display_sync(gdk_display_get_default());
  RunFor(milliseconds(100));
  // Inside the shape the control's red shows; outside it, whatever lies behind.
  const ColorRef behind = ScreenPixel(5, 5);  // the form, away from the control
  EXPECT_EQ(ScreenPixel(25, 35), Rgb(255, 0, 0));
  EXPECT_EQ(ScreenPixel(35, 35), behind);  // right of the shape, in the red half
  EXPECT_EQ(ScreenPixel(55, 65), behind);  // in the blue half

  GdkSeat* seat = gdk_display_get_default_seat(gdk_display_get_default());
  GdkDevice* pointer = gdk_seat_get_pointer(seat);
  gint origin_x = 0;
  gint origin_y = 0;
  gdk_window_get_origin(gtk_widget_get_window(window_), &origin_x, &origin_y);
  gdk_device_warp(pointer, gdk_screen_get_default(), origin_x + 25, origin_y + 35);
  gdk_display_sync(gdk_display_get_default());
  EXPECT_EQ(host_->WindowUnderPointer(), host_->ControlWindow());
  gdk_device_warp(pointer, gdk_screen_get_default(), origin_x + 45, origin_y + 55);
  gdk_display_sync(gdk_display_get_default());
  EXPECT_EQ(host_->WindowUnderPointer(), parent);
}

// --- Input translation
// -----------------------------------------------------------------------------------

GdkEvent* ButtonEvent(GtkWidget* widget, GdkEventType type, guint button, double x, double y,
                      guint32 time) {
  GdkEvent* event = gdk_event_new(type);
  event->button.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(widget)));
  event->button.send_event = TRUE;
  event->button.time = time;
  event->button.x = x;
  event->button.y = y;
  event->button.button = button;
  event->button.state = type == GDK_BUTTON_RELEASE && button == 1 ? GDK_BUTTON1_MASK : 0;
  gdk_event_set_device(
      event, gdk_seat_get_pointer(gdk_display_get_default_seat(gdk_display_get_default())));
  return event;
}

void Send(GtkWidget* widget, GdkEvent* event) {
  gtk_widget_event(widget, event);
  gdk_event_free(event);
}

TEST_F(GtkHostTest, PressReleaseGivesDownUpClickAndDoubleClickReplacesTheSecondPress) {
  ShowAndWaitForPaint();
  GtkWidget* w = host_->Widget();
  control_.log.clear();
  Send(w, ButtonEvent(w, GDK_BUTTON_PRESS, 1, 5, 6, 1000));
  Send(w, ButtonEvent(w, GDK_BUTTON_RELEASE, 1, 5, 6, 1050));
  Send(w, ButtonEvent(w, GDK_BUTTON_PRESS, 1, 5, 6, 1100));
  Send(w, ButtonEvent(w, GDK_2BUTTON_PRESS, 1, 5, 6, 1100));
  Send(w, ButtonEvent(w, GDK_BUTTON_RELEASE, 1, 5, 6, 1150));
  // Much later: a plain click again; a right click gives no Click.
  Send(w, ButtonEvent(w, GDK_BUTTON_PRESS, 1, 7, 8, 9000));
  Send(w, ButtonEvent(w, GDK_BUTTON_RELEASE, 1, 70, 8, 9050));  // released outside
  Send(w, ButtonEvent(w, GDK_BUTTON_PRESS, 3, 7, 8, 20000));
  Send(w, ButtonEvent(w, GDK_BUTTON_RELEASE, 3, 7, 8, 20050));
  EXPECT_EQ(control_.log,
            (std::vector<std::string>{"MouseDown 1 5,6", "MouseUp 1 5,6", "Click", "DblClick",
                                      "MouseUp 1 5,6", "MouseDown 1 7,8", "MouseUp 1 70,8",
                                      "MouseDown 2 7,8", "MouseUp 2 7,8"}));
}

TEST_F(GtkHostTest, KeysTranslateToVirtualKeyCodes) {
  ShowAndWaitForPaint();
  GtkWidget* w = host_->Widget();
  control_.log.clear();
  for (const auto& [type, keyval, state] : std::vector<std::tuple<GdkEventType, guint, guint>>{
           {GDK_KEY_PRESS, GDK_KEY_space, 0},
           {GDK_KEY_RELEASE, GDK_KEY_space, 0},
           {GDK_KEY_PRESS, GDK_KEY_Return, 0},
           {GDK_KEY_PRESS, GDK_KEY_Right, GDK_SHIFT_MASK},
           {GDK_KEY_PRESS, GDK_KEY_a, GDK_CONTROL_MASK}}) {
    GdkEvent* event = gdk_event_new(type);
    event->key.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(w)));
    event->key.keyval = keyval;
    event->key.state = state;
    gdk_event_set_device(
        event, gdk_seat_get_keyboard(gdk_display_get_default_seat(gdk_display_get_default())));
    Send(w, event);
  }
  EXPECT_EQ(control_.log,
            (std::vector<std::string>{"KeyDown 32 0", "KeyPress 32", "KeyUp 32", "KeyDown 13 0",
                                      "KeyPress 13", "KeyDown 39 1", "KeyDown 65 2"}));
}

// --- Hooks and messages
// ---------------------------------------------------------------------------------

TEST_F(GtkHostTest, ThemeChangesReachHookedWindows) {
  std::vector<std::uint32_t> seen;
  const WindowHandle window = host_->ControlWindow();
  auto previous = host_->ReplaceWindowProcedure(
      window,
      [&](WindowHandle, std::uint32_t message, std::intptr_t, std::intptr_t) -> std::intptr_t {
        seen.push_back(message);
        return 0;
      });
  ASSERT_TRUE(previous.has_value());
  GtkSettings* settings = gtk_settings_get_default();
  gchar* old_name = nullptr;
  g_object_get(settings, "gtk-theme-name", &old_name, nullptr);
  g_object_set(settings, "gtk-theme-name", "HighContrast", nullptr);
  EXPECT_TRUE(host_->AppThemed());
  g_object_set(settings, "gtk-theme-name", old_name, nullptr);
  g_free(old_name);
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen[0], kWmThemeChanged);
  EXPECT_TRUE(host_->ReplaceWindowProcedure(window, *previous).has_value());
}

TEST_F(GtkHostTest, ActivationIsSentThroughTheFormsChain) {
  const WindowHandle form = host_->ParentWindow();
  ASSERT_NE(form, 0u);
  std::vector<std::string> log;
  WindowProcedure previous;
  previous = *host_->ReplaceWindowProcedure(
      form,
      [&](WindowHandle w, std::uint32_t m, std::intptr_t wp, std::intptr_t lp) -> std::intptr_t {
        log.push_back("before " + std::to_string(m));
        const std::intptr_t result = previous(w, m, wp, lp);
        log.push_back("after " + std::to_string(m) + " " + std::to_string(wp));
        return result;
      });
  gtk_widget_show_all(window_);
  gtk_window_present(GTK_WINDOW(window_));
  if (!RunUntil([&] { return gtk_window_is_active(GTK_WINDOW(window_)); }, milliseconds(3000))) {
    GTEST_SKIP() << "the display gives no window focus";
  }
  ASSERT_TRUE(RunUntil([&] { return log.size() >= 4; }));
  EXPECT_EQ(log, (std::vector<std::string>{"before 134", "after 134 1", "before 6", "after 6 1"}));
}

TEST_F(GtkHostTest, LeaveTrackingWhileOutsidePostsOneLeave) {
  ShowAndWaitForPaint();
  std::vector<std::uint32_t> seen;
  const WindowHandle window = host_->ControlWindow();
  auto previous = host_->ReplaceWindowProcedure(
      window,
      [&](WindowHandle, std::uint32_t message, std::intptr_t, std::intptr_t) -> std::intptr_t {
        seen.push_back(message);
        return 0;
      });
  GdkDevice* pointer =
      gdk_seat_get_pointer(gdk_display_get_default_seat(gdk_display_get_default()));
  gdk_device_warp(pointer, gdk_screen_get_default(), 0, 0);
  gdk_display_sync(gdk_display_get_default());
  ASSERT_NE(host_->WindowUnderPointer(), window);
  host_->TrackMouseLeave(window);
  EXPECT_TRUE(seen.empty());  // posted, not sent
  ASSERT_TRUE(RunUntil([&] { return !seen.empty(); }));
  RunFor(milliseconds(30));
  EXPECT_EQ(seen, std::vector<std::uint32_t>{kWmMouseLeave});
}

// --- Pop-up menus
// --------------------------------------------------------------------------------------------

TEST_F(GtkHostTest, PopupRunsTheChosenHandlerBeforeReturningAndShowsTheDefaultInBold) {
  ShowAndWaitForPaint();
  MenuItem menu;
  menu.name = "mnuMain";
  std::vector<std::string> order;
  for (const char* name : {"open", "about"}) {
    auto item = std::make_shared<MenuItem>();
    item->name = name;
    item->caption = std::string("&") + name;
    item->on_click = [&order, n = std::string(name)] { order.push_back("handler " + n); };
    menu.children.push_back(item);
  }
  std::string default_markup;
  std::string other_markup;
  desktop_->SetPopupObserver([&](GtkMenu* shown) {
    default_markup = MenuItemMarkup(shown, "open");
    other_markup = MenuItemMarkup(shown, "about");
    EXPECT_TRUE(ChooseMenuItem(shown, "about"));
  });
  host_->PopupMenu(menu, 0, 40, kPopupRightAlign, menu.children[0].get());
  order.push_back("returned");
  EXPECT_EQ(order, (std::vector<std::string>{"handler about", "returned"}));
  EXPECT_EQ(default_markup, "<b>_open</b>");
  EXPECT_EQ(other_markup, "_about");

  desktop_->SetPopupObserver([](GtkMenu* shown) { DismissMenu(shown); });
  order.clear();
  host_->PopupMenu(menu, 0, 0, 0, nullptr);
  EXPECT_TRUE(order.empty());
}

// --- Asynchronous reads
// ---------------------------------------------------------------------------------------

struct GtkReadTest : GtkHostTest {
  std::unique_ptr<headless::LoopbackHttpServer> server;
  void SetUp() override {
    GtkHostTest::SetUp();
    if (IsSkipped()) return;
    auto started = headless::LoopbackHttpServer::Start(std::chrono::seconds(30));
    ASSERT_TRUE(started.ok()) << started.error();
    server = std::move(started).value();
  }
  bool WaitForCompletion() {
    return RunUntil(
        [&] {
          return control_.data.has_value() ||
                 (!control_.reads.empty() && control_.cancel_on_error &&
                  control_.reads.back() == "progress 0");
        },
        milliseconds(10000));
  }
};

TEST_F(GtkReadTest, SoupReadsALoopbackServer) {
  Bytes gif{'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0};
  server->Serve("/a.gif", gif);
  ASSERT_TRUE(host_->AsyncRead(server->Url("/a.gif"), "remoteGIF").ok());
  EXPECT_TRUE(control_.reads.empty());
  ASSERT_TRUE(WaitForCompletion());
  ASSERT_TRUE(control_.data->ok()) << control_.error;
  EXPECT_EQ(control_.data->value(), gif);
  ASSERT_GE(control_.reads.size(), 3u);
  EXPECT_EQ(control_.reads[control_.reads.size() - 2], "progress 2");
  EXPECT_EQ(control_.reads.back(), "complete ok");
  for (std::size_t i = 0; i + 2 < control_.reads.size(); ++i)
    EXPECT_EQ(control_.reads[i], "progress 1");
}

TEST_F(GtkReadTest, NotFoundFailsWithTheStatus) {
  ASSERT_TRUE(host_->AsyncRead(server->Url("/missing"), "remoteGIF").ok());
  ASSERT_TRUE(WaitForCompletion());
  EXPECT_EQ(control_.reads, (std::vector<std::string>{"progress 0", "complete error"}));
  EXPECT_EQ(control_.error, "HTTP 404 Not Found");
}

TEST_F(GtkReadTest, CancelFromTheErrorProgressStopsTheCompletion) {
  control_.cancel_on_error = true;
  ASSERT_TRUE(host_->AsyncRead(server->Url("/missing"), "remoteGIF").ok());
  ASSERT_TRUE(WaitForCompletion());
  RunFor(milliseconds(50));
  EXPECT_EQ(control_.reads, std::vector<std::string>{"progress 0"});
}

TEST_F(GtkReadTest, LimitAndTimeoutAreFailures) {
  host_->Reader().ReadOptions().max_bytes = 1000;
  headless::LoopbackResponse big;
  big.filler_bytes = 5000;
  server->Serve("/big", big);
  ASSERT_TRUE(host_->AsyncRead(server->Url("/big"), "r").ok());
  ASSERT_TRUE(WaitForCompletion());
  EXPECT_FALSE(control_.data->ok());
  EXPECT_NE(control_.error.find("exceeds the limit of 1000 bytes"), std::string::npos)
      << control_.error;

  control_.data.reset();
  host_->Reader().ReadOptions().timeout = milliseconds(200);
  headless::LoopbackResponse slow;
  slow.delay = milliseconds(3000);
  server->Serve("/slow", slow);
  ASSERT_TRUE(host_->AsyncRead(server->Url("/slow"), "r").ok());
  ASSERT_TRUE(WaitForCompletion());
  EXPECT_EQ(control_.error, "timed out");
}

TEST_F(GtkReadTest, FilesAreReadThroughGio) {
  gchar* path = g_build_filename(g_get_tmp_dir(), "tovarin_gtk_read.gif", nullptr);
  ASSERT_TRUE(g_file_set_contents(path, "GIF87a-file", -1, nullptr));
  ASSERT_TRUE(host_->AsyncRead(path, "f").ok());
  ASSERT_TRUE(WaitForCompletion());
  g_remove(path);
  g_free(path);
  ASSERT_TRUE(control_.data->ok()) << control_.error;
  EXPECT_EQ(std::string(control_.data->value().begin(), control_.data->value().end()),
            "GIF87a-file");
  EXPECT_FALSE(host_->AsyncRead("", "x").ok());
  EXPECT_FALSE(host_->AsyncRead("gopher://127.0.0.1/", "x").ok());
}

}  // namespace
}  // namespace tovarin::platform::gtk
