// The fault campaign of the upload tests at a larger size: files through
// kvup-upload while the stand-in service faults a share of the upload
// requests with every fault kind it has, lies included; then a fault-free
// run of the files that failed. Prints what kvup reported, what the service
// holds, and how the engine met the lies.
//
//   bench_upload_campaign [--files N] [--seed S] [--share P] [--max-size BYTES]
#include <curl/curl.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "upload/UploadCampaign.h"

int main(int argc, char** argv) {
  kvtest::CampaignSettings settings;
  settings.files = 300;
  settings.countRefusals = true;
  bool usage = argc % 2 == 0;
  for (int i = 1; !usage && i + 1 < argc; i += 2) {
    const std::string name = argv[i];
    const char* value = argv[i + 1];
    if (name == "--files") {
      settings.files = atoi(value);
    } else if (name == "--seed") {
      settings.seed = static_cast<uint32_t>(strtoul(value, nullptr, 10));
    } else if (name == "--share") {
      settings.faultShare = atof(value);
    } else if (name == "--max-size") {
      settings.maxSize = atoll(value);
    } else {
      usage = true;
    }
  }
  if (usage || settings.files <= 0) {
    fprintf(stderr, "usage: %s [--files N] [--seed S] [--share P] [--max-size BYTES]\n", argv[0]);
    return 2;
  }
  curl_global_init(CURL_GLOBAL_ALL);
  const kvtest::CampaignFigures f = kvtest::RunUploadCampaign(settings);
  curl_global_cleanup();
  if (!f.error.empty()) {
    fprintf(stderr, "campaign did not run: %s\n", f.error.c_str());
    return 1;
  }
  printf("campaign: %d files of 0-%lld bytes, seed %u, %.0f%% of the upload requests faulted\n",
         f.files, static_cast<long long>(settings.maxSize), settings.seed,
         100 * settings.faultShare);
  printf("first run: %d done, %d instant, %d failed, %d with no end line (%.1f s)\n", f.done,
         f.instant, f.failed, f.unreported, f.firstRunSeconds);
  printf("requests to the upload endpoints: %lld; faults injected: %lld (%.1f%%)\n",
         static_cast<long long>(f.requests), static_cast<long long>(f.faults),
         f.requests > 0 ? 100.0 * static_cast<double>(f.faults) / static_cast<double>(f.requests)
                        : 0.0);
  for (const auto& [kind, n] : f.faultsByKind)
    printf("  %-10s %lld\n", kind.c_str(), static_cast<long long>(n));
  printf("lies told: %lld (", static_cast<long long>(f.liesTold));
  const char* separator = "";
  for (const auto& [endpoint, n] : f.liesByEndpoint) {
    printf("%s%s %lld", separator, endpoint.c_str(), static_cast<long long>(n));
    separator = ", ";
  }
  printf("); answers and claims the engine refused: %lld\n", static_cast<long long>(f.refusals));
  for (const auto& [message, n] : f.failureMessages)
    printf("  failed %d: %s\n", n, message.c_str());
  printf("wrong successes (reported done or instant, not held intact): %d\n", f.wrongSuccesses);
  printf("failures of files the service holds intact: %d\n", f.heldButFailed);
  printf("second run, without faults: %d of %d failed files did not complete (%.1f s)\n",
         f.secondRunFailures, f.failed, f.secondRunSeconds);
  for (const std::string& p : f.problems) printf("  %s\n", p.c_str());
  return f.wrongSuccesses == 0 && f.secondRunFailures == 0 ? 0 : 1;
}
