#include "button/button_input.h"

namespace tovarin::button {
namespace {

constexpr int kAltShift = platform::kAltMask;  // Shift argument 4: Alt held
constexpr int kLeft = platform::kLeftButton;

}  // namespace

ButtonInput::ButtonInput(ButtonModel& model, DropDownFlags& drop_down, platform::ControlHost& host,
                         ButtonActions& actions)
    : model_(model), drop_down_(drop_down), host_(host), actions_(actions) {}

void ButtonInput::SetState(ButtonStateValue state) {
  if (model_.mButtonState == state) return;
  model_.mButtonState = state;
  actions_.Redraw();
}

void ButtonInput::ApplyPointerShape() {
  if (model_.HandPointer && mHandCursor != 0) (void)host_.SetSystemCursor(mHandCursor);
}

void ButtonInput::RaiseMouseEvent(std::string_view name, int button, int shift, double x,
                                  double y) {
  platform::EventArgs args{
      {"Button", std::int32_t{button}}, {"Shift", std::int32_t{shift}}, {"X", x}, {"Y", y}};
  host_.RaiseEvent(name, args);
}

void ButtonInput::RaiseKeyEvent(std::string_view name, int& key_code, int shift) {
  platform::EventArgs args{{"KeyCode", std::int32_t{key_code}}, {"Shift", std::int32_t{shift}}};
  host_.RaiseEvent(name, args);
  // KeyCode is passed by reference: the handler may change it.
  if (const auto* changed = std::get_if<std::int32_t>(&args[0].value)) key_code = *changed;
}

void ButtonInput::RaiseClick() { host_.RaiseEvent("Click"); }

void ButtonInput::MouseMove(int /*button*/, int /*shift*/, double /*x*/, double /*y*/) {
  ApplyPointerShape();
  const platform::WindowHandle own = host_.ControlWindow();
  if (host_.WindowUnderPointer() == own) {
    model_.mMouseOver = true;
    actions_.RequestLeaveNotification();
    host_.RaiseEvent("MouseEnter");
  } else {
    model_.mMouseOver = false;
  }
  if (model_.mSpaceDown) return;

  if (!model_.mMouseOver) {
    SetState(ButtonStateValue::kStateNormal);
  } else if (model_.mMouseDown) {
    SetState(ButtonStateValue::kStateDown);
  } else if (model_.mButtonState != ButtonStateValue::kStateHot) {
    model_.mButtonState = ButtonStateValue::kStateHot;
    actions_.Redraw();
    // A set check or option button is drawn down and gets no tooltip.
    if (model_.mButtonState != ButtonStateValue::kStateDown) actions_.CreateToolTip();
  }
}

void ButtonInput::MouseDown(int button, int shift, double x, double y) {
  ApplyPointerShape();
  mLastButton = static_cast<std::int16_t>(button);
  mLastShift = static_cast<std::int16_t>(shift);
  mLastX = static_cast<float>(x);
  mLastY = static_cast<float>(y);
  if (button != kLeft && !drop_down_.mMenuShown) return;

  model_.mHasFocus = true;
  model_.mMouseDown = true;
  if (!model_.mSpaceDown) SetState(ButtonStateValue::kStateDown);
  if (!drop_down_.mPopupSet) {
    RaiseMouseEvent("MouseDown", button, shift, x, y);
  } else if (!drop_down_.mMenuShown) {
    actions_.ShowDropDownMenu();
  }
}

void ButtonInput::MouseUp(int button, int shift, double x, double y) {
  ApplyPointerShape();
  if (drop_down_.mPopupSet) {
    model_.mMouseDown = false;
    drop_down_.mMenuShown = false;
    model_.mButtonState = ButtonStateValue::kStateNormal;
    actions_.Redraw();
    return;
  }
  if (button == kLeft) {
    model_.mMouseDown = false;
    const platform::Size size = host_.ClientSize();
    // A release on the first column or row does not count as inside.
    const bool inside = x > 0 && x < size.width && y > 0 && y < size.height;
    if (inside) {
      if (model_.Mode == ModeValue::kCheckButton) {
        model_.Value = !model_.Value;
        actions_.Redraw();
      } else if (model_.Mode == ModeValue::kOptionButton) {
        actions_.ClearOptionGroup();
        model_.Value = true;
      }
      model_.mButtonState = ButtonStateValue::kStateNormal;
      actions_.Redraw();
      RaiseClick();
    }
  }
  RaiseMouseEvent("MouseUp", button, shift, x, y);
}

void ButtonInput::DblClick() {
  ApplyPointerShape();
  if (mLastButton != kLeft) return;
  host_.SetCapture();
  model_.mButtonState = ButtonStateValue::kStateDown;
  actions_.Redraw();
  MouseDown(mLastButton, mLastShift, mLastX, mLastY);
  if (!drop_down_.mPopupSet) {
    host_.RaiseEvent("DblClick");
  } else if (!drop_down_.mMenuShown) {
    actions_.ShowDropDownMenu();
  }
}

void ButtonInput::SpaceDown() {
  if (!model_.mMouseDown) {
    model_.mSpaceDown = true;
    if (model_.Mode == ModeValue::kCheckButton) {
      model_.Value = !model_.Value;
    } else if (model_.Mode == ModeValue::kOptionButton) {
      actions_.ClearOptionGroup();
      model_.Value = true;
    }
    SetState(ButtonStateValue::kStateDown);
  } else if (model_.mMouseOver) {
    SetState(ButtonStateValue::kStateDown);
  } else {
    SetState(ButtonStateValue::kStateNormal);
  }
  const platform::WindowHandle own = host_.ControlWindow();
  if (host_.CaptureWindow() != own) {
    host_.ReleaseCapture();
    host_.SetCapture();
  }
}

void ButtonInput::KeyDown(int& key_code, int shift) {
  switch (key_code) {
    case kKeyEnter: RaiseClick(); break;
    case kKeySpace:
      if (shift == kAltShift) {
        // Alt+space belongs to the window's system menu: the button takes no part in it.
        alt_space_swallowed_ = true;
        return;
      }
      alt_space_swallowed_ = false;
      SpaceDown();
      break;
    case kKeyLeft:
    case kKeyUp: host_.SendKeys("+{TAB}"); break;
    case kKeyRight:
    case kKeyDown: host_.SendKeys("{TAB}"); break;
    default:
      if (model_.mSpaceDown) {
        model_.mSpaceDown = false;
        SetState(ButtonStateValue::kStateNormal);
      }
      break;
  }
  RaiseKeyEvent("KeyDown", key_code, shift);
}

void ButtonInput::KeyUp(int& key_code, int shift) {
  if (key_code != kKeySpace) return;
  if (alt_space_swallowed_) {
    // The release of a swallowed Alt+space: nothing happened at the press, nothing happens now.
    alt_space_swallowed_ = false;
    return;
  }
  host_.ReleaseCapture();
  if (model_.mMouseOver && model_.mMouseDown) {
    SetState(ButtonStateValue::kStateDown);
    RaiseKeyEvent("KeyUp", key_code, shift);
    model_.mSpaceDown = false;
    model_.mMouseDown = false;
    return;
  }
  SetState(model_.mMouseOver ? ButtonStateValue::kStateHot : ButtonStateValue::kStateNormal);
  if (!model_.mMouseDown && model_.mSpaceDown) RaiseClick();
  RaiseKeyEvent("KeyUp", key_code, shift);
  model_.mSpaceDown = false;
  model_.mMouseDown = false;
}

void ButtonInput::KeyPress(int& key_ascii) {
  platform::EventArgs args{{"KeyAscii", std::int32_t{key_ascii}}};
  host_.RaiseEvent("KeyPress", args);
  if (const auto* changed = std::get_if<std::int32_t>(&args[0].value)) key_ascii = *changed;
}

void ButtonInput::AccessKeyPress(int key_ascii) {
  if (!model_.Enabled) return;
  if (model_.mSpaceDown) {
    model_.mSpaceDown = false;
    model_.mMouseDown = false;
  }
  const bool default_or_cancel = key_ascii == kKeyEscape || key_ascii == kKeyEnter;
  if (model_.Mode == ModeValue::kCheckButton) {
    if (default_or_cancel) return;
    model_.Value = !model_.Value;
    if (!model_.Value) model_.mButtonState = ButtonStateValue::kStateNormal;
    actions_.Redraw();
  } else if (model_.Mode == ModeValue::kOptionButton) {
    if (default_or_cancel) return;
    actions_.ClearOptionGroup();
    model_.Value = true;
    actions_.Redraw();
  }
  host_.ProcessPendingMessages();
  RaiseClick();
}

void ButtonInput::GotFocus() { model_.mHasFocus = true; }

void ButtonInput::LostFocus() {
  model_.mHasFocus = false;
  model_.mMouseDown = false;
  model_.mSpaceDown = false;
  model_.mButtonState = (model_.mParentActive && model_.mMouseOver)
                            ? ButtonStateValue::kStateHot
                            : ButtonStateValue::kStateNormal;
  actions_.Redraw();
  if (model_.mDisplayAsDefault) actions_.Redraw();
}

void ButtonInput::AmbientChanged(std::string_view property_name) {
  model_.mDisplayAsDefault = host_.DisplayAsDefault();
  if (property_name == "DisplayAsDefault" || property_name == "BackColor") actions_.Redraw();
}

void ButtonInput::Leave() {
  model_.mMouseOver = false;
  if (drop_down_.mPopupSet) {
    if (drop_down_.mMenuPending) {
      // The pointer left for the menu that is opening: keep the pressed look.
      drop_down_.mMenuShown = true;
      drop_down_.mMenuPending = false;
      return;
    }
    drop_down_.mMenuShown = false;
  }
  if (model_.mSpaceDown) return;
  SetState(ButtonStateValue::kStateNormal);
  host_.RaiseEvent("MouseLeave");
}

void ButtonInput::Activate(bool active) {
  if (active) {
    model_.mParentActive = true;
    model_.mButtonState = ButtonStateValue::kStateNormal;
    if (model_.mDisplayAsDefault) actions_.Redraw();
    actions_.Redraw();
    return;
  }
  model_.mMouseDown = false;
  model_.mSpaceDown = false;
  model_.mHasFocus = false;
  model_.mParentActive = false;
  model_.mButtonState = ButtonStateValue::kStateNormal;
  actions_.Redraw();
}

}  // namespace tovarin::button
