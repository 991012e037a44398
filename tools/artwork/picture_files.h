#pragma once
// Writers of the picture files the artwork generator makes: uncompressed BMP (24 or 32 bits),
// ICO (several images, 4 and 8 bits with palettes or 32 bits with alpha), and animated GIF89a
// through giflib. Pixels come from cairo image surfaces (premultiplied ARGB32).

#include <cairo.h>

#include <string>
#include <vector>

namespace tovarin::artwork {

// Writes `surface` as a bottom-up BMP of 24 bits, or 32 bits with straight alpha in the fourth
// byte. Returns false when the file cannot be written.
bool WriteBmp(cairo_surface_t* surface, int bits_per_pixel, const std::string& path);

struct IconImage {
  cairo_surface_t* surface;  // square, not owned
  int bits_per_pixel;        // 4, 8 or 32
};
// Writes the images into one ICO file (BMP-coded images with AND masks).
bool WriteIco(const std::vector<IconImage>& images, const std::string& path);

struct GifFrame {
  int left, top, width, height;
  std::vector<unsigned char> indices;  // width * height palette indices
};
// Writes a GIF89a with `palette` (256 RGB triples) as global colour table, the given background
// index, a NETSCAPE2.0 loop count of 0 (endless), and every frame with disposal 1 (leave in
// place), `transparent_index`, and a delay of 0.
bool WriteGif(int screen_width, int screen_height, const std::vector<unsigned char>& palette,
              int background_index, int transparent_index, const std::vector<GifFrame>& frames,
              const std::string& path);

}  // namespace tovarin::artwork
