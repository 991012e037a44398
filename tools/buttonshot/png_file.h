#pragma once
// Writes a bitmap as a 24-bit RGB PNG file, with the pixels outside `shape` (when given) in
// `outside`.

#include <optional>
#include <string>

#include "platform/raster/bitmap.h"
#include "platform/raster/color.h"
#include "platform/raster/region.h"
#include "platform/result.h"

namespace tovarin::tools {

platform::Status WritePng(const std::string& path, const platform::Bitmap& bitmap,
                          const std::optional<platform::Region>& shape, platform::ColorRef outside);

}  // namespace tovarin::tools
