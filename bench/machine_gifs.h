#pragma once
// The GIF files of this machine's packages, for benchmarks on real pictures.

#include <algorithm>
#include <filesystem>
#include <initializer_list>
#include <vector>

namespace tovarin::bench {

// Every .gif file below `roots`, largest first (then by path, so the order is stable).
inline std::vector<std::filesystem::path> MachineGifs(std::initializer_list<const char*> roots) {
  std::vector<std::filesystem::path> paths;
  for (const char* root : roots) {
    std::error_code error;
    for (auto it = std::filesystem::recursive_directory_iterator(root, error);
         !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
      if (it->path().extension() == ".gif" && it->is_regular_file(error))
        paths.push_back(it->path());
    }
  }
  std::sort(paths.begin(), paths.end(), [](const auto& a, const auto& b) {
    std::error_code e;
    const auto size_a = std::filesystem::file_size(a, e);
    const auto size_b = std::filesystem::file_size(b, e);
    return size_a != size_b ? size_a > size_b : a < b;
  });
  return paths;
}

}  // namespace tovarin::bench
