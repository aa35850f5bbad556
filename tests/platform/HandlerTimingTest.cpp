// The user-interface handler timing (kvup --ui-timing): off by default, every
// dispatched handler counted once enabled, the handler that pauses it (the
// close sequence) left out, and the figures read from the recorded runs.
#include <gtest/gtest.h>

#include <functional>

#include "platform/HandlerTiming.h"
#include "platform/MessageQueue.h"

using namespace platform;

namespace {

constexpr UINT kWork = WM_USER + 11;
constexpr UINT kClose = WM_USER + 12;

class Handler : public MessageHandler {
 public:
  std::function<void(UINT)> onMessage;
  LRESULT HandleMessage(UINT msg, WPARAM, LPARAM) override {
    if (onMessage) onMessage(msg);
    return 0;
  }
};

class HandlerTimingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MessageQueue::Instance().Reset();
    timing_ = HandlerTiming();
  }
  void TearDown() override {
    MessageQueue::Instance().Reset();
    timing_ = HandlerTiming();
  }
  HandlerTiming& timing_ = HandlerTiming::Instance();
};

}  // namespace

TEST_F(HandlerTimingTest, NothingIsRecordedUnlessEnabled) {
  Handler h;
  HWND w = CreateWindowHandle(&h);
  PostMessage(w, kWork, 0, 0);
  MessageQueue::Instance().DispatchPending();
  EXPECT_EQ(timing_.Summarize().count, 0u);
  DestroyWindowHandle(w);
}

TEST_F(HandlerTimingTest, EveryHandlerRunCountsOnceEnabled) {
  timing_.Enable();
  Handler h;
  HWND w = CreateWindowHandle(&h);
  for (int i = 0; i < 5; ++i) PostMessage(w, kWork, 0, 0);
  SendMessage(w, kWork, 0, 0);  // on the UI thread: a direct call, not dispatched
  MessageQueue::Instance().DispatchPending();
  EXPECT_EQ(timing_.Summarize().count, 5u);
  ASSERT_FALSE(timing_.Report().empty());
  EXPECT_NE(timing_.Report()[0].find("5 handler runs"), std::string::npos);
  DestroyWindowHandle(w);
}

TEST_F(HandlerTimingTest, TheHandlerThatPausesIsLeftOutAndResumeCountsAgain) {
  timing_.Enable();
  Handler h;
  h.onMessage = [&](UINT msg) {
    if (msg == kClose) {
      timing_.Pause();
      timing_.Resume();  // as the offline sequence does at its end
    }
  };
  HWND w = CreateWindowHandle(&h);
  PostMessage(w, kWork, 0, 0);
  PostMessage(w, kClose, 0, 0);
  PostMessage(w, kWork, 0, 0);
  MessageQueue::Instance().DispatchPending();
  EXPECT_EQ(timing_.Summarize().count, 2u);
  timing_.Pause();
  PostMessage(w, kWork, 0, 0);
  MessageQueue::Instance().DispatchPending();
  EXPECT_EQ(timing_.Summarize().count, 2u);
  DestroyWindowHandle(w);
}

TEST_F(HandlerTimingTest, FiguresComeFromTheRecordedRuns) {
  for (int i = 1; i <= 100; ++i) timing_.Add(kWork, i * 1000);  // 1 ms .. 100 ms
  timing_.Add(kClose, 250000);
  const HandlerTiming::Summary s = timing_.Summarize();
  EXPECT_EQ(s.count, 101u);
  EXPECT_EQ(s.p50, 51000);
  EXPECT_EQ(s.p90, 91000);
  EXPECT_EQ(s.p99, 100000);
  EXPECT_EQ(s.max, 250000);
  EXPECT_EQ(s.over16ms, 85u);
  EXPECT_EQ(s.over100ms, 1u);
  const std::vector<std::string> lines = timing_.Report(1);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_NE(lines[1].find("0x040C"), std::string::npos) << lines[1];
}
