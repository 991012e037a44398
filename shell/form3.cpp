#include "shell/form3.h"

#include "shell/application.h"
#include "shell/form_layout.h"

namespace tovarin::shell {

platform::Result<std::unique_ptr<Form3>> Form3::Create(platform::FormToolkit& toolkit,
                                                       Application& application,
                                                       const ShellSettings& settings) {
  auto window = toolkit.CreateFormWindow(Form3WindowSettings(settings.picture_folder));
  if (!window) return platform::Error{window.error()};
  std::unique_ptr<Form3> form(new Form3(std::move(window).value()));
  form->window_->SetOnClick([&application] { application.UnloadForm3(); });
  form->window_->SetOnCloseRequest([&application] { application.UnloadForm3(); });
  form->window_->CenterOnScreen();
  return form;
}

void Form3::Show() {
  if (loaded_) window_->Show();
}

void Form3::Unload() {
  if (!loaded_) return;
  loaded_ = false;
  window_->Hide();
}

}  // namespace tovarin::shell
