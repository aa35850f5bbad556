// A single-worker manager whose worker sleeps on two auto-reset events:
// workEvent asks for a round of work, wakeEvent only wakes it (to see the stop
// flag). While paused, wakes do nothing.
//
// Threads: RequestStop and the pause flag are set on the user-interface
// thread; DoWork runs on the worker thread.
#pragma once

#include <atomic>

#include "platform/Event.h"
#include "workers/CSingleWorkerMgr.h"

class CEventWorkerMgr : public CSingleWorkerMgr {
 public:
  // Under the lock: stop flag = 1; then wakes the worker.
  void RequestStop();
  void SetPaused(bool value) { paused = value; }
  bool Paused() const { return paused.load(); }
  // Any thread: asks the worker for a round of work.
  void SignalWork() { workEvent.Set(); }

 protected:
  using CSingleWorkerMgr::CSingleWorkerMgr;

  // Worker thread: one round of the manager's work. Checks StopRequested()
  // between items and returns early once it is set.
  virtual void DoWork() = 0;
  // Owner thread, at stop: abort a request in flight (default: nothing).
  virtual void AbortRequests() {}

  void WorkerMain() override;
  void WakeWorker() override;

  platform::Event workEvent{false, false};
  platform::Event wakeEvent{false, false};
  std::atomic<bool> paused{false};
};
