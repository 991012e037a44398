#include "tools/artwork/scene.h"

#include <pango/pangocairo.h>

#include <cmath>

namespace tovarin::artwork {

namespace {

constexpr double kPi = 3.14159265358979323846;

// A small linear congruential generator: the same numbers on every build.
struct Dice {
  unsigned state;
  double Next() {
    state = state * 1103515245u + 12345u;
    return ((state >> 8) & 0xFFFF) / 65535.0;
  }
};

cairo_surface_t* NewSurface(int width, int height) {
  return cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
}

void Text(cairo_t* cr, const char* text, const char* font, double x, double y, double r, double g,
          double b, bool centred_width = false, double width = 0) {
  PangoLayout* layout = pango_cairo_create_layout(cr);
  pango_layout_set_text(layout, text, -1);
  PangoFontDescription* description = pango_font_description_from_string(font);
  pango_layout_set_font_description(layout, description);
  pango_font_description_free(description);
  int text_width = 0;
  int text_height = 0;
  pango_layout_get_pixel_size(layout, &text_width, &text_height);
  cairo_set_source_rgb(cr, r, g, b);
  cairo_move_to(cr, centred_width ? x + (width - text_width) / 2 : x, y);
  pango_cairo_show_layout(cr, layout);
  g_object_unref(layout);
}

void Snowflake(cairo_t* cr, double x, double y, double radius) {
  cairo_set_line_width(cr, std::max(0.6, radius / 3));
  for (int arm = 0; arm < 3; ++arm) {
    const double angle = arm * kPi / 3;
    cairo_move_to(cr, x - radius * std::cos(angle), y - radius * std::sin(angle));
    cairo_line_to(cr, x + radius * std::cos(angle), y + radius * std::sin(angle));
  }
  cairo_stroke(cr);
}

}  // namespace

cairo_surface_t* WinterScene(int width, int height, unsigned seed) {
  cairo_surface_t* surface = NewSurface(width, height);
  cairo_t* cr = cairo_create(surface);
  cairo_pattern_t* sky = cairo_pattern_create_linear(0, 0, 0, height);
  cairo_pattern_add_color_stop_rgb(sky, 0, 0.16, 0.36, 0.70);
  cairo_pattern_add_color_stop_rgb(sky, 0.6, 0.45, 0.66, 0.92);
  cairo_pattern_add_color_stop_rgb(sky, 1, 0.78, 0.87, 0.98);
  cairo_set_source(cr, sky);
  cairo_paint(cr);
  cairo_pattern_destroy(sky);
  // Hills of snow in the lower part.
  cairo_set_source_rgba(cr, 0.93, 0.96, 1.0, 0.9);
  cairo_move_to(cr, 0, height * 0.86);
  cairo_curve_to(cr, width * 0.3, height * 0.78, width * 0.6, height * 0.92, width, height * 0.82);
  cairo_line_to(cr, width, height);
  cairo_line_to(cr, 0, height);
  cairo_close_path(cr);
  cairo_fill(cr);
  Dice dice{seed};
  cairo_set_source_rgba(cr, 1, 1, 1, 0.85);
  const int flakes = width * height / 300;
  for (int i = 0; i < flakes; ++i)
    Snowflake(cr, dice.Next() * width, dice.Next() * height, 1 + dice.Next() * 3);
  cairo_destroy(cr);
  return surface;
}

cairo_surface_t* SkinPicture() {
  constexpr int kWidth = 244;
  constexpr int kHeight = 398;
  cairo_surface_t* surface = WinterScene(kWidth, kHeight, 7);
  cairo_t* cr = cairo_create(surface);
  cairo_set_source_rgb(cr, 0, 0, 0);
  cairo_rectangle(cr, 18, 0, 97, 24);   // under the menu button: x 18 to 114, y 0 to 23
  cairo_rectangle(cr, 185, 0, 41, 24);  // under the hide and exit buttons: x 185 to 225
  cairo_fill(cr);
  cairo_set_line_width(cr, 1);
  cairo_rectangle(cr, 0.5, 0.5, kWidth - 1, kHeight - 1);
  cairo_stroke(cr);
  Text(cr, "欢迎使用 Tovarin · 拓瓦林工作室", "Sans 7", 0, kHeight - 18, 0.05, 0.2, 0.45, true,
       kWidth);
  cairo_destroy(cr);
  return surface;
}

cairo_surface_t* BlueGradient(int width, int height, bool vertical) {
  cairo_surface_t* surface = NewSurface(width, height);
  cairo_t* cr = cairo_create(surface);
  cairo_pattern_t* gradient = vertical ? cairo_pattern_create_linear(0, 0, 0, height)
                                       : cairo_pattern_create_linear(0, 0, width, 0);
  cairo_pattern_add_color_stop_rgb(gradient, 0, 0.10, 0.30, 0.65);
  cairo_pattern_add_color_stop_rgb(gradient, 0.5, 0.38, 0.60, 0.90);
  cairo_pattern_add_color_stop_rgb(gradient, 1, 0.10, 0.30, 0.65);
  cairo_set_source(cr, gradient);
  cairo_paint(cr);
  cairo_pattern_destroy(gradient);
  cairo_destroy(cr);
  return surface;
}

cairo_surface_t* AboutPicture() {
  cairo_surface_t* surface = WinterScene(300, 200, 11);
  cairo_t* cr = cairo_create(surface);
  Text(cr, "Tovarin 1.2", "Sans Bold 30", 0, 30, 1, 1, 1, true, 300);
  Text(cr, "WAP 浏览器", "Sans 12", 0, 82, 0.95, 0.97, 1, true, 300);
  Text(cr, "网址: http://www.tovarin.com", "Sans 8", 0, 128, 0.05, 0.15, 0.35, true, 300);
  Text(cr, "联系: tovarin@tovarin.com", "Sans 8", 0, 145, 0.05, 0.15, 0.35, true, 300);
  Text(cr, "版权所有 © 拓瓦林工作室", "Sans 8", 0, 165, 0.05, 0.15, 0.35, true, 300);
  cairo_destroy(cr);
  return surface;
}

cairo_surface_t* MenuBanner(int variant) {
  cairo_surface_t* surface = WinterScene(97, 24, 3);
  cairo_t* cr = cairo_create(surface);
  if (variant == 1) cairo_set_source_rgba(cr, 1, 1, 1, 0.25);
  if (variant == 2) cairo_set_source_rgba(cr, 0, 0, 0.2, 0.25);
  if (variant != 0) cairo_paint(cr);
  const double offset = variant == 2 ? 1 : 0;
  Text(cr, "Tovarin", "Sans Bold 11", offset, 3 + offset, 0.85, 0.05, 0.05, true, 97);
  cairo_destroy(cr);
  return surface;
}

cairo_surface_t* ButtonSquare(int size, const double top[3], const double bottom[3], int glyph,
                              double lightness) {
  cairo_surface_t* surface = NewSurface(size, size);
  cairo_t* cr = cairo_create(surface);
  cairo_pattern_t* gradient = cairo_pattern_create_linear(0, 0, 0, size);
  cairo_pattern_add_color_stop_rgb(gradient, 0, top[0] * lightness, top[1] * lightness,
                                   top[2] * lightness);
  cairo_pattern_add_color_stop_rgb(gradient, 1, bottom[0] * lightness, bottom[1] * lightness,
                                   bottom[2] * lightness);
  cairo_set_source(cr, gradient);
  cairo_paint(cr);
  cairo_pattern_destroy(gradient);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_set_line_width(cr, 2.5);
  if (glyph == 0) {
    cairo_move_to(cr, size * 0.28, size * 0.68);
    cairo_line_to(cr, size * 0.72, size * 0.68);
  } else {
    cairo_move_to(cr, size * 0.3, size * 0.3);
    cairo_line_to(cr, size * 0.7, size * 0.7);
    cairo_move_to(cr, size * 0.7, size * 0.3);
    cairo_line_to(cr, size * 0.3, size * 0.7);
  }
  cairo_stroke(cr);
  cairo_destroy(cr);
  return surface;
}

cairo_surface_t* ProgramIcon(int size) {
  cairo_surface_t* surface = NewSurface(size, size);  // starts clear
  cairo_t* cr = cairo_create(surface);
  const double colors[4][3] = {
      {0.90, 0.10, 0.10}, {0.10, 0.30, 0.90}, {0.98, 0.80, 0.05}, {0.10, 0.70, 0.20}};
  const double centre = size / 2.0;
  for (int blade = 0; blade < 4; ++blade) {
    cairo_save(cr);
    cairo_translate(cr, centre, centre);
    cairo_rotate(cr, blade * kPi / 2);
    // A bar from the hub outwards, bent like a pinwheel's blade.
    cairo_move_to(cr, 0, 0);
    cairo_line_to(cr, size * 0.46, -size * 0.04);
    cairo_line_to(cr, size * 0.46, -size * 0.24);
    cairo_line_to(cr, size * 0.08, -size * 0.14);
    cairo_close_path(cr);
    cairo_set_source_rgb(cr, colors[blade][0], colors[blade][1], colors[blade][2]);
    cairo_fill(cr);
    cairo_restore(cr);
  }
  cairo_destroy(cr);
  return surface;
}

cairo_surface_t* LoadingFrame(int width, int height, int step) {
  cairo_surface_t* surface = NewSurface(width, height);
  cairo_t* cr = cairo_create(surface);
  cairo_set_source_rgb(cr, 0.86, 0.91, 0.98);
  cairo_paint(cr);
  const double cx = width / 2.0;
  const double cy = 105;
  for (int dot = 0; dot < 12; ++dot) {
    const double angle = dot * kPi / 6 - kPi / 2;
    const int age = (step - dot + 12) % 12;
    const double shade = age == 0 ? 0.15 : 0.35 + 0.05 * age;
    cairo_set_source_rgb(cr, shade * 0.6, shade * 0.8, shade * 1.6 > 1 ? 1 : shade * 1.6);
    cairo_arc(cr, cx + 70 * std::cos(angle), cy + 70 * std::sin(angle), age == 0 ? 12 : 9, 0,
              2 * kPi);
    cairo_fill(cr);
  }
  Text(cr, "正在载入…", "Sans 11", 0, 230, 0.1, 0.25, 0.5, true, width);
  cairo_destroy(cr);
  return surface;
}

}  // namespace tovarin::artwork
