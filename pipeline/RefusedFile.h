// A file the comparison could not place: the remote folder that should
// receive it could not be made. reason: the service's description when it
// refused, empty when it did not answer (the file is then tried again). Or a dropped folder that
// could not be read (unreadable): its files are unknown, so the folder stands for them.
#pragma once

#include <string>

#include "pipeline/BackupFileRecord.h"

struct RefusedFile {
  BackupFileRecord file;
  std::string reason;
  bool unreadable = false;
};
