#pragma once
// Colour arithmetic of the button's looks: OLE colour translation, the shift by a fraction of
// full scale, the channel-wise mean and the two picture-effect tables.
//
// RgbColor is a colour as the drawing routines pass it around: a signed 32-bit value with red
// in bits 0-7, green 8-15 and blue 16-23 (OLE layout), or kNoColor (-1) when a translation
// failed or, for DrawPicture, to mean "the picture itself, not a silhouette". Channels are read
// with integer division truncating toward zero, so kNoColor reads as red 255, green 0, blue 0.

#include <array>
#include <cstdint>

#include "platform/raster/color.h"

namespace tovarin::button {

using RgbColor = std::int32_t;
inline constexpr RgbColor kNoColor = -1;

// Channels of an RgbColor: red = c and 255, green = (c div 256) and 255, blue = (c div 65536)
// and 255, with truncating division (kNoColor gives 255, 0, 0).
constexpr int RedOf(RgbColor c) { return c & 255; }
constexpr int GreenOf(RgbColor c) { return (c / 256) & 255; }
constexpr int BlueOf(RgbColor c) { return (c / 65536) & 255; }
constexpr RgbColor MakeRgb(int r, int g, int b) { return r + g * 256 + b * 65536; }

// The drawing colour the raster layer takes: the low 24 bits (kNoColor becomes white).
constexpr platform::ColorRef ToColorRef(RgbColor c) {
  return static_cast<platform::ColorRef>(c) & 0xFFFFFFu;
}

// OLE colour to RGB: a value below 0x80000000 stays (its low 24 bits), 0x80000000 + n becomes
// system colour n; anything that cannot be translated gives kNoColor.
RgbColor TranslateColor(std::uint32_t ole_color);

// Adds f * 255 to every channel (computed in double from the float's own value, so 0.1f adds
// 25.500000379...), rounds halves to even, then limits to 255 when f > 0 or to 0 otherwise.
RgbColor ShiftColor(RgbColor color, float fraction);

// Channel-wise mean (a + b) / 2 rounded halves to even: 1 and 0 give 0, 3 and 0 give 2.
RgbColor MixColors(RgbColor a, RgbColor b);

// Picture-effect channel tables: min(255, v * 293 div 255) and v * 217 div 255.
constexpr std::uint8_t LightenChannel(std::uint8_t v) {
  const int lighter = v * 293 / 255;
  return static_cast<std::uint8_t>(lighter > 255 ? 255 : lighter);
}
constexpr std::uint8_t DarkenChannel(std::uint8_t v) {
  return static_cast<std::uint8_t>(v * 217 / 255);
}

// Fills both tables for every channel value (done once when a button is created).
void FillEffectTables(std::array<std::uint8_t, 256>& light_table,
                      std::array<std::uint8_t, 256>& dark_table);

}  // namespace tovarin::button
