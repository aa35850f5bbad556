// A skinned window for tests (user-interface test programs only): built from
// skin text, records every notification.
#pragma once

#include <poll.h>

#include <chrono>
#include <string>
#include <vector>

#include "duilib/WindowImplBase.h"
#include "platform/MessageQueue.h"

namespace duitest {

class TestWindow : public DuiLib::WindowImplBase {
 public:
  explicit TestWindow(std::string skin) : skin_(std::move(skin)) {}
  std::string GetWindowClassName() const override { return "TestWindow"; }
  void Notify(DuiLib::TNotifyUI& msg) override {
    seen.push_back(msg.sType + ":" + (msg.pSender ? msg.pSender->GetName() : ""));
    WindowImplBase::Notify(msg);
  }
  int Count(const std::string& entry) const {
    int n = 0;
    for (const auto& s : seen) n += s == entry ? 1 : 0;
    return n;
  }
  std::vector<std::string> seen;

 protected:
  std::string GetSkinFolder() override { return ""; }
  std::string GetSkinFile() override { return skin_; }

 private:
  std::string skin_;
};

// Runs the queue for about ms milliseconds.
inline void Pump(int ms) {
  auto& q = platform::MessageQueue::Instance();
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < until) {
    pollfd p{q.WakeFd(), POLLIN, 0};
    const int left = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          until - std::chrono::steady_clock::now())
                                          .count());
    const int next = q.MsUntilNextTimer();
    poll(&p, 1, next < 0 ? std::max(0, left) : std::min(std::max(0, left), next));
    q.DispatchPending();
  }
}

// Delivers what is queued and what that posts in turn, without waiting.
inline void Settle() {
  for (int i = 0; i < 20; ++i) platform::MessageQueue::Instance().DispatchPending();
}

}  // namespace duitest
