#pragma once
// Two colour layouts meet in this system:
//  - ColorRef, a drawing colour: red in bits 0-7, green 8-15, blue 16-23 (the layout of an
//    OLE colour below 0x80000000, written RGB(r, g, b) or 0xBBGGRR).
//  - PaletteEntry, a colour-table slot: 0x00RRGGBB, the byte order of a bitmap colour table
//    in memory (blue, green, red, 0).
// Pixel memory of 24- and 32-bit bitmaps holds bytes blue, green, red (, alpha) per pixel.

#include <cstdint>

namespace tovarin::platform {

using ColorRef = std::uint32_t;
using PaletteEntry = std::uint32_t;

constexpr ColorRef Rgb(int r, int g, int b) {
  return static_cast<ColorRef>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr int RedOf(ColorRef c) { return static_cast<int>(c & 0xFF); }
constexpr int GreenOf(ColorRef c) { return static_cast<int>((c >> 8) & 0xFF); }
constexpr int BlueOf(ColorRef c) { return static_cast<int>((c >> 16) & 0xFF); }

constexpr PaletteEntry ToPaletteEntry(ColorRef c) {
  return static_cast<PaletteEntry>((RedOf(c) << 16) | (GreenOf(c) << 8) | BlueOf(c));
}
constexpr ColorRef FromPaletteEntry(PaletteEntry p) {
  return Rgb(static_cast<int>((p >> 16) & 0xFF), static_cast<int>((p >> 8) & 0xFF),
             static_cast<int>(p & 0xFF));
}

}  // namespace tovarin::platform
