#include "FTL/CFCriticalSection.h"

namespace FTL {

bool CFCriticalSection::Lock(uint32_t /*timeoutMs*/) {
  mutex_.lock();
  return true;
}

bool CFCriticalSection::Unlock() {
  mutex_.unlock();
  return true;
}

}  // namespace FTL
