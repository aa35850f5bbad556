// Faults injected into the answers of chosen endpoints, for tests.
//
// A rule is "ENDPOINT:KIND[=VALUE][:every=N | :prob=P[:seed=S]][:times=M]"
// with ENDPOINT an endpoint name without ".json" (or "*"), and KIND one of
//   status=CODE     answer HTTP CODE with an empty body, the request is not handled
//   envelope=CODE   answer HTTP 200 with a failed envelope of status CODE
//   text            answer HTTP 200 with a body that is not JSON
//   delay=MS        wait MS before handling the request
//   stall=MS        send nothing for MS, then close the connection unanswered
//   cut             handle the request, then close the connection halfway
//                   through the answer's body
//   throttle=BPS    read the request body and send the answer at BPS bytes/s
//   complete        handle the request, then answer its file as complete
//                   ("data"."file"."status" 1)
//   incomplete      handle the request, then answer its file as unfinished
//                   ("data"."file"."status" 2)
//   breakpoint=N    handle the request, then answer "data"."file"."breakPoint" N
// A rule fires on every Nth matching request (default every one), or with
// probability P from a generator seeded with S (default 1), at most M times.
// Safe from any request thread; every firing is logged.
#pragma once

#include <json/value.h>

#include <cstdint>
#include <mutex>
#include <random>
#include <string>
#include <vector>

enum class FaultKind {
  kStatus,
  kEnvelope,
  kText,
  kDelay,
  kStall,
  kCut,
  kThrottle,
  kComplete,
  kIncomplete,
  kBreakPoint
};

struct FaultRule {
  std::string spec;
  std::string endpoint;
  FaultKind kind = FaultKind::kStatus;
  int64_t value = 0;
  int64_t every = 1;
  double probability = -1;
  uint64_t seed = 1;
  int64_t times = -1;
};

class FaultInjector {
 public:
  static bool Parse(const std::string& spec, FaultRule* out, std::string* error);

  bool Add(const std::string& spec, std::string* error);
  void Clear();
  Json::Value Describe();
  // The rules that fire for this request; counts it against every matching rule.
  std::vector<FaultRule> Decide(const std::string& endpoint);

 private:
  struct Armed {
    FaultRule rule;
    std::mt19937_64 random;
    int64_t seen = 0;
    int64_t fired = 0;
  };
  bool Fires(Armed* a);

  std::mutex mu_;
  std::vector<Armed> rules_;  // GUARDED_BY(mu_)
};
