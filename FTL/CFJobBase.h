// Base of every pool job, on T, a pointer to the job's parameter record. The
// job owns that record (param) and itself: the pool hands the job to Finish
// after Run, or to Cancel when it is dropped from the queue unrun, and either
// deletes the job, which frees its record with it.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <type_traits>

#include "platform/Event.h"

namespace FTL {

template <typename T>
class CFThreadPool;

enum WaitResult { WaitStop = 0, WaitContinue = 1, WaitTimeout = 2, WaitError = 3 };

template <typename T>
class CFJobBase {
  static_assert(std::is_pointer_v<T>, "a job's parameter travels by pointer");

 public:
  using Param = std::remove_pointer_t<T>;

  // Takes the record (may be null).
  explicit CFJobBase(T p) : param(p) {}
  virtual ~CFJobBase() = default;
  CFJobBase(const CFJobBase&) = delete;
  CFJobBase& operator=(const CFJobBase&) = delete;

  // Runs on the pool thread, before Run. A job that returns false is neither
  // run nor finished.
  virtual bool Prepare() { return true; }
  virtual void Run() = 0;
  // The job's end, on the pool thread (Cancel: on the thread that drops it).
  // The job and its record are gone afterwards; an override that records the
  // end calls the base last.
  virtual void Finish() { delete this; }
  virtual void Cancel() { delete this; }

  // For Run, between units of work: WaitStop when this job or its pool is
  // asked to stop, WaitContinue while the pool runs.
  WaitResult WaitToContinue();
  // For Run: pauses ms milliseconds; false at once when a stop is asked for.
  bool SleepUnlessStopped(uint32_t ms);

  // Any thread: asks this job, if it is running, to stop at its next wait.
  void RequestStop() {
    std::lock_guard<std::mutex> lock(stopEventLock_);
    if (stopEvent) stopEvent->Set();
  }

  int32_t JobIndex() const { return jobIndex; }
  CFThreadPool<T>* Pool() const { return pool; }

  std::unique_ptr<Param> param;
  // Smaller runs first; set by the owner before queueing.
  int32_t priority = 0;

 private:
  friend class CFThreadPool<T>;

  // Pool thread only, around Run.
  void CreateStopEvent() {
    std::lock_guard<std::mutex> lock(stopEventLock_);
    stopEvent = std::make_unique<platform::Event>(true, false);
  }
  void CloseStopEvent() {
    std::lock_guard<std::mutex> lock(stopEventLock_);
    stopEvent.reset();
  }

  int32_t jobIndex = 0;
  std::mutex stopEventLock_;
  std::unique_ptr<platform::Event> stopEvent;  // GUARDED_BY(stopEventLock_) for writers
  CFThreadPool<T>* pool = nullptr;
};

}  // namespace FTL

// WaitToContinue needs the whole pool.
#include "FTL/CFThreadPool.h"
