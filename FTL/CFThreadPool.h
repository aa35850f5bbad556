// A pool of worker threads running queued jobs by priority, then by arrival.
//
// Threads: QueueJob and the controls are called from any thread; jobs and the
// callback's notifications run on the pool's own threads. Lock order:
// waitingLock before runningJobLock, waitingLock before threadsLock;
// runningJobLock is never held while another lock is taken. The destructor
// joins every thread the pool started, so no thread outlives the pool.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <set>
#include <thread>
#include <vector>

#include "FTL/CFCriticalSection.h"
#include "FTL/CFJobBase.h"
#include "FTL/CFScopedLock.h"
#include "FTL/IFThreadPoolCallBack.h"
#include "log/KvLog.h"
#include "platform/Event.h"
#include "platform/LastError.h"
#include "platform/MessageQueue.h"

namespace FTL {

template <typename T>
class CFThreadPool {
 public:
  static constexpr uint32_t kExitWaitMs = 5000;

  explicit CFThreadPool(IFThreadPoolCallBack<T>* callback) : callback(callback) {}
  virtual ~CFThreadPool();
  CFThreadPool(const CFThreadPool&) = delete;
  CFThreadPool& operator=(const CFThreadPool&) = delete;

  bool Start(int32_t minCount, int32_t maxCount);
  // Any thread. The pool takes the job; jobIndexOut (optional) receives its
  // index while the queue lock is held.
  bool QueueJob(CFJobBase<T>* job, int32_t* jobIndexOut = nullptr);
  // Waits at most 5000 ms for every thread to end; forgets the threads anyway.
  bool WaitThreadsExit();
  // Ends every thread that waits or wakes, whatever pause is in force: a
  // pulse left by a pause would otherwise make idle threads swallow the stop.
  void SignalStop() {
    exiting = true;
    stopMode = 0;
    stopEvent.Set();
  }
  void PulseStop() {
    stopMode = 1;
    stopEvent.Set();
  }
  void IgnoreNextStop() { stopMode = 2; }
  // Pulses the stop, asks the running jobs to stop at their next wait and
  // waits at most 5000 ms until none runs.
  bool PauseAndWait();
  bool CancelWaitingJobs();
  int32_t RunningThreadCount() const { return runningThreads.load(); }
  // Waits at most timeoutMs until no job waits or runs; true if so.
  bool WaitJobsDone(uint32_t timeoutMs) {
    return platform::WaitForSingleObject(jobsDoneEvent, timeoutMs) == platform::kWaitObject0;
  }

  int32_t StopMode() const { return stopMode.load(); }
  size_t ThreadCount();
  size_t WaitingJobCount();
  platform::Event& StopEvent() { return stopEvent; }
  platform::Event& ContinueEvent() { return continueEvent; }

 private:
  struct Worker {
    std::thread thread;
    std::atomic<bool> ended{false};
  };
  enum class Fetched { kJob, kAgain, kExitOne, kStop };
  struct JobOrder {
    bool operator()(const CFJobBase<T>* a, const CFJobBase<T>* b) const {
      if (a->priority != b->priority) return a->priority < b->priority;
      return a->jobIndex < b->jobIndex;
    }
  };

  bool AddThreads(int32_t n);  // REQUIRES: threadsLock held.
  void ReapEndedWorkers();     // REQUIRES: threadsLock held.
  void JoinAllWorkers();
  void WorkerProc(Worker* self);  // pool thread
  void WorkerLoop();              // pool thread
  Fetched Fetch(CFJobBase<T>** job);
  void RunJob(CFJobBase<T>* job);
  // No exception leaves a pool thread.
  template <typename F>
  bool GuardedCall(int32_t jobIndex, F f);
  void AfterJob(int32_t jobIndex);
  void UpdateJobsDone();  // REQUIRES: waitingLock held.

  int32_t minThreads = 0;  // GUARDED_BY(threadsLock)
  int32_t maxThreads = 1;  // GUARDED_BY(threadsLock)
  IFThreadPoolCallBack<T>* const callback;
  int32_t lastJobIndex = 0;  // GUARDED_BY(waitingLock)
  // Written by the controlling thread, read by workers woken by stopEvent.
  std::atomic<int32_t> stopMode{0};
  std::atomic<bool> exiting{false};  // set by SignalStop, never cleared
  std::atomic<int32_t> runningJobs{0};
  std::atomic<int32_t> runningThreads{0};
  std::map<std::thread::id, Worker*> threads;      // GUARDED_BY(threadsLock)
  std::list<std::unique_ptr<Worker>> workers_;     // GUARDED_BY(threadsLock)
  std::set<CFJobBase<T>*, JobOrder> waitingJobs;   // GUARDED_BY(waitingLock)
  std::map<int32_t, CFJobBase<T>*> runningJobMap;  // GUARDED_BY(runningJobLock)
  platform::Event stopEvent{true, false};
  platform::Event allThreadsExitedEvent{true, true};
  platform::Event continueEvent{true, true};
  // Set while no job waits or runs; changed under waitingLock.
  platform::Event jobsDoneEvent{true, true};
  platform::Semaphore jobSemaphore{0, 0x7FFFFFFF};
  platform::Semaphore exitOneSemaphore{0, 0x7FFFFFFF};
  CFCriticalSection runningJobLock;
  CFCriticalSection waitingLock;
  CFCriticalSection threadsLock;
};

template <typename T>
CFThreadPool<T>::~CFThreadPool() {
  // A paused pool would keep its threads serving: destruction always ends them.
  SignalStop();
  if (!WaitThreadsExit()) KV_DEBUG("", "thread pool: a job still runs, waiting for it to end");
  CancelWaitingJobs();
  JoinAllWorkers();
}

template <typename T>
bool CFThreadPool<T>::Start(int32_t minCount, int32_t maxCount) {
  CFScopedLock lock(threadsLock);
  minThreads = minCount;
  maxThreads = maxCount;
  exiting = false;
  stopEvent.Reset();
  continueEvent.Set();
  return AddThreads(minThreads);
}

template <typename T>
bool CFThreadPool<T>::AddThreads(int32_t n) {
  ReapEndedWorkers();
  if (static_cast<int64_t>(threads.size()) + n > maxThreads) {
    platform::SetLastError(platform::kErrorInvalidParameter);
    return false;
  }
  for (int32_t i = 0; i < n; ++i) {
    auto worker = std::make_unique<Worker>();
    try {
      worker->thread = std::thread(&CFThreadPool::WorkerProc, this, worker.get());
    } catch (const std::system_error&) {
      continue;  // a thread that cannot start is skipped
    }
    threads[worker->thread.get_id()] = worker.get();
    workers_.push_back(std::move(worker));
  }
  return true;
}

template <typename T>
void CFThreadPool<T>::ReapEndedWorkers() {
  for (auto it = workers_.begin(); it != workers_.end();) {
    if (!(*it)->ended.load()) {
      ++it;
      continue;
    }
    (*it)->thread.join();
    it = workers_.erase(it);
  }
}

template <typename T>
void CFThreadPool<T>::JoinAllWorkers() {
  std::list<std::unique_ptr<Worker>> all;
  {
    CFScopedLock lock(threadsLock);
    all.swap(workers_);
  }
  // Outside the lock: an ending worker still takes it.
  for (auto& worker : all) platform::JoinServingSends(worker->thread, worker->ended);
}

template <typename T>
void CFThreadPool<T>::WorkerProc(Worker* self) {
  if (++runningThreads == 1) allThreadsExitedEvent.Reset();
  WorkerLoop();
  if (--runningThreads == 0) allThreadsExitedEvent.Set();
  self->ended = true;
}

template <typename T>
void CFThreadPool<T>::WorkerLoop() {
  for (;;) {
    CFJobBase<T>* job = nullptr;
    switch (Fetch(&job)) {
      case Fetched::kJob:
        RunJob(job);
        break;
      case Fetched::kAgain:
        break;
      case Fetched::kExitOne: {
        CFScopedLock lock(threadsLock);
        threads.erase(std::this_thread::get_id());
        return;
      }
      case Fetched::kStop:
        return;  // the entry stays until WaitThreadsExit
    }
  }
}

template <typename T>
typename CFThreadPool<T>::Fetched CFThreadPool<T>::Fetch(CFJobBase<T>** job) {
  const uint32_t r = platform::WaitForMultipleObjects(
      {&stopEvent, &jobSemaphore, &exitOneSemaphore}, false, platform::kInfinite);
  if (r == platform::kWaitObject0) {
    if (exiting.load()) return Fetched::kStop;
    const int32_t mode = stopMode.load();
    if (mode == 0) return Fetched::kStop;
    if (mode == 1) {
      stopEvent.Reset();
      // A stop that came while the pulse was taken must not be lost with it.
      if (exiting.load()) {
        stopEvent.Set();
        return Fetched::kStop;
      }
    } else {
      stopMode = 0;
    }
    return Fetched::kAgain;
  }
  if (r == platform::kWaitObject0 + 1) {
    CFScopedLock lock(waitingLock);
    // CancelWaitingJobs may have given up waiting for this count and taken the job.
    if (waitingJobs.empty()) return Fetched::kAgain;
    *job = *waitingJobs.begin();
    waitingJobs.erase(waitingJobs.begin());
    CFScopedLock runningLock(runningJobLock);
    runningJobMap[(*job)->jobIndex] = *job;
    return Fetched::kJob;
  }
  if (r == platform::kWaitObject0 + 2) return Fetched::kExitOne;
  return Fetched::kStop;
}

template <typename T>
void CFThreadPool<T>::RunJob(CFJobBase<T>* job) {
  ++runningJobs;
  const int32_t index = job->jobIndex;
  if (GuardedCall(index, [job] { return job->Prepare(); })) {
    job->CreateStopEvent();
    if (callback) callback->JobStarted(index, job);
    GuardedCall(index, [job] { return job->Run(), true; });
    if (callback) callback->JobFinished(index, job);
    job->CloseStopEvent();
    {
      // Out of the map before it frees itself: a pause reaches into the map.
      CFScopedLock lock(runningJobLock);
      runningJobMap.erase(index);
    }
    job->Finish();
  }
  AfterJob(index);
}

template <typename T>
template <typename F>
bool CFThreadPool<T>::GuardedCall(int32_t jobIndex, F f) {
  try {
    return f();
  } catch (const std::exception& e) {
    KV_ERROR("", "thread pool: job %d failed: %s", jobIndex, e.what());
  } catch (...) {
    KV_ERROR("", "thread pool: job %d failed", jobIndex);
  }
  return true;  // a job that threw is still finished, so that it frees itself
}

template <typename T>
void CFThreadPool<T>::AfterJob(int32_t jobIndex) {
  --runningJobs;
  {
    CFScopedLock lock(runningJobLock);
    runningJobMap.erase(jobIndex);
  }
  CFScopedLock waiting(waitingLock);
  UpdateJobsDone();
  CFScopedLock threadsGuard(threadsLock);
  if (waitingJobs.empty() && static_cast<int32_t>(threads.size()) > minThreads &&
      !stopEvent.IsSet()) {
    exitOneSemaphore.Release(1);
  }
}

template <typename T>
void CFThreadPool<T>::UpdateJobsDone() {
  if (!waitingJobs.empty()) return;
  CFScopedLock lock(runningJobLock);
  // A job leaves the map before its Finish, and is done only after it.
  if (runningJobMap.empty() && runningJobs.load() == 0) jobsDoneEvent.Set();
}

template <typename T>
bool CFThreadPool<T>::QueueJob(CFJobBase<T>* job, int32_t* jobIndexOut) {
  bool result;
  {
    CFScopedLock lock(waitingLock);
    ++lastJobIndex;
    job->pool = this;
    job->jobIndex = lastJobIndex;
    if (jobIndexOut != nullptr) *jobIndexOut = lastJobIndex;
    waitingJobs.insert(job);
    jobsDoneEvent.Reset();
    result = jobSemaphore.Release(1);
  }
  // The job may already be running (or gone): it is not touched again here.
  std::this_thread::yield();
  CFScopedLock lock(threadsLock);
  const int32_t count = static_cast<int32_t>(threads.size());
  if (runningJobs.load() == count && count < maxThreads) result = AddThreads(1);
  return result;
}

template <typename T>
bool CFThreadPool<T>::WaitThreadsExit() {
  const bool exited =
      platform::WaitForSingleObject(allThreadsExitedEvent, kExitWaitMs) == platform::kWaitObject0;
  if (!exited) platform::SetLastError(platform::kErrorTimeout);
  CFScopedLock lock(threadsLock);
  threads.clear();
  return exited;
}

template <typename T>
bool CFThreadPool<T>::PauseAndWait() {
  PulseStop();
  {
    // An idle thread may reset the pulse before a running job waits on it.
    CFScopedLock lock(runningJobLock);
    for (auto& [index, job] : runningJobMap) job->RequestStop();
  }
  // Idle threads take the pulse and serve on, so they never all exit: what a
  // pause waits for is the running jobs meeting the pulse and ending.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kExitWaitMs);
  while (runningJobs.load() > 0 && runningThreads.load() > 0) {
    if (std::chrono::steady_clock::now() >= deadline) {
      platform::SetLastError(platform::kErrorTimeout);
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

template <typename T>
bool CFThreadPool<T>::CancelWaitingJobs() {
  CFScopedLock lock(waitingLock);
  bool consumed = true;
  while (!waitingJobs.empty()) {
    consumed = platform::WaitForSingleObject(jobSemaphore, kExitWaitMs) == platform::kWaitObject0;
    CFJobBase<T>* job = *waitingJobs.begin();
    waitingJobs.erase(waitingJobs.begin());
    if (callback) callback->JobCancelled(job->jobIndex, job);
    job->Cancel();
  }
  UpdateJobsDone();
  if (!consumed) platform::SetLastError(platform::kErrorTimeout);
  return consumed;
}

template <typename T>
size_t CFThreadPool<T>::ThreadCount() {
  CFScopedLock lock(threadsLock);
  return threads.size();
}

template <typename T>
size_t CFThreadPool<T>::WaitingJobCount() {
  CFScopedLock lock(waitingLock);
  return waitingJobs.size();
}

template <typename T>
bool CFJobBase<T>::SleepUnlessStopped(uint32_t ms) {
  if (pool == nullptr) return false;
  std::vector<platform::Waitable*> objects;
  if (stopEvent) objects.push_back(stopEvent.get());
  objects.push_back(&pool->StopEvent());
  return platform::WaitForMultipleObjects(objects, false, ms) == platform::kWaitTimeout;
}

template <typename T>
WaitResult CFJobBase<T>::WaitToContinue() {
  if (pool == nullptr) return WaitError;
  std::vector<platform::Waitable*> objects;
  if (stopEvent) objects.push_back(stopEvent.get());
  objects.push_back(&pool->StopEvent());
  objects.push_back(&pool->ContinueEvent());
  const uint32_t r = platform::WaitForMultipleObjects(objects, false, platform::kInfinite);
  if (r == platform::kWaitTimeout) return WaitTimeout;
  if (r == platform::kWaitFailed || r >= objects.size()) return WaitError;
  return r + 1 == objects.size() ? WaitContinue : WaitStop;
}

}  // namespace FTL
