#include "platform/gtk/cairo_region_ref.h"

namespace tovarin::platform::gtk {

CairoRegionRef ToCairoRegion(const Region& region) {
  CairoRegionRef result(cairo_region_create());
  const Rect bounds = region.Bounds();
  for (int y = bounds.top; y < bounds.bottom; ++y) {
    for (const Region::Run& run : region.RowRuns(y)) {
      const cairo_rectangle_int_t row{run.begin, y, run.end - run.begin, 1};
      cairo_region_union_rectangle(result.get(), &row);
    }
  }
  return result;
}

}  // namespace tovarin::platform::gtk
