// UploadQueue: scheduling and the user's and the drop window's operations.
#include <atomic>

#include "log/KvLog.h"
#include "pipeline/FileBackupMgr.h"
#include "session/COptions.h"
#include "store/CWriteDbMgr.h"
#include "upload/DropWindowLink.h"
#include "upload/TaskState.h"
#include "upload/UploadQueue.h"
#include "upload/UploadQueueView.h"

namespace {

constexpr const char* kLog = "UIDLG";
constexpr int64_t kDeletedPid = -2;

// Process-wide, so task indices stay unique across queues; the first is 1.
std::atomic<int32_t> g_lastTaskIndex{0};

// At the last '/': a path without one is a bare name.
void SplitAtLastSlash(const std::string& path, std::string* folder, std::string* name) {
  const size_t slash = path.rfind('/');
  *folder = slash == std::string::npos ? std::string() : path.substr(0, slash);
  *name = slash == std::string::npos ? path : path.substr(slash + 1);
}

// The break point a record starts from: its second value high, resumed low
// (1 for a file of the resume list, so the service is asked where it stands).
int64_t PositionOf(const BackupFileRecord& record) {
  const uint64_t high = static_cast<uint32_t>(record.reserved);
  return static_cast<int64_t>(high << 32 | static_cast<uint32_t>(record.resumed));
}

BackupFileRecord RecordOf(const FailedUpload& failure) {
  BackupFileRecord record = failure.file;
  record.resumed = 0;
  record.reserved = 0;
  return record;
}

}  // namespace

// ---- scheduling ----

void UploadQueue::upldNewFiles() {
  KV_INFO(kLog, "CMainUiDlg::upldNewFiles");
  LoadUpldFiles();
  if (MayStartMore()) scheduleUploads();
  showRemainingCount();
}

void UploadQueue::LoadUpldFiles() {
  std::vector<BackupFileRecord> queued;
  m_services.store->takeUploadQueue(&queued);
  KV_INFO(kLog, "CMainUiDlg::LoadUpldFiles: load %d", static_cast<int>(queued.size()));
  std::string folder, name;
  for (const BackupFileRecord& record : queued) {
    SplitAtLastSlash(record.path, &folder, &name);
    m_services.writer->TrackUndoFile(record.fid, record.pid, name, folder, record.sha, record.size,
                                     PositionOf(record));
  }
  m_pending.insert(m_pending.end(), queued.begin(), queued.end());
  takeRefusedFiles();
  FillPendingTasks();
}

bool UploadQueue::takeRefusedFiles() {
  std::vector<RefusedFile> refused;
  m_services.store->takeRefusedFiles(&refused);
  for (RefusedFile& r : refused) {
    const int32_t code = r.unreadable       ? FailedUpload::kUnreadable
                         : r.reason.empty() ? FailedUpload::kFolderUnanswered
                                            : FailedUpload::kFolderRefused;
    FailedUpload entry{std::move(r.file), code, std::move(r.reason)};
    (entry.IsPermanent() ? m_permanentFailures : m_batchFailures).push_back(std::move(entry));
  }
  return !refused.empty();
}

bool UploadQueue::MayStartMore() const {
  return !m_paused && m_activeCount < kMaxActive && !m_tasksQuit;
}

void UploadQueue::FillPendingTasks() {
  while (!m_pending.empty() && m_tasks.size() < kMaxTasks) {
    AddTaskFrom(m_pending.back());
    m_pending.pop_back();
  }
}

void UploadQueue::AddTaskFrom(const BackupFileRecord& record) {
  auto task = std::make_unique<UploadTask>();
  task->taskIndex = ++g_lastTaskIndex;
  SplitAtLastSlash(record.path, &task->folder, &task->name);
  task->size = record.size;
  task->fid = record.fid;
  task->queuedFid = record.fid;
  task->pid = record.pid;
  task->hash = record.sha;
  task->breakPoint = PositionOf(record);
  m_tasks.push_back(std::move(task));
  m_view.TaskAdded(*m_tasks.back());
}

int UploadQueue::scheduleUploads() {
  if (m_services.options->m_workState == WorkState::kOffline) return 0;
  getTaskToStart();
  FillPendingTasks();
  if (m_tasks.empty()) PostToDropWindow(msg::WM_UPLOADS_DRAINED);
  return 1;
}

void UploadQueue::getTaskToStart() {
  // Nothing new starts while the user holds every upload.
  if (m_paused || m_tasksQuit) return;
  for (const auto& task : m_tasks) {
    if (m_activeCount >= kMaxActive) break;
    if (!task) {
      KV_INFO(kLog, "[KvdUpldDlg::getTaskToStart]: The index [%02d] is NULL ", m_activeCount);
      continue;
    }
    if (!task->controller && !task->userPaused && startOneTxUp(task.get())) ++m_activeCount;
  }
}

bool UploadQueue::startOneTxUp(UploadTask* task) {
  KV_INFO(kLog, "CMainUiDlg::startOneTxUp");
  if (!task) {
    KV_INFO(kLog, "[KvdUpldDlg::startOneTxUp]: The pTaskInfo is NULL ");
    return false;
  }
  if (StartController(task) != 0) {
    KV_INFO(kLog, "[KvdUpldDlg::startOneTxUp]: The task [%02d] can't be started twice ",
            task->taskIndex);
    return false;
  }
  return true;
}

int32_t UploadQueue::StartController(UploadTask* task) {
  CUploadParam param;
  param.taskIndex = task->taskIndex;
  param.notifyWindow = m_notifyWindow;
  param.size = task->size;
  param.name = task->name;
  param.folder = task->folder;
  param.pid = task->pid;
  param.fid = task->fid;
  param.breakPoint = task->breakPoint;
  param.hash = task->hash;
  if (!task->controller) task->controller = std::make_shared<CUploaderMgr>();
  task->controller->SetParam(param);
  const int32_t result = task->controller->Start();
  if (result == 0) {
    task->state = TaskState::Transferring;
    task->message.clear();
  }
  return result;
}

// ---- user actions ----

bool UploadQueue::pauseOrStartItem(int32_t taskIndex, bool force) {
  if (!force && m_activeCount == kMaxActive) return false;
  UploadTask* task = FindTask(taskIndex);
  if (!task) {
    KV_INFO(kLog, "[pauseOrStartItem]: The task [%02d] is in destroying.", taskIndex);
    return false;
  }
  if (!task->userPaused) {
    task->userPaused = true;
    if (task->controller) task->controller->Pause();
    return false;
  }
  if (StartController(task) != 0) return false;
  task->userPaused = false;
  ++m_activeCount;
  if (m_paused) showRunningState();
  return true;
}

void UploadQueue::deleteItem(int32_t taskIndex) {
  UploadTask* task = FindTask(taskIndex);
  if (!task) {
    KV_INFO(kLog, "[deleteItem]: The task [%02d] is in destroying.", taskIndex);
    return;
  }
  task->pid = kDeletedPid;
  // Deleted by the user: not to be resumed, whether or not its job still runs.
  m_services.writer->ForgetUndoFile(task->name, task->folder);
  if (task->controller && task->state == TaskState::Transferring) {
    // The job stops at its next chunk and the task leaves through OnEnd.
    task->controller->Pause();
    return;
  }
  m_services.store->decrementRemaining();
  RemoveItem(*task);
  task->controller.reset();
  EraseTask(taskIndex);
  scheduleUploads();
  showRemainingCount();
}

bool UploadQueue::deleteClicked(int32_t taskIndex) {
  if (m_link.hasFailures()) return false;
  if (m_services.store->RemainingFiles() == 1 && m_tasks.size() == 1) {
    m_link.SetFinishedNormally(false);
    showIdleState();
  }
  deleteItem(taskIndex);
  return true;
}

void UploadQueue::resumeTasks() {
  if (!m_paused) return;
  size_t n = 0;
  for (auto it = m_tasks.begin(); it != m_tasks.end() && n < kMaxActive; ++it, ++n) {
    UploadTask* task = it->get();
    // A task still pausing refuses the start; it stays held and is resumed
    // from its item.
    if (StartController(task) != 0) continue;
    task->userPaused = false;
    ++m_activeCount;
  }
  showRunningState();
}

void UploadQueue::OnButtonUpPause() {
  if (m_paused) return;
  m_paused = true;
  int index = 0;
  for (const auto& task : m_tasks) {
    if (!task) {
      KV_INFO(kLog, "[KvdUpldDlg::OnButtonUpPause]: The index [%02d] is NULL ", index);
    } else if (task->controller && !task->userPaused) {
      task->controller->Pause();
    }
    ++index;
  }
  // Running transfers stop at their next chunk; the last one to end shows the
  // paused state, and meanwhile neither button can be used.
  if (m_activeCount == 0)
    showPausedState();
  else
    ShowButtons(false, false);
}

void UploadQueue::quitTasks() {
  KV_INFO(kLog, "CMainUiDlg::quitTasks");
  m_tasksQuit = true;
  size_t n = 0;
  for (auto it = m_tasks.begin(); it != m_tasks.end() && n < kMaxActive; ++it, ++n)
    if ((*it)->controller) (*it)->controller->Destroy();
}

void UploadQueue::StopAllTasks() {
  KV_INFO(kLog, "CMainUiDlg::StopAllTasks");
  size_t n = 0;
  for (auto it = m_tasks.begin(); it != m_tasks.end() && n < kMaxActive; ++it, ++n) {
    auto& controller = (*it)->controller;
    if (controller && controller->Stop() == CUploaderMgr::kStopUnknown) controller.reset();
  }
  m_tasks.clear();
  m_batchFailures.clear();
  m_activeCount = 0;
  m_view.ListsCleared();
  clearCountLabel();
  m_paused = false;
  ShowButtons(false, false);
  m_services.options->m_busy = BusyState::kIdle;
}

size_t UploadQueue::restartFailedItems() {
  KV_INFO(kLog, "[CMainUiDlg::restartFailedItems]");
  size_t compared = 0;
  for (const FailedUpload& failure : m_batchFailures) {
    if (failure.errorCode != FailedUpload::kFolderUnanswered) {
      m_pending.push_back(RecordOf(failure));
      continue;
    }
    // Its folder does not exist yet: the comparison makes it, then queues the file.
    ShaFileRecord record;
    m_services.store->splitRemoteName(failure.file.path, &record.relPath, &record.baseDir);
    record.digest = failure.file.sha;
    record.size = failure.file.size;
    m_services.store->addShaFile(record);
    ++compared;
  }
  m_batchFailures.clear();
  m_services.store->addRemainingFiles(static_cast<int32_t>(m_pending.size() + compared));
  FillPendingTasks();
  if (MayStartMore()) scheduleUploads();
  showRemainingCount();
  return compared;
}

void UploadQueue::saveUndoFiles() {
  KV_DEBUG(kLog, "CMainUiDlg::saveUndoFiles");
  CWriteDbMgr& writer = *m_services.writer;
  for (const auto& task : m_tasks)
    writer.AddUndoFile(task->fid, task->pid, task->name, task->folder, task->hash, task->size,
                       task->breakPoint);
  std::string folder, name;
  for (const BackupFileRecord& record : m_pending) {
    SplitAtLastSlash(record.path, &folder, &name);
    writer.AddUndoFile(record.fid, record.pid, name, folder, record.sha, record.size,
                       PositionOf(record));
  }
  m_pending.clear();
  for (const auto* list : {&m_batchFailures, &m_permanentFailures}) {
    for (const FailedUpload& failure : *list) {
      SplitAtLastSlash(failure.file.path, &folder, &name);
      writer.AddUndoFile(failure.file.fid, failure.file.pid, name, folder, failure.file.sha,
                         failure.file.size, 0);
    }
  }
  m_batchFailures.clear();
  m_permanentFailures.clear();
}

void UploadQueue::retireBatchFailures() {
  m_permanentFailures.insert(m_permanentFailures.end(), m_batchFailures.begin(),
                             m_batchFailures.end());
  m_batchFailures.clear();
}

std::vector<FailedUpload> UploadQueue::TakePermanentFailures() {
  std::vector<FailedUpload> taken;
  taken.swap(m_permanentFailures);
  // What the user is shown as failed, for support and the storm tests.
  for (const FailedUpload& f : taken)
    KV_INFO(kLog, "failed list: %s (error %d)", f.file.path.c_str(), f.errorCode);
  return taken;
}
