// The whole program as processes: kvup (headless) started by a desktop
// client (kvup-client over the real link) against the stand-in service, with
// real folders dropped by the client's type 20 message.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/ChildProcess.h"
#include "common/LoopbackSocket.h"
#include "common/WholeProgramWorld.h"

namespace {

namespace fs = std::filesystem;
using kvtest::ReadAll;

class WholeProgram : public kvtest::WholeProgramWorld {};

TEST_F(WholeProgram, NoWindowNorDatabaseBeforeTheStartMessageThenBothWindows) {
  ASSERT_TRUE(StartService()) << service_->error();
  Launch(service_->BaseUrl());
  kvtest::ChildProcess client;
  LaunchClient(client, {"hello", "wait=1", "cookies", "sleep=500"});
  ASSERT_EQ(client.Wait(kLong), 0) << client.Output();
  EXPECT_FALSE(fs::exists(Kvd() + "/config"));
  EXPECT_EQ(Log().find("KVUP|KVUP window"), std::string::npos) << Log();
  // The client went away before its start: kvup ends.
  EXPECT_EQ(kvup_->Wait(kLong), 0);
  if (!KVUP_WITH_WINDOWS) GTEST_SKIP() << "kvup is built without its windows";

  Launch(service_->BaseUrl());
  kvtest::ChildProcess starter;
  LaunchClient(starter, {"hello", "wait=1", "cookies", "start", "wait=7", "hold=1500", "quit"});
  ASSERT_TRUE(WaitForLog("KVUP|KVUP message loop starts, user id 1")) << Log();
  const std::string log = Log();
  const size_t manager = log.find("KVUP|KVUP window \"Quorel上传管理\" 430x468 at ");
  const size_t drop = log.find("KVUP|KVUP window \"Quorel拖拽上传\" 131x36 at ");
  ASSERT_NE(manager, std::string::npos) << log;
  ASSERT_NE(drop, std::string::npos) << log;
  EXPECT_LT(manager, drop) << "the manager window comes first";
  EXPECT_NE(log.find(" hidden\n", manager), std::string::npos);
  EXPECT_LT(log.find("KVUP|KVUP now begin to work-"), manager);
  EXPECT_EQ(log.substr(drop).find(" 34 shown\n") != std::string::npos ||
                log.substr(drop).find(",34 shown\n") != std::string::npos,
            true)
      << log.substr(drop, 80);
  EXPECT_TRUE(fs::exists(Kvd() + "/config"));
  EXPECT_EQ(starter.Wait(kLong), 0) << starter.Output();
  EXPECT_EQ(kvup_->Wait(kLong), 0);
}

// The soft and hard limits of the core file size of a process.
std::string CoreLimits(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/limits");
  for (std::string line; std::getline(in, line);) {
    if (!line.starts_with("Max core file size")) continue;
    std::istringstream fields(line.substr(18));
    std::string soft, hard;
    fields >> soft >> hard;
    return soft + " " + hard;
  }
  return "";
}

TEST_F(WholeProgram, DroppedTreeIsMirroredAndTheSameDropAgainSendsNothing) {
  ASSERT_TRUE(StartService()) << service_->error();
  AddFaults(std::string(kCountInits) + "\n" + kCountChunks);
  const std::string root = MakeTree();
  TraceEveryLogger();
  Launch(service_->BaseUrl());
  EXPECT_EQ(CoreLimits(kvup_->pid()), "0 0") << "a crash leaves no core file holding the session";
  // The same drop right after the first batch: every file is held, so no byte
  // is sent again (a file the remote picture does not show yet completes at
  // its init).
  kvtest::ChildProcess client;
  LaunchClient(client, {"hello", "wait=1", "cookies", "start", "wait=7", "drop=" + root,
                        "wait=2,60000", "wait=3,60000", "drop=" + root, "end=60000", "quit"});
  ASSERT_EQ(client.Wait(90000), 0) << client.Output() << Log();
  EXPECT_EQ(kvup_->Wait(kLong), 0);
  ExpectMirrored(root);
  EXPECT_EQ(Seen(kCountChunks), ChunksOf(root)) << "each chunk sent once";
  EXPECT_GE(Seen(kCountInits), 5);
  EXPECT_EQ(client.Output().find("status 8"), std::string::npos) << client.Output();
  EXPECT_GE(Rows("log", "SELECT * FROM log"), 5u) << "history rows of the uploads";
  // Other users read nothing of it.
  for (const std::string& path : {Kvd(), Kvd() + "/txlog", Kvd() + "/log", dir_.Sub("kvup.log")}) {
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0) << path;
    EXPECT_EQ(st.st_mode & 077, 0u) << path;
  }
  // The session never reaches a log line (every logger at TRACE) nor a database.
  ASSERT_NE(Log().find("KVUP|"), std::string::npos);
  for (const auto& entry : std::filesystem::recursive_directory_iterator(dir_.path())) {
    if (!entry.is_regular_file()) continue;
    EXPECT_EQ(ReadAll(entry.path()).find(kSession), std::string::npos) << entry.path();
  }

  // A file changed since is sent again, and only that one.
  const int before = Seen(kCountChunks);
  std::ofstream(root + "/a/one.txt", std::ios::binary) << "changed since";
  Launch(service_->BaseUrl());
  kvtest::ChildProcess changed;
  LaunchClient(changed, {"hello", "wait=1", "cookies", "start", "wait=7", "drop=" + root,
                         "end=60000", "quit"});
  ASSERT_EQ(changed.Wait(90000), 0) << changed.Output() << Log();
  EXPECT_EQ(kvup_->Wait(kLong), 0);
  EXPECT_EQ(Seen(kCountChunks), before + 1);
  ExpectMirrored(root);
}

// Each file resumes from the break point the service holds: counted over both
// runs, at most one chunk per file is sent twice.
TEST_F(WholeProgram, QuitMidBatchResumesFromTheBreakPointAfterARestart) {
  // Every chunk slow in the first run: the big file's 17 chunks, one after
  // the other, take longer than the wait before the quit, however many files
  // go in parallel.
  ASSERT_TRUE(StartService()) << service_->error();
  AddFaults(std::string("breakPointUploadAction:delay=150\n") + kCountChunks);
  const std::string root = MakeTree();
  Launch(service_->BaseUrl());
  kvtest::ChildProcess first;
  LaunchClient(first, {"hello", "wait=1", "cookies", "start", "wait=7", "drop=" + root,
                       "wait=2,60000", "sleep=1500", "quit"});
  ASSERT_EQ(first.Wait(60000), 0) << first.Output();
  ASSERT_EQ(kvup_->Wait(kLong), 0);
  EXPECT_GT(Rows("txlog", "SELECT * FROM undo_files"), 0u) << "resume rows written";
  const int firstRun = Seen(kCountChunks);
  EXPECT_LT(firstRun, ChunksOf(root)) << "the quit came mid-batch";

  // The second run at full speed, its chunks counted afresh.
  ClearFaults();
  AddFaults(kCountChunks);
  Launch(service_->BaseUrl());
  kvtest::ChildProcess second;
  LaunchClient(second, {"hello", "wait=1", "cookies", "start", "wait=7", "wait=3,60000", "quit"});
  ASSERT_EQ(second.Wait(90000), 0) << second.Output() << Log();
  EXPECT_EQ(kvup_->Wait(kLong), 0);
  EXPECT_NE(Log().find("KVUP|KVUP resume: "), std::string::npos);
  EXPECT_NE(second.Output().find("status 2"), std::string::npos) << "told running again";
  ExpectMirrored(root);
  EXPECT_LE(firstRun + Seen(kCountChunks), ChunksOf(root) + 5)
      << "at most one chunk per file again";
}

TEST_F(WholeProgram, LogOutMidBatchStopsAndLogInCompletesIt) {
  ASSERT_TRUE(StartService()) << service_->error();
  AddFaults("breakPointUploadAction:delay=150:times=12");
  const std::string root = MakeTree();
  Launch(service_->BaseUrl());
  kvtest::ChildProcess client;
  LaunchClient(client, {"hello", "wait=1", "cookies", "start", "wait=7", "drop=" + root,
                        "wait=2,60000", "sleep=500", "logout", "wait=6,30000", "sleep=300", "login",
                        "wait=3,60000", "quit"});
  ASSERT_EQ(client.Wait(120000), 0) << client.Output() << Log();
  EXPECT_EQ(kvup_->Wait(kLong), 0);
  ExpectMirrored(root);
}

// The pipeline without windows nor client: kvup-sync mirrors the tree, a
// second run sends nothing, and a file the service refuses fails the run.
TEST_F(WholeProgram, SyncToolMirrorsATreeAndReportsWhatTheServiceRefused) {
  ASSERT_TRUE(StartService()) << service_->error();
  AddFaults(kCountChunks);
  const std::string root = MakeTree();
  const std::vector<std::string> sync{kvtest::BuiltProgram("kvup-sync"),
                                      "--service",
                                      service_->BaseUrl(),
                                      "--session",
                                      kSession,
                                      "--account",
                                      "alice",
                                      "--user-data",
                                      User(),
                                      root};
  kvtest::ChildProcess first;
  ASSERT_TRUE(first.Start(sync, {}, dir_.path()));
  ASSERT_EQ(first.Wait(90000), 0) << first.Output();
  ExpectMirrored(root);
  EXPECT_NE(first.Output().find("uploaded " + root + "/a/b/c/big \"x\".bin (2097169 bytes)"),
            std::string::npos)
      << first.Output();
  EXPECT_NE(first.Output().find(", 0 failed, end code 3,"), std::string::npos) << first.Output();

  const int chunks = Seen(kCountChunks);
  kvtest::ChildProcess again;
  ASSERT_TRUE(again.Start(sync, {}, dir_.path()));
  ASSERT_EQ(again.Wait(90000), 0) << again.Output();
  EXPECT_EQ(Seen(kCountChunks), chunks);

  // Over the service's size limit: refused for good, reported with its words, exit 1.
  AddFaults("breakPointUploadInitAction:envelope=102009");
  std::ofstream(root + "/new.txt") << "refused";
  kvtest::ChildProcess refused;
  ASSERT_TRUE(refused.Start(sync, {}, dir_.path()));
  EXPECT_EQ(refused.Wait(90000), 1) << refused.Output();
  EXPECT_NE(
      refused.Output().find("not uploaded: " + root + "/new.txt (error 102009: injected fault)"),
      std::string::npos)
      << refused.Output();
}

TEST_F(WholeProgram, ServiceSilentAtStartOpensTheWindowsOfflineAfterTheBound) {
  kvtest::LoopbackListener silent;  // takes connections and never answers
  ASSERT_TRUE(silent.Open());
  Launch("http://127.0.0.1:" + std::to_string(silent.port()), {"--ready-wait", "1500"});
  kvtest::ChildProcess client;
  LaunchClient(client, {"hello", "wait=1", "cookies", "start", "wait=7", "hold=3000", "quit"});
  ASSERT_TRUE(
      WaitForLog("KVUP|KVUP no listing of the backup root within 1500 ms: the windows "
                 "open offline"))
      << Log();
  ASSERT_TRUE(WaitForLog("KVUP|KVUP message loop starts, user id 1")) << Log();
  EXPECT_EQ(client.Wait(kLong), 0) << client.Output();
  EXPECT_EQ(kvup_->Wait(60000), 0) << Log();
}

// The service comes up after kvup gave up waiting: the client's log-in brings
// kvup online and a drop is then uploaded.
TEST_F(WholeProgram, ServiceThatComesUpLaterIsUsedAfterTheClientsLogIn) {
  kvtest::LoopbackListener silent;
  ASSERT_TRUE(silent.Open());
  const std::string port = std::to_string(silent.port());
  Launch("http://127.0.0.1:" + port, {"--ready-wait", "1000"});
  const std::string root = MakeTree();
  kvtest::ChildProcess client;
  LaunchClient(client, {"hello", "wait=1", "cookies", "start", "wait=7", "sleep=3000", "login",
                        "sleep=300", "drop=" + root, "wait=3,60000", "quit"});
  ASSERT_TRUE(WaitForLog("KVUP|KVUP message loop starts, user id 1")) << Log();
  silent.Close();
  service_ = std::make_unique<kvtest::StandInService>(std::vector<std::string>{
      "--session", std::string(kSession) + "=alice", "--control", "--port", port});
  ASSERT_TRUE(service_->Start()) << service_->error();
  ASSERT_EQ(client.Wait(90000), 0) << client.Output() << Log();
  EXPECT_EQ(kvup_->Wait(kLong), 0);
  ExpectMirrored(root);
}

}  // namespace
