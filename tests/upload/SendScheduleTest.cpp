#include <gtest/gtest.h>

#include "upload/SendSchedule.h"

namespace {

TEST(SendScheduleTest, NoCapLeavesChunksUnlimited) {
  SendSchedule s;
  s.Restart(1000, 0);
  EXPECT_EQ(s.ChunkRate(1000, 131072), 0);
}

TEST(SendScheduleTest, ChunksOnScheduleGetTheCap) {
  SendSchedule s;
  s.Restart(0, 131072);
  EXPECT_EQ(s.ChunkRate(0, 131072), 131072);
  s.Sent(131072);
  // The first chunk took exactly its second: the second is due one later.
  EXPECT_EQ(s.ChunkRate(1000, 131072), 131072);
}

TEST(SendScheduleTest, TimeLostBetweenChunksIsMadeUp) {
  SendSchedule s;
  s.Restart(0, 100000);
  s.Sent(100000);
  // 500 ms went on the answer and the next request: the next 100000 bytes
  // must go out in the 500 ms left to stay at 100000 bytes per second.
  EXPECT_EQ(s.ChunkRate(1500, 100000), 200000);
  // Far behind: bounded, so a stalled pass does not burst without limit.
  EXPECT_EQ(s.ChunkRate(60000, 100000), 400000);
}

TEST(SendScheduleTest, AheadOfScheduleSlowsDownButNotToNothing) {
  SendSchedule s;
  s.Restart(0, 100000);
  s.Sent(100000);
  // The first chunk went out at once: the next one spreads over two seconds.
  EXPECT_EQ(s.ChunkRate(0, 100000), 50000);
  s.Sent(1000000);
  EXPECT_EQ(s.ChunkRate(0, 100000), 25000);
  // A new pass starts its own budget.
  s.Restart(5000, 100000);
  EXPECT_EQ(s.ChunkRate(5000, 100000), 100000);
}

}  // namespace
