#include "workers/CEventWorkerMgr.h"

#include "log/KvLog.h"

void CEventWorkerMgr::RequestStop() {
  SetStopFlag();
  wakeEvent.Set();
}

void CEventWorkerMgr::WakeWorker() {
  wakeEvent.Set();
  AbortRequests();
}

void CEventWorkerMgr::WorkerMain() {
  if (StopRequested()) return;
  do {
    const uint32_t r =
        platform::WaitForMultipleObjects({&workEvent, &wakeEvent}, false, platform::kInfinite);
    if (r == platform::kWaitFailed) return;
    if (paused.load()) {
      KV_DEBUG(LoggerName(), "%s: paused, wake put aside", LoggerName());
      continue;
    }
    if (r == platform::kWaitObject0) DoWork();
  } while (!StopRequested());
}
