// A process that returns from main with every manager's worker still busy
// exits cleanly: each owner stops and joins its threads before its memory
// goes. Under the sanitizer builds a use after free, a race or a leak at exit
// turns the exit code non-zero.
#include <gtest/gtest.h>

#include "common/ChildProcess.h"
#include "common/TempDir.h"

TEST(ProcessExit, EveryManagersWorkerIsStoppedAndJoinedAtExit) {
  kvtest::TempDir dir;
  kvtest::ChildProcess probe;
  ASSERT_TRUE(probe.Start({kvtest::BuiltProgram("kvup-exit-probe"), dir.path()}));
  const int code = probe.Wait(120000);
  const std::string output = probe.Output();
  EXPECT_EQ(code, 0) << output;
  EXPECT_NE(output.find("kvup-exit-probe: every worker started"), std::string::npos) << output;
  // The single-worker managers were destroyed (their last line) after the start.
  EXPECT_NE(output.find("After  ~DMGR", output.find("every worker started")), std::string::npos)
      << output;
  EXPECT_EQ(output.find("did not end within"), std::string::npos) << output;
}
