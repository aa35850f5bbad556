// The job that digests one file on a digest pool thread and posts the result
// (WM_DIGEST_DONE with a CalcShaResult the receiver's queue owns), or a
// failure (WM_DIGEST_DONE with 0) when a pause or stop cut the read short.
#pragma once

#include <cstdint>

#include "FTL/CFJobBase.h"
#include "pipeline/CalcShaParam.h"

class ComputeShaHandler : public FTL::CFJobBase<CalcShaParam*> {
 public:
  static constexpr uint32_t kSettleMs = 50;

  // Takes the parameter.
  explicit ComputeShaHandler(CalcShaParam* p) : CFJobBase(p) {}

  void Run() override;

 private:
  // The last answer of WaitToContinue, asked before every chunk.
  FTL::WaitResult waitResult = FTL::WaitContinue;
};
