// kvup-sync: uploads local folders and files to the service's backup folder
// the way kvup does when they are dropped on its window, without windows and
// without a desktop client.
//
//   kvup-sync --service URL --session ID [--account NAME] [--user-data DIR]
//             [--ready-wait MS] PATH...
//
// Prints one line per file and a summary; exits 0 when the service holds
// every file, 1 when some did not reach it, 2 on bad usage or storage.
#include <curl/curl.h>
#include <log4cplus/initializer.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/LogSetup.h"
#include "app/StartedWorkers.h"
#include "app/WorkerStartUp.h"
#include "platform/PrivateProcess.h"
#include "session/COptions.h"
#include "session/ServiceConfig.h"
#include "tools/kvup-sync/SyncRun.h"

namespace {

struct Arguments {
  std::string service;
  std::string session;
  std::string account = "kvup-sync";
  std::string userData;
  int readyWaitMs = 30000;
  std::vector<std::string> paths;
};

const char* const kUsage =
    "usage: kvup-sync --service URL --session ID [--account NAME] [--user-data DIR]\n"
    "                 [--ready-wait MS] PATH...\n";

bool Parse(int argc, char** argv, Arguments* args) {
  for (int i = 1; i < argc; ++i) {
    const std::string name = argv[i];
    if (name.rfind("--", 0) != 0) {
      std::error_code error;
      const std::filesystem::path path = std::filesystem::absolute(name, error);
      if (error) return false;
      args->paths.push_back(path.lexically_normal().string());
      continue;
    }
    if (i + 1 >= argc) return false;
    const std::string value = argv[++i];
    if (name == "--service") {
      args->service = value;
    } else if (name == "--session") {
      args->session = value;
    } else if (name == "--account") {
      args->account = value;
    } else if (name == "--user-data") {
      args->userData = value;
    } else if (name == "--ready-wait" && !value.empty() &&
               value.find_first_not_of("0123456789") == std::string::npos) {
      args->readyWaitMs = std::atoi(value.c_str());
    } else {
      return false;
    }
  }
  return !args->service.empty() && !args->session.empty() && !args->paths.empty();
}

// The session as the desktop client would hand it over.
void SignIn(const Arguments& args) {
  COptions& options = COptions::Instance();
  options.ClearCookies();
  const std::string host = ServiceConfig::Instance().HostName();
  options.AddCookie({host, "GSESSIONID", args.session, "/"});
  options.AddCookie({host, "cookieUserAccount", args.account, "/"});
  options.BuildCookieHeader();
  options.BuildSessionParam();
}

int Sync(const Arguments& args) {
  std::error_code ignored;
  if (!args.userData.empty()) std::filesystem::create_directories(args.userData, ignored);
  StartedWorkers workers;
  WorkerStartUp startUp(workers);
  if (!startUp.StartEarly(args.userData)) {
    std::fprintf(stderr, "kvup-sync: the user-data folder cannot be used\n");
    return 2;
  }
  if (!startUp.StartLate({}, args.readyWaitMs)) {
    std::fprintf(stderr, "kvup-sync: the service did not answer within %d ms\n", args.readyWaitMs);
    return 1;
  }
  SyncRun run(stdout);
  return run.Run(args.paths);
}

}  // namespace

int main(int argc, char** argv) {
  // As kvup: the databases, logs and memory are the user's alone.
  platform::MakeProcessPrivate();
  Arguments args;
  if (!Parse(argc, argv, &args)) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  // Static, so that it outlives the options' last log line at exit.
  static log4cplus::Initializer logInit;
  logsetup::Configure(logsetup::FindPropertiesFile());
  ServiceConfig::Instance().SetBaseUrl(args.service);
  curl_global_init(CURL_GLOBAL_ALL);
  SignIn(args);
  const int code = Sync(args);
  curl_global_cleanup();
  return code;
}
