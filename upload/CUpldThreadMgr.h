// The upload pool: three threads, so at most three files travel at once.
// Task controllers hand it a task's parameter and state holder; it wraps
// them into an upload job and queues it.
//
// Threads: Start, Stop, Pause and Resume run on the user-interface thread
// (the owner); AddJob on the thread of the controller (also the UI thread).
// Jobs run on the pool's threads.
#pragma once

#include <cstdint>

#include "FTL/CFPoolMgr.h"
#include "upload/CUploadParam.h"

class CUploaderContext;

class CUpldThreadMgr : public FTL::CFPoolMgr<CUploadParam> {
 public:
  static constexpr int32_t kThreads = 3;

  static CUpldThreadMgr& Instance();

  CUpldThreadMgr();
  ~CUpldThreadMgr() override;

  // Queues a job with its own copy of the parameter, priority 1. Without a
  // pool the job is dropped and frees itself; the task keeps its state.
  void AddJob(const CUploadParam& param, CUploaderContext* context);
  void Stop();

  // Holds every upload: running jobs stop before their next chunk (waiting at
  // most 5000 ms), queued jobs wait. Resume lets them go on.
  void Pause();
  void Resume();
  // Pause while accepting, else Resume.
  void pauseToggle() { Accepting() ? Pause() : Resume(); }
  bool PausedThreads() const { return m_pausedThreads; }

 private:
  bool m_pausedThreads = false;  // UI thread only
};
