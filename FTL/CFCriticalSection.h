// A re-entrant lock: the same thread may take it again while it holds it.
#pragma once

#include <mutex>

#include "FTL/CFLockObject.h"

namespace FTL {

class CFCriticalSection : public CFLockObject {
 public:
  CFCriticalSection() = default;
  CFCriticalSection(const CFCriticalSection&) = delete;
  CFCriticalSection& operator=(const CFCriticalSection&) = delete;

  // The time-out is ignored: the lock waits until it is free.
  bool Lock(uint32_t timeoutMs) override;
  bool Unlock() override;

 private:
  std::recursive_mutex mutex_;
};

}  // namespace FTL
