#include "platform/TimerList.h"

#include <algorithm>
#include <climits>

namespace platform {

void TimerList::Set(HWND hwnd, uintptr_t id, uint32_t elapseMs, Clock::time_point now) {
  const Clock::duration interval = std::chrono::milliseconds(std::max(elapseMs, kMinimumMs));
  for (Timer& t : timers_) {
    if (t.hwnd == hwnd && t.id == id) {
      t.interval = interval;
      t.due = now + interval;
      return;
    }
  }
  timers_.push_back(Timer{hwnd, id, interval, now + interval, 0});
}

bool TimerList::Kill(HWND hwnd, uintptr_t id) {
  const auto old = timers_.size();
  std::erase_if(timers_, [&](const Timer& t) { return t.hwnd == hwnd && t.id == id; });
  return timers_.size() != old;
}

void TimerList::KillAll(HWND hwnd) {
  std::erase_if(timers_, [&](const Timer& t) { return t.hwnd == hwnd; });
}

void TimerList::Clear() {
  timers_.clear();
}

bool TimerList::TakeDue(Clock::time_point now, uint64_t pass, HWND* hwnd, uintptr_t* id) {
  Timer* first = nullptr;
  for (Timer& t : timers_) {
    if (t.due > now || t.firedInPass == pass) continue;
    if (first == nullptr || t.due < first->due) first = &t;
  }
  if (first == nullptr) return false;
  first->firedInPass = pass;
  first->due = now + first->interval;
  *hwnd = first->hwnd;
  *id = first->id;
  return true;
}

int TimerList::MsUntilNext(Clock::time_point now) const {
  if (timers_.empty()) return -1;
  Clock::time_point next = timers_.front().due;
  for (const Timer& t : timers_) next = std::min(next, t.due);
  if (next <= now) return 0;
  const auto ms = std::chrono::ceil<std::chrono::milliseconds>(next - now).count();
  return static_cast<int>(std::min<decltype(ms)>(ms, INT_MAX));
}

}  // namespace platform
