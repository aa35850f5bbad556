// The upload queue of the user-interface thread: the behaviour of the upload
// manager window without its controls. It turns the files the pipeline hands
// over into upload tasks (at most 5 listed, 3 transferring), starts them
// through their controllers, handles the engine's notifications, keeps the
// failure lists, writes the history and resume rows through the database
// writer and tells its view what to show. The window (and kvup-upload)
// render it through UploadQueueView and forward user actions here.
//
// Threads: every operation runs on the user-interface thread. The upload jobs
// and controllers reach it only through the messages of notifyWindow, which
// the owner routes to HandleMessage. The records of those messages belong to
// the message queue, which frees them after the handler returned (also when
// the task is gone); handlers here only borrow them.
#pragma once

#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "pipeline/BackupFileRecord.h"
#include "platform/MessageQueue.h"
#include "session/Messages.h"
#include "session/NotifyTarget.h"
#include "upload/FailedUpload.h"
#include "upload/UploadTask.h"

class COptions;
class CWriteDbMgr;
class DropWindowLink;
class FileBackupMgr;
class MiscToolMgr;
class UploadQueueView;

class UploadQueue {
 public:
  static constexpr size_t kMaxTasks = 5;
  static constexpr int32_t kMaxActive = 3;

  // The process's services; tests give their own instances.
  struct Services {
    COptions* options = nullptr;     // state words, m_dropWnd
    FileBackupMgr* store = nullptr;  // uploadQueue, remainingFiles
    CWriteDbMgr* writer = nullptr;   // history and resume rows
    MiscToolMgr* deleter = nullptr;  // remote files of deleted tasks
    static Services Process();       // the singletons
  };

  UploadQueue(UploadQueueView& view, DropWindowLink& link, Services services = Services::Process());
  ~UploadQueue();
  UploadQueue(const UploadQueue&) = delete;
  UploadQueue& operator=(const UploadQueue&) = delete;

  // The window that receives 0x84f..0x852 of this queue's tasks.
  void SetNotifyWindow(platform::HWND window) { m_notifyWindow = window; }
  // Where 0x85b and 0x863 go; nullptr (default): the process's target,
  // COptions::m_dropWnd.
  void SetDropWindow(platform::HWND window) { m_dropWindow.Set(window); }

  // Routes 0x84f..0x852; false for any other message (result untouched).
  bool HandleMessage(platform::UINT message, platform::WPARAM w, platform::LPARAM l,
                     platform::LRESULT* result);
  // The four handlers; the records are borrowed. Result 0.
  platform::LRESULT OnUpdateProgress(const msg::UploadProgressRecord* progress);
  platform::LRESULT OnStatusUpdate(int32_t taskIndex, const msg::TaskStateRecord* state);
  platform::LRESULT OnUpdateUlInfo(const msg::UploadInfoRecord* info);
  platform::LRESULT OnEnd(const msg::UploadEndRecord* end, const msg::TaskStateRecord* state);

  // Scheduling.
  void upldNewFiles();
  // Files the walk or the comparison could not place, onto the permanent
  // failures; false when there were none.
  bool takeRefusedFiles();
  void LoadUpldFiles();
  // Nothing while offline (m_workState 6). Posts 0x85b when no task is left.
  int scheduleUploads();
  void getTaskToStart();
  bool startOneTxUp(UploadTask* task);

  // User actions and the drop window's operations.
  // true: the task was started (resumed).
  bool pauseOrStartItem(int32_t taskIndex, bool force);
  void deleteItem(int32_t taskIndex);
  // The list's delete button on a task item: false when the failed items are
  // shown (the caller only removes the element); else marks a batch ended by
  // the user when this was its last file, and deletes the task.
  bool deleteClicked(int32_t taskIndex);
  void resumeTasks();
  void OnButtonUpPause();
  void quitTasks();
  // Shut-down: the tasks are dropped. A job still running (its stop not
  // noticed within the caller's bound) keeps its controller until it ends.
  void StopAllTasks();
  // Returns how many files went back to the comparison (their folder was
  // never made).
  size_t restartFailedItems();
  void saveUndoFiles();
  void retireBatchFailures();
  // Hands the permanent failures over (the list's failed items) and empties
  // them.
  std::vector<FailedUpload> TakePermanentFailures();
  // goOnline clears it.
  void ClearTasksQuit() { m_tasksQuit = false; }

  // Display states.
  void showRunningState();
  void showPausedState();
  void showIdleState();
  void showRemainingCount();
  void showFailedCount();
  void showRetryingLabel();
  void clearCountLabel();
  void clearFailureDisplay();

  // Queries.
  int32_t ActiveCount() const { return m_activeCount; }
  bool Paused() const { return m_paused; }
  bool TasksQuit() const { return m_tasksQuit; }
  const std::list<std::unique_ptr<UploadTask>>& Tasks() const { return m_tasks; }
  const std::vector<BackupFileRecord>& Pending() const { return m_pending; }
  const std::vector<FailedUpload>& BatchFailures() const { return m_batchFailures; }
  const std::vector<FailedUpload>& PermanentFailures() const { return m_permanentFailures; }
  UploadTask* FindTask(int32_t taskIndex);

 private:
  void AddTaskFrom(const BackupFileRecord& record);
  void FillPendingTasks();
  bool MayStartMore() const;
  void RecordFailure(const UploadTask& task, const msg::UploadEndRecord& end,
                     const std::string& refusal);
  void RememberHeld(const UploadTask& task);
  void EndBookkeeping(UploadTask* task);
  void RemoveItem(const UploadTask& task);
  void clearDoneTask(UploadTask* task);
  void EraseTask(int32_t taskIndex);
  void LowerActiveCount();
  void PostToDropWindow(platform::UINT message);
  void ShowButtons(bool startEnabled, bool pauseEnabled);
  void SetCountLabel(const std::string& text);
  int32_t StartController(UploadTask* task);  // 0 started

  UploadQueueView& m_view;
  DropWindowLink& m_link;
  Services m_services;
  platform::HWND m_notifyWindow = nullptr;
  NotifyTarget m_dropWindow;

  int32_t m_activeCount = 0;
  bool m_paused = false;
  bool m_tasksQuit = false;
  bool m_countLabelEmpty = true;
  std::list<std::unique_ptr<UploadTask>> m_tasks;
  std::vector<BackupFileRecord> m_pending;
  std::vector<FailedUpload> m_batchFailures;
  std::vector<FailedUpload> m_permanentFailures;
};
