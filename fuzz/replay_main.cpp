// Replays kept inputs through a fuzz target without libFuzzer: every build links each target's
// LLVMFuzzerTestOneInput with this main() and runs it over the target's seed folder as a unit
// test, so a regression on a kept input fails the ordinary test pass.
//
//   <name>_replay PATH...   each PATH is a file, or a folder whose regular files are run in
//                           name order (not recursive)
//
// The target checks its own promises and aborts when one breaks; this driver fails (exit 1)
// when a path cannot be read or when there is nothing to run. Each input is named on stderr
// before it runs, so a crash report shows which file caused it.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

namespace fs = std::filesystem;

// The files `path` names: itself, or a folder's regular files sorted by name. Empty when the
// path does not exist or the folder cannot be listed.
std::vector<fs::path> InputsOf(const fs::path& path) {
  std::error_code error;
  if (!fs::is_directory(path, error)) {
    if (fs::exists(path, error)) return {path};
    return {};
  }
  std::vector<fs::path> files;
  for (fs::directory_iterator it(path, error), end; !error && it != end; it.increment(error)) {
    if (it->is_regular_file(error)) files.push_back(it->path());
  }
  if (error) return {};
  std::sort(files.begin(), files.end());
  return files;
}

// The whole file in a buffer of exactly its size (so that AddressSanitizer sees a read past the
// end), or nothing when it cannot be read.
struct Input {
  std::unique_ptr<std::uint8_t[]> bytes;
  std::size_t size = 0;
};

std::optional<Input> ReadInput(const fs::path& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) return std::nullopt;
  const std::streamoff end = in.tellg();
  if (end < 0) return std::nullopt;
  Input input;
  input.size = static_cast<std::size_t>(end);
  input.bytes = std::make_unique<std::uint8_t[]>(input.size);
  in.seekg(0);
  if (!in.read(reinterpret_cast<char*>(input.bytes.get()), static_cast<std::streamsize>(end)))
    return std::nullopt;
  return input;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s FILE-OR-FOLDER...\n", argv[0]);
    return 2;
  }
  std::size_t replayed = 0;
  for (int i = 1; i < argc; ++i) {
    const std::vector<fs::path> files = InputsOf(argv[i]);
    if (files.empty()) {
      std::fprintf(stderr, "replay: %s: no readable input there\n", argv[i]);
      return 1;
    }
    for (const fs::path& file : files) {
      std::fprintf(stderr, "replay: %s\n", file.c_str());
      std::fflush(stderr);
      std::optional<Input> input = ReadInput(file);
      if (!input) {
        std::fprintf(stderr, "replay: %s: cannot read the file\n", file.c_str());
        return 1;
      }
      // The return value carries no verdict (libFuzzer reserves it for corpus hints).
      (void)LLVMFuzzerTestOneInput(input->bytes.get(), input->size);
      ++replayed;
    }
  }
  std::fprintf(stderr, "replay: %zu inputs, no failure\n", replayed);
  return 0;
}
