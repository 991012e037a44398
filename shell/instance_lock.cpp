#include "shell/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

namespace tovarin::shell {

InstanceLock::InstanceLock(std::string lock_path) : lock_path_(std::move(lock_path)) {}

InstanceLock::~InstanceLock() {
  if (fd_ >= 0) close(fd_);  // closing the descriptor releases the lock
}

bool InstanceLock::AnotherInstanceRunning() {
  if (fd_ >= 0) return false;
  const int fd = open(lock_path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  int locked;
  do {
    locked = flock(fd, LOCK_EX | LOCK_NB);
  } while (locked != 0 && errno == EINTR);
  if (locked != 0) {
    const bool held_elsewhere = errno == EWOULDBLOCK;
    close(fd);
    return held_elsewhere;
  }
  fd_ = fd;
  return false;
}

}  // namespace tovarin::shell
