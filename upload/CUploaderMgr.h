// The controller of one upload task: decides which user operation the
// task's state allows, queues the task's upload job in the upload pool and
// tells the upload manager window, synchronously, that the task started.
// Owned by the task's record in the window, and held by its running pool
// job, so that a task dropped while its job still runs is freed by the job.
//
// Threads: every operation runs on the user-interface thread; the upload job
// shares the state through the context base. ReUpload runs the task's
// current uploader on a worker thread of the controller's own, joined by
// Finalize, Stop's caller or the destructor.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/Thread.h"
#include "upload/CFinalizer.h"
#include "upload/CUploaderContext.h"

class CUploaderMgr : public CFinalizer,
                     public CUploaderContext,
                     public std::enable_shared_from_this<CUploaderMgr> {
 public:
  static constexpr int32_t kStopUnknown = static_cast<int32_t>(0x80000000u);

  CUploaderMgr();
  ~CUploaderMgr() override;

  int32_t Finalize(uint8_t silent) override;
  virtual void SetParam(const CUploadParam& param);
  // 0 started, 2 refused.
  virtual int32_t Start();
  virtual int32_t Pause();
  // 0 started, 1 a worker thread exists, 2 refused.
  virtual int32_t ReUpload();
  // A state, or kStopUnknown when there is no worker thread and the task is
  // not Destroyed.
  virtual int32_t Stop();
  virtual int32_t Destroy();
  std::shared_ptr<CUploaderContext> SharedHandle() override { return weak_from_this().lock(); }

 private:
  void ReUploadLoop();  // on the worker thread
  void SendStatus();
  void JoinWorker();

  std::unique_ptr<platform::Thread> m_worker;  // UI thread only
};
