// When start-up stopped waiting for the comparison worker's first listing
// and opened the windows offline, this owned thread waits for that listing
// and then asks the drop window to go online (as the client's log-in does).
//
// Threads: Start and the destructor on the user-interface thread; the wait
// on its own thread, which only posts.
#pragma once

#include <memory>

#include "platform/Event.h"
#include "platform/Thread.h"
#include "platform/WindowMessage.h"

class ReadyWatcher {
 public:
  ReadyWatcher() = default;
  ~ReadyWatcher();  // stops and joins the thread
  ReadyWatcher(const ReadyWatcher&) = delete;
  ReadyWatcher& operator=(const ReadyWatcher&) = delete;

  // ready: set once by the worker; window: the drop window.
  bool Start(platform::Event& ready, platform::HWND window);
  void Stop();

 private:
  platform::Event m_stop{true, false};
  std::unique_ptr<platform::Thread> m_thread;
};
