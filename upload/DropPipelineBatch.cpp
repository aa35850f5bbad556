// The end of a batch and of a comparison, the automatic retry passes and the
// error window that takes kvup offline after repeated request failures.
#include "log/KvLog.h"
#include "pipeline/CompareFileMgr.h"
#include "pipeline/FileBackupMgr.h"
#include "pipeline/TravelDirMgr.h"
#include "session/COptions.h"
#include "store/CWriteDbMgr.h"
#include "upload/DropPipeline.h"
#include "upload/DropPipelineView.h"
#include "upload/UploadQueue.h"

void DropPipeline::OnUploadsDrained() {
  // Going offline quit the uploads and saved the drops: this late notice of
  // theirs must neither end the batch nor forget the drops.
  if (State() == WorkState::kOffline) return;
  FileBackupMgr& store = *m_services.store;
  if (store.RemainingFiles() > 0) {
    if (store.UploadQueueCount() > 0) m_queue.upldNewFiles();
    return;
  }
  if (StateNumber(State()) < StateNumber(WorkState::kLaterDrops) && RestoreSavedDrops()) return;
  if (m_runningDigestJobs > 0) return;
  EndDropList();
  SetState(WorkState::kReady);
  RetryOrEndBatch();
}

void DropPipeline::EndDropList() {
  m_services.store->clearDropList();
  // The rows stay while the saved drops of the previous run wait to be
  // walked, and while a walk or digest still runs: the comparison can catch
  // up with a walk that has more files to list.
  const bool idle = m_runningDigestJobs == 0 && m_services.store->PendingDigestCount() == 0 &&
                    m_services.walks->WaitJobsDone(0);
  if (idle && !m_savedDropsWaiting) m_services.writer->ForgetDragDirs();
}

bool DropPipeline::RestoreSavedDrops() {
  FileBackupMgr& store = *m_services.store;
  store.loadDropList();
  m_savedDropsWaiting = false;
  if (store.DropList().empty()) return false;
  store.loadRemoteFolder(0);
  dispatchSavedDrops();
  return true;
}

bool DropPipeline::StartRetryPass() {
  ++m_retryPasses;
  if (m_retryPasses > kMaxRetryPasses) return false;
  SetState(WorkState::kRetryPending);
  m_view.StartTimer(kTimerRetry, static_cast<uint32_t>(m_retryPasses) * kRetryStepMs);
  m_queue.showRetryingLabel();
  return true;
}

void DropPipeline::RetryOrEndBatch() {
  if (!m_queue.BatchFailures().empty()) {
    if (StartRetryPass()) return;
    m_queue.retireBatchFailures();
    m_retryPasses = 0;
    SetState(WorkState::kReady);
    m_queue.clearCountLabel();
  }
  if (m_queue.PermanentFailures().empty()) {
    m_hasFailures = false;
    m_queue.showRemainingCount();
  } else {
    m_queue.showFailedCount();
    m_view.ShowFailedItems();
    m_hasFailures = true;
  }
  m_services.store->forgetDragDirs();
  m_view.ShowStatusText("拖拽上传");
  m_services.options->m_busy = BusyState::kIdle;
  setMainButtons(false);
  ReportBatchEnd();
}

void DropPipeline::ReportBatchEnd() {
  if (m_hasFailures) {
    SendCode(kCodeFailures);
  } else if (m_finishedNormally) {
    SendCode(kCodeFinished);
    return;
  } else {
    SendCode(kCodeStopped);
  }
  m_finishedNormally = true;
}

void DropPipeline::OnRetryTimer() {
  m_view.StopTimer(kTimerRetry);
  if (State() != WorkState::kRetryPending) return;
  if (m_queue.restartFailedItems() > 0) m_services.compare->SignalWork();
}

void DropPipeline::OnCompareDone() {
  if (m_services.store->RemainingFiles() > 0 || State() == WorkState::kOffline) return;
  m_view.ShowStatusText("拖拽上传");
  const WorkState was = State();
  const BusyState busy = Busy();
  const bool inBatch = StateNumber(was) <= StateNumber(WorkState::kLaterUploads);
  if (busy == BusyState::kRunning && inBatch) {
    // Nothing remains, so the uploads that ran have ended; this holds for a
    // later drop too (saved drops restored after resumed uploads), which
    // would otherwise leave the batch running with nobody told of its end.
    if (m_queue.BatchFailures().empty() && m_queue.PermanentFailures().empty()) {
      m_queue.showIdleState();
      SendCode(kCodeFinished);
    } else {
      // Retried, or reported with code 8 once the passes are used up.
      RetryOrEndBatch();
    }
  } else if (busy == BusyState::kIdle && inBatch &&
             !(m_queue.PermanentFailures().empty() && m_queue.BatchFailures().empty())) {
    // Files refused before any upload (their folder could not be made).
    RetryOrEndBatch();
  } else if (busy == BusyState::kIdle) {
    if (StateNumber(was) < StateNumber(WorkState::kLaterDrops)) SendCode(kCodeFinished);
    if (was == WorkState::kLaterDrops) SendCode(kCodeNothingToUpload);
  }
  EndDropList();
  // A pending retry survives: only a new drop (a new batch) takes over, and
  // that batch's end retries the failures still listed.
  const bool retryPending = State() == WorkState::kRetryPending;
  const int32_t passes = m_retryPasses;
  SetState(retryPending ? WorkState::kRetryPending : WorkState::kReady);
  dispatchNewDrops();
  if (retryPending && State() == WorkState::kRetryPending) m_retryPasses = passes;
}

void DropPipeline::OnNetworkFailed() {
  if (State() == WorkState::kOffline) return;
  if (++m_errorCount != 1) return;
  m_errorSnapshot = m_services.store->RemainingFiles();
  m_view.StartTimer(kTimerErrorWindow, kErrorWindowMs);
}

void DropPipeline::DecideErrorWindow() {
  m_view.StopTimer(kTimerErrorWindow);
  const size_t failed = m_queue.BatchFailures().size();
  const bool tooManyErrors = m_errorCount >= kOfflineErrorCount;
  const bool tooManyFailures =
      m_errorSnapshot != 0 && failed != 0 &&
      static_cast<double>(failed) / static_cast<double>(m_errorSnapshot) > kOfflineFailureShare;
  KV_DEBUG("DndUiDlg", "error window: %d errors, %d failed of %d", m_errorCount,
           static_cast<int>(failed), m_errorSnapshot);
  if (tooManyErrors || tooManyFailures) goOffline();
  m_errorCount = 0;
}
