#include "platform/LastError.h"

#include <cerrno>

namespace platform {
namespace {
thread_local uint32_t tLastError = kErrorSuccess;
}

uint32_t GetLastError() {
  return tLastError;
}

void SetLastError(uint32_t code) {
  tLastError = code;
}

uint32_t ErrorFromErrno(int err) {
  switch (err) {
    case 0:
      return kErrorSuccess;
    case ENOENT:
      return kErrorFileNotFound;
    case ENOTDIR:
      return kErrorPathNotFound;
    case EACCES:
    case EPERM:
      return kErrorAccessDenied;
    case EBADF:
      return kErrorInvalidHandle;
    case ENOMEM:
      return kErrorNotEnoughMemory;
    case EEXIST:
      return kErrorAlreadyExists;
    case EINVAL:
      return kErrorInvalidParameter;
    case ETIMEDOUT:
      return kErrorTimeout;
    case EILSEQ:
      return kErrorNoUnicodeTranslation;
    default:
      return static_cast<uint32_t>(err);
  }
}

}  // namespace platform
