// UploadQueue: the display states of the window (buttons, count label, the
// drop window's text and the client's code).
#include <string>

#include "pipeline/FileBackupMgr.h"
#include "session/COptions.h"
#include "upload/DropWindowLink.h"
#include "upload/UploadQueue.h"
#include "upload/UploadQueueView.h"

namespace {

constexpr const char* kPlayGrey = "file='play_g.png' dest='0,7,16,23'";
constexpr const char* kPlayNormal = "file='play_n.png' dest='0,7,16,23'";
constexpr const char* kPauseGrey = "file='pause_g.png' dest='0,7,16,23'";
constexpr const char* kPauseNormal = "file='pause_n.png' dest='0,7,16,23'";
constexpr int32_t kCodeRunning = 2;
constexpr int32_t kCodePaused = 6;

}  // namespace

void UploadQueue::ShowButtons(bool startEnabled, bool pauseEnabled) {
  UploadQueueView::Buttons buttons;
  buttons.startEnabled = startEnabled;
  buttons.startIcon = startEnabled ? kPlayNormal : kPlayGrey;
  buttons.pauseEnabled = pauseEnabled;
  buttons.pauseIcon = pauseEnabled ? kPauseNormal : kPauseGrey;
  m_view.ButtonsChanged(buttons);
}

void UploadQueue::showRunningState() {
  m_paused = false;
  ShowButtons(false, true);
  m_services.options->m_busy = BusyState::kRunning;
  m_link.SendCode(kCodeRunning);
}

void UploadQueue::showPausedState() {
  m_paused = true;
  ShowButtons(true, false);
  m_services.options->m_busy = BusyState::kPaused;
  m_link.ShowStatusText("暂停");
  m_link.SendCode(kCodePaused);
}

void UploadQueue::showIdleState() {
  m_paused = false;
  ShowButtons(false, false);
  m_services.options->m_busy = BusyState::kIdle;
  m_link.ShowStatusText("拖拽上传");
  clearCountLabel();
}

void UploadQueue::showRemainingCount() {
  const int32_t n = m_services.store->RemainingFiles();
  if (n >= 1) {
    SetCountLabel("    剩余文件数: " + std::to_string(n));
  } else if (!m_countLabelEmpty) {
    clearCountLabel();
  }
}

void UploadQueue::showFailedCount() {
  const size_t f = m_permanentFailures.size();
  if (f > 0)
    SetCountLabel("    失败文件数: " + std::to_string(f));
  else
    clearCountLabel();
}

void UploadQueue::showRetryingLabel() {
  SetCountLabel("    重传失败的文件");
}

void UploadQueue::clearCountLabel() {
  m_view.CountLabelChanged(std::string());
  m_countLabelEmpty = true;
}

void UploadQueue::SetCountLabel(const std::string& text) {
  m_view.CountLabelChanged(text);
  m_countLabelEmpty = false;
}

void UploadQueue::clearFailureDisplay() {
  m_view.FailureDisplayCleared();
}
