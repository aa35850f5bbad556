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

}  // namespace

CWriteDbMgr& CWriteDbMgr::Instance() {
  return FTL::ProcessInstance<CWriteDbMgr>();
}

CWriteDbMgr::CWriteDbMgr() : CFPoolMgr(1, 5) {
  KV_TRACE(kLogger, "Task WriteDb: Constructor called. DMGR(0x%08" PRIXPTR ")",
           reinterpret_cast<uintptr_t>(this));
}

CWriteDbMgr::~CWriteDbMgr() = default;

void CWriteDbMgr::AddTxStatus(int status) {
  AppendTxlog("INSERT INTO last_tx_status VALUES(NULL, " + UserId() + "," + std::to_string(status) +
              ");");
}

void CWriteDbMgr::AddDragDir(const std::string& folderPath) {
  AppendTxlog("INSERT INTO drag_dir VALUES(NULL,'" + Text(folderPath) + "'," + UserId() + ");");
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
  AppendTxlog("INSERT INTO undo_files VALUES(NULL, " + std::to_string(size) + "," +
              std::to_string(position) + ",'" + SqlQuote(digest) + "'," + std::to_string(fid) +
              "," + std::to_string(pid) + ",'" + Text(folder) + "','" + Text(name) + "'," +
              std::to_string(ctime) + "," + std::to_string(mtime) + "," + "1" + "," + "0" + "," +
              UserId() + ");");
}

void CWriteDbMgr::AddLog(int64_t size, int type, const std::string& name, const std::string& path) {
  m_logBatch += "INSERT INTO log VALUES(NULL,'" + Text(name) + "','" + Text(path) + "'," +
                std::to_string(size) + "," + std::to_string(type) + "," + UserId() + ");";
  ++m_logCount;
  FlushLog();
}

void CWriteDbMgr::AppendTxlog(const std::string& statement) {
  m_txlogBatch += statement;
  if (++m_txlogCount >= kTxlogBatchSize) FlushTxlog();
}

void CWriteDbMgr::FlushTxlog() {
  Flush(&m_txlogBatch, &m_txlogCount,
        COptions::Instance().DatabasePath(dbschema::Database::kTxlog));
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
  const bool drained = WaitJobsDone(timeoutMs);
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
