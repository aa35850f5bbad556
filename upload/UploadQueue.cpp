#include "upload/UploadQueue.h"

#include <algorithm>

#include "log/KvLog.h"
#include "pipeline/FileBackupMgr.h"
#include "pipeline/MiscToolMgr.h"
#include "session/COptions.h"
#include "store/CWriteDbMgr.h"
#include "upload/DropWindowLink.h"
#include "upload/TaskState.h"
#include "upload/UploadQueueView.h"
#include "upload/UploadTexts.h"

namespace {

constexpr const char* kLog = "UIDLG";
constexpr int64_t kDeletedPid = -2;

FailedUpload FailureOf(const UploadTask& task, int32_t errorCode) {
  FailedUpload entry;
  entry.file.path = task.folder + "/" + task.name;
  entry.file.pid = task.pid;
  entry.file.fid = task.fid;
  entry.file.size = task.size;
  entry.file.sha = task.hash;
  entry.errorCode = errorCode;
  return entry;
}

}  // namespace

UploadQueue::Services UploadQueue::Services::Process() {
  return {&COptions::Instance(), &FileBackupMgr::Instance(), &CWriteDbMgr::Instance(),
          &MiscToolMgr::Instance()};
}

UploadQueue::UploadQueue(UploadQueueView& view, DropWindowLink& link, Services services)
    : m_view(view), m_link(link), m_services(services) {}

UploadQueue::~UploadQueue() = default;

bool UploadQueue::HandleMessage(platform::UINT message, platform::WPARAM w, platform::LPARAM l,
                                platform::LRESULT* result) {
  const auto lp = static_cast<uintptr_t>(l);
  switch (message) {
    case msg::WM_UPLOAD_PROGRESS:
      *result = OnUpdateProgress(msg::RecordFrom<msg::UploadProgressRecord>(w));
      return true;
    case msg::WM_UPLOAD_DONE:
      *result = OnEnd(msg::RecordFrom<msg::UploadEndRecord>(w),
                      msg::RecordFrom<msg::TaskStateRecord>(lp));
      return true;
    case msg::WM_UPLOAD_STATUS:
      *result = OnStatusUpdate(static_cast<int32_t>(w), msg::LentState(l));
      return true;
    case msg::WM_UPLOAD_INFO:
      *result = OnUpdateUlInfo(msg::RecordFrom<msg::UploadInfoRecord>(w));
      return true;
    default:
      return false;
  }
}

UploadTask* UploadQueue::FindTask(int32_t taskIndex) {
  for (const auto& task : m_tasks)
    if (task->taskIndex == taskIndex) return task.get();
  return nullptr;
}

// ---- engine notifications ----

platform::LRESULT UploadQueue::OnUpdateProgress(const msg::UploadProgressRecord* progress) {
  if (!progress) return 0;
  UploadTask* task = FindTask(progress->taskIndex);
  if (!task) {
    KV_INFO(kLog, "[OnUpdateProgress]: The task [%02d] has been destroyed already.",
            progress->taskIndex);
    return 0;
  }
  task->fid = progress->fid;
  task->breakPoint = progress->breakPoint;
  m_view.ProgressChanged(*task,
                         UploadTexts::Progress(progress->remainingMs, progress->breakPoint,
                                               progress->size, progress->speed),
                         UploadTexts::Percent(progress->breakPoint, progress->size));
  m_services.options->m_currentSpeed = static_cast<int32_t>(progress->speed);
  PostToDropWindow(msg::WM_SPEED_CHANGED);
  return 0;
}

platform::LRESULT UploadQueue::OnStatusUpdate(int32_t taskIndex,
                                              const msg::TaskStateRecord* state) {
  UploadTask* task = FindTask(taskIndex);
  if (!task || !state) {
    KV_INFO(kLog,
            "[CMainUiDlg::OnStatusUpdate]: The task [%02d] is NULL. Status=0x%08X, detail = %s",
            taskIndex, state ? static_cast<unsigned>(state->state) : 0u,
            state ? state->message.c_str() : "");
    return 0;
  }
  task->state = state->state;
  task->message = state->message;
  task->userPaused = false;
  m_view.StatusChanged(*task, StateText(state->state, state->message));
  if (state->state == TaskState::Transferring) PostToDropWindow(msg::WM_SPEED_CHANGED);
  return 0;
}

platform::LRESULT UploadQueue::OnUpdateUlInfo(const msg::UploadInfoRecord* info) {
  if (!info) return 0;
  UploadTask* task = FindTask(info->taskIndex);
  if (!task) {
    KV_INFO(kLog, "[OnUpdateUlInfo]: The task [%02d] is in destroying.", info->taskIndex);
    return 0;
  }
  task->fid = info->fid;
  // A restart then resumes from the service's break point of this file.
  if (task->pid != kDeletedPid)
    m_services.writer->TrackUndoFile(task->fid, task->pid, task->name, task->folder, task->hash,
                                     task->size, task->breakPoint);
  return 0;
}

platform::LRESULT UploadQueue::OnEnd(const msg::UploadEndRecord* end,
                                     const msg::TaskStateRecord* state) {
  if (!end || !state) {
    KV_INFO(kLog, "[OnEnd]: retInfo or pStatuInfo is null, return\n");
    return 0;
  }
  UploadTask* task = FindTask(end->taskIndex);
  if (!task) {
    KV_INFO(kLog, "[OnEnd]: The task [%02d] is in destroying. Status=0x%08X, detail = %s",
            end->taskIndex, static_cast<unsigned>(state->state), state->message.c_str());
    return 0;
  }
  KV_INFO(kLog, "[CMainUiDlg::OnEndUl]: The task [%02d] end. Status=0x%08X, name = %s, fid=%d",
          task->taskIndex, static_cast<unsigned>(state->state), task->name.c_str(),
          static_cast<int>(end->fid));
  if (end->fid != 0 && end->fid != end->breakPoint) {
    task->fid = end->fid;
    task->breakPoint = end->breakPoint;
  }
  task->state = state->state;
  task->message = state->message;
  m_view.StatusChanged(
      *task, UploadTexts::Ended(state->state, state->message, task->breakPoint, task->size));
  if (state->state == TaskState::Done || state->state == TaskState::Instant) {
    m_services.writer->AddLog(task->size, state->state == TaskState::Instant ? 1 : 0, task->name,
                              task->folder);
    m_services.writer->ForgetUndoFile(task->name, task->folder);
    RememberHeld(*task);
  } else if (state->state != TaskState::Paused) {
    KV_INFO(kLog, "[KvdUpldDlg::OnEndUL]: The task [%02d] failed, add to failed list",
            task->taskIndex);
    RecordFailure(*task, *end, state->refusal);
  }
  EndBookkeeping(task);
  return 0;
}

void UploadQueue::RememberHeld(const UploadTask& task) {
  if (task.fid <= 0) return;
  CldFileInfo held;
  held.name = task.name;
  held.hash = task.hash;
  held.size = task.size;
  held.breakPoint = task.size;
  m_services.store->rememberHeld(task.fid, task.pid, held);
}

void UploadQueue::RecordFailure(const UploadTask& task, const msg::UploadEndRecord& end,
                                const std::string& refusal) {
  // An end record whose fid equals its break point carries the service's
  // refusal status instead of a position.
  int32_t code = FailedUpload::kDefaultError;
  if (end.fid != 0 && end.fid == end.breakPoint) code = static_cast<int32_t>(end.fid);
  if (code == FailedUpload::kDiskFull) m_link.diskFull();
  FailedUpload entry = FailureOf(task, code);
  entry.description = refusal;
  if (entry.IsPermanent())
    m_permanentFailures.push_back(std::move(entry));
  else
    m_batchFailures.push_back(std::move(entry));
}

// A task that ended Paused stays listed, held, until it is started again; any
// other end (done, failed, destroyed, or deleted by the user) takes it off.
// Every end was counted when the task started, so every end lowers the count.
void UploadQueue::EndBookkeeping(UploadTask* task) {
  LowerActiveCount();
  if (task->state == TaskState::Paused && task->pid != kDeletedPid) {
    task->userPaused = true;
    scheduleUploads();
    if (m_activeCount == 0) showPausedState();
    return;
  }
  m_services.store->decrementRemaining();
  RemoveItem(*task);
  clearDoneTask(task);
  scheduleUploads();
  showRemainingCount();
  if (m_paused && m_activeCount == 0) showPausedState();
}

void UploadQueue::RemoveItem(const UploadTask& task) {
  m_view.TaskRemoved(task);
  // A task queued with a fid continues or replaces a file the service had
  // (possibly complete): only a file this upload created may go.
  if (task.OwnsRemoteFile()) m_services.deleter->addDeleteFile(task.fid);
}

void UploadQueue::clearDoneTask(UploadTask* task) {
  const int32_t index = task->taskIndex;
  KV_INFO(kLog, "[CMainUiDlg::clearDoneTask]: The task [%d] is cleaned", index);
  task->controller.reset();
  EraseTask(index);
}

void UploadQueue::EraseTask(int32_t taskIndex) {
  auto it = std::find_if(m_tasks.begin(), m_tasks.end(),
                         [taskIndex](const auto& t) { return t->taskIndex == taskIndex; });
  if (it != m_tasks.end()) m_tasks.erase(it);
}

void UploadQueue::LowerActiveCount() {
  if (m_activeCount > 0) --m_activeCount;
}

void UploadQueue::PostToDropWindow(platform::UINT message) {
  platform::PostMessage(m_dropWindow.Get(), message, 0, 0);
}
