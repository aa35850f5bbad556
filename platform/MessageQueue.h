// The user-interface thread's message queue: live window handles, posted and
// sent messages, the quit request and timers.
//
// The user-interface (UI) thread is the thread that binds the queue: the first
// one to create a window handle or to dispatch after process start or Reset().
// Creating and destroying windows and dispatching happen on it only; posting,
// sending, timers and the quit request may come from any thread.
//
// The queue never waits by itself. A loop backend waits until WakeFd() is
// readable or the next timer is due (MsUntilNextTimer()), then calls
// DispatchPending(), until that returns false. RunMessageLoop() is the default,
// blocking backend; the GTK host drives the same queue from GLib's main loop.
//
// Shut-down: once a loop has taken the quit request, sends from other threads
// return 0 at once (waiting ones are released) until Reset(), so a worker that
// sends while the UI thread stops it cannot deadlock.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <vector>

#include "platform/TimerList.h"
#include "platform/WindowMessage.h"

namespace platform {

// UI thread. nullptr for a null handler or on another thread than the UI thread.
HWND CreateWindowHandle(MessageHandler* handler);
// UI thread. The handler gets WM_DESTROY (a direct call, the handle still
// live), then the handle dies: its timers stop, its pending messages are
// dropped with their records, senders waiting on it get 0.
void DestroyWindowHandle(HWND hwnd);
bool IsWindow(HWND hwnd);
// Any thread, never blocks. False (last error kErrorInvalidWindowHandle) if no
// such window.
bool PostMessage(HWND hwnd, UINT msg, WPARAM w, LPARAM l);
// The records travel as WPARAM/LPARAM (pointers, 0 for none) and are freed
// after the handler returned or when the message is dropped, exactly once.
bool PostOwnedMessage(HWND hwnd, UINT msg, std::unique_ptr<MessageRecord> w,
                      std::unique_ptr<MessageRecord> l);
// On the UI thread the handler is called directly; from another thread the
// call waits until the handler ran on the UI thread, and returns 0 without
// waiting if there is no such window or the loop has ended.
LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM w, LPARAM l);
// Joins the thread once ended is set. On the UI thread it meanwhile answers
// the thread's sends with 0, which it could not deliver while joining.
void JoinServingSends(std::thread& thread, const std::atomic<bool>& ended);
LRESULT SendOwnedMessage(HWND hwnd, UINT msg, std::unique_ptr<MessageRecord> w,
                         std::unique_ptr<MessageRecord> l);
// Any thread; async-signal-safe once the queue exists (after any earlier
// call of these functions, e.g. at start-up). The loop ends with exitCode after the
// messages posted before it; a request made before the loop runs ends the
// next loop at once.
void PostQuitMessage(int exitCode);
// Any thread. WM_TIMER with wParam = id reaches the window's handler on the UI
// thread every elapseMs (at least 10) until killed; setting it again restarts it.
bool SetTimer(HWND hwnd, uintptr_t id, uint32_t elapseMs);
bool KillTimer(HWND hwnd, uintptr_t id);
// UI thread (binds it). The default backend: blocks until the quit request
// and returns its code; -1 at once on another thread than the UI thread.
int RunMessageLoop();

class MessageQueue {
 public:
  static MessageQueue& Instance();

  // Readable when messages or the quit request wait, and after a timer change
  // (re-read MsUntilNextTimer then). Lives as long as the process.
  int WakeFd() const { return wakeFd_.load(); }
  // UI thread (binds it). Delivers the sent messages, then the posted messages
  // that waited at entry, then due timers. With a quit request it answers the
  // sends that came meanwhile instead of the timers, takes the request and
  // returns false (the loop ends, QuitCode() holds the code); false also when
  // called on another thread.
  bool DispatchPending();
  int MsUntilNextTimer() const;
  int QuitCode() const { return quitCode_.load(); }
  // Binds the calling thread as the UI thread if none is bound; true if the
  // calling thread is the UI thread.
  bool BindUiThread();
  bool IsUiThread() const;
  // Forgets every window (no WM_DESTROY), drops the pending messages with
  // their records, releases waiting senders with 0, kills the timers, clears
  // the quit request and the ended state, unbinds the UI thread. For tests that
  // run loops in sequence; never while a loop runs.
  void Reset();

  HWND CreateWindowHandle(MessageHandler* handler);
  void DestroyWindowHandle(HWND hwnd);
  bool IsWindow(HWND hwnd) const;
  bool Post(HWND hwnd, UINT msg, WPARAM w, LPARAM l, std::unique_ptr<MessageRecord> ownedW,
            std::unique_ptr<MessageRecord> ownedL);
  LRESULT Send(HWND hwnd, UINT msg, WPARAM w, LPARAM l, std::unique_ptr<MessageRecord> ownedW,
               std::unique_ptr<MessageRecord> ownedL);
  void PostQuit(int exitCode);
  // UI thread: answers with 0, undelivered, every waiting send of that thread,
  // so that a thread the UI thread is joining cannot wait on it for ever.
  void ReleaseSendsFrom(std::thread::id sender);
  bool SetTimer(HWND hwnd, uintptr_t id, uint32_t elapseMs);
  bool KillTimer(HWND hwnd, uintptr_t id);

 private:
  struct SendWait;
  struct Message {
    HWND hwnd = nullptr;
    UINT msg = WM_NULL;
    WPARAM w = 0;
    LPARAM l = 0;
    std::unique_ptr<MessageRecord> ownedW;
    std::unique_ptr<MessageRecord> ownedL;
    SendWait* wait = nullptr;  // set for a send from another thread
    std::thread::id sender{};  // the thread that waits in that send
  };
  struct Window {
    MessageHandler* handler;
    bool destroying = false;
  };
  using Trash = std::vector<Message>;  // freed once the lock is let go

  MessageQueue();
  ~MessageQueue() = default;
  MessageQueue(const MessageQueue&) = delete;
  MessageQueue& operator=(const MessageQueue&) = delete;

  LRESULT SendFromOtherThread(Message m);
  void Deliver(Message m);  // UI thread
  bool TakeSent(Message* m);
  void DeliverSent();       // UI thread
  void DeliverDueTimers();  // UI thread
  void EndLoop();           // UI thread
  MessageHandler* HandlerOf(HWND hwnd) const;
  void Wake();  // lock-free: the quit request uses it
  // REQUIRES: mutex_ held.
  void WakeLocked();
  void DrainWake();
  bool IsUiThreadLocked() const;
  void DropFor(HWND hwnd, std::deque<Message>* from, Trash* trash);
  void DropAll(std::deque<Message>* from, Trash* trash);
  void ReleaseSender(Message* m, LRESULT result);

  mutable std::mutex mutex_;
  std::unordered_map<HWND, Window> windows_;  // GUARDED_BY(mutex_)
  std::deque<Message> sent_;                  // GUARDED_BY(mutex_)
  std::deque<Message> posted_;                // GUARDED_BY(mutex_)
  TimerList timers_;                          // GUARDED_BY(mutex_)
  std::thread::id uiThread_;                  // GUARDED_BY(mutex_)
  uintptr_t nextHandle_ = 0x1000;             // GUARDED_BY(mutex_)
  uint64_t timerPass_ = 0;                    // UI thread only
  bool wakeSignalled_ = false;                // GUARDED_BY(mutex_)
  bool ended_ = false;                        // GUARDED_BY(mutex_)
  // Lock-free, so that the quit request is safe in a signal handler.
  std::atomic<bool> quitRequested_{false};
  std::atomic<int> quitCode_{0};
  std::atomic<int> wakeFd_{-1};
};

}  // namespace platform
