#include "app/HeadlessViews.h"

#include "log/KvLog.h"
#include "platform/MessageQueue.h"

void HeadlessViews::ShowStatusText(const std::string& text) {
  KV_DEBUG("KVUP", "KVUP status: %s", text.c_str());
}

void HeadlessViews::StartTimer(int32_t id, uint32_t periodMs) {
  platform::SetTimer(m_window, static_cast<uintptr_t>(id), periodMs);
}

void HeadlessViews::StopTimer(int32_t id) {
  platform::KillTimer(m_window, static_cast<uintptr_t>(id));
}

void HeadlessViews::Quit() {
  platform::PostQuitMessage(0);
}
