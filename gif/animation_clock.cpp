// The animation clock: one host timer per engine, keyed by the engine's own identity, whose
// expiries are routed to the handler the engine last bound (frame advance or deferred build).
// Every tick is one-shot in effect: the handler kills the timer and re-arms it with the delay
// of the frame it just showed.

#include <algorithm>
#include <limits>

#include "gif/gif_engine.h"

namespace tovarin::gif {
namespace {

constexpr int kOnlyCallbackSlot = 0;
constexpr int kMessageBoxErrorIcon = 16;
constexpr char kCallbackErrorTitle[] = "Error in ucAniGIF.cb_Callback";

}  // namespace

std::uint64_t GifEngine::TimerId() const { return reinterpret_cast<std::uintptr_t>(this); }

int GifEngine::FrameDelay(int frame) const {
  if (steppedDelay != 0) return steppedDelay;
  const std::size_t i = static_cast<std::size_t>(frame - 1);
  const int delay = i < frames.size() ? frames[i].delay : 0;
  return std::max(delay, minFrameDelay);
}

namespace {
// Delays are whole milliseconds; the desktop raises anything shorter than its minimum.
unsigned TimerInterval(int delay_ms) {
  return static_cast<unsigned>(std::max<int>(delay_ms, static_cast<int>(kMinTimerIntervalMs)));
}
}  // namespace

bool GifEngine::SetAnimationTimer(AnimationTimer kind) {
  if (kind == AnimationTimer::kStop) {
    if (host_.UserMode()) host_.KillTimer(TimerId());
    ++timerGeneration_;
    actionState = RunState::kStopped;
    return false;
  }
  if (kind != AnimationTimer::kAnimate && kind != AnimationTimer::kDeferredBuild) return false;
  if (actionState == RunState::kRunning) return false;
  actionState = RunState::kStopped;
  if (currentFrame == 0 || !host_.UserMode()) return false;
  // An animation paused or hidden before its deferred build ran has frames 2..N still to
  // build: resuming it runs that build first, which then starts the animation itself.
  // Animating unbuilt frames would show them as flat areas of colour 0.
  if (kind == AnimationTimer::kAnimate && FramesBuilt() < FrameCount())
    kind = AnimationTimer::kDeferredBuild;
  if (FrameCount() <= 1 && kind != AnimationTimer::kDeferredBuild) return false;

  if (CreateTimerCallback(kind, kOnlyCallbackSlot) == 0) return false;
  timerWindow_ = host_.ParentWindow();
  if (timerWindow_ == 0) {
    timerRoute_ = AnimationTimer::kStop;
    return false;
  }
  const auto expiry = [this] { OnTimerExpiry(); };
  // Probe: a host that refuses timers leaves the animation stopped.
  if (!host_.SetTimer(TimerId(), kTimerProbeMs, expiry)) {
    timerRoute_ = AnimationTimer::kStop;
    return false;
  }
  host_.KillTimer(TimerId());
  const unsigned interval = kind == AnimationTimer::kDeferredBuild
                                ? kDeferredBuildDelayMs
                                : TimerInterval(FrameDelay(currentFrame));
  // The probe succeeded, so this one is granted as well; its result is not examined.
  (void)host_.SetTimer(TimerId(), interval, expiry);
  ++timerGeneration_;
  actionState = RunState::kRunning;
  return true;
}

std::uint64_t GifEngine::CreateTimerCallback(AnimationTimer route, int slot) {
  if (slot != kOnlyCallbackSlot) {
    host_.MessageBox("nThunkNo doesn't exist.", kCallbackErrorTitle, kMessageBoxErrorIcon);
    return 0;
  }
  if (route != AnimationTimer::kAnimate && route != AnimationTimer::kDeferredBuild) {
    host_.MessageBox("Callback address not found.", kCallbackErrorTitle, kMessageBoxErrorIcon);
    return 0;
  }
  // Binding again replaces the previous routing: one handler at a time.
  timerRoute_ = route;
  return TimerId();
}

void GifEngine::ReleaseCallbacks() { timerRoute_ = AnimationTimer::kStop; }

void GifEngine::OnTimerExpiry() {
  switch (timerRoute_) {
    case AnimationTimer::kAnimate: OnAnimationTimer(timerWindow_, TimerId()); break;
    case AnimationTimer::kDeferredBuild: OnDeferredBuildTimer(timerWindow_, TimerId()); break;
    default:
      // Nothing is bound any more: the expiry belongs to a timer that should be gone.
      host_.KillTimer(TimerId());
      break;
  }
}

void GifEngine::OnAnimationTimer(platform::WindowHandle window, std::uint64_t id) {
  (void)window;
  host_.KillTimer(id);
  const int count = FrameCount();
  if (count == 0 || currentFrame == 0) {
    actionState = RunState::kStopped;
    return;
  }
  const int previous = currentFrame;
  bool wrapped = false;
  if (++currentFrame > count) {
    currentFrame = 1;
    wrapped = true;
  }
  bool rearm = true;
  if (count == 1) {
    loopsRemaining = 0;
    actionState = RunState::kStopped;
    rearm = false;
  } else if (wrapped && screen.loops != 0) {
    // A resumed animation whose passes had all run goes below 0 here and then runs on;
    // the counter wraps instead of overflowing.
    loopsRemaining = static_cast<std::int32_t>(static_cast<std::uint32_t>(loopsRemaining) - 1u);
    if (loopsRemaining == 0) {
      actionState = RunState::kStopped;
      rearm = false;
    }
  }
  const std::uint64_t generation = timerGeneration_;
  host_.Refresh();
  RaiseFrameChanged(previous, true);
  if (rearm) {
    // A handler that stopped, paused, restarted or reloaded the animation during the events
    // above owns the timer now; re-arming would run frames behind its back.
    if (generation == timerGeneration_ && actionState == RunState::kRunning) {
      (void)host_.SetTimer(id, TimerInterval(FrameDelay(currentFrame)),
                           [this] { OnTimerExpiry(); });
      ++timerGeneration_;
    }
  } else {
    host_.RaiseEvent("LoopsEnded");
  }
}

void GifEngine::OnDeferredBuildTimer(platform::WindowHandle window, std::uint64_t id) {
  (void)window;
  (void)id;
  SetAnimationTimer(AnimationTimer::kStop);
  BuildFrames(false);
}

}  // namespace tovarin::gif
