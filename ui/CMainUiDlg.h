// The upload manager window: the upload-list and history pages, the start,
// pause and close buttons and the count label. Its upload queue owns the
// behaviour; the window forwards the engine's messages (0x84f..0x852) and the
// user's clicks to it and renders what it reports (UploadQueueView). It is the
// only code that touches the window's controls. User-interface thread only.
#pragma once

#include <string>
#include <vector>

#include "duilib/WindowImplBase.h"
#include "ui/CPage1.h"
#include "ui/CPage2.h"
#include "ui/DropWindowRelay.h"
#include "upload/UploadQueue.h"
#include "upload/UploadQueueView.h"

class CMainUiDlg : public DuiLib::WindowImplBase, public UploadQueueView {
 public:
  explicit CMainUiDlg(UploadQueue::Services services = UploadQueue::Services::Process());
  // History page on the given log database (tests).
  CMainUiDlg(UploadQueue::Services services, const std::string& logDatabase);
  ~CMainUiDlg() override;

  std::string GetWindowClassName() const override { return "KvupManUi"; }
  DuiLib::LRESULT HandleMessage(DuiLib::UINT msg, DuiLib::WPARAM w, DuiLib::LPARAM l) override;
  void Notify(DuiLib::TNotifyUI& msg) override;
  void InitWindow() override;

  // The drop window: its operations and the target of 0x85b and 0x863.
  void SetDropWindow(DropWindowLink* link, DuiLib::HWND hwnd);
  // The drop window's tool-tip window, whose rows follow the upload list.
  void SetToolTipWindow(CToolTipUiDlg* toolTip) { m_page1.SetToolTip(toolTip); }
  UploadQueue& Queue() { return m_queue; }
  CPage1& Page1() { return m_page1; }
  CPage2& Page2() { return m_page2; }
  bool IsShown() const { return m_shown; }

  // Operations of the drop window, start-up and the menu.
  void upldNewFiles() { m_queue.upldNewFiles(); }
  void resumeTasks() { m_queue.resumeTasks(); }
  void OnButtonUpPause() { m_queue.OnButtonUpPause(); }
  void quitTasks() { m_queue.quitTasks(); }
  void saveUndoFiles() { m_queue.saveUndoFiles(); }
  void StopAllTasks() { m_queue.StopAllTasks(); }
  void restartFailedItems() { m_queue.restartFailedItems(); }
  bool pauseOrStartItem(int32_t index, bool force) {
    return m_queue.pauseOrStartItem(index, force);
  }
  void deleteItem(int32_t index) { m_queue.deleteItem(index); }
  int scheduleUploads() { return m_queue.scheduleUploads(); }
  void retireBatchFailures() { m_queue.retireBatchFailures(); }
  void showRunningState() { m_queue.showRunningState(); }
  void showPausedState() { m_queue.showPausedState(); }
  void showIdleState() { m_queue.showIdleState(); }
  void showRemainingCount() { m_queue.showRemainingCount(); }
  void clearCountLabel() { m_queue.clearCountLabel(); }
  void showFailedCount() { m_queue.showFailedCount(); }
  void showRetryingLabel() { m_queue.showRetryingLabel(); }
  void clearFailureDisplay() { m_queue.clearFailureDisplay(); }
  // The permanent failures become the upload list's failed items.
  void showFailedItems() { m_page1.showFailedItems(m_queue.TakePermanentFailures()); }
  int32_t TaskCount() const { return m_queue.ActiveCount(); }
  const std::vector<FailedUpload>& BatchFailures() const { return m_queue.BatchFailures(); }
  const std::vector<FailedUpload>& PermanentFailures() const { return m_queue.PermanentFailures(); }
  // Shows the window and raises it above the others (message 0x867).
  void bringToFront();
  void Hide();

  // UploadQueueView.
  void TaskAdded(const UploadTask& task) override { m_page1.AddTaskItem(task); }
  void TaskRemoved(const UploadTask& task) override { m_page1.RemoveTaskItem(task); }
  void ProgressChanged(const UploadTask& task, const std::string& text, int percent) override {
    m_page1.UpdateProgress(task, text, percent);
  }
  void StatusChanged(const UploadTask& task, const std::string& text) override {
    m_page1.UpdateStatus(task, text);
  }
  void ButtonsChanged(const Buttons& buttons) override;
  void CountLabelChanged(const std::string& text) override;
  void ListsCleared() override;
  void FailureDisplayCleared() override;

  DUI_DECLARE_MESSAGE_MAP()

 protected:
  std::string GetSkinFolder() override;
  std::string GetSkinFile() override { return "quorel.xml"; }
  void OnFinalMessage(DuiLib::HWND hwnd) override;

 private:
  void OnSelectChanged(DuiLib::TNotifyUI& msg);
  void OnItemClick(DuiLib::TNotifyUI& /*msg*/) {}
  void OnButtonClick(const std::string& name);
  DuiLib::CControlUI* CountLabel();
  void SetButton(DuiLib::CControlUI* button, bool enabled, const char* icon);

  DropWindowRelay m_dropLink;
  UploadQueue m_queue;
  CPage1 m_page1;
  CPage2 m_page2;
  DuiLib::CControlUI* m_startBtn = nullptr;
  DuiLib::CControlUI* m_pauseBtn = nullptr;
  DuiLib::CControlUI* m_closeBtn = nullptr;
  DuiLib::CControlUI* m_countLabel = nullptr;
  bool m_shown = false;
};
