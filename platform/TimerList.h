// The timers of the message queue. Not locked by itself: the queue guards it.
#pragma once

#include <chrono>
#include <cstdint>
#include <vector>

#include "platform/WindowMessage.h"

namespace platform {

class TimerList {
 public:
  using Clock = std::chrono::steady_clock;
  // Shorter intervals are raised to this, as the system timer does.
  static constexpr uint32_t kMinimumMs = 10;

  // Starts the timer, or restarts an existing one with the new interval.
  void Set(HWND hwnd, uintptr_t id, uint32_t elapseMs, Clock::time_point now);
  bool Kill(HWND hwnd, uintptr_t id);
  void KillAll(HWND hwnd);
  void Clear();

  // The earliest timer due at `now` that has not fired in this pass; it is
  // rescheduled one interval after `now` (missed ticks are not made up).
  bool TakeDue(Clock::time_point now, uint64_t pass, HWND* hwnd, uintptr_t* id);
  // Milliseconds (rounded up) until the next timer is due, 0 if one is due,
  // -1 without timers.
  int MsUntilNext(Clock::time_point now) const;

 private:
  struct Timer {
    HWND hwnd;
    uintptr_t id;
    Clock::duration interval;
    Clock::time_point due;
    uint64_t firedInPass;
  };
  std::vector<Timer> timers_;
};

}  // namespace platform
