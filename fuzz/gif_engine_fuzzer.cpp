// Feeds arbitrary bytes through the GIF engine as the control uses it: LoadGIF (user or design
// mode, chosen by the input's length), the deferred build, DrawFrame of the first frames in
// every stretch and mirror mode, the animation clock, and ExportFrameAsGIF.
#include <algorithm>
#include <cstdint>
#include <span>

#include "gif/gif_engine.h"
#include "gif/gif_parser.h"
#include "platform/headless/controls/headless_desktop.h"
#include "platform/headless/controls/headless_form.h"
#include "platform/headless/controls/headless_host.h"

namespace {

// Inputs whose frames or screen exceed this many pixels are skipped: the engine refuses only
// what passes its 256 MiB limit, and allocating that much per input would stall the fuzzer.
constexpr std::int64_t kPixelBudget = std::int64_t{1} << 22;
constexpr int kFramesDrawn = 6;

bool WithinBudget(std::span<const std::uint8_t> file) {
  tovarin::gif::GifParser parser;
  parser.ParseGIFStream(file);
  std::int64_t area = 0;
  for (const auto& frame : parser.frames) area += std::int64_t{frame.width} * frame.height;
  const std::int64_t screen = std::int64_t{parser.screen.screenWidth} * parser.screen.screenHeight;
  return area <= kPixelBudget && screen <= kPixelBudget;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tovarin;
  const std::span<const std::uint8_t> file(data, size);
  if (!WithinBudget(file)) return 0;

  platform::headless::HeadlessDesktop desktop;
  platform::headless::HeadlessForm form(desktop);
  platform::headless::HostOptions options;
  options.name = "g1";
  options.rect = platform::Rect{0, 0, 48, 40};
  options.user_mode = size % 2 == 0;
  platform::headless::HeadlessHost& host = form.AddHost(options);
  {
    gif::GifEngine engine(host);
    engine.gifBytes.assign(data, data + size);
    const int frames = engine.LoadGIF();
    desktop.Advance(25);  // the deferred build pass
    const int drawn = std::min(frames, kFramesDrawn);
    for (int stretch = 0; stretch <= 4; ++stretch) {
      engine.stretchMode = static_cast<tovarin::gif::StretchSetting>(stretch);
      int width = 48;
      int height = 40;
      engine.ComputeScale(width, height, engine.screen.scaleX, engine.screen.scaleY);
      for (int mirror = 0; mirror <= 3; ++mirror) {
        engine.ApplyMirror(mirror, !options.user_mode, options.user_mode);
        engine.mirrorStyle = mirror;
        for (int i = 1; i <= drawn; ++i) engine.DrawFrame(i, host.Surface());
      }
    }
    desktop.Advance(2000);  // the clock runs its ticks, drawing through the control's refresh
    for (int i = 1; i <= drawn; ++i) (void)engine.ExportFrameAsGIF(i);
    (void)engine.ExportFrameAsGIF(frames + 1);
  }
  return 0;
}
