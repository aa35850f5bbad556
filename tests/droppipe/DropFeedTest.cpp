// Drops and the digest feed: refusal while offline, at most five digest jobs,
// the parent of a dropped folder, refused jobs, the link's drop extension.
#include <filesystem>

#include "PipelineWorld.h"
#include "session/COptions.h"

namespace pipetest {
namespace {

class DropFeedTest : public PipelineWorld {};

TEST_F(DropFeedTest, DropWhileOfflineIsIgnored) {
  Start();
  COptions::Instance().m_workState = WorkState::kOffline;
  Pipeline().OnDrop({MakeFile("one.bin", 100), dir_.path()});
  ASSERT_TRUE(PumpQuiet(200));
  EXPECT_EQ(Pipeline().RunningDigestJobs(), 0);
  EXPECT_EQ(store_.PendingDigestCount(), 0u);
  EXPECT_TRUE(store_.DropList().empty());
  EXPECT_TRUE(view_.statusTexts.empty());
  EXPECT_EQ(COptions::Instance().m_workState.load(), WorkState::kOffline);
}

// A crash at any moment after the drop walks it again at the next start.
TEST_F(DropFeedTest, ADropIsOnDiskWhenAcceptedAndGoneWhenItsBatchEnds) {
  Start();
  MakeFile("kept/one.bin", 3000);
  const std::string folder = dir_.Sub("kept");
  const std::string file = MakeFile("single.bin", 200);
  Pipeline().OnDrop({folder, file});
  EXPECT_EQ(Rows(dbschema::Database::kTxlog, "SELECT path FROM drag_dir ORDER BY path"),
            (std::vector<DBWrapper::Row>{{folder}, {file}}));
  ASSERT_TRUE(PumpUntilCode(DropPipeline::kCodeFinished));
  ASSERT_TRUE(writer_.SyncTxlog(60000));
  EXPECT_TRUE(Rows(dbschema::Database::kTxlog, "SELECT path FROM drag_dir").empty());
  EXPECT_TRUE(Rows(dbschema::Database::kTxlog, "SELECT name FROM undo_files").empty());
}

TEST_F(DropFeedTest, SevenFilesKeepFiveDigestJobsAndFeedTheSixthOnTheFirstResult) {
  Start();
  std::vector<std::string> files;
  for (int i = 0; i < 7; ++i) files.push_back(MakeFile("seven/f" + std::to_string(i), 2000 + i));
  Pipeline().OnDrop(files);
  EXPECT_EQ(view_.LastStatus(), "读取中...");
  EXPECT_EQ(view_.toolTip, "拖拽文件到此上传到Quorel");
  EXPECT_EQ(view_.toolTipWidth, 80);
  EXPECT_EQ(Pipeline().RunningDigestJobs(), 5);
  EXPECT_EQ(store_.PendingDigestCount(), 2u);
  // The five jobs end, but no sixth starts before a result is handled.
  ASSERT_TRUE(digests_.WaitJobsDone(20000));
  EXPECT_EQ(store_.PendingDigestCount(), 2u);
  EXPECT_EQ(Pipeline().RunningDigestJobs(), 5);
  ASSERT_TRUE(PumpUntilCode(DropPipeline::kCodeFinished));
  // Each result hands its slot to the next waiting file.
  using Feed = ObservedHub::Feed;
  EXPECT_EQ(hub_->feedAfterResult,
            (std::vector<Feed>{{5, 1}, {5, 0}, {4, 0}, {3, 0}, {2, 0}, {1, 0}, {0, 0}}));
  const auto tree = RemoteTree();
  for (int i = 0; i < 7; ++i) EXPECT_EQ(tree.at("f" + std::to_string(i)).status, 1) << i;
}

TEST_F(DropFeedTest, FolderWithTrailingSeparatorHandsItsParent) {
  Start();
  MakeFile("outer/photos/a.jpg", 3000);
  Pipeline().OnDrop({dir_.Sub("outer/photos/")});
  ASSERT_EQ(store_.DragDirs().size(), 1u);
  EXPECT_EQ(store_.DragDirs()[0], dir_.Sub("outer"));
  ASSERT_TRUE(PumpUntilCode(DropPipeline::kCodeFinished));
  EXPECT_EQ(RemoteTree().at("photos/a.jpg").status, 1);
}

TEST_F(DropFeedTest, RefusedDigestJobGivesItsCounterBack) {
  Start();
  digests_.pauseToggle();  // the pool refuses jobs
  Pipeline().OnDrop({MakeFile("r1.bin", 10), MakeFile("r2.bin", 10)});
  EXPECT_EQ(Pipeline().RunningDigestJobs(), 2);
  ASSERT_TRUE(PumpUntil([&] { return Pipeline().RunningDigestJobs() == 0; }));
  EXPECT_EQ(store_.PendingDigestCount(), 0u);
}

TEST_F(DropFeedTest, LinkDropIsHandledLikeADrop) {
  Start();
  auto record = std::make_unique<msg::DropPathsRecord>();
  record->paths = {MakeFile("linked.bin", 5000)};
  ASSERT_TRUE(msg::PostRecord(hub_->Window(), msg::WM_DROP_PATHS, std::move(record)));
  ASSERT_TRUE(PumpUntilCode(DropPipeline::kCodeFinished));
  EXPECT_EQ(view_.statusTexts.front(), "读取中...");
  EXPECT_EQ(RemoteTree().at("linked.bin").status, 1);

  COptions::Instance().m_workState = WorkState::kOffline;
  record = std::make_unique<msg::DropPathsRecord>();
  record->paths = {MakeFile("refused.bin", 10)};
  ASSERT_TRUE(msg::PostRecord(hub_->Window(), msg::WM_DROP_PATHS, std::move(record)));
  ASSERT_TRUE(PumpQuiet(200));
  EXPECT_EQ(store_.PendingDigestCount(), 0u);
  EXPECT_EQ(Pipeline().RunningDigestJobs(), 0);
}

}  // namespace
}  // namespace pipetest
