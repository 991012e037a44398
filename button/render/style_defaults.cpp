#include "button/render/style_defaults.h"

#include <optional>

#include "button/render/color_math.h"

namespace tovarin::button {
namespace {

constexpr std::uint32_t kSystemButtonFace = 0x8000000F;
constexpr std::uint32_t kSystemButtonText = 0x80000012;

// The back colour of a style whose colour follows the scheme (schemes 0, 1, 2); nothing for
// other schemes.
std::optional<RgbColor> SchemeColor(ColorSchemeValue scheme, RgbColor blue, RgbColor olive,
                                    RgbColor silver) {
  switch (scheme) {
    case ColorSchemeValue::kBlue: return TranslateColor(static_cast<std::uint32_t>(blue));
    case ColorSchemeValue::kOliveGreen: return TranslateColor(static_cast<std::uint32_t>(olive));
    case ColorSchemeValue::kSilver: return TranslateColor(static_cast<std::uint32_t>(silver));
    default: return std::nullopt;
  }
}

std::optional<RgbColor> StyleBackColor(ButtonStyleValue style, ColorSchemeValue scheme) {
  switch (style) {
    case ButtonStyleValue::kStandard:
    case ButtonStyleValue::kFlat:
    case ButtonStyleValue::kToolbar:
    case ButtonStyleValue::kSoft:
    case ButtonStyleValue::kHighlight:
    case ButtonStyleValue::kHoverRaised:
    case ButtonStyleValue::kHoverFlat: return TranslateColor(kSystemButtonFace);
    case ButtonStyleValue::kRounded: return SchemeColor(scheme, 0xE7EBEC, 0xDBEEF3, 0xFCF1F0);
    case ButtonStyleValue::kGlass:
      return SchemeColor(scheme, 0xFDECE0, 0xDEEDE8, ShiftColor(0xD4D4D4, 0.06f));
    case ButtonStyleValue::kOrange:
      return SchemeColor(scheme, 0xFCE1CA, 0xBAD6D4, ShiftColor(0xBA9EA0, 0.15f));
    case ButtonStyleValue::kAmber:
    case ButtonStyleValue::kGel: return SchemeColor(scheme, 0xFFD1AD, 0xBAD6D4, 0xE3DFE0);
    case ButtonStyleValue::kGloss: return SchemeColor(scheme, 0xFFD1AD, 0xBAD6D4, 0xE1D6D5);
    default: return std::nullopt;  // Themed, values above 13 and negative values
  }
}

}  // namespace

void ApplySchemeStep(ButtonModel& model) {
  switch (model.ButtonStyle) {
    case ButtonStyleValue::kStandard:
    case ButtonStyleValue::kFlat:
    case ButtonStyleValue::kRounded:
    case ButtonStyleValue::kToolbar:
    case ButtonStyleValue::kSoft:
    case ButtonStyleValue::kHighlight:
    case ButtonStyleValue::kAmber:
    case ButtonStyleValue::kGel: model.ColorScheme = ColorSchemeValue::kBlue; break;
    case ButtonStyleValue::kGlass:
    case ButtonStyleValue::kGloss: model.ColorScheme = ColorSchemeValue::kSilver; break;
    default: break;
  }
}

void ApplyColorStep(ButtonModel& model) {
  if (const std::optional<RgbColor> back = StyleBackColor(model.ButtonStyle, model.ColorScheme)) {
    model.BackColor = static_cast<OleColor>(*back);
  }
  model.ForeColor = static_cast<OleColor>(TranslateColor(kSystemButtonText));
  model.ShowFocusRect = model.ButtonStyle == ButtonStyleValue::kStandard ||
                        model.ButtonStyle == ButtonStyleValue::kFlat ||
                        model.ButtonStyle == ButtonStyleValue::kGloss;
  if (model.ButtonStyle == ButtonStyleValue::kToolbar) model.PicturePushOnHover = true;
}

}  // namespace tovarin::button
