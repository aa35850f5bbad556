#include <gtest/gtest.h>

#include "upload/CProgressMeter.h"

namespace {

TEST(ProgressMeterTest, FirstUpdateRecordsWithoutSpeedSecondGivesSpeed) {
  CProgressMeter m;
  m.Restart(1000, 1 << 20, 0);
  EXPECT_EQ(m.Update(1000, 0, 10), 1);
  EXPECT_EQ(m.Speed(), 0u);
  EXPECT_EQ(m.Update(1500, 131072, 20), 1);
  EXPECT_EQ(m.Speed(), 131072u * 2);  // 128 KiB in half a second
  EXPECT_EQ(m.Elapsed(), 500u);
}

TEST(ProgressMeterTest, ReportFallsDueAtMostOncePerSecond) {
  CProgressMeter m;
  m.Restart(0, 100, 0);
  m.Update(1000, 1, 0);
  EXPECT_FALSE(m.ReportDue());  // exactly the interval is not yet above it
  m.Update(1001, 2, 0);
  EXPECT_TRUE(m.ReportDue());
  m.Update(1500, 3, 0);
  EXPECT_FALSE(m.ReportDue());
  m.Update(2002, 4, 0);
  EXPECT_TRUE(m.ReportDue());
}

TEST(ProgressMeterTest, AfterTheRingFillsSamplesAreSpacedTwoSeconds) {
  CProgressMeter m;
  m.Restart(0, 1 << 30, 0);
  int64_t clock = 0;
  for (int i = 0; i < 26; ++i) EXPECT_EQ(m.Update(clock += 10, i * 100, 0), 1) << i;
  EXPECT_EQ(m.SampleCount(), 26);
  // Too soon after the newest sample: skipped, but the fields still move.
  EXPECT_EQ(m.Update(clock + 1999, 9999, 77), 0);
  EXPECT_EQ(m.SampleCount(), 26);
  EXPECT_EQ(m.Position(), 9999);
  EXPECT_EQ(m.CurrentBytes(), 77);
  EXPECT_EQ(m.Elapsed(), static_cast<uint32_t>(clock + 1999));
  EXPECT_EQ(m.Update(clock + 2000, 10000, 0), 1);
  EXPECT_EQ(m.SampleCount(), 27);
}

TEST(ProgressMeterTest, SpeedUsesTheOldestSampleOfTheRing) {
  CProgressMeter m;
  m.Restart(0, 1 << 30, 0);
  // 30 samples, 2000 ms apart, 1000 bytes each step: 1000 * 1000 / 2000 = 500 B/s
  for (int i = 0; i < 30; ++i) m.Update(i * 2000, i * 1000, 0);
  EXPECT_EQ(m.Speed(), 500u);
  // The 31st sample overwrites slot 5; the oldest kept is then sample 6
  // (12000 ms, 6000 bytes).
  m.Update(60000, 30000 + 48000, 0);
  EXPECT_EQ(m.Speed(), static_cast<uint32_t>((78000 - 6000) * 1000 / (60000 - 12000)));
}

TEST(ProgressMeterTest, EqualClocksDivideByOne) {
  CProgressMeter m;
  m.Restart(500, 100, 0);
  m.Update(500, 0, 0);
  m.Update(500, 40, 0);
  EXPECT_EQ(m.Speed(), 40000u);
}

TEST(ProgressMeterTest, ZeroElapsedDividesByOne) {
  CProgressMeter m;
  m.Restart(100, 1000, 0);
  m.Update(100, 10, 5);
  EXPECT_EQ(m.Elapsed(), 0u);
  EXPECT_EQ(m.AverageRate(), 5000u);
  EXPECT_EQ(m.RemainingTime(), 99u);  // rate 10 bytes/ms, 990 bytes left
}

TEST(ProgressMeterTest, RemainingTimeAndAverageRate) {
  CProgressMeter m;
  m.Restart(0, 10000, 0);
  m.Update(1000, 2000, 500);
  EXPECT_EQ(m.AverageRate(), 500u);
  EXPECT_EQ(m.RemainingTime(), 4000u);  // 2 bytes/ms, 8000 bytes left
  m.Update(2000, 1000, 0);              // below one byte per ms counts as one
  EXPECT_EQ(m.RemainingTime(), 9000u);
}

TEST(ProgressMeterTest, ResumedUploadCountsEarlierBytes) {
  CProgressMeter m;
  m.Restart(0, 1000000, 900000);
  m.Update(100, 900000, 0);
  EXPECT_EQ(m.RemainingTime(), 11u);  // 9000 bytes/ms, 100000 left
}

TEST(ProgressMeterTest, RestartClearsEverything) {
  CProgressMeter m;
  m.Restart(0, 100, 0);
  m.Update(10, 10, 3);
  m.Update(2000, 50, 3);
  ASSERT_NE(m.Speed(), 0u);
  m.Restart(5000, 200, 20);
  EXPECT_EQ(m.Speed(), 0u);
  EXPECT_EQ(m.SampleCount(), 0);
  EXPECT_EQ(m.Elapsed(), 0u);
  EXPECT_FALSE(m.ReportDue());
  EXPECT_EQ(m.Position(), 20);
  EXPECT_EQ(m.CurrentBytes(), 0);
  EXPECT_EQ(m.Update(5000, 20, 0), 1);
  EXPECT_EQ(m.Speed(), 0u);
}

}  // namespace
