// anigif-view: shows an animated GIF in a window until the window is closed.
//   anigif-view FILE [--stretch N] [--size WxH]
// Exit status: 0 after the window was closed, 1 when FILE cannot be shown or there is no
// display, 2 for a wrong command line.

#include <gtk/gtk.h>

#include <cstdio>
#include <string_view>
#include <vector>

#include "tools/anigif-view/anigif_viewer.h"
#include "tools/anigif-view/view_options.h"

int main(int argc, char** argv) {
  // GTK takes its own options (--display and the like) out of argv first.
  const bool have_display = gtk_init_check(&argc, &argv);
  const std::vector<std::string_view> args(argv + 1, argv + argc);
  auto options = tovarin::tools::ParseViewOptions(args);
  if (!options.ok()) {
    std::fprintf(stderr, "anigif-view: %s\n%s", options.error().c_str(),
                 tovarin::tools::ViewUsage().c_str());
    return 2;
  }
  if (options->help) {
    std::fputs(tovarin::tools::ViewUsage().c_str(), stdout);
    return 0;
  }
  if (const auto readable = tovarin::tools::AniGifViewer::CheckFile(options->file);
      !readable.ok()) {
    std::fprintf(stderr, "anigif-view: %s\n", readable.error().c_str());
    return 1;
  }
  if (!have_display) {
    std::fprintf(stderr, "anigif-view: cannot open a display (is DISPLAY set?)\n");
    return 1;
  }
  tovarin::tools::AniGifViewer viewer;
  if (const auto opened = viewer.Open(*options); !opened.ok()) {
    std::fprintf(stderr, "anigif-view: %s\n", opened.error().c_str());
    return 1;
  }
  viewer.Run();
  return 0;
}
