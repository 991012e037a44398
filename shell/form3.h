#pragma once
// form3: the about splash, a borderless 300 x 200 pixel window filled by the about picture.
// A click anywhere on it unloads it. It opens in the middle of the screen, since it is shown
// without an owner.

#include <memory>

#include "platform/host/form_toolkit.h"
#include "shell/shell_settings.h"

namespace tovarin::shell {

class Application;

class Form3 {
 public:
  static platform::Result<std::unique_ptr<Form3>> Create(platform::FormToolkit& toolkit,
                                                         Application& application,
                                                         const ShellSettings& settings);
  void Show();
  // Hides the window; the Application destroys the object later from the message loop.
  void Unload();
  bool Loaded() const { return loaded_; }
  platform::FormWindow& window() { return *window_; }

 private:
  explicit Form3(std::unique_ptr<platform::FormWindow> window) : window_(std::move(window)) {}
  std::unique_ptr<platform::FormWindow> window_;
  bool loaded_ = true;
};

}  // namespace tovarin::shell
