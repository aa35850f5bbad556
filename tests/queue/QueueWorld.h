// A world for the upload queue: the stand-in service with the session s1 of
// account alice, the process options holding that session, a temporary data
// folder with the txlog and log databases, the real upload pool, database
// writer, backup file store and maintenance worker, a view and a drop-window
// link that record what the queue tells them, and two windows on the test
// thread: the queue's (engine messages) and the drop window's (counted).
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "common/HttpCall.h"
#include "common/MessageCounter.h"
#include "common/MessagePump.h"
#include "common/StandInService.h"
#include "common/TempDir.h"
#include "pipeline/FileBackupMgr.h"
#include "pipeline/MiscToolMgr.h"
#include "platform/MessageQueue.h"
#include "sqlite/DBWrapper.h"
#include "store/CWriteDbMgr.h"
#include "upload/DropWindowLink.h"
#include "upload/UploadQueue.h"
#include "upload/UploadQueueView.h"

namespace queuetest {

using kvtest::PumpUntil;

class RecordingView : public UploadQueueView {
 public:
  void TaskAdded(const UploadTask& task) override { added.push_back(task.name); }
  void TaskRemoved(const UploadTask& task) override { removed.push_back(task.name); }
  void ProgressChanged(const UploadTask& task, const std::string& text, int) override {
    progress[task.taskIndex] = text;
  }
  void StatusChanged(const UploadTask& task, const std::string& text) override {
    status[task.taskIndex] = text;
  }
  void ButtonsChanged(const Buttons& b) override { buttons = b; }
  void CountLabelChanged(const std::string& text) override { countLabel = text; }
  void ListsCleared() override { ++cleared; }
  void FailureDisplayCleared() override {}

  std::vector<std::string> added;
  std::vector<std::string> removed;
  std::map<int32_t, std::string> progress;
  std::map<int32_t, std::string> status;
  Buttons buttons;
  std::string countLabel;
  int cleared = 0;
};

class RecordingLink : public DropWindowLink {
 public:
  void diskFull() override { ++diskFullCalls; }
  void ShowStatusText(const std::string& text) override { statusText = text; }
  void SendCode(int32_t code) override { codes.push_back(code); }
  bool hasFailures() const override { return failuresShown; }
  void SetFinishedNormally(bool finished) override { finishedNormally = finished; }

  int diskFullCalls = 0;
  std::string statusText;
  std::vector<int32_t> codes;
  bool failuresShown = false;
  bool finishedNormally = true;
};

// Counts what reaches the drop window.
using DropWindowLog = kvtest::MessageCounter;

// The queue's window: routes the engine's messages to the queue.
class QueueWindow : public platform::MessageHandler {
 public:
  platform::LRESULT HandleMessage(platform::UINT msg, platform::WPARAM w,
                                  platform::LPARAM l) override {
    platform::LRESULT result = 0;
    if (!queue) return 0;
    queue->HandleMessage(msg, w, l, &result);
    if (msg == msg::WM_UPLOAD_DONE) activeAfterEnd.push_back(queue->ActiveCount());
    return result;
  }
  UploadQueue* queue = nullptr;
  std::vector<int32_t> activeAfterEnd;  // the active count after each end
};

class QueueWorld : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Starts the service with these extra options, then the queue's services.
  void Start(std::vector<std::string> serviceOptions = {});
  // A local file of that many pseudo-random bytes (seeded by the name).
  std::string MakeFile(const std::string& name, size_t size);
  // Queues the file in the store for folder pid, as the comparison does.
  void QueueFile(const std::string& path, int64_t pid, int64_t fid = 0);

  kvtest::HttpCall Http() const { return kvtest::HttpCall(service_->BaseUrl()); }
  int64_t RootId() const;
  // A complete file of that content in the root; its id.
  int64_t UploadDirectly(const std::string& name, const std::string& content) const;
  // The entry of alice with that id; null when none.
  Json::Value Entry(int64_t id) const;
  void AddFault(const std::string& rule) const;
  void ClearFaults() const;
  std::vector<DBWrapper::Row> Rows(dbschema::Database db, const std::string& query) const;
  int Drained() { return dropLog_.counts[msg::WM_UPLOADS_DRAINED]; }

  kvtest::TempDir dir_;
  std::unique_ptr<kvtest::StandInService> service_;
  FileBackupMgr store_;
  CWriteDbMgr writer_;
  std::unique_ptr<MiscToolMgr> deleter_;
  RecordingView view_;
  RecordingLink link_;
  DropWindowLog dropLog_;
  QueueWindow queueWindow_;
  platform::HWND dropWindow_ = nullptr;
  platform::HWND notifyWindow_ = nullptr;
  std::unique_ptr<UploadQueue> queue_;
  int32_t savedRetries_ = 0;
};

}  // namespace queuetest
