#include "platform/MessageQueue.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

#include "log/KvLog.h"
#include "platform/HandlerTiming.h"
#include "platform/LastError.h"

namespace platform {

struct MessageQueue::SendWait {
  std::condition_variable cv;
  bool done = false;
  LRESULT result = 0;
};

MessageQueue& MessageQueue::Instance() {
  // Never destroyed: a singleton created before the queue and destroyed after
  // it at exit may still stop threads that post. Reset() frees the contents.
  static MessageQueue* queue = new MessageQueue();
  return *queue;
}

MessageQueue::MessageQueue() {
  wakeFd_.store(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC));
  if (wakeFd_.load() < 0) KV_FATAL("", "MessageQueue: eventfd failed, errno %d", errno);
}

void MessageQueue::Wake() {
  const int fd = wakeFd_.load();
  const uint64_t one = 1;
  if (fd >= 0) (void)!write(fd, &one, sizeof one);
}

void MessageQueue::WakeLocked() {
  if (wakeSignalled_) return;  // one write per drain keeps posting cheap
  wakeSignalled_ = true;
  Wake();
}

void MessageQueue::DrainWake() {
  wakeSignalled_ = false;
  uint64_t value;
  const int fd = wakeFd_.load();
  if (fd >= 0) (void)!read(fd, &value, sizeof value);
}

bool MessageQueue::IsUiThreadLocked() const {
  return uiThread_ == std::this_thread::get_id();
}

bool MessageQueue::BindUiThread() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (uiThread_ == std::thread::id()) uiThread_ = std::this_thread::get_id();
  return IsUiThreadLocked();
}

bool MessageQueue::IsUiThread() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return IsUiThreadLocked();
}

HWND MessageQueue::CreateWindowHandle(MessageHandler* handler) {
  if (handler == nullptr) {
    SetLastError(kErrorInvalidParameter);
    return nullptr;
  }
  if (!BindUiThread()) {
    KV_ERROR("", "CreateWindowHandle: called off the user-interface thread");
    SetLastError(kErrorAccessDenied);
    return nullptr;
  }
  std::lock_guard<std::mutex> lock(mutex_);
  HWND hwnd = reinterpret_cast<HWND>(nextHandle_);
  nextHandle_ += 4;  // never reused: a stale handle names no window
  windows_.emplace(hwnd, Window{handler});
  return hwnd;
}

void MessageQueue::DestroyWindowHandle(HWND hwnd) {
  MessageHandler* handler = nullptr;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!IsUiThreadLocked()) {
      KV_ERROR("", "DestroyWindowHandle: called off the user-interface thread");
      SetLastError(kErrorAccessDenied);
      return;
    }
    auto it = windows_.find(hwnd);
    if (it == windows_.end() || it->second.destroying) return;
    it->second.destroying = true;
    handler = it->second.handler;
  }
  handler->HandleMessage(WM_DESTROY, 0, 0);
  Trash trash;
  std::lock_guard<std::mutex> lock(mutex_);
  windows_.erase(hwnd);
  timers_.KillAll(hwnd);
  DropFor(hwnd, &sent_, &trash);
  DropFor(hwnd, &posted_, &trash);
  // The lock is let go before trash frees the records (declared first).
}

bool MessageQueue::IsWindow(HWND hwnd) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return windows_.count(hwnd) != 0;
}

MessageHandler* MessageQueue::HandlerOf(HWND hwnd) const {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = windows_.find(hwnd);
  return it == windows_.end() ? nullptr : it->second.handler;
}

void MessageQueue::ReleaseSender(Message* m, LRESULT result) {
  if (m->wait == nullptr) return;
  m->wait->result = result;
  m->wait->done = true;
  m->wait->cv.notify_all();
  m->wait = nullptr;
}

void MessageQueue::DropFor(HWND hwnd, std::deque<Message>* from, Trash* trash) {
  for (auto it = from->begin(); it != from->end();) {
    if (it->hwnd != hwnd) {
      ++it;
      continue;
    }
    ReleaseSender(&*it, 0);
    trash->push_back(std::move(*it));
    it = from->erase(it);
  }
}

void MessageQueue::DropAll(std::deque<Message>* from, Trash* trash) {
  for (Message& m : *from) {
    ReleaseSender(&m, 0);
    trash->push_back(std::move(m));
  }
  from->clear();
}

bool MessageQueue::Post(HWND hwnd, UINT msg, WPARAM w, LPARAM l,
                        std::unique_ptr<MessageRecord> ownedW,
                        std::unique_ptr<MessageRecord> ownedL) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (windows_.count(hwnd) != 0) {
      posted_.push_back(Message{hwnd, msg, w, l, std::move(ownedW), std::move(ownedL)});
      WakeLocked();
      return true;
    }
  }
  SetLastError(kErrorInvalidWindowHandle);
  return false;  // the records die here, outside the lock
}

LRESULT MessageQueue::Send(HWND hwnd, UINT msg, WPARAM w, LPARAM l,
                           std::unique_ptr<MessageRecord> ownedW,
                           std::unique_ptr<MessageRecord> ownedL) {
  Message m{hwnd, msg, w, l, std::move(ownedW), std::move(ownedL)};
  if (!IsUiThread()) return SendFromOtherThread(std::move(m));
  MessageHandler* handler = HandlerOf(hwnd);
  if (handler == nullptr) {
    SetLastError(kErrorInvalidWindowHandle);
    return 0;
  }
  return handler->HandleMessage(msg, w, l);  // m frees the records on return
}

LRESULT MessageQueue::SendFromOtherThread(Message m) {
  SendWait wait;
  {
    std::unique_lock<std::mutex> lock(mutex_);
    if (windows_.count(m.hwnd) == 0) {
      SetLastError(kErrorInvalidWindowHandle);
      return 0;
    }
    if (ended_) return 0;
    m.wait = &wait;
    m.sender = std::this_thread::get_id();
    sent_.push_back(std::move(m));
    WakeLocked();
    wait.cv.wait(lock, [&wait] { return wait.done; });
  }
  return wait.result;
}

void MessageQueue::ReleaseSendsFrom(std::thread::id sender) {
  Trash trash;
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto it = sent_.begin(); it != sent_.end();) {
    if (it->sender != sender) {
      ++it;
      continue;
    }
    ReleaseSender(&*it, 0);
    trash.push_back(std::move(*it));
    it = sent_.erase(it);
  }
  // The lock is let go before trash frees the records (declared first).
}

bool MessageQueue::TakeSent(Message* m) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (sent_.empty()) return false;
  *m = std::move(sent_.front());
  sent_.pop_front();
  return true;
}

void MessageQueue::Deliver(Message m) {
  MessageHandler* handler = HandlerOf(m.hwnd);
  LRESULT result = 0;
  if (handler != nullptr) {
    HandlerTimer timer(m.msg);
    result = handler->HandleMessage(m.msg, m.w, m.l);
  }
  // Records go before the sender is released: once it returns they are gone.
  m.ownedW.reset();
  m.ownedL.reset();
  if (m.wait == nullptr) return;
  std::lock_guard<std::mutex> lock(mutex_);
  ReleaseSender(&m, result);
}

void MessageQueue::DeliverDueTimers() {
  const uint64_t pass = ++timerPass_;  // a nested loop in a handler starts its own pass
  const auto now = TimerList::Clock::now();
  for (;;) {
    HWND hwnd;
    uintptr_t id;
    MessageHandler* handler = nullptr;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (!timers_.TakeDue(now, pass, &hwnd, &id)) return;
      auto it = windows_.find(hwnd);
      if (it != windows_.end()) handler = it->second.handler;
    }
    if (handler != nullptr) {
      HandlerTimer timer(WM_TIMER);
      handler->HandleMessage(WM_TIMER, id, 0);
    }
  }
}

bool MessageQueue::DispatchPending() {
  if (!BindUiThread()) {
    KV_ERROR("", "MessageQueue: dispatch called off the user-interface thread");
    return false;
  }
  std::deque<Message> batch;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    DrainWake();
  }
  DeliverSent();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    batch.swap(posted_);
  }
  // A window destroyed meanwhile has no handler: its messages are dropped here.
  for (Message& m : batch) Deliver(std::move(m));
  if (quitRequested_.load()) {
    DeliverSent();  // senders that came before the quit get their answer
    quitRequested_.store(false);
    EndLoop();
    return false;
  }
  DeliverDueTimers();
  return true;
}

void MessageQueue::DeliverSent() {
  Message m;
  while (TakeSent(&m)) Deliver(std::move(m));
}

void MessageQueue::EndLoop() {
  Trash trash;
  std::lock_guard<std::mutex> lock(mutex_);
  ended_ = true;
  DropAll(&sent_, &trash);
}

int MessageQueue::MsUntilNextTimer() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return timers_.MsUntilNext(TimerList::Clock::now());
}

void MessageQueue::PostQuit(int exitCode) {
  quitCode_.store(exitCode);
  quitRequested_.store(true);
  Wake();
}

bool MessageQueue::SetTimer(HWND hwnd, uintptr_t id, uint32_t elapseMs) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (windows_.count(hwnd) == 0) {
    SetLastError(kErrorInvalidWindowHandle);
    return false;
  }
  timers_.Set(hwnd, id, elapseMs, TimerList::Clock::now());
  WakeLocked();
  return true;
}

bool MessageQueue::KillTimer(HWND hwnd, uintptr_t id) {
  std::lock_guard<std::mutex> lock(mutex_);
  return timers_.Kill(hwnd, id);
}

void MessageQueue::Reset() {
  Trash trash;
  std::lock_guard<std::mutex> lock(mutex_);
  DropAll(&sent_, &trash);
  DropAll(&posted_, &trash);
  windows_.clear();
  timers_.Clear();
  uiThread_ = std::thread::id();
  ended_ = false;
  quitRequested_.store(false);
  DrainWake();
}

HWND CreateWindowHandle(MessageHandler* handler) {
  return MessageQueue::Instance().CreateWindowHandle(handler);
}

void DestroyWindowHandle(HWND hwnd) {
  MessageQueue::Instance().DestroyWindowHandle(hwnd);
}

bool IsWindow(HWND hwnd) {
  return MessageQueue::Instance().IsWindow(hwnd);
}

bool PostMessage(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
  return MessageQueue::Instance().Post(hwnd, msg, w, l, nullptr, nullptr);
}

bool PostOwnedMessage(HWND hwnd, UINT msg, std::unique_ptr<MessageRecord> w,
                      std::unique_ptr<MessageRecord> l) {
  const auto wp = reinterpret_cast<WPARAM>(w.get());
  const auto lp = reinterpret_cast<LPARAM>(l.get());
  return MessageQueue::Instance().Post(hwnd, msg, wp, lp, std::move(w), std::move(l));
}

LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
  return MessageQueue::Instance().Send(hwnd, msg, w, l, nullptr, nullptr);
}

LRESULT SendOwnedMessage(HWND hwnd, UINT msg, std::unique_ptr<MessageRecord> w,
                         std::unique_ptr<MessageRecord> l) {
  const auto wp = reinterpret_cast<WPARAM>(w.get());
  const auto lp = reinterpret_cast<LPARAM>(l.get());
  return MessageQueue::Instance().Send(hwnd, msg, wp, lp, std::move(w), std::move(l));
}

void PostQuitMessage(int exitCode) {
  MessageQueue::Instance().PostQuit(exitCode);
}

bool SetTimer(HWND hwnd, uintptr_t id, uint32_t elapseMs) {
  return MessageQueue::Instance().SetTimer(hwnd, id, elapseMs);
}

bool KillTimer(HWND hwnd, uintptr_t id) {
  return MessageQueue::Instance().KillTimer(hwnd, id);
}

int RunMessageLoop() {
  MessageQueue& queue = MessageQueue::Instance();
  if (!queue.BindUiThread()) {
    KV_ERROR("", "RunMessageLoop: called off the user-interface thread");
    return -1;
  }
  pollfd wake{queue.WakeFd(), POLLIN, 0};
  while (queue.DispatchPending()) {
    wake.revents = 0;
    if (poll(&wake, 1, queue.MsUntilNextTimer()) < 0 && errno != EINTR) {
      KV_FATAL("", "RunMessageLoop: poll failed, errno %d", errno);
      return -1;
    }
  }
  return queue.QuitCode();
}

void JoinServingSends(std::thread& thread, const std::atomic<bool>& ended) {
  if (!thread.joinable()) return;
  MessageQueue& queue = MessageQueue::Instance();
  // A thread joining itself keeps std::thread's error instead of spinning.
  if (queue.IsUiThread() && thread.get_id() != std::this_thread::get_id()) {
    const std::thread::id id = thread.get_id();
    while (!ended.load()) {
      queue.ReleaseSendsFrom(id);
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  }
  thread.join();
}

}  // namespace platform
