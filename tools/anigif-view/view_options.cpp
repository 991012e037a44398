#include "tools/anigif-view/view_options.h"

#include <charconv>

namespace tovarin::tools {
namespace {

// A whole decimal number filling `text` completely, within [low, high].
std::optional<int> ParseNumber(std::string_view text, int low, int high) {
  int value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (error != std::errc() || stop != end || value < low || value > high) return std::nullopt;
  return value;
}

std::optional<platform::Size> ParseSize(std::string_view text) {
  const std::size_t cross = text.find_first_of("xX");
  if (cross == std::string_view::npos) return std::nullopt;
  const auto width = ParseNumber(text.substr(0, cross), 1, kMaxViewSide);
  const auto height = ParseNumber(text.substr(cross + 1), 1, kMaxViewSide);
  if (!width || !height) return std::nullopt;
  return platform::Size{*width, *height};
}

platform::Error Problem(std::string message) { return platform::Error{std::move(message)}; }

}  // namespace

platform::Result<ViewOptions> ParseViewOptions(std::span<const std::string_view> args) {
  ViewOptions options;
  bool have_file = false;
  bool names_only = false;  // after "--" every argument is a file name, dashes and all
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (!names_only) {
      if (arg == "--help" || arg == "-h") {
        options.help = true;
        return options;
      }
      if (arg == "--") {
        names_only = true;
        continue;
      }
      if (arg == "--stretch" || arg == "--size") {
        if (i + 1 >= args.size()) return Problem(std::string(arg) + " needs a value");
        const std::string_view value = args[++i];
        if (arg == "--stretch") {
          const auto mode = ParseNumber(value, kMinStretchMode, kMaxStretchMode);
          if (!mode)
            return Problem("--stretch takes 0, 1, 2, 3 or 4, not \"" + std::string(value) + "\"");
          options.stretch = *mode;
        } else {
          const auto size = ParseSize(value);
          if (!size) {
            return Problem("--size takes WIDTHxHEIGHT in pixels (1 to " +
                           std::to_string(kMaxViewSide) + " each), not \"" + std::string(value) +
                           "\"");
          }
          options.size = size;
        }
        continue;
      }
      if (arg.size() > 1 && arg[0] == '-') return Problem("unknown option " + std::string(arg));
    }
    if (have_file) return Problem("only one FILE can be shown");
    options.file = std::string(arg);
    have_file = true;
  }
  if (!have_file || options.file.empty()) return Problem("no FILE given");
  return options;
}

std::string ViewUsage() {
  return "usage: anigif-view FILE [--stretch N] [--size WxH]\n"
         "Shows an animated GIF in a window until the window is closed.\n"
         "  --stretch N   0 actual size, 1 fit keeping the aspect ratio (default),\n"
         "                2 fill, 3 fit without enlarging, 4 the image's own size\n"
         "  --size WxH    the picture area in pixels (default: the image's own size)\n"
         "keys: space pause/resume, Right next frame, Home restart, q or Escape close\n";
}

}  // namespace tovarin::tools
