// Teardown on the window's thread: joining a worker that waits in a send to
// that thread, and stopping pools a pause left pulsed.
#include <atomic>
#include <chrono>
#include <thread>

#include "FTL/CFThreadPool.h"
#include "PipelineWorld.h"
#include "platform/Event.h"
#include "platform/Thread.h"

namespace pipetest {
namespace {

class TeardownTest : public PipelineWorld {};

// Polls done() for at most 20 s.
template <typename F>
bool WaitFor(F done) {
  for (int i = 0; i < 10000 && !done(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  return done();
}

constexpr platform::UINT kProbe = msg::WM_CLIENT_EVENT + 0x40;

TEST_F(TeardownTest, JoiningAThreadThatSendsToTheWindowAnswersTheSendUndelivered) {
  Start();
  platform::Event sending(true, false);
  std::atomic<platform::LRESULT> answer{-1};
  platform::Thread sender([&] {
    sending.Set();
    answer = platform::SendMessage(hub_->Window(), kProbe, 0, 0);
  });
  ASSERT_TRUE(sender.Start());
  ASSERT_EQ(platform::WaitForSingleObject(sending, 20000), platform::kWaitObject0);
  const int delivered = hub_->delivered;
  // The window's thread does not pump while it joins: without the answer the
  // sender would wait for ever and the join with it.
  sender.Join();
  EXPECT_EQ(answer.load(), 0);
  EXPECT_EQ(hub_->delivered, delivered);
}

TEST(PausedPoolStop, AStopAfterAPauseEndsEveryThread) {
  FTL::CFThreadPool<int*> pool(nullptr);
  ASSERT_TRUE(pool.Start(2, 2));
  ASSERT_TRUE(WaitFor([&] { return pool.RunningThreadCount() == 2; }));
  pool.PulseStop();  // a pause: the idle threads take the pulse and serve on
  ASSERT_TRUE(WaitFor([&] { return !pool.StopEvent().IsSet(); }));
  pool.SignalStop();
  EXPECT_TRUE(pool.WaitThreadsExit());
  EXPECT_EQ(pool.RunningThreadCount(), 0);
}

}  // namespace
}  // namespace pipetest
