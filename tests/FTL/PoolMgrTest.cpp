// The owner side shared by the pool managers, and the re-entrant lock.
#include <gtest/gtest.h>

#include <atomic>

#include "FTL/CFCriticalSection.h"
#include "FTL/CFPoolMgr.h"
#include "FTL/CFScopedLock.h"
#include "PoolTestJobs.h"

using namespace pooltest;

namespace {

class TestMgr : public FTL::CFPoolMgr<TestParam> {
 public:
  TestMgr() : CFPoolMgr(1, 3) {}
  bool Add(TestJob* job, int32_t priority = 0) { return Submit(job, priority); }
  using CFPoolMgr::StopPool;
};

TestJob* Waiter(Recorder* rec, const std::string& name) {
  return TestJob::Make(name, rec, [](TestJob& j) {
    while (j.WaitToContinue() == FTL::WaitContinue)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
  });
}

}  // namespace

TEST(PoolMgr, RefusesJobsWithoutAPoolAndFreesThem) {
  Recorder rec;
  TestMgr mgr;
  EXPECT_EQ(mgr.LastJobIndex(), -1);
  EXPECT_FALSE(mgr.HasPool());
  EXPECT_FALSE(mgr.Add(TestJob::Make("early", &rec)));
  EXPECT_EQ(rec.Events(), (std::vector<std::string>{"cancel:early", "freed:early"}));
  EXPECT_EQ(mgr.LastJobIndex(), -1);
}

TEST(PoolMgr, StartQueuesWithPriorityAndRecordsTheLastIndex) {
  Recorder rec;
  TestMgr mgr;
  ASSERT_TRUE(mgr.Start());
  ASSERT_TRUE(mgr.Start());  // a second start keeps the pool
  ASSERT_TRUE(mgr.Add(TestJob::Make("a", &rec)));
  EXPECT_EQ(mgr.LastJobIndex(), 1);
  ASSERT_TRUE(mgr.Add(TestJob::Make("b", &rec), -1));
  EXPECT_EQ(mgr.LastJobIndex(), 2);
  ASSERT_TRUE(mgr.WaitJobsDone(10000));
  EXPECT_EQ(rec.Count("finish:"), 2u);
}

TEST(PoolMgr, StopPoolEndsRunningJobsAndForgetsThePool) {
  Recorder rec;
  TestMgr mgr;
  ASSERT_TRUE(mgr.Start());
  ASSERT_TRUE(mgr.Add(Waiter(&rec, "w")));
  ASSERT_TRUE(WaitUntil([&] { return rec.Count("run:") == 1; }));
  mgr.StopPool();
  EXPECT_EQ(rec.Count("finish:w"), 1u);
  EXPECT_FALSE(mgr.HasPool());
  EXPECT_EQ(mgr.RunningThreadCount(), 0);
  EXPECT_FALSE(mgr.Add(TestJob::Make("after", &rec)));
  EXPECT_EQ(rec.Count("cancel:after"), 1u);
  // A stopped manager makes a fresh pool on its next start.
  ASSERT_TRUE(mgr.Start());
  int32_t index = 0;
  ASSERT_TRUE(mgr.Add(TestJob::Make("again", &rec, [&](TestJob& j) { index = j.JobIndex(); })));
  ASSERT_TRUE(mgr.WaitJobsDone(10000));
  EXPECT_EQ(index, 1);
}

TEST(PoolMgr, DestructorStopsTheRunningJobAndCancelsTheQueue) {
  Recorder rec;
  {
    TestMgr mgr;
    ASSERT_TRUE(mgr.Start());
    ASSERT_TRUE(mgr.Add(Waiter(&rec, "running")));
    ASSERT_TRUE(WaitUntil([&] { return rec.Count("run:") == 1; }));
    // The only busy thread and a second one started for this job: hold both.
    ASSERT_TRUE(mgr.Add(Waiter(&rec, "second")));
    ASSERT_TRUE(WaitUntil([&] { return rec.Count("run:") == 2; }));
    ASSERT_TRUE(mgr.Add(Waiter(&rec, "third")));
    ASSERT_TRUE(WaitUntil([&] { return rec.Count("run:") == 3; }));
    ASSERT_TRUE(mgr.Add(TestJob::Make("queued", &rec)));
  }
  EXPECT_EQ(rec.Count("finish:"), 3u);
  EXPECT_EQ(rec.With("cancel:"), (std::vector<std::string>{"cancel:queued"}));
}

TEST(CriticalSection, IsReentrantAndExcludesOtherThreads) {
  FTL::CFCriticalSection cs;
  std::atomic<bool> taken{false};
  ASSERT_TRUE(cs.Lock(0xFFFFFFFFu));
  ASSERT_TRUE(cs.Lock(0xFFFFFFFFu));  // the same thread again
  std::thread other([&] {
    FTL::CFScopedLock lock(cs);
    taken = true;
  });
  ASSERT_TRUE(cs.Unlock());
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(taken.load());  // still held once
  ASSERT_TRUE(cs.Unlock());
  other.join();
  EXPECT_TRUE(taken.load());
}
