#pragma once
// A started program on the scripted toolkit: Form1 loaded and shown, with handles on its
// window, controls, timer and tray icon as the tests act on them.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/headless/forms/scripted_browser_view.h"
#include "platform/headless/forms/scripted_form_toolkit.h"
#include "shell/application.h"
#include "shell/form1.h"
#include "shell/form2.h"

namespace tovarin::shell::testing {

namespace headless = platform::headless;

inline constexpr const char* kTestServicePrefix =
    "http://127.0.0.1:9/tovarin/Client/Tovarin.aspx?url=";

inline ShellSettings TestSettings() {
  ShellSettings settings;
  settings.ServicePrefix = kTestServicePrefix;
  settings.StartAddress = "wap.start.test";
  settings.simulator_base = "http://sim.test";
  settings.HomePageUrl = "http://home.test/";
  settings.program_folder = "/opt/tovarin";
  settings.picture_folder = "/opt/tovarin/pictures";
  return settings;
}

class ShellTest : public ::testing::Test {
 protected:
  // Makes the application; `another_instance` answers the single-instance question.
  void MakeApplication(bool another_instance = false) {
    application_ = std::make_unique<Application>(toolkit_, TestSettings(),
                                                 [another_instance] { return another_instance; });
  }
  // Starts the program and takes handles on Form1's pieces.
  StartOutcome Start(bool another_instance = false) {
    MakeApplication(another_instance);
    const StartOutcome outcome = application_->Start();
    window_ = toolkit_.WindowWithCaption("Tovarin 1.2");
    if (window_ != nullptr) {
      view_ = window_->BrowserViewNamed("W1");
      text1_ = window_->TextBoxNamed("Text1");
      check1_ = window_->CheckBoxNamed("Check1");
      label1_ = window_->Clickable("Label1");
      g1_ = window_->Clickable("g1");
      a1_ = window_->Clickable("a1");
      a2_ = window_->Clickable("a2");
      a3_ = window_->Clickable("a3");
    }
    if (!toolkit_.TrayIcons().empty()) tray_ = toolkit_.TrayIcons().front();
    return outcome;
  }
  void StartShown() {
    ASSERT_EQ(Start(), StartOutcome::kShown);
    ASSERT_NE(window_, nullptr);
    ASSERT_NE(view_, nullptr);
    ASSERT_NE(text1_, nullptr);
    ASSERT_NE(check1_, nullptr);
    ASSERT_NE(tray_, nullptr);
  }
  headless::ScriptedTimer* Timer1() {
    return toolkit_.Timers().empty() ? nullptr : toolkit_.Timers().front();
  }
  std::string Service(const std::string& address) {
    return std::string(kTestServicePrefix) + address;
  }

  headless::ScriptedFormToolkit toolkit_;
  std::unique_ptr<Application> application_;
  headless::ScriptedFormWindow* window_ = nullptr;
  headless::ScriptedBrowserView* view_ = nullptr;
  headless::ScriptedTextBox* text1_ = nullptr;
  headless::ScriptedCheckBox* check1_ = nullptr;
  headless::ScriptedChild* label1_ = nullptr;
  headless::ScriptedChild* g1_ = nullptr;
  headless::ScriptedChild* a1_ = nullptr;
  headless::ScriptedChild* a2_ = nullptr;
  headless::ScriptedChild* a3_ = nullptr;
  headless::ScriptedTrayIcon* tray_ = nullptr;
};

}  // namespace tovarin::shell::testing
