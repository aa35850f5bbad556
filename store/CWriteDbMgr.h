// The asynchronous database writer: builds the INSERT and DELETE statements
// of the running program. History and configuration are collected in one
// batch per database file and handed to the pool as one CWriteDbHandler
// job; the resume state (txlog) goes to the journal, which commits it in
// order within CResumeJournal::kGatherMs, so that a crash loses no
// unfinished work. A resume row is one per file (or folder) and account: its
// INSERT deletes the row it replaces.
//
// Threads: the builders, the flushes, Start, Drain and StopPool run on the
// user-interface thread only, so the batches need no lock. Jobs run on the
// pool's threads (1 to 5), the journal on its own.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "FTL/CFPoolMgr.h"
#include "store/CResumeJournal.h"
#include "store/CWriteDbParam.h"

class CWriteDbMgr : public FTL::CFPoolMgr<CWriteDbParam> {
 public:
  static constexpr uint32_t kDrainWaitMs = 15000;
  // How long a drop waits for its row before its processing starts anyway.
  static constexpr uint32_t kDropCommitWaitMs = 2000;

  static CWriteDbMgr& Instance();

  CWriteDbMgr();
  ~CWriteDbMgr() override;

  bool Start() override;

  // txlog: the journal
  void AddTxStatus(int status);
  void AddDragDir(const std::string& folderPath);
  void ClearDragDirs();
  // The file's times are read from folder + "/" + name now.
  void AddUndoFile(int64_t fid, int64_t pid, const std::string& name, const std::string& folder,
                   const std::string& digest, int64_t size, int64_t position);
  void RemoveUndoFile(const std::string& name, const std::string& folder);

  // The rows of the work under way, written as it changes rather than only
  // when kvup closes; SetResumeJournal(false) leaves that to the close (a
  // measurement of what the rows cost).
  // Returns once the rows are on disk (at most kDropCommitWaitMs).
  void TrackDragDirs(const std::vector<std::string>& paths);
  void ForgetDragDirs();
  void TrackUndoFile(int64_t fid, int64_t pid, const std::string& name, const std::string& folder,
                     const std::string& digest, int64_t size, int64_t position);
  void ForgetUndoFile(const std::string& name, const std::string& folder);
  void SetResumeJournal(bool on) { m_resumeJournal = on; }

  // log batch: every row is its own job, submitted at once.
  void AddLog(int64_t size, int type, const std::string& name, const std::string& path);

  // The journal commits what it holds at once, without waiting for it.
  void FlushTxlog();
  // Commits the journal and waits for it, at most timeoutMs; true when the
  // rows are on disk.
  bool SyncTxlog(uint32_t timeoutMs);
  void FlushLog();
  void FlushConfig();

  // Waits until every queued and running write job has ended (written, or
  // given up after its attempts) and the journal is committed, at most
  // timeoutMs each; true if they all ended.
  bool Drain(uint32_t timeoutMs = kDrainWaitMs);
  // Shut-down: flushes the three batches, drains, then stops the pool.
  void FlushDrainAndStop();
  // The journal commits what it holds, then the pool stops.
  void StopPool();

  // Statements not on disk yet: the journal's, the log batch.
  std::string TxlogBatch() const { return m_journal.Pending(); }
  const std::string& LogBatch() const { return m_logBatch; }
  int TxlogCount() const { return m_journal.PendingCount(); }

  // Set by the drop window when it closes: later jobs queue behind the
  // waiting ones.
  std::atomic<uint8_t> m_closing{0};

 private:
  void AppendTxlog(const std::string& statement);
  // Submits the batch as one job to the file and empties it. Without a pool
  // the batch is kept for a later flush.
  void Flush(std::string* batch, int* count, const std::string& dbPath);

  CResumeJournal m_journal;
  bool m_resumeJournal = true;
  std::string m_logBatch;
  std::string m_configBatch;  // nothing appends to it; FlushConfig finds it empty
  int32_t m_logCount = 0;
  int32_t m_configCount = 0;
};
