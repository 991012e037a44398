#include "gateway/image_types.h"

#include <algorithm>
#include <string_view>

namespace tovarin::gateway {
namespace {

bool StartsWith(std::span<const std::uint8_t> bytes, std::string_view signature,
                std::size_t offset = 0) {
  if (bytes.size() < offset + signature.size()) return false;
  return std::equal(signature.begin(), signature.end(), bytes.begin() + offset,
                    [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; });
}

}  // namespace

std::string_view PassThroughImageType(std::span<const std::uint8_t> bytes) {
  if (StartsWith(bytes, "\x89PNG\r\n\x1a\n")) return "image/png";
  if (StartsWith(bytes, "GIF87a") || StartsWith(bytes, "GIF89a")) return "image/gif";
  if (StartsWith(bytes, "\xff\xd8\xff")) return "image/jpeg";
  // "BM" then the file size, two reserved words and the pixel offset: 14 bytes at least.
  if (StartsWith(bytes, "BM") && bytes.size() >= 14) return "image/bmp";
  if (StartsWith(bytes, "RIFF") && StartsWith(bytes, "WEBP", 8)) return "image/webp";
  return {};
}

}  // namespace tovarin::gateway
