#include "pipeline/CompareFileMgr.h"

#include <ctime>
#include <vector>

#include "log/KvLog.h"
#include "pipeline/CreatePathRequest.h"
#include "pipeline/RemoteFolderListing.h"
#include "pipeline/RemotePicture.h"
#include "session/Messages.h"

namespace {

const char* kLogger = "CompareFileMgr";
constexpr int kTaskNumber = 2;

std::vector<std::string> SplitParts(const std::string& path) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (size_t slash = path.find('/'); slash != std::string::npos; slash = path.find('/', start)) {
    parts.push_back(path.substr(start, slash - start));
    start = slash + 1;
  }
  parts.push_back(path.substr(start));
  return parts;
}

// parts[0] / ... / parts[count - 1]
std::string JoinParts(const std::vector<std::string>& parts, size_t count) {
  std::string joined;
  for (size_t i = 0; i < count; ++i) joined += (i == 0 ? "" : "/") + parts[i];
  return joined;
}

int64_t SystemClock() {
  return static_cast<int64_t>(std::time(nullptr));
}

}  // namespace

CompareFileMgr& CompareFileMgr::Instance() {
  return FTL::ProcessInstance<CompareFileMgr>();
}

CompareFileMgr::CompareFileMgr(FileBackupMgr& store, COptions& options)
    : CEventWorkerMgr(kLogger, log4cplus::DEBUG_LOG_LEVEL, kTaskNumber),
      store_(store),
      options_(options),
      clock_(&SystemClock) {}

CompareFileMgr::~CompareFileMgr() {
  StopAndJoinWorkers();
  if (httpHandle_ != nullptr) curl_easy_cleanup(httpHandle_);
}

CURL* CompareFileMgr::Handle() {
  if (httpHandle_ == nullptr) httpHandle_ = curl_easy_init();
  return httpHandle_;
}

void CompareFileMgr::WorkerMain() {
  getSubFiles(0);
  if (firstRun) {
    firstRun = false;
    readyEvent.Set();
  }
  CEventWorkerMgr::WorkerMain();
}

void CompareFileMgr::DoWork() {
  RefreshIfDue();
  std::vector<ShaFileRecord> records;
  store_.takeShaFiles(&records);
  for (size_t i = 0; i < records.size(); ++i) {
    if (StopRequested()) return;
    if (Paused()) {
      // The rest of the batch is dropped; those files stay counted.
      KV_DEBUG(kLogger, "CompareFileMgr: paused, %d records dropped",
               static_cast<int>(records.size() - i));
      return;
    }
    checkFile(records[i]);
  }
  platform::PostMessage(m_notifyTarget.Get(), msg::WM_COMPARE_DONE, 0, 0);
}

void CompareFileMgr::RefreshIfDue() {
  const int64_t now = clock_();
  if (now - lastRefresh > kRefreshSeconds || now < lastRefresh) {
    store_.clearRemote();
    getSubFiles(0);
  }
  lastRefresh = now;
}

bool CompareFileMgr::getSubFiles(int64_t pid) {
  ServiceRequest request(RemoteFolderListing::kEndpoint, Handle(), options_);
  request.SetNotifyWindow(m_notifyTarget.Get()).AbortWhen(&aborting_);
  return RemoteFolderListing::Load(store_, pid, &request);
}

int64_t CompareFileMgr::createPath(const std::string& path, std::string* refusal) {
  ServiceRequest request(CreatePathRequest::kEndpoint, Handle(), options_);
  request.SetNotifyWindow(m_notifyTarget.Get()).AbortWhen(&aborting_);
  CreatePathRequest::Folder folder;
  if (CreatePathRequest::Send(path, &request, &folder, refusal) == CreatePathRequest::kFailed)
    return RemotePicture::kNone;
  CldFileInfo info;
  // The deepest folder's own name, so that its remote path is its parent's
  // path and that name, like a listed folder's. A parent created by the same
  // request is not known yet: the folder would get a path it can never be
  // found by, so it waits for the listing instead.
  const size_t slash = path.rfind('/');
  info.name = slash == std::string::npos ? path : path.substr(slash + 1);
  info.type = folder.type;
  std::string parentPath;
  if (store_.findRemotePath(folder.pid, &parentPath))
    store_.addRemoteEntry(folder.id, folder.pid, info, true);
  return folder.id;
}

void CompareFileMgr::checkFile(const ShaFileRecord& record) {
  const std::vector<std::string> parts = SplitParts(record.relPath);
  const std::string& name = parts.back();
  if (parts.size() == 1) return CompareIn(store_.remoteRootId(), record, name);
  const std::string dirs = JoinParts(parts, parts.size() - 1);
  std::string key = std::string(RemotePicture::kRootName) + "\\" + parts[0];
  int64_t folder = store_.findRemoteIdByPath(key);
  if (folder == RemotePicture::kNone)
    return CreateAndQueue(record, dirs, name, store_.remoteRootId());
  ListIfUnknown(folder);
  for (size_t i = 1; i + 1 < parts.size(); ++i) {
    key += "\\" + parts[i];
    int64_t found = store_.findRemoteIdByPath(key);
    if (found == RemotePicture::kNone && !store_.hasRemoteChildren(folder)) {
      getSubFiles(folder);
      found = store_.findRemoteIdByPath(key);
    }
    if (found == RemotePicture::kNone) return CreateAndQueue(record, dirs, name, folder);
    folder = found;
    ListIfUnknown(folder);
  }
  CompareIn(folder, record, name);
}

void CompareFileMgr::ListIfUnknown(int64_t folder) {
  if (!store_.hasRemoteChildren(folder)) getSubFiles(folder);
}

void CompareFileMgr::CompareIn(int64_t folder, const ShaFileRecord& record,
                               const std::string& name) {
  int64_t id = 0;
  if (store_.findRemoteChild(folder, name, record.digest, &id)) {
    store_.decrementRemaining();
    return;
  }
  upldFile(record, id, name, folder);
}

void CompareFileMgr::CreateAndQueue(const ShaFileRecord& record, const std::string& dirs,
                                    const std::string& name, int64_t folder) {
  std::string refusal;
  int64_t created = createPath(dirs, &refusal);
  if (created == RemotePicture::kNone) created = createPath(dirs, &refusal);
  if (created == RemotePicture::kNone) {
    KV_INFO(kLogger, "[CompareFileMgr::checkFile]: can't create dir for file %s, pid %d",
            dirs.c_str(), static_cast<int>(static_cast<uint32_t>(folder)));
    Refuse(record, refusal);
    return;
  }
  // The folders just made become known from their parent down, so the next
  // file of the same folder finds them instead of creating them again.
  getSubFiles(folder);
  upldFile(record, 0, name, created);
}

// Counted down and handed to the window as failed: left counted, the file
// would keep its batch from ever ending.
void CompareFileMgr::Refuse(const ShaFileRecord& record, const std::string& reason) {
  RefusedFile refused;
  refused.file.path = record.baseDir + "/" + record.relPath;
  refused.file.sha = record.digest;
  refused.file.size = record.size;
  refused.reason = reason;
  store_.addRefusedFile(std::move(refused));
  store_.decrementRemaining();
  platform::PostMessage(m_notifyTarget.Get(), msg::WM_BACKUP_NOTIFY, 0, 0);
}

void CompareFileMgr::upldFile(const ShaFileRecord& record, int64_t fid, const std::string& name,
                              int64_t pid) {
  KV_DEBUG(kLogger, "CompareFileMgr::upldFile: name %s", name.c_str());
  store_.addBackupFile(record.digest, fid, record.baseDir + "/" + record.relPath, pid, record.size);
  platform::PostMessage(m_notifyTarget.Get(), msg::WM_BACKUP_NOTIFY, 0, 0);
}
