#include "UploadCampaign.h"

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <random>
#include <regex>
#include <sstream>

#include "common/ChildProcess.h"
#include "common/HttpCall.h"
#include "common/StandInService.h"
#include "common/TempDir.h"
#include "pipeline/ShaDigest.h"

namespace kvtest {

namespace {

using Clock = std::chrono::steady_clock;

const char* const kEndpoints[] = {"breakPointUploadInitAction", "getFileAction",
                                  "breakPointUploadAction"};

// Every kind of fault of the stand-in, as "KIND[=VALUE]" for each endpoint.
// The break-point lies name a value beyond every file, the start, and the
// end of the first chunk.
const char* const kKinds[] = {
    "status=503",   "envelope=100500",  "text",     "delay=200",  "stall=200",
    "cut",          "throttle=300000",  "complete", "incomplete", "breakpoint=999999999",
    "breakpoint=0", "breakpoint=131072"};

const int64_t kLieValues[] = {999999999, 0, 131072};

bool IsLie(const std::string& kind) {
  return kind == "complete" || kind == "incomplete" || kind.rfind("breakpoint", 0) == 0;
}

std::string KindName(const std::string& kind) {
  return kind.substr(0, kind.find('='));
}

struct LocalFile {
  std::string path;
  std::string name;
  std::string digest;
  int64_t size = 0;
};

// Sizes from 0 to maxSize with the chunk edges among them; a few files repeat
// an earlier file's content, which the service completes at the first chunk
// (an instant upload that is true).
std::vector<LocalFile> MakeFiles(const TempDir& dir, const CampaignSettings& s) {
  std::mt19937 random(s.seed);
  std::vector<LocalFile> files;
  std::vector<std::string> contents;
  const int64_t edges[] = {0, 1, 131071, 131073, 262144, 262145};
  for (int i = 0; i < s.files; ++i) {
    std::string content;
    if (i >= 10 && i % 20 == 7) {
      content = contents[random() % contents.size()];
    } else {
      int64_t size = i < 6 ? edges[i] : static_cast<int64_t>(random() % (s.maxSize + 1));
      // At a size equal to a break-point lie, that lie told together with
      // "complete" in one getFileAction answer would fool any client.
      for (int64_t lie : kLieValues)
        if (size == lie && size != 0) ++size;
      content.resize(static_cast<size_t>(size));
      for (char& c : content) c = static_cast<char>(random());
    }
    contents.push_back(content);
    char name[32];
    snprintf(name, sizeof name, "c%04d.bin", i + 1);
    LocalFile f;
    f.name = name;
    f.path = dir.WriteFile(name, content);
    CShaDigest::OfFile(f.path, &f.digest, &f.size);
    files.push_back(f);
  }
  return files;
}

// "Task[NN] NAME: TEXT (fid ...)" lines of kvup-upload: NAME -> TEXT. With
// its log on, a log line may stand before one on the same line.
std::map<std::string, std::string> EndLines(const std::string& output) {
  static const std::regex kEnd(R"(Task\[\d+\] (\S+): (.*) \(fid -?\d+, -?\d+ bytes held\))");
  std::map<std::string, std::string> ends;
  std::istringstream lines(output);
  std::smatch m;
  for (std::string line; std::getline(lines, line);)
    if (std::regex_search(line, m, kEnd)) ends[m[1]] = m[2];
  return ends;
}

class Campaign {
 public:
  explicit Campaign(const CampaignSettings& s) : settings_(s) {}

  CampaignFigures Run() {
    service_ = std::make_unique<StandInService>(
        std::vector<std::string>{"--session", "s1=alice", "--control", "--log-level", "error"});
    if (!service_->Start()) return Failed("the service did not start: " + service_->error());
    const std::vector<LocalFile> files = MakeFiles(dir_, settings_);
    figures_.files = static_cast<int>(files.size());
    if (!AddFaults()) return Failed("the service refused the fault rules");

    std::string output;
    auto start = Clock::now();
    if (!Upload(files, settings_.countRefusals, &output)) return figures_;
    figures_.firstRunSeconds = std::chrono::duration<double>(Clock::now() - start).count();
    ReadFaultCounts();
    if (settings_.countRefusals) figures_.refusals = Count(output, "[Refused answer]");

    const std::map<std::string, std::string> ends = EndLines(output);
    const Json::Value tree = Tree();
    std::vector<LocalFile> failed;
    for (const LocalFile& f : files) {
      auto end = ends.find(f.name);
      if (end == ends.end()) ++figures_.unreported;
      const std::string text = end == ends.end() ? "no end line" : end->second;
      const bool done = text.rfind("完成", 0) == 0, instant = text.rfind("秒传", 0) == 0;
      const std::string held = Held(tree, f);
      if (done || instant) {
        ++(done ? figures_.done : figures_.instant);
        if (!held.empty()) {
          ++figures_.wrongSuccesses;
          figures_.problems.push_back(f.name + " (" + std::to_string(f.size) + " bytes) reported " +
                                      text + ", but " + held);
        }
        continue;
      }
      ++figures_.failed;
      ++figures_.failureMessages[text];
      if (held.empty()) {
        ++figures_.heldButFailed;
        figures_.problems.push_back(f.name + " (" + std::to_string(f.size) + " bytes) reported " +
                                    text + ", but the service holds it intact");
      }
      failed.push_back(f);
    }

    // The same files again, without faults: each one that failed completes.
    if (HttpCall(service_->BaseUrl()).PostForm("/kvup-control/faults/clear", "x=1").Status() != 0)
      return Failed("the service kept its fault rules");
    start = Clock::now();
    if (!failed.empty() && !Upload(failed, false, &output)) return figures_;
    figures_.secondRunSeconds = std::chrono::duration<double>(Clock::now() - start).count();
    const std::map<std::string, std::string> secondEnds = EndLines(output);
    const Json::Value after = Tree();
    for (const LocalFile& f : failed) {
      auto end = secondEnds.find(f.name);
      const std::string text = end == secondEnds.end() ? "no end line" : end->second;
      const std::string held = Held(after, f);
      if (held.empty() && (text.rfind("完成", 0) == 0 || text.rfind("秒传", 0) == 0)) continue;
      ++figures_.secondRunFailures;
      figures_.problems.push_back(f.name + " second run: " + text +
                                  (held.empty() ? "" : "; " + held));
    }
    return figures_;
  }

 private:
  CampaignFigures Failed(const std::string& why) {
    figures_.error = why;
    return figures_;
  }

  // Each of the kinds gets the same chance, so that together they hit
  // faultShare of an endpoint's requests; a "delay=0" rule counts them.
  bool AddFaults() {
    const size_t kinds = sizeof kKinds / sizeof kKinds[0];
    const double each = 1 - std::pow(1 - settings_.faultShare, 1.0 / static_cast<double>(kinds));
    std::string rules;
    uint64_t seed = settings_.seed;
    for (const char* endpoint : kEndpoints) {
      rules += std::string(endpoint) + ":delay=0\n";
      for (const char* kind : kKinds) {
        char probability[32];
        snprintf(probability, sizeof probability, "%.6f", each);
        rules += std::string(endpoint) + ":" + kind + ":prob=" + probability +
                 ":seed=" + std::to_string(++seed * 7919) + "\n";
      }
    }
    return HttpCall(service_->BaseUrl()).PostRaw("/kvup-control/faults", rules).Status() == 0;
  }

  void ReadFaultCounts() {
    const Reply r = HttpCall(service_->BaseUrl()).Get("/kvup-control/faults");
    for (const Json::Value& rule : r.json["data"]["rules"]) {
      const std::string spec = rule["rule"].asString();
      const std::string kind =
          spec.substr(spec.find(':') + 1, spec.find(":prob") - spec.find(':') - 1);
      if (kind == "delay=0") {
        figures_.requests += rule["seen"].asInt64();
        continue;
      }
      const int64_t fired = rule["fired"].asInt64();
      figures_.faultsByKind[KindName(kind)] += fired;
      figures_.faults += fired;
      if (!IsLie(kind)) continue;
      figures_.liesTold += fired;
      figures_.liesByEndpoint[spec.substr(0, spec.find(':'))] += fired;
    }
  }

  bool Upload(const std::vector<LocalFile>& files, bool withLog, std::string* output) {
    std::vector<std::string> args = {BuiltProgram("kvup-upload"),
                                     "--service",
                                     service_->BaseUrl(),
                                     "--session",
                                     "s1",
                                     "--quiet"};
    for (const LocalFile& f : files) args.push_back(f.path);
    std::vector<std::string> env;
    if (withLog) env.push_back("KVUP_UPLOAD_LOG=1");
    ChildProcess child;
    if (!child.Start(args, env)) {
      figures_.error = "kvup-upload did not start";
      return false;
    }
    const int rc = child.Wait(900000);
    *output = child.Output();
    if (const char* keep = std::getenv("KVUP_CAMPAIGN_OUTPUT"))
      std::ofstream(keep, std::ios::app) << *output;
    if (rc < 0 || rc > 1) {
      figures_.error = "kvup-upload ended with " + std::to_string(rc) + ":\n" + *output;
      return false;
    }
    return true;
  }

  static int64_t Count(const std::string& text, const std::string& what) {
    int64_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
  }

  Json::Value Tree() {
    return HttpCall(service_->BaseUrl())
        .Get("/kvup-control/tree?account=alice")
        .json["data"]["entries"];
  }

  // Empty when the service holds the file complete with the same bytes, else
  // what it holds.
  static std::string Held(const Json::Value& tree, const LocalFile& f) {
    for (const Json::Value& e : tree) {
      if (e["type"].asInt() != 1 || e["name"].asString() != f.name) continue;
      if (e["status"].asInt() != 1)
        return "the service holds status " + e["status"].asString() + " at " +
               std::to_string(e["breakPoint"].asInt64()) + " bytes";
      if (e["size"].asInt64() != f.size || e["hash"].asString() != f.digest)
        return "the service holds " + std::to_string(e["size"].asInt64()) + " bytes, hash " +
               e["hash"].asString();
      if (ReadAll(e["content"].asString()) != ReadAll(f.path)) return "the stored content differs";
      return std::string();
    }
    return "the service has no such file";
  }

  CampaignSettings settings_;
  TempDir dir_;
  std::unique_ptr<StandInService> service_;
  CampaignFigures figures_;
};

}  // namespace

CampaignFigures RunUploadCampaign(const CampaignSettings& settings) {
  return Campaign(settings).Run();
}

}  // namespace kvtest
