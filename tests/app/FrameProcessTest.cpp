// The frame as a process: the built kvup binary, launched with its own
// user-data folder, lock folder and link port, and let past its start-up gate
// by a desktop-client end in the test.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>

#include "common/DesktopLink.h"
#include "common/LoopbackSocket.h"
#include "common/TempDir.h"
#include "sqlite/DBWrapper.h"

namespace {

namespace fs = std::filesystem;

class Frame : public ::testing::Test {
 protected:
  void SetUp() override { fs::create_directories(dir_.Sub("user")); }

  // kvup on a link port of its own.
  pid_t Launch(std::vector<std::string> args) {
    args.push_back("--port");
    args.push_back(std::to_string(port_));
    const std::string binary = std::string(KVUP_BUILD_DIR) + "/kvup";
    const pid_t pid = fork();
    if (pid == 0) {
      setenv("XDG_RUNTIME_DIR", dir_.path().c_str(), 1);
      if (chdir(dir_.path().c_str()) != 0) _exit(99);
      std::vector<char*> argv{const_cast<char*>(binary.c_str())};
      for (std::string& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      execv(binary.c_str(), argv.data());
      _exit(98);
    }
    return pid;
  }
  // The exit code, or -1 when it did not end in time or ended by a signal.
  static int WaitExit(pid_t pid, int seconds) {
    for (int i = 0; i < seconds * 100; ++i) {
      int status = 0;
      if (waitpid(pid, &status, WNOHANG) == pid)
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return -1;
  }
  bool WaitForFile(const std::string& path) {
    for (int i = 0; i < 1000 && !fs::exists(path); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return fs::exists(path);
  }
  std::string User() { return dir_.Sub("user"); }
  // A run that got past the gate; the link stays open until the next call.
  pid_t LaunchStarted(std::vector<std::string> args) {
    const pid_t pid = Launch(std::move(args));
    link_ = std::make_unique<kvtest::DesktopLink>();
    EXPECT_TRUE(link_->StartKvup(port_));
    return pid;
  }

  kvtest::TempDir dir_;
  uint16_t port_ = kvtest::FreeLoopbackPort();
  std::unique_ptr<kvtest::DesktopLink> link_;
};

TEST_F(Frame, RunsSingleAndStopsInOrderOnSigterm) {
  const pid_t first = LaunchStarted({"--user-data", User()});
  ASSERT_TRUE(WaitForFile(User() + "/kvd/log"));
  for (const char* sub : {"config", "txlog", "cache"}) {
    EXPECT_TRUE(fs::exists(User() + "/kvd/" + sub)) << sub;
  }
  DBWrapper txlog(User() + "/kvd/txlog");
  ASSERT_TRUE(txlog.Open());
  txlog.Query("SELECT name FROM sqlite_master WHERE type='table' ORDER BY name;");
  EXPECT_EQ(txlog.Rows(), (std::vector<DBWrapper::Row>{
                              {"config"}, {"drag_dir"}, {"last_tx_status"}, {"undo_files"}}));
  txlog.Close();
  const pid_t second = Launch({"--user-data", User()});
  EXPECT_EQ(WaitExit(second, 5), 0);
  EXPECT_EQ(waitpid(first, nullptr, WNOHANG), 0) << "the first copy must still run";
  ASSERT_EQ(kill(first, SIGTERM), 0);
  EXPECT_EQ(WaitExit(first, 15), 0);
}

TEST_F(Frame, MissingUserDataFolderShowsTheTextAndExitsZero) {
  EXPECT_EQ(WaitExit(LaunchStarted({"--user-data", dir_.Sub("absent")}), 15), 0);
  EXPECT_FALSE(fs::exists(dir_.Sub("absent")));
}

TEST_F(Frame, UnknownOptionExitsTwo) {
  EXPECT_EQ(WaitExit(Launch({"--no-such-option"}), 5), 2);
  EXPECT_EQ(WaitExit(Launch({"--help"}), 5), 0);
}

TEST_F(Frame, DeletedLogRebuildsAndGarbageIsKeptAside) {
  pid_t pid = LaunchStarted({"--user-data", User()});
  ASSERT_TRUE(WaitForFile(User() + "/kvd/log"));
  kill(pid, SIGTERM);
  ASSERT_EQ(WaitExit(pid, 15), 0);
  ASSERT_TRUE(fs::remove(User() + "/kvd/log"));
  pid = LaunchStarted({"--user-data", User()});
  ASSERT_TRUE(WaitForFile(User() + "/kvd/log"));
  kill(pid, SIGTERM);
  ASSERT_EQ(WaitExit(pid, 15), 0);
  int aside = 0;
  for (const auto& e : fs::directory_iterator(User())) {
    if (e.path().filename().string().rfind("kvd_damaged_", 0) == 0) ++aside;
  }
  EXPECT_EQ(aside, 0) << "a missing file rebuilds; it keeps nothing aside";
  std::ofstream(User() + "/kvd/txlog", std::ios::trunc) << "garbage";
  ASSERT_TRUE(fs::remove(User() + "/kvd/log"));
  pid = LaunchStarted({"--user-data", User()});
  ASSERT_TRUE(WaitForFile(User() + "/kvd/log"));
  kill(pid, SIGTERM);
  ASSERT_EQ(WaitExit(pid, 15), 0);
  for (const auto& e : fs::directory_iterator(User())) {
    if (e.path().filename().string().rfind("kvd_damaged_", 0) == 0) ++aside;
  }
  EXPECT_EQ(aside, 1);
  EXPECT_EQ(DBWrapper::CheckFile(User() + "/kvd/config"), DBWrapper::FileCheck::kSqlite);
}

}  // namespace
