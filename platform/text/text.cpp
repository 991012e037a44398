#include "platform/text/text.h"

#include <cairo.h>
#include <fontconfig/fontconfig.h>
#include <glib.h>
#include <pango/pangocairo.h>
#include <pango/pangofc-fontmap.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "platform/raster/units.h"
#include "platform/text/text_marlett.h"

#ifndef TOVARIN_ASSETS_DIR
#define TOVARIN_ASSETS_DIR "assets"
#endif

namespace tovarin::platform {

namespace {

// Small RAII holders for the GLib/Pango/Cairo objects used within one call.
struct GObjectDeleter {
  void operator()(gpointer object) const { g_object_unref(object); }
};
template <typename T>
using GObjectPtr = std::unique_ptr<T, GObjectDeleter>;

struct FontDescriptionDeleter {
  void operator()(PangoFontDescription* description) const {
    pango_font_description_free(description);
  }
};
using FontDescriptionPtr = std::unique_ptr<PangoFontDescription, FontDescriptionDeleter>;

struct SurfaceDeleter {
  void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
};
struct CairoDeleter {
  void operator()(cairo_t* cr) const { cairo_destroy(cr); }
};
struct FcConfigDeleter {
  void operator()(FcConfig* config) const { FcConfigDestroy(config); }
};
using FcConfigPtr = std::unique_ptr<FcConfig, FcConfigDeleter>;

struct GFreeDeleter {
  void operator()(gchar* text) const { g_free(text); }
};

// Glyphs larger than this are drawn at this size: a saved font of a million points must not
// make the rasteriser allocate gigabytes per glyph.
constexpr std::int64_t kMaxFontPixels = 1000;
constexpr int kMaxLayoutWidth = 1 << 20;
// Rectangles are cut to this many pixels either side of the origin on the way in, so that
// widths, centring and line positions computed from them stay within int.
constexpr int kCoordinateLimit = 1 << 24;

Rect LimitRect(const Rect& rect) {
  auto limit = [](int value) { return std::clamp(value, -kCoordinateLimit, kCoordinateLimit); };
  return Rect{limit(rect.left), limit(rect.top), limit(rect.right), limit(rect.bottom)};
}

bool IsMarlett(const Font& font) { return g_ascii_strcasecmp(font.Name().c_str(), "Marlett") == 0; }

// Pixel em height of a point size at 96 dpi, as the classic negative-height font request makes
// it: an integer number of pixels, at least 1.
int PixelHeight(const Font& font) {
  double pixels = font.Size() * kPixelsPerInch / 72.0;
  return static_cast<int>(std::clamp<std::int64_t>(Nearest(pixels), 1, kMaxFontPixels));
}

// A language hint from the classic character set, so that fallback faces and glyph forms
// suit the script the text was meant for.
const char* LanguageOfCharset(int charset) {
  switch (charset) {
    case 128: return "ja";
    case 129: return "ko";
    case 134: return "zh-cn";
    case 136: return "zh-tw";
    case 161: return "el";
    case 162: return "tr";
    case 177: return "he";
    case 178: return "ar";
    case 186: return "lt";
    case 204: return "ru";
    case 222: return "th";
    case 238: return "pl";
    default: return nullptr;
  }
}

// Replaces invalid UTF-8 with U+FFFD so that Pango gets valid text whatever the caller had.
std::string MakeValidUtf8(std::string_view text) {
  if (g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr))
    return std::string(text);
  std::unique_ptr<gchar, GFreeDeleter> valid(
      g_utf8_make_valid(text.data(), static_cast<gssize>(text.size())));
  return std::string(valid.get());
}

// The display text of one call: prefix processing applied, a single trailing line break
// removed (the classic call does not start an empty last line for it).
PrefixedText DisplayText(std::string_view utf8, unsigned flags) {
  std::string valid = MakeValidUtf8(utf8);
  PrefixedText display;
  if (flags & kDtNoPrefix) {
    display.text = std::move(valid);
  } else {
    display = ParsePrefix(valid);
  }
  if (!(flags & kDtSingleLine)) {
    std::string& text = display.text;
    if (text.ends_with("\r\n")) {
      text.resize(text.size() - 2);
    } else if (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
      text.pop_back();
    }
    if (display.underline_index >= static_cast<int>(text.size())) display.underline_index = -1;
  }
  return display;
}

bool WrapsWords(unsigned flags) { return (flags & kDtWordBreak) && !(flags & kDtSingleLine); }

// Where line `line_width` wide starts within `rect`.
int LineLeft(const Rect& rect, int line_width, unsigned flags) {
  if (flags & kDtCenter) return rect.left + (rect.Width() - line_width) / 2;
  if (flags & kDtRight) return rect.right - line_width;
  return rect.left;
}

// Top of the text block of `text_height` pixels within `rect`.
int BlockTop(const Rect& rect, int text_height, unsigned flags) {
  if (!(flags & kDtSingleLine)) return rect.top;
  if (flags & kDtVCenter) return rect.top + (rect.Height() - text_height) / 2;
  if (flags & kDtBottom) return rect.bottom - text_height;
  return rect.top;
}

// Blends `color` into the target by the coverage mask (one byte per pixel, `mask_stride`
// bytes per row) whose top-left pixel lies at (origin_x, origin_y) of the target.
void CompositeCoverage(Bitmap& target, const std::uint8_t* mask, int mask_stride, int origin_x,
                       int origin_y, int width, int height, ColorRef color, const Region* clip) {
  const int red = RedOf(color), green = GreenOf(color), blue = BlueOf(color);
  const int bytes_per_pixel = target.BitsPerPixel() / 8;
  const bool direct = target.BitsPerPixel() == 24 || target.BitsPerPixel() == 32;
  auto blend = [](int source, int destination, int coverage) {
    return static_cast<std::uint8_t>((source * coverage + destination * (255 - coverage) + 127) /
                                     255);
  };
  for (int row = 0; row < height; ++row) {
    int y = origin_y + row;
    if (y < 0 || y >= target.Height()) continue;
    const std::uint8_t* coverage_row = mask + static_cast<std::size_t>(row) * mask_stride;
    for (int column = 0; column < width; ++column) {
      int coverage = coverage_row[column];
      int x = origin_x + column;
      if (coverage == 0 || x < 0 || x >= target.Width()) continue;
      if (clip && !clip->Contains(x, y)) continue;
      if (direct) {
        std::uint8_t* pixel = target.Row(y) + static_cast<std::size_t>(x) * bytes_per_pixel;
        pixel[0] = blend(blue, pixel[0], coverage);
        pixel[1] = blend(green, pixel[1], coverage);
        pixel[2] = blend(red, pixel[2], coverage);
      } else {
        ColorRef old = target.GetPixel(x, y);
        target.SetPixel(x, y,
                        Rgb(blend(red, RedOf(old), coverage), blend(green, GreenOf(old), coverage),
                            blend(blue, BlueOf(old), coverage)));
      }
    }
  }
}

// The area that may be drawn: the bitmap, the rectangle unless kDtNoClip, the clip's bounds.
Rect DrawableArea(const Bitmap& target, const Rect& rect, unsigned flags, const Region* clip) {
  Rect area = target.Bounds();
  if (!(flags & kDtNoClip)) area = area.Intersect(rect);
  if (clip) area = area.Intersect(clip->Bounds());
  return area;
}

}  // namespace

PrefixedText ParsePrefix(std::string_view utf8) {
  PrefixedText result;
  result.text.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    char c = utf8[i];
    if (c != '&') {
      result.text.push_back(c);
      continue;
    }
    if (i + 1 == utf8.size()) break;  // a trailing single "&" is dropped
    ++i;
    if (utf8[i] == '&') {
      result.text.push_back('&');
      continue;
    }
    if (result.underline_index < 0) result.underline_index = static_cast<int>(result.text.size());
    result.text.push_back(utf8[i]);
  }
  return result;
}

struct TextSystem::Impl {
  FcConfigPtr config;
  GObjectPtr<PangoFontMap> font_map;
  GObjectPtr<PangoContext> ltr_context;
  GObjectPtr<PangoContext> rtl_context;
  std::string configuration_error;

  PangoContext* ContextFor(unsigned flags) const {
    return (flags & kDtRtlReading) ? rtl_context.get() : ltr_context.get();
  }

  FontDescriptionPtr Describe(const Font& font) const {
    FontDescriptionPtr description(pango_font_description_new());
    pango_font_description_set_family(description.get(),
                                      font.Name().empty() ? "sans-serif" : font.Name().c_str());
    pango_font_description_set_absolute_size(description.get(),
                                             static_cast<double>(PixelHeight(font)) * PANGO_SCALE);
    pango_font_description_set_weight(
        description.get(), static_cast<PangoWeight>(std::clamp(font.Weight(), 100, 1000)));
    pango_font_description_set_style(description.get(),
                                     font.Italic() ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    return description;
  }

  // Vertical metrics of the primary face in whole pixels. Underline and strikethrough are
  // drawn by us as solid bars on whole pixels (as the classic text output draws them) rather
  // than by Pango, whose bars may straddle two pixel rows and come out grey.
  struct LineMetrics {
    int ascent = 0;
    int height = 1;
    int underline_offset = 1;  // top of the underline, below the baseline
    int underline_thickness = 1;
    int strikethrough_offset = 3;  // top of the strikethrough bar, above the baseline
    int strikethrough_thickness = 1;
  };

  // Ascent and line height of the primary face (fallback faces do not change the spacing,
  // as with the classic font linking).
  LineMetrics MetricsOf(const Font& font) const {
    FontDescriptionPtr description = Describe(font);
    GObjectPtr<PangoFont> loaded(
        pango_font_map_load_font(font_map.get(), ltr_context.get(), description.get()));
    LineMetrics metrics;
    if (!loaded) {
      metrics.ascent = PixelHeight(font);
      metrics.height = PixelHeight(font);
      return metrics;
    }
    PangoFontMetrics* font_metrics = pango_font_get_metrics(loaded.get(), nullptr);
    metrics.ascent = PANGO_PIXELS_CEIL(pango_font_metrics_get_ascent(font_metrics));
    int descent = PANGO_PIXELS_CEIL(pango_font_metrics_get_descent(font_metrics));
    metrics.height = std::max(1, metrics.ascent + descent);
    auto whole = [](int pango_units) {
      return static_cast<int>(Nearest(static_cast<double>(pango_units) / PANGO_SCALE));
    };
    metrics.underline_offset =
        std::max(1, -whole(pango_font_metrics_get_underline_position(font_metrics)));
    metrics.underline_thickness =
        std::max(1, whole(pango_font_metrics_get_underline_thickness(font_metrics)));
    metrics.strikethrough_offset =
        std::max(1, whole(pango_font_metrics_get_strikethrough_position(font_metrics)));
    metrics.strikethrough_thickness =
        std::max(1, whole(pango_font_metrics_get_strikethrough_thickness(font_metrics)));
    pango_font_metrics_unref(font_metrics);
    return metrics;
  }

  GObjectPtr<PangoLayout> MakeLayout(const Font& font, const PrefixedText& display,
                                     const Rect& rect, unsigned flags) const {
    GObjectPtr<PangoLayout> layout(pango_layout_new(ContextFor(flags)));
    pango_layout_set_auto_dir(layout.get(), FALSE);
    FontDescriptionPtr description = Describe(font);
    pango_layout_set_font_description(layout.get(), description.get());
    pango_layout_set_text(layout.get(), display.text.data(), static_cast<int>(display.text.size()));
    if (flags & kDtSingleLine) pango_layout_set_single_paragraph_mode(layout.get(), TRUE);
    // Widths far past any bitmap are cut so that Pango units (1/1024 pixel) stay in range.
    int width = std::clamp(rect.Width(), 0, kMaxLayoutWidth);
    if (WrapsWords(flags)) {
      pango_layout_set_width(layout.get(), width * PANGO_SCALE);
      pango_layout_set_wrap(layout.get(), PANGO_WRAP_WORD);
    } else if (flags & kDtEndEllipsis) {
      pango_layout_set_width(layout.get(), width * PANGO_SCALE);
      pango_layout_set_ellipsize(layout.get(), PANGO_ELLIPSIZE_END);
    }
    ApplyAttributes(layout.get(), font);
    return layout;
  }

  static void ApplyAttributes(PangoLayout* layout, const Font& font) {
    const char* language = LanguageOfCharset(font.Charset());
    if (!language) return;
    PangoAttrList* attributes = pango_attr_list_new();
    pango_attr_list_insert(attributes,
                           pango_attr_language_new(pango_language_from_string(language)));
    pango_layout_set_attributes(layout, attributes);
    pango_attr_list_unref(attributes);
  }

  // Logical widths of the layout's lines in pixels.
  static std::vector<int> LineWidths(PangoLayout* layout) {
    std::vector<int> widths;
    for (GSList* item = pango_layout_get_lines_readonly(layout); item; item = item->next) {
      PangoRectangle logical;
      pango_layout_line_get_pixel_extents(static_cast<PangoLayoutLine*>(item->data), nullptr,
                                          &logical);
      widths.push_back(logical.width);
    }
    return widths;
  }

  void RenderLayout(Bitmap& target, PangoLayout* layout, const Font& font,
                    const PrefixedText& display, const LineMetrics& metrics, const Rect& rect,
                    unsigned flags, ColorRef color, const Region* clip) const;

  // Underline and strikethrough of the font over the whole line, and the underline of the
  // prefixed character, as solid bars. `origin` is where the line's origin was placed, `left`
  // and `width` its logical extent, all in surface pixels.
  static void DrawDecorations(cairo_t* cr, PangoLayoutLine* line, const Font& font,
                              const PrefixedText& display, const LineMetrics& metrics, int origin,
                              int left, int width, int baseline) {
    if (font.Underline()) {
      cairo_rectangle(cr, left, baseline + metrics.underline_offset, width,
                      metrics.underline_thickness);
    }
    if (font.Strikethrough()) {
      cairo_rectangle(cr, left, baseline - metrics.strikethrough_offset, width,
                      metrics.strikethrough_thickness);
    }
    int index = display.underline_index;
    if (!font.Underline() && index >= line->start_index &&
        index < line->start_index + line->length) {
      int leading = 0, trailing = 0;
      pango_layout_line_index_to_x(line, index, FALSE, &leading);
      pango_layout_line_index_to_x(line, index, TRUE, &trailing);
      int x0 = PANGO_PIXELS(std::min(leading, trailing)),
          x1 = PANGO_PIXELS(std::max(leading, trailing));
      cairo_rectangle(cr, origin + x0, baseline + metrics.underline_offset, x1 - x0,
                      metrics.underline_thickness);
    }
    cairo_fill(cr);
  }
};

TextSystem::TextSystem(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
TextSystem::~TextSystem() = default;

namespace {

// Context options that make rendering independent of the machine: greyscale antialiasing,
// slight hinting, integer glyph advances and positions, 96 dpi.
GObjectPtr<PangoContext> MakeContext(PangoFontMap* font_map, PangoDirection direction) {
  GObjectPtr<PangoContext> context(pango_font_map_create_context(font_map));
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
  cairo_font_options_set_subpixel_order(options, CAIRO_SUBPIXEL_ORDER_DEFAULT);
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
  pango_cairo_context_set_font_options(context.get(), options);
  cairo_font_options_destroy(options);
  pango_cairo_context_set_resolution(context.get(), kPixelsPerInch);
  pango_context_set_round_glyph_positions(context.get(), TRUE);
  pango_context_set_base_dir(context.get(), direction);
  return context;
}

std::unique_ptr<TextSystem::Impl> MakeImpl(FcConfigPtr config) {
  auto impl = std::make_unique<TextSystem::Impl>();
  impl->font_map.reset(pango_cairo_font_map_new_for_font_type(CAIRO_FONT_TYPE_FT));
  if (!impl->font_map) return nullptr;
  // The font map takes its own reference on the configuration.
  pango_fc_font_map_set_config(PANGO_FC_FONT_MAP(impl->font_map.get()), config.get());
  impl->config = std::move(config);
  impl->ltr_context = MakeContext(impl->font_map.get(), PANGO_DIRECTION_LTR);
  impl->rtl_context = MakeContext(impl->font_map.get(), PANGO_DIRECTION_RTL);
  return impl;
}

}  // namespace

Result<std::unique_ptr<TextSystem>> TextSystem::Create(const std::string& assets_dir) {
  std::string path = assets_dir + "/fonts/fonts.conf";
  if (!g_file_test(path.c_str(), G_FILE_TEST_IS_REGULAR)) {
    return Error{"font configuration " + path + " not found"};
  }
  FcConfigPtr config(FcConfigCreate());
  if (!config) return Error{"cannot create a fontconfig configuration"};
  if (!FcConfigParseAndLoad(config.get(), reinterpret_cast<const FcChar8*>(path.c_str()), FcTrue)) {
    return Error{"font configuration " + path + " could not be parsed"};
  }
  if (!FcConfigBuildFonts(config.get()))
    return Error{"fontconfig could not scan the fonts named by " + path};
  FcFontSet* fonts = FcConfigGetFonts(config.get(), FcSetSystem);
  if (!fonts || fonts->nfont == 0)
    return Error{"the font configuration " + path + " names no font"};
  std::unique_ptr<Impl> impl = MakeImpl(std::move(config));
  if (!impl) return Error{"cannot create a Pango font map"};
  return std::unique_ptr<TextSystem>(new TextSystem(std::move(impl)));
}

TextSystem& TextSystem::Shared() {
  // The one text system of the program. Text is drawn on the GUI thread only; the font map
  // and its configuration are set up once here and never changed afterwards (what Pango and
  // fontconfig cache inside them is their own business). Keeping it here rather than
  // threading an instance through every drawing routine saves scanning the fonts more than
  // once; tests that need a system of their own call Create.
  static const std::unique_ptr<TextSystem> shared = [] {
    const char* from_environment = std::getenv("TOVARIN_ASSETS_DIR");
    std::string assets =
        (from_environment && *from_environment) ? from_environment : TOVARIN_ASSETS_DIR;
    Result<std::unique_ptr<TextSystem>> created = Create(assets);
    if (created.ok()) return std::move(created).value();
    std::string error = created.error();
    g_warning("%s; using the system font configuration", error.c_str());
    std::unique_ptr<Impl> impl = MakeImpl(FcConfigPtr(FcInitLoadConfigAndFonts()));
    if (!impl) g_error("cannot create a Pango font map");
    impl->configuration_error = std::move(error);
    return std::unique_ptr<TextSystem>(new TextSystem(std::move(impl)));
  }();
  return *shared;
}

const std::string& TextSystem::ConfigurationError() const { return impl_->configuration_error; }

int TextSystem::LineHeight(const Font& font) const {
  if (IsMarlett(font)) return PixelHeight(font);
  return impl_->MetricsOf(font).height;
}

std::string TextSystem::ResolvedFamily(const Font& font) const {
  if (IsMarlett(font)) return "Marlett";
  FontDescriptionPtr description = impl_->Describe(font);
  GObjectPtr<PangoFont> loaded(
      pango_font_map_load_font(impl_->font_map.get(), impl_->ltr_context.get(), description.get()));
  if (!loaded) return {};
  FontDescriptionPtr described(pango_font_describe(loaded.get()));
  const char* family = pango_font_description_get_family(described.get());
  return family ? family : "";
}

Rect TextSystem::MeasureText(const Font& font, std::string_view utf8, const Rect& given,
                             unsigned flags) const {
  const Rect rect = LimitRect(given);
  PrefixedText display = DisplayText(utf8, flags);
  Rect measured{rect.left, rect.top, rect.left, rect.top};
  if (IsMarlett(font)) {
    Size size = MarlettTextSize(display.text, PixelHeight(font), flags & kDtSingleLine);
    measured.right += size.width;
    measured.bottom += size.height;
    return measured;
  }
  Impl::LineMetrics metrics = impl_->MetricsOf(font);
  if (display.text.empty()) {
    if (flags & kDtSingleLine) measured.bottom += metrics.height;
    return measured;
  }
  GObjectPtr<PangoLayout> layout = impl_->MakeLayout(font, display, rect, flags);
  std::vector<int> widths = Impl::LineWidths(layout.get());
  int widest = widths.empty() ? 0 : *std::max_element(widths.begin(), widths.end());
  measured.right += widest;
  measured.bottom += static_cast<int>(widths.size()) * metrics.height;
  return measured;
}

void TextSystem::Impl::RenderLayout(Bitmap& target, PangoLayout* layout, const Font& font,
                                    const PrefixedText& display, const LineMetrics& metrics,
                                    const Rect& rect, unsigned flags, ColorRef color,
                                    const Region* clip) const {
  std::vector<int> widths = LineWidths(layout);
  int text_height = static_cast<int>(widths.size()) * metrics.height;
  int top = BlockTop(rect, text_height, flags);

  // With kDtNoClip the text may reach past the rectangle: draw into everything it could cover
  // (a line height of slack for overhangs), within the bitmap.
  Rect area = DrawableArea(target, rect, flags, clip);
  if (flags & kDtNoClip) {
    int widest = widths.empty() ? 0 : *std::max_element(widths.begin(), widths.end());
    Rect reach{std::min(rect.left, rect.right - widest) - metrics.height, top - metrics.height,
               std::max(rect.right, rect.left + widest) + metrics.height,
               top + text_height + metrics.height};
    area = area.Intersect(reach);
  }
  if (area.IsEmpty()) return;

  std::unique_ptr<cairo_surface_t, SurfaceDeleter> surface(
      cairo_image_surface_create(CAIRO_FORMAT_A8, area.Width(), area.Height()));
  if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) return;
  {
    std::unique_ptr<cairo_t, CairoDeleter> cr(cairo_create(surface.get()));
    cairo_set_source_rgba(cr.get(), 0, 0, 0, 1);
    int index = 0;
    for (GSList* item = pango_layout_get_lines_readonly(layout); item; item = item->next, ++index) {
      auto* line = static_cast<PangoLayoutLine*>(item->data);
      PangoRectangle logical;
      pango_layout_line_get_pixel_extents(line, nullptr, &logical);
      int left = LineLeft(rect, logical.width, flags);
      int baseline = top + index * metrics.height + metrics.ascent;
      int origin = left - logical.x;
      cairo_move_to(cr.get(), origin - area.left, baseline - area.top);
      pango_cairo_show_layout_line(cr.get(), line);
      DrawDecorations(cr.get(), line, font, display, metrics, origin - area.left, left - area.left,
                      logical.width, baseline - area.top);
    }
  }
  cairo_surface_flush(surface.get());
  CompositeCoverage(target, cairo_image_surface_get_data(surface.get()),
                    cairo_image_surface_get_stride(surface.get()), area.left, area.top,
                    area.Width(), area.Height(), color, clip);
}

int TextSystem::DrawText(Bitmap& target, const Font& font, ColorRef text_color,
                         std::string_view utf8, const Rect& given, unsigned flags,
                         const Region* clip) const {
  const Rect rect = LimitRect(given);
  if (flags & kDtCalcRect) return MeasureText(font, utf8, rect, flags).Height();
  PrefixedText display = DisplayText(utf8, flags);
  if (display.text.empty()) return 0;
  if (IsMarlett(font)) {
    int cell = PixelHeight(font);
    Size size = MarlettTextSize(display.text, cell, flags & kDtSingleLine);
    Rect area = DrawableArea(target, rect, flags, clip);
    if (area.IsEmpty()) return size.height;
    std::vector<std::uint8_t> mask(static_cast<std::size_t>(area.Width()) * area.Height());
    int top = BlockTop(rect, size.height, flags);
    RenderMarlett(
        display.text, cell, flags & kDtSingleLine, top,
        [&](int line_width) { return LineLeft(rect, line_width, flags); }, mask, area);
    CompositeCoverage(target, mask.data(), area.Width(), area.left, area.top, area.Width(),
                      area.Height(), text_color, clip);
    return size.height;
  }
  Impl::LineMetrics metrics = impl_->MetricsOf(font);
  GObjectPtr<PangoLayout> layout = impl_->MakeLayout(font, display, rect, flags);
  impl_->RenderLayout(target, layout.get(), font, display, metrics, rect, flags, text_color, clip);
  return pango_layout_get_line_count(layout.get()) * metrics.height;
}

Rect MeasureText(const Font& font, std::string_view utf8, const Rect& rect, unsigned flags) {
  return TextSystem::Shared().MeasureText(font, utf8, rect, flags);
}

int DrawText(Bitmap& target, const Font& font, ColorRef text_color, std::string_view utf8,
             const Rect& rect, unsigned flags, const Region* clip) {
  return TextSystem::Shared().DrawText(target, font, text_color, utf8, rect, flags, clip);
}

}  // namespace tovarin::platform
