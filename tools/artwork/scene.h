#pragma once
// The drawings of the program's pictures, each on a new ARGB32 cairo surface the caller
// destroys. Everything is drawn from fixed seeds, so every build makes the same pictures.

#include <cairo.h>

namespace tovarin::artwork {

// Blue winter sky with snowflakes and snowy hills, width x height.
cairo_surface_t* WinterScene(int width, int height, unsigned seed);
// Form1's background: the winter scene, a black outline, the two black rectangles under the
// buttons and a line of welcome text along the bottom.
cairo_surface_t* SkinPicture();
// A horizontal (or vertical) blue gradient strip.
cairo_surface_t* BlueGradient(int width, int height, bool vertical);
// The about picture: product name and version, web and contact address, owner.
cairo_surface_t* AboutPicture();
// The menu button's banner: the product name in red on a snowy blue band; variant 0 normal,
// 1 hot (lighter), 2 down (darker).
cairo_surface_t* MenuBanner(int variant);
// A square of the given size with a vertical gradient from `top` to `bottom` (RGB 0..1) and a
// glyph: 0 a minimise bar, 1 a cross.
cairo_surface_t* ButtonSquare(int size, const double top[3], const double bottom[3], int glyph,
                              double lightness);
// The program icon: a pinwheel of four bars (red, blue, yellow, green) on a clear ground.
cairo_surface_t* ProgramIcon(int size);
// One picture of the loading animation: a ring of twelve dots with dot `step` lit.
cairo_surface_t* LoadingFrame(int width, int height, int step);

}  // namespace tovarin::artwork
