// The upload engine under a lying, failing service: a seeded campaign of
// files through kvup-upload with a tenth of the upload requests faulted by
// every fault kind of the stand-in. No file may be reported Done or Instant
// that the service does not hold complete and intact, and every file that
// failed completes once the faults are gone.
//
// KVUP_CAMPAIGN_FILES sets the number of files (100 by default).
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include "UploadCampaign.h"

namespace {

constexpr int kCiFiles = 100;

int CampaignFiles() {
  const char* text = std::getenv("KVUP_CAMPAIGN_FILES");
  const int files = text ? std::atoi(text) : 0;
  return files > 0 ? files : kCiFiles;
}

std::string Describe(const kvtest::CampaignFigures& f) {
  std::ostringstream s;
  s << f.files << " files: " << f.done << " done, " << f.instant << " instant, " << f.failed
    << " failed; " << f.faults << " faults in " << f.requests << " requests, " << f.liesTold
    << " lies\n";
  for (const auto& [kind, n] : f.faultsByKind) s << "  " << kind << ": " << n << "\n";
  for (const auto& [message, n] : f.failureMessages)
    s << "  failed " << n << ": " << message << "\n";
  for (const std::string& p : f.problems) s << "  " << p << "\n";
  return s.str();
}

TEST(UploadCampaignTest, NoFileReportedStoredThatTheServiceDoesNotHoldAndFailuresCompleteLater) {
  kvtest::CampaignSettings settings;
  settings.files = CampaignFiles();
  // A seed under which every kind of fault fires at this size.
  settings.seed = 23;
  const kvtest::CampaignFigures f = kvtest::RunUploadCampaign(settings);
  ASSERT_TRUE(f.error.empty()) << f.error;
  const std::string figures = Describe(f);
  // Every file ended with a state.
  ASSERT_EQ(f.unreported, 0) << figures;
  // The campaign did what it is for: every kind of fault of the stand-in
  // reached the engine, lies included (fewer files may miss a kind).
  EXPECT_EQ(f.faultsByKind.size(), 10u) << figures;
  if (settings.files >= kCiFiles) {
    for (const auto& [kind, n] : f.faultsByKind) EXPECT_GT(n, 0) << kind << "\n" << figures;
  }
  EXPECT_GT(f.liesTold, 0) << figures;

  EXPECT_EQ(f.wrongSuccesses, 0) << figures;
  EXPECT_EQ(f.secondRunFailures, 0) << figures;
  // A failure never reads as a bare status line of success.
  EXPECT_EQ(f.failureMessages.count("网络出错: HTTP/1.1 200 OK"), 0u) << figures;
}

}  // namespace
