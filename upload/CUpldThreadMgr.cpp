#include "upload/CUpldThreadMgr.h"

#include "log/KvLog.h"
#include "upload/CEasyUploader.h"

namespace {
const char* const kLog = "UpldThreadMGR";
}

CUpldThreadMgr& CUpldThreadMgr::Instance() {
  return FTL::ProcessInstance<CUpldThreadMgr>();
}

CUpldThreadMgr::CUpldThreadMgr() : FTL::CFPoolMgr<CUploadParam>(kThreads, kThreads) {
  SetAccepting(true);
}

CUpldThreadMgr::~CUpldThreadMgr() = default;

void CUpldThreadMgr::AddJob(const CUploadParam& param, CUploaderContext* context) {
  auto* job = new CEasyUploader(new CUploadParam(param), context);
  job->HoldContext(context->SharedHandle());
  Submit(job, 1);
}

void CUpldThreadMgr::Stop() {
  KV_DEBUG(kLog, "CUpldThreadMgr::Stop");
  StopPool();
}

void CUpldThreadMgr::Pause() {
  if (!HasPool() || !Accepting()) return;
  if (RunningThreadCount() > 0) {
    PauseAndWait();
    m_pausedThreads = true;
  }
  SetAccepting(false);
}

void CUpldThreadMgr::Resume() {
  if (!HasPool() || Accepting()) return;
  if (m_pausedThreads) {
    IgnoreNextStop();
    m_pausedThreads = false;
  }
  SetAccepting(true);
}
