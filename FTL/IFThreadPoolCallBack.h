// Notifications a job pool gives its owner. Every call runs on the pool
// thread that runs (or, for JobCancelled, the thread that drops) the job.
#pragma once

#include <cstdint>

namespace FTL {

template <typename T>
class CFJobBase;

template <typename T>
class IFThreadPoolCallBack {
 public:
  virtual ~IFThreadPoolCallBack() = default;
  virtual void JobStarted(int32_t jobIndex, CFJobBase<T>* job) = 0;
  virtual void JobFinished(int32_t jobIndex, CFJobBase<T>* job) = 0;
  virtual void JobCancelled(int32_t jobIndex, CFJobBase<T>* job) = 0;
  virtual void JobProgress(int32_t jobIndex, CFJobBase<T>* job, int32_t a, int32_t b, int32_t c,
                           int32_t d) = 0;
  virtual void JobError(int32_t jobIndex, CFJobBase<T>* job, int32_t code, int32_t detail) = 0;
};

}  // namespace FTL
