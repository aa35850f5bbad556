#include "pipeline/ComputeShaMgr.h"

#include "log/KvLog.h"
#include "pipeline/ComputeShaHandler.h"

namespace {
const char* const kLog = "ComputeShaMgr";
}

ComputeShaMgr& ComputeShaMgr::Instance() {
  return FTL::ProcessInstance<ComputeShaMgr>();
}

ComputeShaMgr::ComputeShaMgr() : FTL::CFPoolMgr<CalcShaParam>(kThreads, kThreads) {}

ComputeShaMgr::~ComputeShaMgr() = default;

bool ComputeShaMgr::Start() {
  if (!CFPoolMgr::Start()) return false;
  SetAccepting(true);
  return true;
}

bool ComputeShaMgr::AddJob(const CalcShaParam& param) {
  if (!Accepting()) return false;
  if (!Submit(new ComputeShaHandler(new CalcShaParam(param)), 1)) return false;
  KV_DEBUG(kLog, "ComputeShaMgr::AddJob, %s", param.path.c_str());
  return true;
}

void ComputeShaMgr::Stop() {
  KV_DEBUG(kLog, "ComputeShaMgr::Stop");
  StopPool();
  SetAccepting(false);
}
