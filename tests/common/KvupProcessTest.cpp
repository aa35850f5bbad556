#include "common/KvupProcessTest.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace kvtest {
namespace {

constexpr const char* kLogProperties =
    "log4cplus.rootLogger=INFO, RUN\n"
    "log4cplus.appender.RUN=log4cplus::FileAppender\n"
    "log4cplus.appender.RUN.File=kvup.log\n"
    "log4cplus.appender.RUN.layout=log4cplus::PatternLayout\n"
    "log4cplus.appender.RUN.layout.ConversionPattern=%c|%m%n\n"
    "log4cplus.logger.KVUP=TRACE\n"
    "log4cplus.logger.ClientInterfaceMgr=TRACE\n"
    "log4cplus.logger.DndUiDlg=TRACE\n";

}  // namespace

void KvupProcessTest::SetUp() {
  std::filesystem::create_directories(User());
  dir_.WriteFile("log4cplus.properties", kLogProperties);
}

void KvupProcessTest::LaunchKvup(uint16_t port) {
  kvup_ = std::make_unique<ChildProcess>();
  ASSERT_TRUE(kvup_->Start({BuiltProgram("kvup"), "--user-data", User(), "--port",
                            std::to_string(port == 0 ? port_ : port), "--headless"},
                           {"XDG_RUNTIME_DIR=" + dir_.path()}, dir_.path()));
  ASSERT_TRUE(WaitForLog("KVUP|KVUP wait for event from CIMG")) << Log();
}

void KvupProcessTest::LaunchClient(ChildProcess& client, const std::vector<std::string>& commands) {
  std::vector<std::string> args{BuiltProgram("kvup-client"),
                                "--port",
                                std::to_string(port_),
                                "--session",
                                kSession,
                                "--account",
                                "alice"};
  args.insert(args.end(), commands.begin(), commands.end());
  ASSERT_TRUE(client.Start(args));
}

void KvupProcessTest::TraceEveryLogger() {
  std::string properties = kLogProperties;
  properties.replace(properties.find("INFO"), 4, "TRACE");
  dir_.WriteFile("log4cplus.properties", properties);
}

std::string KvupProcessTest::Log() const {
  std::ifstream in(dir_.Sub("kvup.log"));
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

bool KvupProcessTest::WaitForLog(const std::string& line, int timeoutMs) const {
  return WaitFor([&] { return Log().find(line + "\n") != std::string::npos; }, timeoutMs);
}

bool KvupProcessTest::WaitFor(const std::function<bool()>& done, int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

}  // namespace kvtest
