#pragma once
// Small helpers shared by the raster tests: bitmaps made from pixel grids and grids read back.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/raster/bitmap.h"
#include "platform/raster/color.h"

namespace tovarin::platform::testing {

inline Bitmap MakeBitmap(int width, int height, int bits_per_pixel) {
  Result<Bitmap> made = Bitmap::Create(width, height, bits_per_pixel);
  EXPECT_TRUE(made.ok()) << (made.ok() ? "" : made.error());
  return std::move(made).value();
}

// A bitmap whose pixel (x, y) is colors[y][x].
inline Bitmap FromColors(const std::vector<std::vector<ColorRef>>& colors,
                         int bits_per_pixel = 24) {
  Bitmap bitmap = MakeBitmap(static_cast<int>(colors.front().size()),
                             static_cast<int>(colors.size()), bits_per_pixel);
  for (int y = 0; y < bitmap.Height(); ++y) {
    for (int x = 0; x < bitmap.Width(); ++x) bitmap.SetPixel(x, y, colors[y][x]);
  }
  return bitmap;
}

// An 8-bit bitmap whose pixel (x, y) has index indices[y][x].
inline Bitmap FromIndices(const std::vector<std::vector<int>>& indices, int bits_per_pixel = 8) {
  Bitmap bitmap = MakeBitmap(static_cast<int>(indices.front().size()),
                             static_cast<int>(indices.size()), bits_per_pixel);
  for (int y = 0; y < bitmap.Height(); ++y) {
    for (int x = 0; x < bitmap.Width(); ++x) bitmap.SetIndex(x, y, indices[y][x]);
  }
  return bitmap;
}

inline std::vector<std::vector<ColorRef>> Colors(const Bitmap& bitmap) {
  std::vector<std::vector<ColorRef>> grid(static_cast<std::size_t>(bitmap.Height()));
  for (int y = 0; y < bitmap.Height(); ++y) {
    for (int x = 0; x < bitmap.Width(); ++x)
      grid[static_cast<std::size_t>(y)].push_back(bitmap.GetPixel(x, y));
  }
  return grid;
}

inline std::vector<std::vector<int>> Indices(const Bitmap& bitmap) {
  std::vector<std::vector<int>> grid(static_cast<std::size_t>(bitmap.Height()));
  for (int y = 0; y < bitmap.Height(); ++y) {
    for (int x = 0; x < bitmap.Width(); ++x)
      grid[static_cast<std::size_t>(y)].push_back(bitmap.GetIndex(x, y));
  }
  return grid;
}

inline Bitmap Filled(int width, int height, ColorRef color, int bits_per_pixel = 24) {
  Bitmap bitmap = MakeBitmap(width, height, bits_per_pixel);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) bitmap.SetPixel(x, y, color);
  }
  return bitmap;
}

}  // namespace tovarin::platform::testing
