// Where a worker posts its notifications: the process's one target, the drop
// window (COptions::m_dropWnd, set once by start-up), unless the worker was
// given a window of its own (tests do that). Read at post time, so a worker
// started before the window exists still reaches it. Any thread.
#pragma once

#include <atomic>

#include "platform/WindowMessage.h"

class NotifyTarget {
 public:
  platform::HWND Get() const { return Resolve(m_window.load()); }
  // nullptr goes back to the process's target.
  void Set(platform::HWND window) { m_window.store(window); }

  // A window given with a job's parameter, else the process's target.
  static platform::HWND Resolve(platform::HWND given);

 private:
  std::atomic<platform::HWND> m_window{nullptr};
};
