#include "platform/raster/system_colors.h"

#include <array>

namespace tovarin::platform {
namespace {

// The classic "Windows Standard" desktop scheme. Index 25 has no colour of its own and
// reads as black, as on the desktop it comes from.
constexpr std::array<ColorRef, kSysColorCount> kSystemColors = {
    Rgb(212, 208, 200),  //  0 scroll bar
    Rgb(58, 110, 165),   //  1 desktop background
    Rgb(10, 36, 106),    //  2 active caption
    Rgb(128, 128, 128),  //  3 inactive caption
    Rgb(212, 208, 200),  //  4 menu
    Rgb(255, 255, 255),  //  5 window
    Rgb(0, 0, 0),        //  6 window frame
    Rgb(0, 0, 0),        //  7 menu text
    Rgb(0, 0, 0),        //  8 window text
    Rgb(255, 255, 255),  //  9 caption text
    Rgb(212, 208, 200),  // 10 active border
    Rgb(212, 208, 200),  // 11 inactive border
    Rgb(128, 128, 128),  // 12 application workspace
    Rgb(10, 36, 106),    // 13 highlight
    Rgb(255, 255, 255),  // 14 highlight text
    Rgb(212, 208, 200),  // 15 button face
    Rgb(128, 128, 128),  // 16 button shadow
    Rgb(128, 128, 128),  // 17 grey text
    Rgb(0, 0, 0),        // 18 button text
    Rgb(212, 208, 200),  // 19 inactive caption text
    Rgb(255, 255, 255),  // 20 3-D highlight
    Rgb(64, 64, 64),     // 21 3-D dark shadow
    Rgb(212, 208, 200),  // 22 3-D light
    Rgb(0, 0, 0),        // 23 info text
    Rgb(255, 255, 225),  // 24 info background
    Rgb(0, 0, 0),        // 25 (unused)
    Rgb(0, 0, 128),      // 26 hot-tracked item
    Rgb(166, 202, 240),  // 27 active caption gradient
    Rgb(192, 192, 192),  // 28 inactive caption gradient
    Rgb(10, 36, 106),    // 29 menu highlight
    Rgb(212, 208, 200),  // 30 menu bar
};

}  // namespace

ColorRef GetSysColor(int index) {
  if (index < 0 || index >= kSysColorCount) return Rgb(0, 0, 0);
  return kSystemColors[static_cast<std::size_t>(index)];
}

std::optional<ColorRef> TranslateOleColor(std::uint32_t ole_color) {
  if ((ole_color & 0x80000000u) == 0) {
    // An RGB value; the top byte must be clear as well.
    if ((ole_color & 0xFF000000u) != 0) return std::nullopt;
    return ole_color;
  }
  const std::uint32_t index = ole_color & 0x7FFFFFFFu;
  if (index >= static_cast<std::uint32_t>(kSysColorCount) || index == 25) return std::nullopt;
  return kSystemColors[index];
}

}  // namespace tovarin::platform
