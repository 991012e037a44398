#include "platform/gtk/theme_painter_gtk.h"

#include <cairo.h>
#include <gtk/gtk.h>

#include <cstdint>
#include <memory>

namespace tovarin::platform::gtk {
namespace {

// The largest part rendered: a button is never near this, and it bounds the cairo surface.
constexpr int kMaxPartExtent = 4096;

struct CairoSurfaceDeleter {
  void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
};
struct CairoDeleter {
  void operator()(cairo_t* cr) const { cairo_destroy(cr); }
};
struct StyleContextDeleter {
  void operator()(GtkStyleContext* context) const { g_object_unref(context); }
};
struct WidgetPathDeleter {
  void operator()(GtkWidgetPath* path) const { gtk_widget_path_unref(path); }
};
using CairoSurface = std::unique_ptr<cairo_surface_t, CairoSurfaceDeleter>;

GtkStateFlags FlagsOf(int state) {
  switch (state) {
    case kThemeHot: return GTK_STATE_FLAG_PRELIGHT;
    case kThemePressed:
      return static_cast<GtkStateFlags>(GTK_STATE_FLAG_ACTIVE | GTK_STATE_FLAG_PRELIGHT);
    case kThemeDisabled: return GTK_STATE_FLAG_INSENSITIVE;
    default: return GTK_STATE_FLAG_NORMAL;
  }
}

// Renders the button's background and frame into a premultiplied ARGB32 image of w x h.
CairoSurface RenderButton(int width, int height, int state) {
  if (width <= 0 || height <= 0 || width > kMaxPartExtent || height > kMaxPartExtent)
    return nullptr;
  if (gdk_display_get_default() == nullptr) return nullptr;

  std::unique_ptr<GtkWidgetPath, WidgetPathDeleter> path(gtk_widget_path_new());
  gtk_widget_path_append_type(path.get(), GTK_TYPE_WINDOW);
  gtk_widget_path_iter_set_object_name(path.get(), -1, "window");
  gtk_widget_path_append_type(path.get(), GTK_TYPE_BUTTON);
  gtk_widget_path_iter_set_object_name(path.get(), -1, "button");
  gtk_widget_path_iter_add_class(path.get(), -1, "text-button");
  if (state == kThemeDefaulted) gtk_widget_path_iter_add_class(path.get(), -1, "default");

  std::unique_ptr<GtkStyleContext, StyleContextDeleter> context(gtk_style_context_new());
  gtk_style_context_set_path(context.get(), path.get());
  gtk_style_context_set_state(context.get(), FlagsOf(state));

  CairoSurface surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
  if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) return nullptr;
  {
    std::unique_ptr<cairo_t, CairoDeleter> cr(cairo_create(surface.get()));
    GtkBorder margin{};
    gtk_style_context_get_margin(context.get(), FlagsOf(state), &margin);
    const double x = margin.left;
    const double y = margin.top;
    const double w = width - margin.left - margin.right;
    const double h = height - margin.top - margin.bottom;
    if (w > 0 && h > 0) {
      gtk_render_background(context.get(), cr.get(), x, y, w, h);
      gtk_render_frame(context.get(), cr.get(), x, y, w, h);
    }
  }
  cairo_surface_flush(surface.get());
  return surface;
}

// Alpha of pixel (x, y) of a flushed ARGB32 image (native-endian 32-bit words).
std::uint32_t ArgbAt(cairo_surface_t* surface, int x, int y) {
  const unsigned char* data = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  return *reinterpret_cast<const std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride +
                                                 x * 4);
}

}  // namespace

bool GtkThemePainter::InitializeToolkit() { return gtk_init_check(nullptr, nullptr) == TRUE; }

std::optional<Region> GtkThemePainter::PushButtonRegion(const Rect& rect, int state) {
  CairoSurface surface = RenderButton(rect.Width(), rect.Height(), state);
  if (!surface) return std::nullopt;
  Region region;
  for (int y = 0; y < rect.Height(); ++y) {
    int run_start = -1;
    for (int x = 0; x <= rect.Width(); ++x) {
      const bool covered = x < rect.Width() && (ArgbAt(surface.get(), x, y) >> 24) != 0;
      if (covered && run_start < 0) run_start = x;
      if (!covered && run_start >= 0) {
        region = region.Union(Region::FromRect(
            Rect{rect.left + run_start, rect.top + y, rect.left + x, rect.top + y + 1}));
        run_start = -1;
      }
    }
  }
  return region;
}

bool GtkThemePainter::DrawPushButton(Bitmap& target, const Rect& rect, int state,
                                     const Rect& clip) {
  const int bytes = target.BitsPerPixel() / 8;
  if (bytes != 3 && bytes != 4) return false;
  CairoSurface surface = RenderButton(rect.Width(), rect.Height(), state);
  if (!surface) return false;
  const Rect visible = rect.Intersect(clip).Intersect(target.Bounds());
  for (int y = visible.top; y < visible.bottom; ++y) {
    std::uint8_t* row = target.Row(y);
    for (int x = visible.left; x < visible.right; ++x) {
      // Premultiplied source over the target: dst = src + dst * (255 - alpha) / 255.
      const std::uint32_t argb = ArgbAt(surface.get(), x - rect.left, y - rect.top);
      const std::uint32_t alpha = argb >> 24;
      if (alpha == 0) continue;
      std::uint8_t* p = row + static_cast<std::ptrdiff_t>(x) * bytes;
      const std::uint32_t keep = 255 - alpha;
      p[0] = static_cast<std::uint8_t>((argb & 0xFF) + (p[0] * keep + 127) / 255);
      p[1] = static_cast<std::uint8_t>(((argb >> 8) & 0xFF) + (p[1] * keep + 127) / 255);
      p[2] = static_cast<std::uint8_t>(((argb >> 16) & 0xFF) + (p[2] * keep + 127) / 255);
    }
  }
  return true;
}

}  // namespace tovarin::platform::gtk
