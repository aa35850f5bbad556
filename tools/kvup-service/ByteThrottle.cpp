#include "tools/kvup-service/ByteThrottle.h"

bool ByteThrottle::Pass(size_t n) {
  if (rate_ <= 0) return true;
  bytes_ += static_cast<int64_t>(n);
  auto due = start_ + std::chrono::microseconds(bytes_ * 1000000 / rate_);
  auto wait =
      std::chrono::duration_cast<std::chrono::milliseconds>(due - std::chrono::steady_clock::now());
  return wait.count() <= 0 || stop_->SleepFor(wait.count());
}
