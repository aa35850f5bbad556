// The workers a run has started, and their stop at shut-down. Start-up hands
// each manager over right after starting it; StopAll stops them in the fixed
// shut-down order, which is not the reverse of the start: the digest and
// folder-walk pools, the stop requests to the comparison and maintenance
// workers, the upload pool, the database writer (its pending statements
// flushed and written first), the joins of those two workers, the link last.
//
// Threads: the user-interface thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

class ClientInterfaceMgr;
class CompareFileMgr;
class ComputeShaMgr;
class CUpldThreadMgr;
class CWriteDbMgr;
class MiscToolMgr;
class TravelDirMgr;

class StartedWorkers {
 public:
  // How long the shut-down lets the pending database writes run.
  static constexpr uint32_t kWriterDrainMs = 3000;

  // The steps of the shut-down, in their order.
  enum class Step {
    kDigestPool,
    kWalkPool,
    kComparisonStopRequest,
    kMaintenanceStopRequest,
    kUploadPool,
    kDatabaseWriter,
    kComparisonJoin,
    kMaintenanceJoin,
    kLink,
  };

  StartedWorkers() = default;
  // Stops what is still handed over, so that no early return leaves a worker.
  ~StartedWorkers();
  StartedWorkers(const StartedWorkers&) = delete;
  StartedWorkers& operator=(const StartedWorkers&) = delete;

  // Each manager's stop at its steps.
  void Started(ClientInterfaceMgr& link);
  void Started(CWriteDbMgr& writer);
  void Started(ComputeShaMgr& digests);
  void Started(TravelDirMgr& walks);
  void Started(CUpldThreadMgr& uploads);
  void Started(CompareFileMgr& comparison);
  void Started(MiscToolMgr& maintenance);
  // Any other stop at a step.
  void Started(Step step, std::function<void()> stop);

  // Runs every stop once, by step; stops of one step in the order handed over.
  void StopAll();

 private:
  struct Entry {
    Step step;
    std::function<void()> stop;
  };
  std::vector<Entry> m_entries;
};
