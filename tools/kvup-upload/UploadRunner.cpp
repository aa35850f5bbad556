#include "tools/kvup-upload/UploadRunner.h"

#include "pipeline/ShaDigest.h"
#include "session/Messages.h"
#include "upload/CUpldThreadMgr.h"
#include "upload/TaskState.h"

UploadRunner::UploadRunner(FILE* out, bool quiet) : m_out(out), m_quiet(quiet) {
  m_window = platform::CreateWindowHandle(this);
}

UploadRunner::~UploadRunner() {
  // Jobs still queued or running are stopped before their controllers go.
  CUpldThreadMgr::Instance().Stop();
  if (m_window) platform::DestroyWindowHandle(m_window);
}

bool UploadRunner::AddFile(const std::string& path, int64_t pid) {
  Task task;
  if (!CShaDigest::OfFile(path, &task.param.hash, &task.param.size)) {
    fprintf(m_out, "%s: cannot read the file\n", path.c_str());
    return false;
  }
  const size_t slash = path.rfind('/');
  task.param.folder = slash == std::string::npos ? "." : path.substr(0, slash);
  task.param.name = slash == std::string::npos ? path : path.substr(slash + 1);
  task.param.taskIndex = static_cast<int32_t>(m_tasks.size()) + 1;
  task.param.notifyWindow = m_window;
  task.param.pid = pid;
  m_tasks.push_back(std::move(task));
  return true;
}

int UploadRunner::Run() {
  if (!m_window) return static_cast<int>(m_tasks.size());
  StartMore();
  if (m_ended < m_tasks.size()) platform::RunMessageLoop();
  int failed = 0;
  for (const Task& t : m_tasks)
    if (t.state != TaskState::Done && t.state != TaskState::Instant) ++failed;
  if (m_networkFailures > 0) fprintf(m_out, "service unreachable %d times\n", m_networkFailures);
  return failed;
}

UploadRunner::Task* UploadRunner::Find(int32_t taskIndex) {
  if (taskIndex < 1 || static_cast<size_t>(taskIndex) > m_tasks.size()) return nullptr;
  return &m_tasks[static_cast<size_t>(taskIndex - 1)];
}

void UploadRunner::StartMore() {
  while (m_running < kRunningTasks && m_nextToStart < m_tasks.size()) {
    Task& task = m_tasks[m_nextToStart++];
    task.controller = std::make_unique<CUploaderMgr>();
    task.controller->SetParam(task.param);
    if (task.controller->Start() == 0) ++m_running;
  }
}

platform::LRESULT UploadRunner::HandleMessage(platform::UINT message, platform::WPARAM w,
                                              platform::LPARAM l) {
  switch (message) {
    case msg::WM_UPLOAD_PROGRESS:
      OnProgress(w);
      return 0;
    case msg::WM_UPLOAD_DONE:
      OnEnd(w, l);
      return 0;
    case msg::WM_UPLOAD_STATUS: {
      const msg::TaskStateRecord* state = msg::LentState(l);
      Task* task = Find(static_cast<int32_t>(w));
      if (task && state) task->state = state->state;
      return 0;
    }
    case msg::WM_UPLOAD_INFO: {
      const auto* info = msg::RecordFrom<msg::UploadInfoRecord>(w);
      Task* task = info ? Find(info->taskIndex) : nullptr;
      if (task) task->param.fid = info->fid;
      return 0;
    }
    case msg::WM_NETWORK_FAILED:
      ++m_networkFailures;
      return 0;
    default:
      return 0;
  }
}

void UploadRunner::OnProgress(platform::WPARAM w) {
  const auto* p = msg::RecordFrom<msg::UploadProgressRecord>(w);
  Task* task = p ? Find(p->taskIndex) : nullptr;
  if (!task || m_quiet) return;
  const double percent =
      p->size > 0 ? 100.0 * static_cast<double>(p->breakPoint) / static_cast<double>(p->size)
                  : 100.0;
  fprintf(m_out, "Task[%02d] %s: %.1f%% %lld/%lld bytes, %.1f KB/s, %u s left\n", p->taskIndex,
          task->param.name.c_str(), percent, static_cast<long long>(p->breakPoint),
          static_cast<long long>(p->size), p->speed / 1024.0, p->remainingMs / 1000);
  fflush(m_out);
}

void UploadRunner::OnEnd(platform::WPARAM w, platform::LPARAM l) {
  const auto* end = msg::RecordFrom<msg::UploadEndRecord>(w);
  const auto* state = msg::RecordFrom<msg::TaskStateRecord>(static_cast<platform::WPARAM>(l));
  Task* task = end ? Find(end->taskIndex) : nullptr;
  if (!task || !state || task->ended) return;
  task->ended = true;
  task->state = state->state;
  task->message = state->message;
  task->param.fid = end->fid;
  task->param.breakPoint = end->breakPoint;
  fprintf(m_out, "Task[%02d] %s: %s%s%s (fid %lld, %lld bytes held)\n", end->taskIndex,
          task->param.name.c_str(), StateText(state->state, state->message).c_str(),
          state->message.empty() || state->state != TaskState::NetworkError ? "" : ": ",
          state->state == TaskState::NetworkError ? state->message.c_str() : "",
          static_cast<long long>(end->fid), static_cast<long long>(end->breakPoint));
  fflush(m_out);
  ++m_ended;
  --m_running;
  StartMore();
  if (m_ended == m_tasks.size()) platform::PostQuitMessage(0);
}
