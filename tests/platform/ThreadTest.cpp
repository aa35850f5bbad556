#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <stdexcept>

#include "common/LogCapture.h"
#include "platform/Event.h"
#include "platform/Thread.h"

using namespace platform;

TEST(ThreadTest, BodyWaitsAtTheGateUntilStart) {
  Event ran(true, false);
  Thread t([&] { ran.Set(); });
  EXPECT_TRUE(t.Joinable());
  EXPECT_EQ(WaitForSingleObject(ran, 100), kWaitTimeout);
  EXPECT_TRUE(t.Start());
  EXPECT_EQ(WaitForSingleObject(ran, 5000), kWaitObject0);
  t.Join();
  EXPECT_FALSE(t.Joinable());
}

TEST(ThreadTest, IdIsTheKernelTidOfTheBodyKnownBeforeStart) {
  std::atomic<uint32_t> inside{0};
  Thread t([&] { inside = CurrentThreadId(); });
  const uint32_t before = t.Id();
  EXPECT_NE(before, 0u);
  EXPECT_NE(before, CurrentThreadId());
  ASSERT_TRUE(t.Start());
  t.Join();
  EXPECT_EQ(inside.load(), before);
  EXPECT_EQ(CurrentThreadId(), static_cast<uint32_t>(gettid()));
}

TEST(ThreadTest, ThreadNeverStartedEndsWithoutRunningItsBody) {
  std::atomic<bool> ran{false};
  {
    Thread joined([&] { ran = true; });
    joined.Join();
    EXPECT_FALSE(joined.Joinable());
    EXPECT_FALSE(joined.Start());
    Thread destroyed([&] { ran = true; });
  }
  EXPECT_FALSE(ran.load());
}

TEST(ThreadTest, StartsOnlyOnce) {
  std::atomic<int> runs{0};
  Thread t([&] { ++runs; });
  EXPECT_TRUE(t.Start());
  EXPECT_FALSE(t.Start());
  t.Join();
  EXPECT_FALSE(t.Start());
  EXPECT_EQ(runs.load(), 1);
}

TEST(ThreadTest, ExceptionInBodyIsLoggedAndDoesNotEscape) {
  kvtest::LogCapture log;
  Thread t([] { throw std::runtime_error("boom-in-body"); });
  ASSERT_TRUE(t.Start());
  t.Join();
  EXPECT_TRUE(log.Contains("boom-in-body"));
}

TEST(ThreadTest, DestructorJoinsARunningThread) {
  std::atomic<bool> finished{false};
  Event go(true, false);
  {
    Thread t([&] {
      WaitForSingleObject(go, kInfinite);
      finished = true;
    });
    t.Start();
    go.Set();
  }
  EXPECT_TRUE(finished.load());
}
