// Decoding speed of the GIF image decoder against giflib's DGifSlurp, on the same bytes in the
// same run. Items processed are pixels, so items_per_second reads as pixels per second; bytes
// processed are compressed file bytes.
#include <benchmark/benchmark.h>
#include <gif_lib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "bench/machine_gifs.h"
#include "platform/pictures/gif_block_reader.h"
#include "platform/pictures/gif_image_decoder.h"
#include "tests/support/giflib_memory.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using tovarin::giflib_memory::MemoryInput;
using tovarin::giflib_memory::ReadMemory;
using tovarin::giflib_memory::WriteMemory;

struct Sample {
  std::string name;
  Bytes file;
  std::int64_t pixels = 0;
};

// A width x height image of noise with runs of one colour, written by giflib's encoder.
Sample Synthetic(const std::string& name, int width, int height, int bits, int run_percent,
                 std::uint32_t seed) {
  std::mt19937 random(seed);
  Bytes pixels;
  const std::size_t count = static_cast<std::size_t>(width) * height;
  while (pixels.size() < count) {
    const auto value = static_cast<std::uint8_t>(random() % (1u << bits));
    const std::size_t run = static_cast<int>(random() % 100) < run_percent ? 1 + random() % 64 : 1;
    for (std::size_t i = 0; i < run && pixels.size() < count; ++i) pixels.push_back(value);
  }
  Sample sample{name, {}, static_cast<std::int64_t>(count)};
  int error = 0;
  GifFileType* gif = EGifOpen(&sample.file, WriteMemory, &error);
  ColorMapObject* map = GifMakeMapObject(1 << bits, nullptr);
  EGifPutScreenDesc(gif, width, height, bits, 0, map);
  EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr);
  for (int y = 0; y < height; ++y)
    EGifPutLine(gif, pixels.data() + static_cast<std::size_t>(y) * width, width);
  EGifCloseFile(gif, &error);
  GifFreeMapObject(map);
  return sample;
}

std::vector<Sample> Samples() {
  std::vector<Sample> samples;
  samples.push_back(Synthetic("noise_runs_1024x1024_8bit", 1024, 1024, 8, 30, 1));
  samples.push_back(Synthetic("flat_runs_1024x1024_4bit", 1024, 1024, 4, 90, 2));
  samples.push_back(Synthetic("noise_640x480_8bit", 640, 480, 8, 0, 3));
  // The largest GIFs in the documentation of this machine's packages.
  const std::vector<std::filesystem::path> paths =
      tovarin::bench::MachineGifs({"/usr/share/doc", "/usr/share/tcltk"});
  for (std::size_t i = 0; i < std::min<std::size_t>(3, paths.size()); ++i) {
    std::ifstream in(paths[i], std::ios::binary);
    Sample sample{paths[i].filename().string(), Bytes(std::istreambuf_iterator<char>(in), {}), 0};
    auto decoded = tovarin::platform::DecodeGifFile(sample.file);
    if (!decoded.ok()) continue;
    sample.pixels = std::int64_t{decoded->image.Width()} * decoded->image.Height();
    samples.push_back(std::move(sample));
  }
  return samples;
}

void BM_Tovarin(benchmark::State& state, const Sample* sample) {
  for (auto _ : state) {
    auto decoded = tovarin::platform::DecodeGifFile(sample->file);
    if (!decoded.ok()) state.SkipWithError(decoded.error().c_str());
    benchmark::DoNotOptimize(decoded);
  }
  state.SetItemsProcessed(state.iterations() * sample->pixels);
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(sample->file.size()));
}

void BM_Giflib(benchmark::State& state, const Sample* sample) {
  for (auto _ : state) {
    MemoryInput input{&sample->file};
    int error = 0;
    GifFileType* gif = DGifOpen(&input, ReadMemory, &error);
    if (gif == nullptr || DGifSlurp(gif) != GIF_OK) state.SkipWithError("giflib failed");
    benchmark::DoNotOptimize(gif);
    DGifCloseFile(gif, &error);
  }
  state.SetItemsProcessed(state.iterations() * sample->pixels);
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(sample->file.size()));
}

// The engine's use: decoding image data straight into a strip that already exists.
void BM_TovarinIntoStrip(benchmark::State& state, const Sample* sample) {
  auto decoded = tovarin::platform::DecodeGifFile(sample->file);
  if (!decoded.ok()) {
    state.SkipWithError("not decodable");
    return;
  }
  // The image data of the first image: after its descriptor and local table.
  const auto& file = sample->file;
  tovarin::platform::GifBlockReader reader(file);
  const auto screen = reader.ScreenDescriptor();
  if (screen && screen->HasColorTable())
    reader.Seek(reader.Position() + tovarin::platform::GifColorTableBytes(screen->packed));
  tovarin::platform::GifBlockStart block = reader.NextBlock();
  while (block.kind == tovarin::platform::GifBlockKind::kExtension) {
    reader.SkipSubBlocks();
    block = reader.NextBlock();
  }
  const auto descriptor = reader.Bytes(tovarin::platform::kGifImageDescriptorBytes - 1);
  if (block.kind != tovarin::platform::GifBlockKind::kImage || !descriptor ||
      reader.Remaining() == 0) {
    state.SkipWithError("layout not handled");
    return;
  }
  const std::uint8_t packed = descriptor->back();
  if ((packed & tovarin::platform::kGifColorTableFlag) != 0)
    reader.Seek(reader.Position() + tovarin::platform::GifColorTableBytes(packed));
  const int width = decoded->image.Width();
  const int height = decoded->image.Height();
  auto strip = tovarin::platform::Bitmap::Create(width, height, 8);
  const std::span<const std::uint8_t> image_data = reader.Rest();
  for (auto _ : state) {
    auto status = tovarin::platform::DecodeGifImage(
        image_data, width, height, (packed & tovarin::platform::kGifInterlaceFlag) != 0, *strip, 0,
        0);
    benchmark::DoNotOptimize(status);
  }
  state.SetItemsProcessed(state.iterations() * sample->pixels);
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(sample->file.size()));
}

const bool kRegistered = [] {
  static const std::vector<Sample> samples = Samples();
  for (const Sample& sample : samples) {
    benchmark::RegisterBenchmark(("Tovarin/" + sample.name).c_str(), BM_Tovarin, &sample);
    benchmark::RegisterBenchmark(("TovarinIntoStrip/" + sample.name).c_str(), BM_TovarinIntoStrip,
                                 &sample);
    benchmark::RegisterBenchmark(("Giflib/" + sample.name).c_str(), BM_Giflib, &sample);
  }
  return true;
}();

}  // namespace

BENCHMARK_MAIN();
