#include "storms/StormCampaign.h"

#include <signal.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <set>
#include <sstream>
#include <thread>

#include "common/ChildProcess.h"
#include "common/CuttingFront.h"
#include "common/DesktopLink.h"
#include "common/FuzzingFront.h"
#include "common/HttpCall.h"
#include "common/LoopbackSocket.h"
#include "common/StandInService.h"
#include "common/TempDir.h"
#include "sqlite/DBWrapper.h"

namespace kvtest {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr const char* kCountRequests = "*:delay=0:times=0";
constexpr int kCodeFinished = 3, kCodeStopped = 6, kCodeFailures = 8;

// Every fault kind of the service; each gets an equal part of the share.
const char* const kFaultKinds[] = {
    "status=500",        "status=503",           "status=409", "status=422", "envelope=1",
    "envelope=102008",   "envelope=102009",      "text",       "cut",        "stall=2000",
    "delay=700",         "throttle=300000",      "complete",   "incomplete", "breakpoint=0",
    "breakpoint=131072", "breakpoint=9000000000"};

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

std::string FaultRules(const StormSettings& s) {
  std::string rules = kCountRequests;
  if (s.chunkDelayMs > 0)
    rules += "\nbreakPointUploadAction:delay=" + std::to_string(s.chunkDelayMs);
  if (!s.extraRules.empty()) rules += "\n" + s.extraRules;
  if (s.faultShare <= 0) return rules;
  const double each = s.faultShare / static_cast<double>(std::size(kFaultKinds));
  uint64_t seed = s.seed * 100ull;
  for (const char* kind : kFaultKinds)
    rules += "\n*:" + std::string(kind) + ":prob=" + std::to_string(each) +
             ":seed=" + std::to_string(++seed);
  return rules;
}

// The kind of a rule "ENDPOINT:KIND=VALUE:...": "KIND=VALUE".
std::string KindOf(const std::string& rule) {
  const size_t first = rule.find(':');
  const size_t second = rule.find(':', first + 1);
  return rule.substr(first + 1, second - first - 1);
}

class StormWorld {
 public:
  explicit StormWorld(const StormSettings& s) : s_(s) {}

  bool Prepare(std::string* error) {
    fs::create_directories(user_);
    // KVUP_STORM_LOG=FILE keeps kvup's log of the run, at DEBUG, for a replay.
    const char* keep = std::getenv("KVUP_STORM_LOG");
    keepLog_ = keep ? keep : "";
    dir_.WriteFile("log4cplus.properties",
                   std::string("log4cplus.rootLogger=") + (keep ? "DEBUG" : "INFO") +
                       ", RUN\n"
                       "log4cplus.appender.RUN=log4cplus::FileAppender\n"
                       "log4cplus.appender.RUN.File=kvup.log\n"
                       "log4cplus.appender.RUN.layout=log4cplus::PatternLayout\n"
                       "log4cplus.appender.RUN.layout.ConversionPattern=%c|%m%n\n");
    if (!service_.Start()) {
      *error = "service: " + service_.error();
      return false;
    }
    if (s_.network == StormNetwork::kCut) {
      cutter_ = std::make_unique<CuttingFront>(static_cast<uint16_t>(service_.port()));
      front_ = cutter_.get();
    } else if (s_.fuzzShare > 0) {
      fuzzer_ = std::make_unique<FuzzingFront>(static_cast<uint16_t>(service_.port()), s_.seed,
                                               s_.fuzzShare);
      front_ = fuzzer_.get();
    }
    if (front_ && !front_->Start()) {
      *error = "the front did not start";
      return false;
    }
    return true;
  }

  // Small and middle files in ten folders, a few big ones, seeded.
  void MakeTree(StormFigures* f) {
    std::mt19937 random(s_.seed);
    for (int i = 0; i < s_.files; ++i) {
      int64_t size =
          i < s_.bigFiles ? s_.bigSize : static_cast<int64_t>(random() % (s_.maxSize + 1));
      // A quarter of the files are small: many requests per byte.
      if (i >= s_.bigFiles && random() % 4 == 0) size %= 4096;
      const std::string rel = "d" + std::to_string(i % 10) + "/f" + std::to_string(i) + ".bin";
      fs::create_directories(fs::path(root_ + "/" + rel).parent_path());
      std::string content(static_cast<size_t>(size), '\0');
      for (char& c : content) c = static_cast<char>(random());
      std::ofstream(root_ + "/" + rel, std::ios::binary) << content;
      files_.push_back(rel);
      f->bytes += size;
    }
    f->files = s_.files;
  }

  // A kvup run started by a new client (greeted, cookies, start); log-in
  // too when logIn (a client that comes back).
  bool LaunchRun(bool logIn, std::string* error) {
    port_ = FreeLoopbackPort();
    kvup_ = std::make_unique<ChildProcess>();
    const std::string url = front_ ? front_->BaseUrl() : service_.BaseUrl();
    kvup_->Start({BuiltProgram("kvup"), "--user-data", user_, "--port", std::to_string(port_),
                  "--headless", "--service", url},
                 {"XDG_RUNTIME_DIR=" + dir_.path()}, dir_.path());
    link_ = std::make_unique<DesktopLink>();
    if (!link_->ConnectAndGreet(port_, 30000) || !link_->SendCookies("abc", "alice") ||
        !link_->Start(60000)) {
      *error = "kvup did not start: " + kvup_->Output();
      return false;
    }
    return !logIn || link_->LogIn("abc", "alice");
  }

  // Drops the tree and follows the link until the batch ends or the bound
  // passes, logging in again whenever kvup went offline and the service is
  // back; runs the network event on the way.
  void RunBatch(StormFigures* f) {
    // The storm starts with the batch: kvup's start-up listing goes through.
    if (!AddRules() || !link_->Drop(root_)) return Violation(f, "the drop could not be sent");
    const Clock::time_point start = Clock::now();
    const auto deadline = start + std::chrono::milliseconds(s_.boundMs);
    bool eventDone = s_.network == StormNetwork::kNone;
    bool offline = false;
    while (f->endCode == 0 && Clock::now() < deadline) {
      for (char c : link_->socket().Receive(100)) {
        char stamp[32];
        std::snprintf(stamp, sizeof stamp, "%c@%.1f ", c, SecondsSince(start));
        f->codes += stamp;
        if (c == '0' + kCodeStopped) {
          offline = true;
          ++f->offlineEpisodes;
        }
        if (c == '0' + kCodeFinished || c == '0' + kCodeFailures) f->endCode = c - '0';
      }
      if (!eventDone && Clock::now() - start > std::chrono::milliseconds(s_.eventAfterMs)) {
        eventDone = true;
        if (!NetworkEvent(f)) return;
      }
      if (offline && Reachable()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        offline = !link_->LogIn("abc", "alice");
      }
    }
    f->batchSeconds = SecondsSince(start);
    if (!eventDone) Violation(f, "the batch ended before the network event");
    if (f->endCode == 0)
      Violation(f, "no end of the batch within " + std::to_string(s_.boundMs / 1000) + " s");
  }

  // The client's quit: kvup ends in order, unharmed.
  void Quit(StormFigures* f) {
    link_->Quit();
    ExpectCleanExit(f, "after the quit");
  }

  void Harvest(StormFigures* f) {
    const Reply r = HttpCall(service_.BaseUrl()).Get("/kvup-control/faults");
    for (const Json::Value& v : r.json["data"]["rules"]) {
      const std::string rule = v["rule"].asString();
      if (rule == kCountRequests) f->requests += v["seen"].asInt64();
      if (rule.find(":prob=") != std::string::npos)
        f->faultsByKind[KindOf(rule)] += v["fired"].asInt64();
    }
    if (fuzzer_) f->mutationsByKind = fuzzer_->fuzzer().byKind();
    if (cutter_) f->connectionsRefused = cutter_->refused();
  }

  // Every file held byte-identical, or kept by kvup with code 8 told; no
  // file recorded done that the service does not hold intact.
  void Check(StormFigures* f) {
    const std::map<std::string, std::string> held = service_.Held("alice");
    const std::set<std::string> done = LocalPaths("log", "SELECT path, name FROM log;");
    ReadFailedList();
    for (const std::string& rel : files_) {
      const std::string local = root_ + "/" + rel;
      auto it = held.find("storm/" + rel);
      const bool intact = it != held.end() && ReadAll(it->second) == ReadAll(local);
      if (intact) {
        ++f->held;
        if (listed_.count(local)) ++f->listedButHeld;
      } else if (f->endCode == kCodeFailures && listed_.count(local)) {
        ++f->failedListed;
      } else {
        Violation(f, rel + " neither held nor in the failed list");
        Evidence(f, rel);
      }
      if (!intact && done.count(local)) {
        Violation(f, rel + " recorded done, not held intact");
        Evidence(f, rel);
      }
    }
    CheckComplete(f);
    if (!keepLog_.empty())
      fs::copy_file(dir_.Sub("kvup.log"), keepLog_, fs::copy_options::overwrite_existing);
    if (f->violations.empty()) return;
    const std::string log = ReadAll(dir_.Sub("kvup.log"));
    f->evidence +=
        "kvup's last log lines:\n" + log.substr(log.size() - std::min<size_t>(log.size(), 8000));
  }

 private:
  // The files kvup showed as failed, from its log.
  void ReadFailedList() {
    static const std::string kLine = "UIDLG|failed list: ";
    std::istringstream log(ReadAll(dir_.Sub("kvup.log")));
    for (std::string line; std::getline(log, line);) {
      if (line.compare(0, kLine.size(), kLine) != 0) continue;
      const size_t end = line.rfind(" (error ");
      if (end != std::string::npos) listed_.insert(line.substr(kLine.size(), end - kLine.size()));
    }
  }

  void Evidence(StormFigures* f, const std::string& rel) const {
    const std::string name = fs::path(rel).filename().string();
    std::istringstream log(ReadAll(dir_.Sub("kvup.log")));
    for (std::string line; std::getline(log, line);)
      if (line.find(name) != std::string::npos) f->evidence += line + "\n";
  }

  bool RestartService(std::string* error) {
    kill(service_.pid(), SIGKILL);
    service_.Stop();
    if (service_.Start() && AddRules()) return true;
    *error = "service: " + service_.error();
    return false;
  }

  bool AddRules() {
    return HttpCall(service_.BaseUrl()).PostRaw("/kvup-control/faults", FaultRules(s_)).http == 200;
  }

  bool Reachable() const { return service_.pid() > 0 && !(cutter_ && cutter_->Cutting()); }

  bool NetworkEvent(StormFigures* f) {
    std::string error;
    switch (s_.network) {
      case StormNetwork::kServiceRestart:
        Harvest(f);
        if (RestartService(&error)) return true;
        break;
      case StormNetwork::kClientRestart:
        link_->socket().Close();
        ExpectCleanExit(f, "after its client went away");
        ReadFailedList();  // the next run writes a new log
        if (LaunchRun(true, &error)) return true;
        break;
      case StormNetwork::kCut:
        cutter_->Cut(s_.cutMs);
        return true;
      case StormNetwork::kLogOut:
        if (link_->LogOut()) return true;
        error = "the log-out could not be sent";
        break;
      case StormNetwork::kNone:
        return true;
    }
    Violation(f, "after the network event: " + error);
    return false;
  }

  void ExpectCleanExit(StormFigures* f, const std::string& when) {
    const int status = kvup_->Wait(60000);
    if (status != 0) Violation(f, "kvup exit status " + std::to_string(status) + " " + when);
    const std::string output = kvup_->Output();
    if (output.find("Sanitizer") != std::string::npos ||
        output.find("runtime error") != std::string::npos)
      Violation(f, "sanitizer report " + when + ": " + output.substr(0, 2000));
  }

  std::set<std::string> LocalPaths(const std::string& db, const std::string& query) const {
    std::set<std::string> paths;
    DBWrapper w(user_ + "/kvd/" + db);
    if (!fs::exists(user_ + "/kvd/" + db) || !w.Open()) return paths;
    w.Query(query);
    for (const auto& row : w.Rows())
      if (row.size() >= 2) paths.insert(row[0] + "/" + row[1]);
    return paths;
  }

  // Every complete file the service holds has the content its digest names.
  void CheckComplete(StormFigures* f) const {
    for (const std::string& name : service_.HeldWithOtherContent("alice"))
      Violation(f, "service holds " + name + " complete with other content");
  }

  static void Violation(StormFigures* f, const std::string& what) { f->violations.push_back(what); }

  const StormSettings s_;
  TempDir dir_;
  const std::string user_ = dir_.Sub("user");
  const std::string root_ = dir_.Sub("drop/storm");
  // A fixed port: a restarted service comes back where kvup looks for it.
  StandInService service_{
      {"--session", "abc=alice", "--control", "--port", std::to_string(FreeLoopbackPort())}};
  std::unique_ptr<CuttingFront> cutter_;
  std::unique_ptr<FuzzingFront> fuzzer_;
  LoopbackFront* front_ = nullptr;
  std::vector<std::string> files_;  // relative paths
  std::set<std::string> listed_;    // local paths shown as failed
  std::string keepLog_;
  uint16_t port_ = 0;
  std::unique_ptr<ChildProcess> kvup_;
  std::unique_ptr<DesktopLink> link_;
};

}  // namespace

StormFigures RunStorm(const StormSettings& settings) {
  StormFigures f;
  StormWorld world(settings);
  if (!world.Prepare(&f.error)) return f;
  world.MakeTree(&f);
  if (!world.LaunchRun(false, &f.error)) return f;
  world.RunBatch(&f);
  world.Harvest(&f);
  world.Quit(&f);
  world.Check(&f);
  return f;
}

}  // namespace kvtest
