#pragma once
// InstanceLock: tells whether another instance of the program runs, through an advisory lock
// (flock) on a file in the user's runtime folder. The first instance takes the lock and holds
// it as long as the object lives; the kernel lets go of it when the process ends, however it
// ends, so a crashed instance never blocks the next start.

#include <string>

namespace tovarin::shell {

class InstanceLock {
 public:
  // `lock_path`: the lock file (made when missing).
  explicit InstanceLock(std::string lock_path);
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  // Takes the lock unless already held by this object. True when another process (or another
  // InstanceLock on the same file) holds it. A lock file that cannot be opened counts as no
  // other instance: the program rather runs twice than not at all.
  bool AnotherInstanceRunning();
  bool Held() const { return fd_ >= 0; }

 private:
  std::string lock_path_;
  int fd_ = -1;
};

}  // namespace tovarin::shell
