#include "pipeline/TravelDirMgr.h"

#include "log/KvLog.h"
#include "pipeline/FileBackupMgr.h"
#include "pipeline/TravelDirHandler.h"

namespace {
const char* const kLog = "TravelDirMgr";
}

TravelDirMgr& TravelDirMgr::Instance() {
  return FTL::ProcessInstance<TravelDirMgr>();
}

TravelDirMgr::TravelDirMgr() : TravelDirMgr(FileBackupMgr::Instance(), COptions::Instance()) {}

TravelDirMgr::TravelDirMgr(FileBackupMgr& store, COptions& options)
    : FTL::CFPoolMgr<TravelDirParam>(kThreads, kThreads), store_(store), options_(options) {
  KV_TRACE(kLog, "Task TravelDirMgr: Constructor called. (0x%08X)",
           static_cast<unsigned>(reinterpret_cast<uintptr_t>(this)));
}

TravelDirMgr::~TravelDirMgr() = default;

bool TravelDirMgr::Start() {
  if (!CFPoolMgr::Start()) return false;
  SetAccepting(true);
  return true;
}

void TravelDirMgr::AddJob(const TravelDirParam& param) {
  if (!Accepting()) return;
  Submit(new TravelDirHandler(new TravelDirParam(param), store_, options_), 0);
}

void TravelDirMgr::Stop() {
  KV_DEBUG(kLog, "TravelDirMgr::Stop");
  StopPool();
  SetAccepting(false);
}
