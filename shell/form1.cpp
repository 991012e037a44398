#include "shell/form1.h"

#include "anigif/uc_ani_gif.h"
#include "button/teskbutton.h"
#include "platform/host/control_host.h"
#include "shell/address_rules.h"
#include "shell/application.h"
#include "shell/control_settings.h"
#include "shell/form2.h"
#include "shell/form_layout.h"
#include "shell/text_length.h"

namespace tovarin::shell {

using platform::Error;
using platform::Result;
using platform::Status;

Form1::Form1(platform::FormToolkit& toolkit, Application& application,
             const ShellSettings& settings)
    : toolkit_(toolkit), application_(application), settings_(settings) {}

Form1::~Form1() {
  if (controls_.W1 != nullptr) controls_.W1->SetEventSink(nullptr);
  if (M_Dom) M_Dom->SetOnContextMenu(nullptr);
}

Result<std::unique_ptr<Form1>> Form1::Create(platform::FormToolkit& toolkit,
                                             Application& application,
                                             const ShellSettings& settings) {
  std::unique_ptr<Form1> form(new Form1(toolkit, application, settings));
  if (Status made = form->CreateControls(); !made) return Error{made.error()};
  form->ConnectHandlers();
  return form;
}

Status Form1::CreateControls() {
  auto window = toolkit_.CreateFormWindow(Form1WindowSettings(settings_.picture_folder));
  if (!window) return Error{"the main window cannot be made: " + window.error()};
  window_ = std::move(window).value();

  for (const ChildLayout& child : Form1Children(settings_.picture_folder)) {
    const std::string& name = child.settings.name;
    switch (child.kind) {
      case ChildKind::kBrowserView: {
        auto view = window_->AddBrowserView(child.settings);
        if (!view) return Error{"the browser view cannot be made: " + view.error()};
        controls_.W1 = view.value();
        break;
      }
      case ChildKind::kTextBox: controls_.Text1 = window_->AddTextBox(child.settings); break;
      case ChildKind::kCheckBox: controls_.Check1 = window_->AddCheckBox(child.settings); break;
      case ChildKind::kLabel: controls_.Label1 = window_->AddLabel(child.settings); break;
      case ChildKind::kPicture:
      case ChildKind::kControl: {
        platform::ClickableChild* made = nullptr;
        if (child.kind == ChildKind::kPicture) {
          made = window_->AddPicture(child.settings);
        } else {
          auto control = AddControl(child.settings);
          if (!control) return Error{control.error()};
          made = control.value();
        }
        if (name == "Picture1") controls_.Picture1 = made;
        if (name == "Picture2") controls_.Picture2 = made;
        if (name == "Picture3") controls_.Picture3 = made;
        if (name == "a1") controls_.a1 = made;
        if (name == "a2") controls_.a2 = made;
        if (name == "a3") controls_.a3 = made;
        if (name == "g1") controls_.g1 = made;
        break;
      }
    }
  }
  if (!controls_.W1 || !controls_.Text1 || !controls_.Check1 || !controls_.Label1 ||
      !controls_.a1 || !controls_.a2 || !controls_.a3 || !controls_.g1) {
    return Error{"a control of the main window cannot be made"};
  }

  // Timer1 is enabled from the start; its first tick comes from the message loop, after the
  // load handler and the first show.
  timer1_ = toolkit_.CreateTimer(kTimer1IntervalMs, [this] { OnTimer1Timer(); });
  timer1_->SetEnabled(true);

  auto tray = toolkit_.CreateTrayIcon(TraySettings(settings_.picture_folder));
  if (!tray) return Error{"the tray icon cannot be made: " + tray.error()};
  tray_ = std::move(tray).value();
  return {};
}

Result<platform::ClickableChild*> Form1::AddControl(const platform::ChildSettings& settings) {
  if (settings.name == "g1") {
    return window_->AddControl(
        settings,
        [](platform::ControlHost& host) { return std::make_unique<anigif::ucAniGIF>(host); },
        LoadingAnimationSettings(settings_.picture_folder));
  }
  return window_->AddControl(
      settings,
      [](platform::ControlHost& host) { return std::make_unique<button::teskbutton>(host); },
      ButtonSettings(settings.name, settings_.picture_folder));
}

void Form1::ConnectHandlers() {
  controls_.W1->SetEventSink(this);
  controls_.Text1->SetOnGotFocus([this] { OnText1GotFocus(); });
  controls_.Text1->SetOnKeyPress([this](int& key_ascii) { OnText1KeyPress(key_ascii); });
  controls_.Label1->SetOnClick([this] { OnLabel1Click(); });
  controls_.Check1->SetOnClick([this] { OnCheck1Click(); });
  controls_.a1->SetOnClick([this] { OnA1Click(); });
  controls_.a2->SetOnClick([this] { OnA2Click(); });
  controls_.a3->SetOnClick([this] { OnA3Click(); });
  window_->SetOnMouseDown(
      [this](int button, int shift, float x, float y) { OnFormMouseDown(button, shift, x, y); });
  window_->SetOnMouseMove(
      [this](int button, int shift, float x, float y) { OnFormMouseMove(button, shift, x, y); });
  // A close request from the window manager ends the program like the exit button, so no
  // process lives on without a window.
  window_->SetOnCloseRequest([this] { application_.Exit(); });
  tray_->SetOnButton([this](int button, int id) { OnTrayButton(button, id); });
}

Status Form1::Load() {
  controls_.g1->SetVisible(false);
  controls_.Text1->SetVisible(false);
  controls_.Label1->SetVisible(false);
  const std::string skin_file = settings_.program_folder + "/skins/blue.xpt";
  if (Status skinned = toolkit_.Skin().SkinH_AttachEx(skin_file, ""); !skinned) return skinned;
  if (Status navigated =
          controls_.W1->Navigate(ServiceAddress(settings_.ServicePrefix, settings_.StartAddress));
      !navigated) {
    return navigated;
  }
  if (application_.AnotherInstanceRunning()) application_.UnloadForm1();
  return {};
}

void Form1::Show() {
  if (loaded_) window_->Show();
}

void Form1::Hide() {
  if (loaded_) window_->Hide();
}

void Form1::CenterOnScreen() { window_->CenterOnScreen(); }

void Form1::Unload() {
  if (!loaded_) return;
  loaded_ = false;
  timer1_->SetEnabled(false);
  tray_->SetInTray(false);
  controls_.W1->SetEventSink(nullptr);
  controls_.W1->Stop();
  if (M_Dom) M_Dom->SetOnContextMenu(nullptr);
  M_Dom.reset();
  window_->Hide();
}

void Form1::PopupMenu(platform::MenuItem& menu, unsigned flags,
                      std::optional<platform::TwipsPoint> at) {
  window_->PopupMenu(menu, flags, at);
}

// --- Address box and close mark

void Form1::OnText1GotFocus() {
  const std::string text = controls_.Text1->Text();
  controls_.Text1->Select(0, static_cast<int>(CharacterCount(text)));
}

void Form1::OnText1KeyPress(int& key_ascii) {
  if (key_ascii != 13) return;
  const std::string text = controls_.Text1->Text();
  if (!IsAcceptedAddress(text)) {
    Form2& form2 = application_.form2();
    PopupMenu(form2.error(), 0, platform::TwipsPoint{kErrorMenuX, kErrorMenuY});
    return;
  }
  // A navigation the view refuses (an address it cannot take) leaves the page as it is.
  (void)controls_.W1->Navigate(ServiceAddress(settings_.ServicePrefix, text));
}

void Form1::OnLabel1Click() {
  controls_.Label1->SetVisible(false);
  controls_.Text1->SetVisible(false);
}

// --- Stop, buttons

void Form1::OnCheck1Click() {
  if (controls_.Check1->Value() != 1) return;
  controls_.W1->Stop();
  controls_.Check1->SetValue(0);  // raises a second click, which finds 0 and does nothing
}

void Form1::OnA1Click() {
  Form2& form2 = application_.form2();
  form2.SetOpenVisible(false);
  const platform::TwipsRect a1 = controls_.a1->Extent();
  const float x = static_cast<float>(a1.left);
  const float y = static_cast<float>(a1.top) + static_cast<float>(a1.height);
  PopupMenu(form2.choose(), 0, platform::TwipsPoint{x, y});
}

// Hidden, the window comes back only through the tray icon. On a desktop that shows no
// notification area (the icon would never be seen) the window is minimised instead, so it
// stays in the desktop's window list and the program is never left out of reach.
void Form1::OnA2Click() {
  if (tray_->InNotificationArea()) {
    Hide();
  } else if (loaded_) {
    window_->Minimize();
  }
}

void Form1::OnA3Click() { application_.Exit(); }

// --- Dragging by the surface

void Form1::OnFormMouseDown(int /*button*/, int /*shift*/, float x, float y) {
  DownX = x;
  DownY = y;
}

void Form1::OnFormMouseMove(int button, int /*shift*/, float x, float y) {
  if (button != platform::kLeftButton) return;
  window_->Move(window_->Left() - DownX + x, window_->Top() - DownY + y);
}

// --- Load indicator

void Form1::OnTimer1Timer() {
  platform::TwipsRect view = controls_.W1->Extent();
  if (controls_.W1->Busy()) {
    view.width = kBusyViewSizeTwips;
    view.height = kBusyViewSizeTwips;
    controls_.W1->SetExtent(view);
    controls_.g1->SetVisible(true);
    return;
  }
  view.width = kIdleViewWidthTwips;
  view.height = kIdleViewHeightTwips;
  controls_.W1->SetExtent(view);
  timer1_->SetEnabled(false);
}

// --- Tray icon

void Form1::OnTrayButton(int button, int /*id*/) {
  if (button == platform::kRightButton) {
    Form2& form2 = application_.form2();
    form2.SetOpenVisible(true);
    PopupMenu(form2.choose(), 0, std::nullopt);
  }
  if (button == platform::kLeftButton) Show();
}

// --- Page events

void Form1::DownloadBegin() { controls_.W1->SetSilent(true); }

void Form1::DownloadComplete() {
  controls_.W1->SetSilent(true);
  std::shared_ptr<platform::HtmlDocument> document = controls_.W1->Document();
  if (!document) return;  // not an HTML document: the stored one stays
  if (M_Dom && M_Dom != document) M_Dom->SetOnContextMenu(nullptr);
  M_Dom = std::move(document);
  M_Dom->SetOnContextMenu([this] { return OnStoredDocumentContextMenu(); });
}

bool Form1::OnStoredDocumentContextMenu() { return false; }

void Form1::BeforeNavigate2(platform::BrowserFrame& /*frame*/,
                            const platform::NavigationRequest& /*request*/, bool& /*cancel*/) {
  timer1_->SetEnabled(true);
}

void Form1::NewWindow2(bool& cancel) { cancel = true; }

void Form1::NavigateComplete2(platform::BrowserFrame& frame, const std::string& /*url*/) {
  // Each script takes the frame's document and its window afresh. A frame with no HTML
  // document or no script window ends the handler, as does a script the window refuses.
  for (int i = 0; i < 5; ++i) {
    std::shared_ptr<platform::HtmlDocument> document = frame.Document();
    if (!document) return;
    std::shared_ptr<platform::ScriptWindow> script_window = document->ParentWindow();
    if (!script_window) return;
    const std::string_view language = i == 4 ? "JScript" : "";
    if (!script_window->ExecScript(kQuietScripts[i], language)) return;
  }
}

}  // namespace tovarin::shell
