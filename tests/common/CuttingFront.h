// A loopback front that relays to a server byte for byte until it is cut:
// for the length of a cut, the connections it relays are closed and new ones
// are closed as soon as they are accepted, as when the network goes away.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>

#include "common/LoopbackFront.h"

namespace kvtest {

class CuttingFront : public LoopbackFront {
 public:
  explicit CuttingFront(uint16_t targetPort) : LoopbackFront(targetPort) {}
  ~CuttingFront() override { StopAll(); }

  // The cut starts now and ends after ms.
  void Cut(int ms);
  bool Cutting() const;
  int64_t refused() const { return refused_; }

 protected:
  void Serve(int clientFd) override;

 private:
  using Clock = std::chrono::steady_clock;
  std::atomic<int64_t> cutEndNs_{0};  // steady clock
  std::atomic<int64_t> refused_{0};
};

}  // namespace kvtest
