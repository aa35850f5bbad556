#include "app/ReadyWatcher.h"

#include "log/KvLog.h"
#include "platform/MessageQueue.h"
#include "session/Messages.h"

ReadyWatcher::~ReadyWatcher() {
  Stop();
}

bool ReadyWatcher::Start(platform::Event& ready, platform::HWND window) {
  if (m_thread != nullptr) return false;
  m_thread = std::make_unique<platform::Thread>([this, &ready, window] {
    const uint32_t woken =
        platform::WaitForMultipleObjects({&ready, &m_stop}, false, platform::kInfinite);
    if (woken != platform::kWaitObject0) return;
    KV_INFO("KVUP", "KVUP the backup root was listed, going online");
    platform::PostMessage(window, msg::WM_CLIENT_LOGIN, 0, 0);
  });
  return m_thread->Start();
}

void ReadyWatcher::Stop() {
  if (m_thread == nullptr) return;
  m_stop.Set();
  m_thread->Join();
  m_thread.reset();
}
