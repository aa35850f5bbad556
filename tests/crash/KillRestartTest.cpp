// kvup as a process, killed with SIGKILL and started again with the same
// user-data folder: no dropped file is ever lost, and the service never holds
// a complete file whose content differs from its digest.
#include <gtest/gtest.h>
#include <signal.h>

#include <cstdlib>

#include "crash/CrashCampaign.h"

namespace {

std::string Joined(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names) text += name + " ";
  return text;
}

void ExpectNothingLost(const kvtest::CrashFigures& f) {
  ASSERT_TRUE(f.error.empty()) << f.error;
  EXPECT_TRUE(f.missing.empty()) << f.missing.size() << " files lost: " << Joined(f.missing);
  EXPECT_TRUE(f.badComplete.empty()) << "complete with other content: " << Joined(f.badComplete);
  // Every file resumes from the service's break point: whole files sent
  // again would exceed this by far.
  EXPECT_EQ(f.chunksBeyondOnePerFile, 0)
      << f.chunksSent << " chunks sent, " << f.chunksNeeded << " needed, " << f.files << " files";
  std::printf("kills %d, files %d, %lld bytes, chunks sent %lld of %lld needed, %.1f s\n", f.kills,
              f.files, static_cast<long long>(f.bytes), static_cast<long long>(f.chunksSent),
              static_cast<long long>(f.chunksNeeded), f.seconds);
}

// KVUP_CRASH_SEED replays a failed run.
uint32_t Seed(uint32_t fallback) {
  const char* seed = std::getenv("KVUP_CRASH_SEED");
  return seed ? static_cast<uint32_t>(std::strtoul(seed, nullptr, 10)) : fallback;
}

}  // namespace

TEST(KillRestart, TenKillsAtRandomMomentsOfABatchOf200FilesLoseNothing) {
  kvtest::CrashSettings settings;
  settings.seed = Seed(17);
  std::printf("seed %u\n", settings.seed);
  ExpectNothingLost(kvtest::RunCrashCampaign(settings));
}

// The first run is killed mid-batch; each restart within a second of reading
// its rows back (the resumed uploads and the walks of the saved drops run).
TEST(KillRestart, KillsInTheFirstSecondsAfterARestartLoseNothing) {
  kvtest::CrashSettings settings;
  settings.seed = Seed(5);
  settings.files = 60;
  settings.kills = 6;
  settings.minKillMs = 0;
  settings.maxKillMs = 1000;
  settings.killAfterResume = true;
  settings.chunkDelayMs = 80;
  std::printf("seed %u\n", settings.seed);
  ExpectNothingLost(kvtest::RunCrashCampaign(settings));
}
