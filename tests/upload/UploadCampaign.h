// A fault campaign against the upload engine: many small files go through
// kvup-upload while the stand-in service faults a share of the requests to
// its three upload endpoints, with every fault kind it has (its lies
// included); then the files that failed go through a second, fault-free run.
// Every file reported Done or Instant is checked against the service's tree
// and the content it stored. The upload tests run it at CI size; the bench
// bench_upload_campaign runs it larger and prints the figures.
// KVUP_CAMPAIGN_OUTPUT=FILE appends kvup-upload's output of each run to FILE.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace kvtest {

struct CampaignSettings {
  int files = 100;
  uint32_t seed = 1;
  // Share of the requests to each upload endpoint that some fault hits.
  double faultShare = 0.10;
  int64_t maxSize = 600000;
  // Run kvup-upload with its log on, so that the engine's refusals of the
  // service's answers can be counted.
  bool countRefusals = false;
};

struct CampaignFigures {
  std::string error;  // why the campaign could not run; empty when it ran
  int files = 0;
  // The first run, as kvup-upload reported it.
  int done = 0;
  int instant = 0;
  int failed = 0;
  int unreported = 0;  // of the failed: no end line was printed for them
  // Reported Done or Instant, but the service does not hold the file
  // complete with the same bytes.
  int wrongSuccesses = 0;
  // Reported failed, but the service holds the file complete and intact.
  int heldButFailed = 0;
  // Files of the second run (the failed ones) that did not end stored.
  int secondRunFailures = 0;
  // Faults the service injected, by kind ("status", "complete", ...).
  std::map<std::string, int64_t> faultsByKind;
  int64_t requests = 0;  // requests to the upload endpoints (first run)
  int64_t faults = 0;    // of them, with at least one fault
  int64_t liesTold = 0;  // answers rewritten with a lie
  std::map<std::string, int64_t> liesByEndpoint;
  int64_t refusals = 0;  // answers or claims the engine refused (countRefusals)
  std::map<std::string, int> failureMessages;  // first run: message -> files
  std::vector<std::string> problems;           // one line per wrong outcome
  double firstRunSeconds = 0;
  double secondRunSeconds = 0;
};

CampaignFigures RunUploadCampaign(const CampaignSettings& settings);

}  // namespace kvtest
