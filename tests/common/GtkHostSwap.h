// GTK host tests swap the toolkit's host for the display's and back, so a
// later test in the same process finds the headless host and an empty queue.
#pragma once

#include <memory>

#include "duilib/CGtkHost.h"
#include "duilib/CHeadlessHost.h"
#include "platform/MessageQueue.h"

namespace kvtest {

// The installed GTK host, or nullptr when there is no display.
inline DuiLib::CGtkHost* InstallGtkHost() {
  if (!DuiLib::CGtkHost::DisplayAvailable()) return nullptr;
  auto host = std::make_unique<DuiLib::CGtkHost>();
  DuiLib::CGtkHost* installed = host.get();
  DuiLib::CUIHost::Install(std::move(host));
  return installed;
}

inline void RestoreHeadlessHost() {
  DuiLib::CUIHost::Install(std::make_unique<DuiLib::CHeadlessHost>());
  platform::MessageQueue::Instance().Reset();
}

}  // namespace kvtest
