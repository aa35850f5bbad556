// kvup-upload: uploads files through kvup's upload engine (upload pool,
// task controllers, break-point uploader) without windows.
//
//   kvup-upload --service URL --session ID [--pid N] [--speed-limit-kb N]
//               [--retry N] [--quiet] FILE...
//
// Prints each task's progress, speed and final state; exits 1 when a file
// failed, 2 on bad usage.
#include <curl/curl.h>
#include <json/json.h>
#include <log4cplus/consoleappender.h>
#include <log4cplus/initializer.h>
#include <log4cplus/logger.h>
#include <log4cplus/nullappender.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "session/COptions.h"
#include "session/ServiceConfig.h"
#include "session/ServiceRequest.h"
#include "tools/kvup-upload/UploadRunner.h"
#include "upload/CUpldThreadMgr.h"

namespace {

struct Arguments {
  std::string service;
  std::string session;
  int64_t pid = -1;
  int32_t speedLimitKb = 0;
  int32_t retry = -1;
  bool quiet = false;
  std::vector<std::string> files;
};

const char* const kUsage =
    "usage: kvup-upload --service URL --session ID [--pid N] [--speed-limit-kb N]\n"
    "                   [--retry N] [--quiet] FILE...\n";

bool ToNumber(const char* text, int64_t* out) {
  char* end = nullptr;
  const long long v = strtoll(text, &end, 10);
  if (end == text || *end != '\0') return false;
  *out = v;
  return true;
}

bool Parse(int argc, char** argv, Arguments* args) {
  for (int i = 1; i < argc; ++i) {
    const std::string name = argv[i];
    if (name == "--quiet") {
      args->quiet = true;
      continue;
    }
    if (name.rfind("--", 0) != 0) {
      args->files.push_back(name);
      continue;
    }
    if (i + 1 >= argc) return false;
    const char* value = argv[++i];
    int64_t number = 0;
    if (name == "--service") {
      args->service = value;
    } else if (name == "--session") {
      args->session = value;
    } else if (name == "--pid" && ToNumber(value, &number)) {
      args->pid = number;
    } else if (name == "--speed-limit-kb" && ToNumber(value, &number) && number >= 0) {
      args->speedLimitKb = static_cast<int32_t>(number);
    } else if (name == "--retry" && ToNumber(value, &number) && number >= 0) {
      args->retry = static_cast<int32_t>(number);
    } else {
      return false;
    }
  }
  return !args->service.empty() && !args->session.empty() && !args->files.empty();
}

// The account's backup root, when no folder was named.
bool FindRoot(int64_t* pid) {
  ServiceRequest request("/wbx/filebackup/getSubFilesAction.json");
  request.UseUserAgentOption();
  Json::Value root;
  if (request.Get() != CURLE_OK || !request.ParseResponse(&root) || IsEnvelopeFailed(root))
    return false;
  const Json::Value& id = root["data"].isObject() ? root["data"]["root"]["id"] : Json::Value();
  if (!id.isInt64()) return false;
  *pid = id.asInt64();
  return true;
}

void SetUpLogging() {
  log4cplus::Logger root = log4cplus::Logger::getRoot();
  const char* verbose = getenv("KVUP_UPLOAD_LOG");
  if (verbose && *verbose) {
    root.setLogLevel(log4cplus::TRACE_LOG_LEVEL);
    root.addAppender(log4cplus::SharedAppenderPtr(new log4cplus::ConsoleAppender(true, true)));
  } else {
    root.setLogLevel(log4cplus::ERROR_LOG_LEVEL);
    root.addAppender(log4cplus::SharedAppenderPtr(new log4cplus::NullAppender()));
  }
}

int RunUploads(const Arguments& args) {
  COptions& options = COptions::Instance();
  options.ClearCookies();
  options.AddCookie({"127.0.0.1", "GSESSIONID", args.session, "/"});
  options.BuildCookieHeader();
  options.BuildSessionParam();
  options.m_uploadSpeedLimitKb = args.speedLimitKb;
  if (args.retry >= 0) options.m_retryCount = args.retry;

  int64_t pid = args.pid;
  if (pid < 0 && !FindRoot(&pid)) {
    fprintf(stderr, "kvup-upload: the service at %s gave no backup root\n", args.service.c_str());
    return 1;
  }
  UploadRunner runner(stdout, args.quiet);
  options.m_dropWnd = runner.Window();
  bool readable = true;
  for (const std::string& file : args.files) readable = runner.AddFile(file, pid) && readable;
  CUpldThreadMgr::Instance().Start();
  const int failed = runner.Run();
  return failed == 0 && readable ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  Arguments args;
  if (!Parse(argc, argv, &args)) {
    fputs(kUsage, stderr);
    return 2;
  }
  log4cplus::Initializer logging;
  SetUpLogging();
  curl_global_init(CURL_GLOBAL_ALL);
  ServiceConfig::Instance().SetBaseUrl(args.service);
  const int rc = RunUploads(args);
  CUpldThreadMgr::Instance().Stop();
  curl_global_cleanup();
  return rc;
}
