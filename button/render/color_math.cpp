#include "button/render/color_math.h"

#include <cmath>

#include "platform/raster/system_colors.h"
#include "platform/raster/units.h"

namespace tovarin::button {

RgbColor TranslateColor(std::uint32_t ole_color) {
  const std::optional<platform::ColorRef> rgb = platform::TranslateOleColor(ole_color);
  if (!rgb) return kNoColor;
  return static_cast<RgbColor>(*rgb & 0xFFFFFFu);
}

RgbColor ShiftColor(RgbColor color, float fraction) {
  // The offset is taken from the float's exact value in double precision; rounding it first
  // would turn 0.1f * 255 = 25.5000004 into a tie and change results.
  const double offset = static_cast<double>(fraction) * 255.0;
  auto shift = [&](int channel) {
    auto value = platform::Nearest(channel + offset);
    if (fraction > 0) {
      if (value > 255) value = 255;
    } else if (value < 0) {
      value = 0;
    }
    return static_cast<int>(value);
  };
  return MakeRgb(shift(RedOf(color)), shift(GreenOf(color)), shift(BlueOf(color)));
}

RgbColor MixColors(RgbColor a, RgbColor b) {
  auto mean = [](int x, int y) { return static_cast<int>(platform::Nearest((x + y) / 2.0)); };
  return MakeRgb(mean(RedOf(a), RedOf(b)), mean(GreenOf(a), GreenOf(b)),
                 mean(BlueOf(a), BlueOf(b)));
}

void FillEffectTables(std::array<std::uint8_t, 256>& light_table,
                      std::array<std::uint8_t, 256>& dark_table) {
  for (int i = 0; i < 256; ++i) {
    light_table[static_cast<std::size_t>(i)] = LightenChannel(static_cast<std::uint8_t>(i));
    dark_table[static_cast<std::size_t>(i)] = DarkenChannel(static_cast<std::uint8_t>(i));
  }
}

}  // namespace tovarin::button
