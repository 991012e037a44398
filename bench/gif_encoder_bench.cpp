// Encoding speed of the frame export (a one-image GIF89a with LZW data) against giflib's
// EGifPutLine writing the same frame to memory, in the same run. Items processed are pixels.
#include <benchmark/benchmark.h>
#include <gif_lib.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "bench/machine_gifs.h"
#include "gif/frame_gif_writer.h"
#include "platform/pictures/gif_image_decoder.h"
#include "tests/support/giflib_memory.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using tovarin::giflib_memory::WriteMemory;

struct Frame {
  std::string name;
  int width = 0;
  int height = 0;
  Bytes pixels;
};

Frame MakeFrame(const std::string& name, int width, int height, int colors, int run_percent,
                std::uint32_t seed) {
  std::mt19937 random(seed);
  Frame frame{name, width, height, {}};
  const std::size_t count = static_cast<std::size_t>(width) * height;
  while (frame.pixels.size() < count) {
    const auto value = static_cast<std::uint8_t>(random() % static_cast<unsigned>(colors));
    const std::size_t run = static_cast<int>(random() % 100) < run_percent ? 1 + random() % 64 : 1;
    for (std::size_t i = 0; i < run && frame.pixels.size() < count; ++i)
      frame.pixels.push_back(value);
  }
  return frame;
}

// The first images of the largest GIFs in the documentation of this machine's packages: what
// real pictures look like to the encoder.
std::vector<Frame> RealFrames(std::size_t count) {
  const std::vector<std::filesystem::path> paths =
      tovarin::bench::MachineGifs({"/usr/share/doc", "/usr/share/tcltk"});
  std::vector<Frame> frames;
  for (const auto& path : paths) {
    if (frames.size() == count) break;
    std::ifstream in(path, std::ios::binary);
    const Bytes file{std::istreambuf_iterator<char>(in), {}};
    auto decoded = tovarin::platform::DecodeGifFile(file);
    if (!decoded.ok()) continue;
    const tovarin::platform::Bitmap& image = decoded->image;
    Frame frame{path.filename().string(), image.Width(), image.Height(), {}};
    for (int y = 0; y < image.Height(); ++y) {
      const std::uint8_t* row = image.Row(y);
      frame.pixels.insert(frame.pixels.end(), row, row + image.Width());
    }
    frames.push_back(std::move(frame));
  }
  return frames;
}

void BM_Tovarin(benchmark::State& state, const Frame* frame) {
  tovarin::gif::ColorTable table{};
  table[tovarin::gif::kColorCountSlot] = 256;
  const tovarin::gif::IndexRows rows{frame->pixels.data(), frame->width, frame->width,
                                     frame->height};
  std::size_t bytes = 0;
  for (auto _ : state) {
    auto gif = tovarin::gif::WriteFrameGIF(rows, table, -1);
    if (!gif) state.SkipWithError(gif.error().c_str());
    bytes = gif->size();
    benchmark::DoNotOptimize(gif);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(frame->pixels.size()));
  state.counters["output_bytes"] = static_cast<double>(bytes);
}

void BM_Giflib(benchmark::State& state, const Frame* frame) {
  ColorMapObject* map = GifMakeMapObject(256, nullptr);
  std::size_t bytes = 0;
  for (auto _ : state) {
    Bytes output;
    output.reserve(frame->pixels.size() + 801);
    int error = 0;
    GifFileType* gif = EGifOpen(&output, WriteMemory, &error);
    EGifSetGifVersion(gif, true);
    EGifPutScreenDesc(gif, frame->width, frame->height, 8, 0, map);
    EGifPutImageDesc(gif, 0, 0, frame->width, frame->height, false, nullptr);
    for (int y = 0; y < frame->height; ++y) {
      EGifPutLine(gif,
                  const_cast<GifPixelType*>(frame->pixels.data()) +
                      static_cast<std::size_t>(y) * frame->width,
                  frame->width);
    }
    EGifCloseFile(gif, &error);
    bytes = output.size();
    benchmark::DoNotOptimize(output);
  }
  GifFreeMapObject(map);
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(frame->pixels.size()));
  state.counters["output_bytes"] = static_cast<double>(bytes);
}

const bool kRegistered = [] {
  static const std::vector<Frame> frames = [] {
    std::vector<Frame> all = {
        MakeFrame("noise_runs_640x480", 640, 480, 256, 30, 1),
        MakeFrame("flat_runs_640x480_16", 640, 480, 16, 90, 2),
        MakeFrame("noise_640x480", 640, 480, 256, 0, 4),
        MakeFrame("loading_icon_32x32", 32, 32, 16, 60, 3),
    };
    for (Frame& real : RealFrames(3)) all.push_back(std::move(real));
    return all;
  }();
  for (const Frame& frame : frames) {
    benchmark::RegisterBenchmark(("Tovarin/" + frame.name).c_str(), BM_Tovarin, &frame);
    benchmark::RegisterBenchmark(("Giflib/" + frame.name).c_str(), BM_Giflib, &frame);
  }
  return true;
}();

}  // namespace

BENCHMARK_MAIN();
