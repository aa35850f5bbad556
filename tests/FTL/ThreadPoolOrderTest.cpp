// Queue order, job indices, notifications and cancellation of the job pool.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "FTL/CFThreadPool.h"
#include "PoolTestJobs.h"
#include "platform/Event.h"

using namespace pooltest;
using Pool = FTL::CFThreadPool<TestParam*>;

namespace {

// A job that holds the pool's only thread until the gate opens.
TestJob* Blocker(Recorder* rec, platform::Event* gate) {
  return TestJob::Make("blocker", rec,
                       [gate](TestJob&) { platform::WaitForSingleObject(*gate, 10000); });
}

}  // namespace

TEST(ThreadPoolOrder, EqualPrioritiesRunInQueueOrderAndMinusOneJumpsTheQueue) {
  Recorder rec;
  platform::Event gate(true, false);
  Pool pool(nullptr);
  ASSERT_TRUE(pool.Start(1, 1));
  ASSERT_TRUE(pool.QueueJob(Blocker(&rec, &gate)));
  ASSERT_TRUE(WaitUntil([&] { return rec.Count("run:blocker") == 1; }));
  for (const char* name : {"a", "b", "c"}) ASSERT_TRUE(pool.QueueJob(TestJob::Make(name, &rec)));
  TestJob* urgent = TestJob::Make("urgent", &rec);
  urgent->priority = -1;
  ASSERT_TRUE(pool.QueueJob(urgent));
  TestJob* late = TestJob::Make("late", &rec);
  late->priority = 1;
  ASSERT_TRUE(pool.QueueJob(late));
  ASSERT_TRUE(pool.QueueJob(TestJob::Make("d", &rec)));
  gate.Set();
  ASSERT_TRUE(pool.WaitJobsDone(10000));
  EXPECT_EQ(rec.With("run:"), (std::vector<std::string>{"run:blocker", "run:urgent", "run:a",
                                                        "run:b", "run:c", "run:d", "run:late"}));
}

TEST(ThreadPoolOrder, FirstJobGetsIndexOneAndIndicesCount) {
  Recorder rec;
  Pool pool(nullptr);
  ASSERT_TRUE(pool.Start(1, 1));
  int32_t index = -1;
  ASSERT_TRUE(pool.QueueJob(TestJob::Make("first", &rec), &index));
  EXPECT_EQ(index, 1);
  ASSERT_TRUE(pool.QueueJob(TestJob::Make("second", &rec), &index));
  EXPECT_EQ(index, 2);
  int32_t seen = 0;
  ASSERT_TRUE(
      pool.QueueJob(TestJob::Make("third", &rec, [&](TestJob& j) { seen = j.JobIndex(); })));
  ASSERT_TRUE(pool.WaitJobsDone(10000));
  EXPECT_EQ(seen, 3);
}

TEST(ThreadPoolOrder, NotificationsBracketEachRunAndTheFinishedJobFreesItsRecord) {
  Recorder rec;
  RecordingCallback callback(&rec);
  Pool pool(&callback);
  ASSERT_TRUE(pool.Start(1, 1));
  ASSERT_TRUE(pool.QueueJob(TestJob::Make("x", &rec)));
  ASSERT_TRUE(pool.WaitJobsDone(10000));
  EXPECT_EQ(rec.Events(),
            (std::vector<std::string>{"started:1", "run:x", "finished:1", "finish:x", "freed:x"}));
}

TEST(ThreadPoolOrder, DestroyingCancelsQueuedJobsInQueueOrderAndEachFreesItsRecord) {
  Recorder rec;
  RecordingCallback callback(&rec);
  auto pool = std::make_unique<Pool>(&callback);
  ASSERT_TRUE(pool->Start(1, 1));
  // Holds the thread until the pool asks it to stop.
  ASSERT_TRUE(pool->QueueJob(TestJob::Make("holder", &rec, [](TestJob& j) {
    while (j.WaitToContinue() == FTL::WaitContinue)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
  })));
  ASSERT_TRUE(WaitUntil([&] { return rec.Count("run:holder") == 1; }));
  ASSERT_TRUE(pool->QueueJob(TestJob::Make("q2", &rec)));
  ASSERT_TRUE(pool->QueueJob(TestJob::Make("q3", &rec)));
  TestJob* first = TestJob::Make("q4", &rec);
  first->priority = -1;
  ASSERT_TRUE(pool->QueueJob(first));
  pool.reset();
  EXPECT_EQ(rec.With("cancel"),
            (std::vector<std::string>{"cancelled:4", "cancel:q4", "cancelled:2", "cancel:q2",
                                      "cancelled:3", "cancel:q3"}));
  EXPECT_EQ(rec.Count("run:q"), 0u);
  EXPECT_EQ(rec.Count("finish:holder"), 1u);
  std::vector<std::string> freed = rec.With("freed:");
  std::sort(freed.begin(), freed.end());
  EXPECT_EQ(freed, (std::vector<std::string>{"freed:holder", "freed:q2", "freed:q3", "freed:q4"}));
}

TEST(ThreadPoolOrder, CancelWaitingJobsLeavesTheRunningJobAndThePoolServing) {
  Recorder rec;
  platform::Event gate(true, false);
  Pool pool(nullptr);
  ASSERT_TRUE(pool.Start(1, 1));
  ASSERT_TRUE(pool.QueueJob(Blocker(&rec, &gate)));
  ASSERT_TRUE(WaitUntil([&] { return rec.Count("run:blocker") == 1; }));
  ASSERT_TRUE(pool.QueueJob(TestJob::Make("w1", &rec)));
  ASSERT_TRUE(pool.QueueJob(TestJob::Make("w2", &rec)));
  EXPECT_TRUE(pool.CancelWaitingJobs());
  EXPECT_EQ(rec.With("cancel:"), (std::vector<std::string>{"cancel:w1", "cancel:w2"}));
  EXPECT_EQ(pool.WaitingJobCount(), 0u);
  gate.Set();
  ASSERT_TRUE(pool.QueueJob(TestJob::Make("after", &rec)));
  ASSERT_TRUE(pool.WaitJobsDone(10000));
  EXPECT_EQ(rec.With("run:"), (std::vector<std::string>{"run:blocker", "run:after"}));
  EXPECT_TRUE(pool.CancelWaitingJobs());  // nothing waits: true at once
}

TEST(ThreadPoolOrder, WaitJobsDoneTracksWaitingAndRunningJobs) {
  Recorder rec;
  platform::Event gate(true, false);
  Pool pool(nullptr);
  EXPECT_TRUE(pool.WaitJobsDone(0));
  ASSERT_TRUE(pool.Start(1, 1));
  ASSERT_TRUE(pool.QueueJob(Blocker(&rec, &gate)));
  ASSERT_TRUE(pool.QueueJob(TestJob::Make("next", &rec)));
  EXPECT_FALSE(pool.WaitJobsDone(50));
  gate.Set();
  EXPECT_TRUE(pool.WaitJobsDone(10000));
  EXPECT_EQ(rec.Count("finish:"), 2u);
}

TEST(ThreadPoolOrder, AJobThatThrowsIsStillFinishedAndThePoolGoesOn) {
  Recorder rec;
  Pool pool(nullptr);
  ASSERT_TRUE(pool.Start(1, 1));
  ASSERT_TRUE(pool.QueueJob(
      TestJob::Make("bad", &rec, [](TestJob&) { throw std::runtime_error("broken"); })));
  ASSERT_TRUE(pool.QueueJob(TestJob::Make("good", &rec)));
  ASSERT_TRUE(pool.WaitJobsDone(10000));
  EXPECT_EQ(rec.With("finish:"), (std::vector<std::string>{"finish:bad", "finish:good"}));
}
