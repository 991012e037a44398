#pragma once
// FormWindow: a top-level window of the program (Form1, form3) with the children it holds.
//
//  - Client area and child positions in twips; the window's own position (Left, Top) in twips
//    of the screen. Converted to pixels with Nearest(twips / 15).
//  - Children are created back to front: each new child lies in front of those created before
//    it. The window owns them; the returned pointers stay valid as long as the window.
//  - Surface events (mouse press and move, click) come only from the parts of the client
//    area that no child covers. Mouse coordinates are twips in client coordinates; `button`
//    is the set of buttons held (1 left, 2 right, 4 middle), `shift` 1 Shift, 2 Ctrl, 4 Alt.
//  - Destroying the object destroys the window and its children at once. A form that unloads
//    from inside one of its own callbacks hides the window first and destroys it later, from
//    the message loop (FormToolkit::PostTask).

#include <functional>
#include <optional>
#include <string>

#include "platform/host/browser_view.h"
#include "platform/host/control_host.h"
#include "platform/host/form_child.h"
#include "platform/host/menu.h"
#include "platform/result.h"
#include "platform/store/property_store.h"

namespace tovarin::platform {

// Makes a control (ucAniGIF, teskbutton) for the host the window gives it.
using ControlFactory = std::function<std::unique_ptr<Control>(ControlHost& host)>;

struct FormWindowSettings {
  std::string caption;
  int client_width_twips = 0;
  int client_height_twips = 0;
  std::uint32_t back_color = 0;    // OLE colour under the background picture
  std::string background_picture;  // file drawn from the top-left corner; empty for none
  std::string icon_path;           // the window's icon; empty for none
  bool borderless = true;          // no border, no title bar
  bool show_in_taskbar = false;
};

// A point in twips, client coordinates.
struct TwipsPoint {
  float x = 0;
  float y = 0;
};

class FormWindow {
 public:
  virtual ~FormWindow() = default;

  virtual const std::string& Caption() const = 0;
  virtual void Show() = 0;  // modeless; a hidden window comes back where it was
  virtual void Hide() = 0;
  // Minimises (iconifies) a shown window. It stays in the desktop's window list, even when
  // the settings keep it out of the task bar, until it is shown normally again.
  virtual void Minimize() = 0;
  virtual bool Visible() const = 0;
  // Position of the window's top-left corner on the screen, twips.
  virtual float Left() const = 0;
  virtual float Top() const = 0;
  virtual void Move(float left, float top) = 0;
  virtual void CenterOnScreen() = 0;
  virtual int ClientWidthTwips() const = 0;
  virtual int ClientHeightTwips() const = 0;

  // Children, back to front.
  virtual Result<BrowserView*> AddBrowserView(const ChildSettings& settings) = 0;
  virtual TextBox* AddTextBox(const ChildSettings& settings) = 0;
  virtual CheckBox* AddCheckBox(const ChildSettings& settings) = 0;
  // A label drawn on the window surface itself: behind every other child whatever its order.
  virtual ClickableChild* AddLabel(const ChildSettings& settings) = 0;
  // A picture box, or a stand-in of a control's geometry that shows `picture_path`.
  virtual ClickableChild* AddPicture(const ChildSettings& settings) = 0;
  // A control in a host of its own at `settings.extent` (user mode, tooltip from the settings),
  // made by `make_control` and restored from its saved settings `saved`. The child's click is
  // the control's "Click" event. Fails when the control cannot read its settings.
  virtual Result<ClickableChild*> AddControl(const ChildSettings& settings,
                                             const ControlFactory& make_control,
                                             const PropertyStore& saved) = 0;
  // The child named `name`, or nullptr.
  virtual FormChild* FindChild(const std::string& name) = 0;

  // Surface events.
  virtual void SetOnMouseDown(
      std::function<void(int button, int shift, float x, float y)> handler) = 0;
  virtual void SetOnMouseMove(
      std::function<void(int button, int shift, float x, float y)> handler) = 0;
  virtual void SetOnClick(std::function<void()> handler) = 0;
  // The window manager asks to close the window (the window stays until the form decides).
  virtual void SetOnCloseRequest(std::function<void()> handler) = 0;

  // Pops up `menu`'s children (the items under its root). With `at`, the menu's corner given
  // by `flags` (PopupFlags; top-left by default) is at that client point; without, at the
  // pointer. Returns when the menu has closed, after the chosen item's on_click has run.
  // Hidden items are left out; separators show as lines; shortcuts show beside the captions
  // and are not active.
  virtual void PopupMenu(MenuItem& menu, unsigned flags, std::optional<TwipsPoint> at) = 0;
};

}  // namespace tovarin::platform
