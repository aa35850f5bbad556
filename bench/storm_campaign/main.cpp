// The storm tests at a large size: a tree of many files (a few of 50 MB)
// dropped on the real kvup while the service faults a share of all requests
// by every kind it has; the service killed and restarted mid-batch; the
// client killed; the network cut; the service's answers mutated. Prints per
// storm the files, the faults injected by kind, what ended held or listed as
// failed, the violations (0 expected) and the time.
//
//   bench_storm_campaign [--files N] [--big N] [--seed S] [--share P] [--cut-ms MS]
//                        [--only faults|service|client|cut|fuzz]
#include <curl/curl.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "storms/StormCampaign.h"

namespace {

struct Storm {
  const char* name;
  std::function<void(kvtest::StormSettings*)> shape;
};

int Report(const char* name, const kvtest::StormSettings& s, const kvtest::StormFigures& f) {
  if (!f.error.empty()) {
    printf("%s: did not run: %s\n", name, f.error.c_str());
    return 1;
  }
  printf("%s: seed %u, %d files, %lld bytes, %lld requests to the service\n", name, s.seed, f.files,
         static_cast<long long>(f.bytes), static_cast<long long>(f.requests));
  int64_t faults = 0;
  for (const auto& [kind, n] : f.faultsByKind) faults += n;
  if (faults > 0) {
    printf("  faults injected: %lld (%.1f%% of the requests)\n", static_cast<long long>(faults),
           f.requests > 0 ? 100.0 * static_cast<double>(faults) / static_cast<double>(f.requests)
                          : 0.0);
    for (const auto& [kind, n] : f.faultsByKind)
      printf("    %-22s %lld\n", kind.c_str(), static_cast<long long>(n));
  }
  for (const auto& [kind, n] : f.mutationsByKind)
    printf("    answers mutated, %-12s %lld\n", kind.c_str(), static_cast<long long>(n));
  if (f.connectionsRefused > 0)
    printf("  connections closed by the cut: %lld\n", static_cast<long long>(f.connectionsRefused));
  printf("  held identical %d, failed listed %d, violations %zu; offline %d times\n", f.held,
         f.failedListed, f.violations.size(), f.offlineEpisodes);
  printf("  listed as failed although held: %d\n", f.listedButHeld);
  printf("  end code %d after %.1f s (bound %d s)\n", f.endCode, f.batchSeconds, s.boundMs / 1000);
  for (const std::string& v : f.violations) printf("    violation: %s\n", v.c_str());
  fflush(stdout);
  return f.violations.empty() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  kvtest::StormSettings base;
  base.files = 1000;
  base.bigFiles = 3;
  base.maxSize = 5 * 1024 * 1024;
  base.boundMs = 1800000;
  double share = 0.10;
  int cutMs = 60000;
  std::string only;
  bool usage = argc % 2 == 0;
  for (int i = 1; !usage && i + 1 < argc; i += 2) {
    const std::string name = argv[i];
    const char* value = argv[i + 1];
    if (name == "--files") {
      base.files = atoi(value);
    } else if (name == "--big") {
      base.bigFiles = atoi(value);
    } else if (name == "--seed") {
      base.seed = static_cast<uint32_t>(strtoul(value, nullptr, 10));
    } else if (name == "--share") {
      share = atof(value);
    } else if (name == "--cut-ms") {
      cutMs = atoi(value);
    } else if (name == "--only") {
      only = value;
    } else {
      usage = true;
    }
  }
  if (usage || base.files <= 0 || base.bigFiles < 0 || base.bigFiles > base.files) {
    fprintf(stderr,
            "usage: %s [--files N] [--big N] [--seed S] [--share P] [--cut-ms MS] "
            "[--only faults|service|client|cut|fuzz]\n",
            argv[0]);
    return 2;
  }
  using kvtest::StormNetwork;
  const std::vector<Storm> storms = {
      {"faults", [&](kvtest::StormSettings* s) { s->faultShare = share; }},
      {"service", [](kvtest::StormSettings* s) { s->network = StormNetwork::kServiceRestart; }},
      {"client", [](kvtest::StormSettings* s) { s->network = StormNetwork::kClientRestart; }},
      {"cut",
       [&](kvtest::StormSettings* s) {
         s->network = StormNetwork::kCut;
         s->cutMs = cutMs;
       }},
      {"fuzz", [&](kvtest::StormSettings* s) { s->fuzzShare = share; }},
  };
  curl_global_init(CURL_GLOBAL_ALL);
  int rc = 0;
  for (const Storm& storm : storms) {
    if (!only.empty() && only != storm.name) continue;
    kvtest::StormSettings s = base;
    s.eventAfterMs = 10000;
    storm.shape(&s);
    rc |= Report(storm.name, s, kvtest::RunStorm(s));
  }
  curl_global_cleanup();
  return rc;
}
