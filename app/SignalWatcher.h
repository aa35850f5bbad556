// Turns SIGINT and SIGTERM into the quit message, or, once the drop window
// exists, into the client's quit for it (its close sequence saves the
// unfinished work first), so an interrupted kvup shuts down in order. Block() must run on the main
// thread before any other thread starts; the signals are then read from a signalfd by an owned
// thread.
#pragma once

#include <atomic>
#include <memory>

#include "platform/Event.h"
#include "platform/Thread.h"
#include "platform/WindowMessage.h"

class SignalWatcher {
 public:
  // Blocks SIGINT and SIGTERM for the calling thread and every thread it starts.
  static void Block();

  SignalWatcher();
  ~SignalWatcher();  // stops and joins the thread
  SignalWatcher(const SignalWatcher&) = delete;
  SignalWatcher& operator=(const SignalWatcher&) = delete;

  bool Start();
  // The drop window, which then takes the quit; nullptr: the quit message.
  void SetQuitWindow(platform::HWND window) { quitWindow_.store(window); }
  // Set once a signal arrived (start-up gates can wait on it).
  platform::Event& Signalled() { return signalled_; }

 private:
  void Watch();  // on the watcher thread

  int signalFd_ = -1;
  platform::Event stop_{true, false};
  platform::Event signalled_{true, false};
  std::atomic<platform::HWND> quitWindow_{nullptr};
  std::unique_ptr<platform::Thread> thread_;
};
