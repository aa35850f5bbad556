#include "store/CWriteDbMgr.h"

#include <cinttypes>

#include "log/KvLog.h"
#include "session/COptions.h"
#include "session/SqlQuote.h"
#include "store/CWriteDbHandler.h"
#include "util/CommonUtils.h"

namespace {

const char kLogger[] = "WriteDbMGR";

std::string UserId() {
  return std::to_string(COptions::Instance().m_userId);
}

// A text of the program's code page, as it goes between the quotes.
std::string Text(const std::string& text) {
  return SqlQuote(SystemToUtf8(text));
}

// Paths are compared byte for byte: the columns' NOCASE would let one file's
// row replace another's whose name differs only in case.
std::string UndoFileKey(const std::string& name, const std::string& folder) {
  return "userid=" + UserId() + " AND path='" + Text(folder) + "' COLLATE BINARY AND name='" +
         Text(name) + "' COLLATE BINARY";
}

}  // namespace

CWriteDbMgr& CWriteDbMgr::Instance() {
  return FTL::ProcessInstance<CWriteDbMgr>();
}

CWriteDbMgr::CWriteDbMgr() : CFPoolMgr(1, 5) {
  KV_TRACE(kLogger, "Task WriteDb: Constructor called. DMGR(0x%08" PRIXPTR ")",
           reinterpret_cast<uintptr_t>(this));
}

CWriteDbMgr::~CWriteDbMgr() {
  m_journal.Stop();
}

bool CWriteDbMgr::Start() {
  return CFPoolMgr::Start() && m_journal.Start();
}

void CWriteDbMgr::AddTxStatus(int status) {
  AppendTxlog("DELETE FROM last_tx_status where userid=" + UserId() +
              ";INSERT INTO last_tx_status VALUES(NULL, " + UserId() + "," +
              std::to_string(status) + ");");
}

void CWriteDbMgr::AddDragDir(const std::string& folderPath) {
  const std::string path = Text(folderPath);
  AppendTxlog("DELETE FROM drag_dir where userid=" + UserId() + " AND path='" + path +
              "' COLLATE BINARY;INSERT INTO drag_dir VALUES(NULL,'" + path + "'," + UserId() +
              ");");
}

void CWriteDbMgr::ClearDragDirs() {
  AppendTxlog("DELETE FROM drag_dir where userid=" + UserId() + ";");
}

void CWriteDbMgr::AddUndoFile(int64_t fid, int64_t pid, const std::string& name,
                              const std::string& folder, const std::string& digest, int64_t size,
                              int64_t position) {
  int64_t ctime = 1;
  int64_t mtime = 0;
  if (!ReadFileTimes(folder + "/" + name, &ctime, &mtime)) {
    ctime = 1;
    mtime = 0;
  }
  AppendTxlog("DELETE FROM undo_files where " + UndoFileKey(name, folder) +
              ";INSERT INTO undo_files VALUES(NULL, " + std::to_string(size) + "," +
              std::to_string(position) + ",'" + SqlQuote(digest) + "'," + std::to_string(fid) +
              "," + std::to_string(pid) + ",'" + Text(folder) + "','" + Text(name) + "'," +
              std::to_string(ctime) + "," + std::to_string(mtime) + "," + "1" + "," + "0" + "," +
              UserId() + ");");
}

void CWriteDbMgr::RemoveUndoFile(const std::string& name, const std::string& folder) {
  AppendTxlog("DELETE FROM undo_files where " + UndoFileKey(name, folder) + ";");
}

void CWriteDbMgr::TrackDragDirs(const std::vector<std::string>& paths) {
  if (!m_resumeJournal || paths.empty()) return;
  for (const std::string& path : paths) AddDragDir(path);
  if (!SyncTxlog(kDropCommitWaitMs))
    KV_ERROR(kLogger, "CWriteDbMgr: %d drops not on disk after %u ms",
             static_cast<int>(paths.size()), kDropCommitWaitMs);
}

void CWriteDbMgr::ForgetDragDirs() {
  if (m_resumeJournal) ClearDragDirs();
}

void CWriteDbMgr::TrackUndoFile(int64_t fid, int64_t pid, const std::string& name,
                                const std::string& folder, const std::string& digest, int64_t size,
                                int64_t position) {
  if (m_resumeJournal) AddUndoFile(fid, pid, name, folder, digest, size, position);
}

void CWriteDbMgr::ForgetUndoFile(const std::string& name, const std::string& folder) {
  if (m_resumeJournal) RemoveUndoFile(name, folder);
}

void CWriteDbMgr::AddLog(int64_t size, int type, const std::string& name, const std::string& path) {
  m_logBatch += "INSERT INTO log VALUES(NULL,'" + Text(name) + "','" + Text(path) + "'," +
                std::to_string(size) + "," + std::to_string(type) + "," + UserId() + ");";
  ++m_logCount;
  FlushLog();
}

void CWriteDbMgr::AppendTxlog(const std::string& statement) {
  m_journal.Append(COptions::Instance().DatabasePath(dbschema::Database::kTxlog), statement);
}

void CWriteDbMgr::FlushTxlog() {
  m_journal.CommitSoon();
}

bool CWriteDbMgr::SyncTxlog(uint32_t timeoutMs) {
  return m_journal.WaitCommitted(timeoutMs);
}

void CWriteDbMgr::FlushLog() {
  Flush(&m_logBatch, &m_logCount, COptions::Instance().DatabasePath(dbschema::Database::kLog));
}

void CWriteDbMgr::FlushConfig() {
  Flush(&m_configBatch, &m_configCount,
        COptions::Instance().DatabasePath(dbschema::Database::kConfig));
}

void CWriteDbMgr::Flush(std::string* batch, int* count, const std::string& dbPath) {
  if (batch->empty()) return;
  if (!HasPool()) {
    KV_DEBUG(kLogger, "CWriteDbMgr: no pool, %d statements kept for a later flush", *count);
    return;
  }
  auto* job = new CWriteDbHandler(new CWriteDbParam{dbPath, *batch});
  Submit(job, m_closing.load() ? 0 : -1);
  batch->clear();
  *count = 0;
}

bool CWriteDbMgr::Drain(uint32_t timeoutMs) {
  const bool committed = !m_journal.Running() || m_journal.WaitCommitted(timeoutMs);
  const bool drained = WaitJobsDone(timeoutMs) && committed;
  if (!drained) KV_ERROR(kLogger, "CWriteDbMgr: writes still pending after %u ms", timeoutMs);
  return drained;
}

void CWriteDbMgr::FlushDrainAndStop() {
  FlushConfig();
  FlushTxlog();
  FlushLog();
  Drain();
  StopPool();
}

void CWriteDbMgr::StopPool() {
  m_journal.Stop();
  CFPoolMgr::StopPool();
}
