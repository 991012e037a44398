#include "tools/gifdump/gifdump_commands.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <ostream>
#include <variant>

#include "gif/gif_engine.h"
#include "platform/headless/controls/headless_desktop.h"
#include "platform/headless/controls/headless_form.h"
#include "platform/headless/controls/headless_host.h"

namespace tovarin::tools::gifdump {
namespace {

using gif::GifEngine;
namespace headless = platform::headless;

// An engine on a user-mode headless host of its own, with its own virtual clock.
struct ToolEngine {
  ToolEngine() : form(desktop), host(AddHost(form)), engine(host) {}
  static headless::HeadlessHost& AddHost(headless::HeadlessForm& form) {
    headless::HostOptions options;
    options.name = "g1";
    options.rect = platform::Rect{0, 0, 1, 1};
    options.user_mode = true;
    return form.AddHost(options);
  }
  headless::HeadlessDesktop desktop;
  headless::HeadlessForm form;
  headless::HeadlessHost& host;
  GifEngine engine;
};

std::optional<std::vector<std::uint8_t>> ReadFile(const std::string& path, std::ostream& err) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    err << "gifdump: " << path << ": cannot open\n";
    return std::nullopt;
  }
  std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
  if (in.bad()) {
    err << "gifdump: " << path << ": read error\n";
    return std::nullopt;
  }
  return bytes;
}

// Loads `bytes` with every frame built now, unscaled, the clock stopped. False (with the error
// printed) when the file has no usable frame.
bool LoadAllFrames(ToolEngine& tool, std::vector<std::uint8_t> bytes, const std::string& path,
                   std::ostream& err) {
  tool.engine.delayAnimation = 0;
  tool.engine.stretchMode = gif::StretchSetting::kImageSize;
  tool.engine.gifBytes = std::move(bytes);
  if (tool.engine.LoadGIF() == 0) {
    err << "gifdump: " << path << ": no usable frame\n";
    return false;
  }
  tool.engine.SetAnimationTimer(gif::AnimationTimer::kStop);
  return true;
}

platform::Bitmap FilledSurface(int width, int height, std::uint8_t value) {
  platform::Bitmap surface = platform::Bitmap::Create(width, height, 24).value();
  std::fill(surface.Bits().begin(), surface.Bits().end(), value);
  return surface;
}

// An 8-bit RGBA PAM of the frame: colour and alpha 255 where both renderings agree, 0 0 0 0
// where the background shows through (black and white renderings differ).
bool WritePam(const std::filesystem::path& path, const platform::Bitmap& over_black,
              const platform::Bitmap& over_white) {
  std::ofstream out(path, std::ios::binary);
  if (!out) return false;
  const int width = over_black.Width();
  const int height = over_black.Height();
  out << "P7\nWIDTH " << width << "\nHEIGHT " << height
      << "\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
  std::vector<char> row(static_cast<std::size_t>(width) * 4);
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* black = over_black.Row(y);
    const std::uint8_t* white = over_white.Row(y);
    for (int x = 0; x < width; ++x) {
      const std::uint8_t* b = black + x * 3;
      const std::uint8_t* w = white + x * 3;
      char* p = row.data() + static_cast<std::size_t>(x) * 4;
      if (b[0] != w[0] || b[1] != w[1] || b[2] != w[2]) {
        p[0] = p[1] = p[2] = p[3] = 0;
      } else {
        p[0] = static_cast<char>(b[2]);
        p[1] = static_cast<char>(b[1]);
        p[2] = static_cast<char>(b[0]);
        p[3] = static_cast<char>(255);
      }
    }
    out.write(row.data(), static_cast<std::streamsize>(row.size()));
  }
  return static_cast<bool>(out);
}

std::string FrameFileName(int frame) {
  char name[32];
  std::snprintf(name, sizeof name, "frame-%03d.pam", frame);
  return name;
}

}  // namespace

int RunInfo(const std::string& file, std::ostream& out, std::ostream& err) {
  auto bytes = ReadFile(file, err);
  if (!bytes) return 1;
  ToolEngine tool;
  if (!LoadAllFrames(tool, std::move(*bytes), file, err)) return 1;
  const GifEngine& engine = tool.engine;
  out << "screen " << engine.screen.screenWidth << ' ' << engine.screen.screenHeight << " loops "
      << engine.screen.loops << " frames " << engine.FrameCount() << '\n';
  for (int i = 1; i <= engine.FrameCount(); ++i) {
    const gif::FrameRecord& frame = engine.frames[static_cast<std::size_t>(i - 1)];
    out << "frame " << i << ' ' << frame.left << ' ' << frame.top << ' ' << frame.width << ' '
        << frame.height << ' ' << frame.delay << ' ' << static_cast<int>(frame.disposal) << ' '
        << (frame.hasTransparency != 0 ? static_cast<int>(frame.transparentIndex) : -1) << ' '
        << frame.tableIndex << '\n';
  }
  return 0;
}

int RunFrames(const std::string& file, const std::string& directory, std::ostream& out,
              std::ostream& err) {
  (void)out;
  auto bytes = ReadFile(file, err);
  if (!bytes) return 1;
  // Two engines replay the same animation, one over black and one over white.
  ToolEngine over_black;
  ToolEngine over_white;
  if (!LoadAllFrames(over_black, *bytes, file, err) ||
      !LoadAllFrames(over_white, std::move(*bytes), file, err)) {
    return 1;
  }
  const int width = over_black.engine.screen.screenWidth;
  const int height = over_black.engine.screen.screenHeight;
  // The canvas goes to the control over its client area: make that the logical screen.
  over_black.host.SetRectPixels(platform::Rect{0, 0, width, height});
  over_white.host.SetRectPixels(platform::Rect{0, 0, width, height});
  std::error_code error;
  std::filesystem::create_directories(directory, error);
  if (error) {
    err << "gifdump: " << directory << ": " << error.message() << '\n';
    return 1;
  }
  for (int i = 1; i <= over_black.engine.FrameCount(); ++i) {
    platform::Bitmap black = FilledSurface(width, height, 0);
    platform::Bitmap white = FilledSurface(width, height, 255);
    over_black.engine.DrawFrame(i, black);
    over_white.engine.DrawFrame(i, white);
    const std::filesystem::path path = std::filesystem::path(directory) / FrameFileName(i);
    if (!WritePam(path, black, white)) {
      err << "gifdump: " << path.string() << ": cannot write\n";
      return 1;
    }
  }
  return 0;
}

int RunExport(const std::string& file, int frame, const std::string& output, std::ostream& out,
              std::ostream& err) {
  (void)out;
  auto bytes = ReadFile(file, err);
  if (!bytes) return 1;
  ToolEngine tool;
  if (!LoadAllFrames(tool, std::move(*bytes), file, err)) return 1;
  if (frame < 1 || frame > tool.engine.FrameCount()) {
    err << "gifdump: " << file << ": no frame " << frame << '\n';
    return 1;
  }
  auto exported = tool.engine.ExportFrameBytes(frame);
  if (!exported) {
    err << "gifdump: " << file << ": export failed: " << exported.error() << '\n';
    return 1;
  }
  std::ofstream stream(output, std::ios::binary);
  stream.write(reinterpret_cast<const char*>(exported->data()),
               static_cast<std::streamsize>(exported->size()));
  if (!stream) {
    err << "gifdump: " << output << ": cannot write\n";
    return 1;
  }
  return 0;
}

int RunPlay(const std::string& file, const PlayOptions& options, std::ostream& out,
            std::ostream& err) {
  auto bytes = ReadFile(file, err);
  if (!bytes) return 1;
  ToolEngine tool;
  tool.host.SetEventHandler("FrameChanged", [&](platform::EventArgs& args) {
    out << "t=" << tool.desktop.Clock().Now() << " FrameChanged";
    for (const platform::EventArg& arg : args) {
      if (const auto* number = std::get_if<std::int32_t>(&arg.value)) out << ' ' << *number;
      if (const auto* flag = std::get_if<bool>(&arg.value)) out << (*flag ? " true" : " false");
    }
    out << '\n';
  });
  tool.host.SetEventHandler("LoopsEnded", [&](platform::EventArgs&) {
    out << "t=" << tool.desktop.Clock().Now() << " LoopsEnded\n";
  });
  GifEngine& engine = tool.engine;
  engine.minFrameDelay = options.min_delay;
  engine.steppedDelay = options.stepped;
  engine.delayAnimation = options.delay_load;
  engine.gifBytes = std::move(*bytes);
  if (engine.LoadGIF() == 0) {
    err << "gifdump: " << file << ": no usable frame\n";
    return 1;
  }
  // As restored settings do: a Loops value replaces the file's count after the load.
  if (options.loops >= 0) {
    engine.screen.loops = options.loops;
    engine.loopsRemaining = options.loops;
  }
  tool.desktop.Advance(options.until);
  return 0;
}

int RunBench(const std::vector<std::string>& files, int iterations, std::ostream& out,
             std::ostream& err) {
  std::vector<std::vector<std::uint8_t>> contents;
  for (const std::string& file : files) {
    auto bytes = ReadFile(file, err);
    if (bytes) contents.push_back(std::move(*bytes));
  }
  std::vector<double> rates;
  int usable_files = 0;
  int frames = 0;
  for (int iteration = 0; iteration < iterations; ++iteration) {
    std::int64_t pixels = 0;
    std::chrono::nanoseconds elapsed{0};
    usable_files = 0;
    frames = 0;
    for (const auto& bytes : contents) {
      ToolEngine tool;
      tool.engine.delayAnimation = 0;
      tool.engine.gifBytes = bytes;
      const auto start = std::chrono::steady_clock::now();
      const int count = tool.engine.LoadGIF();
      elapsed += std::chrono::steady_clock::now() - start;
      if (count == 0) continue;
      ++usable_files;
      frames += count;
      pixels += tool.engine.PixelsBuilt();
    }
    const double seconds = std::chrono::duration<double>(elapsed).count();
    rates.push_back(seconds > 0 ? static_cast<double>(pixels) / 1e6 / seconds : 0.0);
  }
  if (rates.empty()) {
    err << "gifdump: bench: no iterations\n";
    return 2;
  }
  std::sort(rates.begin(), rates.end());
  const std::size_t middle = rates.size() / 2;
  const double median =
      rates.size() % 2 == 1 ? rates[middle] : (rates[middle - 1] + rates[middle]) / 2;
  char line[64];
  std::snprintf(line, sizeof line, "%.2f", median);
  out << "decode_mpx_per_s " << line << '\n';
  out << "files " << usable_files << " frames " << frames << '\n';
  return 0;
}

}  // namespace tovarin::tools::gifdump
