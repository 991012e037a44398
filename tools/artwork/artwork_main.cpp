// tovarin-artwork FOLDER: draws the program's pictures into FOLDER (made when missing):
// tovarin.ico, skin.bmp, picture1-3.bmp, about.bmp, a1/a2/a3 _normal/_hot/_down.bmp and
// loading.gif, at the sizes and depths the windows use; and the program icon as
// tovarin-16/32/48/128.png, for the desktop's icon theme.
#include <sys/stat.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tools/artwork/picture_files.h"
#include "tools/artwork/scene.h"

namespace {

using tovarin::artwork::GifFrame;

// A GIF colour table: the 6x6x6 colour cube, then greys; index 255 is kept for transparency.
std::vector<unsigned char> LoadingPalette() {
  std::vector<unsigned char> palette;
  for (int r = 0; r < 6; ++r)
    for (int g = 0; g < 6; ++g)
      for (int b = 0; b < 6; ++b)
        palette.insert(palette.end(),
                       {static_cast<unsigned char>(r * 51), static_cast<unsigned char>(g * 51),
                        static_cast<unsigned char>(b * 51)});
  while (palette.size() < 255 * 3) {
    const auto level = static_cast<unsigned char>((palette.size() / 3 - 216) * 255 / 38);
    palette.insert(palette.end(), {level, level, level});
  }
  palette.insert(palette.end(), {255, 255, 255});  // 255: transparent
  return palette;
}

int NearestIndex(const std::vector<unsigned char>& palette, int r, int g, int b) {
  int best = 0;
  long best_distance = -1;
  for (int i = 0; i < 255; ++i) {
    const long dr = palette[static_cast<std::size_t>(i * 3)] - r,
               dg = palette[static_cast<std::size_t>(i * 3 + 1)] - g,
               db = palette[static_cast<std::size_t>(i * 3 + 2)] - b;
    const long d = dr * dr + dg * dg + db * db;
    if (best_distance < 0 || d < best_distance) {
      best_distance = d;
      best = i;
    }
  }
  return best;
}

std::vector<unsigned char> Indices(cairo_surface_t* surface,
                                   const std::vector<unsigned char>& palette) {
  cairo_surface_flush(surface);
  const int width = cairo_image_surface_get_width(surface);
  const int height = cairo_image_surface_get_height(surface);
  const unsigned char* data = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  std::vector<unsigned char> indices(static_cast<std::size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const unsigned char* p = data + y * stride + x * 4;  // B, G, R, A (opaque)
      indices[static_cast<std::size_t>(y) * width + x] =
          static_cast<unsigned char>(NearestIndex(palette, p[2], p[1], p[0]));
    }
  }
  return indices;
}

// The loading animation: 237 x 297, frame 1 whole, then patches of the three sizes in turn
// holding what changed (transparent where the frame before shows through).
bool WriteLoadingAnimation(const std::string& path) {
  constexpr int kWidth = 237;
  constexpr int kHeight = 297;
  struct Patch {
    int left, top, width, height;
  };
  const Patch patches[3] = {{16, 3, 204, 204}, {24, 11, 188, 188}, {16, 2, 204, 205}};
  const std::vector<unsigned char> palette = LoadingPalette();
  std::vector<GifFrame> frames;
  std::vector<unsigned char> shown;
  for (int step = 0; step < 12; ++step) {
    cairo_surface_t* picture = tovarin::artwork::LoadingFrame(kWidth, kHeight, step);
    const std::vector<unsigned char> full = Indices(picture, palette);
    cairo_surface_destroy(picture);
    if (step == 0) {
      frames.push_back({0, 0, kWidth, kHeight, full});
    } else {
      const Patch& patch = patches[(step - 1) % 3];
      GifFrame frame{patch.left, patch.top, patch.width, patch.height, {}};
      for (int y = 0; y < patch.height; ++y) {
        for (int x = 0; x < patch.width; ++x) {
          const std::size_t at = static_cast<std::size_t>(patch.top + y) * kWidth + patch.left + x;
          frame.indices.push_back(full[at] == shown[at] ? 255 : full[at]);
        }
      }
      frames.push_back(std::move(frame));
    }
    shown = full;
  }
  return tovarin::artwork::WriteGif(kWidth, kHeight, palette, 255, 255, frames, path);
}

bool Save(cairo_surface_t* surface, int bits, const std::string& path) {
  const bool ok = tovarin::artwork::WriteBmp(surface, bits, path);
  cairo_surface_destroy(surface);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: tovarin-artwork FOLDER\n");
    return 2;
  }
  const std::string folder = argv[1];
  mkdir(folder.c_str(), 0755);
  using namespace tovarin::artwork;
  bool ok = true;
  ok &= Save(SkinPicture(), 24, folder + "/skin.bmp");
  cairo_surface_t* scene = WinterScene(245, 80, 7);
  cairo_surface_t* slice = cairo_surface_create_for_rectangle(scene, 0, 45, 245, 19);
  cairo_surface_t* strip = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 245, 19);
  cairo_t* cr = cairo_create(strip);
  cairo_set_source_surface(cr, slice, 0, 0);
  cairo_paint(cr);
  cairo_destroy(cr);
  cairo_surface_destroy(slice);
  cairo_surface_destroy(scene);
  ok &= Save(strip, 24, folder + "/picture1.bmp");
  ok &= Save(BlueGradient(241, 18, false), 24, folder + "/picture2.bmp");
  ok &= Save(BlueGradient(7, 308, true), 24, folder + "/picture3.bmp");
  ok &= Save(AboutPicture(), 24, folder + "/about.bmp");
  ok &= Save(MenuBanner(0), 32, folder + "/a1_normal.bmp");
  ok &= Save(MenuBanner(1), 32, folder + "/a1_hot.bmp");
  ok &= Save(MenuBanner(2), 32, folder + "/a1_down.bmp");
  const double yellow[3] = {1.0, 0.85, 0.15};
  const double red[3] = {0.90, 0.12, 0.10};
  const double blue[3] = {0.15, 0.35, 0.85};
  ok &= Save(ButtonSquare(24, yellow, blue, 0, 1.0), 24, folder + "/a2_normal.bmp");
  ok &= Save(ButtonSquare(24, yellow, blue, 0, 1.1), 32, folder + "/a2_hot.bmp");
  ok &= Save(ButtonSquare(24, yellow, blue, 0, 0.85), 24, folder + "/a2_down.bmp");
  ok &= Save(ButtonSquare(24, red, blue, 1, 1.0), 24, folder + "/a3_normal.bmp");
  ok &= Save(ButtonSquare(24, red, blue, 1, 1.1), 32, folder + "/a3_hot.bmp");
  ok &= Save(ButtonSquare(24, red, blue, 1, 0.85), 24, folder + "/a3_down.bmp");

  // Ten icon images: 48, 32, 16 at 4 and 8 bits; 128, 48, 32, 16 at 32 bits.
  std::vector<cairo_surface_t*> icons;
  std::vector<IconImage> images;
  for (const auto& [size, bits] : std::vector<std::pair<int, int>>{{48, 4},
                                                                   {32, 4},
                                                                   {16, 4},
                                                                   {48, 8},
                                                                   {32, 8},
                                                                   {16, 8},
                                                                   {128, 32},
                                                                   {48, 32},
                                                                   {32, 32},
                                                                   {16, 32}}) {
    icons.push_back(ProgramIcon(size));
    images.push_back({icons.back(), bits});
  }
  ok &= WriteIco(images, folder + "/tovarin.ico");
  // The icon theme takes PNGs, one per size: the icon's four 32-bit images.
  for (std::size_t i = 6; i < icons.size(); ++i) {
    const std::string png =
        folder + "/tovarin-" + std::to_string(cairo_image_surface_get_width(icons[i])) + ".png";
    ok &= cairo_surface_write_to_png(icons[i], png.c_str()) == CAIRO_STATUS_SUCCESS;
  }
  for (cairo_surface_t* icon : icons) cairo_surface_destroy(icon);

  ok &= WriteLoadingAnimation(folder + "/loading.gif");
  if (!ok) {
    std::fprintf(stderr, "tovarin-artwork: cannot write the pictures into %s\n", folder.c_str());
    return 1;
  }
  return 0;
}
