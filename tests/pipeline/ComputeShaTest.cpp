// Digest jobs as the digest pool runs them, on real files: the result record
// of WM_DIGEST_DONE, failures after a pause, and the manager's accepting state.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "RefDigest.h"
#include "common/LogCapture.h"
#include "common/TempDir.h"
#include "pipeline/ComputeShaHandler.h"
#include "pipeline/ComputeShaMgr.h"
#include "platform/Event.h"
#include "platform/MessageQueue.h"
#include "session/Messages.h"

namespace {

using pipetest::Pattern;
using pipetest::RefDigest;

// The drop window's side: copies of every result, and the failures.
class DigestWindow : public platform::MessageHandler {
 public:
  platform::LRESULT HandleMessage(platform::UINT msg, platform::WPARAM w,
                                  platform::LPARAM l) override {
    if (msg != msg::WM_DIGEST_DONE) return 0;
    EXPECT_EQ(l, 0);
    const msg::CalcShaResult* r = msg::RecordFrom<msg::CalcShaResult>(w);
    if (r == nullptr) {
      EXPECT_EQ(w, 0u) << "only a result record or 0";
      ++failures;
      return 0;
    }
    results[r->path] = *r;
    return 0;
  }
  int Count() const { return failures + static_cast<int>(results.size()); }
  std::map<std::string, msg::CalcShaResult> results;
  int failures = 0;
};

// Tells when a job of the pool started to run.
class StartSignal : public FTL::IFThreadPoolCallBack<CalcShaParam*> {
 public:
  using Job = FTL::CFJobBase<CalcShaParam*>;
  void JobStarted(int32_t, Job*) override { started.Set(); }
  void JobFinished(int32_t, Job*) override {}
  void JobCancelled(int32_t, Job*) override {}
  void JobProgress(int32_t, Job*, int32_t, int32_t, int32_t, int32_t) override {}
  void JobError(int32_t, Job*, int32_t, int32_t) override {}
  platform::Event started{true, false};
};

class ComputeShaTest : public ::testing::Test {
 protected:
  void SetUp() override { window_ = platform::CreateWindowHandle(&seen_); }
  void TearDown() override { platform::MessageQueue::Instance().Reset(); }
  bool PumpUntil(int count) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (seen_.Count() < count) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      platform::MessageQueue::Instance().DispatchPending();
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
  }
  std::string Sparse(const std::string& name, int64_t size) {
    const std::string path = dir_.Sub(name);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    EXPECT_GE(fd, 0);
    EXPECT_EQ(::ftruncate(fd, size), 0);
    ::close(fd);
    return path;
  }

  kvtest::TempDir dir_;
  DigestWindow seen_;
  platform::HWND window_ = nullptr;
};

TEST_F(ComputeShaTest, EveryFileGetsAResultWithPathDigestAndSize) {
  const std::string twoChunks = Pattern(131073, 5), oneChunk = Pattern(131072, 6);
  const std::vector<std::string> paths = {dir_.WriteFile("two", twoChunks),
                                          dir_.WriteFile("one", oneChunk),
                                          dir_.WriteFile("empty", ""), dir_.Sub("missing")};
  ComputeShaMgr digests;
  ASSERT_TRUE(digests.Start());
  for (const std::string& p : paths) ASSERT_TRUE(digests.AddJob({window_, p}));
  EXPECT_EQ(digests.LastJobIndex(), 4);
  ASSERT_TRUE(PumpUntil(4));
  EXPECT_EQ(seen_.failures, 0) << "unreadable and empty files are results too";
  EXPECT_EQ(seen_.results[paths[0]].digest, RefDigest(twoChunks));
  EXPECT_EQ(seen_.results[paths[0]].size, 131073);
  EXPECT_EQ(seen_.results[paths[1]].digest, RefDigest(oneChunk));
  EXPECT_EQ(seen_.results[paths[1]].path, paths[1]);
  for (size_t i : {2, 3}) {
    ASSERT_EQ(seen_.results.count(paths[i]), 1u) << paths[i];
    EXPECT_EQ(seen_.results[paths[i]].digest, "");
    EXPECT_EQ(seen_.results[paths[i]].size, 0);
  }
  digests.Stop();
}

TEST_F(ComputeShaTest, APauseEndsTheReadAsAFailure) {
  kvtest::LogCapture log;
  const std::string path = Sparse("big", 3221225472LL);
  // One thread, busy with the digest, so no idle thread takes the pulse back.
  StartSignal signal;
  FTL::CFThreadPool<CalcShaParam*> pool(&signal);
  ASSERT_TRUE(pool.Start(1, 1));
  ASSERT_TRUE(pool.QueueJob(new ComputeShaHandler(new CalcShaParam{window_, path})));
  ASSERT_EQ(platform::WaitForSingleObject(signal.started, 20000), platform::kWaitObject0);
  pool.PulseStop();
  ASSERT_TRUE(PumpUntil(1));
  EXPECT_EQ(seen_.failures, 1);
  EXPECT_TRUE(seen_.results.empty());
  EXPECT_TRUE(log.Contains("ComputeShaHandler::Run: " + path + " failed", "CALCSHAHANDLER"));
}

TEST_F(ComputeShaTest, StoppingWhileEveryThreadDigestsEndsThoseAsFailuresAndDropsTheQueue) {
  kvtest::LogCapture log;
  const std::string big = Sparse("big", 3221225472LL);
  const std::string queued = dir_.WriteFile("queued", "abc");
  ComputeShaMgr digests;
  ASSERT_TRUE(digests.Start());
  for (int i = 0; i < ComputeShaMgr::kThreads; ++i) ASSERT_TRUE(digests.AddJob({window_, big}));
  ASSERT_TRUE(digests.AddJob({window_, queued}));
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (log.Count("ComputeShaHandler::Run, " + big) < ComputeShaMgr::kThreads &&
         std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  ASSERT_EQ(log.Count("ComputeShaHandler::Run, " + big), ComputeShaMgr::kThreads);
  digests.Stop();
  EXPECT_FALSE(digests.HasPool());
  platform::MessageQueue::Instance().DispatchPending();
  EXPECT_EQ(seen_.failures, ComputeShaMgr::kThreads);
  EXPECT_TRUE(seen_.results.empty()) << "the queued file was never digested";
  EXPECT_EQ(log.Count("ComputeShaHandler::Run, " + queued), 0);
}

TEST_F(ComputeShaTest, AStoppedManagerRefusesJobs) {
  const std::string path = dir_.WriteFile("f", "abc");
  ComputeShaMgr digests;
  EXPECT_FALSE(digests.AddJob({window_, path})) << "not started";
  ASSERT_TRUE(digests.Start());
  digests.Stop();
  EXPECT_FALSE(digests.Accepting());
  EXPECT_FALSE(digests.AddJob({window_, path}));
  EXPECT_EQ(digests.LastJobIndex(), -1);
  ASSERT_TRUE(digests.Start()) << "a fresh pool after a stop";
  EXPECT_TRUE(digests.AddJob({window_, path}));
  ASSERT_TRUE(PumpUntil(1));
  EXPECT_EQ(seen_.results[path].digest, RefDigest("abc"));
  digests.Stop();
}

}  // namespace
