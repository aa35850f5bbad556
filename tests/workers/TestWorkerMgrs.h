// Managers built on the single-worker shapes, with workers that record what
// they do, for the workers tests.
#pragma once

#include <atomic>

#include "log/KvLog.h"
#include "platform/Event.h"
#include "workers/CEventWorkerMgr.h"
#include "workers/CSingleWorkerMgr.h"

namespace workertest {

// Like the link: its worker waits on its own event and sees the stop flag only
// when that event wakes it.
class WaitingMgr : public CSingleWorkerMgr {
 public:
  WaitingMgr() : CSingleWorkerMgr("TestWaitingMgr", log4cplus::TRACE_LOG_LEVEL, 1) {}
  ~WaitingMgr() override { StopAndJoinWorkers(); }
  using CSingleWorkerMgr::SetStopFlag;
  using CSingleWorkerMgr::StopAndJoinWorkers;
  std::atomic<int> wakes{0};
  std::atomic<bool> ignoreWake{false};
  std::atomic<bool> entered{false};

 protected:
  void WorkerMain() override {
    entered = true;
    while (!StopRequested() || ignoreWake.load()) {
      platform::WaitForSingleObject(wake_, platform::kInfinite);
      ++wakes;
    }
  }
  void WakeWorker() override { wake_.Set(); }

 private:
  platform::Event wake_{false, false};
};

// Like the comparison and maintenance managers: rounds of work on workEvent;
// a round may block in a "request" until it is aborted.
class RoundsMgr : public CEventWorkerMgr {
 public:
  RoundsMgr() : CEventWorkerMgr("TestRoundsMgr", log4cplus::DEBUG_LOG_LEVEL, 2) {}
  ~RoundsMgr() override { StopAndJoinWorkers(); }
  std::atomic<int> rounds{0};
  std::atomic<bool> blockInRequest{false};
  std::atomic<bool> inRequest{false};
  // Receives the round count (read from the manager) once a request returns.
  std::atomic<int>* afterAbort = nullptr;

 protected:
  void DoWork() override {
    ++rounds;
    if (!blockInRequest.load()) return;
    inRequest = true;
    platform::WaitForSingleObject(requestDone_, platform::kInfinite);
    if (afterAbort != nullptr) *afterAbort = rounds.load();
  }
  void AbortRequests() override { requestDone_.Set(); }

 private:
  platform::Event requestDone_{true, false};
};

}  // namespace workertest
