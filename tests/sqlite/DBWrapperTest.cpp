#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "common/LogCapture.h"
#include "common/TempDir.h"
#include "sqlite/DBWrapper.h"

namespace {

using Rows = std::vector<DBWrapper::Row>;

class DBWrapperTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(db_.Open()) << db_.Error();
    ASSERT_TRUE(
        db_.executeSQL("CREATE TABLE t(a INTEGER, b TEXT, c TEXT);"
                       "INSERT INTO t VALUES(1, 'x', 'y');"
                       "INSERT INTO t VALUES(2, NULL, 'z');"
                       "INSERT INTO t VALUES(NULL, NULL, NULL);"));
  }

  kvtest::TempDir dir_;
  DBWrapper db_{dir_.Sub("db")};
};

TEST_F(DBWrapperTest, NullValuesAreLeftOutAndLaterValuesMoveForward) {
  db_.Query("SELECT a, b, c FROM t WHERE a IS NOT NULL ORDER BY a;");
  EXPECT_EQ(db_.Rows(), (Rows{{"1", "x", "y"}, {"2", "z"}}));
}

TEST_F(DBWrapperTest, RowOfNullsIsDropped) {
  db_.Query("SELECT a, b, c FROM t WHERE a IS NULL;");
  EXPECT_TRUE(db_.Rows().empty());
  // The statement did return a row, so its column names are there.
  EXPECT_EQ(db_.Columns(), (std::vector<std::string>{"a", "b", "c"}));
}

TEST_F(DBWrapperTest, MaxOfEmptyTableYieldsNoRow) {
  ASSERT_TRUE(db_.executeSQL("CREATE TABLE user(id INTEGER PRIMARY KEY, name TEXT);"));
  db_.Query("SELECT MAX(id) AS maxId FROM user;");
  EXPECT_TRUE(db_.Rows().empty());
  ASSERT_TRUE(db_.executeSQL("INSERT INTO user VALUES(NULL, 'u');"));
  db_.Query("SELECT MAX(id) AS maxId FROM user;");
  EXPECT_EQ(db_.Rows(), (Rows{{"1"}}));
  EXPECT_EQ(db_.Columns(), (std::vector<std::string>{"maxId"}));
}

TEST_F(DBWrapperTest, TwoSelectsCollectRowsAndColumnsOfEach) {
  db_.Query("SELECT c FROM t WHERE a = 1; SELECT a, b FROM t WHERE a = 1;");
  EXPECT_EQ(db_.Rows(), (Rows{{"y"}, {"1", "x"}}));
  EXPECT_EQ(db_.Columns(), (std::vector<std::string>{"c", "a", "b"}));
}

TEST_F(DBWrapperTest, StatementWithoutRowsAddsNoColumns) {
  db_.Query("SELECT b FROM t WHERE a = 99; SELECT c FROM t WHERE a = 2;");
  EXPECT_EQ(db_.Rows(), (Rows{{"z"}}));
  EXPECT_EQ(db_.Columns(), (std::vector<std::string>{"c"}));
}

TEST_F(DBWrapperTest, QueryStartsAfreshAndEmptyTextKeepsLastResult) {
  db_.Query("SELECT a FROM t WHERE a = 1;");
  db_.Query("");
  EXPECT_EQ(db_.Rows(), (Rows{{"1"}}));
  db_.Query("SELECT a FROM t WHERE a = 2;");
  EXPECT_EQ(db_.Rows(), (Rows{{"2"}}));
  EXPECT_EQ(db_.Columns(), (std::vector<std::string>{"a"}));
}

TEST_F(DBWrapperTest, FailingStatementDoesNotStopTheRest) {
  db_.Query("SELECT * FROM missing; SELECT a FROM t WHERE a = 2;");
  EXPECT_EQ(db_.Rows(), (Rows{{"2"}}));
  db_.Query("SELEC garbage ; SELECT a FROM t WHERE a = 1;");
  EXPECT_EQ(db_.Rows(), (Rows{{"1"}}));
}

TEST_F(DBWrapperTest, QueryRunsWritesToo) {
  db_.Query("INSERT INTO t VALUES(3, 'q', NULL); SELECT b FROM t WHERE a = 3;");
  EXPECT_EQ(db_.Rows(), (Rows{{"q"}}));
}

TEST_F(DBWrapperTest, ExecuteFailureSetsErrorAndLogs) {
  kvtest::LogCapture log;
  EXPECT_FALSE(db_.executeSQL("INSERT INTO missing VALUES(1);"));
  EXPECT_EQ(db_.Error(), "no such table: missing");
  EXPECT_TRUE(log.Contains("DBWrapper::executeSQL: no such table: missing", "SQLITE"));
}

TEST_F(DBWrapperTest, ClosedWrapperRunsNothing) {
  db_.Query("SELECT a FROM t WHERE a = 1;");
  db_.Close();
  EXPECT_FALSE(db_.IsOpen());
  EXPECT_TRUE(db_.Rows().empty());
  EXPECT_FALSE(db_.executeSQL("SELECT 1;"));
  db_.Query("SELECT 1;");
  EXPECT_TRUE(db_.Rows().empty());
}

TEST_F(DBWrapperTest, ReopenKeepsTheData) {
  ASSERT_TRUE(db_.Open());
  db_.Query("SELECT count(*) FROM t;");
  EXPECT_EQ(db_.Rows(), (Rows{{"3"}}));
}

TEST_F(DBWrapperTest, NullIdsInTableWithoutRowIdAlias) {
  ASSERT_TRUE(db_.executeSQL(
      "CREATE TABLE s(id INTERGER PRIMARY KEY, userid INTERGER, txstatus TINYINT, UNIQUE (id));"));
  EXPECT_TRUE(db_.executeSQL("INSERT INTO s VALUES(NULL, 1, 2);"));
  EXPECT_TRUE(db_.executeSQL("INSERT INTO s VALUES(NULL, 1, 3);"));
  db_.Query("SELECT id, txstatus FROM s;");
  EXPECT_EQ(db_.Rows(), (Rows{{"2"}, {"3"}}));
  db_.Query("SELECT count(*) FROM s WHERE id IS NULL;");
  EXPECT_EQ(db_.Rows(), (Rows{{"2"}}));
}

TEST(DBWrapperOpen, CreatesMissingFile) {
  kvtest::TempDir dir;
  DBWrapper db(dir.Sub("new"));
  ASSERT_TRUE(db.Open());
  EXPECT_EQ(db.Error(), "no error");
  EXPECT_EQ(access(dir.Sub("new").c_str(), F_OK), 0);
}

TEST(DBWrapperOpen, FileWithoutHeaderIsRefusedAndLeavesNoConnection) {
  kvtest::TempDir dir;
  const std::string path = dir.WriteFile("garbage", "this is no database at all, just text");
  DBWrapper db(path);
  EXPECT_FALSE(db.Open());
  EXPECT_EQ(db.Error(), "File is not a SQLite 3 database");
  EXPECT_FALSE(db.IsOpen());
  EXPECT_EQ(DBWrapper::CheckFile(path), DBWrapper::FileCheck::kNotSqlite);
}

TEST(DBWrapperOpen, ShortAndEmptyFilesAreNotDatabases) {
  kvtest::TempDir dir;
  EXPECT_EQ(DBWrapper::CheckFile(dir.WriteFile("empty", "")), DBWrapper::FileCheck::kNotSqlite);
  EXPECT_EQ(DBWrapper::CheckFile(dir.WriteFile("short", "SQLite form")),
            DBWrapper::FileCheck::kNotSqlite);
  EXPECT_EQ(DBWrapper::CheckFile(dir.Sub("none")), DBWrapper::FileCheck::kMissing);
}

TEST(DBWrapperOpen, HeaderAnywhereInFirstSixteenBytesCounts) {
  kvtest::TempDir dir;
  EXPECT_EQ(DBWrapper::CheckFile(dir.WriteFile("a", "xSQLite format 3")),
            DBWrapper::FileCheck::kSqlite);
  EXPECT_EQ(DBWrapper::CheckFile(dir.WriteFile("b", "xxSQLite format 3")),
            DBWrapper::FileCheck::kNotSqlite);
}

// With a busy wait, a read meeting another connection's exclusive lock waits
// for its commit and sees the rows, instead of an empty result.
TEST_F(DBWrapperTest, ReadWithABusyWaitWaitsForAnotherConnectionsCommit) {
  DBWrapper writer(dir_.Sub("db"));
  ASSERT_TRUE(writer.Open());
  ASSERT_TRUE(writer.executeSQL("BEGIN EXCLUSIVE; INSERT INTO t VALUES(3, 'w', 'w');"));
  std::thread commit([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    writer.executeSQL("COMMIT;");
  });
  DBWrapper reader(dir_.Sub("db"));
  ASSERT_TRUE(reader.Open());
  reader.SetBusyWait(10000);
  reader.Query("SELECT a FROM t WHERE a = 3;");
  commit.join();
  EXPECT_EQ(reader.Rows(), (Rows{{"3"}}));
}

TEST(DBWrapperOpen, UnreadableFileIsRefused) {
  kvtest::TempDir dir;
  // A folder opens but cannot be read, whoever runs the test.
  ASSERT_EQ(mkdir(dir.Sub("folder").c_str(), 0700), 0);
  DBWrapper db(dir.Sub("folder"));
  EXPECT_FALSE(db.Open());
  EXPECT_EQ(db.Error(), "File could not be read");
  EXPECT_FALSE(db.IsOpen());
}

TEST(DBWrapperOpen, MissingFolderGivesSqliteMessage) {
  kvtest::TempDir dir;
  DBWrapper db(dir.Sub("no/such/folder/db"));
  EXPECT_FALSE(db.Open());
  EXPECT_EQ(db.Error(), "unable to open database file");
  EXPECT_FALSE(db.IsOpen());
}

}  // namespace
