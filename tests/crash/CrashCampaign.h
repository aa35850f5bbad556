// kvup killed with SIGKILL at random moments of a batch and started again
// with the same user-data folder, through the link, until the kills are
// used up; then one run to the end. Shared by the crash tests and
// bench_crash_campaign. Seeded: the same settings replay the same tree and
// the same kill moments.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kvtest {

struct CrashSettings {
  int files = 200;
  int kills = 10;
  uint32_t seed = 1;
  int64_t maxSize = 1500000;  // a tenth of the files are big, up to this
  int64_t smallSize = 0;      // > 0: every file is 0 to smallSize bytes
  int minKillMs = 200;        // kill moments, after the client's start
  int maxKillMs = 2500;
  // Restarts are killed that long after they logged their resume (rows just
  // read back), not after the start.
  bool killAfterResume = false;
  int chunkDelayMs = 40;  // per chunk, so that the kills find uploads running
  bool journal = true;    // false: kvup --no-resume-journal
  int finishTimeoutMs = 150000;
};

struct CrashFigures {
  int kills = 0;
  int files = 0;
  int64_t bytes = 0;
  int64_t chunksNeeded = 0;
  int64_t chunksSent = 0;
  // Chunks sent beyond what the files need, beyond one per file.
  int64_t chunksBeyondOnePerFile = 0;
  double seconds = 0;
  std::vector<std::string> missing;      // not held byte-identical at the end
  std::vector<std::string> badComplete;  // complete on the service, digest differs
  std::string error;                     // the campaign could not run
};

CrashFigures RunCrashCampaign(const CrashSettings& settings);

// One batch of settings.files files (no kill), from the drop to the client's
// code 3; returns its seconds, or a negative value when it failed (error).
double TimeOneBatch(const CrashSettings& settings, std::string* error);

}  // namespace kvtest
