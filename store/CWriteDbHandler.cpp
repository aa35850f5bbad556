#include "store/CWriteDbHandler.h"

#include "util/KvLog.h"

namespace {
const char kLogger[] = "WRDBHDLR";
}

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
    if (!m_db->IsOpen() && !m_db->Open()) {
      KV_DEBUG(kLogger, "CWriteDbHandler::Run: open db failed");
      continue;  // no pause after a failed open
    }
    if (TryWrite()) {
      CloseDb();
      return;
    }
    CloseDb();
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

void CWriteDbHandler::Release() {
  delete param;
  param = nullptr;
  delete this;
}
