#include <gtest/gtest.h>

#include "common/LogCapture.h"
#include "upload/CUploaderMgr.h"

namespace {

// Brings a fresh controller into a state through its context operations.
void Force(CUploaderMgr& mgr, int32_t state) {
  if (state == TaskState::Destroying) {
    mgr.Destroy();
    return;
  }
  mgr.SetState(state);
}

TEST(UploaderMgrTest, StartIsRefusedWhereTheStateForbidsIt) {
  kvtest::LogCapture log;
  for (int32_t state : {TaskState::Done, TaskState::Instant, TaskState::Destroyed,
                        TaskState::Pausing, TaskState::Destroying, TaskState::Transferring}) {
    CUploaderMgr mgr;
    CUploadParam p;
    p.taskIndex = 4;
    mgr.SetParam(p);
    Force(mgr, state);
    const int32_t before = mgr.GetState();
    EXPECT_EQ(mgr.Start(), 2) << state;
    EXPECT_EQ(mgr.GetState(), before) << state;
  }
  EXPECT_TRUE(log.Contains("Task[04] can't be started, because of wrong state = 2", "ULMGR"));
}

TEST(UploaderMgrTest, PauseOnlyFromTransferring) {
  CUploaderMgr mgr;
  EXPECT_EQ(mgr.Pause(), TaskState::Ready);
  mgr.SetState(TaskState::Transferring);
  EXPECT_EQ(mgr.Pause(), TaskState::Pausing);
  EXPECT_EQ(mgr.Pause(), TaskState::Pausing);
}

TEST(UploaderMgrTest, DestroyPausedTaskStaysDestroyingAndSetsTheFlag) {
  CUploaderMgr mgr;
  mgr.SetState(TaskState::Paused);
  EXPECT_EQ(mgr.Destroy(), TaskState::Destroying);
  EXPECT_EQ(mgr.GetDestroyFlag(), 1);
  EXPECT_EQ(mgr.Destroy(), TaskState::Destroying);
  mgr.SetState(TaskState::Done);
  EXPECT_EQ(mgr.GetState(), TaskState::Destroyed);
  EXPECT_EQ(mgr.Destroy(), TaskState::Destroyed);
}

TEST(UploaderMgrTest, StopWithoutWorkerAnswersUnknownOrDestroyed) {
  CUploaderMgr mgr;
  mgr.SetState(TaskState::Transferring);
  EXPECT_EQ(mgr.Stop(), CUploaderMgr::kStopUnknown);
  EXPECT_EQ(mgr.GetState(), TaskState::Transferring);
  mgr.SetState(TaskState::Destroyed);
  EXPECT_EQ(mgr.Stop(), TaskState::Destroyed);
}

TEST(UploaderMgrTest, ReUploadRefusedWhereTheStateForbidsIt) {
  kvtest::LogCapture log;
  CUploaderMgr mgr;
  EXPECT_EQ(mgr.ReUpload(), 2);
  EXPECT_EQ(mgr.GetState(), TaskState::Ready);
  EXPECT_TRUE(log.Contains("can't be reuploaded, because of wrong state = 0", "ULMGR"));
}

TEST(UploaderMgrTest, FinalizeSilentReturnsZeroAndDestroyedLoudReturnsFlag) {
  CUploaderMgr mgr;
  mgr.SetState(TaskState::Destroyed);
  EXPECT_EQ(mgr.Finalize(1), 0);
  EXPECT_EQ(mgr.Finalize(0), CUploaderMgr::kStopUnknown);
  mgr.SetState(TaskState::Done);
  EXPECT_EQ(mgr.Finalize(0), 0);
}

}  // namespace
