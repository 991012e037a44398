#include "tools/buttonshot/png_file.h"

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <memory>

namespace tovarin::tools {
namespace {

struct PixbufDeleter {
  void operator()(GdkPixbuf* pixbuf) const { g_object_unref(pixbuf); }
};
struct ErrorDeleter {
  void operator()(GError* error) const { g_error_free(error); }
};

}  // namespace

platform::Status WritePng(const std::string& path, const platform::Bitmap& bitmap,
                          const std::optional<platform::Region>& shape,
                          platform::ColorRef outside) {
  if (bitmap.IsEmpty()) return platform::Error{"the surface is empty"};
  std::unique_ptr<GdkPixbuf, PixbufDeleter> pixbuf(
      gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, bitmap.Width(), bitmap.Height()));
  if (!pixbuf)
    return platform::Error{"cannot make an image of " + std::to_string(bitmap.Width()) + " x " +
                           std::to_string(bitmap.Height()) + " pixels"};
  guchar* pixels = gdk_pixbuf_get_pixels(pixbuf.get());
  const int stride = gdk_pixbuf_get_rowstride(pixbuf.get());
  for (int y = 0; y < bitmap.Height(); ++y) {
    guchar* out = pixels + static_cast<std::ptrdiff_t>(y) * stride;
    for (int x = 0; x < bitmap.Width(); ++x, out += 3) {
      const platform::ColorRef c =
          shape && !shape->Contains(x, y) ? outside : bitmap.GetPixel(x, y);
      out[0] = static_cast<guchar>(platform::RedOf(c));
      out[1] = static_cast<guchar>(platform::GreenOf(c));
      out[2] = static_cast<guchar>(platform::BlueOf(c));
    }
  }
  GError* raw_error = nullptr;
  if (!gdk_pixbuf_save(pixbuf.get(), path.c_str(), "png", &raw_error, nullptr)) {
    std::unique_ptr<GError, ErrorDeleter> error(raw_error);
    return platform::Error{"cannot write " + path + ": " +
                           (error ? error->message : "unknown error")};
  }
  return {};
}

}  // namespace tovarin::tools
