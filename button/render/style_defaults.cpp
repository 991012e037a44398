#include "button/render/style_defaults.h"

#include <optional>

#include "button/render/color_math.h"

namespace tovarin::button {
namespace {

constexpr std::uint32_t kSystemButtonFace = 0x8000000F;
constexpr std::uint32_t kSystemButtonText = 0x80000012;

// The back colour of a style whose colour follows the scheme (schemes 0, 1, 2); nothing for
// other schemes.
std::optional<RgbColor> SchemeColor(std::int32_t scheme, RgbColor blue, RgbColor olive,
                                    RgbColor silver) {
  switch (scheme) {
    case kBlue: return TranslateColor(static_cast<std::uint32_t>(blue));
    case kOliveGreen: return TranslateColor(static_cast<std::uint32_t>(olive));
    case kSilver: return TranslateColor(static_cast<std::uint32_t>(silver));
    default: return std::nullopt;
  }
}

std::optional<RgbColor> StyleBackColor(std::int32_t style, std::int32_t scheme) {
  switch (style) {
    case kStandard:
    case kFlat:
    case kToolbar:
    case kSoft:
    case kHighlight:
    case kHoverRaised:
    case kHoverFlat: return TranslateColor(kSystemButtonFace);
    case kRounded: return SchemeColor(scheme, 0xE7EBEC, 0xDBEEF3, 0xFCF1F0);
    case kGlass: return SchemeColor(scheme, 0xFDECE0, 0xDEEDE8, ShiftColor(0xD4D4D4, 0.06f));
    case kOrange: return SchemeColor(scheme, 0xFCE1CA, 0xBAD6D4, ShiftColor(0xBA9EA0, 0.15f));
    case kAmber:
    case kGel: return SchemeColor(scheme, 0xFFD1AD, 0xBAD6D4, 0xE3DFE0);
    case kGloss: return SchemeColor(scheme, 0xFFD1AD, 0xBAD6D4, 0xE1D6D5);
    default: return std::nullopt;  // Themed, values above 13 and negative values
  }
}

}  // namespace

void ApplySchemeStep(ButtonModel& model) {
  switch (model.ButtonStyle) {
    case kStandard:
    case kFlat:
    case kRounded:
    case kToolbar:
    case kSoft:
    case kHighlight:
    case kAmber:
    case kGel: model.ColorScheme = kBlue; break;
    case kGlass:
    case kGloss: model.ColorScheme = kSilver; break;
    default: break;
  }
}

void ApplyColorStep(ButtonModel& model) {
  if (const std::optional<RgbColor> back = StyleBackColor(model.ButtonStyle, model.ColorScheme)) {
    model.BackColor = static_cast<OleColor>(*back);
  }
  model.ForeColor = static_cast<OleColor>(TranslateColor(kSystemButtonText));
  model.ShowFocusRect =
      model.ButtonStyle == kStandard || model.ButtonStyle == kFlat || model.ButtonStyle == kGloss;
  if (model.ButtonStyle == kToolbar) model.PicturePushOnHover = true;
}

}  // namespace tovarin::button
