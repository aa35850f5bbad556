// Going offline and online, the full remote disk, the desktop client's
// events and the close sequence.
#include <chrono>
#include <functional>
#include <thread>

#include "log/KvLog.h"
#include "pipeline/CompareFileMgr.h"
#include "pipeline/ComputeShaMgr.h"
#include "pipeline/FileBackupMgr.h"
#include "pipeline/MiscToolMgr.h"
#include "pipeline/TravelDirMgr.h"
#include "platform/HandlerTiming.h"
#include "session/COptions.h"
#include "store/CWriteDbMgr.h"
#include "upload/CUpldThreadMgr.h"
#include "upload/DropPipeline.h"
#include "upload/DropPipelineView.h"
#include "upload/UploadQueue.h"

namespace {

const char* const kLog = "DndUiDlg";
constexpr uint32_t kWorkersNoticeMs = 1000;
constexpr uint32_t kWorkersEndMs = 3000;

// Waits until done() holds, at most boundMs: workers are given the time to
// notice their flags, but no longer than they need.
void WaitBounded(uint32_t boundMs, const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(boundMs);
  while (!done() && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

}  // namespace

void DropPipeline::goOffline() {
  if (State() == WorkState::kOffline) return;
  platform::HandlerTiming::Instance().Pause();  // the offline sequence is timed apart
  SetState(WorkState::kOffline);
  RecordTxStatus();
  m_view.ShowStatusText("离线");
  QuitUploadTasks();
  std::this_thread::yield();
  m_services.uploads->pauseToggle();
  std::this_thread::yield();
  PauseWorkers();
  // The uploads too: StopAllTasks below frees the contexts their jobs use.
  WaitBounded(kWorkersNoticeMs, [this] {
    return m_services.digests->WaitJobsDone(0) && m_services.walks->WaitJobsDone(0) &&
           m_services.uploads->WaitJobsDone(0);
  });
  m_queue.saveUndoFiles();
  m_view.ClearToolTipItems();
  std::this_thread::yield();
  m_services.store->saveDropList();
  m_services.store->clearAll();
  m_queue.StopAllTasks();
  SendCode(kCodeStopped);
  FlushWriter();
  platform::HandlerTiming::Instance().Resume();
}

void DropPipeline::startOffline() {
  if (State() == WorkState::kOffline) return;
  SetState(WorkState::kOffline);
  m_view.ShowStatusText("离线");
  m_services.uploads->pauseToggle();
  PauseWorkers();
}

void DropPipeline::OnClientLogin() {
  if (State() != WorkState::kOffline) return;
  SetState(WorkState::kReady);
  goOnline();
}

void DropPipeline::goOnline() {
  m_queue.ClearTasksQuit();
  m_view.ShowStatusText("拖拽上传");
  FileBackupMgr& store = *m_services.store;
  store.clearAll();
  m_services.compare->SetPaused(false);
  m_services.maintenance->SetPaused(false);
  m_services.digests->pauseToggle();
  m_services.walks->pauseToggle();
  m_services.uploads->pauseToggle();
  COptions& options = *m_services.options;
  if (!options.FindUser()) options.AddUser();
  resumeSavedWork();
}

void DropPipeline::resumeSavedWork() {
  FileBackupMgr& store = *m_services.store;
  // Rows saved by a log-out just before are read back, not missed.
  m_services.writer->SyncTxlog(CWriteDbMgr::kDropCommitWaitMs);
  store.loadResumeState();
  SetState(WorkState::kReady);
  if (store.PendingDigestCount() > 0) {
    SetState(WorkState::kResumeList);
    startDigestJobs();
  }
  KV_INFO("KVUP", "KVUP resume: %d uploads, %d files to digest, last state %d",
          static_cast<int>(store.UploadQueueCount()), static_cast<int>(store.PendingDigestCount()),
          StateNumber(m_services.options->m_lastTxStatus.load()));
  m_savedDropsWaiting = store.UploadQueueCount() > 0;
  if (m_savedDropsWaiting)
    ResumeUploads();
  else
    RestoreSavedDrops();
}

void DropPipeline::ResumeUploads() {
  COptions& options = *m_services.options;
  m_queue.upldNewFiles();
  setMainButtons(true);
  if (options.m_lastTxStatus.load() == BusyState::kPaused) {
    SetState(WorkState::kResumeList);
    options.m_lastTxStatus = BusyState::kNothingRecorded;
    m_queue.OnButtonUpPause();
  } else {
    options.m_busy = BusyState::kRunning;
    SetState(WorkState::kResumeList);
    SendCode(kCodeStarted);
  }
}

// Told from inside the queue's end of a task, which going offline would free:
// the next turn of the loop stops everything as going offline does (the work
// saved, the client told the batch stopped), so that the log-in after the
// user made room resumes it.
void DropPipeline::diskFull() {
  if (State() != WorkState::kOffline) m_view.StartTimer(kTimerDiskFull, 10);
}

void DropPipeline::OnDiskFullTimer() {
  m_view.StopTimer(kTimerDiskFull);
  if (State() == WorkState::kOffline) return;
  goOffline();
  m_view.ShowStatusText("fodra已满");
}

void DropPipeline::startUploads() {
  m_queue.resumeTasks();
  if (m_queue.ActiveCount() > 0) {
    setMainButtons(true);
    m_services.options->m_busy = BusyState::kRunning;
  }
}

void DropPipeline::hidden() {
  SendCode(kCodeHidden);
}

platform::LRESULT DropPipeline::OnClientMsgCome() {
  const PeerEvent event = m_services.options->m_peerEvent.exchange(PeerEvent::kNone);
  KV_TRACE(kLog, "CDndUiDlg::OnClientMsgCome: %d", StateNumber(event));
  if (event == PeerEvent::kQuit) {
    if (m_services.clearPeerReady) m_services.clearPeerReady();
    closeSequence();
    m_view.Quit();
  }
  return 1;
}

bool DropPipeline::closeSequence() {
  KV_DEBUG(kLog, "CDndUiDlg::OnClose");
  if (m_closing) return false;
  platform::HandlerTiming::Instance().Pause();  // the close sequence is not a user's wait
  m_closing = true;
  m_view.HideWindows();
  RecordTxStatus();
  QuitUploadTasks();
  std::this_thread::yield();
  m_services.writer->m_closing = 1;
  m_services.digests->Stop();
  m_services.walks->Stop();
  m_services.compare->RequestStop();
  m_services.maintenance->RequestStop();
  QuitUploadTasks();
  m_services.uploads->WaitJobsDone(kWorkersNoticeMs);
  std::this_thread::yield();
  m_services.uploads->Stop();
  WaitBounded(kWorkersEndMs, [this] {
    return m_services.compare->LiveWorkers() == 0 && m_services.maintenance->LiveWorkers() == 0;
  });
  std::this_thread::yield();
  m_queue.saveUndoFiles();
  m_queue.StopAllTasks();
  std::this_thread::yield();
  m_view.CloseManagerWindow();
  m_services.store->saveDropList();
  return true;
}

// ---- shared steps ----

void DropPipeline::RecordTxStatus() {
  m_services.writer->AddTxStatus(StateNumber(Busy()));
}

void DropPipeline::QuitUploadTasks() {
  if (m_queue.ActiveCount() > 0) m_queue.quitTasks();
}

// The comparison and maintenance workers pause (waiting deletions dropped),
// the digest and walk pools stop taking and running jobs.
void DropPipeline::PauseWorkers() {
  m_services.compare->SetPaused(true);
  m_services.maintenance->SetPaused(true);
  m_services.maintenance->clearDeleteFiles();
  m_services.digests->pauseToggle();
  m_services.walks->pauseToggle();
}

void DropPipeline::FlushWriter() {
  m_services.writer->FlushConfig();
  m_services.writer->FlushTxlog();
  m_services.writer->FlushLog();
}
