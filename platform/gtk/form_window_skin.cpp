#include "platform/gtk/form_window_skin.h"

#include <fstream>
#include <iterator>

namespace tovarin::platform::gtk {

namespace {

void OnParsingError(GtkCssProvider* /*provider*/, GtkCssSection* /*section*/, GError* error,
                    gpointer errors) {
  auto* messages = static_cast<std::string*>(errors);
  if (!messages->empty()) return;  // the first error names the problem
  *messages =
      error != nullptr && error->message != nullptr ? error->message : "invalid style sheet";
}

Result<std::string> ReadSkinFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return Error{"the skin file " + path + " cannot be opened"};
  std::string contents;
  char buffer[16384];
  while (file.read(buffer, sizeof buffer) || file.gcount() > 0) {
    contents.append(buffer, static_cast<std::size_t>(file.gcount()));
    if (contents.size() > kMaxSkinFileBytes)
      return Error{"the skin file " + path + " is too large"};
  }
  if (file.bad()) return Error{"the skin file " + path + " cannot be read"};
  return contents;
}

}  // namespace

Result<std::string> SkinStyleSheet(std::string_view contents) {
  const std::size_t line_end = contents.find('\n');
  std::string_view first = contents.substr(0, line_end);
  if (!first.empty() && first.back() == '\r') first.remove_suffix(1);
  if (first != kSkinFileHeader)
    return Error{"not a skin file (its first line is not \"TOVARIN-SKIN 1\")"};
  const std::string_view sheet =
      line_end == std::string_view::npos ? std::string_view{} : contents.substr(line_end + 1);
  if (!g_utf8_validate(sheet.data(), static_cast<gssize>(sheet.size()), nullptr)) {
    return Error{"the skin's style sheet is not UTF-8 text"};
  }
  return std::string(sheet);
}

GtkSkinLibrary::~GtkSkinLibrary() {
  GdkScreen* screen = gdk_screen_get_default();
  if (applied_ && screen != nullptr) {
    gtk_style_context_remove_provider_for_screen(screen, GTK_STYLE_PROVIDER(applied_.get()));
  }
}

Status GtkSkinLibrary::SkinH_AttachEx(std::string_view skin_path, std::string_view /*password*/) {
  auto contents = ReadSkinFile(std::string(skin_path));
  if (!contents) return Error{contents.error()};
  auto sheet = SkinStyleSheet(contents.value());
  if (!sheet) return Error{sheet.error()};

  glib::GObjectPtr<GtkCssProvider> provider(gtk_css_provider_new());
  std::string parse_error;
  g_signal_connect(provider.get(), "parsing-error", G_CALLBACK(OnParsingError), &parse_error);
  GError* error = nullptr;
  const gboolean loaded = gtk_css_provider_load_from_data(
      provider.get(), sheet.value().data(), static_cast<gssize>(sheet.value().size()), &error);
  g_signal_handlers_disconnect_by_data(provider.get(), &parse_error);
  if (!loaded || error != nullptr || !parse_error.empty()) {
    std::string message =
        error != nullptr && error->message != nullptr ? error->message : parse_error;
    if (error != nullptr) g_error_free(error);
    return Error{"the skin's style sheet is invalid: " + message};
  }
  GdkScreen* screen = gdk_screen_get_default();
  if (screen == nullptr) return Error{"no screen to apply the skin to"};
  if (applied_)
    gtk_style_context_remove_provider_for_screen(screen, GTK_STYLE_PROVIDER(applied_.get()));
  gtk_style_context_add_provider_for_screen(screen, GTK_STYLE_PROVIDER(provider.get()),
                                            GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  applied_ = std::move(provider);
  return {};
}

}  // namespace tovarin::platform::gtk
