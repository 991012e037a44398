// Where the program looks for its data: next to the executable in a build tree, under
// PREFIX/share/tovarin for an executable PREFIX/bin/tovarin, found on the real file system.
#include "shell/data_folder.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace tovarin::shell {
namespace {

namespace fs = std::filesystem;

TEST(FolderOfTest, IsThePathUpToItsLastSlash) {
  EXPECT_EQ(FolderOf("/usr/local/bin/tovarin"), "/usr/local/bin");
  EXPECT_EQ(FolderOf("/tovarin"), "/");
  EXPECT_EQ(FolderOf("tovarin"), ".");
  EXPECT_EQ(FolderOf("build/shell/tovarin"), "build/shell");
}

class DataFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("tovarin-data-folder-" + std::to_string(getpid()));
    fs::remove_all(root_);
    fs::create_directories(root_);
  }
  void TearDown() override { fs::remove_all(root_); }
  // Makes `folder`/skins/blue.xpt.
  void PutSkin(const fs::path& folder) {
    fs::create_directories(folder / "skins");
    std::ofstream(folder / "skins" / "blue.xpt") << "TOVARIN-SKIN 1\n";
  }
  fs::path root_;
};

TEST_F(DataFolderTest, BuildTreeKeepsTheDataNextToTheExecutable) {
  PutSkin(root_ / "build" / "shell");
  EXPECT_EQ(DataFolderFor((root_ / "build" / "shell" / "tovarin").string()),
            (root_ / "build" / "shell").string());
}

TEST_F(DataFolderTest, InstallUnderAnyPrefixUsesShareTovarin) {
  PutSkin(root_ / "opt" / "x" / "share" / "tovarin");
  fs::create_directories(root_ / "opt" / "x" / "bin");
  EXPECT_EQ(DataFolderFor((root_ / "opt" / "x" / "bin" / "tovarin").string()),
            (root_ / "opt" / "x" / "share" / "tovarin").string());
}

TEST_F(DataFolderTest, DataNextToTheExecutableWinsOverAnInstalledCopy) {
  PutSkin(root_ / "bin");
  PutSkin(root_ / "share" / "tovarin");
  EXPECT_EQ(DataFolderFor((root_ / "bin" / "tovarin").string()), (root_ / "bin").string());
}

TEST_F(DataFolderTest, NoSkinAnywhereNamesTheExecutablesFolder) {
  // A folder without the skin file does not count as a data folder, even when it exists.
  fs::create_directories(root_ / "share" / "tovarin" / "pictures");
  fs::create_directories(root_ / "bin");
  EXPECT_EQ(DataFolderFor((root_ / "bin" / "tovarin").string()), (root_ / "bin").string());
}

TEST_F(DataFolderTest, SkinThatIsAFolderDoesNotCount) {
  fs::create_directories(root_ / "bin" / "skins" / "blue.xpt");
  PutSkin(root_ / "share" / "tovarin");
  EXPECT_EQ(DataFolderFor((root_ / "bin" / "tovarin").string()),
            (root_ / "share" / "tovarin").string());
}

TEST(RunningExecutableTest, IsThisTestProgram) {
  const std::string executable = RunningExecutable();
  ASSERT_FALSE(executable.empty());
  EXPECT_EQ(executable.front(), '/');
  EXPECT_EQ(fs::path(executable).filename(), "shell_test");
}

}  // namespace
}  // namespace tovarin::shell
