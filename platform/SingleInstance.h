// One running copy per user: an exclusive flock on a lock file, held while
// the object holds it. The kernel drops the lock when the holder dies, so a
// crashed copy never locks the next one out.
#pragma once

#include <string>

namespace platform {

class SingleInstanceLock {
 public:
  SingleInstanceLock() = default;
  ~SingleInstanceLock();
  SingleInstanceLock(const SingleInstanceLock&) = delete;
  SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;

  // True once this object holds the lock (also when it held it already).
  // False with last error kErrorAlreadyExists while another holder has it,
  // else with the error of opening the file (a symbolic link is refused).
  bool Acquire(const std::string& path = DefaultPath());
  void Release();
  bool Held() const { return fd_ >= 0; }

  // $XDG_RUNTIME_DIR/kvup.lock, else /tmp/kvup-<uid>.lock.
  static std::string DefaultPath();

 private:
  int fd_ = -1;
};

}  // namespace platform
