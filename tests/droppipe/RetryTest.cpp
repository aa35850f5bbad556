// Automatic retry passes of failed uploads, and a retry that a comparison's
// end must not cancel.
#include <filesystem>

#include "PipelineWorld.h"
#include "session/COptions.h"

namespace pipetest {
namespace {

class RetryTest : public PipelineWorld {
 protected:
  void SetUp() override {
    PipelineWorld::SetUp();
    COptions::Instance().m_retryCount = 0;
  }
  // A comparison pass that ends after the batch's end, as it may in a run.
  void LateCompareDone() {
    ASSERT_TRUE(platform::PostMessage(hub_->Window(), msg::WM_COMPARE_DONE, 0, 0));
    ASSERT_TRUE(PumpQuiet(100));
  }
};

TEST_F(RetryTest, SixthPassIsNotStartedAndTheBatchEndsWithCode8) {
  Start();
  AddFault("breakPointUploadInitAction:envelope=100500");
  Pipeline().OnDrop({MakeFile("doomed.bin", 4000)});
  for (int pass = 1; pass <= 5; ++pass) {
    ASSERT_TRUE(PumpUntil([&] { return view_.TimerRunning(DropPipeline::kTimerRetry); })) << pass;
    LateCompareDone();
    EXPECT_EQ(COptions::Instance().m_workState.load(), WorkState::kRetryPending) << pass;
    EXPECT_EQ(Pipeline().RetryPasses(), pass);
    ASSERT_TRUE(FireRetry());
  }
  ASSERT_TRUE(PumpUntilCode(DropPipeline::kCodeFailures));
  EXPECT_EQ(view_.timerStarts[DropPipeline::kTimerRetry],
            (std::vector<uint32_t>{5000, 10000, 15000, 20000, 25000}));
  EXPECT_FALSE(view_.TimerRunning(DropPipeline::kTimerRetry));
  ASSERT_EQ(Queue().PermanentFailures().size(), 1u);
  EXPECT_EQ(Queue().PermanentFailures()[0].description, "injected fault")
      << "the service's words reach the failed list";
  EXPECT_TRUE(Queue().BatchFailures().empty());
  EXPECT_EQ(view_.failedItemsShown, 1);
  EXPECT_TRUE(Pipeline().hasFailures());
  EXPECT_EQ(Pipeline().RetryPasses(), 0);
  EXPECT_EQ(view_.LastStatus(), "拖拽上传");
  EXPECT_EQ(COptions::Instance().m_busy.load(), BusyState::kIdle);
  EXPECT_EQ(CodeCount(DropPipeline::kCodeFinished), 0);
}

TEST_F(RetryTest, RetryPendingAtAComparisonsEndIsRetriedAndUploaded) {
  Start();
  AddFault("breakPointUploadInitAction:envelope=100500:times=1");
  const std::string path = MakeFile("second-chance.bin", 300000);
  Pipeline().OnDrop({path});
  ASSERT_TRUE(PumpUntil([&] { return view_.TimerRunning(DropPipeline::kTimerRetry); }));
  LateCompareDone();
  EXPECT_EQ(COptions::Instance().m_workState.load(), WorkState::kRetryPending);
  ASSERT_TRUE(FireRetry());
  ASSERT_TRUE(PumpUntilCode(DropPipeline::kCodeFinished));
  EXPECT_EQ(CodeCount(DropPipeline::kCodeFailures), 0);
  EXPECT_TRUE(Queue().PermanentFailures().empty());
  const RemoteEntry file = RemoteTree().at("second-chance.bin");
  EXPECT_EQ(file.status, 1);
  EXPECT_EQ(ReadAll(file.content), ReadAll(path));
}

// A folder the service will not make: its file is not retried (nothing could
// place it), the batch ends with code 8, and the failure says why.
TEST_F(RetryTest, FileWhoseFolderIsRefusedEndsTheBatchAsFailedWithTheServicesWords) {
  Start();
  AddFault("createPathAction:envelope=102001");
  const std::string sub = dir_.Sub("refused/inner");
  std::filesystem::create_directories(sub);
  MakeFile("refused/inner/x.bin", 1000);
  Pipeline().OnDrop({dir_.Sub("refused")});
  ASSERT_TRUE(PumpUntilCode(DropPipeline::kCodeFailures));
  EXPECT_EQ(CodeCount(DropPipeline::kCodeFinished), 0);
  EXPECT_FALSE(view_.TimerRunning(DropPipeline::kTimerRetry));
  ASSERT_EQ(Queue().PermanentFailures().size(), 1u);
  EXPECT_EQ(Queue().PermanentFailures()[0].file.path, sub + "/x.bin");
  EXPECT_EQ(Queue().PermanentFailures()[0].description, "injected fault");
  EXPECT_EQ(view_.failedItemsShown, 1);
  EXPECT_EQ(store_.RemainingFiles(), 0);
}

// A folder the service did not answer for (a network cut): its file waits
// for the next pass, which makes the folder and uploads it.
TEST_F(RetryTest, FileWhoseFolderWasNotAnsweredIsComparedAgainByTheNextPass) {
  Start();
  AddFault("createPathAction:status=503:times=3");
  std::filesystem::create_directories(dir_.Sub("cut/inner"));
  const std::string path = MakeFile("cut/inner/x.bin", 1000);
  Pipeline().OnDrop({dir_.Sub("cut")});
  ASSERT_TRUE(PumpUntil([&] { return view_.TimerRunning(DropPipeline::kTimerRetry); }))
      << "a retry pass waits";
  EXPECT_TRUE(Queue().PermanentFailures().empty());
  ASSERT_EQ(Queue().BatchFailures().size(), 1u);
  EXPECT_EQ(Queue().BatchFailures()[0].errorCode, FailedUpload::kFolderUnanswered);
  ASSERT_TRUE(FireRetry());
  ASSERT_TRUE(PumpUntilCode(DropPipeline::kCodeFinished));
  EXPECT_EQ(CodeCount(DropPipeline::kCodeFailures), 0);
  const RemoteEntry file = RemoteTree().at("cut/inner/x.bin");
  EXPECT_EQ(file.status, 1);
  EXPECT_EQ(ReadAll(file.content), ReadAll(path));
  EXPECT_EQ(store_.RemainingFiles(), 0);
}

}  // namespace
}  // namespace pipetest
