#pragma once
// The command line of anigif-view:
//
//   anigif-view FILE [--stretch N] [--size WxH]
//
// FILE is the GIF to show. --stretch sets the control's Stretch mode (0 actual size, 1 fit
// keeping the aspect ratio, 2 fill, 3 fit without enlarging, 4 the image's own size; 1 when
// not given). --size gives the control's size in pixels before the Stretch mode applies;
// without it the control starts at the image's own size.

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/raster/geometry.h"
#include "platform/result.h"

namespace tovarin::tools {

// The largest --size side accepted, in pixels.
inline constexpr int kMaxViewSide = 16384;
// Stretch modes the control accepts.
inline constexpr int kMinStretchMode = 0;
inline constexpr int kMaxStretchMode = 4;
inline constexpr int kDefaultStretchMode = 1;

struct ViewOptions {
  std::string file;
  int stretch = kDefaultStretchMode;
  std::optional<platform::Size> size;  // pixels; nullopt = the image's own size
  bool help = false;                   // --help / -h: print the usage and do nothing else
};

// Parses the arguments after the program name. Errors name the offending argument.
platform::Result<ViewOptions> ParseViewOptions(std::span<const std::string_view> args);

// The usage text (ends with a line break).
std::string ViewUsage();

}  // namespace tovarin::tools
