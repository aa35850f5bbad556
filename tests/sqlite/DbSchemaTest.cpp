#include <gtest/gtest.h>

#include <map>

#include "common/LogCapture.h"
#include "common/TempDir.h"
#include "sqlite/DBWrapper.h"
#include "sqlite/DbSchema.h"

namespace {

using dbschema::Database;

// name -> sql as SQLite keeps it in sqlite_master.
std::map<std::string, std::string> Tables(const std::string& path) {
  DBWrapper db(path);
  EXPECT_TRUE(db.Open());
  db.Query("SELECT name, sql FROM sqlite_master WHERE type='table' ORDER BY name;");
  std::map<std::string, std::string> tables;
  for (const DBWrapper::Row& row : db.Rows()) tables[row.at(0)] = row.at(1);
  return tables;
}

const char kConfigSql[] =
    "CREATE TABLE config(config VARCHAR(260)\tPRIMARY KEY ,value VARCHAR(260)  ,UNIQUE (config))";

TEST(DbSchema, ConfigDatabaseHoldsTheUserTable) {
  kvtest::TempDir dir;
  ASSERT_TRUE(dbschema::CreateTables(Database::kConfig, dir.Sub("config")));
  const auto tables = Tables(dir.Sub("config"));
  ASSERT_EQ(tables.size(), 1u);
  EXPECT_EQ(tables.at("user"),
            "CREATE TABLE user(id INTEGER PRIMARY KEY , name VARCHAR(260) COLLATE NOCASE, UNIQUE "
            "(id))");
}

TEST(DbSchema, LogDatabaseTextsWithTabsAndTypo) {
  kvtest::TempDir dir;
  ASSERT_TRUE(dbschema::CreateTables(Database::kLog, dir.Sub("log")));
  const auto tables = Tables(dir.Sub("log"));
  ASSERT_EQ(tables.size(), 2u);
  EXPECT_EQ(tables.at("config"), kConfigSql);
  EXPECT_EQ(tables.at("log"),
            "CREATE TABLE log(id INTEGER PRIMARY KEY, name\tVARCHAR(260)\tCOLLATE NOCASE, "
            "path\tVARCHAR(260)\tCOLLATE NOCASE\t,size\tINTEGER, type\tTINYINT, userid INTERGER, "
            "UNIQUE (id))");
}

TEST(DbSchema, TxlogDatabaseTexts) {
  kvtest::TempDir dir;
  ASSERT_TRUE(dbschema::CreateTables(Database::kTxlog, dir.Sub("txlog")));
  const auto tables = Tables(dir.Sub("txlog"));
  ASSERT_EQ(tables.size(), 4u);
  EXPECT_EQ(tables.at("config"), kConfigSql);
  EXPECT_EQ(tables.at("last_tx_status"),
            "CREATE TABLE last_tx_status(id INTERGER PRIMARY KEY, userid INTERGER, txstatus "
            "TINYINT, UNIQUE (id))");
  EXPECT_EQ(tables.at("drag_dir"),
            "CREATE TABLE drag_dir(id INTEGER PRIMARY KEY , path VARCHAR(260) COLLATE NOCASE, "
            "userid INTERGER, UNIQUE (id))");
  EXPECT_EQ(tables.at("undo_files"),
            "CREATE TABLE undo_files(id INTEGER PRIMARY KEY ,size INT , position INT,  sha "
            "VARCHAR(128), fid INT, pid\tINT, path VARCHAR(260) COLLATE NOCASE, name "
            "VARCHAR(260)\tCOLLATE NOCASE, ctime\tINT, mtime INT, type TINYINT, split_num "
            "TINYINT, userid INTERGER, UNIQUE (id))");
}

TEST(DbSchema, CompleteDatabaseRunsNoCreateStatement) {
  kvtest::TempDir dir;
  const std::string path = dir.Sub("log");
  ASSERT_TRUE(dbschema::CreateTables(Database::kLog, path));
  // Drop the first table: a new CREATE run would bring it back.
  {
    DBWrapper db(path);
    ASSERT_TRUE(db.Open());
    ASSERT_TRUE(db.executeSQL("DROP TABLE config;"));
  }
  ASSERT_TRUE(dbschema::CreateTables(Database::kLog, path));
  EXPECT_EQ(Tables(path).count("config"), 0u);
}

TEST(DbSchema, PartialDatabaseGetsTheRest) {
  kvtest::TempDir dir;
  const std::string path = dir.Sub("txlog");
  {
    DBWrapper db(path);
    ASSERT_TRUE(db.Open());
    ASSERT_TRUE(db.executeSQL("CREATE TABLE drag_dir(id INTEGER PRIMARY KEY, path TEXT);"));
  }
  ASSERT_TRUE(dbschema::CreateTables(Database::kTxlog, path));
  const auto tables = Tables(path);
  EXPECT_EQ(tables.size(), 4u);
  EXPECT_EQ(tables.at("drag_dir"), "CREATE TABLE drag_dir(id INTEGER PRIMARY KEY, path TEXT)");
}

TEST(DbSchema, DamagedFileFails) {
  kvtest::TempDir dir;
  EXPECT_FALSE(dbschema::CreateTables(Database::kConfig, dir.WriteFile("config", "garbage")));
  EXPECT_FALSE(dbschema::CreateTables(Database::kConfig, dir.Sub("missing/config")));
}

TEST(DbSchema, ConflictingTableMakesCreationFail) {
  kvtest::TempDir dir;
  const std::string path = dir.Sub("log");
  {
    DBWrapper db(path);
    ASSERT_TRUE(db.Open());
    // An index named like the first table blocks its CREATE.
    ASSERT_TRUE(db.executeSQL("CREATE TABLE other(x); CREATE INDEX config ON other(x);"));
  }
  kvtest::LogCapture log;
  EXPECT_FALSE(dbschema::CreateTables(Database::kLog, path));
  EXPECT_TRUE(log.Contains("DBWrapper::executeSQL: ", "SQLITE"));
}

}  // namespace
