// The views of the pipeline and the upload queue where no window shows them:
// texts are logged, timers run on the hub's window handle, a quit ends the
// message loop. Programs without windows derive from it to print what they
// need.
//
// Threads: the user-interface thread.
#pragma once

#include "platform/WindowMessage.h"
#include "upload/DropPipelineView.h"
#include "upload/UploadQueueView.h"

class HeadlessViews : public DropPipelineView, public UploadQueueView {
 public:
  // The window handle the timers run on (the hub's).
  void SetWindow(platform::HWND window) { m_window = window; }

  // DropPipelineView
  void ShowStatusText(const std::string& text) override;
  void ShowStatusToolTip(const std::string&, int32_t) override {}
  void SetMainButtons(bool) override {}
  void StartTimer(int32_t id, uint32_t periodMs) override;
  void StopTimer(int32_t id) override;
  void ShowFailedItems() override {}
  void ClearToolTipItems() override {}
  void HideWindows() override {}
  void CloseManagerWindow() override {}
  void Quit() override;

  // UploadQueueView
  void TaskAdded(const UploadTask&) override {}
  void TaskRemoved(const UploadTask&) override {}
  void ProgressChanged(const UploadTask&, const std::string&, int) override {}
  void StatusChanged(const UploadTask&, const std::string&) override {}
  void ButtonsChanged(const Buttons&) override {}
  void CountLabelChanged(const std::string&) override {}
  void ListsCleared() override {}
  void FailureDisplayCleared() override {}

 private:
  platform::HWND m_window = nullptr;
};
