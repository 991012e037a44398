#include "platform/host/tooltip_image.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "platform/raster/raster.h"
#include "platform/raster/system_colors.h"
#include "platform/text/font.h"
#include "platform/text/text.h"

namespace tovarin::platform {
namespace {

constexpr double kFontSize = 8.25;
constexpr const char* kFontName = "Tahoma";

// `text` cut to at most `limit` bytes without splitting a UTF-8 sequence.
std::string_view CutUtf8(std::string_view text, std::size_t limit) {
  if (text.size() <= limit) return text;
  std::size_t end = limit;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return text.substr(0, end);
}

// The pixels of the outline of `shape`: those with a 4-neighbour outside it.
void DrawOutline(Bitmap& target, const Region& shape, ColorRef color) {
  const Rect bounds = shape.Bounds();
  for (int y = bounds.top; y < bounds.bottom; ++y) {
    for (const Region::Run& run : shape.RowRuns(y)) {
      for (int x = run.begin; x < run.end; ++x) {
        const bool edge = !shape.Contains(x - 1, y) || !shape.Contains(x + 1, y) ||
                          !shape.Contains(x, y - 1) || !shape.Contains(x, y + 1);
        if (edge) target.SetPixel(x, y, color);
      }
    }
  }
}

Region Disc(const Rect& square) {
  return Region::FromRoundRect(Rect{square.left, square.top, square.right + 1, square.bottom + 1},
                               square.Width(), square.Height());
}

// The three title icons, drawn as simple shapes in a 16 x 16 square.
void DrawIcon(Bitmap& target, const Rect& square, int icon) {
  const int x = square.left;
  const int y = square.top;
  const ColorRef white = Rgb(255, 255, 255);
  switch (icon) {
    case 1: {  // information: a blue disc with a white "i"
      const Region disc = Disc(square);
      FillRect(target, square, Rgb(40, 100, 210), &disc);
      FillRect(target, Rect{x + 7, y + 3, x + 9, y + 5}, white);
      FillRect(target, Rect{x + 7, y + 6, x + 9, y + 13}, white);
      break;
    }
    case 2: {  // warning: a yellow triangle with a black "!"
      Region triangle;
      for (int row = 1; row < 15; ++row) {
        const int half = (row - 1) * 7 / 13;
        triangle = triangle.Union(
            Region::FromRect(Rect{x + 7 - half, y + row, x + 9 + half, y + row + 1}));
      }
      FillRect(target, square, Rgb(250, 200, 20), &triangle);
      DrawOutline(target, triangle, Rgb(120, 90, 0));
      FillRect(target, Rect{x + 7, y + 5, x + 9, y + 10}, Rgb(0, 0, 0));
      FillRect(target, Rect{x + 7, y + 11, x + 9, y + 13}, Rgb(0, 0, 0));
      break;
    }
    case 3: {  // error: a red disc with a white cross
      const Region disc = Disc(square);
      FillRect(target, square, Rgb(210, 40, 40), &disc);
      for (int d = 0; d < 2; ++d) {
        DrawLine(target, x + 4 + d, y + 4, x + 12 + d, y + 12, white);
        DrawLine(target, x + 11 + d, y + 4, x + 3 + d, y + 12, white);
      }
      break;
    }
    default: break;
  }
}

// The balloon's stem: a right triangle `height` rows high, its vertical edge at tip_x, widening
// away from the tip towards the body (to the right, or to the left for right to left).
Region Stem(int tip_x, int tip_y, int direction_y, bool right_to_left) {
  Region stem;
  const int rows = ToolTipPainter::kStemHeight + 2;  // two rows more, into the body's frame
  for (int i = 0; i < rows; ++i) {
    const int width = 1 + std::min(i, ToolTipPainter::kStemHeight) * ToolTipPainter::kStemWidth /
                              ToolTipPainter::kStemHeight;
    const int row = tip_y + direction_y * i;
    const Rect run = right_to_left ? Rect{tip_x + 1 - width, row, tip_x + 1, row + 1}
                                   : Rect{tip_x, row, tip_x + width, row + 1};
    stem = stem.Union(Region::FromRect(run));
  }
  return stem;
}

}  // namespace

Result<ToolTipImage> ToolTipPainter::Draw(const ToolTipSpec& spec, bool stem_at_top) const {
  const Font text_font(kFontName, kFontSize);
  const Font title_font(kFontName, kFontSize, Font::kBoldWeight);
  const std::string_view text = CutUtf8(spec.text, kMaxTextBytes);
  const std::string_view title = CutUtf8(spec.title, kMaxTextBytes);
  const bool rtl = spec.right_to_left;
  const int max_width = std::clamp(spec.max_width, 1, kMaxExtent);
  const unsigned text_flags = kDtNoPrefix | kDtWordBreak | (rtl ? kDtRtlReading | kDtRight : 0u);
  const unsigned title_flags = kDtNoPrefix | kDtSingleLine | (rtl ? kDtRtlReading : 0u);

  // Measure.
  const Rect text_size =
      text.empty() ? Rect{}
                   : text_.MeasureText(text_font, text, Rect{0, 0, max_width, 0}, text_flags);
  const bool has_title = !title.empty();
  const bool has_icon = has_title && spec.icon >= 1 && spec.icon <= 3;
  const Rect title_size =
      has_title ? text_.MeasureText(title_font, title, Rect{0, 0, kMaxExtent, 0}, title_flags)
                : Rect{};
  const int icon_width = has_icon ? kIconSize + kTitleGap : 0;
  const int title_line_width = has_title ? icon_width + title_size.Width() : 0;
  const int title_line_height =
      has_title ? std::max(has_icon ? kIconSize : 0, title_size.Height()) : 0;
  const int gap = (has_title && !text.empty()) ? kTitleGap : 0;
  const int content_width = std::min(kMaxExtent, std::max(title_line_width, text_size.Width()));
  const int content_height = std::min(kMaxExtent, title_line_height + gap + text_size.Height());

  // Frame.
  const bool balloon = spec.balloon;
  const int pad_x = balloon ? kBalloonPaddingX : kRectPaddingX;
  const int pad_y = balloon ? kBalloonPaddingY : kRectPaddingY;
  int body_width = content_width + 2 * (pad_x + 1);
  const int body_height = content_height + 2 * (pad_y + 1);
  if (balloon) body_width = std::max(body_width, kStemInset + kStemWidth + kBalloonCorner);
  const int width = std::min(kMaxExtent, body_width);
  const int height = std::min(kMaxExtent, body_height + (balloon ? kStemHeight : 0));
  const Rect body =
      balloon && stem_at_top ? Rect{0, kStemHeight, width, height} : Rect{0, 0, width, body_height};

  auto created = Bitmap::Create(width, height, 24);
  if (!created.ok()) return Error{"tooltip: " + created.error()};
  ToolTipImage image;
  image.pixels = std::move(created).value();

  const ColorRef back = spec.back_color.value_or(GetSysColor(kColorInfoBk));
  FillRect(image.pixels, image.pixels.Bounds(), back);
  if (balloon) {
    const int tip_x = rtl ? width - 1 - kStemInset : kStemInset;
    const int tip_y = stem_at_top ? 0 : height - 1;
    image.stem_tip = Point{tip_x, tip_y};
    const Region rounded = Region::FromRoundRect(
        Rect{body.left, body.top, body.right + 1, body.bottom + 1}, kBalloonCorner, kBalloonCorner);
    image.shape = rounded.Union(Stem(tip_x, tip_y, stem_at_top ? 1 : -1, rtl));
  } else {
    image.shape = Region::FromRect(image.pixels.Bounds());
  }
  DrawOutline(image.pixels, image.shape, GetSysColor(kColorWindowFrame));

  // Content.
  const int left = body.left + 1 + pad_x;
  const int right = left + content_width;
  int top = body.top + 1 + pad_y;
  const ColorRef ink = GetSysColor(kColorInfoText);
  if (has_title) {
    const int title_width = title_size.Width();
    const int icon_left = rtl ? right - kIconSize : left;
    const int title_left = rtl ? right - icon_width - title_width : left + icon_width;
    if (has_icon) {
      image.icon_rect = Rect::FromXYWH(icon_left, top + (title_line_height - kIconSize) / 2,
                                       kIconSize, kIconSize);
      DrawIcon(image.pixels, image.icon_rect, spec.icon);
    }
    image.title_rect =
        Rect::FromXYWH(title_left, top + (title_line_height - title_size.Height()) / 2, title_width,
                       title_size.Height());
    text_.DrawText(image.pixels, title_font, ink, title, image.title_rect, title_flags | kDtNoClip);
    top += title_line_height + gap;
  }
  if (!text.empty()) {
    // One pixel of slack keeps the measured line breaks (a line never gains a word from it,
    // since the next word did not fit in max_width).
    const int draw_width = std::min(max_width, text_size.Width() + 1);
    const int text_left = rtl ? right - draw_width : left;
    image.text_rect = Rect::FromXYWH(text_left, top, draw_width, text_size.Height());
    text_.DrawText(image.pixels, text_font, ink, text, image.text_rect, text_flags);
  }
  return image;
}

ToolTipPlacement ToolTipPainter::Place(Size size, bool balloon, Point stem_tip, Point pointer,
                                       const Rect& screen) {
  ToolTipPlacement placement;
  if (balloon) {
    placement.origin = Point{pointer.x - stem_tip.x, pointer.y};
    if (placement.origin.y + size.height > screen.bottom) {
      placement.stem_at_top = false;
      placement.origin.y = pointer.y - (size.height - 1);
    }
  } else {
    placement.origin = Point{pointer.x, pointer.y + kPointerHeight};
    if (placement.origin.y + size.height > screen.bottom)
      placement.origin.y = pointer.y - size.height - 2;
  }
  placement.origin.y = std::max(placement.origin.y, screen.top);
  if (placement.origin.x + size.width > screen.right)
    placement.origin.x = screen.right - size.width;
  placement.origin.x = std::max(placement.origin.x, screen.left);
  return placement;
}

}  // namespace tovarin::platform
