// The GTK control host's widget side: signal handlers turning GTK events into Control
// notifications, showing the surface, the window shape, cursors and tooltips.

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <utility>

#include "platform/gtk/cairo_region_ref.h"
#include "platform/gtk/gtk_control_host.h"
#include "platform/gtk/key_codes.h"
#include "platform/gtk/tooltip_window_gtk.h"
#include "platform/pictures/picture.h"
#include "platform/text/text.h"

namespace tovarin::platform::gtk {
namespace {

struct CairoSurfaceDeleter {
  void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
};
using CairoSurfacePtr = std::unique_ptr<cairo_surface_t, CairoSurfaceDeleter>;

// The 24-bit bottom-up surface as a cairo image (x8r8g8b8, top-down).
CairoSurfacePtr ToCairo(const Bitmap& bitmap) {
  CairoSurfacePtr image(
      cairo_image_surface_create(CAIRO_FORMAT_RGB24, bitmap.Width(), bitmap.Height()));
  if (cairo_surface_status(image.get()) != CAIRO_STATUS_SUCCESS) return nullptr;
  cairo_surface_flush(image.get());
  unsigned char* data = cairo_image_surface_get_data(image.get());
  const int stride = cairo_image_surface_get_stride(image.get());
  for (int y = 0; y < bitmap.Height(); ++y) {
    const std::uint8_t* source = bitmap.Row(y);
    auto* target = reinterpret_cast<std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
    for (int x = 0; x < bitmap.Width(); ++x) {
      const std::uint8_t* pixel = source + x * 3;
      target[x] = (static_cast<std::uint32_t>(pixel[2]) << 16) |
                  (static_cast<std::uint32_t>(pixel[1]) << 8) | pixel[0];
    }
  }
  cairo_surface_mark_dirty(image.get());
  return image;
}

// CSS cursor names for the classic pointer kinds (MousePointer) and system cursor ids.
const char* PointerCursorName(int kind) {
  switch (kind) {
    case 1: return "default";
    case 2: return "crosshair";
    case 3: return "text";
    case 5:
    case 15: return "move";
    case 6: return "nesw-resize";
    case 7: return "ns-resize";
    case 8: return "nwse-resize";
    case 9: return "ew-resize";
    case 10: return "default";
    case 11: return "wait";
    case 12: return "not-allowed";
    case 13: return "progress";
    case 14: return "help";
    default: return nullptr;
  }
}

const char* SystemCursorName(int id) {
  switch (id) {
    case 32512: return "default";
    case 32513: return "text";
    case 32514: return "wait";
    case 32515: return "crosshair";
    case 32516: return "default";
    case 32640:
    case 32646: return "move";
    case 32642: return "nwse-resize";
    case 32643: return "nesw-resize";
    case 32644: return "ew-resize";
    case 32645: return "ns-resize";
    case 32648: return "not-allowed";
    case 32649: return "pointer";
    case 32650: return "progress";
    case 32651: return "help";
    default: return nullptr;
  }
}

// A cursor made from a picture (straight alpha premultiplied for cairo), hot spot at its centre.
GdkCursor* CursorFromPicture(GdkDisplay* display, const Picture& picture) {
  const Bitmap& image = picture.Image();
  if (image.IsEmpty()) return nullptr;
  CairoSurfacePtr surface(
      cairo_image_surface_create(CAIRO_FORMAT_ARGB32, image.Width(), image.Height()));
  if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) return nullptr;
  cairo_surface_flush(surface.get());
  unsigned char* data = cairo_image_surface_get_data(surface.get());
  const int stride = cairo_image_surface_get_stride(surface.get());
  const int bytes_per_pixel = image.BitsPerPixel() / 8;
  for (int y = 0; y < image.Height(); ++y) {
    const std::uint8_t* source = image.Row(y);
    auto* target = reinterpret_cast<std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
    for (int x = 0; x < image.Width(); ++x) {
      const std::uint8_t* p = source + x * bytes_per_pixel;
      const std::uint32_t a = bytes_per_pixel == 4 ? p[3] : 255;
      const auto premultiply = [a](std::uint32_t c) { return (c * a + 127) / 255; };
      target[x] =
          (a << 24) | (premultiply(p[2]) << 16) | (premultiply(p[1]) << 8) | premultiply(p[0]);
    }
  }
  cairo_surface_mark_dirty(surface.get());
  return gdk_cursor_new_from_surface(display, surface.get(), image.Width() / 2.0,
                                     image.Height() / 2.0);
}

}  // namespace

// Static signal handlers; each runs its body inside GuardCallback.
struct HostSignals {
  static GtkControlHost* Host(gpointer data) { return static_cast<GtkControlHost*>(data); }

  static gboolean OnDraw(GtkWidget*, cairo_t* cr, gpointer data) {
    glib::GuardCallback([&] {
      GtkControlHost* host = Host(data);
      if (host->needs_paint_) host->PaintSurface();
      if (host->surface_.IsEmpty()) return;
      CairoSurfacePtr image = ToCairo(host->surface_);
      if (!image) return;
      // Only the window region is the control's: outside it what lies behind stays (GTK
      // paints the form before its children; a client-side window's shape does not clip that).
      if (host->region_) {
        const CairoRegionRef clip = ToCairoRegion(*host->region_);
        gdk_cairo_region(cr, clip.get());
        cairo_clip(cr);
      }
      cairo_set_source_surface(cr, image.get(), 0, 0);
      cairo_paint(cr);
    });
    return TRUE;
  }

  static gboolean OnButtonPress(GtkWidget* widget, GdkEventButton* event, gpointer data) {
    glib::GuardCallback([&] {
      GtkControlHost* host = Host(data);
      // GTK reports a double click as press, release, press, 2button-press: the host detects
      // it on the second press itself and ignores GTK's extra events.
      if (event->type != GDK_BUTTON_PRESS || host->control_ == nullptr) return;
      const int button = ButtonFlag(event->button);
      if (button == 0) return;
      if (!gtk_widget_has_focus(widget)) gtk_widget_grab_focus(widget);
      const int shift = ShiftFlagsOf(event->state);
      if (button == kLeftButton) {
        GtkSettings* settings = gtk_widget_get_settings(widget);
        gint double_time = 400;
        gint double_distance = 5;
        g_object_get(settings, "gtk-double-click-time", &double_time, "gtk-double-click-distance",
                     &double_distance, nullptr);
        const bool is_double =
            host->last_press_time_ != 0 &&
            event->time - host->last_press_time_ <= static_cast<std::uint32_t>(double_time) &&
            std::abs(event->x - host->last_press_x_) <= double_distance &&
            std::abs(event->y - host->last_press_y_) <= double_distance;
        if (is_double) {
          host->last_press_time_ = 0;  // a third press starts afresh
          host->suppress_next_click_ = true;
          host->control_->OnDblClick();
          return;
        }
        host->last_press_time_ = event->time;
        host->last_press_x_ = event->x;
        host->last_press_y_ = event->y;
      }
      host->control_->OnMouseDown(button, shift, event->x, event->y);
    });
    return TRUE;
  }

  static gboolean OnButtonRelease(GtkWidget*, GdkEventButton* event, gpointer data) {
    glib::GuardCallback([&] {
      GtkControlHost* host = Host(data);
      const int button = ButtonFlag(event->button);
      if (button == 0) return;
      const bool inside =
          event->x >= 0 && event->y >= 0 && event->x < host->rect_.Width() &&
          event->y < host->rect_.Height() &&
          (!host->region_ || host->region_->Contains(static_cast<int>(std::floor(event->x)),
                                                     static_cast<int>(std::floor(event->y))));
      const bool suppress_click = std::exchange(host->suppress_next_click_, false);
      if (host->control_ != nullptr) {
        host->control_->OnMouseUp(button, ShiftFlagsOf(event->state), event->x, event->y);
        if (host->control_ != nullptr && button == kLeftButton && inside && !suppress_click)
          host->control_->OnClick();
      }
      const int still_held = ButtonFlagsOf(event->state) & ~button;
      if (still_held == 0 && host->desktop_.CaptureWindow() == host->ControlWindow())
        host->desktop_.ReleaseCapture();
      host->desktop_.ButtonReleased(host->ControlWindow(), inside);
    });
    return TRUE;
  }

  static gboolean OnMotion(GtkWidget*, GdkEventMotion* event, gpointer data) {
    glib::GuardCallback([&] {
      GtkControlHost* host = Host(data);
      if (host->shown_system_cursor_ != 0) {
        host->shown_system_cursor_ = 0;
        host->ApplyCursor(0);
      }
      if (host->control_ != nullptr) {
        host->control_->OnMouseMove(ButtonFlagsOf(event->state), ShiftFlagsOf(event->state),
                                    event->x, event->y);
      }
    });
    return TRUE;
  }

  static gboolean OnLeave(GtkWidget*, GdkEventCrossing* event, gpointer data) {
    glib::GuardCallback([&] {
      if (event->detail == GDK_NOTIFY_INFERIOR) return;
      GtkControlHost* host = Host(data);
      host->desktop_.PointerLeft(host->ControlWindow(), ButtonFlagsOf(event->state) != 0);
    });
    return FALSE;
  }

  static gboolean OnKeyPress(GtkWidget*, GdkEventKey* event, gpointer data) {
    gboolean handled = FALSE;
    glib::GuardCallback([&] {
      GtkControlHost* host = Host(data);
      int code = VirtualKeyCode(event->keyval);
      if (code == 0 || code == 9 || host->control_ == nullptr) return;  // Tab moves the focus
      const int shift = ShiftFlagsOf(event->state);
      host->control_->OnKeyDown(code, shift);
      int character = (shift & (kCtrlMask | kAltMask)) == 0 ? KeyCharacter(event->keyval) : 0;
      if (character != 0 && host->control_ != nullptr) host->control_->OnKeyPress(character);
      handled = TRUE;
    });
    return handled;
  }

  static gboolean OnKeyRelease(GtkWidget*, GdkEventKey* event, gpointer data) {
    gboolean handled = FALSE;
    glib::GuardCallback([&] {
      GtkControlHost* host = Host(data);
      int code = VirtualKeyCode(event->keyval);
      if (code == 0 || code == 9 || host->control_ == nullptr) return;
      host->control_->OnKeyUp(code, ShiftFlagsOf(event->state));
      handled = TRUE;
    });
    return handled;
  }

  static gboolean OnFocusIn(GtkWidget*, GdkEventFocus*, gpointer data) {
    glib::GuardCallback([&] {
      GtkControlHost* host = Host(data);
      if (host->control_ != nullptr) host->control_->OnGotFocus();
      host->desktop_.UpdateDisplayAsDefault(host->Toplevel());
    });
    return FALSE;
  }

  static gboolean OnFocusOut(GtkWidget*, GdkEventFocus*, gpointer data) {
    glib::GuardCallback([&] {
      GtkControlHost* host = Host(data);
      if (host->control_ != nullptr) host->control_->OnLostFocus();
      host->desktop_.UpdateDisplayAsDefault(host->Toplevel());
    });
    return FALSE;
  }

  static void OnRealize(GtkWidget*, gpointer data) {
    glib::GuardCallback([&] {
      Host(data)->ApplyRegion();
      Host(data)->ApplyCursor(0);
    });
  }

  static void OnMap(GtkWidget*, gpointer data) {
    glib::GuardCallback([&] {
      GtkControlHost* host = Host(data);
      host->needs_paint_ = true;
      if (host->control_ != nullptr) host->control_->OnShow();
    });
  }

  static void OnUnmap(GtkWidget*, gpointer data) {
    glib::GuardCallback([&] {
      if (Host(data)->control_ != nullptr) Host(data)->control_->OnHide();
    });
  }

  static gboolean OnQueryToolTip(GtkWidget*, gint, gint, gboolean, GtkTooltip* tooltip,
                                 gpointer data) {
    gboolean show = FALSE;
    glib::GuardCallback([&] { show = Host(data)->FillToolTip(tooltip) ? TRUE : FALSE; });
    return show;
  }
};

void GtkControlHost::ConnectSignals() {
  GtkWidget* w = widget_.get();
  signals_.emplace_back(w, "draw", G_CALLBACK(&HostSignals::OnDraw), this);
  signals_.emplace_back(w, "button-press-event", G_CALLBACK(&HostSignals::OnButtonPress), this);
  signals_.emplace_back(w, "button-release-event", G_CALLBACK(&HostSignals::OnButtonRelease), this);
  signals_.emplace_back(w, "motion-notify-event", G_CALLBACK(&HostSignals::OnMotion), this);
  signals_.emplace_back(w, "leave-notify-event", G_CALLBACK(&HostSignals::OnLeave), this);
  signals_.emplace_back(w, "key-press-event", G_CALLBACK(&HostSignals::OnKeyPress), this);
  signals_.emplace_back(w, "key-release-event", G_CALLBACK(&HostSignals::OnKeyRelease), this);
  signals_.emplace_back(w, "focus-in-event", G_CALLBACK(&HostSignals::OnFocusIn), this);
  signals_.emplace_back(w, "focus-out-event", G_CALLBACK(&HostSignals::OnFocusOut), this);
  signals_.emplace_back(w, "realize", G_CALLBACK(&HostSignals::OnRealize), this);
  signals_.emplace_back(w, "map", G_CALLBACK(&HostSignals::OnMap), this);
  signals_.emplace_back(w, "unmap", G_CALLBACK(&HostSignals::OnUnmap), this);
  signals_.emplace_back(w, "query-tooltip", G_CALLBACK(&HostSignals::OnQueryToolTip), this);
}

// --- Shape
// -----------------------------------------------------------------------------------------------

void GtkControlHost::ApplyRegion() {
  GtkWidget* w = widget_.get();
  if (!gtk_widget_get_realized(w)) return;  // applied on "realize"
  if (!region_) {
    gtk_widget_shape_combine_region(w, nullptr);
    gtk_widget_input_shape_combine_region(w, nullptr);
  } else {
    const CairoRegionRef shape = ToCairoRegion(*region_);
    gtk_widget_shape_combine_region(w, shape.get());
    gtk_widget_input_shape_combine_region(w, shape.get());
  }
  // What lies behind the parts the shape gave up must be drawn again.
  if (GtkWidget* parent = gtk_widget_get_parent(w)) gtk_widget_queue_draw(parent);
}

// --- Cursors
// -----------------------------------------------------------------------------------------------

bool GtkControlHost::IsKnownSystemCursor(int cursor_id) {
  return SystemCursorName(cursor_id) != nullptr;
}

void GtkControlHost::ApplyCursor(int system_cursor_id) {
  GdkWindow* window = gtk_widget_get_window(widget_.get());
  if (window == nullptr) return;
  GdkDisplay* display = gdk_window_get_display(window);
  GdkCursor* cursor = nullptr;
  if (system_cursor_id != 0) {
    cursor = gdk_cursor_new_from_name(display, SystemCursorName(system_cursor_id));
  } else if (mouse_pointer_ == 99 && mouse_icon_ && !mouse_icon_->IsEmpty()) {
    cursor = CursorFromPicture(display, *mouse_icon_);
  } else if (const char* name = PointerCursorName(mouse_pointer_)) {
    cursor = gdk_cursor_new_from_name(display, name);
  }
  gdk_window_set_cursor(window, cursor);  // nullptr: the parent's cursor
  if (cursor != nullptr) g_object_unref(cursor);
}

// --- Tooltips
// ------------------------------------------------------------------------------------------------

namespace {
constexpr WindowHandle kToolTipHandleBase = 0x7F000000;
}

void GtkControlHost::SetToolTipText(const std::string& text) {
  tooltip_text_ = text;
  UpdateToolTip();
}

WindowHandle GtkControlHost::CreateToolTip(const ToolTipSpec& spec) {
  // The control's tooltip is a window of our own, so it can take the balloon shape, the title
  // icon and the colours the control asks for; the desktop's tooltip serves the plain
  // extender text only.
  tooltip_spec_.reset();
  tooltip_window_ = std::make_shared<GtkToolTipWindow>(widget_.get(), spec, TextSystem::Shared());
  current_tooltip_ = kToolTipHandleBase + next_tooltip_++;
  UpdateToolTip();
  return current_tooltip_;
}

void GtkControlHost::DestroyToolTip(WindowHandle tooltip) {
  if (tooltip == 0 || tooltip != current_tooltip_) return;
  current_tooltip_ = 0;
  tooltip_spec_.reset();
  tooltip_window_.reset();
  UpdateToolTip();
}

void GtkControlHost::UpdateToolTip() {
  const bool any = (tooltip_spec_ && !tooltip_spec_->text.empty()) || !tooltip_text_.empty();
  gtk_widget_set_has_tooltip(widget_.get(), any ? TRUE : FALSE);
}

bool GtkControlHost::FillToolTip(GtkTooltip* tooltip) {
  if (!tooltip_spec_) {
    if (tooltip_text_.empty()) return false;
    gtk_tooltip_set_text(tooltip, tooltip_text_.c_str());
    return true;
  }
  const ToolTipSpec& spec = *tooltip_spec_;
  if (spec.text.empty()) return false;
  GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 2);
  if (spec.right_to_left) gtk_widget_set_direction(box, GTK_TEXT_DIR_RTL);
  if (!spec.title.empty()) {
    GtkWidget* head = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 4);
    static const char* const kIcons[] = {nullptr, "dialog-information", "dialog-warning",
                                         "dialog-error"};
    if (spec.icon >= 1 && spec.icon <= 3) {
      gtk_box_pack_start(GTK_BOX(head),
                         gtk_image_new_from_icon_name(kIcons[spec.icon], GTK_ICON_SIZE_MENU), FALSE,
                         FALSE, 0);
    }
    GtkWidget* title = gtk_label_new(nullptr);
    gchar* escaped = g_markup_escape_text(spec.title.c_str(), -1);
    const std::string markup = std::string("<b>") + escaped + "</b>";
    g_free(escaped);
    gtk_label_set_markup(GTK_LABEL(title), markup.c_str());
    gtk_box_pack_start(GTK_BOX(head), title, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(box), head, FALSE, FALSE, 0);
  }
  GtkWidget* text = gtk_label_new(spec.text.c_str());
  gtk_label_set_line_wrap(GTK_LABEL(text), TRUE);
  gtk_label_set_xalign(GTK_LABEL(text), 0);
  // Wrap at the maximum width: measured in the label's average character width.
  gtk_label_set_max_width_chars(GTK_LABEL(text), std::max(1, spec.max_width / 7));
  gtk_box_pack_start(GTK_BOX(box), text, FALSE, FALSE, 0);
  if (spec.back_color) {
    const ColorRef c = *spec.back_color;
    GtkCssProvider* css = gtk_css_provider_new();
    char rule[96];
    std::snprintf(rule, sizeof rule, "* { background-color: #%02x%02x%02x; }", RedOf(c), GreenOf(c),
                  BlueOf(c));
    gtk_css_provider_load_from_data(css, rule, -1, nullptr);
    gtk_style_context_add_provider(gtk_widget_get_style_context(box), GTK_STYLE_PROVIDER(css),
                                   GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    g_object_unref(css);
  }
  gtk_widget_show_all(box);
  gtk_tooltip_set_custom(tooltip, box);
  return true;
}

}  // namespace tovarin::platform::gtk
