#include "pipeline/TravelDirHandler.h"

#include "log/KvLog.h"
#include "pipeline/CreatePathRequest.h"
#include "pipeline/DirectoryWalk.h"
#include "pipeline/FileBackupMgr.h"
#include "session/Messages.h"
#include "session/NotifyTarget.h"
#include "session/ServiceRequest.h"

namespace {
const char* const kLog = "TRAVELDIRHANDLER";
}

TravelDirHandler::TravelDirHandler(TravelDirParam* p)
    : TravelDirHandler(p, FileBackupMgr::Instance(), COptions::Instance()) {}

TravelDirHandler::TravelDirHandler(TravelDirParam* p, FileBackupMgr& store, COptions& options)
    : CFJobBase(p), store_(store), options_(options) {}

void TravelDirHandler::Run() {
  DirectoryWalk walk(store_, {[this] { return WaitToContinue(); },
                              [this] {
                                platform::PostMessage(NotifyTarget::Resolve(param->hwnd),
                                                      msg::WM_WALK_DONE, 0, 0);
                              },
                              [this](const std::string& path) { createPathAction(path); },
                              // A stop cuts the pause short; the walk sees it next.
                              [this] { SleepUnlessStopped(kBatchPauseMs); }});
  walk.Run(param->path);
}

int64_t TravelDirHandler::createPathAction(const std::string& relPath) {
  ServiceRequest request(CreatePathRequest::kEndpoint, options_);
  request.SetNotifyWindow(NotifyTarget::Resolve(param->hwnd));
  const int64_t id = CreatePathRequest::Send(relPath, &request);
  KV_DEBUG(kLog, "TravelDirHandler::createPathAction: %s -> %lld", relPath.c_str(),
           static_cast<long long>(id));
  return id;
}
