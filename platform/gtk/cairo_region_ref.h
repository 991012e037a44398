#pragma once
// CairoRegionRef: holds one cairo region (a "transfer full" cairo_region_create or copy) and
// destroys it when the holder goes; the region the GTK windows' shapes and clips are built in.
// ToCairoRegion makes one from a platform Region.

#include <cairo.h>

#include <utility>

#include "platform/raster/region.h"

namespace tovarin::platform::gtk {

class CairoRegionRef {
 public:
  explicit CairoRegionRef(cairo_region_t* owned = nullptr) : region_(owned) {}
  ~CairoRegionRef() {
    if (region_ != nullptr) cairo_region_destroy(region_);
  }
  CairoRegionRef(CairoRegionRef&& other) noexcept
      : region_(std::exchange(other.region_, nullptr)) {}
  CairoRegionRef& operator=(CairoRegionRef&& other) noexcept {
    if (this != &other) {
      if (region_ != nullptr) cairo_region_destroy(region_);
      region_ = std::exchange(other.region_, nullptr);
    }
    return *this;
  }
  CairoRegionRef(const CairoRegionRef&) = delete;
  CairoRegionRef& operator=(const CairoRegionRef&) = delete;
  cairo_region_t* get() const { return region_; }

 private:
  cairo_region_t* region_;
};

// `region` as a cairo region (the same pixels, in the same coordinates): one 1-pixel-high
// rectangle per run of each row.
CairoRegionRef ToCairoRegion(const Region& region);

}  // namespace tovarin::platform::gtk
