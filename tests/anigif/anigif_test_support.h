#pragma once
// A ucAniGIF on a headless form: desktop with virtual clock, one host named "g1" measured in
// twips (15 units per pixel), the control attached, and every event recorded as a line
// "t=MS Name args..." with the virtual time it was raised at.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "anigif/uc_ani_gif.h"
#include "platform/headless/controls/headless_desktop.h"
#include "platform/headless/controls/headless_form.h"
#include "platform/headless/controls/headless_host.h"
#include "tests/gif/gif_engine_test_support.h"

namespace tovarin::anigif::testing {

struct FixtureOptions {
  bool user_mode = true;
  int width = 40;
  int height = 30;
};

class AniGifFixture {
 public:
  explicit AniGifFixture(FixtureOptions options = {})
      : form(desktop), host(AddHost(form, options)), control(std::make_unique<ucAniGIF>(host)) {
    host.Attach(*control);
    for (const char* name : {"FrameChanged", "LoopsEnded", "Click", "MouseDown", "MouseUp",
                             "MouseMove", "RemoteLoadComplete", "RemoteLoadFailure"}) {
      host.SetEventHandler(name, [this, event = std::string(name)](platform::EventArgs& args) {
        std::string line = "t=" + std::to_string(desktop.Clock().Now()) + " " + event;
        for (platform::EventArg& arg : args) {
          if (const auto* number = std::get_if<std::int32_t>(&arg.value))
            line += " " + std::to_string(*number);
          if (const auto* real = std::get_if<double>(&arg.value))
            line += " " + std::to_string(static_cast<long long>(*real));
          if (const auto* flag = std::get_if<bool>(&arg.value)) line += *flag ? " true" : " false";
          if (arg.name == "Cancel" && cancel_remote) arg.value = true;
        }
        events.push_back(line);
      });
    }
  }
  ~AniGifFixture() {
    control->OnTerminate();
    host.Detach();
  }

  // Runs InitNew as a form does for a control that has no saved settings.
  void InitNew() { host.InitNew(); }
  void Advance(std::uint64_t ms) { desktop.Advance(ms); }
  bool LoadBytes(const std::vector<std::uint8_t>& bytes) {
    return control->LoadAnimatedGIF_Array(ArrayArgument::Of(std::span<const std::uint8_t>(bytes)));
  }
  void ClearEvents() { events.clear(); }

  platform::headless::HeadlessDesktop desktop;
  platform::headless::HeadlessForm form;
  platform::headless::HeadlessHost& host;
  std::unique_ptr<ucAniGIF> control;
  std::vector<std::string> events;
  bool cancel_remote = false;

 private:
  static platform::headless::HeadlessHost& AddHost(platform::headless::HeadlessForm& form,
                                                   const FixtureOptions& options) {
    platform::headless::HostOptions host_options;
    host_options.name = "g1";
    host_options.rect = platform::Rect{0, 0, options.width, options.height};
    host_options.user_mode = options.user_mode;
    return form.AddHost(host_options);
  }
};

// Three 4 x 4 frames of colours 1, 2, 3 shown 100 ms each, on a 4-colour global table.
inline std::vector<std::uint8_t> ThreeFrameGif(std::optional<int> loops = std::nullopt) {
  gif::testing::TestGif gif;
  gif.global_table = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
  gif.loops = loops;
  for (std::uint8_t index = 1; index <= 3; ++index) {
    gif::testing::TestFrame frame = gif::testing::SolidFrame(0, 0, 4, 4, index);
    frame.delay_cs = 10;
    gif.frames.push_back(frame);
  }
  return gif::testing::BuildGif(gif);
}

}  // namespace tovarin::anigif::testing
