// The owner side shared by every pool manager: the pool (created by Start,
// destroyed by StopPool or the destructor), the index of the last queued job,
// the accepting flag and the (empty) pool notifications.
//
// Threads: Start, StopPool, the pause controls and WaitJobsDone run on the
// thread that owns the manager (the user-interface thread); Submit may be
// called from any thread. The notifications run on pool threads.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <typeinfo>

#include "FTL/CFCriticalSection.h"
#include "FTL/CFExitNet.h"
#include "FTL/CFJobBase.h"
#include "FTL/CFScopedLock.h"
#include "FTL/CFThreadPool.h"
#include "FTL/IFThreadPoolCallBack.h"

namespace FTL {

template <typename P>
class CFPoolMgr : public IFThreadPoolCallBack<P*> {
 public:
  using Job = CFJobBase<P*>;
  using Pool = CFThreadPool<P*>;

  void JobStarted(int32_t, Job*) override {}
  void JobFinished(int32_t, Job*) override {}
  void JobCancelled(int32_t, Job*) override {}
  void JobProgress(int32_t, Job*, int32_t, int32_t, int32_t, int32_t) override {}
  void JobError(int32_t, Job*, int32_t, int32_t) override {}

  ~CFPoolMgr() override { DestroyPool(); }
  CFPoolMgr(const CFPoolMgr&) = delete;
  CFPoolMgr& operator=(const CFPoolMgr&) = delete;

  virtual void Init() {}
  // Creates and starts the pool unless one exists; true when a pool runs.
  virtual bool Start() {
    CFScopedLock lock(m_lock);
    if (m_pool) return true;
    m_pool = std::make_unique<Pool>(this);
    return m_pool->Start(minThreads_, maxThreads_);
  }

  int32_t LastJobIndex() {
    CFScopedLock lock(m_lock);
    return lastJobIndex;
  }
  bool HasPool() {
    CFScopedLock lock(m_lock);
    return m_pool != nullptr;
  }
  bool Accepting() const { return m_accepting.load(); }

  // Pause and resume of the pool's jobs; no-ops without a pool.
  int32_t RunningThreadCount() {
    return WithPool(0, [](Pool& p) { return p.RunningThreadCount(); });
  }
  void PulseStop() {
    WithPool(0, [](Pool& p) { return p.PulseStop(), 0; });
  }
  void IgnoreNextStop() {
    WithPool(0, [](Pool& p) { return p.IgnoreNextStop(), 0; });
  }
  // The drop window's pause of a digest or walk pool: while accepting, the
  // running jobs are told to stop and new jobs are refused; else the next
  // stop is ignored and jobs are taken again. Nothing without a pool.
  void pauseToggle() {
    if (!HasPool()) return;
    if (Accepting()) {
      if (RunningThreadCount() > 0) PulseStop();
      SetAccepting(false);
    } else {
      IgnoreNextStop();
      SetAccepting(true);
    }
  }
  // The waits below run without the lock, so that jobs can still submit; only
  // the owner's thread destroys the pool, so it stays valid meanwhile.
  bool PauseAndWait() {
    Pool* pool = CurrentPool();
    return pool != nullptr && pool->PauseAndWait();
  }
  // Waits at most timeoutMs until no job of the pool waits or runs; true also
  // when there is no pool.
  bool WaitJobsDone(uint32_t timeoutMs) {
    Pool* pool = CurrentPool();
    return pool == nullptr || pool->WaitJobsDone(timeoutMs);
  }

  // The exit net of ProcessInstance: a pool its owner left running.
  void StopLeftRunning() {
    if (HasPool()) CatchLeftRunning(typeid(*this), [this] { StopPool(); });
  }

 protected:
  CFPoolMgr(int32_t minThreads, int32_t maxThreads)
      : minThreads_(minThreads), maxThreads_(maxThreads) {}

  // Queues the job with the priority; without a pool the job is refused and
  // cancelled (it frees itself). Any thread.
  bool Submit(Job* job, int32_t priority) {
    job->priority = priority;
    {
      CFScopedLock lock(m_lock);
      if (m_pool) return m_pool->QueueJob(job, &lastJobIndex);
    }
    job->Cancel();
    return false;
  }

  // Stops the pool's threads (at most 5000 ms for them to see the stop), then
  // destroys the pool, which waits out a job still running.
  void StopPool() {
    std::unique_ptr<Pool> pool = TakePool();
    if (!pool) return;
    if (pool->RunningThreadCount() > 0) {
      pool->SignalStop();
      pool->WaitThreadsExit();
    }
  }

  void SetAccepting(bool accepting) { m_accepting = accepting; }

  CFCriticalSection m_lock;

 private:
  Pool* CurrentPool() {
    CFScopedLock lock(m_lock);
    return m_pool.get();
  }
  std::unique_ptr<Pool> TakePool() {
    CFScopedLock lock(m_lock);
    return std::move(m_pool);
  }
  void DestroyPool() {
    std::unique_ptr<Pool> pool = TakePool();
    if (!pool) return;
    pool->SignalStop();
    pool->WaitThreadsExit();
    CFScopedLock lock(m_lock);
    lastJobIndex = -1;
  }
  template <typename R, typename F>
  R WithPool(R none, F f) {
    CFScopedLock lock(m_lock);
    return m_pool ? f(*m_pool) : none;
  }

  const int32_t minThreads_;
  const int32_t maxThreads_;
  int32_t lastJobIndex = -1;     // GUARDED_BY(m_lock)
  std::unique_ptr<Pool> m_pool;  // GUARDED_BY(m_lock)
  std::atomic<bool> m_accepting{false};
};

}  // namespace FTL
