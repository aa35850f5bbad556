// The drop window's pipeline without its controls: it turns drops into walk
// and digest jobs (at most five digests outstanding), digest results into
// comparisons, comparison findings into uploads of the UploadQueue, the end
// of a batch into automatic retry passes (5, 10, 15, 20, 25 s) and a
// notification code for the desktop client; it decides when request
// failures take kvup offline, runs goOffline, goOnline, diskFull and the
// close sequence. The drop window (and the headless sync tool) forward
// their messages and timers here and render it through DropPipelineView; it
// is the UploadQueue's DropWindowLink.
//
// Threads: every operation runs on the user-interface thread. Workers reach
// it only through the messages posted to Window(), which the owner routes to
// HandleMessage. Records of those messages belong to the message queue,
// which frees them after the handler returned; handlers only borrow them.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/MessageQueue.h"
#include "session/Messages.h"
#include "session/StateWords.h"
#include "upload/DropWindowLink.h"

class COptions;
class CompareFileMgr;
class ComputeShaMgr;
class CUpldThreadMgr;
class CWriteDbMgr;
class DropPipelineView;
class FileBackupMgr;
class MiscToolMgr;
class TravelDirMgr;
class UploadQueue;

class DropPipeline : public DropWindowLink {
 public:
  static constexpr int32_t kMaxDigestJobs = 5;
  static constexpr int32_t kMaxRetryPasses = 5;
  static constexpr uint32_t kRetryStepMs = 5000;  // pass n waits n times this
  static constexpr int32_t kOfflineErrorCount = 50;
  static constexpr double kOfflineFailureShare = 0.2;

  // Timers the pipeline asks its view for (the tool-tip's 1008 is the
  // window's own).
  static constexpr int32_t kTimerToolTip = 1008;
  static constexpr int32_t kTimerErrorWindow = 1009;
  static constexpr uint32_t kErrorWindowMs = 5000;
  static constexpr int32_t kTimerRetry = 1011;
  static constexpr int32_t kTimerDiskFull = 1012;

  // Notification codes to the desktop client.
  static constexpr int32_t kCodeStarted = 2;
  static constexpr int32_t kCodeFinished = 3;
  static constexpr int32_t kCodeHidden = 4;
  static constexpr int32_t kCodeNothingToUpload = 5;
  static constexpr int32_t kCodeStopped = 6;
  static constexpr int32_t kCodeFailures = 8;

  // The process's services; tests and tools give their own instances.
  struct Services {
    COptions* options = nullptr;
    FileBackupMgr* store = nullptr;
    CWriteDbMgr* writer = nullptr;
    ComputeShaMgr* digests = nullptr;
    TravelDirMgr* walks = nullptr;
    CompareFileMgr* compare = nullptr;
    MiscToolMgr* maintenance = nullptr;
    CUpldThreadMgr* uploads = nullptr;
    // The desktop client: a notification code (sent only once it greeted),
    // and forgetting its greeting when it quits. Empty: nothing is sent.
    std::function<void(int32_t)> sendStatus;
    std::function<void()> clearPeerReady;
    static Services Process();  // the singletons and ClientInterfaceMgr
  };

  // queue: the upload manager window's queue, whose link this becomes
  // (the owner points the queue's DropWindowLink here).
  DropPipeline(DropPipelineView& view, UploadQueue& queue, Services services = Services::Process());
  ~DropPipeline() override;
  DropPipeline(const DropPipeline&) = delete;
  DropPipeline& operator=(const DropPipeline&) = delete;

  // The window whose messages reach HandleMessage: digest and walk jobs
  // post to it. nullptr (default): the process's target, COptions::m_dropWnd.
  void SetWindow(platform::HWND window) { m_window = window; }
  platform::HWND Window() const { return m_window; }

  // Routes 0x857, 0x858, 0x85a, 0x85b, 0x85d, 0x85f, 0x860, 0x863, 0x864,
  // 0x865 and 0x868; false for any other message (result untouched).
  bool HandleMessage(platform::UINT message, platform::WPARAM w, platform::LPARAM l,
                     platform::LRESULT* result);
  // A timer of the view expired: 1009 and 1011 are handled (true).
  bool OnTimer(int32_t id);

  // The drop handler (WM_DROPFILES and 0x868): ignored while offline.
  void OnDrop(const std::vector<std::string>& paths);
  void dispatchNewDrops();
  void dispatchSavedDrops();
  void startDigestJobs();
  void invokeToCalcSha(const std::string& path);

  // Message handlers; records are borrowed.
  // result null: a digest that failed or was refused.
  platform::LRESULT OnCalcShaFinish(const msg::CalcShaResult* result);
  platform::LRESULT OnBackupNotify();
  void OnUploadsDrained();  // 0x85b, end of a batch
  void OnCompareDone();     // 0x865, end of a comparison
  void OnNetworkFailed();   // 0x858, the error window
  platform::LRESULT showSpeed();
  platform::LRESULT OnClientMsgCome();
  void OnClientLogin();  // 0x857 and the menu's "m_resume"

  void goOffline();
  // Offline from the start (the service did not answer in time): the state,
  // the text and the paused workers of goOffline, but nothing to save, no
  // run state recorded and no code sent; goOnline undoes it.
  void startOffline();
  void goOnline();
  // The previous run's work: the files to digest again, then the resume list
  // (back paused when it ended paused, else running with code 2) or, with no
  // upload to resume, the dropped folders walked again. Start-up and goOnline.
  void resumeSavedWork();
  void setMainButtons(bool running);
  // The menu's "m_start".
  void startUploads();
  // The menu's "m_hide": the window hides itself, the client gets code 4.
  void hidden();

  // The close sequence (WM_CLOSE, "m_exit", the client's quit). false when a
  // close already ran (the second WM_CLOSE is swallowed by the caller).
  bool closeSequence();

  // DropWindowLink (the upload queue's calls).
  void diskFull() override;
  void ShowStatusText(const std::string& text) override;
  void SendCode(int32_t code) override;
  bool hasFailures() const override { return m_hasFailures; }
  void SetFinishedNormally(bool finished) override { m_finishedNormally = finished; }

  // The speed text of showSpeed for a speed in bytes per second.
  static std::string SpeedText(int32_t bytesPerSecond);

  // Queries (tests, the tool, the window's hover and menu).
  int32_t RunningDigestJobs() const { return m_runningDigestJobs; }
  int32_t RetryPasses() const { return m_retryPasses; }
  int32_t ErrorCount() const { return m_errorCount; }
  bool FinishedNormally() const { return m_finishedNormally; }
  bool Closing() const { return m_closing; }
  const Services& services() const { return m_services; }

 private:
  platform::LRESULT OnDropRecord(const msg::DropPathsRecord* record);
  void DispatchPath(const std::string& path);
  void StartResumedUploads();
  // The store's saved drops, dispatched when there are any.
  bool RestoreSavedDrops();
  // The batch ended: its drops are done, in memory and on disk.
  void EndDropList();
  // A retry pass of the batch failures, unless the passes are used up.
  bool StartRetryPass();
  void RetryOrEndBatch();
  void ReportBatchEnd();
  void OnRetryTimer();
  void OnDiskFullTimer();
  void DecideErrorWindow();
  void ResumeUploads();
  void RecordTxStatus();
  void QuitUploadTasks();
  void PauseWorkers();
  void FlushWriter();
  WorkState State() const;
  void SetState(WorkState state);
  BusyState Busy() const;

  DropPipelineView& m_view;
  UploadQueue& m_queue;
  Services m_services;
  platform::HWND m_window = nullptr;

  int32_t m_runningDigestJobs = 0;
  int32_t m_retryPasses = 0;
  int32_t m_errorCount = 0;
  int32_t m_errorSnapshot = 0;
  bool m_hasFailures = false;
  bool m_finishedNormally = true;
  bool m_closing = false;
  // Uploads of the previous run resume first; its drops wait in drag_dir.
  bool m_savedDropsWaiting = false;
};
