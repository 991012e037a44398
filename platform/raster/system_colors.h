#pragma once
// The classic system colour indices and a fixed table of their colours, and OLE colour
// translation. The table is the classic desktop's default scheme, so controls look the same
// on every machine and in tests.

#include <cstdint>
#include <optional>

#include "platform/raster/color.h"

namespace tovarin::platform {

enum SysColor : int {
  kColorScrollbar = 0,
  kColorBackground = 1,
  kColorActiveCaption = 2,
  kColorInactiveCaption = 3,
  kColorMenu = 4,
  kColorWindow = 5,
  kColorWindowFrame = 6,
  kColorMenuText = 7,
  kColorWindowText = 8,
  kColorCaptionText = 9,
  kColorActiveBorder = 10,
  kColorInactiveBorder = 11,
  kColorAppWorkspace = 12,
  kColorHighlight = 13,
  kColorHighlightText = 14,
  kColorBtnFace = 15,
  kColorBtnShadow = 16,
  kColorGrayText = 17,
  kColorBtnText = 18,
  kColorInactiveCaptionText = 19,
  kColorBtnHighlight = 20,
  kColor3DDkShadow = 21,
  kColor3DLight = 22,
  kColorInfoText = 23,
  kColorInfoBk = 24,
  kColorHotLight = 26,
  kColorGradientActiveCaption = 27,
  kColorGradientInactiveCaption = 28,
  kColorMenuHilight = 29,
  kColorMenuBar = 30,
  kSysColorCount = 31,
};

// The colour of system colour `index`; indices outside the table give black.
ColorRef GetSysColor(int index);

// OLE colour translation: a value below 0x80000000 is already a colour (its low 24 bits);
// 0x80000000 + n is system colour n for a valid n. Anything else fails (std::nullopt).
std::optional<ColorRef> TranslateOleColor(std::uint32_t ole_color);

}  // namespace tovarin::platform
