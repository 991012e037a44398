#pragma once
// ButtonModel: every property and member of a teskbutton that the behaviour code (button/)
// and the drawing code (button/render/) share. Behaviour writes it on input and assignment;
// drawing reads it (and the few members drawing owns: layout rectangles, the region, and
// the style fall-backs that rewrite ButtonStyle/ColorScheme/BackColor/ForeColor).
//
// Values are stored exactly as assigned: an out-of-range enumeration value is kept and each
// drawing routine says how it treats it. Colours are OLE colours (see platform/raster/color.h).

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/raster/bitmap.h"
#include "platform/raster/geometry.h"
#include "platform/raster/region.h"

namespace tovarin::platform {
class Font;
class Picture;
class ThemePainter;
}  // namespace tovarin::platform

namespace tovarin::button {

using OleColor = std::uint32_t;
using PictureRef = std::shared_ptr<const platform::Picture>;

enum class ButtonStyleValue : std::int32_t {
  kStandard = 0,
  kFlat = 1,
  kRounded = 2,
  kGlass = 3,
  kToolbar = 4,
  kOrange = 5,
  kSoft = 6,
  kHighlight = 7,
  kAmber = 8,
  kGloss = 9,
  kGel = 10,
  kHoverRaised = 11,
  kHoverFlat = 12,
  kThemed = 13,
};
enum class ColorSchemeValue : std::int32_t { kBlue = 0, kOliveGreen = 1, kSilver = 2, kCustom = 3 };
enum class ModeValue : std::int32_t { kPushButton = 0, kCheckButton = 1, kOptionButton = 2 };
enum class CaptionAlignValue : std::int32_t { kAlignLeft = 0, kAlignCenter = 1, kAlignRight = 2 };
enum class PictureAlignValue : std::int32_t {
  kLeftEdge = 0,
  kLeftOfCaption = 1,
  kRightEdge = 2,
  kRightOfCaption = 3,
  kCenterPicture = 4,
  kTopEdge = 5,
  kTopOfCaption = 6,
  kBottomEdge = 7,
  kBottomOfCaption = 8,
};
enum class CaptionEffectsValue : std::int32_t {
  kNoEffect = 0,
  kRaised = 1,
  kSunken = 2,
  kShadow = 3,
  kLightOutline = 4,
  kDarkOutline = 5,
};
enum class PictureEffectValue : std::int32_t { kEffectNone = 0, kLighter = 1, kDarker = 2 };
enum class DisabledPictureModeValue : std::int32_t { kFaded = 0, kGrayscale = 1 };
enum class ToolTipTypeValue : std::int32_t { kRectangular = 0, kBalloon = 1 };
enum class ToolTipIconValue : std::int32_t {
  kNoIcon = 0,
  kInfoIcon = 1,
  kWarningIcon = 2,
  kErrorIcon = 3
};
enum class ButtonStateValue : std::int32_t { kStateNormal = 0, kStateHot = 1, kStateDown = 2 };

// DropDownSymbol is a number, not an enumeration: 0 draws no symbol; any other value draws the
// symbol-font glyph of the first character of its decimal text (6 the glyph of "6", 12 that of
// "1", -3 that of "-"), so every 32-bit value has a meaning of its own.
constexpr std::int32_t kNoDropDownSymbol = 0;

struct ButtonModel {
  // --- Public properties (stored values)
  OleColor BackColor = 0;
  ButtonStyleValue ButtonStyle = ButtonStyleValue::kThemed;
  std::string Caption;
  CaptionAlignValue CaptionAlign = CaptionAlignValue::kAlignCenter;
  std::int32_t DropDownSymbol = kNoDropDownSymbol;
  bool DropDownSeparator = false;
  DisabledPictureModeValue DisabledPictureMode = DisabledPictureModeValue::kFaded;
  bool Enabled = true;
  OleColor ForeColor = 0;
  OleColor ForeColorHover = 0;
  bool HandPointer = false;
  OleColor MaskColor = 0xE0E0E0;
  ModeValue Mode = ModeValue::kPushButton;
  PictureRef PictureNormal;
  PictureRef PictureHot;
  PictureRef PictureDown;
  PictureAlignValue PictureAlign = PictureAlignValue::kLeftOfCaption;
  bool PictureShadow = false;
  PictureEffectValue PictureEffectOnOver = PictureEffectValue::kEffectNone;
  PictureEffectValue PictureEffectOnDown = PictureEffectValue::kEffectNone;
  bool PicturePushOnHover = false;
  std::uint8_t PictureOpacity = 255;
  std::uint8_t PictureOpacityOnOver = 255;
  bool RightToLeft = false;
  CaptionEffectsValue CaptionEffects = CaptionEffectsValue::kNoEffect;
  bool ShowFocusRect = false;
  bool UseMaskColor = true;
  bool Value = false;
  std::string TooltipTitle;
  std::string ToolTip;
  OleColor TooltipBackColor = 0;
  ToolTipIconValue ToolTipIcon = ToolTipIconValue::kNoIcon;
  ToolTipTypeValue ToolTipType = ToolTipTypeValue::kRectangular;
  ColorSchemeValue ColorScheme = ColorSchemeValue::kBlue;

  // --- Member state shared by behaviour and drawing
  ButtonStateValue mButtonState = ButtonStateValue::kStateNormal;
  bool mMouseDown = false;
  bool mMouseOver = false;
  bool mHasFocus = false;
  bool mSpaceDown = false;
  bool mDisplayAsDefault = false;
  bool mParentActive = false;
  bool mThemed = false;
  bool mThemeLibPresent = false;
  bool mTipRightToLeft = false;
  bool mTrackMouse = false;
  std::int32_t mHeight = 0;  // inner size in pixels
  std::int32_t mWidth = 0;
  platform::Rect mClientRect;
  std::optional<platform::Region> mRegion;  // the window region last made
  std::shared_ptr<platform::Font> mFont;
  std::array<std::uint8_t, 256> mLightTable{};
  std::array<std::uint8_t, 256> mDarkTable{};

  // --- Layout members owned by drawing (set by Redraw / DrawContent)
  platform::Rect mCaptionRect;
  platform::Rect mPictureRect;
  platform::Rect mDropDownRect;
  PictureRef mCurrentPicture;
  std::int32_t mPictureWidth = 0;
  std::int32_t mPictureHeight = 0;
  // The drawing surface's background colour (OLE): what Redraw clears the surface to. Starts
  // as the system button face; the Themed style sets it to the button face.
  OleColor mSurfaceBackColor = 0x8000000F;
};

// What the drawing routines need of the button's window.
class ButtonCanvas {
 public:
  virtual ~ButtonCanvas() = default;
  // The window's drawing surface (24-bit), sized to the button's inner size in pixels.
  virtual platform::Bitmap& Surface() = 0;
  // Sets (or clears) the window's shape; the window owns the region from then on.
  virtual void SetWindowRegion(std::optional<platform::Region> region) = 0;
  // Whether the button may draw with the desktop's visual style (the theme query).
  virtual bool ThemeQuery() = 0;
  // The drawing code changed a stored property (the Themed fall-back, the Soft style's
  // ForeColor); the container is told so it saves it.
  virtual void PropertyChanged(const char* /*name*/) {}
  // Whether the container runs the program (its ambient user-mode flag); the system styles
  // draw their focus rectangle only then.
  virtual bool UserMode() { return true; }
  // The desktop's visual-style painter for the Themed style; nullptr when no visual-style
  // data is available (the Themed style then draws only its content).
  virtual platform::ThemePainter* Theme() { return nullptr; }
};

}  // namespace tovarin::button
