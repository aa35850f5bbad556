// The speed cap of one transfer pass held across its chunks. libcurl's send
// limit applies to one request only, so every chunk would start its own
// budget and the gaps between chunks (answers, new requests) would be lost:
// the pass runs below its cap. The schedule gives each chunk the rate that
// brings the pass back onto limit bytes per second since its start.
//
// Threads: owned and used by one uploader on its pool thread.
#pragma once

#include <cstdint>

class SendSchedule {
 public:
  // A new pass at `nowMs` capped at `bytesPerSecond` (0 = no cap).
  void Restart(int64_t nowMs, int64_t bytesPerSecond);
  // The send rate for a chunk of `length` bytes starting at `nowMs`: 0 when
  // there is no cap, else within a quarter and four times the cap.
  int64_t ChunkRate(int64_t nowMs, int64_t length) const;
  // `length` more bytes of the pass went out.
  void Sent(int64_t length) { m_sent += length; }

 private:
  int64_t m_startMs = 0;
  int64_t m_limit = 0;
  int64_t m_sent = 0;
};
