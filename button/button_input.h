#pragma once
// ButtonInput: the button's input state machine. It turns the container's mouse, key, focus,
// access-key and ambient notifications, and the leave and activation messages of the window
// hooks, into mButtonState (0 normal, 1 hot, 2 down), Value and the events of button_events.h.
// It draws nothing itself: it asks ButtonActions to redraw.
//
// "Set the state to s" means: store s and redraw when mButtonState differs, else do nothing.
// Drawing adds one rule of its own: a redraw with Mode not 0, Value true and a style other than
// 0 and 6 stores state 2 (a set check or option button looks pressed).
//
// States and transitions:
//
//   from     notification                                  to
//   0        pointer moves onto the button, none held      1 (tooltip made afresh)
//   0 or 1   left press on the button                      2
//   2        pointer dragged off while pressed             0
//   0        pointer dragged back on while pressed         2
//   2        left release inside (0 < X < W, 0 < Y < H)    0, Click (1 again at the next move)
//   2        left release outside                          unchanged (0), no Click
//   any      space down (no mouse button held)             2
//   2        space up over the button                      1, Click
//   2        space up elsewhere                            0, Click
//   1 or 2   leave notification, space not held            0, MouseLeave
//   any      focus lost                                    1 if form active and pointer over, else
//   0 any      parent form activated or deactivated          0
//
// Events by notification:
//
//   notification     raised (in order)
//   left press       MouseDown (or, with a drop-down menu attached, the menu opens instead)
//   left release     Click when inside, then MouseUp (nothing with a menu attached)
//   other release    MouseUp
//   double click     MouseDown, DblClick (the second press of the pair)
//   move over        MouseEnter on every move
//   Enter down       Click, then KeyDown
//   space down       KeyDown (changes Value in Mode 1 and 2); Alt+space: nothing at all
//   space up         KeyUp, after Click unless a mouse press or another key intervened
//   other key down   KeyDown (cancels a held space: no Click at its release)
//   arrow keys       focus moves (Shift+Tab for Left/Up, Tab for Right/Down), then KeyDown
//   character        KeyPress
//   access key       Click (Mode 1 and 2 change Value first); default/cancel keys 13 and 27
//                    raise nothing in Mode 1 and 2
//   leave            MouseLeave
//
// A Mode other than 0, 1 and 2 changes no Value on input.

#include <cstdint>
#include <string_view>

#include "button/drop_down_menu.h"
#include "button/render/button_model.h"
#include "platform/host/control_host.h"

namespace tovarin::button {

// What the state machine asks of the button.
class ButtonActions {
 public:
  virtual ~ButtonActions() = default;
  virtual void Redraw() = 0;
  // The tooltip for the hot state (ButtonToolTip::Create).
  virtual void CreateToolTip() = 0;
  // One leave notification for the button's window, when the desktop offers leave tracking.
  virtual void RequestLeaveNotification() = 0;
  // Opens the attached drop-down menu next to the button.
  virtual void ShowDropDownMenu() = 0;
  // Clears Value on the other option buttons of the same container.
  virtual void ClearOptionGroup() = 0;
};

class ButtonInput {
 public:
  // Virtual-key codes the machine handles.
  static constexpr int kKeyEnter = 13;
  static constexpr int kKeyEscape = 27;
  static constexpr int kKeySpace = 32;
  static constexpr int kKeyLeft = 37;
  static constexpr int kKeyUp = 38;
  static constexpr int kKeyRight = 39;
  static constexpr int kKeyDown = 40;

  ButtonInput(ButtonModel& model, DropDownFlags& drop_down, platform::ControlHost& host,
              ButtonActions& actions);

  void MouseDown(int button, int shift, double x, double y);
  void MouseMove(int button, int shift, double x, double y);
  void MouseUp(int button, int shift, double x, double y);
  void DblClick();
  void KeyDown(int& key_code, int shift);
  void KeyUp(int& key_code, int shift);
  void KeyPress(int& key_ascii);
  void AccessKeyPress(int key_ascii);
  void GotFocus();
  void LostFocus();
  void AmbientChanged(std::string_view property_name);
  // Called from the window hooks after the desktop's own handling of the message.
  void Leave();
  void Activate(bool active);

  // Store s and redraw, when it differs from mButtonState.
  void SetState(ButtonStateValue state);

  // The cursor shown while HandPointer is true (0 until the hand cursor is loaded).
  int mHandCursor = 0;
  // Arguments of the last mouse press.
  std::int16_t mLastButton = 0;
  std::int16_t mLastShift = 0;
  float mLastX = 0;
  float mLastY = 0;

 private:
  void ApplyPointerShape();
  void RaiseMouseEvent(std::string_view name, int button, int shift, double x, double y);
  void RaiseKeyEvent(std::string_view name, int& key_code, int shift);
  void RaiseClick();
  void SpaceDown();

  ButtonModel& model_;
  DropDownFlags& drop_down_;
  platform::ControlHost& host_;
  ButtonActions& actions_;
  // The space press of an Alt+space was swallowed; its release is swallowed too.
  bool alt_space_swallowed_ = false;
};

}  // namespace tovarin::button
