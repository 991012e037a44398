#pragma once
// The pictures the service passes through to the view as they came. The type is read from the
// bytes, never taken from the origin's Content-Type (a picture redrawn in another format often
// kept its old name and type), so what the view gets is always one of these raster formats:
// never SVG (which can carry script), HTML or anything else a page might be passed off as.

#include <cstdint>
#include <span>
#include <string_view>

namespace tovarin::gateway {

// "image/png", "image/gif", "image/jpeg", "image/bmp" or "image/webp" by the file's signature;
// empty for anything else.
std::string_view PassThroughImageType(std::span<const std::uint8_t> bytes);

}  // namespace tovarin::gateway
