#include "core/folder_lock.h"

#include <cerrno>
#include <string>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace nerovale::files {

WorkingFolderLock::~WorkingFolderLock() {
  if (fd_ >= 0) ::close(fd_);
}

WorkingFolderLock::Outcome WorkingFolderLock::Take(const std::filesystem::path& folder) {
  if (fd_ >= 0) return Outcome::kTaken;
  const auto file = folder / kLockFileName;
  int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
  // A lock file that this user may not write is still a lock: flock needs only an open file.
  if (fd < 0 && (errno == EACCES || errno == EROFS || errno == EPERM)) fd = ::open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return Outcome::kUnavailable;
  while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    const bool held = errno == EWOULDBLOCK;
    ::close(fd);
    return held ? Outcome::kHeld : Outcome::kUnavailable;
  }
  fd_ = fd;
  const std::string pid = std::to_string(::getpid()) + "\n";
  if (::ftruncate(fd_, 0) == 0) static_cast<void>(::pwrite(fd_, pid.data(), pid.size(), 0));
  return Outcome::kTaken;
}

}  // namespace nerovale::files
