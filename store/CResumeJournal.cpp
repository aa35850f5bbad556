#include "store/CResumeJournal.h"

#include <chrono>

#include "log/KvLog.h"
#include "sqlite/DBWrapper.h"

namespace {

const char kLogger[] = "WRDBHDLR";

}  // namespace

CResumeJournal::~CResumeJournal() {
  Stop();
}

bool CResumeJournal::Start() {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (m_running) return true;
  m_stopping = false;
  m_running = true;
  m_thread = std::thread([this] { Run(); });
  return true;
}

void CResumeJournal::Stop() {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_running) return;
    m_stopping = true;
  }
  m_wake.notify_all();
  m_thread.join();
  std::lock_guard<std::mutex> lock(m_mutex);
  m_running = false;
}

bool CResumeJournal::Running() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_running;
}

void CResumeJournal::Append(const std::string& dbPath, const std::string& statement) {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_pending.empty() || m_pending.back().dbPath != dbPath)
      m_pending.push_back(Batch{dbPath, {}, 0, 0});
    Batch& batch = m_pending.back();
    batch.sql += statement;
    ++batch.statements;
    batch.lastSeq = ++m_appendedSeq;
  }
  m_wake.notify_all();
}

void CResumeJournal::CommitSoon() {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_urgent = true;
  }
  m_wake.notify_all();
}

bool CResumeJournal::WaitCommitted(uint32_t timeoutMs) {
  std::unique_lock<std::mutex> lock(m_mutex);
  if (!m_running) return false;
  const uint64_t target = m_appendedSeq;
  m_urgent = true;
  m_wake.notify_all();
  return m_committed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                              [&] { return m_doneSeq >= target; });
}

std::string CResumeJournal::Pending() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  std::string text;
  for (const Batch& batch : m_pending) text += batch.sql;
  return text;
}

int CResumeJournal::PendingCount() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  int count = 0;
  for (const Batch& batch : m_pending) count += batch.statements;
  return count;
}

void CResumeJournal::Run() {
  std::unique_lock<std::mutex> lock(m_mutex);
  int attempts = 0;
  while (WaitForBurst(&lock)) {
    if (CommitFront(&lock)) {
      attempts = 0;
      continue;
    }
    if (++attempts >= kMaxAttempts) {
      DropFront();
      attempts = 0;
      continue;
    }
    // Not cut short by a stop: the batch still gets all its attempts.
    m_wake.wait_for(lock, std::chrono::milliseconds(kRetryPauseMs * attempts));
  }
}

bool CResumeJournal::WaitForBurst(std::unique_lock<std::mutex>* lock) {
  m_wake.wait(*lock, [this] { return m_stopping || !m_pending.empty(); });
  if (m_pending.empty()) return false;
  if (!m_urgent && !m_stopping)
    m_wake.wait_for(*lock, std::chrono::milliseconds(kGatherMs),
                    [this] { return m_urgent || m_stopping; });
  m_urgent = false;
  return true;
}

bool CResumeJournal::CommitFront(std::unique_lock<std::mutex>* lock) {
  Batch batch = std::move(m_pending.front());
  m_pending.pop_front();
  lock->unlock();
  const bool written = Write(batch);
  lock->lock();
  if (!written) {
    m_pending.push_front(std::move(batch));
    return false;
  }
  m_doneSeq = batch.lastSeq;
  m_committed.notify_all();
  return true;
}

void CResumeJournal::DropFront() {
  KV_ERROR(kLogger, "CResumeJournal: resume rows not written after %d attempts: %s", kMaxAttempts,
           m_pending.front().sql.c_str());
  m_doneSeq = m_pending.front().lastSeq;
  m_pending.pop_front();
  m_committed.notify_all();
}

bool CResumeJournal::Write(const Batch& batch) {
  DBWrapper db(batch.dbPath);
  if (!db.Open()) return false;
  if (!db.executeSQL("BEGIN TRANSACTION;")) return false;
  if (db.executeSQL(batch.sql) && db.executeSQL("COMMIT TRANSACTION;")) return true;
  db.executeSQL("ROLLBACK TRANSACTION;");
  return false;
}
