#include <gtest/gtest.h>
#include <log4cplus/hierarchy.h>
#include <log4cplus/logger.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>

#include "app/LogSetup.h"
#include "common/TempDir.h"
#include "log/KvLog.h"

namespace {

namespace fs = std::filesystem;

// Configuring touches the process-wide hierarchy: restore what TestMain set.
class LogSetupTest : public ::testing::Test {
 protected:
  void TearDown() override {
    log4cplus::Logger::getDefaultHierarchy().resetConfiguration();
    log4cplus::Logger::getRoot().setLogLevel(log4cplus::TRACE_LOG_LEVEL);
  }
  std::string WriteProperties() {
    return dir_.WriteFile("log4cplus.properties",
                          "log4cplus.rootLogger=INFO, RUN\n"
                          "log4cplus.appender.RUN=log4cplus::FileAppender\n"
                          "log4cplus.appender.RUN.File=" +
                              dir_.path() +
                              "/run${LOG_FILE_SUFFIX}.log\n"
                              "log4cplus.appender.RUN.layout=log4cplus::PatternLayout\n"
                              "log4cplus.appender.RUN.layout.ConversionPattern=%c %p %m%n\n");
  }
  kvtest::TempDir dir_;
};

TEST(LogSuffix, FormatsTheLocalTime) {
  setenv("TZ", "UTC", 1);
  tzset();
  EXPECT_EQ(logsetup::Suffix(0), "_1970_01_01_00_00_00");
  EXPECT_EQ(logsetup::Suffix(1765190096), "_2025_12_08_10_34_56");
}

TEST_F(LogSetupTest, FileIsNamedAfterTheStartAndOldValueComesBack) {
  setenv("LOG_FILE_SUFFIX", "before", 1);
  logsetup::Configure(WriteProperties());
  EXPECT_STREQ(std::getenv("LOG_FILE_SUFFIX"), "before");
  KV_INFO("KVUP", "hello %d", 5);
  KV_DEBUG("KVUP", "not at this level");
  std::vector<fs::path> logs;
  for (const auto& e : fs::directory_iterator(dir_.path())) {
    if (e.path().extension() == ".log") logs.push_back(e.path());
  }
  ASSERT_EQ(logs.size(), 1u);
  EXPECT_TRUE(std::regex_match(logs[0].filename().string(),
                               std::regex(R"(run_\d{4}_\d\d_\d\d_\d\d_\d\d_\d\d\.log)")))
      << logs[0];
  std::ifstream in(logs[0]);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(text, "KVUP INFO hello 5\n");
}

TEST_F(LogSetupTest, AbsentVariableIsLeftEmpty) {
  unsetenv("LOG_FILE_SUFFIX");
  logsetup::Configure(WriteProperties());
  ASSERT_NE(std::getenv("LOG_FILE_SUFFIX"), nullptr);
  EXPECT_STREQ(std::getenv("LOG_FILE_SUFFIX"), "");
}

TEST_F(LogSetupTest, MissingFileLeavesLoggingUnconfigured) {
  setenv("LOG_FILE_SUFFIX", "x", 1);
  logsetup::Configure(dir_.Sub("absent.properties"));
  EXPECT_STREQ(std::getenv("LOG_FILE_SUFFIX"), "x");
  EXPECT_TRUE(fs::is_empty(dir_.path()));
}

TEST(DefaultProperties, NameEveryModuleLoggerAndTheSuffix) {
  std::ifstream in(std::string(KVUP_SOURCE_DIR) + "/log4cplus.properties");
  ASSERT_TRUE(in.good());
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("${LOG_FILE_SUFFIX}"), std::string::npos);
  EXPECT_NE(text.find("log4cplus.rootLogger=INFO"), std::string::npos);
  for (const char* name : {"KVUP", "ClientInterfaceMgr", "CompareFileMgr", "MiscToolMgr",
                           "FileBackupMgr", "ComputeShaMgr", "CALCSHAHANDLER", "TravelDirMgr",
                           "TRAVELDIRHANDLER", "WriteDbMGR", "WRDBHDLR", "SQLITE", "ESYUPLD",
                           "ULMGR", "CTXT", "TIME", "UpldThreadMGR", "DndUiDlg", "UIDLG"}) {
    EXPECT_NE(text.find(std::string("log4cplus.logger.") + name + "=INFO"), std::string::npos)
        << name;
  }
}

}  // namespace
