#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "common/LogCapture.h"
#include "upload/CUploaderContext.h"

namespace {

TEST(UploaderContextTest, StartsReadyAndLogsStateChanges) {
  kvtest::LogCapture log;
  CUploaderContext ctx;
  ctx.Param().taskIndex = 7;
  EXPECT_EQ(ctx.GetState(), TaskState::Ready);
  EXPECT_EQ(ctx.GetDestroyFlag(), 0);
  ctx.SetState(TaskState::Transferring);
  ctx.SetState(TaskState::Transferring);
  EXPECT_EQ(log.Count("Task[07]: StateChanged from [0 - 就绪] to [1 - 传输中]", "CTXT"), 1);
  EXPECT_EQ(log.Count("StateChanged", "CTXT"), 1);
  ctx.SetState(TaskState::NetworkError, "上传初始化失败");
  msg::TaskStateRecord st;
  ctx.GetStateAndMessage(&st);
  EXPECT_EQ(st.state, TaskState::NetworkError);
  EXPECT_EQ(st.message, "上传初始化失败");
  ctx.SetState(TaskState::Ready);
  ctx.GetStateAndMessage(&st);
  EXPECT_EQ(st.message, "");
}

TEST(UploaderContextTest, DestroyingOnlyLeadsToDestroyed) {
  kvtest::LogCapture log;
  CUploaderContext ctx;
  ctx.Param().taskIndex = 3;
  ctx.SetState(TaskState::Destroying);
  ctx.SetState(TaskState::Transferring);
  EXPECT_EQ(ctx.GetState(), TaskState::Destroyed);
  EXPECT_TRUE(
      log.Contains("Task[03]: [8 - 撤销中]->[1 - 传输中] changed to [8 - 撤销中]-[6 - 撤销]"));

  for (int32_t result : {TaskState::Done, TaskState::Paused, TaskState::Instant}) {
    CUploaderContext other;
    other.SetState(TaskState::Destroying);
    other.SetState(result, "m");
    EXPECT_EQ(other.GetState(), TaskState::Destroyed) << result;
  }
}

TEST(UploaderContextTest, ConcurrentWritersLeaveAConsistentRecord) {
  CUploaderContext ctx;
  std::vector<std::thread> writers;
  for (int t = 0; t < 4; ++t)
    writers.emplace_back([&ctx, t] {
      for (int i = 0; i < 500; ++i) ctx.SetState(t, std::string(static_cast<size_t>(t + 1), 'x'));
    });
  for (auto& w : writers) w.join();
  msg::TaskStateRecord st;
  ctx.GetStateAndMessage(&st);
  EXPECT_EQ(st.message.size(), static_cast<size_t>(st.state + 1));
}

}  // namespace
