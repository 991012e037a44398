#include "tests/e2e/cursor_image.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>

namespace tovarin::e2e {

CursorImage CurrentCursor(const std::string& display_name) {
  CursorImage cursor;
  Display* display = XOpenDisplay(display_name.c_str());
  if (display == nullptr) return cursor;
  int event_base = 0;
  int error_base = 0;
  if (XFixesQueryExtension(display, &event_base, &error_base)) {
    if (XFixesCursorImage* image = XFixesGetCursorImage(display)) {
      cursor.width = image->width;
      cursor.height = image->height;
      // The pixels are longs holding 32-bit ARGB values.
      for (int i = 0; i < image->width * image->height; ++i) {
        cursor.argb.push_back(static_cast<std::uint32_t>(image->pixels[i]));
      }
      XFree(image);
    }
  }
  XCloseDisplay(display);
  return cursor;
}

}  // namespace tovarin::e2e
