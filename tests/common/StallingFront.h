// A loopback front for a server whose new connections can be made to stall:
// after letting a connection through, the front fills its one-place accept
// queue with a connection of its own, so the kernel drops the handshakes of
// the next clients until the stall ends and their connect time-outs run out.
// Connections let through are relayed byte for byte to the target port.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "common/LoopbackSocket.h"

namespace kvtest {

class StallingFront {
 public:
  // After each of the first `stalls` connections let through, new
  // connections stall for `stallMs`.
  StallingFront(uint16_t targetPort, int stalls, int stallMs);
  ~StallingFront();
  StallingFront(const StallingFront&) = delete;
  StallingFront& operator=(const StallingFront&) = delete;

  bool Start();
  std::string BaseUrl() const { return "http://127.0.0.1:" + std::to_string(listener_.port()); }
  int admitted() const { return admitted_; }
  int stallsDone() const { return stallsDone_; }

 private:
  void AcceptLoop();
  // Holds the accept queue full for stallMs_; false when stopped meanwhile.
  bool Stall();
  void Relay(int clientFd);

  const uint16_t targetPort_;
  const int stalls_;
  const int stallMs_;
  LoopbackListener listener_;
  std::atomic<bool> stop_{false};
  std::atomic<int> admitted_{0};
  std::atomic<int> stallsDone_{0};
  std::thread acceptor_;
  std::mutex relaysMutex_;
  std::vector<std::thread> relays_;  // GUARDED_BY(relaysMutex_)
};

}  // namespace kvtest
