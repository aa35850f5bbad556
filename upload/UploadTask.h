// One task of the upload list: the record the upload queue keeps per listed
// file, from the moment it leaves the pending records until it ends or is
// deleted. Owned by UploadQueue; the user-interface thread only.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "upload/CUploaderMgr.h"

struct UploadTask {
  int32_t taskIndex = 0;  // "Task[%02d]"; the key the engine's messages carry
  int64_t fid = 0;        // remote file id, 0 until known
  int64_t pid = -2;       // remote folder; -2 once the user deleted the task
  std::string folder;
  std::string name;
  int64_t size = 0;
  int64_t breakPoint = 0;
  std::string hash;
  int32_t state = 0;  // TaskState, as last reported
  std::string message;
  std::shared_ptr<CUploaderMgr> controller;  // created at the first start
  bool userPaused = false;
  // The fid the file was queued with: not 0 when the upload continues or
  // replaces a file the service already had, which a delete must not remove.
  int64_t queuedFid = 0;

  // True when deleting the task may remove its remote file: the user deleted
  // it and the remote file is one this upload created.
  bool OwnsRemoteFile() const { return pid == -2 && fid != 0 && queuedFid == 0; }
};
