#include <gtest/gtest.h>

#include "upload/TaskState.h"
#include "upload/UploadRowSlots.h"
#include "upload/UploadTexts.h"

namespace {

TEST(UploadTextsTest, RemainingTime) {
  const struct {
    uint32_t ms;
    const char* text;
  } cases[] = {
      {7200000, "2小时0秒"},    {61000, "1分1秒"},      {120000, "2分"},
      {45999, "45秒"},          {60000, "60秒"},        {3600000, "60分"},
      {3725000, "1小时2分5秒"}, {3659000, "1小时59秒"}, {3720000, "1小时2分"},
  };
  for (const auto& c : cases) EXPECT_EQ(UploadTexts::RemainingTime(c.ms), c.text) << c.ms;
}

TEST(UploadTextsTest, TransferredAndTotalSizes) {
  const struct {
    int64_t bytes;
    const char* transferred;
    const char* total;
  } cases[] = {
      {1024 * 1024, "1024KB/", "1024KB("},
      {1536 * 1024, "1.53MB/", "1.53MB("},
      {2048 * 1024, "2.48MB/", "2.48MB("},
      {1025 * 1024, "1.25MB/", "1.25MB("},         // K mod 1000 = 25
      {1000 * 1024 * 1024, "1000MB/", "1000MB("},  // K mod 1000 = 0
      {int64_t{1536} * 1024 * 1024, "1.53GB/", "1.53GB("},
      {500, "0KB/", "0KB("},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(UploadTexts::Transferred(c.bytes), c.transferred) << c.bytes;
    EXPECT_EQ(UploadTexts::Total(c.bytes), c.total) << c.bytes;
  }
}

TEST(UploadTextsTest, Speed) {
  const struct {
    uint32_t v;
    const char* text;
  } cases[] = {
      {0, "0B/S)"},         {512, "512Byte/秒)"},    {2048, "2KB/秒)"},
      {1048576, "1MB/秒)"}, {1572864, "1.51MB/秒)"}, {1048576 + 50 * 1024, "1.50MB/秒)"},
  };
  for (const auto& c : cases) EXPECT_EQ(UploadTexts::Speed(c.v), c.text) << c.v;
}

TEST(UploadTextsTest, ProgressLineAndPercent) {
  EXPECT_EQ(UploadTexts::Progress(61000, 1536 * 1024, 2048 * 1024, 2048),
            "剩余时间: 1分1秒   1.53MB/2.48MB(2KB/秒)");
  EXPECT_EQ(UploadTexts::Percent(50, 200), 25);
  EXPECT_EQ(UploadTexts::Percent(5, 0), 0);
  EXPECT_EQ(UploadTexts::Percent(int64_t{3} << 40, int64_t{4} << 40), 75);
}

TEST(UploadTextsTest, EndedText) {
  EXPECT_EQ(UploadTexts::Ended(TaskState::Done, "", 10, 10), "结束");
  EXPECT_EQ(UploadTexts::Ended(TaskState::Instant, "", 0, 10), "结束");
  EXPECT_EQ(UploadTexts::Ended(TaskState::Paused, "", 1536 * 1024, 2048 * 1024),
            "暂停 1.53MB/2.48MB");
  EXPECT_EQ(UploadTexts::Ended(TaskState::NetworkError, "timeout", 512 * 1024, 900 * 1024),
            "网络出错 512KB/900KB");
  // GB total: d = M − (K ÷ 1024000) × 1000.
  EXPECT_EQ(UploadTexts::Ended(TaskState::Paused, "", 0, int64_t{1536} * 1024 * 1024),
            "暂停 0KB/1.53GB");
}

TEST(UploadRowSlotsTest, RemovingARowMovesTheRowsBelowUp) {
  UploadRowSlots rows;
  for (int32_t task : {11, 12, 13, 14}) rows.Take(task);
  EXPECT_EQ(rows.Remove(12), 1);
  EXPECT_EQ(rows.TaskAt(1), 13);
  EXPECT_EQ(rows.TaskAt(2), 14);
  EXPECT_EQ(rows.TaskAt(3), UploadRowSlots::kFree);
  EXPECT_EQ(rows.Take(15), 3);
  EXPECT_EQ(rows.Remove(99), -1) << "a task without an item is ignored";
  EXPECT_EQ(rows.RowOf(15), 3);
}

TEST(UploadRowSlotsTest, FiveRowsAtMost) {
  UploadRowSlots rows;
  for (int32_t task = 1; task <= 5; ++task) EXPECT_EQ(rows.Take(task), task - 1);
  EXPECT_EQ(rows.Take(6), -1);
  rows.Clear();
  EXPECT_EQ(rows.Take(7), 0);
}

}  // namespace
