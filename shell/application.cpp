#include "shell/application.h"

#include "shell/form1.h"
#include "shell/form2.h"
#include "shell/form3.h"

namespace tovarin::shell {

Application::Application(platform::FormToolkit& toolkit, ShellSettings settings,
                         std::function<bool()> another_instance_running)
    : toolkit_(toolkit),
      settings_(std::move(settings)),
      another_instance_running_(std::move(another_instance_running)) {}

Application::~Application() {
  // Forms go in the order of the exit sequence.
  form1_.reset();
  form2_.reset();
  form3_.reset();
  retired_.clear();
}

StartOutcome Application::Start() {
  auto form = Form1::Create(toolkit_, *this, settings_);
  platform::Status loaded =
      form ? platform::Status{} : platform::Status{platform::Error{form.error()}};
  if (form) {
    form1_ = std::move(form).value();
    loaded = form1_->Load();
  }
  if (!loaded) {
    start_error_ = loaded.error();
    toolkit_.MessageBox(kStartErrorText, kStartErrorTitle, platform::kIconCritical);
    return StartOutcome::kFailed;
  }
  if (form1_ == nullptr) return StartOutcome::kSecondInstance;
  form1_->CenterOnScreen();
  form1_->Show();
  return StartOutcome::kShown;
}

int Application::Run() {
  switch (Start()) {
    case StartOutcome::kFailed: return 1;
    case StartOutcome::kSecondInstance: return 0;
    case StartOutcome::kShown: break;
  }
  return toolkit_.Run();
}

Form1* Application::form1() { return form1_.get(); }
Form3* Application::form3() { return form3_.get(); }

Form2& Application::form2() {
  if (form2_ == nullptr) form2_ = std::make_unique<Form2>(toolkit_, *this, settings_);
  return *form2_;
}

bool Application::AnotherInstanceRunning() {
  return another_instance_running_ && another_instance_running_();
}

void Application::ShowForm3() {
  if (form3_ == nullptr) {
    auto made = Form3::Create(toolkit_, *this, settings_);
    if (!made) return;  // the splash cannot be made: the program goes on without it
    form3_ = std::move(made).value();
  }
  form3_->Show();
}

template <typename Form>
void Application::Retire(std::unique_ptr<Form>& form) {
  retired_.push_back(std::shared_ptr<Form>(std::move(form)));
  if (cleanup_posted_) return;
  cleanup_posted_ = true;
  toolkit_.PostTask([this] {
    cleanup_posted_ = false;
    // Destroy outside the container: a form's destructor must not see the vector mid-change.
    std::vector<std::shared_ptr<void>> dead;
    dead.swap(retired_);
  });
}

void Application::UnloadForm1() {
  if (form1_ == nullptr) return;
  form1_->Unload();
  Retire(form1_);
  QuitWhenNoFormLeft();
}

void Application::UnloadForm2() {
  if (form2_ == nullptr) return;
  Retire(form2_);
  QuitWhenNoFormLeft();
}

void Application::UnloadForm3() {
  if (form3_ == nullptr) return;
  form3_->Unload();
  Retire(form3_);
  QuitWhenNoFormLeft();
}

void Application::Exit() {
  UnloadForm1();
  UnloadForm2();
  UnloadForm3();
}

void Application::QuitWhenNoFormLeft() {
  if (form1_ || form2_ || form3_ || quit_requested_) return;
  quit_requested_ = true;
  toolkit_.Quit(0);
}

}  // namespace tovarin::shell
