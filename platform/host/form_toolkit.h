#pragma once
// FormToolkit: what the program's forms need of the desktop: windows, timers, the tray icon,
// the skin, message boxes, the default browser, and the message loop. The GTK toolkit runs
// the program; the scripted toolkit (platform/headless) records everything for tests.

#include <functional>
#include <memory>
#include <string>

#include "platform/host/form_timer.h"
#include "platform/host/form_window.h"
#include "platform/host/skin_library.h"
#include "platform/host/tray_icon.h"
#include "platform/result.h"

namespace tovarin::platform {

// Icons of a message box.
enum MessageBoxIcon : int {
  kIconCritical = 16,
  kIconQuestion = 32,
  kIconWarning = 48,
  kIconInformation = 64
};

class FormToolkit {
 public:
  virtual ~FormToolkit() = default;

  // A new, hidden top-level window. Fails when the desktop cannot make one.
  virtual Result<std::unique_ptr<FormWindow>> CreateFormWindow(
      const FormWindowSettings& settings) = 0;
  // A timer calling `on_tick` every `interval_ms` milliseconds while enabled; made disabled.
  virtual std::unique_ptr<FormTimer> CreateTimer(unsigned interval_ms,
                                                 std::function<void()> on_tick) = 0;
  // A notification-area icon. Fails when the desktop has no way to show one.
  virtual Result<std::unique_ptr<TrayIcon>> CreateTrayIcon(const TrayIconSettings& settings) = 0;
  virtual SkinLibrary& Skin() = 0;

  // A modal message box with one OK button; returns when it is closed.
  virtual void MessageBox(const std::string& text, const std::string& title, int icon) = 0;
  // Opens `address` in the desktop's default browser; failures are not reported.
  virtual void OpenAddress(const std::string& address) = 0;

  // Runs `task` from the message loop, after the current event has been handled.
  virtual void PostTask(std::function<void()> task) = 0;
  // Ends the message loop; Run then returns `exit_code`.
  virtual void Quit(int exit_code) = 0;
  virtual int Run() = 0;
};

}  // namespace tovarin::platform
