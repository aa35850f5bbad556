// Set once when the service stops; fault delays sleep on it so that a stop
// never waits for a stall to run out. Safe from any thread.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

class StopFlag {
 public:
  void Set();
  bool IsSet();
  // Sleeps up to `ms`; false when the flag was set before or during the sleep.
  bool SleepFor(int64_t ms);

 private:
  std::mutex mu_;
  std::condition_variable cv_;
  bool set_ = false;  // GUARDED_BY(mu_)
};
