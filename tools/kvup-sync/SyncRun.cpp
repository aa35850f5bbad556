#include "tools/kvup-sync/SyncRun.h"

#include "platform/MessageQueue.h"
#include "session/COptions.h"
#include "upload/FailedUpload.h"
#include "upload/TaskState.h"

SyncRun::SyncRun(FILE* out) : m_out(out) {
  DropPipeline::Services services = DropPipeline::Services::Process();
  services.sendStatus = [this](int32_t code) { OnCode(code); };
  services.clearPeerReady = nullptr;
  m_hub = std::make_unique<PipelineHub>(*this, *this, std::move(services),
                                        UploadQueue::Services::Process());
  SetWindow(m_hub->Window());
  COptions::Instance().m_dropWnd = m_hub->Window();
}

SyncRun::~SyncRun() {
  COptions::Instance().m_dropWnd = nullptr;
}

int SyncRun::Run(const std::vector<std::string>& paths) {
  m_start = std::chrono::steady_clock::now();
  DropPipeline& pipeline = m_hub->Pipeline();
  pipeline.resumeSavedWork();
  pipeline.OnDrop(paths);
  platform::RunMessageLoop();
  PrintSummary();
  const bool held =
      m_endCode == DropPipeline::kCodeFinished || m_endCode == DropPipeline::kCodeNothingToUpload;
  const bool allHeld = held && m_hub->Queue().PermanentFailures().empty();
  // Saves what is left (the failures too) for the next run.
  pipeline.closeSequence();
  return allHeld ? 0 : 1;
}

void SyncRun::OnCode(int32_t code) {
  if (code != DropPipeline::kCodeFinished && code != DropPipeline::kCodeNothingToUpload &&
      code != DropPipeline::kCodeStopped && code != DropPipeline::kCodeFailures)
    return;
  m_endCode = code;
  platform::PostQuitMessage(0);
}

void SyncRun::StatusChanged(const UploadTask& task, const std::string& text) {
  const std::string path = task.folder + "/" + task.name;
  if (task.state == TaskState::Done || task.state == TaskState::Instant) {
    ++(task.state == TaskState::Instant ? m_instant : m_done);
    m_bytes += task.size;
    std::fprintf(m_out, "%-8s %s (%lld bytes)\n",
                 task.state == TaskState::Instant ? "held" : "uploaded", path.c_str(),
                 static_cast<long long>(task.size));
  } else if (task.state == TaskState::NetworkError) {
    std::fprintf(m_out, "%-8s %s: %s\n", "failed", path.c_str(), text.c_str());
  }
  std::fflush(m_out);
}

// Offline and a full remote disk end the run; their texts say why.
void SyncRun::ShowStatusText(const std::string& text) {
  HeadlessViews::ShowStatusText(text);
  if (text != "离线" && text != "fodra已满") return;
  std::fprintf(m_out, "status: %s\n", text.c_str());
}

void SyncRun::PrintSummary() {
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
  const std::vector<FailedUpload>& failed = m_hub->Queue().PermanentFailures();
  for (const FailedUpload& f : failed)
    std::fprintf(m_out, "not uploaded: %s (error %d%s%s)\n", f.file.path.c_str(), f.errorCode,
                 f.description.empty() ? "" : ": ", f.description.c_str());
  std::fprintf(
      m_out, "%d uploaded, %d already held (%lld bytes), %zu failed, end code %d, %.1f s\n", m_done,
      m_instant, static_cast<long long>(m_bytes), failed.size(), m_endCode, seconds);
}
