// The upload engine end to end: kvup-upload (upload pool, controllers,
// break-point uploader) against the stand-in service on loopback, with
// injected faults. Every completed upload is checked on the service side,
// byte for byte and by digest.
#include <curl/curl.h>
#include <gtest/gtest.h>
#include <json/json.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <random>
#include <sstream>
#include <thread>

#include "common/ChildProcess.h"
#include "common/HttpCall.h"
#include "common/LogCapture.h"
#include "common/StallingFront.h"
#include "common/StandInService.h"
#include "common/TempDir.h"
#include "pipeline/ShaDigest.h"
#include "session/COptions.h"
#include "session/ServiceConfig.h"
#include "upload/CEasyUploader.h"
#include "upload/CUpldThreadMgr.h"
#include "upload/CUploaderMgr.h"

namespace {

using kvtest::ReadAll;

class UploadServiceTest : public ::testing::Test {
 protected:
  void StartService(std::vector<std::string> faults = {}) {
    std::vector<std::string> options = {"--session", "s1=alice", "--control"};
    for (const std::string& f : faults) {
      options.push_back("--fault");
      options.push_back(f);
    }
    service_ = std::make_unique<kvtest::StandInService>(options);
    ASSERT_TRUE(service_->Start()) << service_->error();
  }

  std::string MakeFile(const std::string& name, size_t size) {
    std::string content(size, '\0');
    std::mt19937 random(static_cast<unsigned>(size) + 7);
    for (char& c : content) c = static_cast<char>(random());
    return dir_.WriteFile(name, content);
  }

  // Runs kvup-upload on the files; returns its exit code.
  int Upload(const std::vector<std::string>& files, std::vector<std::string> extra = {}) {
    std::vector<std::string> args = {kvtest::BuiltProgram("kvup-upload"),
                                     "--service",
                                     service_->BaseUrl(),
                                     "--session",
                                     "s1",
                                     "--quiet"};
    args.insert(args.end(), extra.begin(), extra.end());
    args.insert(args.end(), files.begin(), files.end());
    kvtest::ChildProcess child;
    EXPECT_TRUE(child.Start(args));
    const int rc = child.Wait(120000);
    output_ = child.Output();
    return rc;
  }

  // The "data" of an endpoint's answer; a POST when there is a form.
  Json::Value Control(const std::string& path, const std::string& form = "") {
    const kvtest::HttpCall http(service_->BaseUrl());
    return (form.empty() ? http.Get(path) : http.PostForm(path, form)).json["data"];
  }

  Json::Value Tree() { return Control("/kvup-control/tree?account=alice")["entries"]; }

  // How many requests the fault rule saw (-1 when there is no such rule). A
  // rule "ENDPOINT:delay=0" counts an endpoint's requests without changing them.
  int64_t Seen(const std::string& rule) {
    const Json::Value rules = Control("/kvup-control/faults")["rules"];
    for (const Json::Value& r : rules)
      if (r["rule"].asString() == rule) return r["seen"].asInt64();
    return -1;
  }

  Json::Value Entry(const std::string& name) {
    for (const Json::Value& e : Tree())
      if (e["name"].asString() == name && e["type"].asInt() == 1) return e;
    return Json::Value();
  }

  // The service holds the file complete, with the same bytes and digest.
  void ExpectStored(const std::string& path) {
    const std::string name = path.substr(path.rfind('/') + 1);
    const Json::Value e = Entry(name);
    ASSERT_TRUE(e.isObject()) << name << "\n" << output_;
    EXPECT_EQ(e["status"].asInt(), 1) << name;
    std::string digest;
    int64_t size = 0;
    ASSERT_TRUE(CShaDigest::OfFile(path, &digest, &size));
    EXPECT_EQ(e["hash"].asString(), digest) << name;
    EXPECT_EQ(e["size"].asInt64(), size) << name;
    const std::string content = e["content"].asString();
    std::string storedDigest;
    int64_t storedSize = -1;
    ASSERT_TRUE(CShaDigest::OfFile(content, &storedDigest, &storedSize)) << content;
    EXPECT_EQ(storedDigest, digest) << name;
    if (size <= (64 << 20)) {
      EXPECT_TRUE(ReadAll(content) == ReadAll(path)) << name;
    }
  }

  kvtest::TempDir dir_;
  std::unique_ptr<kvtest::StandInService> service_;
  std::string output_;
};

TEST_F(UploadServiceTest, FilesOfEverySizeArriveIntact) {
  StartService();
  std::vector<std::string> files = {MakeFile("one.bin", 1), MakeFile("chunk.bin", 131072),
                                    MakeFile("chunk1.bin", 131073),
                                    MakeFile("twenty.bin", 20 * 1000 * 1000)};
  ASSERT_EQ(Upload(files), 0) << output_;
  for (const std::string& f : files) ExpectStored(f);
  EXPECT_NE(output_.find("Task[01] one.bin: 完成"), std::string::npos) << output_;
}

TEST_F(UploadServiceTest, FourTasksAtOnceAllComplete) {
  StartService();
  std::vector<std::string> files;
  for (int i = 0; i < 4; ++i) files.push_back(MakeFile("f" + std::to_string(i), 700000 + i));
  ASSERT_EQ(Upload(files), 0) << output_;
  for (const std::string& f : files) ExpectStored(f);
}

TEST_F(UploadServiceTest, ServerErrorsExhaustFiveRestartsWithTheStatusLine) {
  StartService({"breakPointUploadAction:status=500"});
  const std::string f = MakeFile("fails.bin", 300000);
  EXPECT_EQ(Upload({f}), 1);
  EXPECT_NE(output_.find("网络出错: HTTP/1.1 500 Internal Server Error"), std::string::npos)
      << output_;
  EXPECT_NE(Entry("fails.bin")["status"].asInt(), 1);
}

TEST_F(UploadServiceTest, TransientServerErrorsRestartAndComplete) {
  StartService({"breakPointUploadAction:status=500:every=2:times=3"});
  const std::string f = MakeFile("retry.bin", 1000000);
  ASSERT_EQ(Upload({f}), 0) << output_;
  ExpectStored(f);
}

TEST_F(UploadServiceTest, SixthCountedFailureEndsTheTask) {
  // Five failures are restarted; a sixth in the same upload ends it.
  StartService({"breakPointUploadAction:status=503:times=6"});
  const std::string f = MakeFile("six.bin", 200000);
  EXPECT_EQ(Upload({f}), 1) << output_;
  EXPECT_NE(output_.find("503"), std::string::npos) << output_;
}

TEST_F(UploadServiceTest, FiveCountedFailuresStillComplete) {
  StartService({"breakPointUploadAction:status=503:times=5"});
  const std::string f = MakeFile("five.bin", 200000);
  ASSERT_EQ(Upload({f}), 0) << output_;
  ExpectStored(f);
}

TEST_F(UploadServiceTest, RefusedChunkEnvelopeIsNotAnAcceptedChunk) {
  StartService({"breakPointUploadAction:envelope=777"});
  const std::string f = MakeFile("refused.bin", 300000);
  EXPECT_EQ(Upload({f}), 1) << output_;
  EXPECT_NE(output_.find("网络出错"), std::string::npos) << output_;
  const Json::Value e = Entry("refused.bin");
  EXPECT_NE(e["status"].asInt(), 1);
}

TEST_F(UploadServiceTest, UnparsableChunkAnswerRestartsAndSaysSoWhenTheRestartsRunOut) {
  StartService({"breakPointUploadAction:text:times=2"});
  const std::string f = MakeFile("text.bin", 400000);
  ASSERT_EQ(Upload({f}), 0) << output_;
  ExpectStored(f);

  // The failure names the answer, not a bare status line of success.
  service_.reset();
  StartService({"breakPointUploadAction:text"});
  const std::string always = MakeFile("always.bin", 400000);
  EXPECT_EQ(Upload({always}), 1) << output_;
  EXPECT_NE(output_.find("Task[01] always.bin: 网络出错: 服务应答无效: HTTP/1.1 200 OK"),
            std::string::npos)
      << output_;
}

TEST_F(UploadServiceTest, RefusedInitEndsWithItsMessage) {
  StartService({"breakPointUploadInitAction:envelope=102008"});
  const std::string f = MakeFile("quota.bin", 1000);
  EXPECT_EQ(Upload({f}), 1);
  EXPECT_NE(output_.find("网络出错: 上传初始化失败"), std::string::npos) << output_;
  // The refusal status travels in the end message in place of fid and break point.
  EXPECT_NE(output_.find("fid 102008, 102008 bytes held"), std::string::npos) << output_;
}

TEST_F(UploadServiceTest, UnreadableFileCannotBeOpened) {
  StartService();
  const std::string f = MakeFile("gone.bin", 10);
  ASSERT_EQ(chmod(f.c_str(), 0), 0);
  if (access(f.c_str(), R_OK) == 0) GTEST_SKIP() << "running as a user who reads any file";
  EXPECT_NE(Upload({f}), 0);
}

TEST_F(UploadServiceTest, DuplicateContentFinishesAtTheFirstChunk) {
  StartService();
  const std::string first = MakeFile("orig.bin", 500000);
  ASSERT_EQ(Upload({first}), 0) << output_;
  const std::string copy = dir_.WriteFile("copy.bin", ReadAll(first));
  ASSERT_EQ(Upload({copy}), 0) << output_;
  // Several chunks, answered complete at the first: the task ends Instant.
  EXPECT_NE(output_.find("Task[01] copy.bin: 秒传"), std::string::npos) << output_;
  const std::string small = MakeFile("small.bin", 5000);
  ASSERT_EQ(Upload({small}), 0) << output_;
  const std::string smallCopy = dir_.WriteFile("small2.bin", ReadAll(small));
  ASSERT_EQ(Upload({smallCopy}), 0) << output_;
  // The only chunk is also the last: the whole file went over, so Done.
  EXPECT_NE(output_.find("Task[01] small2.bin: 完成"), std::string::npos) << output_;
}

TEST_F(UploadServiceTest, UnreachableServiceFailsAndIsCounted) {
  StartService();
  const std::string url = service_->BaseUrl();
  service_->Stop();
  const std::string f = MakeFile("nowhere.bin", 1000);
  std::vector<std::string> args = {kvtest::BuiltProgram("kvup-upload"),
                                   "--service",
                                   url,
                                   "--session",
                                   "s1",
                                   "--pid",
                                   "1",
                                   "--quiet",
                                   f};
  kvtest::ChildProcess child;
  ASSERT_TRUE(child.Start(args));
  EXPECT_EQ(child.Wait(60000), 1);
  EXPECT_NE(child.Output().find("上传初始化失败"), std::string::npos) << child.Output();
  EXPECT_NE(child.Output().find("service unreachable"), std::string::npos) << child.Output();
}

}  // namespace

namespace {

TEST_F(UploadServiceTest, FileThatShrinksMidUploadEndsAsChanged) {
  StartService({"breakPointUploadAction:throttle=400000"});
  const std::string f = MakeFile("shrinks.bin", 3000000);
  std::vector<std::string> args = {kvtest::BuiltProgram("kvup-upload"),
                                   "--service",
                                   service_->BaseUrl(),
                                   "--session",
                                   "s1",
                                   "--quiet",
                                   f};
  kvtest::ChildProcess child;
  ASSERT_TRUE(child.Start(args));
  // Wait until the service holds part of the file, then cut the file short.
  for (int i = 0; i < 200 && Entry("shrinks.bin")["breakPoint"].asInt64() < 262144; ++i)
    usleep(20000);
  ASSERT_EQ(truncate(f.c_str(), 1000000), 0);
  EXPECT_EQ(child.Wait(60000), 1);
  EXPECT_NE(child.Output().find("网络出错: 文件已改变"), std::string::npos) << child.Output();
  const Json::Value e = Entry("shrinks.bin");
  EXPECT_NE(e["status"].asInt(), 1);
  // Only whole chunks that were read went out.
  EXPECT_EQ(e["breakPoint"].asInt64() % 131072, 0);
  EXPECT_LE(e["breakPoint"].asInt64(), 1000000);
}

}  // namespace

namespace {

const char* const kChunks = "breakPointUploadAction:delay=0";
const char* const kInits = "breakPointUploadInitAction:delay=0";
const char* const kInfos = "getFileAction:delay=0";

// A service that lies: answers whose break point or completion the engine
// cannot take as they stand are checked with the service before a task ends
// Done or Instant.

TEST_F(UploadServiceTest, BreakPointBeyondTheFileIsRefusedAndAskedForAgain) {
  // In the init answer: the restart asks getFileAction and sends everything.
  StartService({"breakPointUploadInitAction:breakpoint=999999999:times=1", kChunks, kInfos});
  const std::string init = MakeFile("beyond.bin", 300000);
  ASSERT_EQ(Upload({init}), 0) << output_;
  EXPECT_NE(output_.find("Task[01] beyond.bin: 完成 (fid 2, 300000 bytes held)"), std::string::npos)
      << output_;
  EXPECT_EQ(Seen(kInfos), 1);
  EXPECT_EQ(Seen(kChunks), 3);
  ExpectStored(init);

  // In the getFileAction answer of a restart after a failed chunk.
  service_.reset();
  StartService({"breakPointUploadAction:status=500:every=2:times=1",
                "getFileAction:breakpoint=999999999:times=1", kChunks, kInfos});
  const std::string info = MakeFile("info.bin", 300000);
  ASSERT_EQ(Upload({info}), 0) << output_;
  EXPECT_NE(output_.find("Task[01] info.bin: 完成"), std::string::npos) << output_;
  EXPECT_EQ(Seen(kInfos), 2);
  // The failed second chunk is sent again, then the third.
  EXPECT_EQ(Seen(kChunks), 4);
  ExpectStored(info);
}

TEST_F(UploadServiceTest, BreakPointAlwaysBeyondTheFileEndsFailedAfterTheRestarts) {
  StartService({"breakPointUploadInitAction:breakpoint=99999999",
                "getFileAction:breakpoint=99999999", kChunks, kInfos});
  const std::string f = MakeFile("beyond.bin", 1000);
  EXPECT_EQ(Upload({f}), 1) << output_;
  // Five counted restarts, each asking again; the lie is not kept as the
  // bytes held.
  EXPECT_NE(output_.find("Task[01] beyond.bin: 网络出错: 断点超出文件大小 (fid 2, 0 bytes held)"),
            std::string::npos)
      << output_;
  EXPECT_EQ(Seen(kInfos), 5);
  EXPECT_EQ(Seen(kChunks), 0);
  EXPECT_EQ(Entry("beyond.bin")["status"].asInt(), 2);
}

TEST_F(UploadServiceTest, BreakPointEqualToTheSizeIsConfirmedBeforeDone) {
  // The service holds nothing: the confirmation tells so, and all is sent.
  StartService({"breakPointUploadInitAction:breakpoint=300000:times=1", kChunks, kInfos});
  const std::string f = MakeFile("equal.bin", 300000);
  ASSERT_EQ(Upload({f}), 0) << output_;
  EXPECT_NE(output_.find("Task[01] equal.bin: 完成"), std::string::npos) << output_;
  EXPECT_EQ(Seen(kInfos), 1);
  EXPECT_EQ(Seen(kChunks), 3);
  ExpectStored(f);

  // An empty file the init calls unfinished: nothing to send, and the
  // service confirms that it holds the file.
  service_.reset();
  StartService({"breakPointUploadInitAction:incomplete", kChunks, kInfos});
  const std::string empty = dir_.WriteFile("empty.txt", "");
  ASSERT_EQ(Upload({empty}), 0) << output_;
  EXPECT_NE(output_.find("Task[01] empty.txt: 完成"), std::string::npos) << output_;
  EXPECT_EQ(Seen(kInfos), 1);
  EXPECT_EQ(Seen(kChunks), 0);
  ExpectStored(empty);
}

TEST_F(UploadServiceTest, CompletionClaimedTooEarlyIsConfirmedAndTheRestSent) {
  // By the init answer: nothing of the file is held.
  StartService({"breakPointUploadInitAction:complete:times=1", kChunks, kInfos});
  const std::string init = MakeFile("init.bin", 300000);
  ASSERT_EQ(Upload({init}), 0) << output_;
  EXPECT_NE(output_.find("Task[01] init.bin: 完成"), std::string::npos) << output_;
  EXPECT_EQ(Seen(kInfos), 1);
  EXPECT_EQ(Seen(kChunks), 3);
  ExpectStored(init);

  // By the answer to the first chunk: the rest goes on from there.
  service_.reset();
  StartService({"breakPointUploadAction:complete:times=1", kChunks, kInfos});
  const std::string chunk = MakeFile("chunk.bin", 3000000);
  ASSERT_EQ(Upload({chunk}), 0) << output_;
  EXPECT_NE(output_.find("Task[01] chunk.bin: 完成"), std::string::npos) << output_;
  EXPECT_EQ(Seen(kInfos), 1);
  EXPECT_EQ(Seen(kChunks), 23);
  ExpectStored(chunk);

  // By the answer to the last chunk it is no claim: the whole file went over.
  service_.reset();
  StartService({"breakPointUploadAction:complete:every=2", kChunks, kInfos});
  const std::string last = MakeFile("last.bin", 200000);
  ASSERT_EQ(Upload({last}), 0) << output_;
  EXPECT_NE(output_.find("Task[01] last.bin: 完成"), std::string::npos) << output_;
  EXPECT_EQ(Seen(kChunks), 2);
  EXPECT_EQ(Seen(kInfos), 0);
  ExpectStored(last);
}

TEST_F(UploadServiceTest, CompletionAlwaysClaimedEndsFailedAfterTheRestarts) {
  StartService({"breakPointUploadAction:complete", kChunks, kInfos});
  const std::string f = MakeFile("claims.bin", 1000000);
  EXPECT_EQ(Upload({f}), 1) << output_;
  EXPECT_NE(output_.find("Task[01] claims.bin: 网络出错: 服务未确认文件完成"), std::string::npos)
      << output_;
  // Every claim is checked; the sixth uses up the five restarts.
  EXPECT_EQ(Seen(kChunks), 6);
  EXPECT_EQ(Seen(kInfos), 6);
  EXPECT_EQ(Entry("claims.bin")["breakPoint"].asInt64(), 6 * 131072);
}

TEST_F(UploadServiceTest, CompletionTheServiceConfirmsEndsInstant) {
  // True claims keep the instant path: an empty file at its init, and a
  // copy of held content at its first chunk.
  StartService({kChunks, kInfos});
  const std::string empty = dir_.WriteFile("empty.txt", "");
  ASSERT_EQ(Upload({empty}), 0) << output_;
  EXPECT_NE(output_.find("Task[01] empty.txt: 秒传: 秒传"), std::string::npos) << output_;
  EXPECT_EQ(Seen(kInfos), 1);
  EXPECT_EQ(Seen(kChunks), 0);

  const std::string first = MakeFile("orig.bin", 500000);
  ASSERT_EQ(Upload({first}), 0) << output_;
  const std::string copy = dir_.WriteFile("copy.bin", ReadAll(first));
  ASSERT_EQ(Upload({copy}), 0) << output_;
  EXPECT_NE(output_.find("Task[01] copy.bin: 秒传"), std::string::npos) << output_;
  EXPECT_EQ(Seen(kInfos), 2);
  EXPECT_EQ(Seen(kChunks), 5);
  ExpectStored(copy);
}

TEST_F(UploadServiceTest, AcceptedChunkIsTakenWhateverTheLengthOfItsAnswer) {
  // The first chunk fails; its second try is accepted with an answer no
  // longer than the getFileAction answer before it (its break point reads
  // 0). With a single restart allowed, taking it for refused fails the task.
  StartService({"breakPointUploadAction:status=503:times=1",
                "breakPointUploadAction:breakpoint=0:every=2:times=1", kChunks, kInfos});
  const std::string f = MakeFile("short.bin", 200000);
  ASSERT_EQ(Upload({f}, {"--retry", "1"}), 0) << output_;
  EXPECT_NE(output_.find("Task[01] short.bin: 完成"), std::string::npos) << output_;
  EXPECT_EQ(Seen(kInfos), 1);
  EXPECT_EQ(Seen(kChunks), 3);
  ExpectStored(f);
}

}  // namespace

namespace {

// The engine in this process: controllers, the upload pool and uploaders
// talk to the stand-in service directly, so a test can act on a task while
// its chunks go out.
class UploadEngineTest : public UploadServiceTest {
 protected:
  void SetUp() override {
    curl_global_init(CURL_GLOBAL_ALL);
    saved_ = COptions::Instance().m_retryCount;
  }
  void TearDown() override {
    CUpldThreadMgr::Instance().Stop();
    COptions::Instance().m_retryCount = saved_;
    curl_global_cleanup();
  }

  void Connect() { service_->SignIn(COptions::Instance()); }

  CUploadParam ParamOf(const std::string& path) {
    CUploadParam p;
    EXPECT_TRUE(CShaDigest::OfFile(path, &p.hash, &p.size));
    p.folder = path.substr(0, path.rfind('/'));
    p.name = path.substr(path.rfind('/') + 1);
    p.taskIndex = 1;
    p.pid = Control("/wbx/filebackup/getSubFilesAction.json?gSessionId=s1")["root"]["id"].asInt64();
    return p;
  }

  // Runs the uploader on the file with no counted restart allowed.
  int32_t RunWithoutRestarts(CEasyUploader& job, CUploaderContext& context,
                             const std::string& path) {
    COptions::Instance().m_retryCount = 0;
    context.SetState(TaskState::Transferring);
    job.SetParam(ParamOf(path));
    return job.Upload();
  }

  // A first run that an injected failure ends; returns the file's fid at the
  // service.
  int64_t RunUntilFailure(const std::string& path) {
    CUploaderContext context;
    CEasyUploader first(nullptr, &context);
    EXPECT_EQ(RunWithoutRestarts(first, context, path), TaskState::NetworkError);
    return first.CurrentParam().fid;
  }

  // A new run of the task, resumed as stored with fid and break point.
  int32_t RunResumed(const std::string& path, int64_t fid, int64_t breakPoint,
                     CUploaderContext* context) {
    CUploadParam stored = ParamOf(path);
    stored.fid = fid;
    stored.breakPoint = breakPoint;
    context->SetState(TaskState::Transferring);
    CEasyUploader job(nullptr, context);
    job.SetParam(stored);
    return job.Upload();
  }

  // Waits (at most 60 s) until the task is in `state` (or in `other`).
  bool WaitForState(CUploaderContext& task, int32_t state, int32_t other = -1) {
    auto there = [&] { return task.GetState() == state || task.GetState() == other; };
    for (int i = 0; i < 3000 && !there(); ++i) usleep(20000);
    return there();
  }

  // The service's break point once it stopped changing: it still reads the
  // bytes of an aborted chunk that were in flight, at its throttled rate.
  int64_t SettledBreakPoint(const std::string& name) {
    int64_t last = -1;
    for (int i = 0; i < 30; ++i) {
      const int64_t now = Entry(name)["breakPoint"].asInt64();
      if (now == last) return now;
      last = now;
      usleep(1000000);
    }
    return last;
  }

  int32_t saved_ = 0;
};

TEST_F(UploadEngineTest, PauseMidChunkKeepsTheLastCompletedBreakPointThenResumesFromTheService) {
  // The first two chunks crawl, so the pause lands inside the second.
  StartService({"breakPointUploadAction:throttle=40000:times=2", kChunks, kInits, kInfos});
  Connect();
  const std::string f = MakeFile("paused.bin", 700000);
  CUpldThreadMgr::Instance().Start();
  CUploaderMgr task;
  task.SetParam(ParamOf(f));
  ASSERT_EQ(task.Start(), 0);
  // The second chunk request arrived, so the first was accepted.
  for (int i = 0; i < 1500 && Seen(kChunks) < 2; ++i) usleep(20000);
  ASSERT_EQ(Seen(kChunks), 2);
  EXPECT_EQ(task.Pause(), TaskState::Pausing);
  ASSERT_TRUE(WaitForState(task, TaskState::Paused));
  // The aborted chunk does not count: the task keeps the first one's end.
  EXPECT_EQ(task.Param().breakPoint, 131072);
  EXPECT_GT(task.Param().fid, 0);
  EXPECT_EQ(Seen(kChunks), 2);

  // The service may have kept part of the aborted chunk: the resumed task
  // asks for the service's break point and sends from there.
  const int64_t held = SettledBreakPoint("paused.bin");
  ASSERT_GE(held, 131072);
  ASSERT_EQ(task.Start(), 0);
  ASSERT_TRUE(WaitForState(task, TaskState::Done));
  EXPECT_EQ(Seen(kInits), 1);
  EXPECT_EQ(Seen(kInfos), 1);
  EXPECT_EQ(Seen(kChunks), 2 + (700000 - held + 131071) / 131072);
  EXPECT_EQ(task.Param().breakPoint, 700000);
  ExpectStored(f);
}

TEST_F(UploadEngineTest, FourTasksRunThreeAtATimeAndAPoolPauseStopsAnUploadBetweenChunks) {
  StartService({"breakPointUploadAction:throttle=300000", kInits});
  Connect();
  CUpldThreadMgr& pool = CUpldThreadMgr::Instance();
  pool.Start();
  std::vector<std::string> files;
  std::vector<std::unique_ptr<CUploaderMgr>> tasks;
  for (int i = 0; i < 4; ++i) {
    files.push_back(MakeFile("four" + std::to_string(i), 600000 + i));
    CUploadParam p = ParamOf(files.back());
    p.taskIndex = i + 1;
    tasks.push_back(std::make_unique<CUploaderMgr>());
    tasks.back()->SetParam(p);
    ASSERT_EQ(tasks.back()->Start(), 0);
  }
  for (int i = 0; i < 1500 && Seen(kInits) < 3; ++i) usleep(20000);
  usleep(500000);
  // Three run; the fourth waits in the queue.
  EXPECT_EQ(Seen(kInits), 3);

  // The pause is a pulse: the upload that meets it between two chunks ends
  // Paused, holding whole chunks, and the others go on.
  pool.Pause();
  EXPECT_TRUE(pool.PausedThreads());
  EXPECT_FALSE(pool.Accepting());
  for (int i = 0; i < 4; ++i) {
    ASSERT_TRUE(WaitForState(*tasks[i], TaskState::Done, TaskState::Paused)) << i;
  }
  int paused = 0;
  for (auto& task : tasks) {
    if (task->GetState() != TaskState::Paused) continue;
    ++paused;
    EXPECT_EQ(task->Param().breakPoint % 131072, 0);
    EXPECT_LT(task->Param().breakPoint, task->Param().size);
  }
  EXPECT_GE(paused, 1);

  pool.Resume();
  EXPECT_TRUE(pool.Accepting());
  for (auto& task : tasks) {
    if (task->GetState() != TaskState::Paused) continue;
    ASSERT_EQ(task->Start(), 0);
  }
  for (int i = 0; i < 4; ++i) {
    ASSERT_TRUE(WaitForState(*tasks[i], TaskState::Done)) << i;
    ExpectStored(files[i]);
  }
}

TEST_F(UploadEngineTest, StoppingThePoolMidUploadEndsTheRunningOnesPausedAndDropsTheQueuedOne) {
  StartService({"breakPointUploadAction:throttle=300000", kInits});
  Connect();
  CUpldThreadMgr& pool = CUpldThreadMgr::Instance();
  pool.Start();
  std::vector<std::unique_ptr<CUploaderMgr>> tasks;
  for (int i = 0; i < 4; ++i) {
    CUploadParam p = ParamOf(MakeFile("stopped" + std::to_string(i), 600000 + i));
    p.taskIndex = i + 1;
    tasks.push_back(std::make_unique<CUploaderMgr>());
    tasks.back()->SetParam(p);
    ASSERT_EQ(tasks.back()->Start(), 0);
  }
  for (int i = 0; i < 1500 && Seen(kInits) < 3; ++i) usleep(20000);
  ASSERT_EQ(Seen(kInits), 3);

  pool.Stop();
  EXPECT_FALSE(pool.HasPool());
  // Each running upload met the stop between two chunks and holds whole ones.
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(tasks[i]->GetState(), TaskState::Paused) << i;
    EXPECT_EQ(tasks[i]->Param().breakPoint % 131072, 0) << i;
    EXPECT_LT(tasks[i]->Param().breakPoint, tasks[i]->Param().size) << i;
  }
  EXPECT_EQ(Seen(kInits), 3) << "the queued upload never started";
}

TEST_F(UploadEngineTest, ResumedTaskSendsFromTheServiceBreakPointNotTheStoredOne) {
  StartService({"breakPointUploadAction:status=500:every=3:times=1", kChunks, kInits, kInfos});
  Connect();
  const std::string f = MakeFile("resumed.bin", 600000);
  // The third chunk's 500 ends the first run.
  const int64_t fid = RunUntilFailure(f);
  ASSERT_EQ(Entry("resumed.bin")["breakPoint"].asInt64(), 262144);

  CUploaderContext context;
  EXPECT_EQ(RunResumed(f, fid, 131072 /* behind the service */, &context), TaskState::Done);
  EXPECT_EQ(Seen(kInits), 1);
  EXPECT_EQ(Seen(kInfos), 1);
  // Three chunks before, three from 262144 on (no refused chunk at 131072).
  EXPECT_EQ(Seen(kChunks), 6);
  EXPECT_EQ(context.Param().breakPoint, 600000);
  ExpectStored(f);
}

TEST_F(UploadEngineTest, ConnectTimeOutsRestartWithoutLimitWhileTheServiceAnswers) {
  StartService({"breakPointUploadAction:status=500:every=2:times=1", kInfos});
  Connect();
  const std::string f = MakeFile("timeouts.bin", 400000);
  // No counted restart is allowed in either run.
  const int64_t fid = RunUntilFailure(f);
  ASSERT_EQ(Entry("timeouts.bin")["breakPoint"].asInt64(), 131072);

  // Each file-information request gets through; the chunk connection after
  // the first two stalls past the 5 s connect time-out.
  kvtest::StallingFront front(static_cast<uint16_t>(service_->port()), 2, 5500);
  ASSERT_TRUE(front.Start());
  ServiceConfig::Instance().SetBaseUrl(front.BaseUrl());
  kvtest::LogCapture log;
  CUploaderContext context;
  EXPECT_EQ(RunResumed(f, fid, 131072, &context), TaskState::Done);
  EXPECT_EQ(front.stallsDone(), 2);
  EXPECT_EQ(log.Count("Timeout, retry [1]", "ESYUPLD"), 2);
  EXPECT_EQ(Seen(kInfos), 3);
  ExpectStored(f);
}

std::string MessageOf(CUploaderContext& context) {
  msg::TaskStateRecord record;
  context.GetStateAndMessage(&record);
  return record.message;
}

TEST_F(UploadEngineTest, ErrorAnswerWithABodyEndsAtOnceWithItsStatusLine) {
  // The second chunk waits at the service while the file is deleted there,
  // so it is answered 404 with a failed envelope.
  StartService({"breakPointUploadAction:delay=3000:every=2:times=1", kInits, kInfos});
  Connect();
  const std::string f = MakeFile("removed.bin", 600000);
  CUploaderContext context;
  context.SetState(TaskState::Transferring);
  CEasyUploader job(nullptr, &context);
  job.SetParam(ParamOf(f));
  int32_t result = -1;
  std::thread run([&] { result = job.Upload(); });
  const std::string delayed = "breakPointUploadAction:delay=3000:every=2:times=1";
  for (int i = 0; i < 1500 && Seen(delayed) < 2; ++i) usleep(20000);
  const Json::Value deleted =
      Control("/wbx/filebackup/deleteFileAction.json",
              "gSessionId=s1&fid=" + std::to_string(job.CurrentParam().fid));
  run.join();
  EXPECT_FALSE(Entry("removed.bin").isObject()) << deleted;
  EXPECT_EQ(result, TaskState::NetworkError);
  EXPECT_EQ(MessageOf(context), "HTTP/1.1 404 Not Found");
  // No restart: neither a second init nor a file-information request.
  EXPECT_EQ(Seen(kInits), 1);
  EXPECT_EQ(Seen(kInfos), 0);
}

TEST_F(UploadEngineTest, MissingSourceAndUnknownFileEndWithTheirMessages) {
  StartService({"breakPointUploadAction:status=500:every=2:times=1"});
  Connect();
  const std::string f = MakeFile("vanishing.bin", 400000);
  CUploaderContext context;
  CEasyUploader job(nullptr, &context);
  ASSERT_EQ(RunWithoutRestarts(job, context, f), TaskState::NetworkError);
  // A second run of the same uploader restarts first; the file is gone.
  ASSERT_EQ(unlink(f.c_str()), 0);
  context.SetState(TaskState::Transferring);
  EXPECT_EQ(job.Upload(), TaskState::NetworkError);
  EXPECT_EQ(MessageOf(context), "不能打开文件");
  CEasyUploader fresh(nullptr, &context);
  const std::string other = MakeFile("other.bin", 10);
  fresh.SetParam(ParamOf(other));
  ASSERT_EQ(unlink(other.c_str()), 0);
  context.SetState(TaskState::Transferring);
  EXPECT_EQ(fresh.Upload(), TaskState::NetworkError);
  EXPECT_EQ(MessageOf(context), "不能打开文件");

  // A resumed task whose file the service does not know.
  EXPECT_EQ(RunResumed(MakeFile("unknown.bin", 1000), 987654, 100, &context),
            TaskState::NetworkError);
  EXPECT_EQ(MessageOf(context), "获取上传信息失败");
}

// Plays the user deleting the task at the moment its last chunk was
// accepted, before the upload applied its result.
class DeletedWhenSent : public CUploaderContext {
 public:
  int32_t GetState() override {
    const int32_t state = CUploaderContext::GetState();
    if (uploader && state == TaskState::Transferring &&
        uploader->CurrentParam().breakPoint == uploader->CurrentParam().size) {
      SetState(TaskState::Destroying);
      SetDestroyFlag(1);
    }
    return state;
  }
  CEasyUploader* uploader = nullptr;
};

TEST_F(UploadEngineTest, DeletingATaskWhoseTransferCompletedEndsDestroyed) {
  StartService();
  Connect();
  const std::string f = MakeFile("deleted.bin", 300000);
  kvtest::LogCapture log;
  DeletedWhenSent context;
  context.SetState(TaskState::Transferring);
  CEasyUploader job(nullptr, &context);
  context.uploader = &job;
  job.SetParam(ParamOf(f));
  EXPECT_EQ(job.Upload(), TaskState::Destroyed);
  EXPECT_EQ(context.CUploaderContext::GetState(), TaskState::Destroyed);
  EXPECT_TRUE(log.Contains(
      "Task[01]: PostDownload, explicitly change state from 2 - 完成 to 6(Destroyed)", "ESYUPLD"));
  ExpectStored(f);
}

}  // namespace

namespace {

TEST_F(UploadEngineTest, ReUploadRunsTheTaskOnItsOwnWorker) {
  StartService({kChunks});
  Connect();
  const std::string f = MakeFile("again.bin", 400000);
  kvtest::LogCapture log;
  CUploaderMgr task;
  task.SetParam(ParamOf(f));
  task.SetState(TaskState::Paused);
  ASSERT_EQ(task.ReUpload(), 0);
  ASSERT_TRUE(WaitForState(task, TaskState::Done));
  // The worker is still known until Finalize forgets it.
  EXPECT_EQ(task.ReUpload(), 1);
  EXPECT_EQ(task.Finalize(1), 0);
  EXPECT_EQ(task.Param().breakPoint, 400000);
  EXPECT_EQ(Seen(kChunks), 4);
  ExpectStored(f);
  EXPECT_TRUE(log.Contains("Task[01]: [ReUpload] - After  [EasyUploader] Start. Result = 2 - 完成",
                           "ULMGR"));
  EXPECT_TRUE(log.Contains("Task[01]: [StartUpload] - TimeCost", "TIME"));
}

}  // namespace

namespace {

size_t Ignore(char*, size_t size, size_t count, void*) {
  return size * count;
}

// A file above 4 GiB: the service already holds its first 4 GiB less
// 400000 bytes (zeros, like the sparse source), so only the tail crosses the
// wire, at break points beyond 32 bits; the service rebuilds its digest from
// every byte it holds and completes the file only when it matches.
TEST_F(UploadServiceTest, FileAboveFourGibCompletesFromABreakPointBeyond32Bits) {
  const int64_t size = (int64_t{1} << 32) + 300000;
  const int64_t held = (int64_t{1} << 32) - 400000;
  const std::string path = dir_.Sub("big.bin");
  std::string tail(600000, '\0');
  std::mt19937 random(42);
  for (char& c : tail) c = static_cast<char>(random());
  {
    std::ofstream out(path, std::ios::binary);
    out.seekp((int64_t{1} << 32) - 300000);
    out.write(tail.data(), static_cast<std::streamsize>(tail.size()));
  }
  ASSERT_EQ(truncate(path.c_str(), size), 0);

  StartService({kChunks});
  const int64_t root =
      Control("/wbx/filebackup/getSubFilesAction.json?gSessionId=s1")["root"]["id"].asInt64();
  const std::string body =
      "gSessionId=s1&pid=" + std::to_string(root) + "&name=big.bin&size=" + std::to_string(size);
  const std::string url = service_->BaseUrl() + "/wbx/filebackup/breakPointUploadInitAction.json?";
  CURL* h = curl_easy_init();
  curl_easy_setopt(h, CURLOPT_URL, url.c_str());
  curl_easy_setopt(h, CURLOPT_POSTFIELDS, body.c_str());
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &Ignore);
  ASSERT_EQ(curl_easy_perform(h), CURLE_OK);
  curl_easy_cleanup(h);
  const std::string upload = Entry("big.bin")["upload"].asString();
  ASSERT_FALSE(upload.empty());
  service_->Stop();
  ASSERT_EQ(truncate(upload.c_str(), held), 0);
  ASSERT_TRUE(service_->Restart()) << service_->error();

  ASSERT_EQ(Upload({path}), 0) << output_;
  const Json::Value e = Entry("big.bin");
  EXPECT_EQ(e["status"].asInt(), 1);
  EXPECT_EQ(e["size"].asInt64(), size);
  // Six chunks from the held bytes on, none from 0.
  EXPECT_EQ(Seen(kChunks), 6);
  std::ifstream stored(e["content"].asString(), std::ios::binary);
  stored.seekg(held);
  std::string sent(static_cast<size_t>(size - held), '\0');
  stored.read(sent.data(), static_cast<std::streamsize>(sent.size()));
  EXPECT_EQ(stored.gcount(), size - held);
  EXPECT_TRUE(sent.substr(100000) == tail) << "the bytes sent differ";
  EXPECT_EQ(sent.substr(0, 100000), std::string(100000, '\0'));
}

}  // namespace
