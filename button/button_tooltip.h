#pragma once
// ButtonToolTip: the button's own tooltip window (mTipHwnd), made afresh from the tooltip
// properties every time the pointer enters the button, so changes show at the next entry.
//
// What the tooltip gets from the properties:
//   text         ToolTip (line breaks start new lines; longer lines wrap at 240 pixels)
//   title        TooltipTitle; an icon (ToolTipIcon 1 info, 2 warning, 3 error) is shown
//                beside the title only, so an icon without a title shows no title line
//   shape        balloon when ToolTipType is 1, otherwise a rectangle
//   layout       right to left when mTipRightToLeft is true
//   background   TooltipBackColor translated, unless it is 0 (black), which keeps the
//                desktop's tooltip colour; a colour that cannot be translated keeps it too
//   drop shadow  always
//
// The container's own tooltip text for the button is emptied while the button is shown, so
// that only this tooltip appears, and set back to ToolTip when it is hidden.

#include "button/render/button_model.h"
#include "platform/host/control_host.h"

namespace tovarin::button {

class ButtonToolTip {
 public:
  // The tooltip widest line, in pixels.
  static constexpr int kMaxTipWidth = 240;

  explicit ButtonToolTip(platform::ControlHost& host) : host_(host) {}
  ButtonToolTip(const ButtonToolTip&) = delete;
  ButtonToolTip& operator=(const ButtonToolTip&) = delete;
  ~ButtonToolTip();

  // The tooltip the current properties describe.
  static platform::ToolTipSpec BuildSpec(const ButtonModel& model);

  // Replaces the tooltip window with a fresh one, unless the button is disabled, its drop-down
  // menu is shown or it is drawn down.
  void Create(const ButtonModel& model, bool menu_shown);
  // Ends the tooltip window, if any.
  void Destroy();

  // The container shows or hides the button.
  void OnShow();
  void OnHide(const ButtonModel& model);

  platform::WindowHandle mTipHwnd() const { return tip_window_; }

 private:
  platform::ControlHost& host_;
  platform::WindowHandle tip_window_ = 0;
};

}  // namespace tovarin::button
