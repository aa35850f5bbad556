#include "platform/SingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/LastError.h"

namespace platform {

SingleInstanceLock::~SingleInstanceLock() {
  Release();
}

bool SingleInstanceLock::Acquire(const std::string& path) {
  if (fd_ >= 0) return true;
  // O_NOFOLLOW: in a shared /tmp a planted link must not redirect the file.
  const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) {
    SetLastError(ErrorFromErrno(errno));
    return false;
  }
  int rc;
  do {
    rc = flock(fd, LOCK_EX | LOCK_NB);
  } while (rc != 0 && errno == EINTR);
  if (rc != 0) {
    const int err = errno;
    close(fd);
    SetLastError(err == EWOULDBLOCK ? kErrorAlreadyExists : ErrorFromErrno(err));
    return false;
  }
  fd_ = fd;
  return true;
}

void SingleInstanceLock::Release() {
  if (fd_ < 0) return;
  close(fd_);  // the lock goes with the last descriptor
  fd_ = -1;
}

std::string SingleInstanceLock::DefaultPath() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && *runtime != '\0') return std::string(runtime) + "/kvup.lock";
  return "/tmp/kvup-" + std::to_string(getuid()) + ".lock";
}

}  // namespace platform
