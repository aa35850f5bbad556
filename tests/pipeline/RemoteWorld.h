// A world for the pipeline's requests: the stand-in service with the session
// s1 of account alice, a COptions holding that session's cookie, the request
// base URL pointing at the service, and a window on the test thread that
// records the messages it gets. The service is prepared and inspected with
// plain calls (kvtest::HttpCall), never with the code under test.
#pragma once

#include <gtest/gtest.h>
#include <json/value.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "common/HttpCall.h"
#include "common/MessagePump.h"
#include "common/StandInService.h"
#include "platform/MessageQueue.h"
#include "session/COptions.h"

namespace pipetest {

using kvtest::PumpUntil;

class MessageLog : public platform::MessageHandler {
 public:
  platform::LRESULT HandleMessage(platform::UINT msg, platform::WPARAM, platform::LPARAM) override {
    seen.push_back(msg);
    return 0;
  }
  int Count(platform::UINT msg) const;
  std::vector<platform::UINT> seen;
};

class RemoteWorld : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  kvtest::HttpCall Http() const { return kvtest::HttpCall(service_.BaseUrl()); }
  int64_t RootId() const;
  // createPathAction for a path below the root; the deepest folder's id.
  int64_t CreateFolder(const std::string& path) const;
  // A complete file of that content in folder pid; its id and the service's hash.
  int64_t UploadFile(int64_t pid, const std::string& name, const std::string& content,
                     std::string* hash = nullptr) const;
  // The entry of alice named name below parent (-1: any parent); null if none.
  Json::Value Entry(const std::string& name, int64_t parent = -1) const;
  bool Exists(int64_t id) const;
  void AddFault(const std::string& rule) const;
  // How many requests the fault rule has seen.
  int64_t Seen(const std::string& rule) const;

  kvtest::StandInService service_{{"--session", "s1=alice", "--control"}};
  COptions options_;
  MessageLog messages_;
  platform::HWND window_ = nullptr;
};

}  // namespace pipetest
