#include "platform/gtk/tooltip_window_gtk.h"

#include <cairo.h>

#include <cmath>
#include <utility>

#include "platform/glib/callback_guard.h"
#include "platform/glib/glib_holders.h"
#include "platform/gtk/cairo_region_ref.h"
#include "platform/text/text.h"

namespace tovarin::platform::gtk {
namespace {

GtkToolTipWindow* Self(gpointer data) { return static_cast<GtkToolTipWindow*>(data); }

Point RootPoint(double x_root, double y_root) {
  return Point{static_cast<int>(std::floor(x_root)), static_cast<int>(std::floor(y_root))};
}

// Paints a 24-bit bitmap (bytes blue, green, red; rows bottom-up) at the origin of `cr`.
void PaintBitmap(cairo_t* cr, const Bitmap& bitmap) {
  cairo_surface_t* image =
      cairo_image_surface_create(CAIRO_FORMAT_RGB24, bitmap.Width(), bitmap.Height());
  if (cairo_surface_status(image) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(image);
    return;
  }
  cairo_surface_flush(image);
  unsigned char* data = cairo_image_surface_get_data(image);
  const int stride = cairo_image_surface_get_stride(image);
  for (int y = 0; y < bitmap.Height(); ++y) {
    auto* row = reinterpret_cast<std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
    for (int x = 0; x < bitmap.Width(); ++x) {
      const ColorRef c = bitmap.GetPixel(x, y);
      row[x] = (static_cast<std::uint32_t>(RedOf(c)) << 16) |
               (static_cast<std::uint32_t>(GreenOf(c)) << 8) |
               static_cast<std::uint32_t>(BlueOf(c));
    }
  }
  cairo_surface_mark_dirty(image);
  cairo_set_source_surface(cr, image, 0, 0);
  cairo_paint(cr);
  cairo_surface_destroy(image);
}

}  // namespace

GtkToolTipWindow::GtkToolTipWindow(GtkWidget* tool, ToolTipSpec spec, const TextSystem& text)
    : tool_(tool), spec_(std::move(spec)), painter_(text) {
  gtk_widget_add_events(tool_, GDK_POINTER_MOTION_MASK | GDK_ENTER_NOTIFY_MASK |
                                   GDK_LEAVE_NOTIFY_MASK | GDK_BUTTON_PRESS_MASK);
  motion_ = glib::SignalHandler(tool_, "motion-notify-event",
                                G_CALLBACK(&GtkToolTipWindow::OnMotion), this);
  enter_ = glib::SignalHandler(tool_, "enter-notify-event", G_CALLBACK(&GtkToolTipWindow::OnEnter),
                               this);
  leave_ = glib::SignalHandler(tool_, "leave-notify-event", G_CALLBACK(&GtkToolTipWindow::OnLeave),
                               this);
  press_ = glib::SignalHandler(tool_, "button-press-event", G_CALLBACK(&GtkToolTipWindow::OnPress),
                               this);
}

GtkToolTipWindow::~GtkToolTipWindow() {
  motion_.Disconnect();
  enter_.Disconnect();
  leave_.Disconnect();
  press_.Disconnect();
  initial_delay_.Remove();
  auto_pop_.Remove();
  draw_.Disconnect();
  if (window_ != nullptr) gtk_widget_destroy(std::exchange(window_, nullptr));
}

bool GtkToolTipWindow::IsShown() const {
  return window_ != nullptr && gtk_widget_get_visible(window_);
}

// --- Pointer watching -------------------------------------------------------------------------

gboolean GtkToolTipWindow::OnMotion(GtkWidget*, GdkEventMotion* event, gpointer data) {
  glib::GuardCallback([&] { Self(data)->PointerMoved(RootPoint(event->x_root, event->y_root)); });
  return FALSE;  // the control still gets the move
}

gboolean GtkToolTipWindow::OnEnter(GtkWidget*, GdkEventCrossing* event, gpointer data) {
  glib::GuardCallback([&] {
    GtkToolTipWindow* self = Self(data);
    self->suppressed_ = false;
    self->PointerMoved(RootPoint(event->x_root, event->y_root));
  });
  return FALSE;
}

gboolean GtkToolTipWindow::OnLeave(GtkWidget*, GdkEventCrossing*, gpointer data) {
  glib::GuardCallback([&] {
    GtkToolTipWindow* self = Self(data);
    self->suppressed_ = false;
    self->Hide();
  });
  return FALSE;
}

gboolean GtkToolTipWindow::OnPress(GtkWidget*, GdkEventButton*, gpointer data) {
  glib::GuardCallback([&] {
    GtkToolTipWindow* self = Self(data);
    self->suppressed_ = true;
    self->Hide();
  });
  return FALSE;
}

void GtkToolTipWindow::PointerMoved(Point screen_pointer) {
  pointer_ = screen_pointer;
  if (suppressed_ || IsShown() || spec_.text.empty()) return;
  // The tip shows once the pointer rests for the initial delay.
  initial_delay_ =
      glib::MainLoopSource(g_timeout_add(kInitialDelayMs, &GtkToolTipWindow::OnInitialDelay, this));
}

gboolean GtkToolTipWindow::OnInitialDelay(gpointer data) {
  GtkToolTipWindow* self = Self(data);
  self->initial_delay_.Release();  // this source ends by returning FALSE
  glib::GuardCallback([&] { self->ShowAt(self->pointer_); });
  return G_SOURCE_REMOVE;
}

gboolean GtkToolTipWindow::OnAutoPop(gpointer data) {
  GtkToolTipWindow* self = Self(data);
  self->auto_pop_.Release();
  glib::GuardCallback([&] { self->Hide(); });
  return G_SOURCE_REMOVE;
}

// --- The window ---------------------------------------------------------------------------------

Rect GtkToolTipWindow::WorkArea(Point screen_pointer) const {
  GdkDisplay* display = gtk_widget_get_display(tool_);
  GdkMonitor* monitor = display != nullptr ? gdk_display_get_monitor_at_point(
                                                 display, screen_pointer.x, screen_pointer.y)
                                           : nullptr;
  if (monitor == nullptr) return Rect{0, 0, 1 << 15, 1 << 15};
  GdkRectangle area{};
  gdk_monitor_get_workarea(monitor, &area);
  return Rect::FromXYWH(area.x, area.y, area.width, area.height);
}

void GtkToolTipWindow::EnsureWindow() {
  if (window_ != nullptr) return;
  window_ = gtk_window_new(GTK_WINDOW_POPUP);
  gtk_window_set_type_hint(GTK_WINDOW(window_), GDK_WINDOW_TYPE_HINT_TOOLTIP);
  gtk_window_set_decorated(GTK_WINDOW(window_), FALSE);
  gtk_window_set_resizable(GTK_WINDOW(window_), FALSE);
  gtk_widget_set_app_paintable(window_, TRUE);
  GtkWidget* top = gtk_widget_get_toplevel(tool_);
  if (top != nullptr && gtk_widget_is_toplevel(top))
    gtk_window_set_transient_for(GTK_WINDOW(window_), GTK_WINDOW(top));
  draw_ = glib::SignalHandler(window_, "draw", G_CALLBACK(&GtkToolTipWindow::OnDraw), this);
}

void GtkToolTipWindow::ShowAt(Point screen_pointer) {
  initial_delay_.Remove();
  if (spec_.text.empty()) return;
  auto drawn = painter_.Draw(spec_, true);
  if (!drawn.ok()) return;
  const Size size{drawn->pixels.Width(), drawn->pixels.Height()};
  const ToolTipPlacement placement = ToolTipPainter::Place(
      size, spec_.balloon, drawn->stem_tip, screen_pointer, WorkArea(screen_pointer));
  if (spec_.balloon && !placement.stem_at_top) {
    drawn = painter_.Draw(spec_, false);
    if (!drawn.ok()) return;
  }
  image_ = std::move(drawn).value();

  EnsureWindow();
  gtk_widget_set_size_request(window_, size.width, size.height);
  gtk_window_resize(GTK_WINDOW(window_), size.width, size.height);
  gtk_window_move(GTK_WINDOW(window_), placement.origin.x, placement.origin.y);
  const CairoRegionRef shape = ToCairoRegion(image_->shape);
  gtk_widget_shape_combine_region(window_, shape.get());
  // The tip takes no pointer input (a balloon's stem touches the pointer): moves and presses go
  // through to what lies below, and the tool does not see the pointer leave for the tip.
  const CairoRegionRef no_input(cairo_region_create());
  gtk_widget_input_shape_combine_region(window_, no_input.get());
  gtk_widget_show(window_);
  gtk_widget_queue_draw(window_);
  auto_pop_ = glib::MainLoopSource(g_timeout_add(kAutoPopMs, &GtkToolTipWindow::OnAutoPop, this));
}

void GtkToolTipWindow::Hide() {
  initial_delay_.Remove();
  auto_pop_.Remove();
  if (window_ != nullptr) gtk_widget_hide(window_);
}

gboolean GtkToolTipWindow::OnDraw(GtkWidget*, cairo_t* cr, gpointer data) {
  glib::GuardCallback([&] {
    GtkToolTipWindow* self = Self(data);
    if (self->image_) PaintBitmap(cr, self->image_->pixels);
  });
  return TRUE;
}

}  // namespace tovarin::platform::gtk
