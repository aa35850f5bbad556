// kvup-digest FILE...: prints the digest and the size of each file, as kvup
// sends them to the service ("DIGEST SIZE PATH"; an empty file shows "-").
#include <cinttypes>
#include <cstdio>
#include <string>

#include "pipeline/ShaDigest.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: kvup-digest FILE...\n");
    return 2;
  }
  int failures = 0;
  for (int i = 1; i < argc; ++i) {
    std::string digest;
    int64_t size = 0;
    if (!CShaDigest::OfFile(argv[i], &digest, &size)) {
      std::fprintf(stderr, "kvup-digest: cannot read %s\n", argv[i]);
      ++failures;
      continue;
    }
    std::printf("%s %" PRId64 " %s\n", digest.empty() ? "-" : digest.c_str(), size, argv[i]);
  }
  return failures == 0 ? 0 : 1;
}
