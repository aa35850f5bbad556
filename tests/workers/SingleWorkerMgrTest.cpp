// The single-worker manager shapes: start, close, stop and destruction.
#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <memory>

#include "TestWorkerMgrs.h"
#include "common/LogCapture.h"
#include "platform/Event.h"

using namespace workertest;

namespace {

bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = 10000) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

std::string Address(const void* p) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%08" PRIXPTR, reinterpret_cast<uintptr_t>(p));
  return text;
}

}  // namespace

TEST(SingleWorkerMgr, LogsConstructionAndDestructionWithItsAddressAndLevel) {
  kvtest::LogCapture log;
  auto mgr = std::make_unique<RoundsMgr>();
  const std::string addr = Address(mgr.get());
  EXPECT_TRUE(
      log.Contains("Task TestRoundsMgr: Constructor called. DMGR(" + addr + ")", "TestRoundsMgr"));
  mgr.reset();
  const auto lines = log.Lines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[lines.size() - 2], "TestRoundsMgr|DEBUG| Before ~DMGR(" + addr + ")");
  EXPECT_EQ(lines.back(), "TestRoundsMgr|DEBUG|After  ~DMGR(" + addr + ")");

  auto traced = std::make_unique<WaitingMgr>();
  EXPECT_EQ(log.Lines().back(),
            "TestWaitingMgr|TRACE|Task TestWaitingMgr: Constructor called. DMGR(" +
                Address(traced.get()) + ")");
}

TEST(SingleWorkerMgr, SecondStartIsRefusedWithItsLineAndOneWorkerRuns) {
  kvtest::LogCapture log;
  RoundsMgr mgr;
  EXPECT_EQ(mgr.Start(), 0);
  EXPECT_TRUE(log.Contains("Task[02] worker thread started, Thread ID=", "TestRoundsMgr"));
  EXPECT_FALSE(log.Contains("Thread ID=0"));
  EXPECT_EQ(mgr.Start(), 1);
  EXPECT_EQ(log.Count("Task[02] can't be started, because the thread handle still exist."), 1);
  EXPECT_EQ(log.Count("worker thread started"), 1);
  EXPECT_EQ(mgr.LiveWorkers(), 1);
}

TEST(SingleWorkerMgr, CloseThreadThenStartRunsASecondWorkerAndBothAreJoined) {
  auto mgr = std::make_unique<RoundsMgr>();
  ASSERT_EQ(mgr->Start(), 0);
  EXPECT_EQ(mgr->CloseThread(), 0);
  EXPECT_FALSE(mgr->HasThread());
  EXPECT_EQ(mgr->LiveWorkers(), 1);  // closing neither stops nor waits
  ASSERT_EQ(mgr->Start(), 0);
  EXPECT_EQ(mgr->LiveWorkers(), 2);
  RoundsMgr* raw = mgr.get();
  mgr.reset();  // joins both; under ASan a worker left running would read freed memory
  EXPECT_NE(raw, nullptr);
}

TEST(SingleWorkerMgr, StopRequestEndsAnIdleEventWorkerPromptly) {
  RoundsMgr mgr;
  ASSERT_EQ(mgr.Start(), 0);
  mgr.RequestStop();
  ASSERT_TRUE(WaitUntil([&] { return mgr.LiveWorkers() == 0; }));
  EXPECT_EQ(mgr.rounds.load(), 0);
  EXPECT_TRUE(mgr.HasThread());  // the handle stays until CloseThread
}

TEST(SingleWorkerMgr, WorkEventRunsARoundAndPausedWakesDoNothing) {
  RoundsMgr mgr;
  ASSERT_EQ(mgr.Start(), 0);
  mgr.SignalWork();
  ASSERT_TRUE(WaitUntil([&] { return mgr.rounds.load() == 1; }));
  mgr.SetPaused(true);
  mgr.SignalWork();
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(mgr.rounds.load(), 1);
  mgr.SetPaused(false);
  mgr.SignalWork();
  ASSERT_TRUE(WaitUntil([&] { return mgr.rounds.load() == 2; }));
  // A stop while paused still ends the worker.
  mgr.SetPaused(true);
  mgr.RequestStop();
  ASSERT_TRUE(WaitUntil([&] { return mgr.LiveWorkers() == 0; }));
}

TEST(SingleWorkerMgr, StopFlagAloneDoesNotWakeAWaitingWorker) {
  WaitingMgr mgr;
  ASSERT_EQ(mgr.Start(), 0);
  ASSERT_TRUE(WaitUntil([&] { return mgr.entered.load(); }));
  mgr.SetStopFlag();
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(mgr.LiveWorkers(), 1);
  EXPECT_EQ(mgr.wakes.load(), 0);
}

TEST(SingleWorkerMgr, DestructionAbortsARequestInFlightAndJoinsBeforeTheMemoryGoes) {
  std::atomic<int> afterAbort{0};
  auto mgr = std::make_unique<RoundsMgr>();
  mgr->blockInRequest = true;
  mgr->afterAbort = &afterAbort;
  ASSERT_EQ(mgr->Start(), 0);
  mgr->SignalWork();
  ASSERT_TRUE(WaitUntil([&] { return mgr->inRequest.load(); }));
  mgr.reset();
  EXPECT_EQ(afterAbort.load(), 1);
}

TEST(SingleWorkerMgrDeathTest, AWorkerThatNeverEndsEndsTheProcessInsteadOfOutlivingItsOwner) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        WaitingMgr mgr;
        mgr.ignoreWake = true;
        mgr.Start();
        mgr.StopAndJoinWorkers(100);
        std::exit(3);  // not reached: the wait gives up and ends the process
      },
      ::testing::ExitedWithCode(0), "");
}
