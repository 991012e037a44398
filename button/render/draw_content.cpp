// DrawContent and its layout: what every style draws over its background - the picture with
// its shadow and hover lift, the caption with its effects, the drop-down separator and the
// drop-down symbol.

#include <string_view>

#include "button/render/button_renderer.h"
#include "platform/pictures/picture.h"
#include "platform/raster/system_colors.h"
#include "platform/raster/units.h"
#include "platform/text/text.h"

namespace tovarin::button {
using namespace shorthand;
namespace {

bool IsEmptyPicture(const PictureRef& picture) { return !picture || picture->IsEmpty(); }

// Pixels of a HiMetric extent, rounded to the nearest integer.
int HiMetricToPixelsRounded(int himetric) {
  return static_cast<int>(platform::Nearest(platform::HiMetricToPixels(himetric)));
}

// The caption without leading and trailing spaces is empty.
bool IsBlank(std::string_view text) {
  return text.find_first_not_of(' ') == std::string_view::npos;
}

template <typename Enum>
bool OneOf(Enum value, std::initializer_list<Enum> set) {
  for (Enum v : set) {
    if (v == value) return true;
  }
  return false;
}

// The picture sits right of the caption (PictureAlign 2 and 3).
bool IsRightPictureAlign(PictureAlignValue align) {
  return OneOf(align, {PictureAlignValue::kRightEdge, PictureAlignValue::kRightOfCaption});
}

// The picture sits above or below the caption (PictureAlign 5 to 8).
bool IsVerticalPictureAlign(PictureAlignValue align) {
  return OneOf(align, {PictureAlignValue::kTopEdge, PictureAlignValue::kTopOfCaption,
                       PictureAlignValue::kBottomEdge, PictureAlignValue::kBottomOfCaption});
}

// The styles whose caption, picture and drop-down symbol move one pixel right and down while
// the button is down.
bool PressesContent(ButtonStyleValue style) {
  return OneOf(style,
               {ButtonStyleValue::kStandard, ButtonStyleValue::kFlat, ButtonStyleValue::kOrange,
                ButtonStyleValue::kSoft, ButtonStyleValue::kHighlight, ButtonStyleValue::kGel,
                ButtonStyleValue::kHoverRaised, ButtonStyleValue::kHoverFlat});
}

// Of those, the styles whose drop-down symbol moves a second pixel right and down.
bool PressesDropDownSymbolTwice(ButtonStyleValue style) {
  return OneOf(style, {ButtonStyleValue::kStandard, ButtonStyleValue::kFlat,
                       ButtonStyleValue::kSoft, ButtonStyleValue::kHighlight,
                       ButtonStyleValue::kHoverRaised, ButtonStyleValue::kHoverFlat});
}

}  // namespace

const platform::Font& ButtonRenderer::CaptionFont() {
  if (model_.mFont) return *model_.mFont;
  if (!default_font_) default_font_ = std::make_shared<platform::Font>();
  return *default_font_;
}

unsigned ButtonRenderer::CaptionFlags() const {
  return model_.RightToLeft ? platform::kDtRtlReading : 0u;
}

void ButtonRenderer::ChooseCurrentPicture() {
  const ButtonModel& m = model_;
  PictureRef chosen = m.PictureNormal;
  if (m.mButtonState == ButtonStateValue::kStateDown ||
      (m.Mode != ModeValue::kPushButton && m.Value)) {
    chosen = !IsEmptyPicture(m.PictureDown)  ? m.PictureDown
             : !IsEmptyPicture(m.PictureHot) ? m.PictureHot
                                             : m.PictureNormal;
  } else if (m.mButtonState == ButtonStateValue::kStateHot) {
    chosen = !IsEmptyPicture(m.PictureHot) ? m.PictureHot : m.PictureNormal;
  }
  model_.mCurrentPicture = IsEmptyPicture(chosen) ? nullptr : chosen;
  // Both extents go through the same (horizontal) conversion; at 96 dpi they are the pixels.
  model_.mPictureHeight = model_.mCurrentPicture
                              ? HiMetricToPixelsRounded(model_.mCurrentPicture->HiMetricHeight())
                              : 0;
  model_.mPictureWidth =
      model_.mCurrentPicture ? HiMetricToPixelsRounded(model_.mCurrentPicture->HiMetricWidth()) : 0;
}

// Measures the caption and places mCaptionRect by CaptionAlign, the picture and the drop-down.
void ButtonRenderer::PlaceCaption() {
  const ButtonModel& m = model_;
  const bool has_drop_down = m.DropDownSeparator || m.DropDownSymbol != kNoDropDownSymbol;
  const int pw = m.mPictureWidth;
  const int ph = m.mPictureHeight;

  int measuring_width = W() - 8;
  if (has_drop_down) measuring_width = IsRightPictureAlign(m.PictureAlign) ? W() - 24 : W() - 16;
  platform::Rect t =
      platform::MeasureText(CaptionFont(), m.Caption, platform::Rect{0, 0, measuring_width, H()},
                            platform::kDtCalcRect | platform::kDtWordBreak | CaptionFlags());
  t = platform::Rect{0, 0, t.Width(), t.Height()};

  switch (m.CaptionAlign) {
    case CaptionAlignValue::kAlignLeft: t = t.Offset(2, (H() - t.bottom) / 2); break;
    case CaptionAlignValue::kAlignCenter:
      t = t.Offset((W() - t.right + pw) / 2, (H() - t.bottom) / 2);
      if (has_drop_down) t = t.Offset(-8, 0);
      if (IsVerticalPictureAlign(m.PictureAlign)) t = t.Offset(-(pw / 2), 0);
      break;
    case CaptionAlignValue::kAlignRight:
      t = t.Offset(W() - t.right - 4, (H() - t.bottom) / 2);
      break;
    default: break;
  }

  if (!IsEmptyPicture(m.PictureNormal)) {
    switch (m.PictureAlign) {
      case PictureAlignValue::kLeftEdge:
      case PictureAlignValue::kLeftOfCaption:
        if (m.CaptionAlign != CaptionAlignValue::kAlignCenter && t.left < pw + 4) {
          t.left = pw + 4;
          t.right += pw + 4;
        }
        break;
      case PictureAlignValue::kRightEdge:
      case PictureAlignValue::kRightOfCaption:
        if (t.right > W() - pw - 4) {
          t.right = W() - pw - 4;
          t.left -= pw + 4;
        }
        if (m.CaptionAlign == CaptionAlignValue::kAlignCenter) t = t.Offset(-12, 0);
        break;
      case PictureAlignValue::kCenterPicture:
        if (m.CaptionAlign == CaptionAlignValue::kAlignCenter) t = t.Offset(-16, 0);
        break;
      case PictureAlignValue::kTopEdge:
      case PictureAlignValue::kTopOfCaption: t = t.Offset(0, ph / 2); break;
      case PictureAlignValue::kBottomEdge:
      case PictureAlignValue::kBottomOfCaption: t = t.Offset(0, -(ph / 2)); break;
      default: break;
    }
  }

  if (m.CaptionAlign == CaptionAlignValue::kAlignRight && has_drop_down) t = t.Offset(-16, 0);

  if (m.ButtonStyle == ButtonStyleValue::kThemed) {
    // The themed look keeps its caption inside a 4-pixel margin.
    t.left = std::max(t.left, 4);
    if (surface_.Width() - 4 < t.right) t.right = surface_.Width() - 4;
    t.top = std::max(t.top, 4);
    if (surface_.Height() - 4 < t.bottom) t.bottom = surface_.Height() - 4;
  }
  model_.mCaptionRect = t;
}

void ButtonRenderer::PlacePicture() {
  const ButtonModel& m = model_;
  if (IsEmptyPicture(m.PictureNormal)) return;
  const int pw = m.mPictureWidth;
  const int ph = m.mPictureHeight;
  const platform::Rect& c = m.mCaptionRect;
  const bool has_drop_down = m.DropDownSeparator || m.DropDownSymbol != kNoDropDownSymbol;
  int left = m.mPictureRect.left;
  int top = m.mPictureRect.top;

  if (!IsBlank(m.Caption) && m.PictureAlign != PictureAlignValue::kCenterPicture) {
    switch (m.PictureAlign) {
      case PictureAlignValue::kLeftEdge:
        left = 3;
        top = (H() - ph) / 2;
        break;
      case PictureAlignValue::kLeftOfCaption:
        left = c.left - pw - 4;
        top = (H() - ph) / 2;
        break;
      case PictureAlignValue::kRightEdge:
      case PictureAlignValue::kRightOfCaption:
        left = m.PictureAlign == PictureAlignValue::kRightEdge ? W() - pw - 3 : c.right + 4;
        top = (H() - ph) / 2;
        if (has_drop_down) left -= 16;
        if (left < c.right + 2) left = c.right + 2;
        break;
      case PictureAlignValue::kTopEdge:
        left = (W() - pw) / 2;
        top = 4;
        break;
      case PictureAlignValue::kTopOfCaption:
        left = (W() - pw) / 2;
        top = c.top - ph - 2;
        break;
      case PictureAlignValue::kBottomEdge:
        left = (W() - pw) / 2;
        top = H() - ph - 4;
        break;
      case PictureAlignValue::kBottomOfCaption:
        left = (W() - pw) / 2;
        top = c.bottom + 2;
        break;
      default: break;  // other values keep the last position
    }
    if (has_drop_down && IsVerticalPictureAlign(m.PictureAlign)) left -= 8;
  } else {
    left = (W() - pw) / 2;
    top = (H() - ph) / 2;
    if (has_drop_down) left -= 8;
  }
  model_.mPictureRect = platform::Rect{left, top, left + pw, top + ph};
}

// A two-line groove left of the drop-down strip, shaded from what the style painted at (7, 7).
void ButtonRenderer::DrawSeparator() {
  if (!model_.DropDownSeparator || surface_.Width() - 8 <= model_.mCaptionRect.right) return;
  // A pixel off the surface reads as the invalid colour, all bits set.
  RgbColor c = static_cast<RgbColor>(surface_.GetPixel(7, 7));
  Line(W() - 16, 3, W() - 16, H() - 3, S(c, -0.1f));
  c = static_cast<RgbColor>(surface_.GetPixel(7, 7));
  Line(W() - 15, 3, W() - 15, H() - 3, S(c, 0.1f));
}

void ButtonRenderer::DrawContentPicture() {
  const ButtonModel& m = model_;
  const bool lifted = m.PicturePushOnHover && m.mButtonState == ButtonStateValue::kStateHot;
  if (lifted) {
    // The picture lifts up-left over a light grey silhouette of itself.
    DrawPicture(m.mPictureRect, Color(192, 192, 192));
    DrawPicture(m.mPictureRect.Offset(-2, -2), kNoColor);
  } else {
    DrawPicture(m.mPictureRect, kNoColor);
  }
  if (m.PictureShadow && !lifted) DrawPictureShadow();
}

void ButtonRenderer::DrawContent() {
  RefreshSize();
  ChooseCurrentPicture();
  PlaceCaption();
  PlacePicture();
  const ButtonModel& m = model_;
  if (m.DropDownSymbol != kNoDropDownSymbol) {
    model_.mDropDownRect =
        platform::Rect{W() - 15, static_cast<int>(platform::Nearest(H() / 2.0 - 7)), W(),
                       static_cast<int>(platform::Nearest(H() / 2.0 + 8))};
  }
  DrawSeparator();
  const bool down = m.mButtonState == ButtonStateValue::kStateDown;
  if (down && PressesContent(m.ButtonStyle)) {
    model_.mCaptionRect = m.mCaptionRect.Offset(1, 1);
    model_.mPictureRect = m.mPictureRect.Offset(1, 1);
    model_.mDropDownRect = m.mDropDownRect.Offset(1, 1);
  }
  DrawContentPicture();
  if (m.CaptionEffects != CaptionEffectsValue::kNoEffect) DrawCaptionEffects();

  RgbColor caption_color = SystemColor(platform::kColorGrayText);
  if (m.Enabled)
    caption_color = TranslateColor(m.mButtonState == ButtonStateValue::kStateHot ? m.ForeColorHover
                                                                                 : m.ForeColor);
  DrawCaptionText(m.mCaptionRect, caption_color, 0, 0);

  if (m.DropDownSymbol != kNoDropDownSymbol) {
    // In the styles that press their content the symbol moves by (2, 2) in all.
    if (down && PressesDropDownSymbolTwice(m.ButtonStyle)) {
      model_.mDropDownRect = m.mDropDownRect.Offset(1, 1);
    }
    text_color_ =
        ToColorRef(m.Enabled ? TranslateColor(m.ForeColor) : SystemColor(platform::kColorGrayText));
    DrawDropDownSymbol(m.DropDownSymbol);
  }
}

void ButtonRenderer::DrawCaptionText(const platform::Rect& rect, RgbColor color, int dx, int dy) {
  // The surface's text colour is only used for this call, so nothing needs restoring.
  platform::DrawText(surface_, CaptionFont(), ToColorRef(color), model_.Caption,
                     rect.Offset(dx, dy),
                     platform::kDtCenter | platform::kDtWordBreak | CaptionFlags());
}

void ButtonRenderer::DrawCaptionEffects() {
  const ButtonModel& m = model_;
  const RgbColor b = TranslateColor(m.BackColor);
  const platform::Rect& r = m.mCaptionRect;
  auto outline = [&](RgbColor c) {
    DrawCaptionText(r, c, 1, 1);
    DrawCaptionText(r, c, 1, -1);
    DrawCaptionText(r, c, -1, 1);
    DrawCaptionText(r, c, -1, -1);
  };
  switch (m.CaptionEffects) {
    case CaptionEffectsValue::kRaised: DrawCaptionText(r, S(b, 0.14f), -1, -1); break;
    case CaptionEffectsValue::kSunken: DrawCaptionText(r, S(b, 0.14f), 1, 1); break;
    case CaptionEffectsValue::kShadow: DrawCaptionText(r, Color(192, 192, 192), 1, 1); break;
    case CaptionEffectsValue::kLightOutline: outline(S(b, 0.1f)); break;
    case CaptionEffectsValue::kDarkOutline: outline(S(b, -0.1f)); break;
    default: break;
  }
  DrawCaptionText(
      r, m.Enabled ? TranslateColor(m.ForeColor) : SystemColor(platform::kColorGrayText), 0, 0);
}

void ButtonRenderer::DrawPictureShadow() {
  const platform::Rect& r = model_.mPictureRect;
  const RgbColor s = M(Color(128, 128, 128), TranslateColor(model_.BackColor));
  DrawPicture(r.Offset(2, 2), S(s, 0.05f));
  DrawPicture(r.Offset(1, 1), S(s, -0.1f));
  DrawPicture(r, kNoColor);
}

}  // namespace tovarin::button
