// A seeded tree dropped on the real kvup (headless, driven over its link like
// the desktop client) while the service, the network or the service's answers
// misbehave; then what the service holds against what kvup recorded and told
// its client. Shared by the storm tests and bench_storm_campaign.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace kvtest {

enum class StormNetwork {
  kNone,
  kServiceRestart,  // the service killed mid-batch, back on its port at once
  kClientRestart,   // the client killed; kvup ends, a new run and client carry on
  kCut,             // the service's port closed for cutMs
  kLogOut,          // the client logs out (and in again once kvup is offline)
};

struct StormSettings {
  int files = 200;
  uint32_t seed = 1;
  int64_t maxSize = 400000;  // files of 0 to maxSize bytes ...
  int bigFiles = 0;          // ... and this many of bigSize
  int64_t bigSize = 50 * 1024 * 1024;
  // Share of every request faulted by the service, over every kind it has.
  double faultShare = 0;
  std::string extraRules;  // further fault rules, one a line
  // Share of answers mutated by a fuzzing front between kvup and the service.
  double fuzzShare = 0;
  int chunkDelayMs = 0;  // per chunk, so that the network event finds the batch running
  StormNetwork network = StormNetwork::kNone;
  int eventAfterMs = 2000;  // the network event, after the drop
  int cutMs = 5000;
  // The batch must end (code 3 or 8) within this after the drop.
  int boundMs = 120000;
};

struct StormFigures {
  int files = 0;
  int64_t bytes = 0;
  int64_t requests = 0;                            // seen by the service
  std::map<std::string, int64_t> faultsByKind;     // injected, by rule kind
  std::map<std::string, int64_t> mutationsByKind;  // answers mutated by the fuzzing front
  int64_t connectionsRefused = 0;                  // by the cutting front
  int held = 0;                                    // byte-identical on the service
  int failedListed = 0;                            // not held, in kvup's failed list, code 8 told
  int listedButHeld = 0;                           // in the failed list, yet held byte-identical
  int offlineEpisodes = 0;
  int endCode = 0;          // 3 or 8; 0 when the batch never ended
  double batchSeconds = 0;  // drop to end code
  std::string codes;        // every code after the drop, "CODE@SECONDS "
  std::vector<std::string> violations;
  std::string evidence;  // kvup's log lines about the files of the violations
  std::string error;     // the campaign could not run
};

StormFigures RunStorm(const StormSettings& settings);

}  // namespace kvtest
