#pragma once
// Application: the program's three forms and their lifetimes, the start-up with its one error
// report, and the exit sequence.
//
// Form1 is made and loaded at start; Form2 is made the first time one of its menus is needed;
// form3 when the about item shows it. Unloading a form makes it inert at once and destroys it
// from the message loop (a form is often unloaded from inside its own handler). When no form
// is loaded any more the message loop ends.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/host/form_toolkit.h"
#include "shell/shell_settings.h"

namespace tovarin::shell {

class Form1;
class Form2;
class Form3;

// The start-up error report: title and six lines joined by CR LF, none after the last.
inline constexpr const char* kStartErrorTitle = "错误提示";
inline constexpr const char* kStartErrorText =
    "打开失败！可能出现以下问题：\r\n"
    "* Skin.dll文件丢失！\r\n"
    "* TovarinTray.ocx文件丢失！\r\n"
    "  解决方法：请重装本软件。\r\n"
    "* 您未安装Internet Explorer！\r\n"
    "  解决方法：请安装最新版本的Internet Explorer。";

enum class StartOutcome {
  kShown,           // Form1 is shown; run the message loop
  kSecondInstance,  // another instance runs: Form1 unloaded itself, nothing was shown
  kFailed,          // a start-up step failed; the error report was shown and closed
};

class Application {
 public:
  // `another_instance_running` is asked once, at the last start-up step.
  Application(platform::FormToolkit& toolkit, ShellSettings settings,
              std::function<bool()> another_instance_running);
  ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  // Creates and loads Form1, then shows it centred on the screen unless it unloaded itself.
  StartOutcome Start();
  // Start, then the message loop until no form is left. Returns the process's exit status:
  // 0, or 1 after a failed start.
  int Run();

  // Form1 while it is loaded, or nullptr.
  Form1* form1();
  // Form2, made on first reference.
  Form2& form2();
  // form3 while it is loaded, or nullptr.
  Form3* form3();

  bool AnotherInstanceRunning();
  // Shows form3, making it first when it is not loaded.
  void ShowForm3();
  void UnloadForm1();
  void UnloadForm2();
  void UnloadForm3();
  // Unloads Form1, then Form2, then form3; a form that is not loaded is left alone.
  void Exit();
  // The last error a start-up step gave (empty after a good start); for diagnostics.
  const std::string& StartError() const { return start_error_; }

 private:
  template <typename Form>
  void Retire(std::unique_ptr<Form>& form);
  void QuitWhenNoFormLeft();

  platform::FormToolkit& toolkit_;
  ShellSettings settings_;
  std::function<bool()> another_instance_running_;
  std::unique_ptr<Form1> form1_;
  std::unique_ptr<Form2> form2_;
  std::unique_ptr<Form3> form3_;
  // Unloaded forms waiting to be destroyed from the message loop.
  std::vector<std::shared_ptr<void>> retired_;
  bool cleanup_posted_ = false;
  bool quit_requested_ = false;
  std::string start_error_;
};

}  // namespace tovarin::shell
