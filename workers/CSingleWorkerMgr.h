// The shape of a manager that owns exactly one worker thread of its own: the
// lock, the thread handle, the stop flag, Init / Start / CloseThread and the
// constructor and destructor log lines.
//
// The owner stops and joins every worker it started before the memory they
// touch goes: StopAndJoin() in the shut-down order, and a derived destructor
// calls StopAndJoinWorkers() first. A worker blocked in a request is woken by
// the derived WakeWorker(); one that still has not ended after the bound ends
// the process at once rather than let it touch freed memory.
//
// Threads: Init, Start, CloseThread and destruction run on the owner's thread
// (the user-interface thread); WorkerMain runs on the worker thread;
// StopRequested may be read anywhere.
#pragma once

#include <log4cplus/loglevel.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "FTL/CFCriticalSection.h"
#include "FTL/CFExitNet.h"
#include "platform/Event.h"
#include "platform/Thread.h"

class CSingleWorkerMgr {
 public:
  // How long the owner waits for its workers to end before giving up on them.
  static constexpr uint32_t kStopWaitMs = 10000;

  virtual ~CSingleWorkerMgr();
  CSingleWorkerMgr(const CSingleWorkerMgr&) = delete;
  CSingleWorkerMgr& operator=(const CSingleWorkerMgr&) = delete;

  virtual void Init() {}
  // 0 when a worker was started, 1 when one is held already.
  virtual int Start();
  // Gives up the handle without stopping the worker; the worker is still
  // joined when the manager goes.
  virtual int CloseThread();

  // The owner's stop: sets the stop flag, wakes the workers and joins them all.
  void StopAndJoin() { StopAndJoinWorkers(); }
  // The exit net of FTL::ProcessInstance: workers started and never joined.
  void StopLeftRunning();

  bool StopRequested() const { return m_stop.load(); }
  bool HasThread();
  // Workers started and not yet ended (a closed one still counts while it runs).
  int LiveWorkers();

 protected:
  // name: the logger and the class name in the log lines; level: of the
  // constructor and destructor lines; taskNumber: fills "Task[%02d]".
  CSingleWorkerMgr(const char* name, log4cplus::LogLevel level, int taskNumber);

  // The worker procedure (worker thread). Exceptions are caught and logged.
  virtual void WorkerMain() = 0;
  // Owner thread, after the stop flag is set: make a waiting or blocked
  // worker return promptly (set its events, abort its request).
  virtual void WakeWorker() = 0;

  // Under the lock: stop flag = 1. Wakes nothing.
  void SetStopFlag();
  // Sets the stop flag, wakes the workers and joins them all, waiting at most
  // timeoutMs for them to end. Call first in every derived destructor.
  void StopAndJoinWorkers(uint32_t timeoutMs = kStopWaitMs);

  const char* LoggerName() const { return name_.c_str(); }

  FTL::CFCriticalSection m_lock;

 private:
  void RunWorker();  // worker thread
  void WakeAndWait(uint32_t timeoutMs);
  void WaitOrAbandon(uint32_t timeoutMs);

  const std::string name_;
  const log4cplus::LogLevel level_;
  const int taskNumber_;
  std::unique_ptr<platform::Thread> m_thread;              // GUARDED_BY(m_lock)
  std::vector<std::unique_ptr<platform::Thread>> closed_;  // GUARDED_BY(m_lock)
  std::atomic<bool> m_stop{false};
  std::mutex liveLock_;
  int live_ = 0;                          // GUARDED_BY(liveLock_)
  platform::Event allEnded_{true, true};  // set while live_ is 0
};
