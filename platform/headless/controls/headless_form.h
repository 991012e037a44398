#pragma once
// HeadlessForm: a form of the headless desktop holding several controls - their hosts, the
// containers they sit in (frames that make separate option groups), the focus and tab order,
// the default and cancel buttons, access keys and the form's activation.
//
// Windows: the form is a top-level window at options.rect (screen pixels); a container is a
// child window of the form; each control's window is a child of its container.
//
// Focus: Focus(host) delivers OnLostFocus to the control losing it, then OnGotFocus to the one
// gaining it. Disabled or hidden controls and controls without tab stop are skipped by Tab().
//
// DisplayAsDefault: a control with default_cancel shows as default while it holds the focus;
// otherwise the form's default button does. Whenever a control's answer changes it receives
// OnAmbientChanged("DisplayAsDefault").
//
// PressKey(key_code, shift, key_ascii) routes a key as the form's keyboard handling does:
//   - Tab (9): focus to the next (Shift: previous) control; nothing is delivered;
//   - Alt + a letter that is a control's access key: PressAccessKey;
//   - Enter (13) / Escape (27): when the focused control has default_cancel it gets the key
//     like any other; otherwise the default / cancel button (if set and enabled) gets
//     OnAccessKeyPress(13 / 27) and nothing else;
//   - any other key: the focused control gets KeyDown and KeyPress (key_ascii not 0); the
//     message loop turns (keys queued by SendKeys move the focus here); the control holding
//     the focus then gets KeyUp.
// PressAccessKey(c): the first enabled control whose access keys contain c (letter case
// ignored) takes the focus and gets OnAccessKeyPress with c in lower case.
//
// Activation: Activate()/Deactivate() send kWmNcActivate and then kWmActivate (wparam 1 / 0)
// to the form's window through its procedure chain; an MDI child form gets kWmNcActivate only.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/headless/controls/headless_desktop.h"
#include "platform/headless/controls/headless_host.h"
#include "platform/raster/system_colors.h"

namespace tovarin::platform::headless {

struct FormOptions {
  std::string name = "Form1";
  Rect rect{100, 100, 740, 580};  // screen pixels
  bool mdi_child = false;
  double units_per_pixel = 15;  // the form's ScaleMode: 15 twips per pixel
  ColorRef back_color = GetSysColor(kColorBtnFace);
};

class HeadlessForm {
 public:
  explicit HeadlessForm(HeadlessDesktop& desktop, FormOptions options = {});
  ~HeadlessForm();
  HeadlessForm(const HeadlessForm&) = delete;
  HeadlessForm& operator=(const HeadlessForm&) = delete;

  HeadlessDesktop& Desktop() { return desktop_; }
  WindowHandle Window() const { return window_; }
  const FormOptions& Options() const { return options_; }

  // A frame inside the form (pixels in the form's client area); controls placed in it form
  // their own option group.
  WindowHandle AddContainer(const std::string& name, Rect rect_in_form);
  HeadlessHost& AddHost(HostOptions options);
  std::vector<HeadlessHost*> Hosts() const;
  HeadlessHost* Find(std::string_view name) const;
  HeadlessHost* HostOfWindow(WindowHandle window) const;

  // --- Focus
  HeadlessHost* Focused() const { return focused_; }
  void Focus(HeadlessHost* host);
  void Tab(bool forward);

  // --- Default and cancel buttons (nullptr: none)
  void SetDefaultButton(HeadlessHost* host);
  void SetCancelButton(HeadlessHost* host);

  // --- Keyboard
  void PressKey(int key_code, int shift = 0, int key_ascii = 0);
  void PressAccessKey(char key);

  // --- Pointer: moves it to a screen point and delivers the move (see HeadlessHost::MouseMove)
  void MovePointer(Point screen_point, int shift = 0);
  // Moves the pointer off the form altogether.
  void MovePointerAway();

  // --- Activation
  void Activate();
  void Deactivate();
  bool IsActive() const { return active_; }

  // --- Ambient background colour; OnAmbientChanged("BackColor") to every control.
  void SetBackColor(ColorRef color);

 private:
  friend class HeadlessHost;
  void UpdateDisplayAsDefault();
  bool CanFocus(const HeadlessHost* host) const;
  void HostDestroyed(HeadlessHost* host);
  // The host whose window holds the capture, else the one under the pointer.
  HeadlessHost* MouseTarget() const;
  int& HeldButtons() { return held_buttons_; }

  HeadlessDesktop& desktop_;
  FormOptions options_;
  WindowHandle window_ = 0;
  std::vector<std::unique_ptr<HeadlessHost>> hosts_;
  HeadlessHost* focused_ = nullptr;
  HeadlessHost* default_button_ = nullptr;
  HeadlessHost* cancel_button_ = nullptr;
  bool active_ = false;
  int held_buttons_ = 0;
};

}  // namespace tovarin::platform::headless
