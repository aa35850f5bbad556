// Times every message handler the user-interface thread's queue calls
// (posted, sent and timer messages), for the responsiveness figures: off
// unless Enable() was called (kvup's --ui-timing), nothing is measured then.
// A handler counts only when recording was on when it began and no Pause()
// came before it ended, so that Pause() at the start of the close and offline
// sequences leaves out the handler that runs them. UI thread only, but Report() may run after the
// loop.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/WindowMessage.h"

namespace platform {

class HandlerTiming {
 public:
  static HandlerTiming& Instance();

  void Enable() { enabled_ = recording_ = true; }
  bool Enabled() const { return enabled_; }
  // Stops recording (the close and offline sequences); Resume() restarts it.
  void Pause() {
    recording_ = false;
    ++epoch_;
  }
  void Resume() { recording_ = enabled_; }
  bool Recording() const { return recording_; }
  // Changes at every Pause(): a handler that paused (and resumed) is left out.
  uint64_t Epoch() const { return epoch_; }

  // One handler run of `micros` for message `msg`.
  void Add(UINT msg, int64_t micros);
  void Clear();

  struct Summary {
    size_t count = 0;
    int64_t p50 = 0, p90 = 0, p99 = 0, max = 0;  // microseconds
    size_t over16ms = 0, over100ms = 0;
  };
  Summary Summarize() const;
  // The summary and the messages whose handlers took the longest, one a line.
  std::vector<std::string> Report(size_t worstMessages = 8) const;

 private:
  struct PerMessage {
    size_t count = 0;
    int64_t total = 0, max = 0;
    size_t over16ms = 0;
  };
  bool enabled_ = false;
  bool recording_ = false;
  uint64_t epoch_ = 0;
  std::vector<int64_t> micros_;
  std::map<UINT, PerMessage> byMessage_;
};

// Measures one handler run on the stack when timing is enabled.
class HandlerTimer {
 public:
  explicit HandlerTimer(UINT msg);
  ~HandlerTimer();
  HandlerTimer(const HandlerTimer&) = delete;
  HandlerTimer& operator=(const HandlerTimer&) = delete;

 private:
  UINT msg_;
  bool armed_;
  uint64_t epoch_ = 0;
  int64_t start_ = 0;
};

}  // namespace platform
