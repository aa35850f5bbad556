// Paces a byte stream to a rate (bytes per second) by sleeping on the stop
// flag; a rate of 0 passes everything at once. One user thread at a time.
#pragma once

#include <chrono>
#include <cstdint>

#include "tools/kvup-service/StopFlag.h"

class ByteThrottle {
 public:
  ByteThrottle(int64_t bytesPerSecond, StopFlag* stop) : rate_(bytesPerSecond), stop_(stop) {}
  // Accounts n bytes; false when the service stops meanwhile.
  bool Pass(size_t n);
  bool Active() const { return rate_ > 0; }

 private:
  int64_t rate_;
  StopFlag* stop_;
  int64_t bytes_ = 0;
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};
