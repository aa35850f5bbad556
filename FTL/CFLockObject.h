// The lock interface every lock of the job pool goes through.
#pragma once

#include <cstdint>

namespace FTL {

class CFLockObject {
 public:
  virtual ~CFLockObject() = default;
  // timeoutMs: milliseconds to wait, 0xFFFFFFFF (-1) for no limit.
  virtual bool Lock(uint32_t timeoutMs) = 0;
  virtual bool Unlock() = 0;
};

}  // namespace FTL
