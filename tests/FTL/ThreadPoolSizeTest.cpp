// Thread counts of the job pool: fixed pools, growth under load, shrinking.
#include <gtest/gtest.h>

#include <memory>
#include <set>

#include "FTL/CFThreadPool.h"
#include "PoolTestJobs.h"
#include "platform/Event.h"
#include "platform/LastError.h"

using namespace pooltest;
using Pool = FTL::CFThreadPool<TestParam*>;

TEST(ThreadPoolSize, FixedFivePoolNeverStartsASixthThread) {
  Recorder rec;
  platform::Event gate(true, false);
  std::mutex idsLock;
  std::set<std::thread::id> ids;
  Pool pool(nullptr);
  ASSERT_TRUE(pool.Start(5, 5));
  ASSERT_TRUE(WaitUntil([&] { return pool.RunningThreadCount() == 5; }));
  for (int i = 0; i < 40; ++i) {
    ASSERT_TRUE(pool.QueueJob(TestJob::Make("j" + std::to_string(i), &rec, [&](TestJob&) {
      {
        std::lock_guard<std::mutex> lock(idsLock);
        ids.insert(std::this_thread::get_id());
      }
      platform::WaitForSingleObject(gate, 10000);
    })));
    EXPECT_EQ(pool.ThreadCount(), 5u);
  }
  ASSERT_TRUE(WaitUntil([&] { return rec.Count("run:") == 5; }));
  EXPECT_EQ(pool.WaitingJobCount(), 35u);
  gate.Set();
  ASSERT_TRUE(pool.WaitJobsDone(10000));
  EXPECT_EQ(rec.Count("finish:"), 40u);
  EXPECT_EQ(pool.ThreadCount(), 5u);
  EXPECT_EQ(pool.RunningThreadCount(), 5);
  std::lock_guard<std::mutex> lock(idsLock);
  EXPECT_EQ(ids.size(), 5u);
}

TEST(ThreadPoolSize, OneToFivePoolGrowsUnderLoadAndShrinksOneThreadPerEndingJob) {
  Recorder rec;
  std::vector<std::unique_ptr<platform::Event>> gates;
  for (int i = 0; i < 7; ++i) gates.push_back(std::make_unique<platform::Event>(true, false));
  Pool pool(nullptr);
  ASSERT_TRUE(pool.Start(1, 5));
  ASSERT_TRUE(WaitUntil([&] { return pool.RunningThreadCount() == 1; }));
  EXPECT_EQ(pool.ThreadCount(), 1u);
  auto queue = [&](int i) {
    platform::Event* gate = gates[i].get();
    return pool.QueueJob(TestJob::Make(std::to_string(i), &rec, [gate](TestJob&) {
      platform::WaitForSingleObject(*gate, 20000);
    }));
  };
  // Each job is queued while every thread is busy, so each one adds a thread.
  for (int i = 0; i < 5; ++i) {
    ASSERT_TRUE(queue(i));
    ASSERT_TRUE(WaitUntil([&] { return rec.Count("run:") == static_cast<size_t>(i + 1); }));
  }
  EXPECT_EQ(pool.ThreadCount(), 5u);
  // Busy at the maximum: further jobs wait instead of adding threads.
  ASSERT_TRUE(queue(5));
  ASSERT_TRUE(queue(6));
  EXPECT_EQ(pool.ThreadCount(), 5u);
  gates[5]->Set();
  gates[6]->Set();
  // Job 0 ends while 5 and 6 wait: its thread runs them; only the last of the
  // three ends with the queue empty and lets one thread go.
  gates[0]->Set();
  ASSERT_TRUE(WaitUntil([&] { return rec.Count("finish:") == 3; }));
  ASSERT_TRUE(WaitUntil([&] { return pool.ThreadCount() == 4; })) << pool.ThreadCount();
  // Each further job that ends with the queue empty lets one idle thread go,
  // down to the minimum.
  for (int i = 1; i < 5; ++i) {
    gates[i]->Set();
    const size_t expected = std::max(1, 4 - i);
    ASSERT_TRUE(WaitUntil([&] { return pool.ThreadCount() == expected; }))
        << "after job " << i << ": " << pool.ThreadCount();
  }
  ASSERT_TRUE(WaitUntil([&] { return pool.RunningThreadCount() == 1; }));
  EXPECT_EQ(pool.ThreadCount(), 1u);
  // The remaining thread still serves.
  ASSERT_TRUE(pool.QueueJob(TestJob::Make("last", &rec)));
  ASSERT_TRUE(pool.WaitJobsDone(10000));
  EXPECT_EQ(rec.Count("finish:last"), 1u);
}

TEST(ThreadPoolSize, StartingMoreThanTheMaximumStartsNothing) {
  Pool pool(nullptr);
  platform::SetLastError(0);
  EXPECT_FALSE(pool.Start(3, 2));
  EXPECT_EQ(platform::GetLastError(), platform::kErrorInvalidParameter);
  EXPECT_EQ(pool.ThreadCount(), 0u);
  EXPECT_EQ(pool.RunningThreadCount(), 0);
}
