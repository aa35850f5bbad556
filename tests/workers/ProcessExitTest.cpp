// The explicit shut-down and the net under it, in a process of their own: the
// probe starts every manager, keeps workers of each shape busy and stops them
// through the frame's StartedWorkers. Its exit net is strict, so a manager
// left running at exit ends it with an abort instead of exit code 0.
#include <gtest/gtest.h>

#include <csignal>
#include <string>

#include "common/ChildProcess.h"
#include "common/TempDir.h"

namespace {

struct ProbeRun {
  int code = -1;
  std::string output;
};

ProbeRun RunProbe(const std::vector<std::string>& extra = {}) {
  kvtest::TempDir dir;
  kvtest::ChildProcess probe;
  std::vector<std::string> args{kvtest::BuiltProgram("kvup-exit-probe"), dir.path()};
  args.insert(args.end(), extra.begin(), extra.end());
  ProbeRun run;
  if (!probe.Start(args)) return run;
  run.code = probe.Wait(120000);
  run.output = probe.Output();
  return run;
}

size_t Find(const std::string& output, const std::string& text, size_t from = 0) {
  return output.find(text, from);
}

// The whole line of output around pos.
std::string LineAt(const std::string& output, size_t pos) {
  const size_t begin = output.rfind('\n', pos);
  const size_t from = begin == std::string::npos ? 0 : begin + 1;
  return output.substr(from, output.find('\n', pos) - from);
}

}  // namespace

TEST(ProcessExit, EveryBusyManagerIsStoppedInOrderAndNothingIsLeftForTheNet) {
  const ProbeRun run = RunProbe();
  const std::string& out = run.output;
  EXPECT_EQ(run.code, 0) << out;
  const size_t started = Find(out, "kvup-exit-probe: every worker started");
  const size_t stopped = Find(out, "kvup-exit-probe: stopped in order");
  ASSERT_NE(started, std::string::npos) << out;
  ASSERT_NE(stopped, std::string::npos) << out;
  // The busy pool's jobs and the blocked worker ended in the stop, not at exit.
  const size_t jobStopped = Find(out, "busy job saw the stop", started);
  const size_t workerStopped = Find(out, "busy worker's request was aborted", started);
  EXPECT_LT(jobStopped, stopped) << out;
  EXPECT_LT(workerStopped, stopped) << out;
  EXPECT_EQ(Find(out, "still runs at exit"), std::string::npos) << out;
  EXPECT_EQ(Find(out, "was left running at exit"), std::string::npos) << out;
  // The exit went through every destructor after the stop.
  EXPECT_NE(Find(out, "After  ~DMGR", stopped), std::string::npos) << out;
  EXPECT_NE(Find(out, "kvup-exit-probe: exit done", stopped), std::string::npos) << out;
  EXPECT_EQ(Find(out, "did not end within"), std::string::npos) << out;
}

TEST(ProcessExit, TheNetReportsAManagerItsOwnerDidNotStopStopsItAndAborts) {
  struct Case {
    const char* leave;
    const char* name;
    const char* stopSign;
  };
  for (const Case& c :
       {Case{"leave-pool", "BusyPoolMgr", "busy job saw the stop"},
        Case{"leave-worker", "BlockedWorkerMgr", "busy worker's request was aborted"}}) {
    SCOPED_TRACE(c.leave);
    const ProbeRun run = RunProbe({c.leave});
    const std::string& out = run.output;
    EXPECT_EQ(run.code, 128 + SIGABRT) << out;
    const size_t stopped = Find(out, "kvup-exit-probe: stopped in order");
    ASSERT_NE(stopped, std::string::npos) << out;
    const size_t caught = Find(out, std::string(c.name) + " still runs at exit", stopped);
    ASSERT_NE(caught, std::string::npos) << out;
    EXPECT_EQ(LineAt(out, caught).rfind("ERROR", 0), 0u) << LineAt(out, caught);
    // Stopped by the net, after its report and before the abort.
    const size_t stopSign = Find(out, c.stopSign, stopped);
    const size_t aborting = Find(out, std::string(c.name) + " was left running at exit", stopped);
    EXPECT_LT(caught, stopSign) << out;
    EXPECT_LT(stopSign, aborting) << out;
    EXPECT_NE(aborting, std::string::npos) << out;
    EXPECT_EQ(Find(out, "kvup-exit-probe: exit done"), std::string::npos) << out;
  }
}
