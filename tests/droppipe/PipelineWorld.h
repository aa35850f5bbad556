// A world for the drop pipeline: the stand-in service with the session s1 of
// account alice, the process options holding it, a temporary data folder
// with the three databases, the real store, database writer, digest and
// walk pools, comparison and maintenance workers and upload pool, and the
// pipeline with the real upload queue on one window of the test thread.
// The views record what they are told; timers are fired by the tests.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "common/HttpCall.h"
#include "common/MessagePump.h"
#include "common/StandInService.h"
#include "common/TempDir.h"
#include "pipeline/CompareFileMgr.h"
#include "pipeline/ComputeShaMgr.h"
#include "pipeline/FileBackupMgr.h"
#include "pipeline/MiscToolMgr.h"
#include "pipeline/TravelDirMgr.h"
#include "sqlite/DBWrapper.h"
#include "store/CWriteDbMgr.h"
#include "upload/DropPipelineView.h"
#include "upload/PipelineHub.h"
#include "upload/UploadQueueView.h"

namespace pipetest {

using kvtest::PumpUntil;
using kvtest::ReadAll;

class RecordingPipelineView : public DropPipelineView {
 public:
  void ShowStatusText(const std::string& text) override { statusTexts.push_back(text); }
  void ShowStatusToolTip(const std::string& text, int32_t width) override {
    toolTip = text;
    toolTipWidth = width;
  }
  void SetMainButtons(bool running) override { buttonsRunning = running; }
  void StartTimer(int32_t id, uint32_t periodMs) override {
    timers[id] = periodMs;
    timerStarts[id].push_back(periodMs);
    startedAt[id] = std::chrono::steady_clock::now();
  }
  void StopTimer(int32_t id) override { timers.erase(id); }
  void ShowFailedItems() override { ++failedItemsShown; }
  void ClearToolTipItems() override { ++toolTipCleared; }
  void HideWindows() override { ++hidden; }
  void CloseManagerWindow() override { ++managerClosed; }
  void Quit() override { ++quit; }

  bool TimerRunning(int32_t id) const { return timers.count(id) > 0; }
  std::string LastStatus() const { return statusTexts.empty() ? "" : statusTexts.back(); }

  std::vector<std::string> statusTexts;
  std::string toolTip;
  int32_t toolTipWidth = 0;
  bool buttonsRunning = false;
  std::map<int32_t, uint32_t> timers;  // running ones
  std::map<int32_t, std::vector<uint32_t>> timerStarts;
  std::map<int32_t, std::chrono::steady_clock::time_point> startedAt;
  int failedItemsShown = 0;
  int toolTipCleared = 0;
  int hidden = 0;
  int managerClosed = 0;
  int quit = 0;
};

class QuietQueueView : public UploadQueueView {
 public:
  void TaskAdded(const UploadTask&) override { ++added; }
  void TaskRemoved(const UploadTask&) override {}
  void ProgressChanged(const UploadTask&, const std::string&, int) override {}
  void StatusChanged(const UploadTask&, const std::string&) override {}
  void ButtonsChanged(const Buttons&) override {}
  void CountLabelChanged(const std::string& text) override { countLabel = text; }
  void ListsCleared() override {}
  void FailureDisplayCleared() override {}
  int added = 0;
  std::string countLabel;
};

// The hub, watched: what reached it, and the digest feed after each result.
class ObservedHub : public PipelineHub {
 public:
  using PipelineHub::PipelineHub;
  platform::LRESULT HandleMessage(platform::UINT msg, platform::WPARAM w,
                                  platform::LPARAM l) override;

  struct Feed {
    int32_t running = 0;
    size_t pending = 0;
    bool operator==(const Feed&) const = default;
  };
  FileBackupMgr* store = nullptr;
  int delivered = 0;
  std::vector<Feed> feedAfterResult;
};

// A remote entry of alice with its path below the backup root.
struct RemoteEntry {
  int64_t id = 0;
  int type = 0;  // 2 folder, 1 file
  int status = 0;
  std::string content;  // path of the complete content
};

class PipelineWorld : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Starts the service with these extra options, then every manager.
  void Start(std::vector<std::string> serviceOptions = {});
  DropPipeline& Pipeline() { return hub_->Pipeline(); }
  UploadQueue& Queue() { return hub_->Queue(); }
  // Delivers messages until none arrived for quietMs; false when they still
  // came after 60 s.
  [[nodiscard]] bool PumpQuiet(int quietMs);
  // Until the batch ended with a code (any of 3, 5, 6, 8) or a retry waits.
  bool PumpUntilCode(int32_t code);
  // Fires the retry timer once it runs; false when it does not start.
  bool FireRetry();
  // Until done() holds, firing each retry pass once it has waited 300 ms (the
  // window's timer waits seconds; the service may still finish a request cut
  // before).
  bool PumpUntilRetrying(const std::function<bool()>& done);

  std::string MakeFile(const std::string& name, size_t size);
  // alice's entries by path below the root ("a/b.txt").
  std::map<std::string, RemoteEntry> RemoteTree() const;
  void AddFault(const std::string& rule) const;
  void ClearFaults() const;
  // How many requests a counting rule "ENDPOINT:delay=1:times=0" saw.
  int64_t Seen(const std::string& rule) const;
  std::vector<DBWrapper::Row> Rows(dbschema::Database db, const std::string& query) const;
  kvtest::HttpCall Http() const { return kvtest::HttpCall(service_->BaseUrl()); }
  int CodeCount(int32_t code) const;

  kvtest::TempDir dir_;
  std::unique_ptr<kvtest::StandInService> service_;
  FileBackupMgr store_;
  CWriteDbMgr writer_;
  ComputeShaMgr digests_;
  std::unique_ptr<TravelDirMgr> walks_;
  std::unique_ptr<CompareFileMgr> compare_;
  std::unique_ptr<MiscToolMgr> maintenance_;
  RecordingPipelineView view_;
  QuietQueueView queueView_;
  std::unique_ptr<ObservedHub> hub_;
  std::vector<int32_t> codes_;
  int peerForgotten_ = 0;
  // The comparison's clock (seconds): tests move it past the refresh time.
  std::atomic<int64_t> now_{1000000};
  int32_t savedRetries_ = 0;
};

}  // namespace pipetest
