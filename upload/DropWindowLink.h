// What the upload queue needs of the drop window, the hub of the process: it
// takes the process offline when the remote disk is full, shows the status
// texts, reports notification codes to the desktop client and keeps the two
// flags of the batch's outcome. The drop window implements it; kvup-upload
// and the tests have their own.
//
// Threads: the user-interface thread only.
#pragma once

#include <cstdint>
#include <string>

class DropWindowLink {
 public:
  virtual ~DropWindowLink() = default;

  // An upload ended because the remote disk is full.
  virtual void diskFull() = 0;
  // The drop window's label: "暂停" when paused, "拖拽上传" when idle.
  virtual void ShowStatusText(const std::string& text) = 0;
  // A notification code for the desktop client (2 running, 6 paused, ...).
  virtual void SendCode(int32_t code) = 0;
  // The last batch ended with permanently failed files (failed items shown).
  virtual bool hasFailures() const = 0;
  // Cleared when the user deletes the last task of a batch.
  virtual void SetFinishedNormally(bool finished) = 0;
};
