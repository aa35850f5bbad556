// Pause, resume and delete while transfers run; the service reads chunks
// slowly so that they are still under way when the user acts.
#include "QueueWorld.h"
#include "common/LogCapture.h"
#include "session/COptions.h"
#include "upload/CUploaderMgr.h"
#include "upload/TaskState.h"

namespace queuetest {
namespace {

constexpr const char* kSlowChunks = "breakPointUploadAction:throttle=262144";

class QueueControlTest : public QueueWorld {
 protected:
  UploadTask* TaskNamed(const std::string& name) {
    for (const auto& t : queue_->Tasks())
      if (t->name == name) return t.get();
    return nullptr;
  }
  bool Transferring(const std::string& name) {
    UploadTask* t = TaskNamed(name);
    return t && t->breakPoint > 0 && t->fid != 0;
  }
};

TEST_F(QueueControlTest, PauseAllHoldsTheTasksAndShowsPausedWhenTheLastTransferStopped) {
  Start({"--fault", kSlowChunks});
  for (int i = 1; i <= 4; ++i) QueueFile(MakeFile("p" + std::to_string(i), 2000000), RootId());
  queue_->upldNewFiles();
  ASSERT_EQ(queue_->ActiveCount(), 3);
  ASSERT_TRUE(PumpUntil([&] { return Transferring("p4") && Transferring("p3"); }));

  queue_->OnButtonUpPause();
  EXPECT_TRUE(queue_->Paused());
  EXPECT_FALSE(view_.buttons.startEnabled);
  EXPECT_FALSE(view_.buttons.pauseEnabled);
  EXPECT_NE(COptions::Instance().m_busy.load(), BusyState::kPaused) << "transfers still run";
  ASSERT_TRUE(PumpUntil([&] { return queue_->ActiveCount() == 0; }));
  EXPECT_EQ(queueWindow_.activeAfterEnd, (std::vector<int32_t>{2, 1, 0}));
  EXPECT_EQ(COptions::Instance().m_busy.load(), BusyState::kPaused);
  ASSERT_FALSE(link_.codes.empty());
  EXPECT_EQ(link_.codes.back(), 6);
  EXPECT_EQ(link_.statusText, "暂停");
  EXPECT_TRUE(view_.buttons.startEnabled);
  EXPECT_EQ(queue_->Tasks().size(), 4u) << "paused tasks stay listed";
  EXPECT_FALSE(TaskNamed("p1")->controller) << "nothing new starts while paused";

  ClearFaults();
  queue_->resumeTasks();
  EXPECT_EQ(queue_->ActiveCount(), 3);
  EXPECT_EQ(COptions::Instance().m_busy.load(), BusyState::kRunning);
  EXPECT_EQ(link_.codes.back(), 2);
  ASSERT_TRUE(PumpUntil([&] { return Drained() > 0; }));
  EXPECT_TRUE(queue_->BatchFailures().empty());
  ASSERT_TRUE(writer_.Drain());
  EXPECT_EQ(Rows(dbschema::Database::kLog, "SELECT name FROM log").size(), 4u);
}

// Offline and close drop the tasks after a bounded wait; a job that has not
// ended by then (a stalled request) must not outlive its task's state.
TEST_F(QueueControlTest, TasksDroppedWhileTheirJobRunsAreFreedByTheJob) {
  Start({"--fault", "breakPointUploadAction:delay=1500:times=1"});
  QueueFile(MakeFile("stalled.bin", 300000), RootId());
  queue_->upldNewFiles();
  ASSERT_EQ(queue_->ActiveCount(), 1);
  const std::weak_ptr<CUploaderMgr> controller = queue_->Tasks().front()->controller;
  // Registered: the first chunk now waits in the service.
  ASSERT_TRUE(PumpUntil([&] { return queue_->Tasks().front()->fid != 0; }));
  queue_->quitTasks();
  queue_->StopAllTasks();
  EXPECT_TRUE(queue_->Tasks().empty());
  EXPECT_FALSE(controller.expired()) << "the running job still holds it";
  ASSERT_TRUE(PumpUntil([&] { return controller.expired(); }));
}

TEST_F(QueueControlTest, WithThreeActiveAPausedItemStartsOnlyWhenForced) {
  Start({"--fault", kSlowChunks});
  for (int i = 1; i <= 4; ++i) QueueFile(MakeFile("r" + std::to_string(i), 2000000), RootId());
  queue_->upldNewFiles();
  ASSERT_EQ(queue_->ActiveCount(), 3);
  const int32_t waiting = TaskNamed("r1")->taskIndex;

  EXPECT_FALSE(queue_->pauseOrStartItem(waiting, true)) << "the first click holds it";
  EXPECT_TRUE(TaskNamed("r1")->userPaused);
  EXPECT_FALSE(queue_->pauseOrStartItem(waiting, false));
  EXPECT_FALSE(TaskNamed("r1")->controller);
  EXPECT_TRUE(queue_->pauseOrStartItem(waiting, true));
  EXPECT_EQ(TaskNamed("r1")->state, TaskState::Transferring);
  EXPECT_EQ(queue_->ActiveCount(), 4);
}

TEST_F(QueueControlTest, DeletingMidTransferRemovesOnlyTheRemoteFileThisUploadCreated) {
  Start({"--fault", kSlowChunks});
  const std::string old(150000, 'o');
  const int64_t completeId = UploadDirectly("replaced.bin", old);
  // The local copy changed since: it is queued to replace the complete file.
  QueueFile(MakeFile("replaced.bin", 2000000), RootId(), completeId);
  QueueFile(MakeFile("fresh.bin", 2000000), RootId());
  kvtest::LogCapture log;
  queue_->upldNewFiles();
  ASSERT_TRUE(PumpUntil([&] { return Transferring("replaced.bin") && Transferring("fresh.bin"); }));
  const int64_t freshId = TaskNamed("fresh.bin")->fid;
  ASSERT_NE(freshId, completeId);

  for (const char* name : {"replaced.bin", "fresh.bin"}) {
    queue_->deleteItem(TaskNamed(name)->taskIndex);
    ASSERT_NE(TaskNamed(name), nullptr) << "it leaves through its end";
  }
  ASSERT_TRUE(PumpUntil([&] { return Drained() > 0; }));
  EXPECT_EQ(view_.removed.size(), 2u);
  EXPECT_TRUE(queue_->BatchFailures().empty());
  ASSERT_TRUE(PumpUntil([&] { return Entry(freshId).isNull(); })) << "the new partial file goes";
  ASSERT_TRUE(PumpUntil([&] { return deleter_->PendingCount() == 0; }));
  const Json::Value kept = Entry(completeId);
  ASSERT_FALSE(kept.isNull()) << "the user's complete copy survives";
  EXPECT_EQ(kept["status"].asInt(), 1);
  EXPECT_EQ(kept["size"].asInt64(), 150000);
  EXPECT_FALSE(log.Contains("fid " + std::to_string(completeId)));
  ASSERT_TRUE(writer_.Drain());
  EXPECT_TRUE(Rows(dbschema::Database::kLog, "SELECT name FROM log").empty());
}

}  // namespace
}  // namespace queuetest
