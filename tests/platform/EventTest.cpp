#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/Event.h"
#include "platform/LastError.h"

using namespace platform;

TEST(EventTest, AutoResetReleasesExactlyOneOfSeveralWaiters) {
  Event ev(false, false);
  std::atomic<int> released{0};
  std::vector<std::thread> waiters;
  for (int i = 0; i < 3; ++i)
    waiters.emplace_back([&] {
      if (WaitForSingleObject(ev, 400) == kWaitObject0) ++released;
    });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  ev.Set();
  for (auto& t : waiters) t.join();
  EXPECT_EQ(released.load(), 1);
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
