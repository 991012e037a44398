#include "tools/artwork/picture_files.h"

#include <gif_lib.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>

namespace tovarin::artwork {

namespace {

void Put16(std::vector<unsigned char>& out, unsigned value) {
  out.push_back(static_cast<unsigned char>(value & 0xFF));
  out.push_back(static_cast<unsigned char>((value >> 8) & 0xFF));
}

void Put32(std::vector<unsigned char>& out, std::uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

// Straight (not premultiplied) RGBA of one pixel of an ARGB32 surface.
struct Rgba {
  int r, g, b, a;
};

Rgba PixelAt(cairo_surface_t* surface, int x, int y) {
  const unsigned char* data = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  std::uint32_t pixel;
  std::memcpy(&pixel, data + y * stride + x * 4, 4);
  const int a = static_cast<int>(pixel >> 24);
  auto channel = [&](int shift) {
    const int premultiplied = static_cast<int>((pixel >> shift) & 0xFF);
    return a == 0 ? 0 : std::min(255, (premultiplied * 255 + a / 2) / a);
  };
  return {channel(16), channel(8), channel(0), a};
}

int RowBytes(int bits, int width) { return ((bits * width + 31) / 32) * 4; }

// The 16 colours of the classic 4-bit palette.
const unsigned char kVga16[16][3] = {
    {0, 0, 0},     {128, 0, 0},     {0, 128, 0},     {128, 128, 0},  {0, 0, 128}, {128, 0, 128},
    {0, 128, 128}, {192, 192, 192}, {128, 128, 128}, {255, 0, 0},    {0, 255, 0}, {255, 255, 0},
    {0, 0, 255},   {255, 0, 255},   {0, 255, 255},   {255, 255, 255}};

std::vector<std::array<int, 3>> Palette(int bits) {
  std::vector<std::array<int, 3>> palette;
  if (bits == 4) {
    for (const auto& c : kVga16) palette.push_back({c[0], c[1], c[2]});
    return palette;
  }
  for (int r = 0; r < 6; ++r)
    for (int g = 0; g < 6; ++g)
      for (int b = 0; b < 6; ++b) palette.push_back({r * 51, g * 51, b * 51});
  while (palette.size() < 256) {
    const int level = static_cast<int>((palette.size() - 216) * 255 / 39);
    palette.push_back({level, level, level});
  }
  return palette;
}

int Nearest(const std::vector<std::array<int, 3>>& palette, const Rgba& c) {
  int best = 0;
  long best_distance = -1;
  for (std::size_t i = 0; i < palette.size(); ++i) {
    const long dr = palette[i][0] - c.r, dg = palette[i][1] - c.g, db = palette[i][2] - c.b;
    const long d = dr * dr + dg * dg + db * db;
    if (best_distance < 0 || d < best_distance) {
      best_distance = d;
      best = static_cast<int>(i);
    }
  }
  return best;
}

bool WriteFile(const std::vector<unsigned char>& bytes, const std::string& path) {
  std::ofstream file(path, std::ios::binary);
  file.write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(file);
}

// The BITMAPINFOHEADER and pixel rows of one image; for icons the height is doubled and the
// AND mask follows.
std::vector<unsigned char> DibImage(cairo_surface_t* surface, int bits, bool icon) {
  const int width = cairo_image_surface_get_width(surface);
  const int height = cairo_image_surface_get_height(surface);
  std::vector<unsigned char> out;
  Put32(out, 40);
  Put32(out, static_cast<std::uint32_t>(width));
  Put32(out, static_cast<std::uint32_t>(icon ? height * 2 : height));
  Put16(out, 1);
  Put16(out, static_cast<unsigned>(bits));
  Put32(out, 0);  // BI_RGB
  Put32(out, static_cast<std::uint32_t>(RowBytes(bits, width) * height));
  Put32(out, 3780);
  Put32(out, 3780);
  const auto palette = bits <= 8 ? Palette(bits) : std::vector<std::array<int, 3>>{};
  Put32(out, static_cast<std::uint32_t>(palette.size()));
  Put32(out, 0);
  for (const auto& c : palette) {
    out.push_back(static_cast<unsigned char>(c[2]));
    out.push_back(static_cast<unsigned char>(c[1]));
    out.push_back(static_cast<unsigned char>(c[0]));
    out.push_back(0);
  }
  cairo_surface_flush(surface);
  for (int y = height - 1; y >= 0; --y) {
    std::vector<unsigned char> row(static_cast<std::size_t>(RowBytes(bits, width)), 0);
    for (int x = 0; x < width; ++x) {
      const Rgba c = PixelAt(surface, x, y);
      if (bits == 24 || bits == 32) {
        const std::size_t at = static_cast<std::size_t>(x) * (bits / 8);
        row[at] = static_cast<unsigned char>(c.b);
        row[at + 1] = static_cast<unsigned char>(c.g);
        row[at + 2] = static_cast<unsigned char>(c.r);
        if (bits == 32) row[at + 3] = static_cast<unsigned char>(c.a);
      } else {
        const int index = c.a < 128 ? 0 : Nearest(palette, c);
        if (bits == 8) {
          row[static_cast<std::size_t>(x)] = static_cast<unsigned char>(index);
        } else {
          row[static_cast<std::size_t>(x / 2)] |=
              static_cast<unsigned char>(x % 2 == 0 ? index << 4 : index);
        }
      }
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  if (icon) {
    for (int y = height - 1; y >= 0; --y) {
      std::vector<unsigned char> mask(static_cast<std::size_t>(RowBytes(1, width)), 0);
      for (int x = 0; x < width; ++x) {
        if (PixelAt(surface, x, y).a < 128)
          mask[static_cast<std::size_t>(x / 8)] |= static_cast<unsigned char>(0x80 >> (x % 8));
      }
      out.insert(out.end(), mask.begin(), mask.end());
    }
  }
  return out;
}

}  // namespace

bool WriteBmp(cairo_surface_t* surface, int bits_per_pixel, const std::string& path) {
  const std::vector<unsigned char> image = DibImage(surface, bits_per_pixel, false);
  std::vector<unsigned char> out = {'B', 'M'};
  Put32(out, static_cast<std::uint32_t>(14 + image.size()));
  Put32(out, 0);
  Put32(out, 14 + 40);
  out.insert(out.end(), image.begin(), image.end());
  return WriteFile(out, path);
}

bool WriteIco(const std::vector<IconImage>& images, const std::string& path) {
  std::vector<std::vector<unsigned char>> encoded;
  for (const IconImage& image : images)
    encoded.push_back(DibImage(image.surface, image.bits_per_pixel, true));
  std::vector<unsigned char> out;
  Put16(out, 0);
  Put16(out, 1);
  Put16(out, static_cast<unsigned>(images.size()));
  std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * images.size());
  for (std::size_t i = 0; i < images.size(); ++i) {
    const int size = cairo_image_surface_get_width(images[i].surface);
    out.push_back(static_cast<unsigned char>(size >= 256 ? 0 : size));
    out.push_back(static_cast<unsigned char>(size >= 256 ? 0 : size));
    out.push_back(static_cast<unsigned char>(images[i].bits_per_pixel == 4 ? 16 : 0));
    out.push_back(0);
    Put16(out, 1);
    Put16(out, static_cast<unsigned>(images[i].bits_per_pixel));
    Put32(out, static_cast<std::uint32_t>(encoded[i].size()));
    Put32(out, offset);
    offset += static_cast<std::uint32_t>(encoded[i].size());
  }
  for (const auto& image : encoded) out.insert(out.end(), image.begin(), image.end());
  return WriteFile(out, path);
}

bool WriteGif(int screen_width, int screen_height, const std::vector<unsigned char>& palette,
              int background_index, int transparent_index, const std::vector<GifFrame>& frames,
              const std::string& path) {
  int error = 0;
  GifFileType* gif = EGifOpenFileName(path.c_str(), false, &error);
  if (gif == nullptr) return false;
  GifColorType colors[256];
  for (int i = 0; i < 256; ++i) {
    colors[i] = {palette[static_cast<std::size_t>(i * 3)],
                 palette[static_cast<std::size_t>(i * 3 + 1)],
                 palette[static_cast<std::size_t>(i * 3 + 2)]};
  }
  ColorMapObject* map = GifMakeMapObject(256, colors);
  EGifSetGifVersion(gif, true);
  bool ok = EGifPutScreenDesc(gif, screen_width, screen_height, 8, background_index, map) == GIF_OK;
  // NETSCAPE2.0 application extension: loop count 0, endless.
  const GifByteType app[] = {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'};
  const GifByteType loop[] = {1, 0, 0};
  ok = ok && EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) == GIF_OK &&
       EGifPutExtensionBlock(gif, sizeof app, app) == GIF_OK &&
       EGifPutExtensionBlock(gif, sizeof loop, loop) == GIF_OK &&
       EGifPutExtensionTrailer(gif) == GIF_OK;
  for (const GifFrame& frame : frames) {
    if (!ok) break;
    // Graphic control: disposal 1 (bits 2-4), transparency flag; delay 0; transparent index.
    const GifByteType control[] = {static_cast<GifByteType>((1 << 2) | 1), 0, 0,
                                   static_cast<GifByteType>(transparent_index)};
    ok = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, sizeof control, control) == GIF_OK &&
         EGifPutImageDesc(gif, frame.left, frame.top, frame.width, frame.height, false, nullptr) ==
             GIF_OK;
    for (int y = 0; ok && y < frame.height; ++y) {
      ok = EGifPutLine(gif,
                       const_cast<GifPixelType*>(frame.indices.data() +
                                                 static_cast<std::size_t>(y) * frame.width),
                       frame.width) == GIF_OK;
    }
  }
  GifFreeMapObject(map);
  return EGifCloseFile(gif, &error) == GIF_OK && ok;
}

}  // namespace tovarin::artwork
