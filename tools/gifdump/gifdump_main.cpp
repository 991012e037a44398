// gifdump: runs the GIF engine on a file from the command line.
//
//   gifdump info FILE
//   gifdump frames FILE DIR
//   gifdump export FILE I OUT
//   gifdump play FILE [--min-delay MS] [--stepped MS] [--loops N] [--delay-load N] [--until MS]
//   gifdump bench [--iterations N] FILE...

#include <charconv>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "tools/gifdump/gifdump_commands.h"

namespace {

using namespace tovarin::tools::gifdump;

constexpr char kUsage[] =
    "usage: gifdump info FILE\n"
    "       gifdump frames FILE DIR\n"
    "       gifdump export FILE I OUT\n"
    "       gifdump play FILE [--min-delay MS] [--stepped MS] [--loops N] [--delay-load N] "
    "[--until MS]\n"
    "       gifdump bench [--iterations N] FILE...\n";

template <typename T>
std::optional<T> ParseNumber(const std::string& text) {
  T value{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

int Usage() {
  std::cerr << kUsage;
  return 2;
}

int Play(const std::vector<std::string>& args) {
  if (args.size() < 2) return Usage();
  PlayOptions options;
  for (std::size_t i = 2; i < args.size(); i += 2) {
    if (i + 1 >= args.size()) return Usage();
    const std::string& name = args[i];
    const std::string& value = args[i + 1];
    if (name == "--until") {
      const auto until = ParseNumber<std::uint64_t>(value);
      if (!until) return Usage();
      options.until = *until;
      continue;
    }
    const auto number = ParseNumber<int>(value);
    if (!number || *number < 0) return Usage();
    if (name == "--min-delay") {
      options.min_delay = *number;
    } else if (name == "--stepped") {
      options.stepped = *number;
    } else if (name == "--loops") {
      options.loops = *number;
    } else if (name == "--delay-load" && *number <= 3) {
      options.delay_load = *number;
    } else {
      return Usage();
    }
  }
  return RunPlay(args[1], options, std::cout, std::cerr);
}

int Bench(const std::vector<std::string>& args) {
  int iterations = 5;
  std::vector<std::string> files;
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "--iterations") {
      if (i + 1 >= args.size()) return Usage();
      const auto number = ParseNumber<int>(args[++i]);
      if (!number || *number < 1) return Usage();
      iterations = *number;
    } else {
      files.push_back(args[i]);
    }
  }
  if (files.empty()) return Usage();
  return RunBench(files, iterations, std::cout, std::cerr);
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) return Usage();
  const std::string& command = args[0];
  if (command == "info" && args.size() == 2) return RunInfo(args[1], std::cout, std::cerr);
  if (command == "frames" && args.size() == 3)
    return RunFrames(args[1], args[2], std::cout, std::cerr);
  if (command == "export" && args.size() == 4) {
    const auto frame = ParseNumber<int>(args[2]);
    if (!frame) return Usage();
    return RunExport(args[1], *frame, args[3], std::cout, std::cerr);
  }
  if (command == "play") return Play(args);
  if (command == "bench") return Bench(args);
  return Usage();
}
