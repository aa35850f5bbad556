// The asynchronous database writer: builds the INSERT and DELETE statements
// of the running program, collects them in one batch per database file and
// hands a batch to its pool as one CWriteDbHandler job.
//
// Threads: the builders, the flushes, Start, Drain and StopPool run on the
// user-interface thread only, so the batches need no lock. Jobs run on the
// pool's threads (1 to 5).
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "FTL/CFPoolMgr.h"
#include "store/CWriteDbParam.h"

class CWriteDbMgr : public FTL::CFPoolMgr<CWriteDbParam> {
 public:
  static constexpr int kTxlogBatchSize = 10;
  static constexpr uint32_t kDrainWaitMs = 15000;

  static CWriteDbMgr& Instance();

  CWriteDbMgr();
  ~CWriteDbMgr() override;

  // txlog batch
  void AddTxStatus(int status);
  void AddDragDir(const std::string& folderPath);
  void ClearDragDirs();
  // The file's times are read from folder + "/" + name now.
  void AddUndoFile(int64_t fid, int64_t pid, const std::string& name, const std::string& folder,
                   const std::string& digest, int64_t size, int64_t position);
  // log batch: every row is its own job, submitted at once.
  void AddLog(int64_t size, int type, const std::string& name, const std::string& path);

  void FlushTxlog();
  void FlushLog();
  void FlushConfig();

  // Waits until every queued and running write job has ended (written, or
  // given up after its attempts), at most timeoutMs; true if they all ended.
  bool Drain(uint32_t timeoutMs = kDrainWaitMs);
  // Shut-down: flushes the three batches, drains, then stops the pool.
  void FlushDrainAndStop();
  using CFPoolMgr::StopPool;

  const std::string& TxlogBatch() const { return m_txlogBatch; }
  const std::string& LogBatch() const { return m_logBatch; }
  int TxlogCount() const { return m_txlogCount; }

  // Set by the drop window when it closes: later jobs queue behind the
  // waiting ones.
  std::atomic<uint8_t> m_closing{0};

 private:
  void AppendTxlog(const std::string& statement);
  // Submits the batch as one job to the file and empties it. Without a pool
  // the batch is kept for a later flush.
  void Flush(std::string* batch, int* count, const std::string& dbPath);

  std::string m_txlogBatch;
  std::string m_logBatch;
  std::string m_configBatch;  // nothing appends to it; FlushConfig finds it empty
  int32_t m_txlogCount = 0;
  int32_t m_logCount = 0;
  int32_t m_configCount = 0;
};
