// The workers of a run started in their order, each handed to StartedWorkers
// right after its start so that the shut-down stops it: the database writer
// and the digest pool, the storage and the account, then the walk and upload
// pools, the comparison worker with a bounded wait for its first listing of
// the backup root, and the maintenance worker. The program and the headless
// sync tool start the same way.
//
// Threads: the user-interface thread (the store's first listing runs on it).
#pragma once

#include <string>
#include <vector>

#include "platform/Event.h"

class StartedWorkers;

class WorkerStartUp {
 public:
  explicit WorkerStartUp(StartedWorkers& workers) : m_workers(workers) {}

  // The writer and the digest pool, the storage in userDataDir (empty: the
  // default folder) and the account. False when the storage cannot be used.
  bool StartEarly(const std::string& userDataDir);
  // The rest; true when the first listing came within readyWaitMs. Any of
  // endWait signalled ends the wait early (a signal, a client that left).
  bool StartLate(const std::vector<platform::Waitable*>& endWait, int readyWaitMs);

 private:
  StartedWorkers& m_workers;
};
