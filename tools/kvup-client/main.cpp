// kvup-client: the stand-in desktop client. Speaks kvup's link protocol from
// the command line so that a test or a user can script a whole session.
#include <cstdio>
#include <string>

#include "ClientOptions.h"
#include "ClientSession.h"

int main(int argc, char** argv) {
  kvclient::ClientOptions options;
  std::string error;
  if (!kvclient::ParseCommandLine(argc, argv, &options, &error)) {
    std::fprintf(stderr, "kvup-client: %s\n%s", error.c_str(), kvclient::UsageText().c_str());
    return 2;
  }
  if (options.help) {
    std::fputs(kvclient::UsageText().c_str(), stdout);
    return 0;
  }
  kvclient::ClientSession session(options, stdout);
  return session.Run();
}
