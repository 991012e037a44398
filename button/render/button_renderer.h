#pragma once
// ButtonRenderer: the drawing side of one teskbutton, for the length of one paint. It draws on
// the canvas's surface from the model's properties and members and writes back what drawing
// owns (layout rectangles, the size members, the region, the drawn state and the fall-backs
// some styles apply to stored properties).
//
// Coordinates are pixels from the button's top-left corner; rectangles exclude their right and
// bottom edges; a line's end point is not painted. Colours are RgbColor (color_math.h): every
// style translates BackColor and its constants with TranslateColor before drawing with them.
// Drawing never reaches outside the surface: whatever lies outside is clipped.
//
// The painter keeps no state between paints except what it writes into the model; the surface
// text colour it sets lasts only for the paint.

#include <cstdint>
#include <memory>
#include <string>

#include "button/render/button_model.h"
#include "button/render/color_math.h"
#include "platform/pictures/picture.h"
#include "platform/raster/bitmap.h"
#include "platform/raster/geometry.h"
#include "platform/text/font.h"

namespace tovarin::button {

// Gradient directions of DrawGradient.
enum class GradientDirection : std::int32_t {
  kHorizontal = 0,    // colour 1 at the left, colour 2 at the right
  kVertical = 1,      // colour 1 at the top, colour 2 at the bottom
  kDiagonalDown = 2,  // colour 1 top-left, colour 2 bottom-right
  kDiagonalUp = 3,    // colour 1 bottom-left, colour 2 top-right
};

class ButtonRenderer {
 public:
  ButtonRenderer(ButtonModel& model, ButtonCanvas& canvas);

  // --- The pipeline (redraw.cpp, draw_content.cpp)
  // Clears the surface, refreshes the size, settles the drawn state and runs the style routine.
  void Redraw();
  // Picture, shadow, caption with effects, separator and drop-down symbol; called by a style
  // after it painted its background.
  void DrawContent();
  void PlacePicture();
  void DrawCaptionText(const platform::Rect& rect, RgbColor color, int dx, int dy);
  void DrawCaptionEffects();
  void DrawPictureShadow();

  // --- Primitives (primitives.cpp, gradient.cpp, update_region.cpp, drop_down_symbol.cpp)
  // Two-colour linear gradient over (x, y, w, h); nothing for w < 1 or h < 1. Rows past the
  // surface are clipped. Directions other than 0..3 paint the rectangle black.
  void DrawGradient(int x, int y, int width, int height, RgbColor color1, RgbColor color2,
                    GradientDirection direction);
  // One-pixel line; the end point is not painted.
  void DrawLine(int x1, int y1, int x2, int y2, RgbColor color);
  // Columns x and x + width - 1, rows y and y + height - 1 (as far as they are on the surface).
  void DrawOutline(int x, int y, int width, int height, RgbColor color);
  void FillRectangle(RgbColor color, const platform::Rect& rect);
  // Refreshes mWidth/mHeight, then paints (1, 1), (1, H - 2), (W - 2, 1), (W - 2, H - 2).
  void SetCornerPixels(RgbColor color);
  // Shapes the window for the current ButtonStyle and keeps the region in mRegion.
  void UpdateRegion();
  // The Marlett glyph of the first character of the symbol's decimal text in mDropDownRect.
  void DrawDropDownSymbol(std::int32_t symbol);
  static std::shared_ptr<platform::Font> CreateSymbolFont(int cell_height);

  // --- Pictures (picture_blend.cpp)
  // Draws mCurrentPicture at rect's top-left, mPictureWidth x mPictureHeight; kNoColor draws
  // the picture with its opacity and effects, any other colour its silhouette.
  void DrawPicture(const platform::Rect& rect, RgbColor color);
  static bool IsAlphaBitmap(const platform::Picture* picture);
  void BlendPicture(int x, int y, int width, int height, const platform::Picture& picture,
                    std::int64_t mask_color, RgbColor color);
  void BlendAlphaPicture(int x, int y, int width, int height, const platform::Picture& picture,
                         RgbColor color);

  // --- Style routines, one file each; s is the state to draw (0 normal, 1 hot, 2 down).
  void DrawSystemStyle(ButtonStateValue s);  // Standard, Flat, HoverRaised, HoverFlat
  void DrawThemedStyle(ButtonStateValue s);
  void DrawThemePart(int part, int state);
  void DrawRoundedStyle(ButtonStateValue s);
  void DrawToolbarStyle(ButtonStateValue s);
  void DrawGlassStyle(ButtonStateValue s);
  void DrawSoftStyle(ButtonStateValue s);
  void DrawHighlightStyle(ButtonStateValue s);
  void DrawOrangeStyle(ButtonStateValue s);
  void DrawAmberStyle(ButtonStateValue s);
  void DrawGlossStyle(ButtonStateValue s);
  void DrawGelStyle(ButtonStateValue s);

 private:
  // Refreshes mWidth and mHeight from the surface.
  void RefreshSize();
  int W() const { return model_.mWidth; }
  int H() const { return model_.mHeight; }
  // Nearest(H / 2), the mid-height most styles split at.
  int HalfHeight() const;

  // The styles' shorthand: vertical and horizontal gradients, lines, outlines, fills, corners.
  void Grad(int x, int y, int width, int height, RgbColor c1, RgbColor c2) {
    DrawGradient(x, y, width, height, c1, c2, GradientDirection::kVertical);
  }
  void HGrad(int x, int y, int width, int height, RgbColor c1, RgbColor c2) {
    DrawGradient(x, y, width, height, c1, c2, GradientDirection::kHorizontal);
  }
  void Line(int x1, int y1, int x2, int y2, RgbColor c) { DrawLine(x1, y1, x2, y2, c); }
  void Frame(int x, int y, int width, int height, RgbColor c) {
    DrawOutline(x, y, width, height, c);
  }
  void Fill(RgbColor c, const platform::Rect& rect) { FillRectangle(c, rect); }
  void Corners(RgbColor c) { SetCornerPixels(c); }
  // The eight rim lines of the Rounded style, each in its own colour.
  void Rim(RgbColor c1, RgbColor c2, RgbColor c3, RgbColor c4, RgbColor c5, RgbColor c6,
           RgbColor c7, RgbColor c8);
  // The platform's dotted focus rectangle.
  void FocusRect(const platform::Rect& rect);
  // The platform's 3-D edge on all four sides.
  void Edge(const platform::Rect& rect, unsigned edge);

  // Layout steps of DrawContent.
  void ChooseCurrentPicture();
  void PlaceCaption();
  void DrawSeparator();
  void DrawContentPicture();
  // The font the caption is drawn with (mFont, or the surface's default font).
  const platform::Font& CaptionFont();
  unsigned CaptionFlags() const;
  // Sets a stored property and tells the container when the value changed.
  template <typename T>
  void ChangeProperty(T& field, T value, const char* name) {
    if (field == value) return;
    field = value;
    canvas_.PropertyChanged(name);
  }
  // The Themed style's fall-back to Rounded when no visual style is in use.
  void FallBackToRounded();

  ButtonModel& model_;
  ButtonCanvas& canvas_;
  platform::Bitmap& surface_;
  platform::ColorRef text_color_ = 0;
  std::shared_ptr<platform::Font> default_font_;
};

// Colour shorthand of the style routines: S = ShiftColor, M = MixColors, Color(r, g, b) = an
// RGB constant through TranslateColor, SystemColor(n) = system colour n through TranslateColor.
namespace shorthand {
inline RgbColor S(RgbColor color, float fraction) { return ShiftColor(color, fraction); }
inline RgbColor M(RgbColor a, RgbColor b) { return MixColors(a, b); }
inline RgbColor Color(int r, int g, int b) {
  return TranslateColor(static_cast<std::uint32_t>(MakeRgb(r, g, b)));
}
inline RgbColor SystemColor(int index) {
  return TranslateColor(0x80000000u | static_cast<std::uint32_t>(index));
}
}  // namespace shorthand

}  // namespace tovarin::button
