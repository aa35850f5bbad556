#include "app/WorkerStartUp.h"

#include "app/StartedWorkers.h"
#include "log/KvLog.h"
#include "pipeline/CompareFileMgr.h"
#include "pipeline/ComputeShaMgr.h"
#include "pipeline/MiscToolMgr.h"
#include "pipeline/TravelDirMgr.h"
#include "session/COptions.h"
#include "store/CWriteDbMgr.h"
#include "upload/CUpldThreadMgr.h"

namespace {

// Init, then Start, then the stop in the shut-down order; false when the
// manager could not start.
template <typename Manager>
bool StartPool(Manager& manager, StartedWorkers& workers) {
  manager.Init();
  const bool started = manager.Start();
  workers.Started(manager);
  if (!started) KV_ERROR("KVUP", "KVUP a worker pool did not start");
  return started;
}

template <typename Manager>
bool StartWorker(Manager& manager, StartedWorkers& workers) {
  manager.Init();
  const bool started = manager.Start() == 0;
  workers.Started(manager);
  if (!started) KV_ERROR("KVUP", "KVUP a worker thread did not start");
  return started;
}

}  // namespace

bool WorkerStartUp::StartEarly(const std::string& userDataDir) {
  StartPool(CWriteDbMgr::Instance(), m_workers);
  StartPool(ComputeShaMgr::Instance(), m_workers);
  COptions& options = COptions::Instance();
  options.m_userDataOverride = userDataDir;
  if (!options.LoadStorage()) return false;
  if (!options.FindUser()) options.AddUser();
  return true;
}

bool WorkerStartUp::StartLate(const std::vector<platform::Waitable*>& endWait, int readyWaitMs) {
  StartPool(TravelDirMgr::Instance(), m_workers);
  StartPool(CUpldThreadMgr::Instance(), m_workers);
  CompareFileMgr& compare = CompareFileMgr::Instance();
  const bool comparing = StartWorker(compare, m_workers);
  // Unbounded, an unreachable service would leave kvup without windows.
  std::vector<platform::Waitable*> wakers{&compare.readyEvent};
  wakers.insert(wakers.end(), endWait.begin(), endWait.end());
  const uint32_t woken = comparing ? platform::WaitForMultipleObjects(
                                         wakers, false, static_cast<uint32_t>(readyWaitMs))
                                   : platform::kWaitTimeout;
  StartWorker(MiscToolMgr::Instance(), m_workers);
  if (woken == platform::kWaitObject0) return true;
  if (woken == platform::kWaitTimeout) {
    KV_ERROR("KVUP", "KVUP no listing of the backup root within %d ms: the windows open offline",
             readyWaitMs);
  }
  return false;
}
