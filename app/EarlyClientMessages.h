// The link's target from the start message until the drop window exists:
// what the client sends right after its start (a drop, a log-out, a quit)
// would otherwise reach no window. Its messages wait in the queue until the
// message loop runs, and are then handed to the drop window in the order
// they came, their records still owned by the queue.
//
// Threads: the user-interface thread; the link only posts to the handle.
#pragma once

#include "platform/MessageQueue.h"

class EarlyClientMessages : public platform::MessageHandler {
 public:
  EarlyClientMessages();
  ~EarlyClientMessages() override;
  EarlyClientMessages(const EarlyClientMessages&) = delete;
  EarlyClientMessages& operator=(const EarlyClientMessages&) = delete;

  platform::HWND Window() const { return m_window; }
  void SetDropWindow(platform::HWND window) { m_dropWindow = window; }

  platform::LRESULT HandleMessage(platform::UINT msg, platform::WPARAM w,
                                  platform::LPARAM l) override;

 private:
  platform::HWND m_window = nullptr;
  platform::HWND m_dropWindow = nullptr;
};
