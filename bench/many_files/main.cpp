// Many small files through the whole program: the real kvup (headless),
// driven over the link by kvup-client, against the stand-in service on
// loopback. Drops a folder of N files of S bytes in F folders, times the drop
// to the end code, drops it again (every file held: no chunk may be sent),
// then times the exit of the idle program after its client's quit. With
// --ui-timing kvup times every handler of its user-interface thread and the
// histogram it logs at exit is printed (the close sequence left out). kvup's
// peak resident memory (VmHWM of /proc/PID/status, sampled every 50 ms) is
// printed idle (just before the first drop) and at the end. --once drops once.
//
//   bench_many_files [--files N] [--size BYTES] [--folders F] [--ui-timing] [--once]
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "bench/KvupBenchRun.h"
#include "common/ChildProcess.h"
#include "common/HttpCall.h"
#include "common/StandInService.h"
#include "common/TempDir.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr const char* kCountChunks = "breakPointUploadAction:delay=0:times=0";

struct Settings {
  int files = 10000;
  int size = 16384;
  int folders = 100;
  bool uiTiming = false;
  bool once = false;
};

// VmHWM of a process in KiB, 0 when it is gone.
long PeakKib(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(in, line);)
    if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
  return 0;
}

// Samples a process's VmHWM every 50 ms until stopped.
class PeakSampler {
 public:
  explicit PeakSampler(pid_t pid)
      : thread_([this, pid] {
          while (!stop_) {
            const long kib = PeakKib(pid);
            if (kib > 0) {
              std::lock_guard<std::mutex> lock(mu_);
              samples_.emplace_back(benchrun::NowOfDay(), kib);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
          }
        }) {}
  ~PeakSampler() { Stop(); }
  void Stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }
  // The last VmHWM sampled before `at` (seconds of the day), and the last one.
  long Before(double at) const {
    long kib = 0;
    for (const auto& [t, k] : samples_)
      if (t < at) kib = k;
    return kib;
  }
  long Last() const { return samples_.empty() ? 0 : samples_.back().second; }

 private:
  std::atomic<bool> stop_{false};
  std::mutex mu_;
  std::vector<std::pair<double, long>> samples_;
  std::thread thread_;
};

double Seconds(Clock::time_point from) {
  return std::chrono::duration<double>(Clock::now() - from).count();
}

std::string MakeTree(const kvtest::TempDir& dir, const Settings& s) {
  const std::string root = dir.Sub("drop/many");
  std::string content(static_cast<size_t>(s.size), 'x');
  for (int i = 0; i < s.files; ++i) {
    const std::string folder = root + "/d" + std::to_string(i % s.folders);
    std::filesystem::create_directories(folder);
    content.replace(0, 12, std::to_string(1000000000 + i) + "..");  // distinct digests
    std::ofstream(folder + "/f" + std::to_string(i), std::ios::binary) << content;
  }
  return root;
}

int Seen(const kvtest::StandInService& service) {
  const kvtest::Reply r = kvtest::HttpCall(service.BaseUrl()).Get("/kvup-control/faults");
  for (const Json::Value& v : r.json["data"]["rules"])
    if (v["rule"].asString() == kCountChunks) return v["seen"].asInt();
  return -1;
}

}  // namespace

int main(int argc, char** argv) {
  Settings s;
  for (int i = 1; i < argc; i += 2) {
    const std::string name = argv[i];
    if (name == "--ui-timing" || name == "--once") {
      (name == "--once" ? s.once : s.uiTiming) = true;
      --i;
      continue;
    }
    if (i + 1 >= argc) break;
    const int value = std::atoi(argv[i + 1]);
    if (name == "--files") s.files = value;
    if (name == "--size") s.size = value;
    if (name == "--folders") s.folders = value;
  }
  if (s.files <= 0 || s.size < 16 || s.folders <= 0) {
    std::fprintf(stderr, "usage: %s [--files N] [--size BYTES>=16] [--folders F]\n", argv[0]);
    return 2;
  }
  kvtest::TempDir dir;
  const Clock::time_point made = Clock::now();
  const std::string root = MakeTree(dir, s);
  std::printf("tree: %d files of %d B in %d folders, made in %.1f s\n", s.files, s.size, s.folders,
              Seconds(made));

  kvtest::StandInService service({"--session", "abc=alice", "--control"});
  if (!service.Start()) {
    std::fprintf(stderr, "the stand-in service did not start: %s\n", service.error().c_str());
    return 1;
  }
  kvtest::HttpCall(service.BaseUrl()).PostRaw("/kvup-control/faults", kCountChunks);
  const std::string port = std::to_string(20000 + getpid() % 20000);
  kvtest::ChildProcess kvup;
  const std::vector<std::string> timing{"--ui-timing"};
  if (!benchrun::StartHeadlessKvup(&kvup, dir, port, service.BaseUrl(),
                                   s.uiTiming ? timing : std::vector<std::string>{}))
    return 1;
  PeakSampler peak(kvup.pid());
  kvtest::ChildProcess client;
  const std::string limit = "end=" + std::to_string(600000 + s.files * 100);
  // The second's rest before the drop shows kvup idle.
  std::vector<std::string> commands = benchrun::ClientOpening(port);
  commands.insert(commands.end(), {"sleep=1000", "drop=" + root, limit});
  if (!s.once) commands.insert(commands.end(), {"drop=" + root, limit});
  commands.push_back("quit");
  if (!client.Start(commands)) return 1;
  const int clientCode = client.Wait(3600000);
  const long peakKib = PeakKib(kvup.pid());
  const Clock::time_point quit = Clock::now();
  const int kvupCode = kvup.Wait(120000);
  const double exitSeconds = Seconds(quit);
  peak.Stop();
  const std::vector<double> drops = benchrun::DropTimes(client.Output());
  const double firstDrop = std::max(0.0, benchrun::StampOfLineWith(client.Output(), " sent drop="));
  if (clientCode != 0 || kvupCode != 0 || drops.size() != (s.once ? 1u : 2u)) {
    std::fprintf(stderr, "run failed (client %d, kvup %d):\n%s\n", clientCode, kvupCode,
                 client.Output().c_str());
    return 1;
  }
  const int chunks = Seen(service);
  const int perFile = (s.size + 131071) / 131072;
  std::printf("first drop:  %.2f s, %.1f files/s, ratio to 100 files/s: %.2f\n", drops[0],
              s.files / drops[0], s.files / drops[0] / 100.0);
  std::printf("time per file: %.2f ms\n", drops[0] * 1000.0 / s.files);
  if (!s.once)
    std::printf("same again:  %.2f s, %.1f files/s, chunks sent again: %d\n", drops[1],
                s.files / drops[1], chunks - s.files * perFile);
  const long idleKib = peak.Before(firstDrop);
  const long endKib = std::max(peakKib, peak.Last());
  std::printf("kvup VmHWM: idle %.1f MiB, peak %.1f MiB, growth %.1f MiB (target <= 100)\n",
              idleKib / 1024.0, endKib / 1024.0, (endKib - idleKib) / 1024.0);
  std::printf("exit after the client's quit: %.3f s\n", exitSeconds);
  if (s.uiTiming && std::filesystem::exists(dir.Sub("logs")))
    for (const auto& e : std::filesystem::directory_iterator(dir.Sub("logs"))) {
      std::ifstream in(e.path());
      for (std::string line; std::getline(in, line);) {
        const size_t at = line.find("ui-timing: ");
        if (at != std::string::npos) std::printf("%s\n", line.c_str() + at);
      }
    }
  return 0;
}
