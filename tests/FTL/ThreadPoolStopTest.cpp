// Stop modes, pause, WaitThreadsExit and destruction of the job pool.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>

#include "FTL/CFThreadPool.h"
#include "PoolTestJobs.h"
#include "platform/Event.h"
#include "platform/LastError.h"

using namespace pooltest;
using Pool = FTL::CFThreadPool<TestParam*>;

TEST(ThreadPoolStop, ModeZeroEndsEveryIdleThreadAndWaitThreadsExitReturnsAtOnce) {
  // The pool cancels the queued job into the recorder, so the recorder outlives it.
  Recorder rec;
  Pool pool(nullptr);
  ASSERT_TRUE(pool.Start(3, 3));
  ASSERT_TRUE(WaitUntil([&] { return pool.RunningThreadCount() == 3; }));
  pool.SignalStop();
  ASSERT_TRUE(WaitUntil([&] { return pool.RunningThreadCount() == 0; }));
  EXPECT_TRUE(pool.WaitThreadsExit());
  EXPECT_EQ(pool.ThreadCount(), 0u);
  // A stopped pool takes no more jobs off its queue.
  ASSERT_TRUE(pool.QueueJob(TestJob::Make("late", &rec)));
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_EQ(rec.Count("run:"), 0u);
}

TEST(ThreadPoolStop, ModeOneIsAPulseThatJobsSeeAndIdleThreadsReset) {
  Recorder rec;
  platform::Event gate(true, false);
  std::atomic<int> first{-1};
  std::atomic<int> second{-1};
  Pool pool(nullptr);
  ASSERT_TRUE(pool.Start(1, 1));
  ASSERT_TRUE(pool.QueueJob(TestJob::Make("paused", &rec, [&](TestJob& j) {
    platform::WaitForSingleObject(gate, 10000);
    first = j.WaitToContinue();
  })));
  ASSERT_TRUE(WaitUntil([&] { return rec.Count("run:") == 1; }));
  pool.PulseStop();
  gate.Set();
  ASSERT_TRUE(WaitUntil([&] { return rec.Count("finish:") == 1; }));
  EXPECT_EQ(first.load(), FTL::WaitStop);
  // The thread, idle again, resets the event and keeps serving.
  ASSERT_TRUE(WaitUntil([&] { return !pool.StopEvent().IsSet(); }));
  EXPECT_EQ(pool.RunningThreadCount(), 1);
  ASSERT_TRUE(pool.QueueJob(
      TestJob::Make("resumed", &rec, [&](TestJob& j) { second = j.WaitToContinue(); })));
  ASSERT_TRUE(pool.WaitJobsDone(10000));
  EXPECT_EQ(second.load(), FTL::WaitContinue);
  EXPECT_EQ(pool.RunningThreadCount(), 1);
}

// A pause waits for the running job to meet the pulse and end; the idle
// threads serve on, and their staying is not a time-out.
TEST(ThreadPoolStop, PauseAndWaitEndsWhenTheRunningJobHasEndedWhileThreadsServeOn) {
  Recorder rec;
  std::atomic<int> seen{-1};
  Pool pool(nullptr);
  ASSERT_TRUE(pool.Start(2, 2));
  ASSERT_TRUE(pool.QueueJob(TestJob::Make("paused", &rec, [&](TestJob& j) {
    while ((seen = j.WaitToContinue()) == FTL::WaitContinue)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
  })));
  ASSERT_TRUE(WaitUntil([&] { return rec.Count("run:") == 1; }));
  platform::SetLastError(0);
  EXPECT_TRUE(pool.PauseAndWait());
  EXPECT_EQ(platform::GetLastError(), 0u);
  EXPECT_EQ(seen.load(), FTL::WaitStop);
  EXPECT_EQ(rec.Count("finish:"), 1u);
  EXPECT_EQ(pool.RunningThreadCount(), 2);
  // Idle: the next pause has nothing to wait for.
  EXPECT_TRUE(pool.PauseAndWait());
  EXPECT_EQ(pool.RunningThreadCount(), 2);
}

TEST(ThreadPoolStop, ModeTwoIsIgnoredOnceThenTheStopHolds) {
  Pool pool(nullptr);
  ASSERT_TRUE(pool.Start(2, 2));
  ASSERT_TRUE(WaitUntil([&] { return pool.RunningThreadCount() == 2; }));
  pool.IgnoreNextStop();
  EXPECT_EQ(pool.StopMode(), 2);
  pool.SignalStop();
  // The first waking thread ignores it and restores mode 0; the event is still
  // set, so every thread then ends.
  ASSERT_TRUE(WaitUntil([&] { return pool.RunningThreadCount() == 0; }));
  EXPECT_EQ(pool.StopMode(), 0);
  EXPECT_TRUE(pool.StopEvent().IsSet());
}

// Two jobs run side by side; stopping one leaves the other and the pool going.
// The second thread may start late under load, so the test waits until both
// jobs run instead of reading the thread count right after Start.
TEST(ThreadPoolStop, JobStopEventStopsOnlyThatJob) {
  Recorder rec;
  std::atomic<int> result{-1};
  std::atomic<int> otherTurns{0};
  std::atomic<FTL::CFJobBase<TestParam*>*> running{nullptr};
  std::atomic<FTL::CFJobBase<TestParam*>*> other{nullptr};
  Pool pool(nullptr);
  ASSERT_TRUE(pool.Start(2, 2));
  auto looping = [&](std::atomic<FTL::CFJobBase<TestParam*>*>* self, std::atomic<int>* turns) {
    return [&, self, turns](TestJob& j) {
      *self = &j;
      FTL::WaitResult r;
      while ((r = j.WaitToContinue()) == FTL::WaitContinue) {
        if (turns != nullptr) ++*turns;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
      if (turns == nullptr) result = r;
    };
  };
  ASSERT_TRUE(pool.QueueJob(TestJob::Make("one", &rec, looping(&running, nullptr))));
  ASSERT_TRUE(pool.QueueJob(TestJob::Make("two", &rec, looping(&other, &otherTurns))));
  ASSERT_TRUE(WaitUntil([&] { return running.load() != nullptr && other.load() != nullptr; }));
  running.load()->RequestStop();
  ASSERT_TRUE(WaitUntil([&] { return rec.Count("finish:") == 1; }));
  EXPECT_EQ(rec.With("finish:"), (std::vector<std::string>{"finish:one"}));
  EXPECT_EQ(result.load(), FTL::WaitStop);
  EXPECT_FALSE(pool.StopEvent().IsSet());
  // The other job still gets WaitContinue after the stop of the first.
  const int seen = otherTurns.load();
  ASSERT_TRUE(WaitUntil([&] { return otherTurns.load() > seen + 2; }));
  EXPECT_EQ(pool.RunningThreadCount(), 2);
  other.load()->RequestStop();
  ASSERT_TRUE(pool.WaitJobsDone(10000));
  EXPECT_EQ(rec.Count("finish:two"), 1u);
}

// A job that ignores every stop for longer than WaitThreadsExit waits: the
// pool gives up waiting, yet its destruction waits for the job, which then
// still reads the pool safely.
TEST(ThreadPoolStop, DestructionWaitsOutAJobThatIgnoresTheStopBeyondTheExitWait) {
  Recorder rec;
  std::atomic<int> afterSleep{-1};
  auto pool = std::make_unique<Pool>(nullptr);
  ASSERT_TRUE(pool->Start(1, 1));
  ASSERT_TRUE(pool->QueueJob(TestJob::Make("stubborn", &rec, [&](TestJob& j) {
    std::this_thread::sleep_for(std::chrono::milliseconds(Pool::kExitWaitMs + 1000));
    afterSleep = j.WaitToContinue();  // touches the pool
  })));
  ASSERT_TRUE(WaitUntil([&] { return rec.Count("run:") == 1; }));
  pool->SignalStop();
  platform::SetLastError(0);
  EXPECT_FALSE(pool->WaitThreadsExit());
  EXPECT_EQ(platform::GetLastError(), platform::kErrorTimeout);
  EXPECT_EQ(rec.Count("finish:"), 0u);
  pool.reset();
  EXPECT_EQ(rec.Count("finish:stubborn"), 1u);
  EXPECT_EQ(afterSleep.load(), FTL::WaitStop);
}

TEST(ThreadPoolStop, DestroyingAPausedPoolStillEndsItsThreads) {
  auto pool = std::make_unique<Pool>(nullptr);
  ASSERT_TRUE(pool->Start(2, 2));
  ASSERT_TRUE(WaitUntil([&] { return pool->RunningThreadCount() == 2; }));
  pool->PulseStop();
  ASSERT_TRUE(WaitUntil([&] { return !pool->StopEvent().IsSet(); }));
  // Threads that kept serving would never be joined.
  platform::Event destroyed(true, false);
  std::thread destroyer([&] {
    pool.reset();
    destroyed.Set();
  });
  EXPECT_EQ(platform::WaitForSingleObject(destroyed, 20000), platform::kWaitObject0);
  destroyer.join();
}
