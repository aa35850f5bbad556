// Exit with uploads running: the real kvup (headless), driven over the link by
// kvup-client, against the stand-in service. Drops big files, lets their
// uploads run, sends the client's quit and prints the time from the quit to
// the end of the process, for each case:
//   idle       nothing dropped;
//   sending    chunk bodies read at a slow rate (throttle): curl is sending;
//   answering  every chunk answer delayed (delay): curl waits for an answer;
//   stalled    chunk requests never answered (stall): curl waits for an answer.
// With --log the kvup log lines from the quit on are printed (where the time goes).
//
//   bench_exit_uploads [--files N] [--mb SIZE] [--after MS] [--log] [--case NAME]
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/KvupBenchRun.h"
#include "common/ChildProcess.h"
#include "common/HttpCall.h"
#include "common/StandInService.h"
#include "common/TempDir.h"

namespace {

struct Settings {
  int files = 3;
  int mb = 64;
  int afterMs = 4000;
  bool log = false;
  std::string only;
};

struct Case {
  const char* name;
  const char* rule;  // nullptr: nothing dropped
};

std::string MakeTree(const kvtest::TempDir& dir, const Settings& s) {
  const std::string root = dir.Sub("drop/big");
  std::filesystem::create_directories(root);
  std::string block(1 << 20, '\0');
  for (int f = 0; f < s.files; ++f) {
    std::ofstream out(root + "/f" + std::to_string(f) + ".bin", std::ios::binary);
    for (int m = 0; m < s.mb; ++m) {
      for (size_t i = 0; i < block.size(); i += 64)
        block[i] = static_cast<char>(f * 131 + m * 7 + static_cast<int>(i >> 6));
      out.write(block.data(), static_cast<std::streamsize>(block.size()));
    }
  }
  return root;
}

std::string QuitLogLines(const std::string& folder, double quitAt) {
  std::string lines;
  if (!std::filesystem::exists(folder)) return lines;
  for (const auto& e : std::filesystem::directory_iterator(folder)) {
    std::ifstream in(e.path());
    for (std::string line; std::getline(in, line);)
      if (benchrun::StampOf(line) >= quitAt - 0.001) lines += line + "\n";
  }
  return lines;
}

// Runs one case; the seconds from the quit to the end of kvup, or -1.
double RunCase(const Settings& s, const Case& c, const std::string& root) {
  kvtest::TempDir dir;
  kvtest::StandInService service({"--session", "abc=alice", "--control", "--log-level", "WARN"});
  if (!service.Start()) {
    std::fprintf(stderr, "the stand-in service did not start: %s\n", service.error().c_str());
    return -1;
  }
  if (c.rule) kvtest::HttpCall(service.BaseUrl()).PostRaw("/kvup-control/faults", c.rule);
  const std::string port = std::to_string(20000 + (getpid() * 7 + std::rand()) % 20000);
  kvtest::ChildProcess kvup;
  if (!benchrun::StartHeadlessKvup(&kvup, dir, port, service.BaseUrl())) return -1;
  std::vector<std::string> args = benchrun::ClientOpening(port);
  if (c.rule) args.push_back("drop=" + root);
  args.push_back("sleep=" + std::to_string(c.rule ? s.afterMs : 500));
  args.push_back("quit");
  kvtest::ChildProcess client;
  if (!client.Start(args)) return -1;
  const int clientCode = client.Wait(600000);
  const int kvupCode = kvup.Wait(120000);
  const double endAt = benchrun::NowOfDay();
  const std::string out = client.Output();
  const double quitAt = benchrun::StampOfLineWith(out, " sent quit");
  if (clientCode != 0 || kvupCode != 0 || quitAt < 0) {
    std::fprintf(stderr, "%s: run failed (client %d, kvup %d):\n%s\n", c.name, clientCode, kvupCode,
                 out.c_str());
    return -1;
  }
  int unfinished = 0;
  const kvtest::Reply tree =
      kvtest::HttpCall(service.BaseUrl()).Get("/kvup-control/tree?account=alice");
  for (const Json::Value& v : tree.json["data"]["entries"])
    if (v["type"].asInt() == 1 && v["status"].asInt() != 1) ++unfinished;
  std::printf("%-10s quit to end: %.3f s  (files unfinished at the end: %d)\n", c.name,
              endAt - quitAt, unfinished);
  if (s.log) std::printf("%s", QuitLogLines(dir.Sub("logs"), quitAt).c_str());
  return endAt - quitAt;
}

}  // namespace

int main(int argc, char** argv) {
  Settings s;
  for (int i = 1; i < argc; ++i) {
    const std::string name = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : "";
    if (name == "--log") {
      s.log = true;
      continue;
    }
    if (name == "--files") s.files = std::atoi(value);
    if (name == "--mb") s.mb = std::atoi(value);
    if (name == "--after") s.afterMs = std::atoi(value);
    if (name == "--case") s.only = value;
    ++i;
  }
  std::srand(static_cast<unsigned>(time(nullptr)));
  kvtest::TempDir dir;
  const std::string root = MakeTree(dir, s);
  std::printf("%d files of %d MB; quit %d ms after the drop\n", s.files, s.mb, s.afterMs);
  const std::vector<Case> cases = {
      {"idle", nullptr},
      {"sending", "breakPointUploadAction:throttle=1000000"},
      {"answering", "breakPointUploadAction:delay=5000"},
      {"stalled", "breakPointUploadAction:stall=60000"},
  };
  int failed = 0;
  for (const Case& c : cases)
    if (s.only.empty() || s.only == c.name) failed += RunCase(s, c, root) < 0;
  return failed == 0 ? 0 : 1;
}
