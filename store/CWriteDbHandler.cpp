#include "store/CWriteDbHandler.h"

#include <map>
#include <mutex>

#include "log/KvLog.h"

namespace {

const char kLogger[] = "WRDBHDLR";

// Without a busy time-out, two jobs of this writer on one file make the later
// fail at once; under a burst a batch could lose all nine attempts that way and
// be dropped. One attempt per file at a time leaves only other connections'
// locks to retry for. Namespace scope, so it outlives the writer singleton's pool.
std::mutex fileLocksGuard;
std::map<std::string, std::mutex> fileLocks;  // GUARDED_BY(fileLocksGuard), never shrinks

std::mutex& FileLock(const std::string& path) {
  std::lock_guard<std::mutex> guard(fileLocksGuard);
  return fileLocks[path];
}

}  // namespace

CWriteDbHandler::~CWriteDbHandler() {
  CloseDb();
}

bool CWriteDbHandler::Prepare() {
  m_db = std::make_unique<DBWrapper>(param->dbPath);
  return true;
}

void CWriteDbHandler::Run() {
  int attempt = 1;
  for (;;) {
    if (WaitToContinue() != FTL::WaitContinue) break;
    if (++attempt > kMaxAttempts + 1) {
      KV_DEBUG(kLogger, "CWriteDbHandler::Run: logging failed: %s", param->sql.c_str());
      break;
    }
    std::unique_lock<std::mutex> fileLock(FileLock(param->dbPath));
    if (!m_db->IsOpen() && !m_db->Open()) {
      KV_DEBUG(kLogger, "CWriteDbHandler::Run: open db failed");
      continue;  // no pause after a failed open
    }
    if (TryWrite()) {
      CloseDb();
      return;
    }
    CloseDb();
    fileLock.unlock();
    // The pause ends early when the job or the pool is asked to stop; the
    // wait at the top of the loop then ends the job.
    SleepUnlessStopped(kRetryPauseMs);
  }
  CloseDb();
}

bool CWriteDbHandler::TryWrite() {
  if (!m_db->executeSQL("BEGIN TRANSACTION;")) return false;
  if (m_db->executeSQL(param->sql) && m_db->executeSQL("COMMIT TRANSACTION;")) return true;
  m_db->executeSQL("ROLLBACK TRANSACTION;");
  return false;
}

void CWriteDbHandler::CloseDb() {
  if (m_db && m_db->IsOpen()) m_db->Close();
}
