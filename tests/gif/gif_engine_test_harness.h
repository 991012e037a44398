#pragma once
// An engine on a headless form: the desktop with its virtual clock, one user-mode (or
// design-mode) host, the engine, and a minimal control that paints the current frame the way
// the control's paint handler does. Events raised through the host are recorded with the
// virtual time at which they were raised.

#include <cstdint>
#include <string>
#include <vector>

#include "gif/gif_engine.h"
#include "platform/headless/controls/headless_desktop.h"
#include "platform/headless/controls/headless_form.h"
#include "platform/headless/controls/headless_host.h"

namespace tovarin::gif::testing {

// Paints the engine's current frame onto the host's surface.
class FramePainter final : public platform::Control {
 public:
  void Bind(GifEngine& engine, platform::ControlHost& host) {
    engine_ = &engine;
    host_ = &host;
  }
  void OnPaint() override {
    if (engine_ != nullptr) engine_->DrawFrame(engine_->currentFrame, host_->Surface());
  }

 private:
  GifEngine* engine_ = nullptr;
  platform::ControlHost* host_ = nullptr;
};

struct HarnessOptions {
  bool user_mode = true;
  int width = 80;  // the control's client size in pixels
  int height = 24;
};

class EngineHarness {
 public:
  explicit EngineHarness(HarnessOptions options = {})
      : form(desktop), host(AddHost(form, options)), engine(host) {
    painter.Bind(engine, host);
    host.Attach(painter);
    for (const char* name : {"FrameChanged", "LoopsEnded"}) {
      host.SetEventHandler(name, [this, event = std::string(name)](platform::EventArgs& args) {
        std::string line = "t=" + std::to_string(desktop.Clock().Now()) + " " + event;
        for (const platform::EventArg& arg : args) {
          if (const auto* number = std::get_if<std::int32_t>(&arg.value))
            line += " " + std::to_string(*number);
          if (const auto* flag = std::get_if<bool>(&arg.value)) line += *flag ? " true" : " false";
        }
        timeline.push_back(line);
      });
    }
  }
  ~EngineHarness() { host.Detach(); }

  int Load(const std::vector<std::uint8_t>& bytes) {
    engine.gifBytes = bytes;
    return engine.LoadGIF();
  }
  void Advance(std::uint64_t ms) { desktop.Advance(ms); }
  std::uint64_t Now() { return desktop.Clock().Now(); }

  platform::headless::HeadlessDesktop desktop;
  platform::headless::HeadlessForm form;
  platform::headless::HeadlessHost& host;
  GifEngine engine;
  FramePainter painter;
  std::vector<std::string> timeline;  // "t=120 FrameChanged 1 true", "t=620 LoopsEnded"

 private:
  static platform::headless::HeadlessHost& AddHost(platform::headless::HeadlessForm& form,
                                                   const HarnessOptions& options) {
    platform::headless::HostOptions host_options;
    host_options.name = "g1";
    host_options.rect = platform::Rect{0, 0, options.width, options.height};
    host_options.user_mode = options.user_mode;
    return form.AddHost(host_options);
  }
};

// A 24-bit bitmap of one colour, as the surface a frame is drawn onto.
inline platform::Bitmap SolidSurface(int width, int height, platform::ColorRef color) {
  platform::Bitmap bitmap = platform::Bitmap::Create(width, height, 24).value();
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) bitmap.SetPixel(x, y, color);
  }
  return bitmap;
}

}  // namespace tovarin::gif::testing
