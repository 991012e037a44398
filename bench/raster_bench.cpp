// Speed of the raster layer on the controls' hot paths. Items processed are target pixels,
// so items_per_second reads as pixels per second.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "platform/raster/bitmap.h"
#include "platform/raster/raster.h"

namespace {

using tovarin::platform::Bitmap;
using tovarin::platform::Blit;
using tovarin::platform::CopyPixels32;
using tovarin::platform::PaletteEntry;
using tovarin::platform::RasterOp;
using tovarin::platform::StretchBlit;
using tovarin::platform::StretchMode;

// The loading indicator's frame size.
constexpr int kFrameWidth = 237;
constexpr int kFrameHeight = 297;

Bitmap Make(int width, int height, int bits_per_pixel) {
  return std::move(Bitmap::Create(width, height, bits_per_pixel)).value();
}

// An 8-bit frame strip of random indices with a full colour table.
Bitmap Strip(int width, int height) {
  Bitmap strip = Make(width, height, 8);
  std::mt19937 random(7);
  for (std::uint8_t& byte : strip.Bits()) byte = static_cast<std::uint8_t>(random());
  std::vector<PaletteEntry> table(256);
  for (PaletteEntry& entry : table) entry = random() & 0xFFFFFFu;
  strip.SetColorTable(0, table);
  return strip;
}

void SetPixels(benchmark::State& state, std::int64_t per_iteration) {
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * per_iteration);
}

void BM_Blit8To24(benchmark::State& state) {
  const auto op = static_cast<RasterOp>(state.range(0));
  const Bitmap strip = Strip(kFrameWidth, kFrameHeight);
  Bitmap canvas = Make(kFrameWidth, kFrameHeight, 24);
  for (auto _ : state) {
    Blit(canvas, 0, 0, kFrameWidth, kFrameHeight, strip, 0, 0, op);
    benchmark::DoNotOptimize(canvas.Bits().data());
  }
  SetPixels(state, std::int64_t{kFrameWidth} * kFrameHeight);
}
BENCHMARK(BM_Blit8To24)
    ->Arg(static_cast<int>(RasterOp::kSrcCopy))
    ->Arg(static_cast<int>(RasterOp::kSrcAnd))
    ->Arg(static_cast<int>(RasterOp::kSrcPaint));

// A transparent frame: table swap to the mask table, SRCAND, table swap back, SRCPAINT.
void BM_TransparentFramePasses(benchmark::State& state) {
  Bitmap strip = Strip(kFrameWidth, kFrameHeight);
  const std::vector<PaletteEntry> colours(strip.ColorTable().begin(), strip.ColorTable().end());
  std::vector<PaletteEntry> mask(256, 0);
  mask[3] = 0xFFFFFF;
  Bitmap surface = Make(kFrameWidth, kFrameHeight, 24);
  for (auto _ : state) {
    strip.SetColorTable(0, mask);
    Blit(surface, 0, 0, kFrameWidth, kFrameHeight, strip, 0, 0, RasterOp::kSrcAnd);
    strip.SetColorTable(0, colours);
    Blit(surface, 0, 0, kFrameWidth, kFrameHeight, strip, 0, 0, RasterOp::kSrcPaint);
    benchmark::DoNotOptimize(surface.Bits().data());
  }
  SetPixels(state, std::int64_t{kFrameWidth} * kFrameHeight);
}
BENCHMARK(BM_TransparentFramePasses);

// The composed canvas through its mask: 1-bit SRCAND, then the 24-bit canvas SRCPAINT.
void BM_CanvasThroughMask(benchmark::State& state) {
  Bitmap mask = Make(kFrameWidth, kFrameHeight, 1);
  std::mt19937 random(3);
  for (std::uint8_t& byte : mask.Bits()) byte = static_cast<std::uint8_t>(random());
  const Bitmap canvas = Make(kFrameWidth, kFrameHeight, 24);
  Bitmap surface = Make(kFrameWidth, kFrameHeight, 24);
  for (auto _ : state) {
    Blit(surface, 0, 0, kFrameWidth, kFrameHeight, mask, 0, 0, RasterOp::kSrcAnd);
    Blit(surface, 0, 0, kFrameWidth, kFrameHeight, canvas, 0, 0, RasterOp::kSrcPaint);
    benchmark::DoNotOptimize(surface.Bits().data());
  }
  SetPixels(state, std::int64_t{kFrameWidth} * kFrameHeight);
}
BENCHMARK(BM_CanvasThroughMask);

// Building the mask: the strip through the mask table onto the 1-bit mask.
void BM_StripToMask(benchmark::State& state) {
  Bitmap strip = Strip(kFrameWidth, kFrameHeight);
  std::vector<PaletteEntry> table(256, 0);
  table[3] = 0xFFFFFF;
  strip.SetColorTable(0, table);
  Bitmap mask = Make(kFrameWidth, kFrameHeight, 1);
  for (auto _ : state) {
    Blit(mask, 0, 0, kFrameWidth, kFrameHeight, strip, 0, 0, RasterOp::kSrcAnd);
    benchmark::DoNotOptimize(mask.Bits().data());
  }
  SetPixels(state, std::int64_t{kFrameWidth} * kFrameHeight);
}
BENCHMARK(BM_StripToMask);

// A frame stretched to twice its size with area averaging (Stretch setting 2 on a control
// twice the GIF's size), from the 8-bit strip and from the 24-bit canvas.
void BM_HalftoneStretchTwice(benchmark::State& state) {
  const Bitmap source = state.range(0) == 8 ? Strip(kFrameWidth, kFrameHeight) : [] {
    Bitmap canvas = Make(kFrameWidth, kFrameHeight, 24);
    std::mt19937 random(5);
    for (std::uint8_t& byte : canvas.Bits()) byte = static_cast<std::uint8_t>(random());
    return canvas;
  }();
  Bitmap surface = Make(2 * kFrameWidth, 2 * kFrameHeight, 24);
  for (auto _ : state) {
    StretchBlit(surface, 0, 0, 2 * kFrameWidth, 2 * kFrameHeight, source, 0, 0, kFrameWidth,
                kFrameHeight, RasterOp::kSrcCopy, StretchMode::kHalftone);
    benchmark::DoNotOptimize(surface.Bits().data());
  }
  SetPixels(state, std::int64_t{4} * kFrameWidth * kFrameHeight);
}
BENCHMARK(BM_HalftoneStretchTwice)->Arg(8)->Arg(24);

// Reduced to two thirds (Stretch setting 1 on a smaller control).
void BM_HalftoneStretchReduce(benchmark::State& state) {
  const Bitmap source = Strip(kFrameWidth, kFrameHeight);
  const int width = kFrameWidth * 2 / 3;
  const int height = kFrameHeight * 2 / 3;
  Bitmap surface = Make(width, height, 24);
  for (auto _ : state) {
    StretchBlit(surface, 0, 0, width, height, source, 0, 0, kFrameWidth, kFrameHeight,
                RasterOp::kSrcCopy, StretchMode::kHalftone);
    benchmark::DoNotOptimize(surface.Bits().data());
  }
  SetPixels(state, std::int64_t{width} * height);
}
BENCHMARK(BM_HalftoneStretchReduce);

// Mirroring a frame of the strip onto itself.
void BM_MirrorStripInPlace(benchmark::State& state) {
  Bitmap strip = Strip(kFrameWidth, kFrameHeight);
  for (auto _ : state) {
    StretchBlit(strip, 0, 0, kFrameWidth, kFrameHeight, strip, kFrameWidth - 1, 0, -kFrameWidth,
                kFrameHeight, RasterOp::kSrcCopy, StretchMode::kHalftone);
    benchmark::DoNotOptimize(strip.Bits().data());
  }
  SetPixels(state, std::int64_t{kFrameWidth} * kFrameHeight);
}
BENCHMARK(BM_MirrorStripInPlace);

// A gradient buffer copied onto the button's surface: args width, height, target bits.
void BM_CopyPixels32(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0));
  const int height = static_cast<int>(state.range(1));
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height);
  for (std::size_t i = 0; i < pixels.size(); ++i)
    pixels[i] = static_cast<std::uint32_t>(i * 2654435761u) & 0xFFFFFFu;
  Bitmap surface = Make(width, height, static_cast<int>(state.range(2)));
  for (auto _ : state) {
    CopyPixels32(surface, 0, 0, width, height, pixels);
    benchmark::DoNotOptimize(surface.Bits().data());
  }
  SetPixels(state, std::int64_t{width} * height);
}
BENCHMARK(BM_CopyPixels32)
    ->Args({97, 24, 24})
    ->Args({97, 24, 32})
    ->Args({kFrameWidth, kFrameHeight, 24})
    ->Args({kFrameWidth, kFrameHeight, 32});

}  // namespace

BENCHMARK_MAIN();
