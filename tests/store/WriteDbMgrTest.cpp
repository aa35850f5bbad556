// The database writer against real SQLite files in a temporary data folder.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <thread>

#include "app/COptions.h"
#include "common/LogCapture.h"
#include "common/TempDir.h"
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

TEST_F(WriteDbTest, StatementTextsAndValueOrder) {
  CWriteDbMgr mgr;  // no pool: batches are kept
  mgr.AddTxStatus(2);
  mgr.AddDragDir("/d/e");
  mgr.ClearDragDirs();
  mgr.AddUndoFile(11, 22, "gone.txt", "/no/such", "abc", 300, 128);
  EXPECT_EQ(
      mgr.TxlogBatch(),
      "INSERT INTO last_tx_status VALUES(NULL, 7,2);"
      "INSERT INTO drag_dir VALUES(NULL,'/d/e',7);"
      "DELETE FROM drag_dir where userid=7;"
      "INSERT INTO undo_files VALUES(NULL, 300,128,'abc',11,22,'/no/such','gone.txt',1,0,1,0,7);");
  EXPECT_EQ(mgr.TxlogCount(), 4);
  mgr.AddLog(5, 1, "n", "/p");
  EXPECT_EQ(mgr.LogBatch(), "INSERT INTO log VALUES(NULL,'n','/p',5,1,7);");
}

TEST_F(WriteDbTest, TenUndoFilesMakeOneJobAndTheEleventhStartsANewBatch) {
  CWriteDbMgr mgr;
  ASSERT_TRUE(mgr.Start());
  const std::string file = dir_.WriteFile("it's.txt", "x");
  for (int i = 0; i < 10; ++i) mgr.AddUndoFile(i, 1, "it's.txt", dir_.path(), "d", 1, 0);
  EXPECT_EQ(mgr.LastJobIndex(), 1);
  EXPECT_EQ(mgr.TxlogCount(), 0);
  mgr.AddUndoFile(10, 1, "it's.txt", dir_.path(), "d", 1, 0);
  EXPECT_EQ(mgr.TxlogCount(), 1);
  EXPECT_EQ(mgr.LastJobIndex(), 1);
  mgr.FlushTxlog();
  EXPECT_EQ(mgr.LastJobIndex(), 2);
  ASSERT_TRUE(mgr.Drain());
  auto rows = Rows(dbschema::Database::kTxlog, "SELECT name, mtime FROM undo_files;");
  ASSERT_EQ(rows.size(), 11u);
  EXPECT_EQ(rows[0][0], "it's.txt");
  EXPECT_NE(rows[0][1], "0");
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
  mgr.AddTxStatus(1);
  mgr.FlushTxlog();
  ASSERT_TRUE(mgr.Drain());
  EXPECT_EQ(log.Count("CWriteDbHandler::Run: open db failed", "WRDBHDLR"), 9);
  EXPECT_TRUE(log.Contains(
      "CWriteDbHandler::Run: logging failed: INSERT INTO last_tx_status VALUES(NULL, 7,1);",
      "WRDBHDLR"));
}
