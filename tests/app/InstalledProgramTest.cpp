// `cmake --install` of the built tree into a prefix: the installed kvup,
// started from a folder that holds nothing of it, finds its skins (its
// windows are built, headless) and its logging properties (its log goes to
// logs/ under that folder).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/ChildProcess.h"
#include "common/LoopbackSocket.h"
#include "common/StandInService.h"
#include "common/TempDir.h"

namespace {

namespace fs = std::filesystem;

TEST(InstalledProgram, RunsFromAnotherFolderWithItsSkinsAndLogging) {
  kvtest::TempDir dir;
  const std::string prefix = dir.Sub("prefix");
  kvtest::ChildProcess install;
  ASSERT_TRUE(install.Start({KVUP_CMAKE_COMMAND, "--install", KVUP_BUILD_DIR, "--prefix", prefix}));
  ASSERT_EQ(install.Wait(60000), 0) << install.Output();

  kvtest::StandInService service({"--session", "abc=alice"});
  ASSERT_TRUE(service.Start()) << service.error();
  const std::string work = dir.Sub("elsewhere"), user = dir.Sub("user");
  fs::create_directories(work);
  fs::create_directories(user);
  const std::string port = std::to_string(kvtest::FreeLoopbackPort());
  kvtest::ChildProcess kvup;
  ASSERT_TRUE(kvup.Start({prefix + "/bin/kvup", "--headless", "--user-data", user, "--port", port,
                          "--service", service.BaseUrl()},
                         {"XDG_RUNTIME_DIR=" + dir.path()}, work));
  kvtest::ChildProcess client;
  ASSERT_TRUE(client.Start({prefix + "/bin/kvup-client", "--port", port, "--connect-wait", "10000",
                            "--session", "abc", "--account", "alice", "hello", "wait=1", "cookies",
                            "start", "wait=7", "quit"}));
  ASSERT_EQ(client.Wait(30000), 0) << client.Output() << kvup.Output();
  ASSERT_EQ(kvup.Wait(15000), 0) << kvup.Output();
  EXPECT_EQ(kvup.Output().find("log4cplus"), std::string::npos) << kvup.Output();

  std::vector<fs::path> logs;
  if (fs::is_directory(work + "/logs")) {
    for (const fs::directory_entry& e : fs::directory_iterator(work + "/logs"))
      logs.push_back(e.path());
  }
  ASSERT_EQ(logs.size(), 1u) << "one log of the run under " << work;
  std::ifstream in(logs[0]);
  std::stringstream log;
  log << in.rdbuf();
  EXPECT_NE(log.str().find("KVUP message loop starts"), std::string::npos) << log.str();
  EXPECT_EQ(log.str().find("KVUP the windows cannot be created"), std::string::npos) << log.str();
}

}  // namespace
