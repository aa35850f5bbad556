#include "upload/CProgressMeter.h"

#include <chrono>

int64_t CProgressMeter::Now() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void CProgressMeter::Restart(int64_t now, int64_t total, int64_t position) {
  m_startClock = now;
  m_lastReportClock = now;
  m_total = total;
  m_position = position;
  m_currentBytes = 0;
  m_samples.fill(Sample{});
  m_sampleCount = 0;
  m_speed = 0;
  m_elapsed = 0;
  m_reportDue = 0;
}

int CProgressMeter::Update(int64_t now, int64_t position, int64_t currentBytes) {
  m_position = position;
  m_currentBytes = currentBytes;
  m_elapsed = static_cast<uint32_t>(now - m_startClock);

  m_reportDue = static_cast<uint64_t>(now - m_lastReportClock) > m_reportInterval ? 1 : 0;
  if (m_reportDue) m_lastReportClock = now;

  const int32_t n = m_sampleCount;
  if (n > kSampleSlots) {
    const Sample& newest = m_samples[(n - 1) % kSampleSlots];
    if (static_cast<uint64_t>(now - newest.clock) < m_sampleSpacing) return 0;
  }
  m_samples[n % kSampleSlots] = Sample{position, now};
  m_sampleCount = n + 1;

  if (m_sampleCount > 1) {
    const Sample& oldest =
        m_samples[m_sampleCount < kSampleSlots ? 0 : m_sampleCount % kSampleSlots];
    const int64_t span = now - oldest.clock;
    const uint64_t divisor = span == 0 ? 1 : static_cast<uint64_t>(span);
    const uint64_t moved = static_cast<uint64_t>((position - oldest.position) * 1000);
    m_speed = static_cast<uint32_t>(moved / divisor);
  }
  return 1;
}

uint64_t CProgressMeter::AverageRate() const {
  const uint64_t divisor = m_elapsed == 0 ? 1 : m_elapsed;
  return static_cast<uint64_t>(m_currentBytes) * 1000 / divisor;
}

uint64_t CProgressMeter::RemainingTime() const {
  const uint64_t divisor = m_elapsed == 0 ? 1 : m_elapsed;
  uint64_t rate = static_cast<uint64_t>(m_position) / divisor;
  if (rate == 0) rate = 1;
  return static_cast<uint64_t>(m_total - m_position) / rate;
}
