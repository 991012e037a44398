#pragma once
// A canvas for drawing tests: a 24-bit surface, the last window region, the theme answer and
// the property names the drawing code reported.

#include <optional>
#include <string>
#include <vector>

#include "button/render/button_model.h"
#include "button/render/color_math.h"
#include "platform/raster/bitmap.h"
#include "platform/raster/color.h"
#include "platform/raster/region.h"

namespace tovarin::button::testing {

class TestCanvas : public ButtonCanvas {
 public:
  TestCanvas(int width, int height)
      : surface_(platform::Bitmap::Create(width, height, 24).value()) {}

  platform::Bitmap& Surface() override { return surface_; }
  void SetWindowRegion(std::optional<platform::Region> region) override {
    region_ = std::move(region);
    ++region_calls;
  }
  bool ThemeQuery() override { return themed; }
  void PropertyChanged(const char* name) override { changed.emplace_back(name); }
  bool UserMode() override { return user_mode; }

  const std::optional<platform::Region>& Region() const { return region_; }
  platform::ColorRef Pixel(int x, int y) const { return surface_.GetPixel(x, y); }

  bool themed = false;
  bool user_mode = true;
  int region_calls = 0;
  std::vector<std::string> changed;

 private:
  platform::Bitmap surface_;
  std::optional<platform::Region> region_;
};

// Two regions hold the same pixels.
inline bool SameRegion(const platform::Region& a, const platform::Region& b) {
  if (a.IsEmpty() || b.IsEmpty()) return a.IsEmpty() == b.IsEmpty();
  const platform::Rect bounds = a.Bounds();
  if (!(bounds == b.Bounds())) return false;
  for (int y = bounds.top; y < bounds.bottom; ++y) {
    const auto& ra = a.RowRuns(y);
    const auto& rb = b.RowRuns(y);
    if (ra.size() != rb.size()) return false;
    for (std::size_t i = 0; i < ra.size(); ++i) {
      if (ra[i].begin != rb[i].begin || ra[i].end != rb[i].end) return false;
    }
  }
  return true;
}

// A model as a new button has it, with the effect tables filled and no caption.
inline ButtonModel NewModel(ButtonStyleValue style) {
  ButtonModel model;
  model.ButtonStyle = style;
  model.Caption.clear();
  FillEffectTables(model.mLightTable, model.mDarkTable);
  return model;
}

}  // namespace tovarin::button::testing
