// A file the comparison could not place: the remote folder that should
// receive it could not be made. reason: the service's description when it
// refused, empty when it did not answer.
#pragma once

#include <string>

#include "pipeline/BackupFileRecord.h"

struct RefusedFile {
  BackupFileRecord file;
  std::string reason;
};
