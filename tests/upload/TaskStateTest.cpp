#include <gtest/gtest.h>

#include "upload/TaskState.h"

namespace {

TEST(TaskStateTest, DisplayTextsAndUnknownState) {
  const char* texts[] = {"就绪", "传输中", "完成",   "网络出错", "暂停",
                         "秒传", "撤销",   "暂停中", "撤销中"};
  for (int32_t s = 0; s < 9; ++s) EXPECT_EQ(StateDisplayText(s), texts[s]) << s;
  EXPECT_EQ(StateDisplayText(9), "未知状态码: 9");
  EXPECT_EQ(StateDisplayText(-2), "未知状态码: -2");
}

TEST(TaskStateTest, MessageJoinsTextExceptForNetworkError) {
  EXPECT_EQ(StateText(TaskState::Instant, "秒传"), "秒传: 秒传");
  EXPECT_EQ(StateText(TaskState::Done), "完成");
  EXPECT_EQ(StateText(TaskState::NetworkError, "HTTP/1.1 500 Internal Server Error"), "网络出错");
  EXPECT_EQ(StateLogText(TaskState::Paused, "x"), "4 - 暂停: x");
  EXPECT_EQ(StateLogText(TaskState::NetworkError, "x"), "3 - 网络出错");
}

TEST(TaskStateTest, AllowedOperationsFollowTheTable) {
  // Columns: Start, Pause, Destroy/Stop, ReUpload for states 0..8.
  const bool table[9][4] = {
      {1, 0, 1, 0}, {0, 1, 1, 0}, {0, 0, 1, 1}, {1, 0, 1, 1}, {1, 0, 1, 1},
      {0, 0, 1, 0}, {0, 0, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 0},
  };
  for (int32_t s = 0; s < 9; ++s) {
    EXPECT_EQ(StateAllows(s, TaskOperation::Start), table[s][0]) << s;
    EXPECT_EQ(StateAllows(s, TaskOperation::Pause), table[s][1]) << s;
    EXPECT_EQ(StateAllows(s, TaskOperation::Destroy), table[s][2]) << s;
    EXPECT_EQ(StateAllows(s, TaskOperation::Stop), table[s][2]) << s;
    EXPECT_EQ(StateAllows(s, TaskOperation::ReUpload), table[s][3]) << s;
  }
  EXPECT_FALSE(StateAllows(42, TaskOperation::Destroy));
  EXPECT_FALSE(StateAllows(-1, TaskOperation::Start));
}

}  // namespace
