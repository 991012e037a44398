#pragma once
// Where the program's data lies: the skin (skins/blue.xpt), the generated pictures (pictures/)
// and the font configuration (fonts/fonts.conf).
//
// The folder is found from the executable's own location, never from a path fixed at build
// time, so a build tree, an install under any prefix and a package all work after being moved:
//   - next to the executable, when that folder holds skins/blue.xpt (the build tree);
//   - else `PREFIX/share/tovarin` for an executable PREFIX/bin/tovarin (an install under any
//     prefix).
// When neither holds the skin, the folder next to the executable is returned, so the start
// fails with the error report naming the missing skin file.

#include <string>

namespace tovarin::shell {

// The file whose presence marks a data folder.
inline constexpr const char* kSkinFileInDataFolder = "/skins/blue.xpt";

// The folder holding `executable_path` ("." for a bare file name). Pure.
std::string FolderOf(const std::string& executable_path);

// The data folder for the executable at `executable_path` (an absolute path), by the rule
// above; looks at the file system.
std::string DataFolderFor(const std::string& executable_path);

// The absolute path of the running executable (/proc/self/exe); empty when it cannot be read.
std::string RunningExecutable();

}  // namespace tovarin::shell
