// Measures one upload pass: total size, position, a ring of position samples
// for the current speed, and a throttle that lets a report fall due at most
// about once per second. Clocks are milliseconds on a monotonic clock; the
// caller passes them in. Owned and touched by one uploader thread only.
#pragma once

#include <array>
#include <cstdint>

#include "upload/CProgressMetric.h"

class CProgressMeter : public CProgressMetric {
 public:
  static constexpr int kSampleSlots = 25;

  CProgressMeter() = default;

  void Restart(int64_t now, int64_t total, int64_t position);
  // Returns 1 when a sample was recorded, 0 when it was skipped.
  int Update(int64_t now, int64_t position, int64_t currentBytes);

  uint32_t Speed() const override { return m_speed; }
  uint64_t AverageRate() const override;
  // Milliseconds left at the rate seen since the restart.
  uint64_t RemainingTime() const override;
  uint32_t Elapsed() const override { return m_elapsed; }

  bool ReportDue() const { return m_reportDue != 0; }
  int64_t Position() const { return m_position; }
  int64_t CurrentBytes() const { return m_currentBytes; }
  int32_t SampleCount() const { return m_sampleCount; }

  // Monotonic milliseconds, the clock the uploader feeds in.
  static int64_t Now();

 private:
  struct Sample {
    int64_t position = 0;
    int64_t clock = 0;
  };

  uint32_t m_reportInterval = 1000;
  uint32_t m_sampleSpacing = 2000;
  int64_t m_startClock = 0;
  int64_t m_lastReportClock = 0;
  int64_t m_total = 0;
  int64_t m_position = 0;
  int64_t m_currentBytes = 0;
  std::array<Sample, kSampleSlots> m_samples{};
  int32_t m_sampleCount = 0;
  uint32_t m_speed = 0;
  uint32_t m_elapsed = 0;
  uint32_t m_reportDue = 0;
};
