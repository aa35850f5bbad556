// A file whose upload failed, with the reason: kept by the upload queue in
// its batch (retried) or permanent failure list.
#pragma once

#include <cstdint>
#include <string>

#include "pipeline/BackupFileRecord.h"

struct FailedUpload {
  static constexpr int32_t kDefaultError = 19;
  static constexpr int32_t kDiskFull = 102008;      // the remote disk is full
  static constexpr int32_t kFileTooLarge = 102009;  // over the service's size limit
  static constexpr int32_t kFolderRefused = -1;     // its remote folder could not be made
  static constexpr int32_t kUnreadable = -2;        // a dropped folder that could not be read
  // Its remote folder could not be made because the service did not answer:
  // retried through the comparison, which makes the folder first.
  static constexpr int32_t kFolderUnanswered = -3;

  BackupFileRecord file;
  int32_t errorCode = kDefaultError;
  // The service's words when it refused the file outright; shown as they are.
  std::string description;

  bool IsPermanent() const {
    return errorCode == kDiskFull || errorCode == kFileTooLarge || errorCode == kFolderRefused ||
           errorCode == kUnreadable;
  }
};
