#include "tools/kvup-service/StopFlag.h"

#include <chrono>

void StopFlag::Set() {
  std::lock_guard<std::mutex> lock(mu_);
  set_ = true;
  cv_.notify_all();
}

bool StopFlag::IsSet() {
  std::lock_guard<std::mutex> lock(mu_);
  return set_;
}

bool StopFlag::SleepFor(int64_t ms) {
  std::unique_lock<std::mutex> lock(mu_);
  return !cv_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return set_; });
}
