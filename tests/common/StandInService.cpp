#include "common/StandInService.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "common/HttpCall.h"
#include "pipeline/ShaDigest.h"
#include "session/COptions.h"
#include "session/ServiceConfig.h"

extern char** environ;

namespace kvtest {

StandInService::StandInService(std::vector<std::string> options)
    : root_(dir_.Sub("root")), options_(std::move(options)) {}

StandInService::~StandInService() {
  Stop();
}

std::string StandInService::BinaryPath() {
  const char* dir = std::getenv("KVUP_BUILD_DIR");
  return std::string(dir != nullptr && *dir != '\0' ? dir : KVUP_BUILD_DIR) + "/kvup-service";
}

std::string StandInService::BaseUrl() const {
  return "http://127.0.0.1:" + std::to_string(port_);
}

Json::Value StandInService::Entries(const std::string& account) const {
  return HttpCall(BaseUrl()).Get("/kvup-control/tree?account=" + account).json["data"]["entries"];
}

std::map<std::string, std::string> StandInService::Held(const std::string& account,
                                                        bool withFolders) const {
  std::map<int64_t, Json::Value> byId;
  for (const Json::Value& e : Entries(account)) byId[e["id"].asInt64()] = e;
  std::map<std::string, std::string> held;
  for (const auto& [id, e] : byId) {
    const int type = e["type"].asInt();
    if (type == 0 || e["status"].asInt() != 1 || (type != 1 && !withFolders)) continue;
    std::string path = e["name"].asString();
    for (int64_t up = e["pid"].asInt64(); byId.count(up) && byId[up]["type"].asInt() != 0;
         up = byId[up]["pid"].asInt64())
      path = byId[up]["name"].asString() + "/" + path;
    held[path] = type == 1 ? e["content"].asString() : "";
  }
  return held;
}

std::vector<std::string> StandInService::HeldWithOtherContent(const std::string& account) const {
  std::vector<std::string> bad;
  for (const Json::Value& e : Entries(account)) {
    if (e["type"].asInt() != 1 || e["status"].asInt() != 1) continue;
    std::string digest;
    int64_t size = 0;
    CShaDigest::OfFile(e["content"].asString(), &digest, &size);
    if (digest != e["hash"].asString() || size != e["size"].asInt64())
      bad.push_back(e["name"].asString());
  }
  return bad;
}

std::string StandInService::LogText() const {
  std::ifstream in(dir_.Sub("service.log"));
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

bool StandInService::Start() {
  if (pid_ > 0) return true;
  int out[2];
  if (pipe2(out, O_CLOEXEC) != 0) return false;
  std::vector<std::string> args = {BinaryPath(), "--root", root_, "--port", "0"};
  args.insert(args.end(), options_.begin(), options_.end());
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_addopen(&actions, 2, dir_.Sub("service.log").c_str(),
                                   O_WRONLY | O_CREAT | O_APPEND, 0644);
  int rc = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  if (rc != 0) {
    pid_ = -1;
    close(out[0]);
    error_ = "cannot start " + args[0];
    return false;
  }
  std::string line;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (line.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
    pollfd p{out[0], POLLIN, 0};
    if (poll(&p, 1, 100) <= 0) continue;
    char buf[64];
    ssize_t n = read(out[0], buf, sizeof buf);
    if (n <= 0) break;
    line.append(buf, static_cast<size_t>(n));
  }
  close(out[0]);
  port_ = std::atoi(line.c_str());
  if (port_ > 0) return true;
  error_ = "no port line; log: " + LogText();
  Stop();
  return false;
}

int StandInService::Stop() {
  if (pid_ <= 0) return -1;
  kill(pid_, SIGTERM);
  int status = 0;
  for (int i = 0; i < 200 && waitpid(pid_, &status, WNOHANG) == 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  if (waitpid(pid_, &status, WNOHANG) == 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, &status, 0);
  }
  pid_ = -1;
  port_ = 0;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool StandInService::Restart() {
  Stop();
  return Start();
}

void StandInService::SignIn(COptions& options, const std::string& session) const {
  options.ClearCookies();
  options.AddCookie({"127.0.0.1", "GSESSIONID", session, "/"});
  options.BuildCookieHeader();
  options.BuildSessionParam();
  ServiceConfig::Instance().SetBaseUrl(BaseUrl());
}

}  // namespace kvtest
