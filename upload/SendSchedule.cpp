#include "upload/SendSchedule.h"

#include <algorithm>

void SendSchedule::Restart(int64_t nowMs, int64_t bytesPerSecond) {
  m_startMs = nowMs;
  m_limit = bytesPerSecond > 0 ? bytesPerSecond : 0;
  m_sent = 0;
}

int64_t SendSchedule::ChunkRate(int64_t nowMs, int64_t length) const {
  if (m_limit == 0) return 0;
  const int64_t low = std::max<int64_t>(m_limit / 4, 1), high = m_limit * 4;
  // When this chunk should be finished to keep the pass on its cap.
  const int64_t dueMs = m_startMs + (m_sent + length) * 1000 / m_limit;
  const int64_t leftMs = dueMs - nowMs;
  if (leftMs <= 0) return high;
  return std::clamp<int64_t>(length * 1000 / leftMs, low, high);
}
