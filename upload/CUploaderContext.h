// The state holder of one upload task, shared by its controller (user-
// interface thread) and its upload job (an upload pool thread). State and
// message change only under the task lock, and once a task is being
// destroyed the only state it can reach is Destroyed.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "session/Messages.h"
#include "session/TransferBreaker.h"
#include "upload/CUploadParam.h"
#include "upload/TaskState.h"

class CUploader;

class CUploaderContext {
 public:
  CUploaderContext();
  virtual ~CUploaderContext() = default;
  CUploaderContext(const CUploaderContext&) = delete;
  CUploaderContext& operator=(const CUploaderContext&) = delete;

  virtual void SetState(int32_t state, const std::string& message = std::string());
  virtual int32_t GetState();
  virtual void GetStateAndMessage(msg::TaskStateRecord* out);
  virtual void SetDestroyFlag(uint8_t flag);
  // A handle of the owner's when the context is shared-owned, else empty: a
  // pool job holds it so that the context outlives the job, whoever drops
  // the task meanwhile.
  virtual std::shared_ptr<CUploaderContext> SharedHandle() { return nullptr; }
  virtual uint8_t GetDestroyFlag() const;

  // The task lock; re-entrant, so a holder may call the operations above.
  std::recursive_mutex& TaskLock() { return m_lock; }
  // The uploader attaches its handle; turning Destroying breaks the transfer
  // at once instead of at libcurl's next progress call.
  TransferBreaker& Breaker() { return m_breaker; }
  // The task's parameter copy. REQUIRES: the task lock while a job runs.
  CUploadParam& Param() { return m_param; }
  int32_t TaskIndex() const { return m_param.taskIndex; }

 protected:
  // REQUIRES: m_lock held.
  void ChangeState(int32_t state, const std::string& message);

  CUploadParam m_param;
  msg::TaskStateRecord m_status;        // guarded by m_lock
  CUploader* m_pCurUploader = nullptr;  // owned; deleted by the controller
  int32_t m_inheritedSetting;           // copied from the options, not read here
  std::atomic<uint8_t> m_destroyFlag{0};
  std::recursive_mutex m_lock;
  // Outlives the uploader (deleted by the derived controller), whose handle
  // closes its connections through it.
  TransferBreaker m_breaker;
};
