// A thread that is created held at a start gate, as a suspended thread is:
// its kernel id is known at once, its body runs only after Start(). The owner
// joins it; the destructor joins too, and a thread never started is let go
// without running its body. No exception escapes the body.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

namespace platform {

// The calling thread's kernel id (gettid), as logged.
uint32_t CurrentThreadId();

class Thread {
 public:
  explicit Thread(std::function<void()> body);
  ~Thread();
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;

  // Releases the gate. False if the thread could not be created or was
  // already started or joined.
  bool Start();
  // Waits for the body to end. Never blocks on a thread that was not started:
  // such a thread ends without running its body.
  void Join();
  bool Joinable() const;
  // Kernel id of the thread; 0 if it could not be created.
  uint32_t Id() const { return tid_; }

 private:
  enum class Gate { kHeld, kStarted, kCancelled };
  void Run();              // on the new thread
  bool OpenGate(Gate to);  // false if the gate was open already

  std::function<void()> body_;
  mutable std::mutex mutex_;
  std::condition_variable cv_;
  Gate gate_ = Gate::kHeld;         // GUARDED_BY(mutex_)
  bool tidKnown_ = false;           // GUARDED_BY(mutex_)
  uint32_t tid_ = 0;                // written once, before the constructor returns
  std::thread thread_;              // touched by the owner's thread only
  std::atomic<bool> ended_{false};  // set when Run returns
};

}  // namespace platform
