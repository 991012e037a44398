// Loading and saving a teskbutton's settings through its container's property store.
//
// Loading reads these keys in this order, each with the default returned when it is absent,
// and puts the values straight into the members (no assignment rules, no notifications):
//
//   #  key                    type     default when absent
//   1  ButtonStyle            Long     1
//   2  ShowFocusRect          Boolean  false
//   3  Font                   font     the container's ambient font
//   4  BackColor              Long     the system button-face colour as RGB
//   5  Enabled                Boolean  true
//   6  Caption                String   "teskbutton"
//   7  Value                  Boolean  false
//   8  MousePointer           Integer  0          -> the window's pointer setting
//   9  HandPointer            Boolean  false
//  10  MouseIcon              picture  empty      -> the window's custom cursor picture
//  11  PictureNormal          picture  empty
//  12  PictureHot             picture  empty
//  13  PictureDown            picture  empty
//  14  PictureShadow          Boolean  false
//  15  PictureOpacity         Integer  255        must fit a Byte
//  16  PictureOpacityOnOver   Integer  255        must fit a Byte
//  17  DisabledPictureMode    Long     0
//  18  PicturePushOnHover     Boolean  false
//  19  PictureEffectOnOver    Long     1
//  20  PictureEffectOnDown    Long     2
//  21  MaskColor              Long     0xE0E0E0
//  22  UseMaskColor           Boolean  true
//  23  CaptionEffects         Long     0
//  24  Mode                   Long     0
//  25  PictureAlign           Long     1
//  26  CaptionAlign           Long     1
//  27  ForeColor              Long     the system button-text colour
//  28  ForeColorHover         Long     the system button-text colour
//  29  DropDownSeparator      Boolean  false
//  30  TooltipTitle           String   empty
//  31  ToolTip                String   empty
//  32  TooltipIcon            Long     0
//  33  TooltipType            Long     0
//  34  TooltipBackColor       Long     the system tooltip background colour
//  35  RightToLeft            Boolean  false
//  36  RightToLeft (again)    Boolean  false      -> mTipRightToLeft
//  37  DropDownSymbol         Long     0
//  38  ColorScheme            Long     0
//
// A stored value that cannot be converted to its type ends loading at that key with an error
// naming it: the keys after it and the steps after reading do not run (what was read stays).
// Loading applies no style defaults, so stored colours survive.
//
// Saving writes the keys in the order of OnWriteProperties below; a value equal to the default
// given with it is left out. The defaults match loading except the caption ("teskbutton1" on
// saving, "teskbutton" on loading) and "CaptionEffects", which is always written.

#include <cstdint>

#include "button/render/color_math.h"
#include "button/teskbutton.h"
#include "platform/raster/system_colors.h"
#include "platform/text/font.h"

namespace tovarin::button {
namespace {

constexpr std::uint32_t kSystemButtonText = 0x80000012;
constexpr std::uint32_t kSystemInfoBackground = 0x80000018;
constexpr std::int32_t kDefaultMaskColor = 0xE0E0E0;

std::int32_t ButtonFaceRgb() {
  return static_cast<std::int32_t>(platform::GetSysColor(platform::kColorBtnFace));
}
std::int32_t ButtonTextRgb() { return TranslateColor(kSystemButtonText); }
std::int32_t InfoBackgroundRgb() { return TranslateColor(kSystemInfoBackground); }

platform::FontRecord RecordOf(const platform::Font& font) {
  return platform::FontRecord{font.Name(),      font.Size(),          font.Weight(), font.Italic(),
                              font.Underline(), font.Strikethrough(), font.Charset()};
}

platform::FontRecord AmbientFontRecord(const platform::ControlHost& host) {
  const std::shared_ptr<platform::Font> ambient = host.AmbientFont();
  return ambient ? RecordOf(*ambient) : RecordOf(platform::Font());
}

std::shared_ptr<platform::Font> FontFrom(const platform::FontRecord& record) {
  return std::make_shared<platform::Font>(record.name, record.size_points, record.weight,
                                          record.italic, record.underline, record.strikethrough,
                                          record.charset);
}

// Takes a read value into `target`, or keeps the error and answers false.
template <typename T, typename Target>
bool Take(platform::Result<T> read, Target& target, platform::Status& status) {
  if (!read.ok()) {
    status = platform::Error{"teskbutton settings: " + read.error()};
    return false;
  }
  target = static_cast<Target>(std::move(read).value());
  return true;
}

// An Integer key whose value goes into a Byte.
bool TakeByte(const platform::PropertyStore& store, std::string_view key, std::uint8_t& target,
              platform::Status& status) {
  std::int16_t value = 0;
  if (!Take(store.ReadInt16(key, 255), value, status)) return false;
  if (value < 0 || value > 255) {
    status = platform::Error{"teskbutton settings: \"" + std::string(key) + "\" is " +
                             std::to_string(value) + ", which does not fit a Byte (0 to 255)"};
    return false;
  }
  target = static_cast<std::uint8_t>(value);
  return true;
}

}  // namespace

platform::Status teskbutton::OnReadProperties(const platform::PropertyStore& store) {
  platform::Status status;
  ButtonModel& m = model_;
  if (!Take(store.ReadInt32("ButtonStyle", 1), m.ButtonStyle, status)) return status;
  if (!Take(store.ReadBool("ShowFocusRect", false), m.ShowFocusRect, status)) return status;
  platform::FontRecord font;
  if (!Take(store.ReadFont("Font", AmbientFontRecord(host_)), font, status)) return status;
  m.mFont = FontFrom(font);
  SubscribeFont();
  if (!Take(store.ReadInt32("BackColor", ButtonFaceRgb()), m.BackColor, status)) return status;
  if (!Take(store.ReadBool("Enabled", true), m.Enabled, status)) return status;
  if (!Take(store.ReadString("Caption", "teskbutton"), m.Caption, status)) return status;
  if (!Take(store.ReadBool("Value", false), m.Value, status)) return status;
  std::int16_t pointer = 0;
  if (!Take(store.ReadInt16("MousePointer", 0), pointer, status)) return status;
  host_.SetMousePointer(pointer);
  if (!Take(store.ReadBool("HandPointer", false), m.HandPointer, status)) return status;
  PictureRef icon;
  if (!Take(store.ReadPicture("MouseIcon", nullptr), icon, status)) return status;
  host_.SetMouseIcon(icon);
  if (!Take(store.ReadPicture("PictureNormal", nullptr), m.PictureNormal, status)) return status;
  if (!Take(store.ReadPicture("PictureHot", nullptr), m.PictureHot, status)) return status;
  if (!Take(store.ReadPicture("PictureDown", nullptr), m.PictureDown, status)) return status;
  if (!Take(store.ReadBool("PictureShadow", false), m.PictureShadow, status)) return status;
  if (!TakeByte(store, "PictureOpacity", m.PictureOpacity, status)) return status;
  if (!TakeByte(store, "PictureOpacityOnOver", m.PictureOpacityOnOver, status)) return status;
  if (!Take(store.ReadInt32("DisabledPictureMode", 0), m.DisabledPictureMode, status))
    return status;
  if (!Take(store.ReadBool("PicturePushOnHover", false), m.PicturePushOnHover, status))
    return status;
  if (!Take(store.ReadInt32("PictureEffectOnOver", 1), m.PictureEffectOnOver, status))
    return status;
  if (!Take(store.ReadInt32("PictureEffectOnDown", 2), m.PictureEffectOnDown, status))
    return status;
  if (!Take(store.ReadInt32("MaskColor", kDefaultMaskColor), m.MaskColor, status)) return status;
  if (!Take(store.ReadBool("UseMaskColor", true), m.UseMaskColor, status)) return status;
  if (!Take(store.ReadInt32("CaptionEffects", 0), m.CaptionEffects, status)) return status;
  if (!Take(store.ReadInt32("Mode", 0), m.Mode, status)) return status;
  if (!Take(store.ReadInt32("PictureAlign", 1), m.PictureAlign, status)) return status;
  if (!Take(store.ReadInt32("CaptionAlign", 1), m.CaptionAlign, status)) return status;
  if (!Take(store.ReadInt32("ForeColor", ButtonTextRgb()), m.ForeColor, status)) return status;
  if (!Take(store.ReadInt32("ForeColorHover", ButtonTextRgb()), m.ForeColorHover, status))
    return status;
  host_.SetForeColor(m.ForeColor);
  if (!Take(store.ReadBool("DropDownSeparator", false), m.DropDownSeparator, status)) return status;
  if (!Take(store.ReadString("TooltipTitle", ""), m.TooltipTitle, status)) return status;
  if (!Take(store.ReadString("ToolTip", ""), m.ToolTip, status)) return status;
  if (!Take(store.ReadInt32("TooltipIcon", 0), m.ToolTipIcon, status)) return status;
  if (!Take(store.ReadInt32("TooltipType", 0), m.ToolTipType, status)) return status;
  if (!Take(store.ReadInt32("TooltipBackColor", InfoBackgroundRgb()), m.TooltipBackColor, status))
    return status;
  if (!Take(store.ReadBool("RightToLeft", false), m.RightToLeft, status)) return status;
  if (!Take(store.ReadBool("RightToLeft", false), m.mTipRightToLeft, status)) return status;
  if (!Take(store.ReadInt32("DropDownSymbol", 0), m.DropDownSymbol, status)) return status;
  if (!Take(store.ReadInt32("ColorScheme", 0), m.ColorScheme, status)) return status;

  host_.SetEnabled(m.Enabled);
  UpdateAccessKeys();
  const platform::Size size = host_.ClientSize();
  m.mHeight = size.height;
  m.mWidth = size.width;
  parent_window_ = host_.ParentWindow();
  if (m.HandPointer) {
    LoadHandCursor();
    m.HandPointer = input_.mHandCursor != 0;
  }
  HandleResize();
  if (host_.UserMode()) SetUpHooks();
  return {};
}

void teskbutton::OnWriteProperties(platform::PropertyStore& store) {
  const ButtonModel& m = model_;
  const auto as_long = [](OleColor colour) { return static_cast<std::int32_t>(colour); };
  store.WriteInt32("ButtonStyle", static_cast<std::int32_t>(m.ButtonStyle), 1);
  store.WriteBool("ShowFocusRect", m.ShowFocusRect, false);
  store.WriteBool("Enabled", m.Enabled, true);
  const platform::FontRecord ambient = AmbientFontRecord(host_);
  store.WriteFont("Font", m.mFont ? RecordOf(*m.mFont) : ambient, ambient);
  store.WriteInt32("BackColor", as_long(m.BackColor), ButtonFaceRgb());
  store.WriteString("Caption", m.Caption, std::string("teskbutton1"));
  store.WriteInt32("ForeColor", as_long(m.ForeColor), ButtonTextRgb());
  store.WriteInt32("ForeColorHover", as_long(m.ForeColorHover), ButtonTextRgb());
  store.WriteInt32("Mode", static_cast<std::int32_t>(m.Mode), 0);
  store.WriteBool("Value", m.Value, false);
  store.WriteInt16("MousePointer", static_cast<std::int16_t>(host_.MousePointer()), 0);
  store.WriteBool("HandPointer", m.HandPointer, false);
  store.WritePicture("MouseIcon", host_.MouseIcon());
  store.WritePicture("PictureNormal", m.PictureNormal);
  store.WritePicture("PictureHot", m.PictureHot);
  store.WritePicture("PictureDown", m.PictureDown);
  store.WriteInt32("PictureAlign", static_cast<std::int32_t>(m.PictureAlign), 1);
  store.WriteInt32("PictureEffectOnOver", static_cast<std::int32_t>(m.PictureEffectOnOver), 1);
  store.WriteInt32("PictureEffectOnDown", static_cast<std::int32_t>(m.PictureEffectOnDown), 2);
  store.WriteBool("PicturePushOnHover", m.PicturePushOnHover, false);
  store.WriteBool("PictureShadow", m.PictureShadow, false);
  store.WriteInt16("PictureOpacity", m.PictureOpacity, 255);
  store.WriteInt16("PictureOpacityOnOver", m.PictureOpacityOnOver, 255);
  store.WriteInt32("DisabledPictureMode", static_cast<std::int32_t>(m.DisabledPictureMode), 0);
  store.WriteInt32("CaptionEffects", static_cast<std::int32_t>(m.CaptionEffects),
                   std::nullopt);  // always written
  store.WriteBool("UseMaskColor", m.UseMaskColor, true);
  store.WriteInt32("MaskColor", as_long(m.MaskColor), kDefaultMaskColor);
  store.WriteInt32("CaptionAlign", static_cast<std::int32_t>(m.CaptionAlign), 1);
  store.WriteString("ToolTip", m.ToolTip, std::string());
  store.WriteInt32("TooltipType", static_cast<std::int32_t>(m.ToolTipType), 0);
  store.WriteInt32("TooltipIcon", static_cast<std::int32_t>(m.ToolTipIcon), 0);
  store.WriteString("TooltipTitle", m.TooltipTitle, std::string());
  store.WriteInt32("TooltipBackColor", as_long(m.TooltipBackColor), InfoBackgroundRgb());
  store.WriteBool("RightToLeft", m.RightToLeft, false);
  store.WriteInt32("DropDownSymbol", m.DropDownSymbol, 0);
  store.WriteBool("DropDownSeparator", m.DropDownSeparator, false);
  store.WriteInt32("ColorScheme", static_cast<std::int32_t>(m.ColorScheme), 0);
}

}  // namespace tovarin::button
