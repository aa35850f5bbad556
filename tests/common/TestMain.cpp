// Test entry: log4cplus is initialised once with every level enabled, so the
// formatting of every log statement runs under the sanitizers. Set
// KVUP_TEST_LOG=1 to see the lines on standard error.
#include <gtest/gtest.h>
#include <log4cplus/consoleappender.h>
#include <log4cplus/initializer.h>
#include <log4cplus/logger.h>
#include <log4cplus/nullappender.h>

#include <cstdlib>
#include <memory>

int main(int argc, char** argv) {
  log4cplus::Initializer initializer;
  log4cplus::Logger root = log4cplus::Logger::getRoot();
  root.setLogLevel(log4cplus::TRACE_LOG_LEVEL);
  const char* verbose = std::getenv("KVUP_TEST_LOG");
  if (verbose != nullptr && *verbose == '1') {
    root.addAppender(log4cplus::SharedAppenderPtr(new log4cplus::ConsoleAppender(true, true)));
  } else {
    root.addAppender(log4cplus::SharedAppenderPtr(new log4cplus::NullAppender()));
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
