// The error window's decision and the speed texts.
#include "PipelineWorld.h"
#include "session/COptions.h"

namespace pipetest {
namespace {

class ErrorWindowTest : public PipelineWorld {
 protected:
  void PostErrors(int n) {
    for (int i = 0; i < n; ++i)
      ASSERT_TRUE(platform::PostMessage(hub_->Window(), msg::WM_NETWORK_FAILED, 0, 0));
    ASSERT_TRUE(PumpQuiet(100));
  }
};

TEST_F(ErrorWindowTest, FiftyErrorsWithinTheWindowGoOfflineWithoutFailures) {
  Start();
  PostErrors(50);
  ASSERT_EQ(view_.timerStarts[DropPipeline::kTimerErrorWindow].size(), 1u);
  EXPECT_EQ(view_.timers[DropPipeline::kTimerErrorWindow], 5000u);
  EXPECT_TRUE(Queue().BatchFailures().empty());
  Pipeline().OnTimer(DropPipeline::kTimerErrorWindow);
  EXPECT_EQ(COptions::Instance().m_workState.load(), WorkState::kOffline);
  EXPECT_EQ(view_.LastStatus(), "离线");
  EXPECT_EQ(codes_, std::vector<int32_t>{DropPipeline::kCodeStopped});
  EXPECT_FALSE(view_.TimerRunning(DropPipeline::kTimerErrorWindow));
  // Offline, errors are not counted.
  PostErrors(1);
  EXPECT_EQ(Pipeline().ErrorCount(), 0);
}

TEST_F(ErrorWindowTest, QuietWindowDoesNothingAndTheNextErrorOpensANewOne) {
  Start();
  PostErrors(49);
  Pipeline().OnTimer(DropPipeline::kTimerErrorWindow);
  EXPECT_EQ(COptions::Instance().m_workState.load(), WorkState::kReady);
  EXPECT_TRUE(codes_.empty());
  EXPECT_EQ(Pipeline().ErrorCount(), 0);
  EXPECT_FALSE(view_.TimerRunning(DropPipeline::kTimerErrorWindow));
  PostErrors(1);
  EXPECT_EQ(view_.timerStarts[DropPipeline::kTimerErrorWindow].size(), 2u);
  EXPECT_EQ(Pipeline().ErrorCount(), 1);
}

TEST(SpeedTextTest, UnitsByMagnitude) {
  EXPECT_EQ(DropPipeline::SpeedText(0), " 0B/S");
  EXPECT_EQ(DropPipeline::SpeedText(-5), " -5B/S");
  EXPECT_EQ(DropPipeline::SpeedText(1000), " 1000Byte/秒");
  EXPECT_EQ(DropPipeline::SpeedText(1536), " 1KB/秒");
  EXPECT_EQ(DropPipeline::SpeedText(1024 * 1024), " 1024KB/秒");
  EXPECT_EQ(DropPipeline::SpeedText(1572864), " 1.53MB/秒");
  EXPECT_EQ(DropPipeline::SpeedText(2097152), " 2MB/秒");
}

TEST_F(ErrorWindowTest, SpeedIsShownOnlyWhileRunning) {
  Start();
  COptions& options = COptions::Instance();
  options.m_currentSpeed = 1536;
  ASSERT_TRUE(platform::PostMessage(hub_->Window(), msg::WM_SPEED_CHANGED, 0, 0));
  ASSERT_TRUE(PumpQuiet(50));
  EXPECT_TRUE(view_.statusTexts.empty());
  options.m_busy = BusyState::kRunning;
  ASSERT_TRUE(platform::PostMessage(hub_->Window(), msg::WM_SPEED_CHANGED, 0, 0));
  ASSERT_TRUE(PumpQuiet(50));
  EXPECT_EQ(view_.LastStatus(), " 1KB/秒");
}

}  // namespace
}  // namespace pipetest
