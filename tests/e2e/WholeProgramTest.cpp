// The whole program as processes: kvup (headless) started by a desktop
// client (kvup-client over the real link) against the stand-in service, with
// real folders dropped by the client's type 20 message.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>

#include "common/ChildProcess.h"
#include "common/HttpCall.h"
#include "common/KvupProcessTest.h"
#include "common/LoopbackSocket.h"
#include "common/StandInService.h"
#include "sqlite/DBWrapper.h"

namespace {

namespace fs = std::filesystem;

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

class WholeProgram : public kvtest::KvupProcessTest {
 protected:
  void SetUp() override {
    KvupProcessTest::SetUp();
    dir_.WriteFile("log4cplus.properties",
                   "log4cplus.rootLogger=INFO, RUN\n"
                   "log4cplus.appender.RUN=log4cplus::FileAppender\n"
                   "log4cplus.appender.RUN.File=kvup.log\n"
                   "log4cplus.appender.RUN.layout=log4cplus::PatternLayout\n"
                   "log4cplus.appender.RUN.layout.ConversionPattern=%c|%m%n\n"
                   "log4cplus.logger.KVUP=TRACE\n"
                   "log4cplus.logger.DndUiDlg=TRACE\n");
  }

  bool StartService() {
    service_ = std::make_unique<kvtest::StandInService>(
        std::vector<std::string>{"--session", "abc=alice", "--control"});
    return service_->Start();
  }

  // kvup waiting for its client, pointed at url.
  void Launch(const std::string& url, std::vector<std::string> extra = {}) {
    kvup_ = std::make_unique<kvtest::ChildProcess>();
    std::vector<std::string> args{
        kvtest::BuiltProgram("kvup"), "--user-data", User(),      "--port",
        std::to_string(port_),        "--headless",  "--service", url};
    args.insert(args.end(), extra.begin(), extra.end());
    ASSERT_TRUE(kvup_->Start(args, {"XDG_RUNTIME_DIR=" + dir_.path()}, dir_.path()));
    ASSERT_TRUE(WaitForLog("KVUP|KVUP wait for event from CIMG")) << Log();
  }

  // The tree that users drop: nested and empty folders, 0 B to 2 MB, CJK,
  // quotes, spaces and %.
  std::string MakeTree() {
    const std::string root = dir_.Sub("drop/相册 'q' 100%");
    fs::create_directories(root + "/a/b/c");
    fs::create_directories(root + "/空 folder");
    fs::create_directories(root + "/a/empty");
    std::mt19937 random(7);
    const std::map<std::string, size_t> files = {{"zero.bin", 0},
                                                 {"a/one.txt", 1},
                                                 {"a/b/中文 名字.dat", 131072},
                                                 {"a/b/c/big \"x\".bin", 2 * 1024 * 1024 + 17},
                                                 {"a/b/c/50%.txt", 300001}};
    for (const auto& [name, size] : files) {
      std::string content(size, '\0');
      for (char& c : content) c = static_cast<char>(random());
      std::ofstream(root + "/" + name, std::ios::binary) << content;
    }
    return root;
  }

  // alice's complete entries by path: content path of files, "" for folders.
  std::map<std::string, std::string> Remote() const {
    const kvtest::Reply r =
        kvtest::HttpCall(service_->BaseUrl()).Get("/kvup-control/tree?account=alice");
    std::map<int64_t, Json::Value> byId;
    for (const Json::Value& e : r.json["data"]["entries"]) byId[e["id"].asInt64()] = e;
    std::map<std::string, std::string> tree;
    for (const auto& [id, e] : byId) {
      if (e["type"].asInt() == 0 || e["status"].asInt() != 1) continue;
      std::string path = e["name"].asString();
      for (int64_t up = e["pid"].asInt64(); byId.count(up) && byId[up]["type"].asInt() != 0;
           up = byId[up]["pid"].asInt64())
        path = byId[up]["name"].asString() + "/" + path;
      tree[path] = e["type"].asInt() == 1 ? e["content"].asString() : "";
    }
    return tree;
  }

  // Every file and empty folder of root is held under its folder name,
  // byte-identical.
  void ExpectMirrored(const std::string& root) const {
    const std::map<std::string, std::string> remote = Remote();
    const std::string base = fs::path(root).filename().string();
    for (const fs::directory_entry& e : fs::recursive_directory_iterator(root)) {
      const std::string rel = base + "/" + fs::relative(e.path(), root).string();
      if (e.is_directory()) {
        if (fs::is_empty(e.path())) {
          EXPECT_TRUE(remote.count(rel)) << "empty folder " << rel;
        }
        continue;
      }
      ASSERT_TRUE(remote.count(rel)) << "file " << rel;
      EXPECT_EQ(ReadAll(remote.at(rel)), ReadAll(e.path().string())) << rel;
    }
  }

  size_t Rows(const std::string& db, const std::string& query) const {
    DBWrapper w(Kvd() + "/" + db);
    if (!w.Open()) return 0;
    w.Query(query);
    return w.Rows().size();
  }

  // Requests an endpoint has seen, counted by a fault rule that does nothing.
  static constexpr const char* kCountInits = "breakPointUploadInitAction:delay=1:times=0";
  static constexpr const char* kCountChunks = "breakPointUploadAction:delay=1:times=0";
  int Seen(const std::string& rule) const {
    const kvtest::Reply r = kvtest::HttpCall(service_->BaseUrl()).Get("/kvup-control/faults");
    for (const Json::Value& v : r.json["data"]["rules"])
      if (v["rule"].asString() == rule) return v["seen"].asInt();
    return -1;
  }

  std::unique_ptr<kvtest::StandInService> service_;
};

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

// Chunks of 128 KiB the files of the tree need, each sent once.
int ChunksOf(const std::string& root) {
  int chunks = 0;
  for (const fs::directory_entry& e : fs::recursive_directory_iterator(root))
    if (e.is_regular_file()) chunks += static_cast<int>((e.file_size() + 131071) / 131072);
  return chunks;
}

TEST_F(WholeProgram, DroppedTreeIsMirroredAndTheSameDropAgainSendsNothing) {
  ASSERT_TRUE(StartService()) << service_->error();
  kvtest::HttpCall(service_->BaseUrl())
      .PostRaw("/kvup-control/faults", std::string(kCountInits) + "\n" + kCountChunks);
  const std::string root = MakeTree();
  Launch(service_->BaseUrl());
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
  // Slow chunks, every one of them: the quit finds the big file (17 chunks)
  // half sent whichever file takes the first ones.
  ASSERT_TRUE(StartService()) << service_->error();
  kvtest::HttpCall(service_->BaseUrl())
      .PostRaw("/kvup-control/faults",
               std::string("breakPointUploadAction:delay=150\n") + kCountChunks);
  const std::string root = MakeTree();
  Launch(service_->BaseUrl());
  kvtest::ChildProcess first;
  LaunchClient(first, {"hello", "wait=1", "cookies", "start", "wait=7", "drop=" + root,
                       "wait=2,60000", "sleep=1500", "quit"});
  ASSERT_EQ(first.Wait(60000), 0) << first.Output();
  ASSERT_EQ(kvup_->Wait(kLong), 0);
  EXPECT_GT(Rows("txlog", "SELECT * FROM undo_files"), 0u) << "resume rows written";
  EXPECT_LT(Seen(kCountChunks), ChunksOf(root)) << "the quit came mid-batch";

  Launch(service_->BaseUrl());
  kvtest::ChildProcess second;
  LaunchClient(second, {"hello", "wait=1", "cookies", "start", "wait=7", "wait=3,60000", "quit"});
  ASSERT_EQ(second.Wait(90000), 0) << second.Output() << Log();
  EXPECT_EQ(kvup_->Wait(kLong), 0);
  EXPECT_NE(Log().find("KVUP|KVUP resume: "), std::string::npos);
  EXPECT_NE(second.Output().find("status 2"), std::string::npos) << "told running again";
  ExpectMirrored(root);
  EXPECT_LE(Seen(kCountChunks), ChunksOf(root) + 5) << "at most one chunk per file again";
}

TEST_F(WholeProgram, LogOutMidBatchStopsAndLogInCompletesIt) {
  ASSERT_TRUE(StartService()) << service_->error();
  kvtest::HttpCall(service_->BaseUrl())
      .PostRaw("/kvup-control/faults", "breakPointUploadAction:delay=150:times=12");
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

}  // namespace
