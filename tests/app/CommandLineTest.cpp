#include <gtest/gtest.h>

#include <cstdlib>

#include "app/CommandLine.h"

namespace {

class CommandLineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    unsetenv("KVUP_SERVICE_URL");
    setenv("DISPLAY", ":9", 1);
  }
  CommandLine::Result Parse(std::vector<const char*> args) {
    args.insert(args.begin(), "kvup");
    return CommandLine::Parse(static_cast<int>(args.size()), args.data(), &options_, &error_);
  }
  LaunchOptions options_;
  std::string error_;
};

TEST_F(CommandLineTest, DefaultsWithoutArguments) {
  ASSERT_EQ(Parse({}), CommandLine::Result::kRun);
  EXPECT_EQ(options_.serviceUrl, "http://127.0.0.1:18080");
  EXPECT_EQ(options_.host, "");
  EXPECT_EQ(options_.userDataDir, "");
  EXPECT_EQ(options_.linkPort, 23175);
  EXPECT_FALSE(options_.headless);
  EXPECT_TRUE(options_.resumeJournal);
}

TEST_F(CommandLineTest, EveryOptionInBothForms) {
  ASSERT_EQ(Parse({"--service", "http://s:1", "--host=ent.example", "--user-data", "/d x",
                   "--port=4000", "--headless", "--no-resume-journal"}),
            CommandLine::Result::kRun);
  EXPECT_EQ(options_.serviceUrl, "http://s:1");
  EXPECT_EQ(options_.host, "ent.example");
  EXPECT_EQ(options_.userDataDir, "/d x");
  EXPECT_EQ(options_.linkPort, 4000);
  EXPECT_TRUE(options_.headless);
  EXPECT_FALSE(options_.resumeJournal);
}

TEST_F(CommandLineTest, EnvironmentNamesTheServiceUnlessTheOptionDoes) {
  setenv("KVUP_SERVICE_URL", "http://env:2", 1);
  ASSERT_EQ(Parse({}), CommandLine::Result::kRun);
  EXPECT_EQ(options_.serviceUrl, "http://env:2");
  ASSERT_EQ(Parse({"--service=http://opt:3"}), CommandLine::Result::kRun);
  EXPECT_EQ(options_.serviceUrl, "http://opt:3");
  unsetenv("KVUP_SERVICE_URL");
}

TEST_F(CommandLineTest, NoDisplayMeansHeadless) {
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  ASSERT_EQ(Parse({}), CommandLine::Result::kRun);
  EXPECT_TRUE(options_.headless);
}

TEST_F(CommandLineTest, HelpWins) {
  EXPECT_EQ(Parse({"--port", "1", "--help"}), CommandLine::Result::kHelp);
  const std::string usage = CommandLine::Usage("kvup");
  for (const char* option : {"--service", "--host", "--user-data", "--port", "--headless", "--help",
                             "http://127.0.0.1:18080", "23175"}) {
    EXPECT_NE(usage.find(option), std::string::npos) << option;
  }
}

TEST_F(CommandLineTest, BadInputIsRefusedWithAReason) {
  options_.linkPort = 1234;
  EXPECT_EQ(Parse({"--verbose"}), CommandLine::Result::kError);
  EXPECT_EQ(error_, "unknown option '--verbose'");
  EXPECT_EQ(Parse({"--service"}), CommandLine::Result::kError);
  EXPECT_EQ(error_, "option --service needs a value");
  EXPECT_EQ(Parse({"--port", "0"}), CommandLine::Result::kError);
  EXPECT_EQ(Parse({"--port=70000"}), CommandLine::Result::kError);
  EXPECT_EQ(Parse({"--port", "12ab"}), CommandLine::Result::kError);
  EXPECT_EQ(error_, "--port needs a number from 1 to 65535, not '12ab'");
  EXPECT_EQ(Parse({"stray"}), CommandLine::Result::kError);
  EXPECT_EQ(Parse({"--servicex=1"}), CommandLine::Result::kError);
  EXPECT_EQ(options_.linkPort, 1234);  // a refused line changes nothing
}

}  // namespace
