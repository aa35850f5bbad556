// The database writer against real SQLite files in a temporary data folder.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <mutex>
#include <thread>

#include "common/LogCapture.h"
#include "common/TempDir.h"
#include "platform/Event.h"
#include "session/COptions.h"
#include "sqlite/DBWrapper.h"
#include "sqlite/DbSchema.h"
#include "store/CWriteDbMgr.h"

namespace {

class WriteDbTest : public ::testing::Test {
 protected:
  void SetUp() override {
    COptions::Instance().m_userId = 7;
    COptions::Instance().m_dataRoot = dir_.path();
    std::filesystem::create_directories(dir_.Sub("kvd"));
    for (auto db : {dbschema::Database::kTxlog, dbschema::Database::kLog})
      ASSERT_TRUE(dbschema::CreateTables(db, Path(db)));
  }
  std::string Path(dbschema::Database db) { return COptions::Instance().DatabasePath(db); }
  std::vector<DBWrapper::Row> Rows(dbschema::Database db, const std::string& query) {
    DBWrapper w(Path(db));
    EXPECT_TRUE(w.Open());
    w.Query(query);
    return w.Rows();
  }
  kvtest::TempDir dir_;
};

}  // namespace

namespace {

// Holds an exclusive lock on a database file from a second connection.
class DbLockHolder {
 public:
  explicit DbLockHolder(const std::string& path) {
    ok_ = sqlite3_open(path.c_str(), &db_) == SQLITE_OK &&
          sqlite3_exec(db_, "BEGIN EXCLUSIVE;", nullptr, nullptr, nullptr) == SQLITE_OK;
  }
  ~DbLockHolder() {
    Release();
    sqlite3_close(db_);
  }
  bool ok() const { return ok_; }
  void Release() {
    if (ok_) sqlite3_exec(db_, "COMMIT;", nullptr, nullptr, nullptr);
    ok_ = false;
  }

 private:
  sqlite3* db_ = nullptr;
  bool ok_ = false;
};

// A writer whose "gate" jobs hold their pool thread in JobStarted until the
// test lets them go, so that later jobs wait in the queue; it records the
// priority of every other job in the order the pool starts them.
class GatedWriter : public CWriteDbMgr {
 public:
  void JobStarted(int32_t, Job* job) override {
    if (job->param->sql.find("'gate'") == std::string::npos) {
      std::lock_guard<std::mutex> lock(mutex_);
      started_.push_back(job->priority);
      return;
    }
    ++gated_;
    platform::WaitForMultipleObjects({&one_, &all_}, false, platform::kInfinite);
  }
  int Gated() const { return gated_.load(); }
  void LetOneGo() { one_.Set(); }
  void LetAllGo() { all_.Set(); }
  std::vector<int32_t> Started() {
    std::lock_guard<std::mutex> lock(mutex_);
    return started_;
  }

 private:
  std::atomic<int> gated_{0};
  platform::Event one_{false, false};
  platform::Event all_{true, false};
  std::mutex mutex_;
  std::vector<int32_t> started_;
};

bool WaitFor(const std::function<bool()>& condition) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

}  // namespace

TEST_F(WriteDbTest, StatementTextsAndValueOrder) {
  CWriteDbMgr mgr;  // not started: statements are kept
  mgr.AddTxStatus(2);
  mgr.AddDragDir("/d/e");
  mgr.ClearDragDirs();
  mgr.AddUndoFile(11, 22, "gone.txt", "/no/such", "abc", 300, 128);
  mgr.RemoveUndoFile("n'1", "/f");
  EXPECT_EQ(mgr.TxlogBatch(),
            "DELETE FROM last_tx_status where userid=7;"
            "INSERT INTO last_tx_status VALUES(NULL, 7,2);"
            "DELETE FROM drag_dir where userid=7 AND path='/d/e' COLLATE BINARY;"
            "INSERT INTO drag_dir VALUES(NULL,'/d/e',7);"
            "DELETE FROM drag_dir where userid=7;"
            "DELETE FROM undo_files where userid=7 AND path='/no/such' COLLATE BINARY AND "
            "name='gone.txt' COLLATE BINARY;"
            "INSERT INTO undo_files VALUES(NULL, "
            "300,128,'abc',11,22,'/no/such','gone.txt',1,0,1,0,7);"
            "DELETE FROM undo_files where userid=7 AND path='/f' COLLATE BINARY AND "
            "name='n''1' COLLATE BINARY;");
  EXPECT_EQ(mgr.TxlogCount(), 5);
  mgr.AddLog(5, 1, "n", "/p");
  EXPECT_EQ(mgr.LogBatch(), "INSERT INTO log VALUES(NULL,'n','/p',5,1,7);");
}

// The resume rows follow the work without any flush: one row per file (names
// that differ only in case are two files), a removal never overtaken by an
// earlier insert, and the last state of a file is the one kept.
TEST_F(WriteDbTest, ResumeRowsReachTheDiskInOrderOneRowPerFile) {
  CWriteDbMgr mgr;
  ASSERT_TRUE(mgr.Start());
  const std::string file = dir_.WriteFile("it's.txt", "x");
  for (int i = 0; i < 25; ++i) mgr.AddUndoFile(i, 1, "it's.txt", dir_.path(), "d", 1, i);
  mgr.AddUndoFile(1, 1, "IT'S.txt", dir_.path(), "d", 1, 0);
  mgr.AddUndoFile(2, 1, "done.txt", dir_.path(), "d", 1, 0);
  mgr.RemoveUndoFile("done.txt", dir_.path());
  mgr.AddDragDir("/drop/a");
  mgr.AddDragDir("/drop/a");
  mgr.AddDragDir("/drop/A");
  mgr.AddTxStatus(1);
  mgr.AddTxStatus(2);
  const auto undo =
      "SELECT name, fid, position, mtime FROM undo_files ORDER BY name COLLATE BINARY;";
  ASSERT_TRUE(WaitFor([&] { return Rows(dbschema::Database::kTxlog, undo).size() == 2u; }));
  ASSERT_TRUE(WaitFor([&] { return mgr.TxlogCount() == 0; }));
  const auto rows = Rows(dbschema::Database::kTxlog, undo);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0][0], "IT'S.txt");
  EXPECT_EQ(rows[1], (DBWrapper::Row{"it's.txt", "24", "24", rows[1][3]}));
  EXPECT_NE(rows[1][3], "0") << "the file's time, read when the row was built";
  EXPECT_EQ(Rows(dbschema::Database::kTxlog, "SELECT path FROM drag_dir;").size(), 2u);
  const auto status = Rows(dbschema::Database::kTxlog, "SELECT txstatus FROM last_tx_status;");
  ASSERT_EQ(status.size(), 1u);
  EXPECT_EQ(status[0][0], "2");
  mgr.ClearDragDirs();
  EXPECT_TRUE(mgr.SyncTxlog(60000));
  EXPECT_TRUE(Rows(dbschema::Database::kTxlog, "SELECT path FROM drag_dir;").empty());
}

TEST_F(WriteDbTest, StopPoolWritesTheResumeRowsItStillHolds) {
  CWriteDbMgr mgr;
  ASSERT_TRUE(mgr.Start());
  DbLockHolder holder(Path(dbschema::Database::kTxlog));
  ASSERT_TRUE(holder.ok());
  mgr.AddUndoFile(3, 4, "held.bin", "/h", "d", 9, 0);
  mgr.FlushTxlog();
  std::thread release([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    holder.Release();
  });
  mgr.StopPool();
  release.join();
  EXPECT_EQ(mgr.TxlogCount(), 0);
  EXPECT_EQ(Rows(dbschema::Database::kTxlog, "SELECT fid FROM undo_files;").size(), 1u);
}

TEST_F(WriteDbTest, AddLogSubmitsAtOnceAndDrainWaitsOutALockedDatabase) {
  CWriteDbMgr mgr;
  ASSERT_TRUE(mgr.Start());
  sqlite3* holder = nullptr;
  ASSERT_EQ(sqlite3_open(Path(dbschema::Database::kLog).c_str(), &holder), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(holder, "BEGIN EXCLUSIVE;", nullptr, nullptr, nullptr), SQLITE_OK);
  mgr.AddLog(9, 1, "a", "/b");
  EXPECT_EQ(mgr.LastJobIndex(), 1);
  EXPECT_TRUE(mgr.LogBatch().empty());
  std::thread release([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(3000));
    sqlite3_exec(holder, "COMMIT;", nullptr, nullptr, nullptr);
  });
  EXPECT_TRUE(mgr.Drain());
  release.join();
  sqlite3_close(holder);
  EXPECT_EQ(Rows(dbschema::Database::kLog, "SELECT name FROM log;").size(), 1u);
  EXPECT_TRUE(mgr.Drain(0));  // idle: true at once
}

TEST_F(WriteDbTest, ABatchThatCannotBeOpenedIsDroppedWithItsLine) {
  kvtest::LogCapture log;
  COptions::Instance().m_dataRoot = dir_.Sub("missing/deeper");
  CWriteDbMgr mgr;
  ASSERT_TRUE(mgr.Start());
  mgr.AddLog(1, 1, "n", "/p");
  mgr.AddTxStatus(1);
  ASSERT_TRUE(mgr.Drain(60000));
  EXPECT_EQ(log.Count("CWriteDbHandler::Run: open db failed", "WRDBHDLR"), 9);
  EXPECT_TRUE(log.Contains(
      "CWriteDbHandler::Run: logging failed: INSERT INTO log VALUES(NULL,'n','/p',1,1,7);",
      "WRDBHDLR"));
  EXPECT_TRUE(log.Contains("resume rows not written after 9 attempts: DELETE FROM last_tx_status",
                           "WRDBHDLR"));
}

TEST_F(WriteDbTest, ABatchThatMeetsALockedDatabaseNineTimesIsDroppedWithItsText) {
  kvtest::LogCapture log;
  CWriteDbMgr mgr;
  ASSERT_TRUE(mgr.Start());
  DbLockHolder holder(Path(dbschema::Database::kLog));
  ASSERT_TRUE(holder.ok());
  mgr.AddLog(3, 2, "held", "/x");
  // Nine attempts with eight pauses of 1500 ms between them, and one after the last.
  ASSERT_TRUE(mgr.Drain(60000));
  EXPECT_EQ(log.Count("database is locked", "SQLITE"), 9);
  EXPECT_EQ(log.Count("CWriteDbHandler::Run: open db failed", "WRDBHDLR"), 0);
  EXPECT_TRUE(log.Contains(
      "CWriteDbHandler::Run: logging failed: INSERT INTO log VALUES(NULL,'held','/x',3,2,7);",
      "WRDBHDLR"));
  holder.Release();
  EXPECT_TRUE(Rows(dbschema::Database::kLog, "SELECT name FROM log;").empty());
}

TEST_F(WriteDbTest, AfterClosingNewJobsRunBehindTheWaitingMinusOneJobs) {
  GatedWriter mgr;
  ASSERT_TRUE(mgr.Start());
  // Occupy all five threads: each log job holds its thread, so the next one
  // finds every thread busy and adds one.
  for (int i = 1; i <= 5; ++i) {
    mgr.AddLog(i, 1, "gate", "/g");
    ASSERT_TRUE(WaitFor([&] { return mgr.Gated() == i; }));
  }
  mgr.AddLog(1, 1, "p1", "/p");  // -1
  mgr.m_closing = 1;
  mgr.AddLog(2, 1, "p2", "/p");  // 0, queued behind any -1 job
  mgr.m_closing = 0;
  mgr.AddLog(3, 1, "p3", "/p");  // -1 again: it overtakes the waiting 0 job
  EXPECT_TRUE(mgr.Started().empty());
  // One thread goes on and takes the waiting jobs one after the other.
  mgr.LetOneGo();
  ASSERT_TRUE(WaitFor([&] { return mgr.Started().size() == 3; }));
  mgr.LetAllGo();
  ASSERT_TRUE(mgr.Drain(60000));
  EXPECT_EQ(mgr.Started(), (std::vector<int32_t>{-1, -1, 0}));
  auto rows =
      Rows(dbschema::Database::kLog, "SELECT name FROM log where name!='gate' ORDER BY rowid;");
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0][0], "p1");
  EXPECT_EQ(rows[1][0], "p3");
  EXPECT_EQ(rows[2][0], "p2");
  EXPECT_EQ(Rows(dbschema::Database::kLog, "SELECT name FROM log;").size(), 8u);
}

TEST_F(WriteDbTest, StopPoolEndsABatchThatIsRetryingWithoutWritingIt) {
  kvtest::LogCapture log;
  CWriteDbMgr mgr;
  ASSERT_TRUE(mgr.Start());
  DbLockHolder holder(Path(dbschema::Database::kLog));
  ASSERT_TRUE(holder.ok());
  mgr.AddLog(4, 1, "stopped", "/s");
  ASSERT_TRUE(WaitFor([&] { return log.Count("database is locked", "SQLITE") >= 1; }));
  mgr.StopPool();
  EXPECT_FALSE(mgr.HasPool());
  // Ended by the stop, not by running out of attempts.
  EXPECT_FALSE(log.Contains("logging failed", "WRDBHDLR"));
  holder.Release();
  EXPECT_TRUE(Rows(dbschema::Database::kLog, "SELECT name FROM log;").empty());
  // Without a pool a later batch is kept, not lost.
  mgr.AddLog(5, 1, "kept", "/k");
  EXPECT_EQ(mgr.LogBatch(), "INSERT INTO log VALUES(NULL,'kept','/k',5,1,7);");
}

// Up to five jobs of the writer run at once; on one file they must not make
// each other fail until a batch runs out of attempts.
TEST_F(WriteDbTest, ABurstOfJobsOnOneFileLosesNoRow) {
  kvtest::LogCapture log;
  CWriteDbMgr mgr;
  ASSERT_TRUE(mgr.Start());
  constexpr int kRows = 120;
  for (int i = 0; i < kRows; ++i) mgr.AddLog(i, 1, "burst" + std::to_string(i), "/b");
  ASSERT_TRUE(mgr.Drain(120000));
  EXPECT_FALSE(log.Contains("logging failed", "WRDBHDLR"));
  EXPECT_EQ(Rows(dbschema::Database::kLog, "SELECT DISTINCT name FROM log;").size(),
            static_cast<size_t>(kRows));
}
