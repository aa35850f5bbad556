// The digest pool: five threads, one file per job.
//
// Threads: Start, Stop, AddJob and the pause controls run on the
// user-interface thread (the owner). Jobs run on the pool's threads.
#pragma once

#include <cstdint>

#include "FTL/CFPoolMgr.h"
#include "pipeline/CalcShaParam.h"

class ComputeShaMgr : public FTL::CFPoolMgr<CalcShaParam> {
 public:
  static constexpr int32_t kThreads = 5;

  static ComputeShaMgr& Instance();

  ComputeShaMgr();
  ~ComputeShaMgr() override;

  // Creates the pool unless it exists and accepts jobs.
  bool Start() override;
  // Queues a digest of param.path with its own copy of the parameter; false
  // (nothing queued) while not accepting or without a pool.
  bool AddJob(const CalcShaParam& param);
  void Stop();
};
