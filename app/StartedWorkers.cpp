#include "app/StartedWorkers.h"

#include <algorithm>
#include <utility>

#include "log/KvLog.h"
#include "peer/ClientInterfaceMgr.h"
#include "pipeline/CompareFileMgr.h"
#include "pipeline/ComputeShaMgr.h"
#include "pipeline/MiscToolMgr.h"
#include "pipeline/TravelDirMgr.h"
#include "store/CWriteDbMgr.h"
#include "upload/CUpldThreadMgr.h"

StartedWorkers::~StartedWorkers() {
  StopAll();
}

void StartedWorkers::Started(ClientInterfaceMgr& link) {
  Started(Step::kLink, [&link] {
    link.RequestStop();
    link.CloseThread();
    link.StopAndJoin();
  });
}

void StartedWorkers::Started(CWriteDbMgr& writer) {
  // The pending statements of the three databases are submitted and given
  // the time they take to be written, never more than the writer's bound.
  Started(Step::kDatabaseWriter, [&writer] {
    writer.FlushConfig();
    writer.FlushTxlog();
    writer.FlushLog();
    if (!writer.Drain(kWriterDrainMs))
      KV_ERROR("KVUP", "KVUP database writes still pending after %u ms", kWriterDrainMs);
    writer.StopPool();
  });
}

void StartedWorkers::Started(ComputeShaMgr& digests) {
  Started(Step::kDigestPool, [&digests] { digests.Stop(); });
}

void StartedWorkers::Started(TravelDirMgr& walks) {
  Started(Step::kWalkPool, [&walks] { walks.Stop(); });
}

void StartedWorkers::Started(CUpldThreadMgr& uploads) {
  Started(Step::kUploadPool, [&uploads] { uploads.Stop(); });
}

void StartedWorkers::Started(CompareFileMgr& comparison) {
  Started(Step::kComparisonStopRequest, [&comparison] { comparison.RequestStop(); });
  Started(Step::kComparisonJoin, [&comparison] { comparison.StopAndJoin(); });
}

void StartedWorkers::Started(MiscToolMgr& maintenance) {
  Started(Step::kMaintenanceStopRequest, [&maintenance] { maintenance.RequestStop(); });
  Started(Step::kMaintenanceJoin, [&maintenance] { maintenance.StopAndJoin(); });
}

void StartedWorkers::Started(Step step, std::function<void()> stop) {
  m_entries.push_back({step, std::move(stop)});
}

void StartedWorkers::StopAll() {
  std::vector<Entry> entries;
  entries.swap(m_entries);
  std::stable_sort(entries.begin(), entries.end(),
                   [](const Entry& a, const Entry& b) { return a.step < b.step; });
  for (Entry& entry : entries) entry.stop();
}
