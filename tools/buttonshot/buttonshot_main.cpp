// buttonshot: renders one teskbutton on the headless host to a PNG.
//
//   buttonshot [--size WxH] [--set Name=Value]... [--state normal|hot|down] [--focus]
//              [--active] [--default] [--themed] [--gtk-theme] [--print Name,...] OUT.png
//
// The button is made as a form designer makes a new one, saved with its form and loaded again
// at run time (so its window hooks follow the form's activation, as in the program). Then the
// --set assignments run in the order given, through the button's own assignment rules; the
// form is activated (--active), makes the button its default button (--default) and gives it
// the focus (--focus); and the state is reached through input: the pointer moves onto the
// button (hot) or the left button is pressed on it (down). The PNG is the surface after the
// last redraw, 24-bit RGB, with the pixels outside the window region in the colour the surface
// is cleared to. --print writes Name=Value lines to standard output after drawing.
//
// --themed only makes the theme query answer true: on the headless host there is no visual
// style data, so a Themed button draws its content alone. --gtk-theme (which implies --themed)
// draws the push button of the current GTK theme instead; it needs a display.

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "button/render/color_math.h"
#include "button/teskbutton.h"
#include "platform/gtk/theme_painter_gtk.h"
#include "platform/headless/controls/headless_desktop.h"
#include "platform/headless/controls/headless_form.h"
#include "platform/headless/controls/headless_host.h"
#include "tools/buttonshot/button_properties.h"
#include "tools/buttonshot/png_file.h"

namespace {

using namespace tovarin;
namespace headless = platform::headless;

constexpr int kMaxExtent = 4096;
constexpr const char* kUsage =
    "usage: buttonshot [--size WxH] [--set Name=Value]... [--state normal|hot|down] [--focus] "
    "[--active]\n"
    "                  [--default] [--themed] [--gtk-theme] [--print Name,...] OUT.png\n";

struct Options {
  int width = 97;
  int height = 24;
  std::vector<std::pair<std::string, std::string>> assignments;
  std::string state = "normal";
  bool focus = false;
  bool active = false;
  bool default_button = false;
  bool themed = false;
  bool gtk_theme = false;
  std::vector<std::string> print;
  std::string output;
};

std::optional<std::pair<int, int>> ParseSize(std::string_view text) {
  int w = 0;
  int h = 0;
  char tail = 0;
  if (std::sscanf(std::string(text).c_str(), "%dx%d%c", &w, &h, &tail) != 2) return std::nullopt;
  if (w < 1 || h < 1 || w > kMaxExtent || h > kMaxExtent) return std::nullopt;
  return std::pair{w, h};
}

std::vector<std::string> SplitCommas(std::string_view text) {
  std::vector<std::string> parts;
  while (!text.empty()) {
    const std::size_t comma = text.find(',');
    if (comma != 0) parts.emplace_back(text.substr(0, comma));
    if (comma == std::string_view::npos) break;
    text.remove_prefix(comma + 1);
  }
  return parts;
}

// Parses the command line; an error message when it is not usable.
std::optional<std::string> ParseArguments(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    auto next = [&]() -> std::optional<std::string_view> {
      if (i + 1 >= argc) return std::nullopt;
      return std::string_view(argv[++i]);
    };
    if (arg == "--size") {
      const auto value = next();
      const auto size = value ? ParseSize(*value) : std::nullopt;
      if (!size) return "--size needs WxH with each side from 1 to " + std::to_string(kMaxExtent);
      options.width = size->first;
      options.height = size->second;
    } else if (arg == "--set") {
      const auto value = next();
      const std::size_t equals = value ? value->find('=') : std::string_view::npos;
      if (equals == std::string_view::npos || equals == 0) return "--set needs Name=Value";
      options.assignments.emplace_back(std::string(value->substr(0, equals)),
                                       std::string(value->substr(equals + 1)));
    } else if (arg == "--state") {
      const auto value = next();
      if (!value || (*value != "normal" && *value != "hot" && *value != "down")) {
        return "--state is normal, hot or down";
      }
      options.state = std::string(*value);
    } else if (arg == "--focus") {
      options.focus = true;
    } else if (arg == "--active") {
      options.active = true;
    } else if (arg == "--default") {
      options.default_button = true;
    } else if (arg == "--themed") {
      options.themed = true;
    } else if (arg == "--gtk-theme") {
      options.themed = true;
      options.gtk_theme = true;
    } else if (arg == "--print") {
      const auto value = next();
      if (!value) return "--print needs a list of property names";
      for (std::string& name : SplitCommas(*value)) options.print.push_back(std::move(name));
    } else if (arg.size() > 1 && arg[0] == '-') {
      return "unknown option " + std::string(arg);
    } else if (options.output.empty()) {
      options.output = std::string(arg);
    } else {
      return "only one output file may be given";
    }
  }
  if (options.output.empty()) return std::string("no output file given");
  return std::nullopt;
}

// A new button's saved settings, as a form designer leaves them.
platform::PropertyStore DesignedButton(const Options& options,
                                       const headless::HostOptions& host_options) {
  headless::HeadlessDesktop desktop;
  desktop.SetAppThemed(options.themed);
  headless::HeadlessForm form(desktop);
  headless::HostOptions design = host_options;
  design.user_mode = false;
  headless::HeadlessHost& host = form.AddHost(design);
  button::teskbutton designed(host);
  host.Attach(designed);
  host.InitNew();
  desktop.RunPending();
  platform::PropertyStore store = host.WriteProperties();
  host.Detach();
  return store;
}

int Run(const Options& options) {
  std::unique_ptr<platform::gtk::GtkThemePainter> theme;
  if (options.gtk_theme) {
    if (!platform::gtk::GtkThemePainter::InitializeToolkit()) {
      std::fprintf(stderr, "buttonshot: --gtk-theme needs a display\n");
      return 1;
    }
    theme = std::make_unique<platform::gtk::GtkThemePainter>();
  }
  headless::HostOptions host_options;
  host_options.name = "teskbutton1";
  host_options.rect = platform::Rect{8, 8, 8 + options.width, 8 + options.height};
  const platform::PropertyStore store = DesignedButton(options, host_options);

  headless::HeadlessDesktop desktop;
  desktop.SetAppThemed(options.themed);
  headless::HeadlessForm form(desktop);
  headless::HeadlessHost& host = form.AddHost(host_options);
  auto button = std::make_unique<button::teskbutton>(host);
  button->SetThemePainter(theme.get());
  host.Attach(*button);
  host.Show();
  if (platform::Status loaded = host.ReadProperties(store); !loaded) {
    std::fprintf(stderr, "buttonshot: the saved button did not load: %s\n", loaded.error().c_str());
    return 1;
  }
  desktop.RunPending();

  for (const auto& [name, value] : options.assignments) {
    if (platform::Status assigned = tools::AssignProperty(*button, name, value); !assigned) {
      std::fprintf(stderr, "buttonshot: %s\n", assigned.error().c_str());
      return 1;
    }
    desktop.RunPending();
  }
  if (options.active) form.Activate();
  if (options.default_button) form.SetDefaultButton(&host);
  if (options.focus) form.Focus(&host);
  const double cx = options.width / 2.0;
  const double cy = options.height / 2.0;
  if (options.state == "hot") host.MouseMove(cx, cy);
  if (options.state == "down") host.MouseDown(platform::kLeftButton, cx, cy);
  desktop.RunPending();

  const platform::ColorRef cleared =
      button::ToColorRef(button::TranslateColor(button->Model().mSurfaceBackColor));
  if (platform::Status written =
          tools::WritePng(options.output, host.Surface(), host.WindowRegion(), cleared);
      !written) {
    std::fprintf(stderr, "buttonshot: %s\n", written.error().c_str());
    return 1;
  }
  int status = 0;
  for (const std::string& name : options.print) {
    platform::Result<std::string> line = tools::ReadProperty(*button, name);
    if (!line) {
      std::fprintf(stderr, "buttonshot: %s\n", line.error().c_str());
      status = 1;
      continue;
    }
    std::printf("%s\n", line->c_str());
  }
  host.Terminate();
  host.Detach();
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (std::optional<std::string> error = ParseArguments(argc, argv, options)) {
    std::fprintf(stderr, "buttonshot: %s\n%s", error->c_str(), kUsage);
    return 2;
  }
  return Run(options);
}
