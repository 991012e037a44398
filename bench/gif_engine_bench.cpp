// The GIF engine's two costs: drawing a frame (a colour-table swap and the mask, colour and
// canvas blits) and building every frame of a file into the strip at load time. Building is
// compared with giflib's DGifSlurp on the same files in the same run; items processed are
// pixels of frame area.
#include <benchmark/benchmark.h>
#include <gif_lib.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "bench/machine_gifs.h"
#include "gif/gif_engine.h"
#include "platform/headless/controls/headless_desktop.h"
#include "platform/headless/controls/headless_form.h"
#include "platform/headless/controls/headless_host.h"
#include "tests/support/giflib_memory.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using tovarin::giflib_memory::MemoryInput;
using tovarin::giflib_memory::ReadMemory;
using tovarin::giflib_memory::WriteMemory;
namespace headless = tovarin::platform::headless;

// A loading-indicator-like animation: `frames` full-size frames of a turning wedge over a
// transparent background (index 0), disposal alternating 2 and 1, so the engine composes on a
// canvas with a mask.
Bytes SpinnerAnimation(int width, int height, int frames) {
  Bytes file;
  int error = 0;
  GifFileType* gif = EGifOpen(&file, WriteMemory, &error);
  EGifSetGifVersion(gif, true);
  ColorMapObject* map = GifMakeMapObject(256, nullptr);
  for (int i = 0; i < 256; ++i) {
    map->Colors[i] = GifColorType{static_cast<GifByteType>(i), static_cast<GifByteType>(255 - i),
                                  static_cast<GifByteType>(i * 7)};
  }
  EGifPutScreenDesc(gif, width, height, 8, 0, map);
  std::vector<GifByteType> row(static_cast<std::size_t>(width));
  const double pi = std::acos(-1.0);
  for (int k = 0; k < frames; ++k) {
    const int disposal = k % 2 == 0 ? 2 : 1;
    const GifByteType control[4] = {static_cast<GifByteType>((disposal << 2) | 1), 5, 0, 0};
    EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, control);
    EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr);
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        const double angle = std::atan2(y - height / 2.0, x - width / 2.0) + pi;
        const int sector = static_cast<int>(angle / (2 * pi) * frames) % frames;
        row[static_cast<std::size_t>(x)] =
            sector == k || (x + y) % 17 == 0
                ? static_cast<GifByteType>(1 + (x * 3 + y + k * 11) % 255)
                : 0;
      }
      EGifPutLine(gif, row.data(), width);
    }
  }
  EGifCloseFile(gif, &error);
  GifFreeMapObject(map);
  return file;
}

// An engine on a user-mode headless host whose client area is `width` x `height`.
struct BenchEngine {
  BenchEngine(int width, int height)
      : form(desktop), host(AddHost(form, width, height)), engine(host) {}
  static headless::HeadlessHost& AddHost(headless::HeadlessForm& form, int width, int height) {
    headless::HostOptions options;
    options.rect = tovarin::platform::Rect{0, 0, width, height};
    return form.AddHost(options);
  }
  headless::HeadlessDesktop desktop;
  headless::HeadlessForm form;
  headless::HeadlessHost& host;
  tovarin::gif::GifEngine engine;
};

// One DrawFrame of a 237 x 297 animation with canvas and mask at scale 1, frames in turn;
// argument 1 uses the engine's row kernels, 0 the raster layer's general blits.
void BM_DrawFrame(benchmark::State& state) {
  constexpr int kWidth = 237;
  constexpr int kHeight = 297;
  constexpr int kFrames = 12;
  BenchEngine bench(kWidth, kHeight);
  bench.engine.delayAnimation = 0;
  bench.engine.stretchMode = tovarin::gif::StretchSetting::kImageSize;
  bench.engine.SetFastBlits(state.range(0) != 0);
  bench.engine.gifBytes = SpinnerAnimation(kWidth, kHeight, kFrames);
  if (bench.engine.LoadGIF() != kFrames || bench.engine.Canvas() == nullptr ||
      bench.engine.Mask() == nullptr) {
    state.SkipWithError("animation did not load with canvas and mask");
    return;
  }
  bench.engine.SetAnimationTimer(tovarin::gif::AnimationTimer::kStop);
  auto surface = tovarin::platform::Bitmap::Create(kWidth, kHeight, 24).value();
  int frame = 0;
  for (auto _ : state) {
    frame = frame % kFrames + 1;
    benchmark::DoNotOptimize(bench.engine.DrawFrame(frame, surface));
  }
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_DrawFrame)->ArgName("row_kernels")->Arg(1)->Arg(0);

// The same, stretched to half size with halftone.
void BM_DrawFrameHalfSize(benchmark::State& state) {
  constexpr int kWidth = 237;
  constexpr int kHeight = 297;
  constexpr int kFrames = 12;
  BenchEngine bench(kWidth / 2, kHeight / 2);
  bench.engine.delayAnimation = 0;
  bench.engine.stretchMode = tovarin::gif::StretchSetting::kFill;
  bench.engine.gifBytes = SpinnerAnimation(kWidth, kHeight, kFrames);
  if (bench.engine.LoadGIF() != kFrames) {
    state.SkipWithError("animation did not load");
    return;
  }
  bench.engine.SetAnimationTimer(tovarin::gif::AnimationTimer::kStop);
  auto surface = tovarin::platform::Bitmap::Create(kWidth / 2, kHeight / 2, 24).value();
  int frame = 0;
  for (auto _ : state) {
    frame = frame % kFrames + 1;
    benchmark::DoNotOptimize(bench.engine.DrawFrame(frame, surface));
  }
}
BENCHMARK(BM_DrawFrameHalfSize);

struct Corpus {
  std::vector<Bytes> files;
  std::int64_t pixels = 0;  // frame area of all frames, as giflib reads them
};

// Every GIF under /usr/share (the machine's real files) and one synthetic animation.
const Corpus& RealGifs() {
  static const Corpus corpus = [] {
    Corpus result;
    for (const auto& path : tovarin::bench::MachineGifs({"/usr/share"})) {
      std::ifstream in(path, std::ios::binary);
      result.files.emplace_back(std::istreambuf_iterator<char>(in),
                                std::istreambuf_iterator<char>());
    }
    result.files.push_back(SpinnerAnimation(237, 297, 12));
    for (const Bytes& file : result.files) {
      MemoryInput input{&file};
      int gif_error = 0;
      GifFileType* gif = DGifOpen(&input, ReadMemory, &gif_error);
      if (gif == nullptr) continue;
      if (DGifSlurp(gif) == GIF_OK) {
        for (int i = 0; i < gif->ImageCount; ++i) {
          result.pixels += std::int64_t{gif->SavedImages[i].ImageDesc.Width} *
                           gif->SavedImages[i].ImageDesc.Height;
        }
      }
      DGifCloseFile(gif, &gif_error);
    }
    return result;
  }();
  return corpus;
}

// LoadGIF of every file: parse, strip (and canvas), every frame decoded into the strip.
void BM_BuildAllFrames(benchmark::State& state) {
  const Corpus& corpus = RealGifs();
  BenchEngine bench(64, 64);
  bench.engine.delayAnimation = 0;
  for (auto _ : state) {
    for (const Bytes& file : corpus.files) {
      bench.engine.gifBytes = file;
      benchmark::DoNotOptimize(bench.engine.LoadGIF());
    }
  }
  state.SetItemsProcessed(state.iterations() * corpus.pixels);
  state.counters["files"] = static_cast<double>(corpus.files.size());
}
BENCHMARK(BM_BuildAllFrames)->Unit(benchmark::kMillisecond);

void BM_GiflibSlurpAllFrames(benchmark::State& state) {
  const Corpus& corpus = RealGifs();
  for (auto _ : state) {
    for (const Bytes& file : corpus.files) {
      MemoryInput input{&file};
      int error = 0;
      GifFileType* gif = DGifOpen(&input, ReadMemory, &error);
      if (gif != nullptr) benchmark::DoNotOptimize(DGifSlurp(gif));
      DGifCloseFile(gif, &error);
    }
  }
  state.SetItemsProcessed(state.iterations() * corpus.pixels);
  state.counters["files"] = static_cast<double>(corpus.files.size());
}
BENCHMARK(BM_GiflibSlurpAllFrames)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
