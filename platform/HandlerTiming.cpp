#include "platform/HandlerTiming.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace platform {

namespace {

int64_t NowMicros() {
  return std::chrono::duration_cast<std::chrono::microseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

std::string Ms(int64_t micros) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f ms", static_cast<double>(micros) / 1000.0);
  return text;
}

}  // namespace

HandlerTiming& HandlerTiming::Instance() {
  static HandlerTiming timing;
  return timing;
}

void HandlerTiming::Add(UINT msg, int64_t micros) {
  micros_.push_back(micros);
  PerMessage& m = byMessage_[msg];
  ++m.count;
  m.total += micros;
  m.max = std::max(m.max, micros);
  if (micros > 16000) ++m.over16ms;
}

void HandlerTiming::Clear() {
  micros_.clear();
  byMessage_.clear();
}

HandlerTiming::Summary HandlerTiming::Summarize() const {
  Summary s;
  s.count = micros_.size();
  if (s.count == 0) return s;
  std::vector<int64_t> sorted = micros_;
  std::sort(sorted.begin(), sorted.end());
  auto at = [&](double q) {
    return sorted[std::min(sorted.size() - 1, static_cast<size_t>(q * sorted.size()))];
  };
  s.p50 = at(0.50);
  s.p90 = at(0.90);
  s.p99 = at(0.99);
  s.max = sorted.back();
  for (int64_t v : sorted) {
    s.over16ms += v > 16000;
    s.over100ms += v > 100000;
  }
  return s;
}

std::vector<std::string> HandlerTiming::Report(size_t worstMessages) const {
  std::vector<std::string> lines;
  const Summary s = Summarize();
  lines.push_back("ui-timing: " + std::to_string(s.count) + " handler runs, p50 " + Ms(s.p50) +
                  ", p90 " + Ms(s.p90) + ", p99 " + Ms(s.p99) + ", max " + Ms(s.max) +
                  ", over 16 ms " + std::to_string(s.over16ms) + ", over 100 ms " +
                  std::to_string(s.over100ms));
  std::vector<std::pair<UINT, PerMessage>> worst(byMessage_.begin(), byMessage_.end());
  std::sort(worst.begin(), worst.end(),
            [](const auto& a, const auto& b) { return a.second.max > b.second.max; });
  if (worst.size() > worstMessages) worst.resize(worstMessages);
  for (const auto& [msg, m] : worst) {
    char id[16];
    std::snprintf(id, sizeof id, "0x%04X", static_cast<unsigned>(msg));
    lines.push_back(std::string("ui-timing: message ") + id + ": " + std::to_string(m.count) +
                    " runs, mean " + Ms(m.total / static_cast<int64_t>(m.count)) + ", max " +
                    Ms(m.max) + ", over 16 ms " + std::to_string(m.over16ms));
  }
  return lines;
}

HandlerTimer::HandlerTimer(UINT msg) : msg_(msg), armed_(HandlerTiming::Instance().Recording()) {
  if (!armed_) return;
  epoch_ = HandlerTiming::Instance().Epoch();
  start_ = NowMicros();
}

HandlerTimer::~HandlerTimer() {
  HandlerTiming& timing = HandlerTiming::Instance();
  if (armed_ && timing.Recording() && timing.Epoch() == epoch_)
    timing.Add(msg_, NowMicros() - start_);
}

}  // namespace platform
