#pragma once
// ScriptedFormToolkit: the form toolkit for tests. It keeps every window, timer and tray icon
// it made (while they live), records message boxes, opened addresses and the skin calls, keeps
// posted tasks until the test runs them, and takes the user's menu choices from a queue.
//
// Menus: a pop-up takes the next queued choice (an item name). When that item is in the popped
// menu's tree, visible, enabled, not a separator and has visible, enabled ancestors, its handler
// runs before the pop-up returns; otherwise (or with the queue empty) the menu closes with no
// choice.

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/headless/forms/scripted_form_window.h"
#include "platform/host/form_toolkit.h"

namespace tovarin::platform::headless {

class ScriptedTimer final : public FormTimer {
 public:
  ScriptedTimer(ScriptedFormToolkit& toolkit, unsigned interval_ms, std::function<void()> on_tick);
  ~ScriptedTimer() override;
  unsigned IntervalMs() const override { return interval_ms_; }
  bool Enabled() const override { return enabled_; }
  void SetEnabled(bool enabled) override { enabled_ = enabled; }
  // One interval passes: an enabled timer ticks. Returns whether it ticked.
  bool Elapse();

 private:
  ScriptedFormToolkit& toolkit_;
  unsigned interval_ms_;
  std::function<void()> on_tick_;
  bool enabled_ = false;
};

class ScriptedTrayIcon final : public TrayIcon {
 public:
  ScriptedTrayIcon(ScriptedFormToolkit& toolkit, TrayIconSettings settings);
  ~ScriptedTrayIcon() override;
  bool InTray() const override { return settings_.in_tray; }
  void SetInTray(bool in_tray) override { settings_.in_tray = in_tray; }
  const std::string& ToolTip() const override { return settings_.tool_tip; }
  void SetOnButton(std::function<void(int, int)> handler) override {
    on_button_ = std::move(handler);
  }
  bool InNotificationArea() const override { return settings_.in_tray && area_; }
  // Whether the desktop has a notification area for the icon (it has one unless told).
  void SetNotificationArea(bool present) { area_ = present; }
  const TrayIconSettings& Settings() const { return settings_; }
  // The user presses `button` on the icon; nothing happens while the icon is not in the tray.
  void Press(int button);

 private:
  ScriptedFormToolkit& toolkit_;
  TrayIconSettings settings_;
  std::function<void(int, int)> on_button_;
  bool area_ = true;
};

struct SkinCall {
  std::string skin_path;
  std::string password;
};

class ScriptedSkin final : public SkinLibrary {
 public:
  Status SkinH_AttachEx(std::string_view skin_path, std::string_view password) override;
  // The result of the following calls: success, or this error.
  void SetFailure(std::optional<std::string> error) { failure_ = std::move(error); }
  const std::vector<SkinCall>& Calls() const { return calls_; }

 private:
  std::vector<SkinCall> calls_;
  std::optional<std::string> failure_;
};

struct MessageBoxCall {
  std::string text;
  std::string title;
  int icon = 0;
};

class ScriptedFormToolkit final : public FormToolkit {
 public:
  ScriptedFormToolkit() = default;
  ~ScriptedFormToolkit() override;
  ScriptedFormToolkit(const ScriptedFormToolkit&) = delete;
  ScriptedFormToolkit& operator=(const ScriptedFormToolkit&) = delete;

  Result<std::unique_ptr<FormWindow>> CreateFormWindow(const FormWindowSettings& settings) override;
  std::unique_ptr<FormTimer> CreateTimer(unsigned interval_ms,
                                         std::function<void()> on_tick) override;
  Result<std::unique_ptr<TrayIcon>> CreateTrayIcon(const TrayIconSettings& settings) override;
  SkinLibrary& Skin() override { return skin_; }
  void MessageBox(const std::string& text, const std::string& title, int icon) override;
  void OpenAddress(const std::string& address) override { opened_addresses_.push_back(address); }
  void PostTask(std::function<void()> task) override { tasks_.push_back(std::move(task)); }
  void Quit(int exit_code) override { quit_code_ = exit_code; }
  // Runs posted tasks until none is left. Returns the Quit code, or -1 when nothing quit.
  int Run() override;

  // --- Failures to simulate
  void FailWindows(bool fail) { fail_windows_ = fail; }
  void FailBrowserViews(bool fail) { fail_browser_views_ = fail; }
  void FailTrayIcons(bool fail) { fail_tray_icons_ = fail; }
  bool BrowserViewsFail() const { return fail_browser_views_; }

  // --- The user's menu choices
  void QueueMenuChoice(std::string item_name) { menu_choices_.push_back(std::move(item_name)); }
  std::optional<std::string> TakeMenuChoice();

  // --- What happened
  ScriptedSkin& ScriptedSkinLibrary() { return skin_; }
  // Live windows in creation order; the window with `caption`, or nullptr.
  const std::vector<ScriptedFormWindow*>& Windows() const { return windows_; }
  ScriptedFormWindow* WindowWithCaption(const std::string& caption);
  int VisibleWindowCount() const;
  const std::vector<ScriptedTimer*>& Timers() const { return timers_; }
  const std::vector<ScriptedTrayIcon*>& TrayIcons() const { return tray_icons_; }
  const std::vector<MessageBoxCall>& MessageBoxes() const { return message_boxes_; }
  const std::vector<std::string>& OpenedAddresses() const { return opened_addresses_; }
  std::size_t PendingTasks() const { return tasks_.size(); }
  // Runs the posted tasks (and those they post) until none is left.
  void RunPendingTasks();
  std::optional<int> QuitCode() const { return quit_code_; }
  // Lets every live, enabled timer tick once (in creation order).
  void ElapseTimers();

  // Bookkeeping of the scripted objects.
  void Forget(ScriptedFormWindow* window);
  void Forget(ScriptedTimer* timer);
  void Forget(ScriptedTrayIcon* tray_icon);

 private:
  ScriptedSkin skin_;
  std::vector<ScriptedFormWindow*> windows_;
  std::vector<ScriptedTimer*> timers_;
  std::vector<ScriptedTrayIcon*> tray_icons_;
  std::vector<MessageBoxCall> message_boxes_;
  std::vector<std::string> opened_addresses_;
  std::deque<std::function<void()>> tasks_;
  std::deque<std::string> menu_choices_;
  std::optional<int> quit_code_;
  bool fail_windows_ = false;
  bool fail_browser_views_ = false;
  bool fail_tray_icons_ = false;
};

}  // namespace tovarin::platform::headless
