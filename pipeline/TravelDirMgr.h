// The folder-walk pool: five threads, one dropped folder per job.
//
// Threads: Start, Stop and the pause controls run on the user-interface
// thread (the owner); AddJob on the UI thread. Jobs run on the pool's threads.
#pragma once

#include <cstdint>

#include "FTL/CFPoolMgr.h"
#include "pipeline/TravelDirParam.h"
#include "session/COptions.h"

class FileBackupMgr;

class TravelDirMgr : public FTL::CFPoolMgr<TravelDirParam> {
 public:
  static constexpr int32_t kThreads = 5;

  static TravelDirMgr& Instance();

  TravelDirMgr();
  // Jobs work on this store and send with this session.
  TravelDirMgr(FileBackupMgr& store, COptions& options);
  ~TravelDirMgr() override;

  // Creates the pool unless it exists and accepts jobs.
  bool Start() override;
  // Queues a walk with its own copy of the parameter; nothing while not
  // accepting.
  void AddJob(const TravelDirParam& param);
  void Stop();

 private:
  FileBackupMgr& store_;
  COptions& options_;
};
