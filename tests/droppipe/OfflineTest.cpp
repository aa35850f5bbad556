// Going offline in the middle of an upload and online again resumes it from
// the resume list; the close sequence runs once.
#include "PipelineWorld.h"
#include "session/COptions.h"

namespace pipetest {
namespace {

class OfflineTest : public PipelineWorld {};

TEST_F(OfflineTest, OfflineThenOnlineResumesTheUnfinishedUpload) {
  Start();
  AddFault("breakPointUploadAction:throttle=300000");
  const std::string path = MakeFile("slow.bin", 3000000);
  Pipeline().OnDrop({path});
  ASSERT_TRUE(PumpUntil([&] { return CodeCount(DropPipeline::kCodeStarted) > 0; }));
  ASSERT_TRUE(platform::PostMessage(hub_->Window(), msg::WM_CLIENT_LOGOUT, 0, 0));
  ASSERT_TRUE(PumpUntil([&] { return CodeCount(DropPipeline::kCodeStopped) > 0; }));
  EXPECT_EQ(COptions::Instance().m_workState.load(), WorkState::kOffline);
  EXPECT_EQ(view_.LastStatus(), "离线");
  EXPECT_EQ(view_.toolTipCleared, 1);
  EXPECT_TRUE(Queue().Tasks().empty());
  ASSERT_TRUE(writer_.Drain());
  const auto undo = Rows(dbschema::Database::kTxlog, "SELECT name FROM undo_files");
  ASSERT_EQ(undo.size(), 1u);

  // A drop while offline is refused; the client's log-in resumes.
  Pipeline().OnDrop({MakeFile("late.bin", 10)});
  EXPECT_EQ(store_.PendingDigestCount(), 0u);
  ClearFaults();
  ASSERT_TRUE(platform::PostMessage(hub_->Window(), msg::WM_CLIENT_LOGIN, 0, 0));
  ASSERT_TRUE(PumpUntil([&] { return CodeCount(DropPipeline::kCodeStarted) > 1; }));
  // The service may still be busy with the chunk cut at the log-out: a retry
  // pass then completes the file.
  ASSERT_TRUE(PumpUntilRetrying([&] {
    const auto tree = RemoteTree();
    return tree.count("slow.bin") && tree.at("slow.bin").status == 1;
  }));
  EXPECT_EQ(ReadAll(RemoteTree().at("slow.bin").content), ReadAll(path));
  ASSERT_TRUE(PumpUntil([&] { return Queue().Tasks().empty(); }));
  ASSERT_TRUE(writer_.SyncTxlog(60000));
  EXPECT_TRUE(Rows(dbschema::Database::kTxlog, "SELECT name FROM undo_files").empty())
      << "the row stays until the file is held";
}

// A run the user had paused comes back paused, its items listed, and the
// client is not told it runs.
TEST_F(OfflineTest, PausedRunComesBackPausedWithItsItemsListed) {
  Start();
  AddFault("breakPointUploadAction:throttle=300000");
  Pipeline().OnDrop({MakeFile("held.bin", 3000000)});
  ASSERT_TRUE(PumpUntil([&] { return CodeCount(DropPipeline::kCodeStarted) > 0; }));
  Queue().OnButtonUpPause();
  ASSERT_TRUE(PumpUntil([&] { return COptions::Instance().m_busy.load() == BusyState::kPaused; }));
  ASSERT_TRUE(platform::PostMessage(hub_->Window(), msg::WM_CLIENT_LOGOUT, 0, 0));
  ASSERT_TRUE(PumpUntil([&] { return CodeCount(DropPipeline::kCodeStopped) > 0; }));
  ASSERT_TRUE(writer_.Drain());
  ClearFaults();

  ASSERT_TRUE(platform::PostMessage(hub_->Window(), msg::WM_CLIENT_LOGIN, 0, 0));
  ASSERT_TRUE(PumpUntil([&] { return !Queue().Tasks().empty(); }));
  EXPECT_EQ(COptions::Instance().m_busy.load(), BusyState::kPaused);
  EXPECT_EQ(CodeCount(DropPipeline::kCodeStarted), 1);
  EXPECT_TRUE(view_.buttonsRunning);
  EXPECT_NE(RemoteTree().at("held.bin").status, 1) << "nothing sent while paused";
}

TEST_F(OfflineTest, SecondCloseIsSwallowed) {
  Start();
  EXPECT_TRUE(Pipeline().closeSequence());
  EXPECT_FALSE(Pipeline().closeSequence());
  EXPECT_EQ(view_.hidden, 1);
  EXPECT_EQ(view_.managerClosed, 1);
  EXPECT_EQ(compare_->LiveWorkers(), 0);
  EXPECT_EQ(maintenance_->LiveWorkers(), 0);
}

TEST_F(OfflineTest, ClientQuitForgetsThePeerClosesAndQuits) {
  Start();
  COptions::Instance().m_peerEvent = PeerEvent::kQuit;
  ASSERT_TRUE(platform::PostMessage(hub_->Window(), msg::WM_CLIENT_EVENT, 0, 0));
  ASSERT_TRUE(PumpUntil([&] { return view_.quit > 0; }));
  EXPECT_EQ(peerForgotten_, 1);
  EXPECT_TRUE(Pipeline().Closing());
  EXPECT_EQ(COptions::Instance().m_peerEvent.load(), PeerEvent::kNone);
}

}  // namespace
}  // namespace pipetest
