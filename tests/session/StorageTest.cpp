#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "common/LogCapture.h"
#include "common/TempDir.h"
#include "session/COptions.h"
#include "sqlite/DBWrapper.h"

namespace {

namespace fs = std::filesystem;
using dbschema::Database;

class Storage : public ::testing::Test {
 protected:
  void SetUp() override { options_.m_userDataOverride = dir_.path(); }

  void SetAccount(COptions& options, const std::string& account) {
    options.ClearCookies();
    options.AddCookie({"d", "cookieUserAccount", account, "/"});
  }
  std::vector<DBWrapper::Row> Query(const std::string& file, const std::string& sql) {
    DBWrapper db(dir_.Sub(file));
    EXPECT_TRUE(db.Open());
    db.Query(sql);
    return db.Rows();
  }
  std::vector<std::string> KvdSiblings() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_.path())) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  kvtest::TempDir dir_;
  COptions options_;
};

TEST_F(Storage, FreshFolderGetsEveryDatabaseAndTheCache) {
  ASSERT_TRUE(options_.LoadStorage());
  EXPECT_EQ(options_.m_dataRoot, dir_.path());
  EXPECT_EQ(options_.m_dbResetNeeded, 1);
  EXPECT_TRUE(fs::is_directory(dir_.Sub("kvd/cache")));
  EXPECT_EQ(Query("kvd/config", "SELECT name FROM sqlite_master WHERE type='table';"),
            (std::vector<DBWrapper::Row>{{"user"}}));
  EXPECT_EQ(Query("kvd/txlog", "SELECT count(*) FROM sqlite_master WHERE type='table';"),
            (std::vector<DBWrapper::Row>{{"4"}}));
  EXPECT_EQ(Query("kvd/log", "SELECT count(*) FROM sqlite_master WHERE type='table';"),
            (std::vector<DBWrapper::Row>{{"2"}}));
  EXPECT_FALSE(options_.m_appDir.empty());
  EXPECT_EQ(options_.m_appDir.back(), '/');
}

TEST_F(Storage, CompleteFolderIsKept) {
  ASSERT_TRUE(options_.LoadStorage());
  dir_.WriteFile("kvd/cache/01_a/part", "x");
  COptions again;
  again.m_userDataOverride = dir_.path();
  ASSERT_TRUE(again.LoadStorage());
  EXPECT_EQ(again.m_dbResetNeeded, 0);
  EXPECT_TRUE(fs::exists(dir_.Sub("kvd/cache/01_a/part")));
}

TEST_F(Storage, MissingLogDatabaseRebuildsTheWholeFolder) {
  ASSERT_TRUE(options_.LoadStorage());
  SetAccount(options_, "someone");
  options_.AddUser();
  fs::create_directories(dir_.Sub("kvd/cache/empty_task"));
  dir_.WriteFile("kvd/stray", "x");
  ASSERT_TRUE(fs::remove(dir_.Sub("kvd/log")));
  COptions again;
  again.m_userDataOverride = dir_.path();
  ASSERT_TRUE(again.LoadStorage());
  EXPECT_EQ(again.m_dbResetNeeded, 1);
  EXPECT_FALSE(fs::exists(dir_.Sub("kvd/stray")));
  // The removal is shallow: a task's cache folder below kvd/cache stays.
  EXPECT_TRUE(fs::exists(dir_.Sub("kvd/cache/empty_task")));
  EXPECT_TRUE(fs::is_directory(dir_.Sub("kvd/cache")));
  EXPECT_TRUE(Query("kvd/config", "SELECT * FROM user;").empty());
  EXPECT_EQ(Query("kvd/log", "SELECT count(*) FROM sqlite_master WHERE type='table';"),
            (std::vector<DBWrapper::Row>{{"2"}}));
}

TEST_F(Storage, DamagedDatabaseIsKeptAsideAndRebuilt) {
  ASSERT_TRUE(options_.LoadStorage());
  dir_.WriteFile("kvd/txlog", "definitely not a database");
  kvtest::LogCapture log;
  COptions again;
  again.m_userDataOverride = dir_.path();
  ASSERT_TRUE(again.LoadStorage());
  EXPECT_EQ(again.m_dbResetNeeded, 1);
  const std::vector<std::string> names = KvdSiblings();
  ASSERT_EQ(names.size(), 2u);
  EXPECT_EQ(names[0], "kvd");
  EXPECT_EQ(names[1].rfind("kvd_damaged_", 0), 0u) << names[1];
  // Nothing of the damaged folder is lost.
  const std::string aside = dir_.Sub(names[1]);
  EXPECT_TRUE(fs::exists(aside + "/config"));
  EXPECT_TRUE(fs::exists(aside + "/log"));
  EXPECT_EQ(DBWrapper::CheckFile(aside + "/txlog"), DBWrapper::FileCheck::kNotSqlite);
  EXPECT_EQ(DBWrapper::CheckFile(dir_.Sub("kvd/txlog")), DBWrapper::FileCheck::kSqlite);
  EXPECT_TRUE(
      log.Contains("is not a SQLite 3 database; " + dir_.Sub("kvd") + " moved aside to " + aside));
  EXPECT_NE(log.Lines().at(0).find("|ERROR|"), std::string::npos);
}

TEST_F(Storage, DamagedTwiceInOneSecondKeepsBothCopies) {
  for (int i = 0; i < 2; ++i) {
    dir_.WriteFile("kvd/config", "junk");
    dir_.WriteFile("kvd/txlog", "junk");
    dir_.WriteFile("kvd/log", "junk");
    COptions options;
    options.m_userDataOverride = dir_.path();
    ASSERT_TRUE(options.LoadStorage());
  }
  EXPECT_EQ(KvdSiblings().size(), 3u);
}

TEST_F(Storage, UnreadableDatabaseFailsStartUp) {
  ASSERT_TRUE(options_.LoadStorage());
  ASSERT_TRUE(fs::remove(dir_.Sub("kvd/log")));
  ASSERT_EQ(mkdir(dir_.Sub("kvd/log").c_str(), 0700), 0);  // exists, cannot be read
  COptions again;
  again.m_userDataOverride = dir_.path();
  EXPECT_FALSE(again.LoadStorage());
  EXPECT_EQ(KvdSiblings(), (std::vector<std::string>{"kvd"}));
  EXPECT_TRUE(fs::exists(dir_.Sub("kvd/config")));
}

TEST_F(Storage, MissingUserDataFolderFails) {
  COptions options;
  options.m_userDataOverride = dir_.Sub("absent");
  EXPECT_FALSE(options.LoadStorage());
  EXPECT_EQ(options.m_dataRoot, "");
  EXPECT_FALSE(fs::exists(dir_.Sub("absent")));
}

TEST_F(Storage, FolderThatCannotHoldKvdFails) {
  dir_.WriteFile("kvd", "a file where the folder should be");
  EXPECT_FALSE(options_.LoadStorage());
}

TEST_F(Storage, FirstAccountGetsOneAndIsFoundAgain) {
  ASSERT_TRUE(options_.LoadStorage());
  SetAccount(options_, "alice");
  EXPECT_FALSE(options_.FindUser());
  EXPECT_EQ(options_.m_userId, 0);
  options_.AddUser();
  EXPECT_EQ(options_.m_userId, 1);
  options_.m_userId = 0;
  EXPECT_TRUE(options_.FindUser());
  EXPECT_EQ(options_.m_userId, 1);
}

TEST_F(Storage, NewAccountFollowsTheHighestId) {
  ASSERT_TRUE(options_.LoadStorage());
  for (const char* name : {"a", "b", "c", "d"}) {
    SetAccount(options_, name);
    options_.AddUser();
  }
  EXPECT_EQ(options_.m_userId, 4);
  SetAccount(options_, "e");
  options_.AddUser();
  EXPECT_EQ(options_.m_userId, 5);
  EXPECT_EQ(Query("kvd/config", "SELECT id FROM user WHERE name='e';"),
            (std::vector<DBWrapper::Row>{{"5"}}));
  SetAccount(options_, "C");  // names compare without letter case
  EXPECT_TRUE(options_.FindUser());
  EXPECT_EQ(options_.m_userId, 3);
}

TEST_F(Storage, AccountWithSingleQuotesIsStoredAndFound) {
  ASSERT_TRUE(options_.LoadStorage());
  SetAccount(options_, "plain");
  options_.AddUser();
  const std::string tricky = "o'brien' OR '1'='1";
  SetAccount(options_, tricky);
  EXPECT_FALSE(options_.FindUser());  // the quote cannot widen the match
  options_.AddUser();
  EXPECT_EQ(options_.m_userId, 2);
  EXPECT_EQ(Query("kvd/config", "SELECT name FROM user WHERE id=2;"),
            (std::vector<DBWrapper::Row>{{tricky}}));
  options_.m_userId = 0;
  EXPECT_TRUE(options_.FindUser());
  EXPECT_EQ(options_.m_userId, 2);
}

TEST_F(Storage, UserOperationsWithoutDatabaseChangeNothing) {
  options_.m_dataRoot = dir_.path();
  SetAccount(options_, "x");
  options_.m_userId = 7;
  EXPECT_FALSE(options_.FindUser());
  options_.AddUser();
  EXPECT_EQ(options_.m_userId, 7);
  dir_.WriteFile("kvd/config", "garbage");
  EXPECT_FALSE(options_.FindUser());
  options_.AddUser();
  EXPECT_EQ(options_.m_userId, 7);
}

TEST(OptionsDefaults, EveryNamedField) {
  COptions o;
  EXPECT_EQ(o.m_taskContextValue, 8);
  EXPECT_EQ(o.m_defaultDataDir, "E:\\fodra\\.kvd");
  EXPECT_EQ(o.m_defaultRootDir, "E:\\fodra");
  EXPECT_EQ(o.m_retryCount, 5);
  EXPECT_EQ(o.m_keepUploadCache, 0);
  EXPECT_EQ(o.m_userId, 0);
  EXPECT_EQ(o.m_dbResetNeeded, 1);
  EXPECT_EQ(o.m_uploadSpeedLimitKb, 0);
  EXPECT_EQ(StateNumber(o.m_busy.load()), 0);
  EXPECT_EQ(StateNumber(o.m_lastTxStatus.load()), 3);
  EXPECT_EQ(o.m_currentSpeed, 0);
  EXPECT_EQ(StateNumber(o.m_peerEvent.load()), 15);
  EXPECT_EQ(StateNumber(o.m_workState.load()), 9);
  EXPECT_EQ(o.m_dropWnd.load(), nullptr);
  EXPECT_TRUE(o.m_dataRoot.empty());
  EXPECT_TRUE(o.Cookies().empty());
}

TEST(OptionsDefaults, DestructorLogs) {
  kvtest::LogCapture log;
  { COptions o; }
  EXPECT_EQ(log.Count("COptions::~COptions() called."), 1);
  EXPECT_EQ(log.Lines().at(0), "root|INFO|COptions::~COptions() called.");
}

}  // namespace
