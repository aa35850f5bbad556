// kvup killed with SIGKILL at random moments of a big batch and restarted
// until the kills are used up, then run to the end; and the cost of the
// resume rows: one batch of small files with and without them.
//
//   bench_crash_campaign [--files N] [--kills K] [--seed S] [--small-files N]
#include <curl/curl.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "crash/CrashCampaign.h"

namespace {

int Campaign(int files, int kills, uint32_t seed) {
  kvtest::CrashSettings settings;
  settings.files = files;
  settings.kills = kills;
  settings.seed = seed;
  settings.maxKillMs = 4000;
  settings.finishTimeoutMs = 1800000;
  const kvtest::CrashFigures f = kvtest::RunCrashCampaign(settings);
  if (!f.error.empty()) {
    fprintf(stderr, "campaign did not run: %s\n", f.error.c_str());
    return 1;
  }
  printf("campaign: seed %u, %d kills, %d files, %lld bytes, %.1f s\n", seed, f.kills, f.files,
         static_cast<long long>(f.bytes), f.seconds);
  printf("chunks: %lld needed, %lld sent; beyond one per file: %lld (at most %lld bytes)\n",
         static_cast<long long>(f.chunksNeeded), static_cast<long long>(f.chunksSent),
         static_cast<long long>(f.chunksBeyondOnePerFile),
         static_cast<long long>(f.chunksBeyondOnePerFile * 131072));
  printf("files lost: %zu; complete files with other content: %zu\n", f.missing.size(),
         f.badComplete.size());
  return f.missing.empty() && f.badComplete.empty() ? 0 : 1;
}

double Batch(int files, bool journal) {
  kvtest::CrashSettings settings;
  settings.files = files;
  settings.smallSize = 2000;
  settings.chunkDelayMs = 0;
  settings.journal = journal;
  std::string error;
  const double seconds = kvtest::TimeOneBatch(settings, &error);
  if (seconds < 0) fprintf(stderr, "batch failed: %s\n", error.c_str());
  return seconds;
}

int SmallFiles(int files) {
  const double without = Batch(files, false);
  const double with = Batch(files, true);
  if (without <= 0 || with <= 0) return 1;
  printf("%d small files: %.1f s without the resume rows, %.1f s with them (%+.1f%%)\n", files,
         without, with, 100.0 * (with - without) / without);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  int files = 1000, kills = 50, smallFiles = 10000;
  uint32_t seed = 1;
  bool usage = argc % 2 == 0;
  for (int i = 1; !usage && i + 1 < argc; i += 2) {
    const std::string name = argv[i];
    const int value = atoi(argv[i + 1]);
    if (name == "--files") {
      files = value;
    } else if (name == "--kills") {
      kills = value;
    } else if (name == "--seed") {
      seed = static_cast<uint32_t>(value);
    } else if (name == "--small-files") {
      smallFiles = value;
    } else {
      usage = true;
    }
  }
  if (usage || files <= 0 || kills < 0 || smallFiles < 0) {
    fprintf(stderr, "usage: %s [--files N] [--kills K] [--seed S] [--small-files N]\n", argv[0]);
    return 2;
  }
  curl_global_init(CURL_GLOBAL_ALL);
  int rc = kills > 0 ? Campaign(files, kills, seed) : 0;
  if (rc == 0 && smallFiles > 0) rc = SmallFiles(smallFiles);
  curl_global_cleanup();
  return rc;
}
