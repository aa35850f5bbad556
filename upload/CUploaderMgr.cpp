#include "upload/CUploaderMgr.h"

#include "log/KvLog.h"
#include "upload/CEasyUploader.h"
#include "upload/CUpldThreadMgr.h"
#include "upload/UploadNotify.h"

namespace {
const char* const kLog = "ULMGR";

unsigned Address(const void* p) {
  return static_cast<unsigned>(reinterpret_cast<uintptr_t>(p));
}
}  // namespace

CUploaderMgr::CUploaderMgr() {
  KV_TRACE(kLog, "Task[%02d]: Constructor called. DMGR(0x%08X)", m_param.taskIndex, Address(this));
}

CUploaderMgr::~CUploaderMgr() {
  JoinWorker();
  KV_TRACE(kLog, "Task[%02d]: Before ~DMGR(0x%08X), m_pCurUploader=0x%08X", m_param.taskIndex,
           Address(this), Address(m_pCurUploader));
  delete m_pCurUploader;
  m_pCurUploader = nullptr;
  KV_TRACE(kLog, "Task[%02d]: After  ~DMGR(0x%08X), m_pCurUploader=0x%08X", m_param.taskIndex,
           Address(this), Address(m_pCurUploader));
}

void CUploaderMgr::SetParam(const CUploadParam& param) {
  std::lock_guard<std::recursive_mutex> hold(m_lock);
  m_param = param;
}

void CUploaderMgr::SendStatus() {
  // A snapshot taken under the lock: the job may change the state while the
  // window reads it.
  msg::TaskStateRecord snapshot;
  GetStateAndMessage(&snapshot);
  upload_notify::SendStatus(m_param.notifyWindow, m_param.taskIndex, snapshot);
}

int32_t CUploaderMgr::Start() {
  CUploadParam param;
  {
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    if (!StateAllows(m_status.state, TaskOperation::Start)) {
      KV_DEBUG(kLog, "Task[%02d] can't be started, because of wrong state = %d", m_param.taskIndex,
               m_status.state);
      return 2;
    }
    ChangeState(TaskState::Transferring, std::string());
    param = m_param;
  }
  SendStatus();
  CUpldThreadMgr::Instance().AddJob(param, this);
  return 0;
}

int32_t CUploaderMgr::Pause() {
  std::lock_guard<std::recursive_mutex> hold(m_lock);
  if (StateAllows(m_status.state, TaskOperation::Pause))
    ChangeState(TaskState::Pausing, std::string());
  return m_status.state;
}

int32_t CUploaderMgr::Destroy() {
  std::lock_guard<std::recursive_mutex> hold(m_lock);
  if (StateAllows(m_status.state, TaskOperation::Destroy)) {
    ChangeState(TaskState::Destroying, std::string());
    SetDestroyFlag(1);
  }
  return m_status.state;
}

int32_t CUploaderMgr::Stop() {
  std::lock_guard<std::recursive_mutex> hold(m_lock);
  if (!m_worker)
    return m_status.state == TaskState::Destroyed ? TaskState::Destroyed : kStopUnknown;
  if (StateAllows(m_status.state, TaskOperation::Stop)) {
    const bool moving =
        m_status.state == TaskState::Transferring || m_status.state == TaskState::Pausing;
    ChangeState(moving ? TaskState::Destroying : TaskState::Destroyed, std::string());
  }
  return m_status.state;
}

int32_t CUploaderMgr::ReUpload() {
  {
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    if (m_worker) {
      KV_DEBUG(kLog, "Task[%02d] can't be reuploaded, because the thread handle still exist.",
               m_param.taskIndex);
      return 1;
    }
    if (!StateAllows(m_status.state, TaskOperation::ReUpload)) {
      KV_DEBUG(kLog, "Task[%02d] can't be reuploaded, because of wrong state = %d",
               m_param.taskIndex, m_status.state);
      return 2;
    }
    ChangeState(TaskState::Transferring, std::string());
    // The current uploader is a plain uploader of this task, kept across runs
    // so that a second run resumes through the service's break point.
    if (!m_pCurUploader) m_pCurUploader = new CEasyUploader(nullptr, this);
    m_pCurUploader->SetParam(m_param);
  }
  SendStatus();
  m_worker = std::make_unique<platform::Thread>([this] { ReUploadLoop(); });
  KV_DEBUG(kLog, "Task[%02d] worker thread restarted, Thread ID=%d", m_param.taskIndex,
           static_cast<int>(m_worker->Id()));
  m_worker->Start();
  return 0;
}

void CUploaderMgr::ReUploadLoop() {
  const int idx = m_param.taskIndex;
  KV_INFO(kLog, "Task[%02d]: [ReUpload] - ThreadID=%d", idx,
          static_cast<int>(platform::CurrentThreadId()));
  const int64_t started = CProgressMeter::Now();
  for (;;) {
    KV_INFO(kLog, "Task[%02d]: [ReUpload] - Before [%s] Start", idx,
            m_pCurUploader->Name().c_str());
    const int32_t result = m_pCurUploader->Upload();
    KV_INFO(kLog, "Task[%02d]: [ReUpload] - After  [%s] Start. Result = %s", idx,
            m_pCurUploader->Name().c_str(), StateLogText(result).c_str());
    if (result != TaskState::Transferring) break;
    CUploader* next = m_pCurUploader->NextUploader();
    if (!next) break;
    delete m_pCurUploader;
    m_pCurUploader = next;
  }
  const int64_t cost = CProgressMeter::Now() - started;
  KV_INFO("TIME", "Task[%02d]: [StartUpload] - TimeCost %u(ms)", idx,
          static_cast<unsigned>(cost < 0 ? 0 : cost));
}

void CUploaderMgr::JoinWorker() {
  if (!m_worker) return;
  m_worker->Join();
  m_worker.reset();
}

int32_t CUploaderMgr::Finalize(uint8_t silent) {
  msg::TaskStateRecord status;
  GetStateAndMessage(&status);
  KV_DEBUG(kLog, "Task[%02d]: Finalize: state=%d, name=%s", m_param.taskIndex, status.state,
           m_param.name.c_str());
  if (status.state > TaskState::Destroyed || status.state == TaskState::Transferring)
    KV_DEBUG(kLog, "Task[%02d]: Finalize: return state is not right ", m_param.taskIndex);
  // Outside the lock: the worker takes it when its upload ends.
  JoinWorker();
  int32_t code = 0;
  int64_t fid = 0, breakPoint = 0;
  {
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    if (status.state == TaskState::Destroyed && !silent) code = kStopUnknown;
    fid = m_param.fid;
    breakPoint = m_param.breakPoint;
  }
  if (!silent)
    upload_notify::SendEnd(m_param.notifyWindow, m_param.taskIndex, fid, breakPoint, status);
  return code;
}
