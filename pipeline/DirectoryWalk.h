// The walk of one dropped folder: counts its files, hands them to the store in
// batches of 101 (each followed by a 150 ms pause), and asks for the remote
// creation of every folder that holds no files and has no such folder below
// it. The pause and stop state is asked for once a listing is open and before
// every further entry, so every listing (one entry, or none) ends with a
// correct answer and every counted file is handed over unless a pause or stop
// really came. A stop seen at any level ends the whole walk, even when the
// pause that caused it is over by the time an outer level would ask again.
//
// Runs on the walking thread (a TravelDirHandler job); the store's operations
// take its lock where they need it.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "FTL/CFJobBase.h"

class FileBackupMgr;

class DirectoryWalk {
 public:
  struct Hooks {
    std::function<FTL::WaitResult()> waitToContinue;
    // After a batch or an unreadable folder went to the store (the job
    // posts WM_WALK_DONE).
    std::function<void()> batchHandedOver;
    // The createPathAction request for a '\'-separated relative path.
    std::function<void(const std::string&)> createPath;
    // The pause after a full batch.
    std::function<void()> pauseAfterBatch;
  };

  static constexpr size_t kBatchSize = 101;

  DirectoryWalk(FileBackupMgr& store, Hooks hooks) : store_(store), hooks_(std::move(hooks)) {}

  void Run(const std::string& path);

 private:
  void Walk(const std::string& folder, bool* reported);
  void LeaveUnreadable(const std::string& folder);
  void HandOver();
  void CreateIfUnknown(const std::string& localRelPath);

  FileBackupMgr& store_;
  Hooks hooks_;
  std::vector<std::string> batch_;
  FTL::WaitResult waitResult_ = FTL::WaitError;
};
