#include "tools/buttonshot/button_properties.h"

#include <cctype>
#include <charconv>
#include <cstdio>
#include <functional>
#include <vector>

#include "platform/pictures/picture.h"
#include "platform/text/font.h"

namespace tovarin::tools {
namespace {

using button::teskbutton;
using platform::Error;
using platform::Result;
using platform::Status;

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

// A decimal (optionally negative) or 0x-hexadecimal integer within [low, high].
Result<std::int64_t> ParseInteger(std::string_view text, std::int64_t low, std::int64_t high) {
  std::int64_t value = 0;
  const char* first = text.data();
  const char* last = text.data() + text.size();
  std::from_chars_result parsed{};
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    parsed = std::from_chars(first + 2, last, value, 16);
  } else {
    parsed = std::from_chars(first, last, value, 10);
  }
  if (text.empty() || parsed.ec != std::errc{} || parsed.ptr != last) {
    return Error{"\"" + std::string(text) + "\" is not a number"};
  }
  if (value < low || value > high) {
    return Error{std::string(text) + " is out of range (" + std::to_string(low) + " to " +
                 std::to_string(high) + ")"};
  }
  return value;
}

Result<std::uint32_t> ParseColor(std::string_view text) {
  // A colour may also be written as the signed Long it is stored as (system colours negative).
  Result<std::int64_t> value = ParseInteger(text, INT32_MIN, UINT32_MAX);
  if (!value) return Error{value.error()};
  return static_cast<std::uint32_t>(*value);
}

Result<bool> ParseBool(std::string_view text) {
  if (SameName(text, "true") || text == "-1") return true;
  if (SameName(text, "false") || text == "0") return false;
  return Error{"\"" + std::string(text) + "\" is not true or false"};
}

Result<platform::PicturePtr> ParsePicture(std::string_view text) {
  if (text.empty() || text[0] != '@')
    return Error{"a picture is written @PATH (a lone @ for none)"};
  if (text.size() == 1) return platform::PicturePtr{};
  Result<platform::PicturePtr> picture = platform::LoadPictureFromFile(std::string(text.substr(1)));
  if (!picture) return Error{std::string(text.substr(1)) + ": " + picture.error()};
  return picture;
}

std::string FormatColor(std::uint32_t color) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%06X", color);
  return text;
}

std::string FormatPicture(const platform::PicturePtr& picture) {
  if (!picture || picture->IsEmpty()) return "none";
  return std::to_string(picture->Width()) + "x" + std::to_string(picture->Height()) +
         (picture->Kind() == platform::PictureKind::kIcon ? " icon" : " bitmap");
}

struct Entry {
  std::string_view name;
  std::function<Status(teskbutton&, std::string_view)> assign;  // empty for read-only properties
  std::function<std::string(const teskbutton&)> read;
};

template <typename T, typename Set>
Status AssignParsed(Result<T> parsed, Set set) {
  if (!parsed) return Error{parsed.error()};
  set(*parsed);
  return {};
}

template <typename Get, typename Set>
Entry Color(std::string_view name, Get get, Set set) {
  return {name,
          [set](teskbutton& b, std::string_view v) {
            return AssignParsed(ParseColor(v), [&](std::uint32_t c) { (b.*set)(c); });
          },
          [get](const teskbutton& b) { return FormatColor((b.*get)()); }};
}

template <typename Get, typename Set>
Entry Boolean(std::string_view name, Get get, Set set) {
  return {name,
          [set](teskbutton& b, std::string_view v) {
            return AssignParsed(ParseBool(v), [&](bool x) { (b.*set)(x); });
          },
          [get](const teskbutton& b) { return std::string((b.*get)() ? "true" : "false"); }};
}

// The parameter type of a one-argument setter (used unevaluated only).
template <typename R, typename C, typename A>
A SetterArgument(R (C::*)(A));

template <typename Get, typename Set>
Entry Number(std::string_view name, Get get, Set set, std::int64_t low = INT32_MIN,
             std::int64_t high = INT32_MAX) {
  return {
      name,
      [set, low, high](teskbutton& b, std::string_view v) {
        return AssignParsed(ParseInteger(v, low, high), [&](std::int64_t x) {
          using Argument = decltype(SetterArgument(std::declval<Set>()));
          (b.*set)(static_cast<Argument>(x));
        });
      },
      [get](const teskbutton& b) { return std::to_string(static_cast<std::int64_t>((b.*get)())); }};
}

template <typename Get, typename Set>
Entry Text(std::string_view name, Get get, Set set) {
  return {name,
          [set](teskbutton& b, std::string_view v) -> Status {
            (b.*set)(std::string(v));
            return {};
          },
          [get](const teskbutton& b) { return std::string((b.*get)()); }};
}

template <typename Get, typename Set>
Entry Image(std::string_view name, Get get, Set set) {
  return {name,
          [set](teskbutton& b, std::string_view v) {
            return AssignParsed(ParsePicture(v),
                                [&](platform::PicturePtr p) { (b.*set)(std::move(p)); });
          },
          [get](const teskbutton& b) { return FormatPicture((b.*get)()); }};
}

Entry FontEntry() {
  return {"Font",
          [](teskbutton& b, std::string_view v) -> Status {
            const std::size_t comma = v.find(',');
            double size = platform::Font::kDefaultSize;
            if (comma != std::string_view::npos) {
              const std::string size_text(v.substr(comma + 1));
              char* end = nullptr;
              size = std::strtod(size_text.c_str(), &end);
              if (size_text.empty() || end != size_text.c_str() + size_text.size() ||
                  !(size > 0 && size <= 1000)) {
                return Error{"\"" + size_text + "\" is not a font size in points"};
              }
            }
            return b.SetFont(platform::Font::Create(std::string(v.substr(0, comma)), size));
          },
          [](const teskbutton& b) {
            if (!b.Font()) return std::string("none");
            char size[32];
            std::snprintf(size, sizeof size, "%g", b.Font()->Size());
            return b.Font()->Name() + "," + size;
          }};
}

const std::vector<Entry>& Entries() {
  using T = teskbutton;
  static const std::vector<Entry> entries = {
      Color("BackColor", &T::BackColor, &T::SetBackColor),
      Number("ButtonStyle", &T::ButtonStyle, &T::SetButtonStyle),
      Text("Caption", &T::Caption, &T::SetCaption),
      Number("CaptionAlign", &T::CaptionAlign, &T::SetCaptionAlign),
      Number("DropDownSymbol", &T::DropDownSymbol, &T::SetDropDownSymbol),
      Boolean("DropDownSeparator", &T::DropDownSeparator, &T::SetDropDownSeparator),
      Number("DisabledPictureMode", &T::DisabledPictureMode, &T::SetDisabledPictureMode),
      Boolean("Enabled", &T::Enabled, &T::SetEnabled),
      FontEntry(),
      Color("ForeColor", &T::ForeColor, &T::SetForeColor),
      Color("ForeColorHover", &T::ForeColorHover, &T::SetForeColorHover),
      Boolean("HandPointer", &T::HandPointer, &T::SetHandPointer),
      {"hWnd", nullptr, [](const T& b) { return std::to_string(b.hWnd()); }},
      Color("MaskColor", &T::MaskColor, &T::SetMaskColor),
      Number("Mode", &T::Mode, &T::SetMode),
      Image("MouseIcon", &T::MouseIcon, &T::SetMouseIcon),
      Number("MousePointer", &T::MousePointer, &T::SetMousePointer, INT16_MIN, INT16_MAX),
      Image("PictureNormal", &T::PictureNormal, &T::SetPictureNormal),
      Image("PictureHot", &T::PictureHot, &T::SetPictureHot),
      Image("PictureDown", &T::PictureDown, &T::SetPictureDown),
      Number("PictureAlign", &T::PictureAlign, &T::SetPictureAlign),
      Boolean("PictureShadow", &T::PictureShadow, &T::SetPictureShadow),
      Number("PictureEffectOnOver", &T::PictureEffectOnOver, &T::SetPictureEffectOnOver),
      Number("PictureEffectOnDown", &T::PictureEffectOnDown, &T::SetPictureEffectOnDown),
      Boolean("PicturePushOnHover", &T::PicturePushOnHover, &T::SetPicturePushOnHover),
      Number("PictureOpacity", &T::PictureOpacity, &T::SetPictureOpacity, 0, 255),
      Number("PictureOpacityOnOver", &T::PictureOpacityOnOver, &T::SetPictureOpacityOnOver, 0, 255),
      Boolean("RightToLeft", &T::RightToLeft, &T::SetRightToLeft),
      Number("CaptionEffects", &T::CaptionEffects, &T::SetCaptionEffects),
      Boolean("ShowFocusRect", &T::ShowFocusRect, &T::SetShowFocusRect),
      Boolean("UseMaskColor", &T::UseMaskColor, &T::SetUseMaskColor),
      Boolean("Value", &T::Value, &T::SetValue),
      Text("TooltipTitle", &T::TooltipTitle, &T::SetTooltipTitle),
      Text("ToolTip", &T::ToolTip, &T::SetToolTip),
      Color("TooltipBackColor", &T::TooltipBackColor, &T::SetTooltipBackColor),
      Number("ToolTipIcon", &T::ToolTipIcon, &T::SetToolTipIcon),
      Number("ToolTipType", &T::ToolTipType, &T::SetToolTipType),
      Number("ColorScheme", &T::ColorScheme, &T::SetColorScheme),
  };
  return entries;
}

const Entry* Find(std::string_view name) {
  for (const Entry& entry : Entries()) {
    if (SameName(entry.name, name)) return &entry;
  }
  return nullptr;
}

}  // namespace

Status AssignProperty(teskbutton& button, std::string_view name, std::string_view value) {
  const Entry* entry = Find(name);
  if (entry == nullptr) return Error{"no property named " + std::string(name)};
  if (!entry->assign) return Error{std::string(entry->name) + " is read-only"};
  Status status = entry->assign(button, value);
  if (!status) return Error{std::string(entry->name) + ": " + status.error()};
  return status;
}

Result<std::string> ReadProperty(const teskbutton& button, std::string_view name) {
  const Entry* entry = Find(name);
  if (entry == nullptr) return Error{"no property named " + std::string(name)};
  return std::string(entry->name) + "=" + entry->read(button);
}

}  // namespace tovarin::tools
