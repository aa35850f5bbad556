#include "crash/CrashCampaign.h"

#include <signal.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <sstream>
#include <thread>

#include "common/ChildProcess.h"
#include "common/HttpCall.h"
#include "common/LoopbackSocket.h"
#include "common/StandInService.h"
#include "common/TempDir.h"
#include "sqlite/DBWrapper.h"

namespace kvtest {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int64_t kChunk = 131072;
constexpr const char* kCountChunks = "breakPointUploadAction:delay=1:times=0";

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// The user-data folder, the dropped tree, the service and kvup's port of one
// campaign.
struct World {
  TempDir dir;
  std::string user = dir.Sub("user");
  std::string root = dir.Sub("drop/batch");
  uint16_t port = 0;  // a new one for every run: the last one may be taken meanwhile
  StandInService service{{"--session", "abc=alice", "--control"}};
  std::map<std::string, int64_t> sizes;  // relative path -> size

  bool Prepare(const CrashSettings& s, std::string* error) {
    fs::create_directories(user);
    dir.WriteFile("log4cplus.properties",
                  "log4cplus.rootLogger=INFO, RUN\n"
                  "log4cplus.appender.RUN=log4cplus::FileAppender\n"
                  "log4cplus.appender.RUN.File=kvup.log\n"
                  "log4cplus.appender.RUN.layout=log4cplus::PatternLayout\n"
                  "log4cplus.appender.RUN.layout.ConversionPattern=%c|%m%n\n");
    MakeTree(s);
    if (!service.Start()) {
      *error = "service: " + service.error();
      return false;
    }
    std::string rules = kCountChunks;
    if (s.chunkDelayMs > 0)
      rules += "\nbreakPointUploadAction:delay=" + std::to_string(s.chunkDelayMs);
    HttpCall(service.BaseUrl()).PostRaw("/kvup-control/faults", rules);
    return true;
  }

  // Small, middle and big files in ten folders, seeded.
  void MakeTree(const CrashSettings& s) {
    std::mt19937 random(s.seed);
    for (int i = 0; i < s.files; ++i) {
      const int kind = static_cast<int>(random() % 10);
      int64_t size = 0;
      if (s.smallSize > 0)
        size = static_cast<int64_t>(random() % (s.smallSize + 1));
      else if (kind < 6)
        size = static_cast<int64_t>(random() % 20000);
      else if (kind < 9)
        size = 20000 + static_cast<int64_t>(random() % 380000);
      else
        size = 400000 + static_cast<int64_t>(random() % std::max<int64_t>(1, s.maxSize - 400000));
      const std::string rel = "d" + std::to_string(i % 10) + "/f" + std::to_string(i) + ".bin";
      fs::create_directories(fs::path(root + "/" + rel).parent_path());
      std::string content(static_cast<size_t>(size), '\0');
      for (char& c : content) c = static_cast<char>(random());
      std::ofstream(root + "/" + rel, std::ios::binary) << content;
      sizes[rel] = size;
    }
  }

  std::string Log() const { return ReadAll(dir.Sub("kvup.log")); }

  bool DropAccepted() const {
    DBWrapper txlog(user + "/kvd/txlog");
    if (!fs::exists(user + "/kvd/txlog") || !txlog.Open()) return false;
    txlog.Query("SELECT path FROM drag_dir;");
    return !txlog.Rows().empty();
  }

  std::unique_ptr<ChildProcess> Launch(bool journal) {
    fs::remove(dir.Sub("kvup.log"));
    port = FreeLoopbackPort();
    auto kvup = std::make_unique<ChildProcess>();
    std::vector<std::string> args{
        BuiltProgram("kvup"), "--user-data", user,        "--port",
        std::to_string(port), "--headless",  "--service", service.BaseUrl()};
    if (!journal) args.push_back("--no-resume-journal");
    kvup->Start(args, {"XDG_RUNTIME_DIR=" + dir.path()}, dir.path());
    return kvup;
  }

  std::unique_ptr<ChildProcess> Client(const std::vector<std::string>& commands) {
    auto client = std::make_unique<ChildProcess>();
    std::vector<std::string> args{BuiltProgram("kvup-client"),
                                  "--port",
                                  std::to_string(port),
                                  "--session",
                                  "abc",
                                  "--account",
                                  "alice",
                                  "--connect-wait",
                                  "20000"};
    args.insert(args.end(), commands.begin(), commands.end());
    client->Start(args);
    return client;
  }

  // Every complete file the service holds has the content its digest names.
  void CheckComplete(std::vector<std::string>* bad) const {
    const std::vector<std::string> found = service.HeldWithOtherContent("alice");
    bad->insert(bad->end(), found.begin(), found.end());
  }

  std::vector<std::string> Missing() const {
    const std::map<std::string, std::string> held = service.Held("alice");
    std::vector<std::string> missing;
    for (const auto& [rel, size] : sizes) {
      auto it = held.find("batch/" + rel);
      if (it == held.end() || ReadAll(it->second) != ReadAll(root + "/" + rel))
        missing.push_back(rel);
    }
    return missing;
  }

  int64_t ChunksSent() const {
    const Reply r = HttpCall(service.BaseUrl()).Get("/kvup-control/faults");
    for (const Json::Value& v : r.json["data"]["rules"])
      if (v["rule"].asString() == kCountChunks) return v["seen"].asInt64();
    return -1;
  }
};

bool WaitUntil(int timeoutMs, int pollMs, const std::function<bool()>& done) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!done()) {
    if (Clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(pollMs));
  }
  return true;
}

// false when the first run never accepted the drop (error says why): the
// campaign would then test nothing.
bool KillRun(World& world, const CrashSettings& s, bool first, std::mt19937& random,
             std::string* error) {
  auto kvup = world.Launch(s.journal);
  std::vector<std::string> commands{"hello", "wait=1", "cookies", "start", "wait=7"};
  if (first) commands.push_back("drop=" + world.root);
  commands.push_back("hold");
  auto client = world.Client(commands);
  client->WaitForOutput("status 7", 30000);
  // The guarantee starts once kvup accepted the drop.
  if (first && !WaitUntil(30000, 10, [&] { return world.DropAccepted(); })) {
    *error = "the first run did not accept the drop; kvup: " + kvup->Output() +
             "; client: " + client->Output();
    return false;
  }
  if (!first && s.killAfterResume)
    WaitUntil(30000, 10,
              [&] { return world.Log().find("KVUP|KVUP resume: ") != std::string::npos; });
  const int span = std::max(1, s.maxKillMs - s.minKillMs);
  std::this_thread::sleep_for(
      std::chrono::milliseconds(s.minKillMs + static_cast<int>(random() % span)));
  kvup->Signal(SIGKILL);
  kvup->Wait(30000);
  client->Wait(30000);
  return true;
}

}  // namespace

CrashFigures RunCrashCampaign(const CrashSettings& s) {
  CrashFigures f;
  World world;
  if (!world.Prepare(s, &f.error)) return f;
  f.files = s.files;
  for (const auto& [rel, size] : world.sizes) {
    f.bytes += size;
    f.chunksNeeded += (size + kChunk - 1) / kChunk;
  }
  std::mt19937 random(s.seed * 7919u + 1u);
  const Clock::time_point start = Clock::now();
  for (; f.kills < s.kills; ++f.kills) {
    if (!KillRun(world, s, f.kills == 0, random, &f.error)) return f;
    world.CheckComplete(&f.badComplete);
  }
  auto kvup = world.Launch(s.journal);
  auto client = world.Client({"hello", "wait=1", "cookies", "start", "wait=7", "hold"});
  WaitUntil(s.finishTimeoutMs, 500, [&] { return world.Missing().empty(); });
  f.seconds = SecondsSince(start);
  kvup->Signal(SIGTERM);
  kvup->Wait(30000);
  client->Wait(30000);
  f.missing = world.Missing();
  world.CheckComplete(&f.badComplete);
  f.chunksSent = world.ChunksSent();
  f.chunksBeyondOnePerFile = std::max<int64_t>(0, f.chunksSent - f.chunksNeeded - s.files);
  return f;
}

double TimeOneBatch(const CrashSettings& s, std::string* error) {
  World world;
  if (!world.Prepare(s, error)) return -1;
  auto kvup = world.Launch(s.journal);
  const Clock::time_point start = Clock::now();
  auto client = world.Client({"hello", "wait=1", "cookies", "start", "wait=7", "drop=" + world.root,
                              "wait=3,3600000", "quit"});
  const int code = client->Wait(3700000);
  const double seconds = SecondsSince(start);
  kvup->Wait(30000);
  if (code != 0) {
    *error = "the batch did not end with code 3: " + client->Output();
    return -1;
  }
  if (!world.Missing().empty()) {
    *error = "files not held after the batch";
    return -1;
  }
  return seconds;
}

}  // namespace kvtest
