// A file whose upload failed, with the reason: kept by the upload queue in
// its batch (retried) or permanent failure list.
#pragma once

#include <cstdint>

#include "pipeline/BackupFileRecord.h"

struct FailedUpload {
  static constexpr int32_t kDefaultError = 19;
  static constexpr int32_t kDiskFull = 102008;      // the remote disk is full
  static constexpr int32_t kFileTooLarge = 102009;  // over the service's size limit

  BackupFileRecord file;
  int32_t errorCode = kDefaultError;

  bool IsPermanent() const { return errorCode == kDiskFull || errorCode == kFileTooLarge; }
};
