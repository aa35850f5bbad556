// Runs files through the upload queue and engine without windows: it is the
// queue's view and drop-window link, printing what they are told, and the
// window of the engine's messages, which it hands to the queue.
//
// Threads: everything here runs on the thread that runs the message loop
// (the user-interface thread); the upload jobs run on the upload pool.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "pipeline/FileBackupMgr.h"
#include "pipeline/MiscToolMgr.h"
#include "platform/MessageQueue.h"
#include "store/CWriteDbMgr.h"
#include "upload/DropWindowLink.h"
#include "upload/UploadQueue.h"
#include "upload/UploadQueueView.h"

class UploadRunner : public platform::MessageHandler,
                     public UploadQueueView,
                     public DropWindowLink {
 public:
  UploadRunner(FILE* out, bool quiet);
  ~UploadRunner() override;

  // Digests the file and queues it for the remote folder pid.
  bool AddFile(const std::string& path, int64_t pid);
  // Uploads the queued files, in the order added, until none is left.
  // Returns the number of files that did not end Done or Instant.
  int Run();

  platform::LRESULT HandleMessage(platform::UINT msg, platform::WPARAM w,
                                  platform::LPARAM l) override;
  // Also the process's notification target (unreachable-service counts).
  platform::HWND Window() const { return m_window; }

  // UploadQueueView
  void TaskAdded(const UploadTask&) override {}
  void TaskRemoved(const UploadTask&) override {}
  void ProgressChanged(const UploadTask& task, const std::string& text, int percent) override;
  void StatusChanged(const UploadTask&, const std::string&) override {}
  void ButtonsChanged(const Buttons&) override {}
  void CountLabelChanged(const std::string&) override {}
  void ListsCleared() override {}
  void FailureDisplayCleared() override {}

  // DropWindowLink
  void diskFull() override;
  void ShowStatusText(const std::string&) override {}
  void SendCode(int32_t) override {}
  bool hasFailures() const override { return false; }
  void SetFinishedNormally(bool) override {}

 private:
  void PrintEnd(const std::string& name, const msg::UploadEndRecord& end,
                const msg::TaskStateRecord& state);

  FILE* m_out;
  bool m_quiet;
  platform::HWND m_window = nullptr;
  std::vector<BackupFileRecord> m_files;  // in the order added
  FileBackupMgr m_store;
  CWriteDbMgr m_writer;   // no pool: history rows are kept, not written
  MiscToolMgr m_deleter;  // never started: a tool run deletes nothing
  std::unique_ptr<UploadQueue> m_queue;
  int m_failed = 0;
  int m_networkFailures = 0;
};
