// The single-instance detector.
#include "shell/instance_lock.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

namespace tovarin::shell {
namespace {

std::string TempLockPath(const char* name) {
  const auto dir =
      std::filesystem::temp_directory_path() / ("tovarin-lock-test-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  return (dir / name).string();
}

TEST(InstanceLockTest, FirstHoldsSecondSeesItThirdAfterReleaseHolds) {
  const std::string path = TempLockPath("a.lock");
  auto first = std::make_unique<InstanceLock>(path);
  EXPECT_FALSE(first->AnotherInstanceRunning());
  EXPECT_TRUE(first->Held());
  EXPECT_FALSE(first->AnotherInstanceRunning());  // asking again keeps the lock

  InstanceLock second(path);
  EXPECT_TRUE(second.AnotherInstanceRunning());
  EXPECT_FALSE(second.Held());

  first.reset();
  InstanceLock third(path);
  EXPECT_FALSE(third.AnotherInstanceRunning());
}

TEST(InstanceLockTest, AnotherProcessSeesTheLock) {
  const std::string path = TempLockPath("b.lock");
  InstanceLock mine(path);
  ASSERT_FALSE(mine.AnotherInstanceRunning());
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    InstanceLock theirs(path);
    _exit(theirs.AnotherInstanceRunning() ? 7 : 3);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 7);
}

TEST(InstanceLockTest, UnopenableLockFileCountsAsNoOtherInstance) {
  InstanceLock lock("/nonexistent-folder-for-tovarin/x.lock");
  EXPECT_FALSE(lock.AnotherInstanceRunning());
  EXPECT_FALSE(lock.Held());
}

}  // namespace
}  // namespace tovarin::shell
