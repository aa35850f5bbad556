// What the drop pipeline shows and asks of its windows: the drop window
// implements it with its status label, its paint-manager timers, the upload
// manager window's buttons and list page and the tool-tip window; the
// headless sync tool prints it and runs the timers on its message loop.
//
// Threads: every call comes from the user-interface thread, inside a
// DropPipeline operation or message handler. A view must not call back into
// the pipeline from these calls, except that an expired timer is reported
// later through DropPipeline::OnTimer.
#pragma once

#include <cstdint>
#include <string>

class DropPipelineView {
 public:
  virtual ~DropPipelineView() = default;

  // The text of the status label ("mLabel").
  virtual void ShowStatusText(const std::string& text) = 0;
  // The status label's tool-tip text and its width.
  virtual void ShowStatusToolTip(const std::string& text, int32_t width) = 0;
  // setMainButtons: the manager window's start button is disabled with the
  // grey play icon; its pause button is enabled (pause_n) when running, else
  // disabled (pause_g).
  virtual void SetMainButtons(bool running) = 0;
  // A repeating timer of the status label; id is one of DropPipeline::kTimer*.
  // Starting a running timer restarts it with the new period.
  virtual void StartTimer(int32_t id, uint32_t periodMs) = 0;
  virtual void StopTimer(int32_t id) = 0;
  // The upload-list page shows the permanent failures (showFailedItems).
  virtual void ShowFailedItems() = 0;
  // The tool-tip window forgets its items (clearItems).
  virtual void ClearToolTipItems() = 0;
  // First step of the close sequence: hide the drop and manager windows.
  virtual void HideWindows() = 0;
  // Last steps of the close sequence: post WM_CLOSE to the manager window.
  virtual void CloseManagerWindow() = 0;
  // After the close that the client's quit asked for: end the message loop
  // (post the quit message, exit code 0).
  virtual void Quit() = 0;
};
