// What the benches that run the whole program share: the real kvup started
// headless, the desktop client's opening (hello, cookies, start), and the
// reading of kvup-client's time-stamped lines.
#pragma once

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "common/ChildProcess.h"
#include "common/TempDir.h"

namespace benchrun {

// kvup on the port, with its user-data folder and log in dir, pointed at url.
inline bool StartHeadlessKvup(kvtest::ChildProcess* kvup, const kvtest::TempDir& dir,
                              const std::string& port, const std::string& url,
                              const std::vector<std::string>& extra = {}) {
  std::filesystem::create_directories(dir.Sub("user"));
  std::vector<std::string> args{kvtest::BuiltProgram("kvup"),
                                "--user-data",
                                dir.Sub("user"),
                                "--port",
                                port,
                                "--headless",
                                "--service",
                                url};
  args.insert(args.end(), extra.begin(), extra.end());
  return kvup->Start(args, {"XDG_RUNTIME_DIR=" + dir.path()}, dir.path());
}

// kvup-client on the port as alice (session abc), up to kvup's answer to its start.
inline std::vector<std::string> ClientOpening(const std::string& port) {
  return {kvtest::BuiltProgram("kvup-client"),
          "--port",
          port,
          "--session",
          "abc",
          "--account",
          "alice",
          "--connect-wait",
          "10000",
          "hello",
          "wait=1",
          "cookies",
          "start",
          "wait=7"};
}

// Seconds of the day of a kvup-client line "YYYY-MM-DD HH:MM:SS.mmm ...".
inline double StampOf(const std::string& line) {
  if (line.size() < 23) return -1;
  return std::atoi(line.substr(11, 2).c_str()) * 3600.0 +
         std::atoi(line.substr(14, 2).c_str()) * 60.0 + std::atof(line.substr(17, 6).c_str());
}

// Seconds of the day, local time, as kvup-client stamps its lines.
inline double NowOfDay() {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  tm local{};
  localtime_r(&ts.tv_sec, &local);
  return local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec + ts.tv_nsec / 1e9;
}

// The stamp of the first line holding text; -1 when none does.
inline double StampOfLineWith(const std::string& output, const std::string& text) {
  const size_t at = output.find(text);
  if (at == std::string::npos) return -1;
  const size_t start = output.rfind('\n', at);
  return StampOf(output.substr(start == std::string::npos ? 0 : start + 1));
}

// From each "sent drop=" line to the next end code: seconds per drop.
inline std::vector<double> DropTimes(const std::string& output) {
  std::vector<double> times;
  double sent = -1;
  size_t from = 0;
  for (size_t end = output.find('\n'); end != std::string::npos;
       from = end + 1, end = output.find('\n', from)) {
    const std::string line = output.substr(from, end - from);
    if (line.find(" sent drop=") != std::string::npos) sent = StampOf(line);
    bool ended = false;
    for (const char* code : {" status 3", " status 5", " status 6", " status 8"})
      ended = ended || line.find(code) != std::string::npos;
    if (ended && sent >= 0) {
      times.push_back(StampOf(line) - sent);
      sent = -1;
    }
  }
  return times;
}

}  // namespace benchrun
