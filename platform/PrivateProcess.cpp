#include "platform/PrivateProcess.h"

#include <sys/resource.h>
#include <sys/stat.h>

namespace platform {

void MakeProcessPrivate() {
  umask(077);
  const rlimit none{0, 0};
  setrlimit(RLIMIT_CORE, &none);
}

}  // namespace platform
