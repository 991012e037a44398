#include "shell/data_folder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>

namespace tovarin::shell {

namespace {

bool IsRegularFile(const std::string& path) {
  struct stat status {};
  return stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

}  // namespace

std::string FolderOf(const std::string& executable_path) {
  const std::size_t slash = executable_path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return executable_path.substr(0, slash);
}

std::string DataFolderFor(const std::string& executable_path) {
  const std::string beside = FolderOf(executable_path);
  if (IsRegularFile(beside + kSkinFileInDataFolder)) return beside;
  // PREFIX/bin/tovarin -> PREFIX/share/tovarin.
  const std::string prefix = FolderOf(beside);
  const std::string installed = (prefix == "/" ? std::string() : prefix) + "/share/tovarin";
  if (IsRegularFile(installed + kSkinFileInDataFolder)) return installed;
  return beside;
}

std::string RunningExecutable() {
  char path[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) return {};
  return std::string(path, static_cast<std::size_t>(length));
}

}  // namespace tovarin::shell
