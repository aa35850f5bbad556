// What the upload queue shows: the upload manager window implements it with
// its list page, buttons and count label; kvup-upload prints it.
//
// Threads: every call comes from the user-interface thread, inside an
// UploadQueue operation or message handler. A view must not call back into
// the queue's operations from these calls.
#pragma once

#include <cstdint>
#include <string>

struct UploadTask;

class UploadQueueView {
 public:
  // The two buttons of the window; the icons are "iconimage" attributes.
  struct Buttons {
    bool startEnabled = false;
    const char* startIcon = "";
    bool pauseEnabled = false;
    const char* pauseIcon = "";
  };

  virtual ~UploadQueueView() = default;

  // A task joined the list (append its item; the record lives until
  // TaskRemoved or ListsCleared).
  virtual void TaskAdded(const UploadTask& task) = 0;
  // The task's item goes. Remote files are the queue's business, not the
  // view's: it only removes the item.
  virtual void TaskRemoved(const UploadTask& task) = 0;
  // Progress text ("剩余时间: ...") and percent 0..100.
  virtual void ProgressChanged(const UploadTask& task, const std::string& text, int percent) = 0;
  // Status text of the task's item; task.state tells Paused from the rest.
  virtual void StatusChanged(const UploadTask& task, const std::string& text) = 0;
  virtual void ButtonsChanged(const Buttons& buttons) = 0;
  // The count label ("upldNumLabel"); empty text clears it.
  virtual void CountLabelChanged(const std::string& text) = 0;
  // Every item of the upload list and of the history list goes.
  virtual void ListsCleared() = 0;
  // The failed items go from the upload list and its scroll bars switch off.
  virtual void FailureDisplayCleared() = 0;
};
