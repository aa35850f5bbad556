#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/Event.h"
#include "platform/LastError.h"

using namespace platform;

// Each Set of an auto-reset event lets exactly one of the waiters through.
TEST(EventTest, AutoResetReleasesExactlyOneOfSeveralWaiters) {
  Event ev(false, false);
  Semaphore through(0, 3);
  std::atomic<int> released{0};
  std::vector<std::thread> waiters;
  for (int i = 0; i < 3; ++i)
    waiters.emplace_back([&] {
      if (WaitForSingleObject(ev, 10000) != kWaitObject0) return;
      ++released;
      through.Release();
    });
  for (int k = 1; k <= 3; ++k) {
    ev.Set();
    ASSERT_EQ(WaitForSingleObject(through, 5000), kWaitObject0);
    EXPECT_EQ(WaitForSingleObject(through, 50), kWaitTimeout) << "a second waiter passed";
    EXPECT_EQ(released.load(), k);
  }
  for (auto& t : waiters) t.join();
  EXPECT_FALSE(ev.IsSet());
}

TEST(EventTest, ManualResetReleasesAllAndStaysSet) {
  Event ev(true, false);
  std::atomic<int> released{0};
  std::vector<std::thread> waiters;
  for (int i = 0; i < 3; ++i)
    waiters.emplace_back([&] {
      if (WaitForSingleObject(ev, 2000) == kWaitObject0) ++released;
    });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  ev.Set();
  for (auto& t : waiters) t.join();
  EXPECT_EQ(released.load(), 3);
  EXPECT_TRUE(ev.IsSet());
  ev.Reset();
  EXPECT_EQ(WaitForSingleObject(ev, 0), kWaitTimeout);
  EXPECT_EQ(GetLastError(), kErrorTimeout);
}

TEST(EventTest, FirstSignalledInArgumentOrderWins) {
  Event a(false, false), b(false, true), c(true, true);
  EXPECT_EQ(WaitForMultipleObjects({&a, &b, &c}, false, 0), kWaitObject0 + 1);
  // b was auto-reset and consumed; c is manual and stays.
  EXPECT_EQ(WaitForMultipleObjects({&a, &b, &c}, false, 0), kWaitObject0 + 2);
  EXPECT_EQ(WaitForMultipleObjects({&a, &b, &c}, false, 0), kWaitObject0 + 2);
}

TEST(EventTest, SemaphoreCountsAndMaximum) {
  Semaphore s(1, 2);
  long previous = -1;
  EXPECT_TRUE(s.Release(1, &previous));
  EXPECT_EQ(previous, 1);
  EXPECT_FALSE(s.Release(1));
  EXPECT_EQ(GetLastError(), kErrorTooManyPosts);
  EXPECT_EQ(WaitForSingleObject(s, 0), kWaitObject0);
  EXPECT_EQ(WaitForSingleObject(s, 0), kWaitObject0);
  EXPECT_EQ(WaitForSingleObject(s, 10), kWaitTimeout);
  EXPECT_EQ(s.Count(), 0);
}

TEST(EventTest, WaitFailsOnEmptyOrNullArguments) {
  EXPECT_EQ(WaitForMultipleObjects(std::vector<Waitable*>{}, false, 0), kWaitFailed);
  EXPECT_EQ(WaitForMultipleObjects({nullptr}, false, 0), kWaitFailed);
  EXPECT_EQ(GetLastError(), kErrorInvalidParameter);
}

TEST(EventTest, FdIsReadableExactlyWhileSignalled) {
  Event ev(false, false);
  const int fd = ev.Fd();
  ASSERT_GE(fd, 0);
  uint64_t v;
  EXPECT_LT(read(fd, &v, sizeof v), 0);
  ev.Set();
  pollfd p{fd, POLLIN, 0};
  EXPECT_EQ(poll(&p, 1, 0), 1);
  EXPECT_EQ(WaitForSingleObject(ev, 0), kWaitObject0);
  p.revents = 0;
  EXPECT_EQ(poll(&p, 1, 0), 0);
}

TEST(EventTest, SemaphoreCountIsConsumedByExactlyThatManyWaiters) {
  Semaphore s(0, 10);
  Event stop(true, false);
  std::atomic<int> passed{0};
  std::vector<std::thread> waiters;
  for (int i = 0; i < 3; ++i)
    waiters.emplace_back([&] {
      if (WaitForMultipleObjects({&stop, &s}, false, 10000) == kWaitObject0 + 1) ++passed;
    });
  ASSERT_TRUE(s.Release(2));
  while (s.Count() > 0) std::this_thread::yield();
  stop.Set();
  for (auto& t : waiters) t.join();
  EXPECT_EQ(passed.load(), 2);
}

TEST(EventTest, SemaphoreRejectsBadArguments) {
  SetLastError(kErrorSuccess);
  Semaphore tooFull(5, 0);  // maximum taken as 1
  EXPECT_EQ(GetLastError(), kErrorInvalidParameter);
  EXPECT_EQ(tooFull.Count(), 1);
  EXPECT_FALSE(tooFull.Release(1));
  Semaphore negative(-3, 2);
  EXPECT_EQ(negative.Count(), 0);
  EXPECT_FALSE(negative.Release(0));
  EXPECT_FALSE(negative.Release(-1));
  EXPECT_EQ(negative.Count(), 0);
  EXPECT_FALSE(negative.Release(3));
  EXPECT_TRUE(negative.Release(2));
}

TEST(EventTest, WaitForAllConsumesNothingUntilEveryObjectIsSignalled) {
  Event a(false, true), b(false, false);
  Semaphore s(1, 1);
  EXPECT_EQ(WaitForMultipleObjects({&a, &b, &s}, true, 0), kWaitTimeout);
  EXPECT_TRUE(a.IsSet());
  EXPECT_EQ(s.Count(), 1);
  std::thread setter([&] { b.Set(); });
  EXPECT_EQ(WaitForMultipleObjects({&a, &b, &s}, true, 10000), kWaitObject0);
  setter.join();
  EXPECT_FALSE(a.IsSet());
  EXPECT_FALSE(b.IsSet());
  EXPECT_EQ(s.Count(), 0);
}

TEST(EventTest, ObjectListedTwiceFailsTheWaitAndConsumesNothing) {
  Semaphore s(1, 1);
  EXPECT_EQ(WaitForMultipleObjects({&s, &s}, true, 0), kWaitFailed);
  EXPECT_EQ(GetLastError(), kErrorInvalidParameter);
  EXPECT_EQ(s.Count(), 1);
}

TEST(EventTest, TimedWaitTimesOutOrEndsWithTheSignal) {
  Event ev(false, false);
  SetLastError(kErrorSuccess);
  EXPECT_EQ(WaitForSingleObject(ev, 30), kWaitTimeout);
  EXPECT_EQ(GetLastError(), kErrorTimeout);
  Event other(false, false);
  std::thread setter([&] { other.Set(); });
  EXPECT_EQ(WaitForMultipleObjects({&ev, &other}, false, 10000), kWaitObject0 + 1);
  setter.join();
}

TEST(EventTest, ManualEventFdStaysReadableUntilReset) {
  Event ev(true, true);
  pollfd p{ev.Fd(), POLLIN, 0};
  EXPECT_EQ(poll(&p, 1, 0), 1);
  EXPECT_EQ(WaitForSingleObject(ev, 0), kWaitObject0);
  EXPECT_EQ(poll(&p, 1, 0), 1);
  ev.Reset();
  p.revents = 0;
  EXPECT_EQ(poll(&p, 1, 0), 0);
}
