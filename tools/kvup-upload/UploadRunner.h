// Runs files through the upload engine without windows: it plays the upload
// manager window's part, keeping at most three tasks started, receiving the
// engine's messages on the message loop and printing what they say.
//
// Threads: everything here runs on the thread that runs the message loop
// (the user-interface thread); the upload jobs run on the upload pool.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "platform/MessageQueue.h"
#include "upload/CUploadParam.h"
#include "upload/CUploaderMgr.h"

class UploadRunner : public platform::MessageHandler {
 public:
  static constexpr size_t kRunningTasks = 3;

  struct Task {
    CUploadParam param;
    std::unique_ptr<CUploaderMgr> controller;
    int32_t state = 0;
    std::string message;
    bool ended = false;
  };

  UploadRunner(FILE* out, bool quiet);
  ~UploadRunner() override;

  // Digests each file and adds it as a task below the remote folder pid.
  bool AddFile(const std::string& path, int64_t pid);
  // Starts the tasks and runs the message loop until every task ended.
  // Returns the number of tasks that did not end Done or Instant.
  int Run();

  platform::LRESULT HandleMessage(platform::UINT msg, platform::WPARAM w,
                                  platform::LPARAM l) override;
  const std::vector<Task>& Tasks() const { return m_tasks; }
  platform::HWND Window() const { return m_window; }

 private:
  Task* Find(int32_t taskIndex);
  void StartMore();
  void OnProgress(platform::WPARAM w);
  void OnEnd(platform::WPARAM w, platform::LPARAM l);

  FILE* m_out;
  bool m_quiet;
  platform::HWND m_window = nullptr;
  std::vector<Task> m_tasks;
  size_t m_nextToStart = 0;
  size_t m_running = 0;
  size_t m_ended = 0;
  int m_networkFailures = 0;
};
