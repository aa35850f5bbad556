// Holds a lock for the life of a scope.
#pragma once

#include "FTL/CFLockObject.h"

namespace FTL {

class CFScopedLock {
 public:
  explicit CFScopedLock(CFLockObject& lock) : lock_(lock) { lock_.Lock(0xFFFFFFFFu); }
  ~CFScopedLock() { lock_.Unlock(); }
  CFScopedLock(const CFScopedLock&) = delete;
  CFScopedLock& operator=(const CFScopedLock&) = delete;

 private:
  CFLockObject& lock_;
};

}  // namespace FTL
