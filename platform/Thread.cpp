#include "platform/Thread.h"

#include <unistd.h>

#include <exception>
#include <system_error>

#include "log/KvLog.h"
#include "platform/MessageQueue.h"

namespace platform {

uint32_t CurrentThreadId() {
  return static_cast<uint32_t>(gettid());
}

Thread::Thread(std::function<void()> body) : body_(std::move(body)) {
  try {
    thread_ = std::thread([this] { Run(); });
  } catch (const std::system_error& e) {
    KV_ERROR("", "Thread: cannot create a thread: %s", e.what());
    return;
  }
  std::unique_lock<std::mutex> lock(mutex_);
  cv_.wait(lock, [this] { return tidKnown_; });
}

Thread::~Thread() {
  Join();
}

void Thread::Run() {
  // Whichever way the body ends, a joiner waiting for the flag goes on.
  struct EndMark {
    std::atomic<bool>& ended;
    ~EndMark() { ended = true; }
  } mark{ended_};
  {
    std::unique_lock<std::mutex> lock(mutex_);
    tid_ = CurrentThreadId();
    tidKnown_ = true;
    cv_.notify_all();
    cv_.wait(lock, [this] { return gate_ != Gate::kHeld; });
    if (gate_ == Gate::kCancelled) return;
  }
  try {
    body_();
  } catch (const std::exception& e) {
    KV_ERROR("", "Thread %u: the body ended with an exception: %s", tid_, e.what());
  } catch (...) {
    KV_ERROR("", "Thread %u: the body ended with an unknown exception", tid_);
  }
}

bool Thread::OpenGate(Gate to) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (gate_ != Gate::kHeld) return false;
  gate_ = to;
  cv_.notify_all();
  return true;
}

bool Thread::Start() {
  return thread_.joinable() && OpenGate(Gate::kStarted);
}

void Thread::Join() {
  if (!thread_.joinable()) return;
  OpenGate(Gate::kCancelled);
  JoinServingSends(thread_, ended_);
}

bool Thread::Joinable() const {
  return thread_.joinable();
}

}  // namespace platform
