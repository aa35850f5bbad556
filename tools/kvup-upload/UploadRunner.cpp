#include "tools/kvup-upload/UploadRunner.h"

#include "pipeline/ShaDigest.h"
#include "session/COptions.h"
#include "session/Messages.h"
#include "upload/CUpldThreadMgr.h"
#include "upload/TaskState.h"

UploadRunner::UploadRunner(FILE* out, bool quiet) : m_out(out), m_quiet(quiet) {
  m_window = platform::CreateWindowHandle(this);
  COptions& options = COptions::Instance();
  options.m_workState = WorkState::kReady;
  m_queue = std::make_unique<UploadQueue>(
      *this, *this, UploadQueue::Services{&options, &m_store, &m_writer, &m_deleter});
  // The tool is its own drop window: the queue's 0x85b ends the run.
  m_queue->SetNotifyWindow(m_window);
  m_queue->SetDropWindow(m_window);
}

UploadRunner::~UploadRunner() {
  // Jobs still queued or running are stopped before their controllers go.
  CUpldThreadMgr::Instance().Stop();
  // The handle goes first: messages still queued for it are dropped with
  // their records instead of reaching a queue that is gone.
  if (m_window) platform::DestroyWindowHandle(m_window);
  m_queue.reset();
}

bool UploadRunner::AddFile(const std::string& path, int64_t pid) {
  BackupFileRecord record;
  if (!CShaDigest::OfFile(path, &record.sha, &record.size)) {
    fprintf(m_out, "%s: cannot read the file\n", path.c_str());
    return false;
  }
  record.path = path.find('/') == std::string::npos ? "./" + path : path;
  record.pid = pid;
  m_files.push_back(record);
  return true;
}

int UploadRunner::Run() {
  if (!m_window) return static_cast<int>(m_files.size());
  if (m_files.empty()) return 0;
  // The queue lists from the end of what it takes.
  for (auto it = m_files.rbegin(); it != m_files.rend(); ++it)
    m_store.addBackupFile(it->sha, it->fid, it->path, it->pid, it->size);
  m_store.addRemainingFiles(static_cast<int32_t>(m_files.size()));
  m_queue->upldNewFiles();
  platform::RunMessageLoop();
  if (m_networkFailures > 0) fprintf(m_out, "service unreachable %d times\n", m_networkFailures);
  return m_failed;
}

platform::LRESULT UploadRunner::HandleMessage(platform::UINT message, platform::WPARAM w,
                                              platform::LPARAM l) {
  if (message == msg::WM_UPLOAD_DONE) {
    const auto* end = msg::RecordFrom<msg::UploadEndRecord>(w);
    const auto* state = msg::RecordFrom<msg::TaskStateRecord>(static_cast<uintptr_t>(l));
    const UploadTask* task = end ? m_queue->FindTask(end->taskIndex) : nullptr;
    if (task && state) PrintEnd(task->name, *end, *state);
  }
  platform::LRESULT result = 0;
  if (m_queue->HandleMessage(message, w, l, &result)) return result;
  if (message == msg::WM_NETWORK_FAILED) ++m_networkFailures;
  if (message == msg::WM_UPLOADS_DRAINED) platform::PostQuitMessage(0);
  return 0;
}

void UploadRunner::ProgressChanged(const UploadTask& task, const std::string& text, int percent) {
  if (m_quiet) return;
  fprintf(m_out, "Task[%02d] %s: %d%% %s\n", task.taskIndex, task.name.c_str(), percent,
          text.c_str());
  fflush(m_out);
}

void UploadRunner::diskFull() {
  fprintf(m_out, "the remote disk is full\n");
}

void UploadRunner::PrintEnd(const std::string& name, const msg::UploadEndRecord& end,
                            const msg::TaskStateRecord& state) {
  if (state.state != TaskState::Done && state.state != TaskState::Instant) ++m_failed;
  const bool withMessage = state.state == TaskState::NetworkError && !state.message.empty();
  fprintf(m_out, "Task[%02d] %s: %s%s%s (fid %lld, %lld bytes held)\n", end.taskIndex, name.c_str(),
          StateText(state.state, state.message).c_str(), withMessage ? ": " : "",
          withMessage ? state.message.c_str() : "", static_cast<long long>(end.fid),
          static_cast<long long>(end.breakPoint));
  fflush(m_out);
}
