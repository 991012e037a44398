#pragma once
// Units at 96 pixels per inch: 15 twips per pixel, 2540 HiMetric units (1/100 mm) per 96
// pixels. Nearest() rounds halves to the even neighbour.

#include <cmath>
#include <cstdint>

namespace tovarin::platform {

inline constexpr int kPixelsPerInch = 96;
inline constexpr int kTwipsPerPixel = 15;

inline std::int64_t Nearest(double value) {
  return static_cast<std::int64_t>(std::nearbyint(value));
}

inline double PixelsToTwips(double pixels) { return pixels * kTwipsPerPixel; }
inline double TwipsToPixels(double twips) { return twips / kTwipsPerPixel; }
inline double PixelsToHiMetric(double pixels) { return pixels * 2540.0 / kPixelsPerInch; }
inline double HiMetricToPixels(double himetric) { return himetric * kPixelsPerInch / 2540.0; }
inline double TwipsToHiMetric(double twips) { return PixelsToHiMetric(TwipsToPixels(twips)); }
inline double HiMetricToTwips(double himetric) { return PixelsToTwips(HiMetricToPixels(himetric)); }

}  // namespace tovarin::platform
