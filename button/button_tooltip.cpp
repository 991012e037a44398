#include "button/button_tooltip.h"

#include "button/render/color_math.h"

namespace tovarin::button {

ButtonToolTip::~ButtonToolTip() { Destroy(); }

platform::ToolTipSpec ButtonToolTip::BuildSpec(const ButtonModel& model) {
  platform::ToolTipSpec spec;
  spec.text = model.ToolTip;
  spec.title = model.TooltipTitle;
  // The icon belongs to the title line: without a title there is none. Codes other than the
  // three icons show no icon.
  const bool known_icon = model.ToolTipIcon >= ToolTipIconValue::kInfoIcon &&
                          model.ToolTipIcon <= ToolTipIconValue::kErrorIcon;
  const ToolTipIconValue icon =
      (!spec.title.empty() && known_icon) ? model.ToolTipIcon : ToolTipIconValue::kNoIcon;
  spec.icon = static_cast<int>(icon);
  spec.balloon = model.ToolTipType == ToolTipTypeValue::kBalloon;
  spec.right_to_left = model.mTipRightToLeft;
  if (model.TooltipBackColor != 0) {
    const RgbColor back = TranslateColor(model.TooltipBackColor);
    if (back != kNoColor) spec.back_color = ToColorRef(back);
  }
  spec.max_width = kMaxTipWidth;
  spec.drop_shadow = true;
  return spec;
}

void ButtonToolTip::Create(const ButtonModel& model, bool menu_shown) {
  if (!model.Enabled || menu_shown || model.mButtonState == ButtonStateValue::kStateDown) return;
  Destroy();
  tip_window_ = host_.CreateToolTip(BuildSpec(model));
}

void ButtonToolTip::Destroy() {
  if (tip_window_ == 0) return;
  host_.DestroyToolTip(tip_window_);
  tip_window_ = 0;
}

void ButtonToolTip::OnShow() { host_.SetToolTipText(""); }

void ButtonToolTip::OnHide(const ButtonModel& model) { host_.SetToolTipText(model.ToolTip); }

}  // namespace tovarin::button
