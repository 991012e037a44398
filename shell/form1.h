#pragma once
// Form1: the main window and its behaviour: start-up steps, the address box Text1 with its close
// mark Label1, the Stop box Check1, the buttons a1 (command menu), a2 (hide; minimise
// where no notification area shows the tray icon) and a3 (exit),
// dragging by the surface, the polling timer Timer1 that swaps the view W1 for the loading
// animation g1 while the view is busy, the page events of W1, and the tray icon cSysTray1.
//
// Form1 owns its window (and through it every child control), its timer and its tray icon.
// Unload() makes the form inert (window hidden, timer off, tray icon gone, view events
// detached); the Application destroys the object later, from the message loop, since Unload
// is often called from inside one of Form1's own handlers.

#include <memory>
#include <optional>

#include "platform/host/browser_view.h"
#include "platform/host/form_timer.h"
#include "platform/host/form_toolkit.h"
#include "platform/host/form_window.h"
#include "platform/host/menu.h"
#include "platform/host/tray_icon.h"
#include "shell/shell_settings.h"

namespace tovarin::shell {

class Application;

// The idle and busy sizes of W1, and where the error menu opens (twips).
inline constexpr int kIdleViewWidthTwips = 3548;
inline constexpr int kIdleViewHeightTwips = 4568;
inline constexpr int kBusyViewSizeTwips = 1;
inline constexpr float kErrorMenuX = 120;
inline constexpr float kErrorMenuY = 795;
// Timer1's interval.
inline constexpr unsigned kTimer1IntervalMs = 1;

// The five scripts run in the window of every navigated document, in this order; the last one
// with the language "JScript".
inline constexpr const char* kQuietScripts[5] = {
    "window.alert=null;",
    "window.confirm=null;",
    "window.showModalDialog=null;",
    "window.open=null;",
    "function showModalDialog(){return;}",
};

// Form1's controls. The window owns the children; Form1 owns the window, timer and tray icon.
struct Form1Controls {
  platform::BrowserView* W1 = nullptr;
  platform::TextBox* Text1 = nullptr;
  platform::ClickableChild* Label1 = nullptr;
  platform::CheckBox* Check1 = nullptr;
  platform::ClickableChild* Picture1 = nullptr;
  platform::ClickableChild* Picture2 = nullptr;
  platform::ClickableChild* Picture3 = nullptr;
  // The buttons (teskbutton) and the loading animation (ucAniGIF), each in its own host.
  platform::ClickableChild* a1 = nullptr;
  platform::ClickableChild* a2 = nullptr;
  platform::ClickableChild* a3 = nullptr;
  platform::ClickableChild* g1 = nullptr;
};

class Form1 final : private platform::BrowserViewEvents {
 public:
  // Creates the window and its controls (hidden), the timer (enabled) and the tray icon.
  // Fails when the window, the browser view or the tray icon cannot be made.
  static platform::Result<std::unique_ptr<Form1>> Create(platform::FormToolkit& toolkit,
                                                         Application& application,
                                                         const ShellSettings& settings);
  ~Form1() override;
  Form1(const Form1&) = delete;
  Form1& operator=(const Form1&) = delete;

  // The load handler, steps 1 to 6 under one error trap: hide g1, Text1 and Label1, apply the
  // skin, navigate to the start page, and unload when another instance runs. A failing step
  // abandons the rest and returns its error.
  platform::Status Load();

  bool Loaded() const { return loaded_; }
  void Show();
  void Hide();
  // Unloads the form: see the header comment. Unloading twice does nothing.
  void Unload();
  void CenterOnScreen();
  // Pops up `menu` at (x, y) twips of the client area, or at the pointer without a position;
  // returns after the chosen item's handler has run.
  void PopupMenu(platform::MenuItem& menu, unsigned flags, std::optional<platform::TwipsPoint> at);

  Form1Controls& controls() { return controls_; }
  platform::FormWindow& window() { return *window_; }
  platform::FormTimer& Timer1() { return *timer1_; }
  platform::TrayIcon& cSysTray1() { return *tray_; }
  // The document whose context-menu event reaches Form1 (M_Dom), or nullptr.
  const std::shared_ptr<platform::HtmlDocument>& StoredDocument() const { return M_Dom; }
  float DownXTwips() const { return DownX; }
  float DownYTwips() const { return DownY; }

 private:
  Form1(platform::FormToolkit& toolkit, Application& application, const ShellSettings& settings);
  platform::Status CreateControls();
  // Makes the control of a layout entry (g1 or a button) with its saved settings.
  platform::Result<platform::ClickableChild*> AddControl(const platform::ChildSettings& settings);
  void ConnectHandlers();

  // Handlers of the controls and the window surface.
  void OnText1GotFocus();
  void OnText1KeyPress(int& key_ascii);
  void OnLabel1Click();
  void OnCheck1Click();
  void OnA1Click();
  void OnA2Click();
  void OnA3Click();
  void OnFormMouseDown(int button, int shift, float x, float y);
  void OnFormMouseMove(int button, int shift, float x, float y);
  void OnTimer1Timer();
  void OnTrayButton(int button, int id);
  bool OnStoredDocumentContextMenu();

  // Events of W1.
  void DownloadBegin() override;
  void DownloadComplete() override;
  void BeforeNavigate2(platform::BrowserFrame& frame, const platform::NavigationRequest& request,
                       bool& cancel) override;
  void NewWindow2(bool& cancel) override;
  void NavigateComplete2(platform::BrowserFrame& frame, const std::string& url) override;

  platform::FormToolkit& toolkit_;
  Application& application_;
  ShellSettings settings_;
  std::unique_ptr<platform::FormWindow> window_;
  std::unique_ptr<platform::FormTimer> timer1_;
  std::unique_ptr<platform::TrayIcon> tray_;
  Form1Controls controls_;
  bool loaded_ = true;

  // Pointer position (client twips) at the last mouse press on the surface.
  float DownX = 0;
  float DownY = 0;
  // The document of the latest completed download, whose context-menu event reaches Form1.
  std::shared_ptr<platform::HtmlDocument> M_Dom;
};

}  // namespace tovarin::shell
