// Fixture for tests that run kvup itself as a process: a run folder of its
// own (user-data folder, logging properties that write the start-up and link
// loggers at TRACE into kvup.log), a free link port, the kvup child of the
// current run and kvup-client runs against it.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/ChildProcess.h"
#include "common/LoopbackSocket.h"
#include "common/TempDir.h"

namespace kvtest {

class KvupProcessTest : public ::testing::Test {
 protected:
  static constexpr int kLong = 15000;  // upper bound for what must happen
  static constexpr int kShort = 300;   // how long "nothing happens" is watched
  // The account's service session: a secret that no file of kvup may hold.
  static constexpr const char* kSession = "kvSess10nZ7q";

  void SetUp() override;

  // A new kvup run (the previous one, if any, has ended) on port_ or the
  // port given; returns once it waits for its client.
  void LaunchKvup(uint16_t port = 0);
  // kvup-client on kvup's port, with the account's cookies.
  void LaunchClient(ChildProcess& client, const std::vector<std::string>& commands);

  std::string User() const { return dir_.Sub("user"); }
  std::string Kvd() const { return User() + "/kvd"; }
  std::string Log() const;
  // Every logger of the next kvup run at TRACE.
  void TraceEveryLogger();
  bool WaitForLog(const std::string& line, int timeoutMs = kLong) const;
  static bool WaitFor(const std::function<bool()>& done, int timeoutMs = kLong);
  // Where a line first stands in the log; npos when it is not there.
  size_t LogAt(const std::string& line) const { return Log().find(line + "\n"); }

  TempDir dir_;
  const uint16_t port_ = FreeLoopbackPort();
  std::unique_ptr<ChildProcess> kvup_;
};

}  // namespace kvtest
