// Picture composition: a button picture is composed pixel by pixel over what the style has
// painted, with its opacity, mask colour or alpha, hover and press effects, the disabled
// modes, or as a flat silhouette. Only the part of the picture that lies on the surface is
// composed; the rest would be clipped when written back anyway.

#include <cstdint>

#include "button/render/button_renderer.h"
#include "platform/pictures/picture.h"
#include "platform/raster/units.h"

namespace tovarin::button {
using namespace shorthand;
namespace {

struct Pixel {
  int blue = 0;
  int green = 0;
  int red = 0;
  int alpha = 0;
};

// What both composition routines settle before the per-pixel loop.
struct BlendSetup {
  PictureEffectValue effect = PictureEffectValue::kEffectNone;  // e
  int disabled_opacity = 0;                                     // d
  bool grey = false;                                            // g
  int hover_opacity = 0;                                        // v
  bool silhouette = false;
  Pixel silhouette_color;
};

BlendSetup CommonSetup(const ButtonModel& m) {
  BlendSetup setup;
  if (m.mButtonState == ButtonStateValue::kStateHot) setup.effect = m.PictureEffectOnOver;
  if (m.mButtonState == ButtonStateValue::kStateDown) setup.effect = m.PictureEffectOnDown;
  if (!m.Enabled) {
    if (m.DisabledPictureMode == DisabledPictureModeValue::kFaded) {
      setup.disabled_opacity = 52;
    } else if (m.DisabledPictureMode == DisabledPictureModeValue::kGrayscale) {
      setup.disabled_opacity = static_cast<int>(platform::Nearest(m.PictureOpacity * 0.75));
      setup.grey = true;
    }
  }
  if (m.mButtonState == ButtonStateValue::kStateHot) setup.hover_opacity = m.PictureOpacityOnOver;
  return setup;
}

Pixel ChannelsOf(RgbColor color) { return Pixel{BlueOf(color), GreenOf(color), RedOf(color), 255}; }

// Grey value of a pixel: Nearest(Nearest(red * 0.3) + green * 0.59 + blue * 0.11).
int GreyOf(const Pixel& s) {
  const double red_part = static_cast<double>(platform::Nearest(s.red * 0.3));
  return static_cast<int>(platform::Nearest(red_part + s.green * 0.59 + s.blue * 0.11));
}

// Pixel (column j, row i from the top) of the picture's own image, or black outside it.
Pixel ImagePixel(const platform::Bitmap& image, int j, int i) {
  if (j < 0 || i < 0 || j >= image.Width() || i >= image.Height()) return Pixel{};
  const int bpp = image.BitsPerPixel();
  if (bpp == 24 || bpp == 32) {
    const std::uint8_t* p = image.Row(i) + static_cast<std::ptrdiff_t>(j) * (bpp / 8);
    return Pixel{p[0], p[1], p[2], bpp == 32 ? p[3] : 255};
  }
  const platform::ColorRef c = image.GetPixel(j, i);
  return Pixel{platform::BlueOf(c), platform::GreenOf(c), platform::RedOf(c), 255};
}

// The surface under the picture, read and written in place.
class SurfaceAccess {
 public:
  explicit SurfaceAccess(platform::Bitmap& surface)
      : surface_(surface), bytes_(surface.BitsPerPixel() / 8) {}

  bool Direct() const { return bytes_ == 3 || bytes_ == 4; }
  Pixel Read(int x, int y) const {
    if (Direct()) {
      const std::uint8_t* p = surface_.Row(y) + static_cast<std::ptrdiff_t>(x) * bytes_;
      return Pixel{p[0], p[1], p[2], 0};
    }
    const platform::ColorRef c = surface_.GetPixel(x, y);
    return Pixel{platform::BlueOf(c), platform::GreenOf(c), platform::RedOf(c), 0};
  }
  void Write(int x, int y, const Pixel& t) {
    if (Direct()) {
      std::uint8_t* p = surface_.Row(y) + static_cast<std::ptrdiff_t>(x) * bytes_;
      p[0] = static_cast<std::uint8_t>(t.blue);
      p[1] = static_cast<std::uint8_t>(t.green);
      p[2] = static_cast<std::uint8_t>(t.red);
      return;
    }
    surface_.SetPixel(x, y, platform::Rgb(t.red, t.green, t.blue));
  }

 private:
  platform::Bitmap& surface_;
  int bytes_;
};

// Runs `compose(source, target)` for every picture pixel that lies on the surface.
template <typename Compose>
void ForEachVisiblePixel(platform::Bitmap& surface, int x, int y, int width, int height,
                         Compose compose) {
  const platform::Rect visible =
      platform::Rect::FromXYWH(x, y, width, height).Intersect(surface.Bounds());
  SurfaceAccess access(surface);
  for (int sy = visible.top; sy < visible.bottom; ++sy) {
    for (int sx = visible.left; sx < visible.right; ++sx) {
      Pixel t = access.Read(sx, sy);
      if (compose(sx - x, sy - y, t)) access.Write(sx, sy, t);
    }
  }
}

// Blends x over t with weight o of 256: (x * o + t * (255 - o)) div 256 per colour channel.
void BlendInto(Pixel& t, const Pixel& x, int o) {
  const int u = 255 - o;
  t.blue = (x.blue * o + t.blue * u) / 256;
  t.green = (x.green * o + t.green * u) / 256;
  t.red = (x.red * o + t.red * u) / 256;
}

// The picture's own colours of a pixel, through the effect tables for Lighter and Darker.
Pixel Effected(const ButtonModel& m, PictureEffectValue effect, const Pixel& s) {
  if (effect == PictureEffectValue::kLighter) {
    return Pixel{m.mLightTable[static_cast<std::size_t>(s.blue)],
                 m.mLightTable[static_cast<std::size_t>(s.green)],
                 m.mLightTable[static_cast<std::size_t>(s.red)], s.alpha};
  }
  if (effect == PictureEffectValue::kDarker) {
    return Pixel{m.mDarkTable[static_cast<std::size_t>(s.blue)],
                 m.mDarkTable[static_cast<std::size_t>(s.green)],
                 m.mDarkTable[static_cast<std::size_t>(s.red)], s.alpha};
  }
  return s;
}

// One pixel of either routine once its opacity o (1..255) is known.
void ComposePixel(const ButtonModel& m, const BlendSetup& setup, const Pixel& s, int o, Pixel& t) {
  Pixel x;
  if (setup.silhouette) {
    x = setup.silhouette_color;
  } else if (setup.grey) {
    const int q = GreyOf(s);
    x = Pixel{q, q, q, 255};
  } else {
    x = Effected(m, setup.effect, s);
  }
  if (o == 255) {
    t = x;
  } else {
    BlendInto(t, x, o);
  }
}

}  // namespace

bool ButtonRenderer::IsAlphaBitmap(const platform::Picture* picture) {
  return picture != nullptr && picture->Kind() == platform::PictureKind::kBitmap &&
         picture->BitsPerPixel() == 32;
}

void ButtonRenderer::DrawPicture(const platform::Rect& rect, RgbColor color) {
  const platform::Picture* picture = model_.mCurrentPicture.get();
  if (picture == nullptr || picture->IsEmpty()) return;
  // The stored MaskColor is compared untranslated, so a system-colour code matches no pixel.
  const std::int64_t mask_color = picture->Kind() == platform::PictureKind::kIcon
                                      ? std::int64_t{Color(192, 192, 192)}
                                      : std::int64_t{model_.MaskColor};
  if (IsAlphaBitmap(picture)) {
    BlendAlphaPicture(rect.left, rect.top, model_.mPictureWidth, model_.mPictureHeight, *picture,
                      color);
  } else {
    BlendPicture(rect.left, rect.top, model_.mPictureWidth, model_.mPictureHeight, *picture,
                 mask_color, color);
  }
}

void ButtonRenderer::BlendPicture(int x, int y, int width, int height,
                                  const platform::Picture& picture, std::int64_t mask_color,
                                  RgbColor color) {
  if (width <= 0 || height <= 0 || picture.IsEmpty()) return;
  const ButtonModel& m = model_;
  BlendSetup setup = CommonSetup(m);
  if (color != kNoColor) {
    setup.silhouette = true;
    // Only a positive colour is split; 0 (and any other negative value) stays black.
    if (color > 0) setup.silhouette_color = ChannelsOf(color);
  }
  int o = m.Enabled ? m.PictureOpacity : setup.disabled_opacity;
  if (m.mButtonState == ButtonStateValue::kStateHot) o = setup.hover_opacity;
  if (o == 0) return;

  // Anything but a bitmap is first drawn over the mask colour, so an icon's transparent parts
  // take the mask colour (and are then skipped by the mask test).
  const bool over_mask = picture.Kind() != platform::PictureKind::kBitmap;
  const Pixel mask_channels{static_cast<int>((mask_color >> 16) & 255),
                            static_cast<int>((mask_color >> 8) & 255),
                            static_cast<int>(mask_color & 255), 255};
  const platform::Bitmap& image = picture.Image();
  ForEachVisiblePixel(surface_, x, y, width, height, [&](int j, int i, Pixel& t) {
    Pixel s = ImagePixel(image, j, i);
    if (over_mask) {
      const int a = image.BitsPerPixel() == 32 ? s.alpha : 255;
      s.blue = (s.blue * a + mask_channels.blue * (255 - a) + 127) / 255;
      s.green = (s.green * a + mask_channels.green * (255 - a) + 127) / 255;
      s.red = (s.red * a + mask_channels.red * (255 - a) + 127) / 255;
    }
    if (m.UseMaskColor && std::int64_t{MakeRgb(s.red, s.green, s.blue)} == mask_color) return false;
    ComposePixel(m, setup, s, o, t);
    return true;
  });
}

void ButtonRenderer::BlendAlphaPicture(int x, int y, int width, int height,
                                       const platform::Picture& picture, RgbColor color) {
  if (width <= 0 || height <= 0 || picture.IsEmpty()) return;
  const ButtonModel& m = model_;
  BlendSetup setup = CommonSetup(m);
  if (color != kNoColor) {
    setup.silhouette = true;
    setup.silhouette_color = ChannelsOf(color);
  }
  int p = setup.disabled_opacity;
  if (m.Enabled)
    p = m.mButtonState == ButtonStateValue::kStateHot ? setup.hover_opacity : m.PictureOpacity;

  const platform::Bitmap& image = picture.Image();
  ForEachVisiblePixel(surface_, x, y, width, height, [&](int j, int i, Pixel& t) {
    const Pixel s = ImagePixel(image, j, i);
    const int a = s.alpha * p / 255;
    if (a == 0) return false;
    ComposePixel(m, setup, s, a, t);
    return true;
  });
}

}  // namespace tovarin::button
