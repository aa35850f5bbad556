#include "pipeline/MiscToolMgr.h"

#include "FTL/CFScopedLock.h"
#include "log/KvLog.h"
#include "pipeline/CreatePathRequest.h"
#include "session/ServiceRequest.h"

namespace {

const char* kLogger = "MiscToolMgr";
constexpr int kTaskNumber = 3;

}  // namespace

MiscToolMgr& MiscToolMgr::Instance() {
  return FTL::ProcessInstance<MiscToolMgr>();
}

MiscToolMgr::MiscToolMgr(COptions& options)
    : CEventWorkerMgr(kLogger, log4cplus::DEBUG_LOG_LEVEL, kTaskNumber), options_(options) {}

MiscToolMgr::~MiscToolMgr() {
  StopAndJoinWorkers();
  if (httpHandle_ != nullptr) curl_easy_cleanup(httpHandle_);
}

void MiscToolMgr::addDeleteFile(int64_t fid) {
  FTL::CFScopedLock guard(m_lock);
  pendingDeletes.push_back(fid);
  mode = kWaiting;
  workEvent.Set();
}

void MiscToolMgr::clearDeleteFiles() {
  FTL::CFScopedLock guard(m_lock);
  pendingDeletes.clear();
}

int32_t MiscToolMgr::Mode() {
  FTL::CFScopedLock guard(m_lock);
  return mode;
}

size_t MiscToolMgr::PendingCount() {
  FTL::CFScopedLock guard(m_lock);
  return pendingDeletes.size();
}

void MiscToolMgr::takeDeleteFiles(std::vector<int64_t>* out) {
  FTL::CFScopedLock guard(m_lock);
  out->assign(pendingDeletes.begin(), pendingDeletes.end());
  pendingDeletes.clear();
  mode = kIdle;
}

void MiscToolMgr::DoWork() {
  if (Mode() != kWaiting) return;
  std::vector<int64_t> ids;
  takeDeleteFiles(&ids);
  for (size_t i = 0; i < ids.size(); ++i) {
    if (StopRequested()) return;
    if (Paused()) {
      KV_DEBUG(kLogger, "MiscToolMgr: paused, %d deletions dropped",
               static_cast<int>(ids.size() - i));
      return;
    }
    deleteFile(ids[i]);
  }
}

void MiscToolMgr::deleteFile(int64_t fid) {
  KV_DEBUG(kLogger, "MiscToolMgr::deleteFile: fid %lld", static_cast<long long>(fid));
  if (httpHandle_ == nullptr) httpHandle_ = curl_easy_init();
  ServiceRequest request(kDeleteEndpoint, httpHandle_, options_);
  CreatePathRequest::AddHeaders(&request);
  request.AddParam("fid", fid)
      .SetNotifyWindow(m_notifyTarget.Get())
      .EndWhenSilent()
      .AbortWhen(&aborting_);
  request.PostForm();
  // Success or failure changes nothing: no retry, no message.
  Json::Value answer;
  if (request.ParseResponse(&answer) && IsEnvelopeFailed(answer))
    KV_DEBUG(kLogger, "MiscToolMgr::deleteFile: fid %lld refused", static_cast<long long>(fid));
}
