#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

#include "platform/LastError.h"
#include "platform/MessageQueue.h"
#include "platform/Thread.h"

using namespace platform;

namespace {

constexpr UINT kPing = WM_USER + 1;
constexpr UINT kPong = WM_USER + 2;

struct Seen {
  UINT msg;
  WPARAM w;
  LPARAM l;
  uint32_t tid;
};

// Records what reaches the window; touched on the user-interface thread only.
class Recorder : public MessageHandler {
 public:
  std::function<LRESULT(UINT, WPARAM, LPARAM)> onMessage;
  std::vector<Seen> seen;

  LRESULT HandleMessage(UINT msg, WPARAM w, LPARAM l) override {
    seen.push_back(Seen{msg, w, l, CurrentThreadId()});
    return onMessage ? onMessage(msg, w, l) : 0;
  }
  int Count(UINT msg) const {
    int n = 0;
    for (const Seen& s : seen) n += s.msg == msg;
    return n;
  }
};

struct CountedRecord : MessageRecord {
  CountedRecord(int v, std::atomic<int>* d) : value(v), destroyed(d) {}
  ~CountedRecord() override { ++*destroyed; }
  int value;
  std::atomic<int>* destroyed;
};

// Waits until the queue signals work (a post or send has arrived).
bool WaitForWake(int timeoutMs = 5000) {
  pollfd p{MessageQueue::Instance().WakeFd(), POLLIN, 0};
  return poll(&p, 1, timeoutMs) == 1;
}

class MessageQueueTest : public ::testing::Test {
 protected:
  void SetUp() override { MessageQueue::Instance().Reset(); }
  void TearDown() override { MessageQueue::Instance().Reset(); }
};

TEST_F(MessageQueueTest, PostedMessagesArriveInOrderOnTheUiThreadAndQuitEndsTheLoop) {
  Recorder r;
  HWND w = CreateWindowHandle(&r);
  ASSERT_NE(w, nullptr);
  EXPECT_TRUE(IsWindow(w));
  std::thread worker([w] {
    for (WPARAM i = 0; i < 3; ++i) EXPECT_TRUE(PostMessage(w, kPing, i, 10 + i));
    PostQuitMessage(7);
  });
  EXPECT_EQ(RunMessageLoop(), 7);
  worker.join();
  ASSERT_EQ(r.seen.size(), 3u);
  for (WPARAM i = 0; i < 3; ++i) {
    EXPECT_EQ(r.seen[i].w, i);
    EXPECT_EQ(r.seen[i].l, static_cast<LPARAM>(10 + i));
    EXPECT_EQ(r.seen[i].tid, CurrentThreadId());
  }
}

TEST_F(MessageQueueTest, QuitRequestedBeforeTheLoopEndsItAtOnceAndIsTakenOnce) {
  Recorder r;
  HWND w = CreateWindowHandle(&r);
  PostMessage(w, kPing, 1, 0);
  PostQuitMessage(5);
  EXPECT_EQ(RunMessageLoop(), 5);
  EXPECT_EQ(r.Count(kPing), 1);
  // The request was consumed: the next pass dispatches normally.
  PostMessage(w, kPing, 2, 0);
  EXPECT_TRUE(MessageQueue::Instance().DispatchPending());
  EXPECT_EQ(r.Count(kPing), 2);
}

TEST_F(MessageQueueTest, PostToNoWindowFails) {
  EXPECT_FALSE(PostMessage(nullptr, kPing, 0, 0));
  Recorder r;
  HWND w = CreateWindowHandle(&r);
  DestroyWindowHandle(w);
  EXPECT_FALSE(IsWindow(w));
  EXPECT_FALSE(PostMessage(w, kPing, 0, 0));
  EXPECT_EQ(GetLastError(), kErrorInvalidWindowHandle);
  HWND again = CreateWindowHandle(&r);
  EXPECT_NE(again, w);  // handles are not reused
}

TEST_F(MessageQueueTest, SendOnTheUiThreadCallsTheHandlerDirectly) {
  Recorder r;
  r.onMessage = [](UINT, WPARAM w, LPARAM) { return static_cast<LRESULT>(w * 2); };
  HWND w = CreateWindowHandle(&r);
  EXPECT_EQ(SendMessage(w, kPing, 21, 0), 42);
  ASSERT_EQ(r.seen.size(), 1u);  // no loop ran
  EXPECT_EQ(r.seen[0].tid, CurrentThreadId());
  EXPECT_EQ(SendMessage(nullptr, kPing, 1, 0), 0);
}

TEST_F(MessageQueueTest, SendFromWorkerReturnsOnlyAfterTheHandlerRanOnTheUiThread) {
  Recorder r;
  std::atomic<bool> handled{false};
  r.onMessage = [&](UINT, WPARAM w, LPARAM) {
    handled = true;
    return static_cast<LRESULT>(w + 1);
  };
  HWND w = CreateWindowHandle(&r);
  std::atomic<bool> handledAtReturn{false};
  std::atomic<LRESULT> result{0};
  Thread worker([&] {
    result = SendMessage(w, kPing, 41, 0);
    handledAtReturn = handled.load();
    PostQuitMessage(0);
  });
  worker.Start();
  EXPECT_EQ(RunMessageLoop(), 0);
  worker.Join();
  EXPECT_TRUE(handledAtReturn.load());
  EXPECT_EQ(result.load(), 42);
  ASSERT_EQ(r.seen.size(), 1u);
  EXPECT_EQ(r.seen[0].tid, CurrentThreadId());
  EXPECT_NE(r.seen[0].tid, worker.Id());
}

TEST_F(MessageQueueTest, ConcurrentSendersAreEachAnsweredOnce) {
  Recorder r;
  int total = 0;  // UI thread only
  r.onMessage = [&](UINT, WPARAM w, LPARAM) {
    ++total;
    return static_cast<LRESULT>(w) * 3;
  };
  HWND w = CreateWindowHandle(&r);
  std::atomic<int> wrong{0};
  std::atomic<int> finished{0};
  std::vector<std::thread> workers;
  for (int t = 0; t < 4; ++t)
    workers.emplace_back([&, t] {
      for (WPARAM i = 0; i < 100; ++i) {
        const WPARAM v = t * 1000 + i;
        if (SendMessage(w, kPing, v, 0) != static_cast<LRESULT>(v) * 3) ++wrong;
        PostMessage(w, kPong, v, 0);
      }
      if (++finished == 4) PostQuitMessage(1);
    });
  EXPECT_EQ(RunMessageLoop(), 1);
  for (auto& t : workers) t.join();
  EXPECT_EQ(wrong.load(), 0);
  EXPECT_EQ(total, 400 + r.Count(kPong));
  EXPECT_EQ(r.Count(kPing), 400);
}

TEST_F(MessageQueueTest, MessageToADestroyedWindowIsDroppedAndItsRecordsFreed) {
  std::atomic<int> destroyed{0};
  Recorder r;
  HWND w = CreateWindowHandle(&r);
  EXPECT_TRUE(PostOwnedMessage(w, kPing, std::make_unique<CountedRecord>(1, &destroyed),
                               std::make_unique<CountedRecord>(2, &destroyed)));
  EXPECT_EQ(destroyed.load(), 0);
  DestroyWindowHandle(w);
  EXPECT_EQ(destroyed.load(), 2);
  EXPECT_FALSE(PostOwnedMessage(w, kPing, std::make_unique<CountedRecord>(3, &destroyed), nullptr));
  EXPECT_EQ(destroyed.load(), 3);
  EXPECT_TRUE(MessageQueue::Instance().DispatchPending());
  EXPECT_EQ(r.Count(kPing), 0);
  EXPECT_EQ(r.Count(WM_DESTROY), 1);
  EXPECT_EQ(destroyed.load(), 3);
}

TEST_F(MessageQueueTest, HandledRecordsAreAliveInTheHandlerAndFreedOnceAfterIt) {
  std::atomic<int> destroyed{0};
  Recorder r;
  int sum = 0;
  int destroyedDuringHandler = -1;
  r.onMessage = [&](UINT msg, WPARAM w, LPARAM l) {
    if (msg != kPing) return 0;
    sum = reinterpret_cast<CountedRecord*>(w)->value + reinterpret_cast<CountedRecord*>(l)->value;
    destroyedDuringHandler = destroyed.load();
    return 0;
  };
  HWND w = CreateWindowHandle(&r);
  PostOwnedMessage(w, kPing, std::make_unique<CountedRecord>(20, &destroyed),
                   std::make_unique<CountedRecord>(22, &destroyed));
  PostQuitMessage(0);
  RunMessageLoop();
  EXPECT_EQ(sum, 42);
  EXPECT_EQ(destroyedDuringHandler, 0);
  EXPECT_EQ(destroyed.load(), 2);
  DestroyWindowHandle(w);
  MessageQueue::Instance().Reset();
  EXPECT_EQ(destroyed.load(), 2);
}

TEST_F(MessageQueueTest, OwnedSendFreesItsRecordsBeforeItReturns) {
  std::atomic<int> destroyed{0};
  Recorder r;
  r.onMessage = [](UINT, WPARAM w, LPARAM) { return reinterpret_cast<CountedRecord*>(w)->value; };
  HWND w = CreateWindowHandle(&r);
  EXPECT_EQ(SendOwnedMessage(w, kPing, std::make_unique<CountedRecord>(9, &destroyed), nullptr), 9);
  EXPECT_EQ(destroyed.load(), 1);
  std::atomic<int> seenAtReturn{-1};
  std::atomic<LRESULT> result{0};
  std::thread worker([&] {
    result = SendOwnedMessage(w, kPing, std::make_unique<CountedRecord>(5, &destroyed),
                              std::make_unique<CountedRecord>(6, &destroyed));
    seenAtReturn = destroyed.load();
    PostQuitMessage(0);
  });
  RunMessageLoop();
  worker.join();
  EXPECT_EQ(result.load(), 5);
  EXPECT_EQ(seenAtReturn.load(), 3);
  EXPECT_EQ(destroyed.load(), 3);
}

TEST_F(MessageQueueTest, SendToAWindowDestroyedWhileWaitingReturnsZero) {
  std::atomic<int> destroyed{0};
  Recorder r;
  r.onMessage = [](UINT, WPARAM, LPARAM) { return 99; };
  HWND w = CreateWindowHandle(&r);
  std::atomic<LRESULT> result{-1};
  std::thread worker([&] {
    result = SendOwnedMessage(w, kPing, std::make_unique<CountedRecord>(1, &destroyed), nullptr);
  });
  ASSERT_TRUE(WaitForWake());  // the send is queued, the worker waits
  DestroyWindowHandle(w);
  worker.join();
  EXPECT_EQ(result.load(), 0);
  EXPECT_EQ(destroyed.load(), 1);
  EXPECT_EQ(r.Count(kPing), 0);
}

TEST_F(MessageQueueTest, SendQueuedBeforeTheQuitIsAnsweredBeforeTheLoopEnds) {
  Recorder r;
  std::thread worker;
  std::atomic<LRESULT> result{-1};
  HWND w = nullptr;
  r.onMessage = [&](UINT msg, WPARAM, LPARAM) -> LRESULT {
    if (msg == kPong) return 77;
    if (msg != kPing) return 0;
    worker = std::thread([&] { result = SendMessage(w, kPong, 0, 0); });
    EXPECT_TRUE(WaitForWake());  // the send waits in the queue
    PostQuitMessage(4);
    return 0;
  };
  w = CreateWindowHandle(&r);
  PostMessage(w, kPing, 0, 0);
  EXPECT_EQ(RunMessageLoop(), 4);
  worker.join();
  EXPECT_EQ(result.load(), 77);
  EXPECT_EQ(r.Count(kPong), 1);
}

TEST_F(MessageQueueTest, SendsAfterTheLoopEndedOrAtResetReturnZero) {
  Recorder r;
  r.onMessage = [](UINT, WPARAM, LPARAM) { return 99; };
  HWND w = CreateWindowHandle(&r);
  PostQuitMessage(3);
  EXPECT_EQ(RunMessageLoop(), 3);
  LRESULT late = -1;
  std::thread([&] { late = SendMessage(w, kPing, 0, 0); }).join();
  EXPECT_EQ(late, 0);
  EXPECT_EQ(r.Count(kPing), 0);

  MessageQueue::Instance().Reset();
  w = CreateWindowHandle(&r);
  std::atomic<LRESULT> blocked{-1};
  std::thread worker([&] { blocked = SendMessage(w, kPing, 0, 0); });
  ASSERT_TRUE(WaitForWake());
  MessageQueue::Instance().Reset();
  worker.join();
  EXPECT_EQ(blocked.load(), 0);
  EXPECT_EQ(r.Count(kPing), 0);
}

TEST_F(MessageQueueTest, TimersFireOnTheUiThreadAndStopWhenKilled) {
  Recorder r;
  HWND w = nullptr;
  int ticks = 0;
  r.onMessage = [&](UINT msg, WPARAM id, LPARAM) {
    if (msg != WM_TIMER) return 0;
    if (id == 1 && ++ticks == 3) {
      EXPECT_TRUE(KillTimer(w, 1));
      // Long enough for several more ticks of timer 1, had it survived.
      EXPECT_TRUE(SetTimer(w, 2, 60));
    }
    if (id == 2) PostQuitMessage(ticks);
    return 0;
  };
  w = CreateWindowHandle(&r);
  EXPECT_FALSE(SetTimer(nullptr, 1, 10));
  ASSERT_TRUE(SetTimer(w, 1, 10));
  EXPECT_EQ(RunMessageLoop(), 3);
  EXPECT_EQ(ticks, 3);
  EXPECT_EQ(r.Count(WM_TIMER), 4);
  for (const Seen& s : r.seen) EXPECT_EQ(s.tid, CurrentThreadId());
  EXPECT_FALSE(KillTimer(w, 1));
  EXPECT_TRUE(KillTimer(w, 2));
}

TEST_F(MessageQueueTest, DestroyingAWindowStopsItsTimers) {
  Recorder r;
  HWND w = CreateWindowHandle(&r);
  ASSERT_TRUE(SetTimer(w, 7, 10));
  EXPECT_GE(MessageQueue::Instance().MsUntilNextTimer(), 0);
  DestroyWindowHandle(w);
  EXPECT_EQ(MessageQueue::Instance().MsUntilNextTimer(), -1);
  EXPECT_FALSE(KillTimer(w, 7));
}

TEST_F(MessageQueueTest, BackendSeamWakesOnPostsAndReportsTheNextTimer) {
  Recorder r;
  HWND w = CreateWindowHandle(&r);
  MessageQueue& q = MessageQueue::Instance();
  EXPECT_TRUE(q.DispatchPending());
  EXPECT_FALSE(WaitForWake(0));
  EXPECT_EQ(q.MsUntilNextTimer(), -1);
  std::thread([w] { PostMessage(w, kPing, 0, 0); }).join();
  EXPECT_TRUE(WaitForWake(0));
  EXPECT_TRUE(q.DispatchPending());
  EXPECT_FALSE(WaitForWake(0));
  EXPECT_EQ(r.Count(kPing), 1);
  ASSERT_TRUE(SetTimer(w, 1, 100000));
  EXPECT_TRUE(WaitForWake(0));  // a backend re-reads the timer
  const int ms = q.MsUntilNextTimer();
  EXPECT_GT(ms, 0);
  EXPECT_LE(ms, 100000);
}

TEST_F(MessageQueueTest, OnlyTheUiThreadCreatesWindowsAndRunsTheLoop) {
  Recorder r;
  ASSERT_NE(CreateWindowHandle(&r), nullptr);
  EXPECT_TRUE(MessageQueue::Instance().IsUiThread());
  HWND fromWorker = reinterpret_cast<HWND>(1);
  int loopResult = 0;
  std::thread([&] {
    fromWorker = CreateWindowHandle(&r);
    loopResult = RunMessageLoop();
  }).join();
  EXPECT_EQ(fromWorker, nullptr);
  EXPECT_EQ(loopResult, -1);
  EXPECT_EQ(CreateWindowHandle(nullptr), nullptr);
}

void QuitOnSignal(int) {
  PostQuitMessage(9);
}

TEST_F(MessageQueueTest, QuitFromASignalHandlerWakesTheLoop) {
  struct sigaction sa {
  }, old{};
  sa.sa_handler = QuitOnSignal;
  sigemptyset(&sa.sa_mask);
  ASSERT_EQ(sigaction(SIGUSR1, &sa, &old), 0);
  Recorder r;
  CreateWindowHandle(&r);
  // A worker with SIGUSR1 blocked, so the handler runs on the loop's thread.
  sigset_t block;
  sigemptyset(&block);
  sigaddset(&block, SIGUSR1);
  pthread_sigmask(SIG_BLOCK, &block, nullptr);
  std::thread worker([] { kill(getpid(), SIGUSR1); });
  pthread_sigmask(SIG_UNBLOCK, &block, nullptr);
  EXPECT_EQ(RunMessageLoop(), 9);
  worker.join();
  sigaction(SIGUSR1, &old, nullptr);
}

}  // namespace
