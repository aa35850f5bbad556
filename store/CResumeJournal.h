// The writer's path for the resume state (the txlog database): statements
// are committed in the order they were given, by one thread with one
// transaction per burst, so that the rows on disk follow the work within a
// fraction of a second and a later DELETE can never overtake its INSERT.
//
// Threads: Append, CommitSoon, WaitCommitted, Start and Stop may be called
// from any thread; the journal's own thread (started by Start, stopped and
// joined by Stop or the destructor) runs the transactions.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

class CResumeJournal {
 public:
  // Statements of a burst share one transaction; none waits longer.
  static constexpr uint32_t kGatherMs = 200;
  static constexpr uint32_t kRetryPauseMs = 250;  // times the attempt number
  // A batch that fails this often in a row is dropped with its text logged,
  // so that one bad statement cannot hold back every later one.
  static constexpr int kMaxAttempts = 9;

  CResumeJournal() = default;
  ~CResumeJournal();
  CResumeJournal(const CResumeJournal&) = delete;
  CResumeJournal& operator=(const CResumeJournal&) = delete;

  bool Start();
  // Commits what is pending (each batch given its attempts), then joins.
  void Stop();
  bool Running() const;

  void Append(const std::string& dbPath, const std::string& statement);
  // Ends the gathering of the current burst at once.
  void CommitSoon();
  // Commits everything appended so far; true once it is on disk (or was
  // given up), false after timeoutMs or when the journal does not run.
  bool WaitCommitted(uint32_t timeoutMs);

  // Appended and not yet committed (all files).
  std::string Pending() const;
  int PendingCount() const;

 private:
  struct Batch {
    std::string dbPath;
    std::string sql;
    int statements = 0;
    uint64_t lastSeq = 0;  // of its last statement
  };

  void Run();
  // Waits for work; false when stopping with nothing left.
  bool WaitForBurst(std::unique_lock<std::mutex>* lock);
  // Writes the oldest batch with the lock released; false if it failed (it
  // is then pending again, first in line).
  bool CommitFront(std::unique_lock<std::mutex>* lock);
  void DropFront();
  static bool Write(const Batch& batch);

  mutable std::mutex m_mutex;
  std::condition_variable m_wake;
  std::condition_variable m_committed;
  std::deque<Batch> m_pending;  // GUARDED_BY(m_mutex)
  uint64_t m_appendedSeq = 0;   // GUARDED_BY(m_mutex)
  uint64_t m_doneSeq = 0;       // GUARDED_BY(m_mutex)
  bool m_urgent = false;        // GUARDED_BY(m_mutex)
  bool m_stopping = false;      // GUARDED_BY(m_mutex)
  bool m_running = false;       // GUARDED_BY(m_mutex)
  std::thread m_thread;
};
