#pragma once
// GtkSkinLibrary: the skin of the program's windows, menus and plain controls.
//
// A skin file ("*.xpt") is UTF-8 text: the first line is exactly "TOVARIN-SKIN 1", the rest
// is a GTK CSS style sheet. SkinH_AttachEx reads the file (at most kMaxSkinFileBytes), checks
// the first line and that every rule of the style sheet parses, and then applies it to the
// whole screen, above the desktop theme. Any problem is an error and applies nothing.

#include <gtk/gtk.h>

#include <cstddef>
#include <string>

#include "platform/glib/callback_guard.h"
#include "platform/glib/glib_holders.h"
#include "platform/host/skin_library.h"

namespace tovarin::platform::gtk {

inline constexpr std::size_t kMaxSkinFileBytes = 1024 * 1024;
inline constexpr const char* kSkinFileHeader = "TOVARIN-SKIN 1";

class GtkSkinLibrary final : public SkinLibrary {
 public:
  GtkSkinLibrary() = default;
  ~GtkSkinLibrary() override;
  Status SkinH_AttachEx(std::string_view skin_path, std::string_view password) override;

 private:
  glib::GObjectPtr<GtkCssProvider> applied_;
};

// The style sheet of a skin file's contents, or the reason it is not a skin file.
Result<std::string> SkinStyleSheet(std::string_view contents);

}  // namespace tovarin::platform::gtk
