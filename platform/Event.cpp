#include "platform/Event.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

#include "platform/LastError.h"

namespace platform {
namespace {

std::mutex& WaitLock() {
  static std::mutex* lock = new std::mutex();  // never destroyed: objects may outlive statics
  return *lock;
}

// Non-empty, no null, no object twice (a wait for all would consume it twice).
bool ValidWaitList(const std::vector<Waitable*>& objects) {
  if (objects.empty() || std::find(objects.begin(), objects.end(), nullptr) != objects.end())
    return false;
  std::vector<Waitable*> sorted(objects);
  std::sort(sorted.begin(), sorted.end(), std::less<Waitable*>());
  return std::adjacent_find(sorted.begin(), sorted.end()) == sorted.end();
}

}  // namespace

struct WaitNode {
  std::condition_variable cv;
  void Attach(const std::vector<Waitable*>& objects) {
    for (Waitable* o : objects) o->waiters_.push_back(this);
  }
  void Detach(const std::vector<Waitable*>& objects) {
    for (Waitable* o : objects) {
      auto& w = o->waiters_;
      w.erase(std::find(w.begin(), w.end(), this));
    }
  }
};

Waitable::~Waitable() = default;

void Waitable::WakeWaiters() {
  for (WaitNode* node : waiters_) node->cv.notify_one();
}

Event::Event(bool manualReset, bool initialState)
    : manual_(manualReset), signalled_(initialState) {}

Event::~Event() {
  if (fd_ >= 0) close(fd_);
}

void Event::Set() {
  std::lock_guard<std::mutex> lock(WaitLock());
  signalled_ = true;
  SyncFd();
  WakeWaiters();
}

void Event::Reset() {
  std::lock_guard<std::mutex> lock(WaitLock());
  signalled_ = false;
  SyncFd();
}

bool Event::IsSet() const {
  std::lock_guard<std::mutex> lock(WaitLock());
  return signalled_;
}

int Event::Fd() {
  std::lock_guard<std::mutex> lock(WaitLock());
  if (fd_ < 0) {
    fd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    fdReadable_ = false;
    SyncFd();
  }
  return fd_;
}

void Event::SyncFd() {
  if (fd_ < 0 || fdReadable_ == signalled_) return;
  uint64_t value = 1;
  if (signalled_) {
    if (write(fd_, &value, sizeof value) == sizeof value) fdReadable_ = true;
  } else {
    if (read(fd_, &value, sizeof value) == sizeof value) fdReadable_ = false;
  }
}

bool Event::IsSignalled() const {
  return signalled_;
}

void Event::Consume() {
  if (manual_) return;
  signalled_ = false;
  SyncFd();
}

Semaphore::Semaphore(long initialCount, long maximumCount)
    : maximum_(std::max(maximumCount, 1L)), count_(std::clamp(initialCount, 0L, maximum_)) {
  if (maximumCount < 1 || initialCount < 0 || initialCount > maximumCount)
    SetLastError(kErrorInvalidParameter);
}

bool Semaphore::Release(long count, long* previous) {
  std::lock_guard<std::mutex> lock(WaitLock());
  if (count <= 0 || count > maximum_ - count_) {
    SetLastError(kErrorTooManyPosts);
    return false;
  }
  if (previous != nullptr) *previous = count_;
  count_ += count;
  WakeWaiters();
  return true;
}

long Semaphore::Count() const {
  std::lock_guard<std::mutex> lock(WaitLock());
  return count_;
}

bool Semaphore::IsSignalled() const {
  return count_ > 0;
}

void Semaphore::Consume() {
  --count_;
}

uint32_t WaitForMultipleObjects(const std::vector<Waitable*>& objects, bool waitAll,
                                uint32_t timeoutMs) {
  if (!ValidWaitList(objects)) {
    SetLastError(kErrorInvalidParameter);
    return kWaitFailed;
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  std::unique_lock<std::mutex> lock(WaitLock());
  WaitNode node;
  bool attached = false;
  uint32_t result = kWaitTimeout;
  for (;;) {
    if (waitAll) {
      if (std::all_of(objects.begin(), objects.end(),
                      [](Waitable* o) { return o->IsSignalled(); })) {
        for (Waitable* o : objects) o->Consume();
        result = kWaitObject0;
        break;
      }
    } else {
      auto hit = std::find_if(objects.begin(), objects.end(),
                              [](Waitable* o) { return o->IsSignalled(); });
      if (hit != objects.end()) {
        (*hit)->Consume();
        result = kWaitObject0 + static_cast<uint32_t>(hit - objects.begin());
        break;
      }
    }
    if (timeoutMs == 0) break;
    if (!attached) {
      node.Attach(objects);
      attached = true;
    }
    if (timeoutMs == kInfinite) {
      node.cv.wait(lock);
    } else if (node.cv.wait_until(lock, deadline) == std::cv_status::timeout) {
      // One last look: a signal may have come with the time-out.
      timeoutMs = 0;
    }
  }
  if (attached) node.Detach(objects);
  if (result == kWaitTimeout) SetLastError(kErrorTimeout);
  return result;
}

uint32_t WaitForMultipleObjects(std::initializer_list<Waitable*> objects, bool waitAll,
                                uint32_t timeoutMs) {
  return WaitForMultipleObjects(std::vector<Waitable*>(objects), waitAll, timeoutMs);
}

uint32_t WaitForSingleObject(Waitable& object, uint32_t timeoutMs) {
  return WaitForMultipleObjects({&object}, false, timeoutMs);
}

}  // namespace platform
