#include "anigif/uc_ani_gif.h"

#include <cmath>
#include <limits>

#include "platform/raster/system_colors.h"

namespace tovarin::anigif {
namespace {

constexpr int kMinDelayMs = 10;
constexpr int kMaxDelayMs = 32700;
constexpr int kDrawStyleDotted = 2;
constexpr std::uint32_t kWindowFrameColor = 0x80000000u + platform::kColorWindowFrame;

}  // namespace

ucAniGIF::ucAniGIF(platform::ControlHost& host) : host_(host), engine_(host) {}

ucAniGIF::~ucAniGIF() {
  engine_.ResetEngine();
  engine_.ReleaseCallbacks();
}

void ucAniGIF::OnInitialize() {
  // Only the design-mode outline uses these.
  host_.SetDrawStyle(kDrawStyleDotted);
  host_.SetForeColor(kWindowFrameColor);
}

void ucAniGIF::OnTerminate() {
  engine_.ResetEngine();
  engine_.ReleaseCallbacks();
}

void ucAniGIF::OnShow() {
  if (engine_.actionState == gif::RunState::kPaused)
    engine_.SetAnimationTimer(gif::AnimationTimer::kAnimate);
}

void ucAniGIF::OnHide() { SetAction(gif::RunState::kPaused); }

// ---- Properties

void ucAniGIF::SetEnabled(bool Enable) {
  host_.SetEnabled(Enable);
  host_.PropertyChanged("Enabled");
}

int ucAniGIF::FrameCount() const { return Loaded() ? engine_.FrameCount() : 0; }

int ucAniGIF::ActualWidth() const {
  return static_cast<int>(std::floor(engine_.screen.screenWidth * host_.ContainerUnitsPerPixel()));
}

int ucAniGIF::ActualHeight() const {
  return static_cast<int>(std::floor(engine_.screen.screenHeight * host_.ContainerUnitsPerPixel()));
}

void ucAniGIF::SetStretch(int newScale) {
  if (newScale < 0 || newScale > 4 || newScale == Stretch()) return;
  const gif::RunState remembered = engine_.actionState;
  engine_.stretchMode = static_cast<gif::StretchSetting>(newScale);
  SetAction(gif::RunState::kPaused);
  OnResize();
  // Restoring a stopped state goes through Action 0, which rewinds to frame 1.
  SetAction(remembered);
  if (remembered != gif::RunState::kRunning) host_.Refresh();
  host_.PropertyChanged("Stretch");
}

void ucAniGIF::SetMinFrameDelay(int Delay) {
  const int clamped =
      Delay < kMinDelayMs ? kMinDelayMs : (Delay > kMaxDelayMs ? kMaxDelayMs : Delay);
  if (clamped == engine_.minFrameDelay) return;
  engine_.minFrameDelay = clamped;
  host_.PropertyChanged("Delay");
}

platform::Status ucAniGIF::SetLoops(std::int32_t Count) {
  if (Count == engine_.screen.loops) return {};
  if (Count == std::numeric_limits<std::int32_t>::min()) return platform::Error{"Overflow"};
  engine_.screen.loops = Count < 0 ? -Count : Count;
  host_.PropertyChanged("Loops");
  return {};
}

std::int32_t ucAniGIF::LoopsRemaining() const {
  if (!Loaded()) return 0;
  if (engine_.screen.loops == 0) return std::numeric_limits<std::int32_t>::max();
  return engine_.loopsRemaining;
}

void ucAniGIF::SetMirrored(int MirrorStyle) {
  if (MirrorStyle < 0 || MirrorStyle > 3) return;
  if (!Loaded()) {
    engine_.mirrorStyle = MirrorStyle;
    host_.PropertyChanged("Mirrored");
    return;
  }
  if (MirrorStyle == Mirrored()) return;
  const gif::RunState remembered = engine_.actionState;
  SetAction(gif::RunState::kPaused);
  const bool user_mode = host_.UserMode();
  engine_.ApplyMirror(MirrorStyle, !user_mode, user_mode);
  engine_.mirrorStyle = MirrorStyle;
  if (remembered == gif::RunState::kRunning) {
    SetAction(gif::RunState::kRunning);
  } else {
    host_.Refresh();
  }
  host_.PropertyChanged("Mirrored");
}

void ucAniGIF::SetAction(int Act) {
  if (!Loaded() || !host_.UserMode() || Act < 0 || Act > 4) return;
  auto rewind = [this] {
    engine_.SetAnimationTimer(gif::AnimationTimer::kStop);
    engine_.loopsRemaining = engine_.screen.loops;
    engine_.currentFrame = 1;
    host_.Refresh();
    platform::EventArgs args{{"FrameIndex", std::int32_t{1}}, {"viaTimer", false}};
    host_.RaiseEvent("FrameChanged", args);
  };
  switch (Act) {
    case 0: rewind(); break;
    case 1: engine_.SetAnimationTimer(gif::AnimationTimer::kAnimate); break;
    case 2:
      if (engine_.actionState != gif::RunState::kStopped) {
        engine_.SetAnimationTimer(gif::AnimationTimer::kStop);
        engine_.actionState = gif::RunState::kPaused;
      }
      break;
    case 3: {
      engine_.SetAnimationTimer(gif::AnimationTimer::kStop);
      engine_.currentFrame =
          engine_.currentFrame >= engine_.FrameCount() ? 1 : engine_.currentFrame + 1;
      engine_.actionState = gif::RunState::kPaused;
      host_.Refresh();
      platform::EventArgs args{{"FrameIndex", std::int32_t{engine_.currentFrame}},
                               {"viaTimer", false}};
      host_.RaiseEvent("FrameChanged", args);
      break;
    }
    case 4:
      rewind();
      engine_.SetAnimationTimer(gif::AnimationTimer::kAnimate);
      break;
  }
}

void ucAniGIF::SetDelayAnimation(int Mode) {
  if (Mode < 0 || Mode > 3 || Mode == engine_.delayAnimation) return;
  engine_.delayAnimation = Mode;
  host_.PropertyChanged("DelayAnimation");
}

void ucAniGIF::SetMouseIcon(platform::PicturePtr MousePic) {
  const bool empty = MousePic == nullptr || MousePic->IsEmpty();
  host_.SetMouseIcon(std::move(MousePic));
  if (empty) host_.SetMousePointer(0);
  host_.PropertyChanged("MouseIcon");
}

void ucAniGIF::SetMousePointer(int Pointer) { host_.SetMousePointer(Pointer); }

void ucAniGIF::SetOffsetX(int NewOffset) {
  engine_.offsetX = NewOffset;
  if (engine_.actionState != gif::RunState::kRunning || !host_.UserMode()) host_.Refresh();
}

void ucAniGIF::SetOffsetY(int NewOffset) {
  engine_.offsetY = NewOffset;
  if (engine_.actionState != gif::RunState::kRunning || !host_.UserMode()) host_.Refresh();
}

void ucAniGIF::SetSolidBkgColor(std::uint32_t Color) {
  engine_.solidBkgColor = Color;
  if (engine_.solidBkgColorUsed && !host_.UserMode()) host_.Refresh();
}

void ucAniGIF::SetSolidBkgColorUsed(bool IgnoreTransparency) {
  engine_.solidBkgColorUsed = IgnoreTransparency;
  if (!host_.UserMode()) host_.Refresh();
}

void ucAniGIF::SetSteppedDelay(int newDelay) { engine_.steppedDelay = newDelay < 0 ? 0 : newDelay; }

}  // namespace tovarin::anigif
