// Turns SIGINT and SIGTERM into the quit message, so an interrupted kvup
// shuts down in order. Block() must run on the main thread before any other
// thread starts; the signals are then read from a signalfd by an owned thread.
#pragma once

#include <memory>

#include "platform/Event.h"
#include "platform/Thread.h"

class SignalWatcher {
 public:
  // Blocks SIGINT and SIGTERM for the calling thread and every thread it starts.
  static void Block();

  SignalWatcher();
  ~SignalWatcher();  // stops and joins the thread
  SignalWatcher(const SignalWatcher&) = delete;
  SignalWatcher& operator=(const SignalWatcher&) = delete;

  bool Start();
  // Set once a signal arrived (start-up gates can wait on it).
  platform::Event& Signalled() { return signalled_; }

 private:
  void Watch();  // on the watcher thread

  int signalFd_ = -1;
  platform::Event stop_{true, false};
  platform::Event signalled_{true, false};
  std::unique_ptr<platform::Thread> thread_;
};
