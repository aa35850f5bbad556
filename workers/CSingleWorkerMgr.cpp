#include "workers/CSingleWorkerMgr.h"

#include <cinttypes>
#include <cstdlib>
#include <exception>
#include <typeinfo>

#include "FTL/CFScopedLock.h"
#include "log/KvLog.h"

CSingleWorkerMgr::CSingleWorkerMgr(const char* name, log4cplus::LogLevel level, int taskNumber)
    : name_(name), level_(level), taskNumber_(taskNumber) {
  KV_LOG(level_, name, "Task %s: Constructor called. DMGR(0x%08" PRIXPTR ")", name,
         reinterpret_cast<uintptr_t>(this));
}

CSingleWorkerMgr::~CSingleWorkerMgr() {
  // A derived destructor has joined already; this only catches one that did not.
  if (LiveWorkers() > 0) {
    KV_ERROR(name_.c_str(), "Task[%02d] worker still running at destruction", taskNumber_);
    m_stop = true;
    WaitOrAbandon(kStopWaitMs);
  }
  {
    FTL::CFScopedLock lock(m_lock);
    if (m_thread) m_thread->Join();
    for (auto& t : closed_) t->Join();
  }
  const uintptr_t self = reinterpret_cast<uintptr_t>(this);
  KV_LOG(level_, name_.c_str(), " Before ~DMGR(0x%08" PRIXPTR ")", self);
  KV_LOG(level_, name_.c_str(), "After  ~DMGR(0x%08" PRIXPTR ")", self);
}

int CSingleWorkerMgr::Start() {
  {
    FTL::CFScopedLock lock(m_lock);
    if (m_thread) {
      KV_DEBUG(name_.c_str(), "Task[%02d] can't be started, because the thread handle still exist.",
               taskNumber_);
      return 1;
    }
  }
  {
    std::lock_guard<std::mutex> live(liveLock_);
    if (live_++ == 0) allEnded_.Reset();
  }
  auto thread = std::make_unique<platform::Thread>([this] { RunWorker(); });
  KV_DEBUG(name_.c_str(), "Task[%02d] worker thread started, Thread ID=%d", taskNumber_,
           static_cast<int>(thread->Id()));
  platform::Thread* started = thread.get();
  {
    FTL::CFScopedLock lock(m_lock);
    m_thread = std::move(thread);
  }
  if (!started->Start()) {
    // Never ran, so its body will not count itself out; the handle stays empty.
    {
      FTL::CFScopedLock lock(m_lock);
      m_thread.reset();
    }
    std::lock_guard<std::mutex> live(liveLock_);
    if (--live_ == 0) allEnded_.Set();
  }
  return 0;
}

int CSingleWorkerMgr::CloseThread() {
  FTL::CFScopedLock lock(m_lock);
  if (m_thread) closed_.push_back(std::move(m_thread));
  return 0;
}

void CSingleWorkerMgr::StopLeftRunning() {
  bool held = false;
  {
    FTL::CFScopedLock lock(m_lock);
    held = m_thread != nullptr || !closed_.empty();
  }
  if (held) FTL::CatchLeftRunning(typeid(*this), [this] { StopAndJoinWorkers(); });
}

bool CSingleWorkerMgr::HasThread() {
  FTL::CFScopedLock lock(m_lock);
  return m_thread != nullptr;
}

int CSingleWorkerMgr::LiveWorkers() {
  std::lock_guard<std::mutex> live(liveLock_);
  return live_;
}

void CSingleWorkerMgr::SetStopFlag() {
  FTL::CFScopedLock lock(m_lock);
  m_stop = true;
}

void CSingleWorkerMgr::StopAndJoinWorkers(uint32_t timeoutMs) {
  SetStopFlag();
  WakeAndWait(timeoutMs);
  FTL::CFScopedLock lock(m_lock);
  if (m_thread) m_thread->Join();
  for (auto& t : closed_) t->Join();
  closed_.clear();
  m_thread.reset();
}

void CSingleWorkerMgr::WakeAndWait(uint32_t timeoutMs) {
  // A wake may be taken by one of several workers (a closed one still runs),
  // or come before a worker waits: repeat it until all have ended.
  constexpr uint32_t kSliceMs = 20;
  for (uint32_t waited = 0; waited < timeoutMs; waited += kSliceMs) {
    WakeWorker();
    if (platform::WaitForSingleObject(allEnded_, kSliceMs) == platform::kWaitObject0) return;
  }
  WaitOrAbandon(0);
}

void CSingleWorkerMgr::WaitOrAbandon(uint32_t timeoutMs) {
  if (platform::WaitForSingleObject(allEnded_, timeoutMs) == platform::kWaitObject0) return;
  // Its memory is about to go while it still runs: end the process now rather
  // than let it read freed memory.
  KV_FATAL(name_.c_str(), "Task[%02d] worker did not end within %u ms, ending the process",
           taskNumber_, timeoutMs);
  std::_Exit(0);
}

void CSingleWorkerMgr::RunWorker() {
  try {
    WorkerMain();
  } catch (const std::exception& e) {
    KV_ERROR(name_.c_str(), "Task[%02d] worker failed: %s", taskNumber_, e.what());
  } catch (...) {
    KV_ERROR(name_.c_str(), "Task[%02d] worker failed", taskNumber_);
  }
  std::lock_guard<std::mutex> live(liveLock_);
  if (--live_ == 0) allEnded_.Set();
}
