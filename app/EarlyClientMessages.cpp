#include "app/EarlyClientMessages.h"

#include "log/KvLog.h"

EarlyClientMessages::EarlyClientMessages() : m_window(platform::CreateWindowHandle(this)) {}

EarlyClientMessages::~EarlyClientMessages() {
  if (m_window != nullptr) platform::DestroyWindowHandle(m_window);
}

platform::LRESULT EarlyClientMessages::HandleMessage(platform::UINT msg, platform::WPARAM w,
                                                     platform::LPARAM l) {
  if (msg == platform::WM_DESTROY || msg == platform::WM_TIMER) return 0;
  if (m_dropWindow == nullptr || !platform::MessageQueue::Instance().IsWindow(m_dropWindow)) {
    KV_ERROR("KVUP", "KVUP client message 0x%x came when no drop window exists", msg);
    return 0;
  }
  return platform::SendMessage(m_dropWindow, msg, w, l);
}
