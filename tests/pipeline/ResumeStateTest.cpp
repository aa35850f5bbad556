#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "common/LogCapture.h"
#include "common/TempDir.h"
#include "pipeline/FileBackupMgr.h"
#include "session/COptions.h"
#include "sqlite/DBWrapper.h"
#include "sqlite/DbSchema.h"
#include "store/CWriteDbMgr.h"
#include "util/CommonUtils.h"

namespace {

// A data folder with a txlog database holding the account 7's resume rows.
class ResumeStateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    options_.m_dataRoot = dir_.path();
    options_.m_userId = 7;
    std::filesystem::create_directories(dir_.Sub("kvd"));
    ASSERT_TRUE(dbschema::CreateTables(dbschema::Database::kTxlog, TxlogPath()));
  }
  std::string TxlogPath() const { return options_.DatabasePath(dbschema::Database::kTxlog); }
  void Exec(const std::string& sql) {
    DBWrapper db(TxlogPath());
    ASSERT_TRUE(db.Open());
    ASSERT_TRUE(db.executeSQL(sql)) << db.Error();
    db.Close();
  }
  size_t Count(const std::string& sql) {
    DBWrapper db(TxlogPath());
    EXPECT_TRUE(db.Open());
    db.Query(sql);
    return db.Rows().size();
  }
  // An undo_files row as the writer stores it; times shifted by `age` seconds.
  void AddUndo(const std::string& file, int64_t fid, int64_t pid, const std::string& sha,
               int64_t size, int64_t age = 0, int user = 7) {
    int64_t ctime = 1, mtime = 0;
    ReadFileTimes(file, &ctime, &mtime);
    std::string folder, name;
    SplitPath(file, &name, &folder);
    Exec("INSERT INTO undo_files VALUES(NULL, " + std::to_string(size) + ",4096,'" + sha + "'," +
         std::to_string(fid) + "," + std::to_string(pid) + ",'" + folder + "','" + name + "'," +
         std::to_string(ctime) + "," + std::to_string(mtime - age) + ",1,0," +
         std::to_string(user) + ");");
  }

  kvtest::TempDir dir_;
  COptions options_;
};

// The rows stay until their file completes, so a crash after the load loses
// nothing; a second row of one file and the row of a missing file go.
TEST_F(ResumeStateTest, RowsGoToTheQueueOrBackToTheDigestsAndStayUntilDone) {
  const std::string same = dir_.WriteFile("files/same.bin", "same");
  const std::string changed = dir_.WriteFile("files/changed.bin", "changed");
  AddUndo(same, 41, 40, "sha-same", 4);
  AddUndo(changed, 51, 50, "sha-changed", 7, 60);
  AddUndo(dir_.Sub("files/gone.bin"), 61, 60, "sha-gone", 9);
  AddUndo(same, 71, 70, "sha-other-account", 4, 0, 8);
  AddUndo(same, 81, 80, "sha-second-row", 4);
  Exec("INSERT INTO last_tx_status VALUES(NULL, 7, 2);");
  Exec("INSERT INTO last_tx_status VALUES(NULL, 8, 1);");

  FileBackupMgr store(options_);
  store.loadResumeState();

  EXPECT_EQ(store.UploadQueueCount(), 1u);
  std::vector<BackupFileRecord> queue;
  store.takeUploadQueue(&queue);
  ASSERT_EQ(queue.size(), 1u) << "only the unchanged file resumes at once";
  EXPECT_EQ(queue[0].path, same);
  EXPECT_EQ(queue[0].fid, 41);
  EXPECT_EQ(queue[0].pid, 40);
  EXPECT_EQ(queue[0].size, 4);
  EXPECT_EQ(queue[0].sha, "sha-same");
  EXPECT_EQ(queue[0].resumed, 1);
  std::vector<std::string> digests;
  store.takePendingDigests(&digests, 10);
  EXPECT_EQ(digests, (std::vector<std::string>{changed})) << "the missing file is dropped";
  EXPECT_EQ(store.ChangedFileCount(), 1u);
  EXPECT_EQ(store.RemainingFiles(), 2) << "the changed file still has to go up";
  EXPECT_EQ(StateNumber(options_.m_lastTxStatus.load()), 2);
  EXPECT_EQ(Count("SELECT fid FROM undo_files where userid=7 AND fid IN (41,51);"), 2u);
  EXPECT_EQ(Count("SELECT * FROM undo_files where userid=7;"), 2u);
  EXPECT_EQ(Count("SELECT * FROM last_tx_status where userid=7;"), 0u);
  EXPECT_EQ(Count("SELECT * FROM undo_files where userid=8;"), 1u) << "other accounts stay";
  EXPECT_EQ(Count("SELECT * FROM last_tx_status where userid=8;"), 1u);

  FileBackupMgr restarted(options_);
  restarted.loadResumeState();
  restarted.takeUploadQueue(&queue);
  ASSERT_EQ(queue.size(), 1u) << "a crash after the load finds the same work";
  EXPECT_EQ(queue[0].fid, 41);
  EXPECT_EQ(restarted.ChangedFileCount(), 1u);
}

TEST_F(ResumeStateTest, ChangedFilesResumeOrStartAnewByTheirNewDigest) {
  const std::string kept = dir_.WriteFile("kept.bin", "kept");
  const std::string rewritten = dir_.WriteFile("rewritten.bin", "now much longer");
  AddUndo(kept, 11, 10, "sha-kept", 4, 30);
  AddUndo(rewritten, 21, 20, "sha-before", 5, 30);
  FileBackupMgr store(options_);
  store.loadResumeState();
  ASSERT_EQ(store.ChangedFileCount(), 2u);

  store.recheckChangedFile(kept, "sha-kept");
  store.recheckChangedFile(rewritten, "sha-after");
  store.recheckChangedFile(dir_.Sub("unknown.bin"), "sha");
  std::vector<BackupFileRecord> queue;
  store.takeUploadQueue(&queue);
  ASSERT_EQ(queue.size(), 2u);
  EXPECT_EQ(queue[0].path, kept);
  EXPECT_EQ(queue[0].sha, "sha-kept");
  EXPECT_EQ(queue[0].fid, 11);
  EXPECT_EQ(queue[0].pid, 10);
  EXPECT_EQ(queue[0].resumed, 1) << "the recorded upload continues";
  EXPECT_EQ(queue[1].path, rewritten);
  EXPECT_EQ(queue[1].sha, "sha-after");
  EXPECT_EQ(queue[1].fid, 21) << "the remote file is replaced";
  EXPECT_EQ(queue[1].pid, 20) << "in the same remote folder";
  EXPECT_EQ(queue[1].resumed, 0) << "from its first byte";
  EXPECT_EQ(queue[1].size, 15) << "the new size";
  EXPECT_EQ(store.ChangedFileCount(), 0u);
}

TEST_F(ResumeStateTest, UnusableRowsAreSkippedAndLogged) {
  const std::string file = dir_.WriteFile("f.bin", "data");
  Exec("INSERT INTO undo_files VALUES(NULL, 'big', 0, 'sha', 1, 2, '" + dir_.path() +
       "', 'f.bin', 1, 1, 1, 0, 7);");
  AddUndo(file, 1, 2, "sha", 4);
  kvtest::LogCapture log;
  FileBackupMgr store(options_);
  store.loadResumeState();
  std::vector<BackupFileRecord> queue;
  store.takeUploadQueue(&queue);
  EXPECT_EQ(queue.size(), 1u);
  EXPECT_TRUE(
      log.Contains("FileBackupMgr::loadResumeState: unusable row skipped", "FileBackupMgr"));
}

TEST_F(ResumeStateTest, MissingDatabaseLoadsNothing) {
  options_.m_dataRoot = dir_.Sub("nowhere/deeper");
  FileBackupMgr store(options_);
  store.addPendingFile("/kept");
  store.loadResumeState();
  store.loadDropList();
  EXPECT_EQ(store.PendingDigestCount(), 1u);
  EXPECT_TRUE(store.DropList().empty());
}

TEST_F(ResumeStateTest, DropListRoundTripThroughTheWriter) {
  COptions& shared = COptions::Instance();  // the writer's account and folder
  shared.m_dataRoot = options_.m_dataRoot;
  shared.m_userId = 7;
  Exec("INSERT INTO drag_dir VALUES(NULL,'/elsewhere',8);");
  CWriteDbMgr& writer = CWriteDbMgr::Instance();
  writer.Start();
  FileBackupMgr store(shared);
  std::vector<std::string> drops;
  store.addNewDrop("/home/u/Photos");
  store.addNewDrop("/home/u/it's here");
  store.takeNewDrops(&drops);
  store.saveDropList();
  EXPECT_TRUE(store.DropList().empty());
  writer.FlushTxlog();
  ASSERT_TRUE(writer.Drain());

  store.addNewDrop("/home/u/Photos");
  store.takeNewDrops(&drops);
  store.loadDropList();
  EXPECT_EQ(store.DropList(), (std::list<std::string>{"/home/u/Photos", "/home/u/it's here"}))
      << "saved paths come back once, in order";
  EXPECT_EQ(Count("SELECT * FROM drag_dir where userid=7;"), 2u) << "until the batch ends";
  writer.ForgetDragDirs();
  ASSERT_TRUE(writer.SyncTxlog(60000));
  EXPECT_EQ(Count("SELECT * FROM drag_dir where userid=7;"), 0u);
  EXPECT_EQ(Count("SELECT * FROM drag_dir where userid=8;"), 1u);
  writer.StopPool();
}

}  // namespace
