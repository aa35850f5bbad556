// Failed uploads: the service's refusals, retries of the batch failures and
// the resume rows, while the queue works and at a close.
#include <filesystem>

#include "QueueWorld.h"
#include "pipeline/ShaDigest.h"
#include "session/COptions.h"
#include "upload/TaskState.h"
#include "util/CommonUtils.h"

namespace queuetest {
namespace {

class QueueFailureTest : public QueueWorld {};

TEST_F(QueueFailureTest, TooLargeIsPermanentWithoutRetry) {
  Start({"--max-file-size", "1000"});
  QueueFile(MakeFile("big.bin", 5000), RootId());
  queue_->upldNewFiles();
  ASSERT_TRUE(PumpUntil([&] { return Drained() > 0; }));
  ASSERT_EQ(queue_->PermanentFailures().size(), 1u);
  EXPECT_EQ(queue_->PermanentFailures()[0].errorCode, 102009);
  EXPECT_EQ(queue_->PermanentFailures()[0].file.path, dir_.Sub("files/big.bin"));
  EXPECT_TRUE(queue_->BatchFailures().empty());
  EXPECT_EQ(link_.diskFullCalls, 0);
  queue_->restartFailedItems();
  EXPECT_TRUE(queue_->Tasks().empty()) << "no retry";
  queue_->showFailedCount();
  EXPECT_EQ(view_.countLabel, "    失败文件数: 1");
}

TEST_F(QueueFailureTest, DiskFullIsPermanentAndTakesTheProcessOffline) {
  Start({"--quota", "1000"});
  QueueFile(MakeFile("big.bin", 5000), RootId());
  queue_->upldNewFiles();
  ASSERT_TRUE(PumpUntil([&] { return Drained() > 0; }));
  ASSERT_EQ(queue_->PermanentFailures().size(), 1u);
  EXPECT_EQ(queue_->PermanentFailures()[0].errorCode, 102008);
  EXPECT_EQ(link_.diskFullCalls, 1);
}

TEST_F(QueueFailureTest, RestartFailedItemsRequeuesTheBatchFailures) {
  Start();
  COptions::Instance().m_retryCount = 0;
  // Digested, then moved away: the job cannot open it.
  const std::string path = MakeFile("moved.bin", 4000);
  QueueFile(path, RootId());
  std::filesystem::rename(path, path + ".away");
  queue_->upldNewFiles();
  ASSERT_TRUE(PumpUntil([&] { return Drained() > 0; }));
  ASSERT_EQ(queue_->BatchFailures().size(), 1u);
  EXPECT_EQ(queue_->BatchFailures()[0].errorCode, 19);
  EXPECT_TRUE(queue_->PermanentFailures().empty());

  std::filesystem::rename(path + ".away", path);
  queue_->restartFailedItems();
  EXPECT_TRUE(queue_->BatchFailures().empty());
  ASSERT_EQ(queue_->Tasks().size(), 1u);
  ASSERT_TRUE(PumpUntil([&] { return Drained() > 1; }));
  ASSERT_TRUE(writer_.Drain());
  EXPECT_EQ(Rows(dbschema::Database::kLog, "SELECT name FROM log").size(), 1u);
}

TEST_F(QueueFailureTest, SaveUndoFilesWritesOneRowPerTaskPendingRecordAndFailure) {
  Start();
  COptions::Instance().m_workState = WorkState::kOffline;  // nothing starts
  const int64_t root = RootId();
  for (int i = 1; i <= 7; ++i) QueueFile(MakeFile("u" + std::to_string(i), 1000 + i), root);
  queue_->upldNewFiles();
  ASSERT_EQ(queue_->Tasks().size(), 5u);
  ASSERT_EQ(queue_->Pending().size(), 2u);
  // Two listed tasks end failed, as the engine reports it: one refused as too
  // large, one by the network.
  const int32_t first = queue_->Tasks().front()->taskIndex;
  const int32_t second = (*std::next(queue_->Tasks().begin()))->taskIndex;
  msg::UploadEndRecord refused;
  refused.taskIndex = first;
  refused.fid = refused.breakPoint = 102009;
  msg::TaskStateRecord failed;
  failed.state = TaskState::NetworkError;
  queue_->OnEnd(&refused, &failed);
  msg::UploadEndRecord broken;
  broken.taskIndex = second;
  queue_->OnEnd(&broken, &failed);
  ASSERT_EQ(queue_->PermanentFailures().size(), 1u);
  ASSERT_EQ(queue_->BatchFailures().size(), 1u);

  queue_->saveUndoFiles();
  EXPECT_TRUE(queue_->Pending().empty());
  EXPECT_TRUE(queue_->BatchFailures().empty());
  EXPECT_TRUE(queue_->PermanentFailures().empty());
  writer_.FlushTxlog();
  ASSERT_TRUE(writer_.Drain());
  const auto rows = Rows(dbschema::Database::kTxlog,
                         "SELECT size, position, sha, fid, pid, path, name, ctime, mtime, type, "
                         "split_num, userid FROM undo_files ORDER BY name");
  ASSERT_EQ(rows.size(), 7u) << "3 tasks, 2 pending, 2 failures";
  for (int i = 1; i <= 7; ++i) {
    const std::string name = "u" + std::to_string(i);
    const std::string path = dir_.Sub("files/" + name);
    std::string digest;
    int64_t size = 0;
    ASSERT_TRUE(CShaDigest::OfFile(path, &digest, &size));
    int64_t ctime = 0, mtime = 0;
    ASSERT_TRUE(ReadFileTimes(path, &ctime, &mtime));
    EXPECT_EQ(rows[i - 1],
              (DBWrapper::Row{std::to_string(size), "0", digest, "0", std::to_string(root),
                              dir_.Sub("files"), name, std::to_string(ctime), std::to_string(mtime),
                              "1", "0", "7"}))
        << name;
  }
}

// The rows on disk follow the queue while it works: a file has its row from
// its entry, with the service's fid once assigned, until it is held or the
// user deletes it; a failed file keeps it.
TEST_F(QueueFailureTest, ResumeRowsFollowTheQueueWhileItWorks) {
  Start();
  COptions::Instance().m_retryCount = 0;
  AddFault("breakPointUploadAction:delay=200");
  const std::string slow = MakeFile("slow.bin", 3 * 131072);
  const std::string gone = MakeFile("gone.bin", 4000);
  QueueFile(slow, RootId());
  QueueFile(gone, RootId());
  std::filesystem::rename(gone, gone + ".away");
  const auto undo = "SELECT name, fid FROM undo_files ORDER BY name";
  queue_->upldNewFiles();
  ASSERT_TRUE(writer_.SyncTxlog(60000));
  EXPECT_EQ(Rows(dbschema::Database::kTxlog, undo),
            (std::vector<DBWrapper::Row>{{"gone.bin", "0"}, {"slow.bin", "0"}}));

  UploadTask* task = nullptr;
  ASSERT_TRUE(PumpUntil([&] {
    for (const auto& t : queue_->Tasks())
      if (t->name == "slow.bin" && t->fid > 0) task = t.get();
    return task != nullptr;
  }));
  const std::string fid = std::to_string(task->fid);
  ASSERT_TRUE(writer_.SyncTxlog(60000));
  EXPECT_EQ(Rows(dbschema::Database::kTxlog, "SELECT fid FROM undo_files where name='slow.bin'"),
            (std::vector<DBWrapper::Row>{{fid}}))
      << "a restart resumes from the service's break point";

  ASSERT_TRUE(PumpUntil([&] { return Drained() > 0; }));
  ASSERT_EQ(queue_->BatchFailures().size(), 1u);
  ASSERT_TRUE(writer_.SyncTxlog(60000));
  EXPECT_EQ(Rows(dbschema::Database::kTxlog, undo),
            (std::vector<DBWrapper::Row>{{"gone.bin", "0"}}))
      << "the held file's row is gone, the failed one's stays";

  COptions::Instance().m_workState = WorkState::kOffline;  // nothing starts
  QueueFile(MakeFile("dropped.bin", 10), RootId());
  queue_->upldNewFiles();
  ASSERT_EQ(queue_->Tasks().size(), 1u);
  queue_->deleteItem(queue_->Tasks().front()->taskIndex);
  ASSERT_TRUE(writer_.SyncTxlog(60000));
  EXPECT_EQ(Rows(dbschema::Database::kTxlog, undo),
            (std::vector<DBWrapper::Row>{{"gone.bin", "0"}}))
      << "a file the user deleted does not come back";
}

}  // namespace
}  // namespace queuetest
