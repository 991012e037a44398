#include "platform/headless/forms/scripted_form_toolkit.h"

#include <algorithm>

namespace tovarin::platform::headless {

namespace {
template <typename T>
void Erase(std::vector<T*>& list, T* item) {
  list.erase(std::remove(list.begin(), list.end(), item), list.end());
}
}  // namespace

ScriptedTimer::ScriptedTimer(ScriptedFormToolkit& toolkit, unsigned interval_ms,
                             std::function<void()> on_tick)
    : toolkit_(toolkit), interval_ms_(interval_ms), on_tick_(std::move(on_tick)) {}

ScriptedTimer::~ScriptedTimer() { toolkit_.Forget(this); }

bool ScriptedTimer::Elapse() {
  if (!enabled_) return false;
  if (on_tick_) on_tick_();
  return true;
}

ScriptedTrayIcon::ScriptedTrayIcon(ScriptedFormToolkit& toolkit, TrayIconSettings settings)
    : toolkit_(toolkit), settings_(std::move(settings)) {}

ScriptedTrayIcon::~ScriptedTrayIcon() { toolkit_.Forget(this); }

void ScriptedTrayIcon::Press(int button) {
  if (settings_.in_tray && on_button_) on_button_(button, settings_.id);
}

Status ScriptedSkin::SkinH_AttachEx(std::string_view skin_path, std::string_view password) {
  calls_.push_back({std::string(skin_path), std::string(password)});
  if (failure_) return Error{*failure_};
  return {};
}

ScriptedFormToolkit::~ScriptedFormToolkit() = default;

Result<std::unique_ptr<FormWindow>> ScriptedFormToolkit::CreateFormWindow(
    const FormWindowSettings& settings) {
  if (fail_windows_) return Error{"no window can be made"};
  auto window = std::make_unique<ScriptedFormWindow>(*this, settings);
  windows_.push_back(window.get());
  return std::unique_ptr<FormWindow>(std::move(window));
}

std::unique_ptr<FormTimer> ScriptedFormToolkit::CreateTimer(unsigned interval_ms,
                                                            std::function<void()> on_tick) {
  auto timer = std::make_unique<ScriptedTimer>(*this, interval_ms, std::move(on_tick));
  timers_.push_back(timer.get());
  return timer;
}

Result<std::unique_ptr<TrayIcon>> ScriptedFormToolkit::CreateTrayIcon(
    const TrayIconSettings& settings) {
  if (fail_tray_icons_) return Error{"no notification area"};
  auto icon = std::make_unique<ScriptedTrayIcon>(*this, settings);
  tray_icons_.push_back(icon.get());
  return std::unique_ptr<TrayIcon>(std::move(icon));
}

void ScriptedFormToolkit::MessageBox(const std::string& text, const std::string& title, int icon) {
  message_boxes_.push_back({text, title, icon});
}

int ScriptedFormToolkit::Run() {
  RunPendingTasks();
  return quit_code_.value_or(-1);
}

std::optional<std::string> ScriptedFormToolkit::TakeMenuChoice() {
  if (menu_choices_.empty()) return std::nullopt;
  std::string choice = std::move(menu_choices_.front());
  menu_choices_.pop_front();
  return choice;
}

ScriptedFormWindow* ScriptedFormToolkit::WindowWithCaption(const std::string& caption) {
  for (ScriptedFormWindow* window : windows_) {
    if (window->Caption() == caption) return window;
  }
  return nullptr;
}

int ScriptedFormToolkit::VisibleWindowCount() const {
  return static_cast<int>(
      std::count_if(windows_.begin(), windows_.end(), [](auto* w) { return w->Visible(); }));
}

void ScriptedFormToolkit::RunPendingTasks() {
  while (!tasks_.empty()) {
    std::function<void()> task = std::move(tasks_.front());
    tasks_.pop_front();
    task();
  }
}

void ScriptedFormToolkit::ElapseTimers() {
  const std::vector<ScriptedTimer*> timers = timers_;  // a tick may destroy timers
  for (ScriptedTimer* timer : timers) {
    if (std::find(timers_.begin(), timers_.end(), timer) != timers_.end()) timer->Elapse();
  }
}

void ScriptedFormToolkit::Forget(ScriptedFormWindow* window) { Erase(windows_, window); }
void ScriptedFormToolkit::Forget(ScriptedTimer* timer) { Erase(timers_, timer); }
void ScriptedFormToolkit::Forget(ScriptedTrayIcon* tray_icon) { Erase(tray_icons_, tray_icon); }

}  // namespace tovarin::platform::headless
