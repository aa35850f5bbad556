#include "pipeline/ComputeShaHandler.h"

#include <chrono>
#include <memory>
#include <thread>

#include "log/KvLog.h"
#include "pipeline/ShaDigest.h"
#include "session/Messages.h"
#include "session/NotifyTarget.h"

namespace {
const char* const kLog = "CALCSHAHANDLER";
}

void ComputeShaHandler::Run() {
  KV_DEBUG(kLog, "ComputeShaHandler::Run, %s", param->path.c_str());
  std::string digest;
  int64_t size = 0;
  // An unreadable or empty file is a result (empty digest), not a failure.
  CShaDigest::OfFile(param->path, &digest, &size, [this] {
    waitResult = WaitToContinue();
    return waitResult == FTL::WaitContinue;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(kSettleMs));
  if (waitResult != FTL::WaitContinue) {
    KV_DEBUG(kLog, "ComputeShaHandler::Run: %s failed", param->path.c_str());
    platform::PostMessage(NotifyTarget::Resolve(param->hwnd), msg::WM_DIGEST_DONE, 0, 0);
    return;
  }
  auto result = std::make_unique<msg::CalcShaResult>();
  result->path = param->path;
  result->digest = std::move(digest);
  result->size = size;
  msg::PostRecord(NotifyTarget::Resolve(param->hwnd), msg::WM_DIGEST_DONE, std::move(result));
}
