// Runs the headless message queue on the test's thread until done() holds.
#pragma once

#include <chrono>
#include <functional>
#include <thread>

#include "platform/MessageQueue.h"

namespace kvtest {

// False when done() still fails after timeoutSeconds.
inline bool PumpUntil(const std::function<bool()>& done, int timeoutSeconds = 60) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    platform::MessageQueue::Instance().DispatchPending();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

}  // namespace kvtest
