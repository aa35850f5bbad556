// A loopback front that relays requests to a server as they come and reads
// its answers one by one (status line, headers, Content-Length body), letting
// an AnswerFuzzer mutate a seeded share of them; a connection whose answer
// was mutated is closed after it.
#pragma once

#include <cstdint>

#include "common/AnswerFuzzer.h"
#include "common/LoopbackFront.h"

namespace kvtest {

class FuzzingFront : public LoopbackFront {
 public:
  FuzzingFront(uint16_t targetPort, uint32_t seed, double share)
      : LoopbackFront(targetPort), fuzzer_(seed, share) {}
  ~FuzzingFront() override { StopAll(); }

  const AnswerFuzzer& fuzzer() const { return fuzzer_; }

 protected:
  void Serve(int clientFd) override;

 private:
  AnswerFuzzer fuzzer_;
};

}  // namespace kvtest
