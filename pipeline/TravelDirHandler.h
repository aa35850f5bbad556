// The job that walks one dropped folder on a walk pool thread: the files go
// to the store in batches (WM_WALK_DONE after each), folders that hold no
// files are created remotely with createPathAction.
#pragma once

#include <cstdint>
#include <string>

#include "FTL/CFJobBase.h"
#include "pipeline/TravelDirParam.h"
#include "session/COptions.h"

class FileBackupMgr;

class TravelDirHandler : public FTL::CFJobBase<TravelDirParam*> {
 public:
  static constexpr uint32_t kBatchPauseMs = 150;

  // Takes the parameter.
  explicit TravelDirHandler(TravelDirParam* p);
  TravelDirHandler(TravelDirParam* p, FileBackupMgr& store, COptions& options);

  void Run() override;

  // Asks the service to create the '\'-separated path below the backup root;
  // the new folder's id or -2. WM_NETWORK_FAILED to hwnd when unreachable.
  int64_t createPathAction(const std::string& relPath);

 private:
  FileBackupMgr& store_;
  COptions& options_;
};
