// Construction, message routing, the drop handler and the digest feed.
#include "upload/DropPipeline.h"

#include "log/KvLog.h"
#include "peer/ClientInterfaceMgr.h"
#include "pipeline/CompareFileMgr.h"
#include "pipeline/ComputeShaMgr.h"
#include "pipeline/FileBackupMgr.h"
#include "pipeline/MiscToolMgr.h"
#include "pipeline/TravelDirMgr.h"
#include "platform/FileSystem.h"
#include "session/COptions.h"
#include "session/NotifyTarget.h"
#include "store/CWriteDbMgr.h"
#include "upload/CUpldThreadMgr.h"
#include "upload/DropPipelineView.h"
#include "upload/UploadQueue.h"
#include "util/CommonUtils.h"

namespace {
const char* const kLog = "DndUiDlg";
}

DropPipeline::Services DropPipeline::Services::Process() {
  Services s;
  s.options = &COptions::Instance();
  s.store = &FileBackupMgr::Instance();
  s.writer = &CWriteDbMgr::Instance();
  s.digests = &ComputeShaMgr::Instance();
  s.walks = &TravelDirMgr::Instance();
  s.compare = &CompareFileMgr::Instance();
  s.maintenance = &MiscToolMgr::Instance();
  s.uploads = &CUpldThreadMgr::Instance();
  s.sendStatus = [](int32_t code) { ClientInterfaceMgr::Instance().SendStatus(code); };
  s.clearPeerReady = [] { ClientInterfaceMgr::Instance().ClearPeerReady(); };
  return s;
}

DropPipeline::DropPipeline(DropPipelineView& view, UploadQueue& queue, Services services)
    : m_view(view), m_queue(queue), m_services(std::move(services)) {}

DropPipeline::~DropPipeline() = default;

bool DropPipeline::HandleMessage(platform::UINT message, platform::WPARAM w, platform::LPARAM,
                                 platform::LRESULT* result) {
  switch (message) {
    case msg::WM_CLIENT_LOGIN:
      OnClientLogin();
      return true;
    case msg::WM_NETWORK_FAILED:
      OnNetworkFailed();
      return true;
    case msg::WM_CLIENT_EVENT:
      *result = OnClientMsgCome();
      return true;
    case msg::WM_UPLOADS_DRAINED:
      OnUploadsDrained();
      return true;
    case msg::WM_DIGEST_DONE:
      *result = OnCalcShaFinish(msg::RecordFrom<msg::CalcShaResult>(w));
      return true;
    case msg::WM_CLIENT_LOGOUT:
      goOffline();
      return true;
    case msg::WM_BACKUP_NOTIFY:
      *result = OnBackupNotify();
      return true;
    case msg::WM_SPEED_CHANGED:
      *result = showSpeed();
      return true;
    case msg::WM_WALK_DONE:
      // A comparison pass with nothing left to compare ends a batch whose
      // only outcome is what could not be read.
      if (m_queue.takeRefusedFiles()) m_services.compare->SignalWork();
      startDigestJobs();
      *result = 1;
      return true;
    case msg::WM_COMPARE_DONE:
      OnCompareDone();
      return true;
    case msg::WM_DROP_PATHS:
      *result = OnDropRecord(msg::RecordFrom<msg::DropPathsRecord>(w));
      return true;
    default:
      return false;
  }
}

bool DropPipeline::OnTimer(int32_t id) {
  if (id == kTimerErrorWindow) {
    DecideErrorWindow();
    return true;
  }
  if (id == kTimerRetry) {
    OnRetryTimer();
    return true;
  }
  if (id == kTimerDiskFull) {
    OnDiskFullTimer();
    return true;
  }
  return false;
}

// ---- drops ----

platform::LRESULT DropPipeline::OnDropRecord(const msg::DropPathsRecord* record) {
  if (record) OnDrop(record->paths);
  return 1;
}

void DropPipeline::OnDrop(const std::vector<std::string>& paths) {
  if (State() == WorkState::kOffline) return;
  for (const std::string& path : paths) m_services.store->addNewDrop(path);
  if (State() == WorkState::kReady) {
    m_view.ShowStatusToolTip("拖拽文件到此上传到Quorel", 80);
    m_view.ShowStatusText("读取中...");
  }
  dispatchNewDrops();
}

void DropPipeline::dispatchNewDrops() {
  if (m_hasFailures) {
    m_hasFailures = false;
    m_queue.clearFailureDisplay();
  }
  m_retryPasses = 0;
  std::vector<std::string> drops;
  m_services.store->takeNewDrops(&drops);
  if (drops.empty()) return;
  // On disk before any walk starts: a crash from here on walks them again.
  m_services.writer->TrackDragDirs(drops);
  for (const std::string& path : drops) DispatchPath(path);
  SetState(StateNumber(State()) > StateNumber(WorkState::kFirstUploads) ? WorkState::kLaterDrops
                                                                        : WorkState::kFirstDrop);
  startDigestJobs();
}

void DropPipeline::dispatchSavedDrops() {
  // A copy: walks and the store may change the list meanwhile.
  const std::list<std::string> drops = m_services.store->DropList();
  for (const std::string& path : drops) DispatchPath(path);
  SetState(WorkState::kLaterDrops);
  startDigestJobs();
}

void DropPipeline::DispatchPath(const std::string& path) {
  if (platform::PathIsRegularFile(path)) {
    m_services.store->addPendingFile(path);
    return;
  }
  if (!platform::PathIsDirectory(path)) {
    KV_INFO(kLog, "CDndUiDlg: %s is neither a folder nor a regular file, left out", path.c_str());
    return;
  }
  std::string name;
  std::string parent;
  if (SplitPath(path, &name, &parent)) m_services.store->rememberDragDir(parent);
  m_services.walks->AddJob(TravelDirParam{m_window, path});
}

// ---- digests ----

void DropPipeline::startDigestJobs() {
  const int32_t n = kMaxDigestJobs - m_runningDigestJobs;
  if (n <= 0 || m_services.store->PendingDigestCount() == 0) return;
  std::vector<std::string> paths;
  m_services.store->takePendingDigests(&paths, static_cast<size_t>(n));
  for (const std::string& path : paths) {
    if (m_runningDigestJobs >= kMaxDigestJobs) break;
    invokeToCalcSha(path);
    ++m_runningDigestJobs;
  }
}

void DropPipeline::invokeToCalcSha(const std::string& path) {
  KV_DEBUG(kLog, "CDndUiDlg::invokeToCalcSha: %s", path.c_str());
  if (m_services.digests->AddJob(CalcShaParam{m_window, path})) return;
  KV_DEBUG(kLog, "CDndUiDlg::invokeToCalcSha: can't start thread");
  // The null result gives the job's counter back.
  platform::PostMessage(NotifyTarget::Resolve(m_window), msg::WM_DIGEST_DONE, 0, 0);
}

platform::LRESULT DropPipeline::OnCalcShaFinish(const msg::CalcShaResult* result) {
  KV_DEBUG(kLog, "CDndUiDlg::OnCalcShaFinish");
  --m_runningDigestJobs;
  if (!result) {
    startDigestJobs();
    return 1;
  }
  if (State() == WorkState::kResumeList) {
    m_services.store->recheckChangedFile(result->path, result->digest);
    // The result is not read again below: the resume list's files are
    // queued by the store, not by this record.
    if (m_services.store->UploadQueueCount() > 0) StartResumedUploads();
    startDigestJobs();
    return 1;
  }
  ShaFileRecord record;
  m_services.store->splitRemoteName(result->path, &record.relPath, &record.baseDir);
  record.digest = result->digest;
  record.size = result->size;
  m_services.store->addShaFile(record);
  startDigestJobs();
  m_services.compare->SignalWork();
  return 1;
}

void DropPipeline::StartResumedUploads() {
  m_queue.upldNewFiles();
  setMainButtons(true);
  if (Busy() != BusyState::kRunning) {
    m_services.options->m_busy = BusyState::kRunning;
    SendCode(kCodeStarted);
  }
}

platform::LRESULT DropPipeline::OnBackupNotify() {
  KV_DEBUG(kLog, "CDndUiDlg::OnBackupNotify");
  if (State() == WorkState::kOffline) return 1;
  const int32_t before = m_queue.ActiveCount();
  m_queue.upldNewFiles();
  if (before == 0 && m_queue.ActiveCount() > 0) {
    m_services.options->m_busy = BusyState::kRunning;
    SetState(StateNumber(State()) > StateNumber(WorkState::kFirstDrop) ? WorkState::kLaterUploads
                                                                       : WorkState::kFirstUploads);
    setMainButtons(true);
    SendCode(kCodeStarted);
  }
  return 1;
}

void DropPipeline::setMainButtons(bool running) {
  m_view.SetMainButtons(running);
}

// ---- texts and codes ----

void DropPipeline::ShowStatusText(const std::string& text) {
  m_view.ShowStatusText(text);
}

void DropPipeline::SendCode(int32_t code) {
  if (m_services.sendStatus) m_services.sendStatus(code);
}

platform::LRESULT DropPipeline::showSpeed() {
  if (Busy() == BusyState::kRunning)
    m_view.ShowStatusText(SpeedText(m_services.options->m_currentSpeed.load()));
  return 0;
}

std::string DropPipeline::SpeedText(int32_t s) {
  const int32_t k = s / 1024;
  if (k < 1) return " " + std::to_string(s) + (s <= 0 ? "B/S" : "Byte/秒");
  if (k <= 1024) return " " + std::to_string(k) + "KB/秒";
  const int32_t m = k / 1024;
  const int32_t r = k % 1000;
  if (r < 100) return " " + std::to_string(m) + "MB/秒";
  return " " + std::to_string(m) + "." + std::to_string(r / 10) + "MB/秒";
}

WorkState DropPipeline::State() const {
  return m_services.options->m_workState.load();
}

void DropPipeline::SetState(WorkState state) {
  m_services.options->m_workState = state;
}

BusyState DropPipeline::Busy() const {
  return m_services.options->m_busy.load();
}
