#pragma once
// Text measuring and drawing into platform bitmaps, with the semantics of the classic DrawText
// call the controls were designed against, rendered by Pango and Cairo.
//
// Fonts. A Font (font.h) is resolved through the program's own fontconfig configuration,
// assets/fonts/fonts.conf: "Tahoma" is the Tahoma face shipped with fonts-wine, "宋体" and
// "SimSun" are AR PL UMing, "MS Sans Serif" (the default font of a form) is Tahoma too, and
// everything else falls back to DejaVu Sans, so the output never depends on the machine's own
// font settings.
// A point size p is an em height of Nearest(p * 96 / 72) pixels (96 dpi, the classic
// negative-height font request): 8.25 pt is 11 px, 10.5 pt is 14 px; em heights are limited
// to 1 ... 1000 px. Glyphs are drawn with greyscale antialiasing and slight (vertical-only)
// hinting on integer advances; these options are set explicitly, so the same text gives the
// same pixels on every machine with the same fonts. Underlines and strikethrough are solid
// bars on whole pixel rows.
//
// "Marlett" is the classic symbol font of window controls. Its glyphs are drawn here as
// shapes, not through Pango: every character occupies a square cell as wide as the font's
// pixel height (to draw into a cell of h pixels use a Marlett font of h * 72 / 96 points);
// "3", "4", "5", "6" are filled triangles pointing left, right, up and down, an odd base of
// about half the cell wide and (base + 1) / 2 rows high, centred in the cell; "0" (minimise),
// "1" (maximise), "2" (restore) and "r" (close) are drawn as their classic outlines; any other
// character leaves its cell empty.
//
// Prefix processing (unless kDtNoPrefix): "&x" shows x underlined, "&&" shows one "&", and a
// single "&" at the very end of the text is dropped. Only the first prefixed character is
// underlined; later "&x" pairs show x without underline.
//
// Layout rules:
//  - Without kDtSingleLine, "\n", "\r" and "\r\n" start new lines. With kDtWordBreak, lines
//    break between words where they would pass the rectangle's right edge; a single word wider
//    than the rectangle is not broken and overflows it. A width of 0 or less puts every word on
//    a line of its own. One line break at the very end of the text starts no empty line. Tabs
//    are expanded to stops eight spaces apart whether or not kDtExpandTabs is given.
//  - kDtCenter centres each line in the rectangle's width (an odd remainder goes right),
//    kDtRight aligns each line to the right edge. kDtVCenter and kDtBottom apply only with
//    kDtSingleLine, as in the classic call.
//  - kDtRtlReading lays the text out as a right-to-left paragraph (bidirectional reordering
//    with a right-to-left base direction); alignment is unchanged by it.
//  - kDtEndEllipsis (single-line or without kDtWordBreak) shortens lines that pass the
//    rectangle's width to end in "…".
//  - Lines are one font line height apart (ascent + descent of the face, rounded up).
//  - The text is drawn with a transparent background, clipped to the rectangle unless
//    kDtNoClip is given, always clipped to the bitmap and to `clip` when that is given.
//
// Colours: antialiased edge pixels are blended between the pixel's colour and the text colour
// by coverage; fully covered pixels get exactly the text colour. In 32-bit bitmaps the fourth
// byte of a pixel is left as it was. 1- and 8-bit bitmaps get the nearest table colour of the
// blended colour.

#include <memory>
#include <string>
#include <string_view>

#include "platform/raster/bitmap.h"
#include "platform/raster/color.h"
#include "platform/raster/geometry.h"
#include "platform/raster/region.h"
#include "platform/result.h"
#include "platform/text/font.h"

namespace tovarin::platform {

// The classic DrawText flag values.
enum TextFlags : unsigned {
  kDtLeft = 0x0,
  kDtTop = 0x0,
  kDtCenter = 0x1,
  kDtRight = 0x2,
  kDtVCenter = 0x4,
  kDtBottom = 0x8,
  kDtWordBreak = 0x10,
  kDtSingleLine = 0x20,
  kDtExpandTabs = 0x40,
  kDtNoClip = 0x100,
  kDtCalcRect = 0x400,
  kDtNoPrefix = 0x800,
  kDtEndEllipsis = 0x8000,
  kDtRtlReading = 0x20000,
};

// Text after prefix processing. `underline_index` is the byte offset in `text` of the
// underlined character (the one that followed the first single "&"), or -1 for none.
struct PrefixedText {
  std::string text;
  int underline_index = -1;
  friend bool operator==(const PrefixedText&, const PrefixedText&) = default;
};

// Prefix processing as described above; pure.
PrefixedText ParsePrefix(std::string_view utf8);

// The Pango font map with the program's fontconfig configuration, and everything needed to lay
// out text with it. Create one per program (or per test); it is not thread-safe, like the GUI
// it serves, and must only be used from the thread that created it.
class TextSystem {
 public:
  // Loads `assets_dir`/fonts/fonts.conf into a fresh fontconfig configuration (fonts from the
  // directories it names only) and makes a font map over it. Fails with a message when the
  // file is missing or malformed or names no usable font.
  static Result<std::unique_ptr<TextSystem>> Create(const std::string& assets_dir);

  // The program's text system: made on first use from the assets directory (the environment
  // variable TOVARIN_ASSETS_DIR when set, else the build-time TOVARIN_ASSETS_DIR). If that
  // configuration cannot be loaded, the machine's default fontconfig configuration is used
  // instead and ConfigurationError() tells why.
  static TextSystem& Shared();

  ~TextSystem();
  TextSystem(const TextSystem&) = delete;
  TextSystem& operator=(const TextSystem&) = delete;

  // Empty when the shipped configuration was loaded.
  const std::string& ConfigurationError() const;

  // DT_CALCRECT: the rectangle the text needs. left and top are those of `rect`; right is
  // left + the widest line, bottom is top + the lines' height. With kDtWordBreak the lines are
  // broken within rect's width. Empty text gives right = left and bottom = top, or bottom =
  // top + one line's height with kDtSingleLine (as the classic call answers).
  Rect MeasureText(const Font& font, std::string_view utf8, const Rect& rect, unsigned flags) const;

  // Draws the text (see the layout rules above) and returns the height of the text in pixels
  // (0 for empty text). With kDtCalcRect nothing is drawn and the measured height is returned.
  int DrawText(Bitmap& target, const Font& font, ColorRef text_color, std::string_view utf8,
               const Rect& rect, unsigned flags, const Region* clip = nullptr) const;

  // Height of one line of `font` in pixels.
  int LineHeight(const Font& font) const;

  // The family name of the face the font map loads for `font` (for example "Tahoma" or
  // "AR PL UMing CN"); "Marlett" for the built-in symbol font.
  std::string ResolvedFamily(const Font& font) const;

  struct Impl;

 private:
  explicit TextSystem(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

// The same calls on TextSystem::Shared().
Rect MeasureText(const Font& font, std::string_view utf8, const Rect& rect, unsigned flags);
int DrawText(Bitmap& target, const Font& font, ColorRef text_color, std::string_view utf8,
             const Rect& rect, unsigned flags, const Region* clip = nullptr);

}  // namespace tovarin::platform
