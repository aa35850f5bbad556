// Kernel-style synchronisation objects: events (auto and manual reset),
// semaphores, and one wait over several of them. All objects share one
// process-wide lock, so a multi-object wait checks and consumes atomically:
// the first signalled object in argument order wins, and an auto-reset event
// or a semaphore count is consumed by exactly one waiter.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace platform {

constexpr uint32_t kInfinite = 0xFFFFFFFFu;
constexpr uint32_t kWaitObject0 = 0;
constexpr uint32_t kWaitTimeout = 258;
constexpr uint32_t kWaitFailed = 0xFFFFFFFFu;

struct WaitNode;

class Waitable {
 public:
  Waitable() = default;
  virtual ~Waitable();
  Waitable(const Waitable&) = delete;
  Waitable& operator=(const Waitable&) = delete;

 protected:
  friend uint32_t WaitForMultipleObjects(const std::vector<Waitable*>&, bool, uint32_t);
  // REQUIRES: the wait lock is held.
  virtual bool IsSignalled() const = 0;
  virtual void Consume() = 0;
  void WakeWaiters();  // REQUIRES: the wait lock is held.

 private:
  friend struct WaitNode;
  std::vector<WaitNode*> waiters_;
};

class Event : public Waitable {
 public:
  Event(bool manualReset, bool initialState);
  ~Event() override;

  void Set();
  void Reset();
  bool IsSet() const;

  // A descriptor that polls readable while the event is signalled, for poll()
  // loops; created on first use. Consuming the event still needs a wait.
  int Fd();

 protected:
  bool IsSignalled() const override;
  void Consume() override;

 private:
  void SyncFd();  // REQUIRES: the wait lock is held.
  const bool manual_;
  bool signalled_;
  int fd_ = -1;
  bool fdReadable_ = false;
};

class Semaphore : public Waitable {
 public:
  // A maximum below 1 is taken as 1 and the initial count is clamped into
  // [0, maximum]; either sets the last error to kErrorInvalidParameter.
  Semaphore(long initialCount, long maximumCount);

  // Adds count; fails (returns false, nothing added) when the maximum would be
  // exceeded or count is not positive. previous receives the old count.
  bool Release(long count = 1, long* previous = nullptr);
  long Count() const;

 protected:
  bool IsSignalled() const override;
  void Consume() override;

 private:
  const long maximum_;
  long count_;
};

// Waits until one (waitAll false) or all (waitAll true) objects are signalled,
// or timeoutMs passes. Returns kWaitObject0 + index of the first signalled
// object in argument order (0 for waitAll), kWaitTimeout, or kWaitFailed for
// an empty list, a null object or an object listed twice. A wait for all
// consumes nothing until every object is signalled at once.
uint32_t WaitForMultipleObjects(const std::vector<Waitable*>& objects, bool waitAll,
                                uint32_t timeoutMs);
uint32_t WaitForMultipleObjects(std::initializer_list<Waitable*> objects, bool waitAll,
                                uint32_t timeoutMs);
uint32_t WaitForSingleObject(Waitable& object, uint32_t timeoutMs);

}  // namespace platform
