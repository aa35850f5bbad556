#include "pipeline/FileBackupMgr.h"

#include <algorithm>
#include <filesystem>
#include <set>

#include "FTL/CFScopedLock.h"
#include "log/KvLog.h"
#include "pipeline/RemoteFolderListing.h"
#include "sqlite/DBWrapper.h"
#include "store/CWriteDbMgr.h"
#include "util/CommonUtils.h"

namespace {

const char* kLogger = "FileBackupMgr";
// The resume journal commits while the saved work is read back: the read
// waits for the commit instead of finding the rows locked, and so missing
// (a batch would end told complete with its saved drops never walked).
constexpr int kResumeReadWaitMs = 5000;

// The last component and its parent; a path without '/' is all relPath.
void SplitAtLastSeparator(const std::string& path, std::string* relPath, std::string* baseDir) {
  if (!SplitPath(path, relPath, baseDir)) {
    *relPath = path;
    baseDir->clear();
  }
}

// An undo_files row by position: 1 size, 3 sha, 4 fid, 5 pid, 6 path,
// 7 name, 8 ctime, 9 mtime.
struct ResumeRow {
  BackupFileRecord record;
  int64_t ctime = 0;
  int64_t mtime = 0;

  bool Read(const std::vector<std::string>& row) {
    if (row.size() < 10) return false;
    if (!TryStrToInt64(row[1], &record.size) || !TryStrToInt64(row[4], &record.fid) ||
        !TryStrToInt64(row[5], &record.pid) || !TryStrToInt64(row[8], &ctime) ||
        !TryStrToInt64(row[9], &mtime))
      return false;
    record.sha = row[3];
    record.path = Utf8ToSystem(row[6]) + "/" + Utf8ToSystem(row[7]);
    record.resumed = 1;
    return true;
  }
};

std::string JoinRow(const std::vector<std::string>& row) {
  std::string text;
  for (const std::string& value : row) text += (text.empty() ? "" : "|") + value;
  return text;
}

}  // namespace

FileBackupMgr& FileBackupMgr::Instance() {
  static FileBackupMgr instance;
  return instance;
}

FileBackupMgr::~FileBackupMgr() {
  if (httpHandle_ != nullptr) curl_easy_cleanup(httpHandle_);
}

void FileBackupMgr::addNewDrop(const std::string& path) {
  newDrops.push_back(path);
}

void FileBackupMgr::takeNewDrops(std::vector<std::string>* out) {
  *out = newDrops;
  for (const std::string& path : newDrops) {
    if (std::find(dropList.begin(), dropList.end(), path) == dropList.end())
      dropList.push_back(path);
  }
  newDrops.clear();
}

void FileBackupMgr::rememberDragDir(const std::string& dir) {
  if (std::find(dragDirs.begin(), dragDirs.end(), dir) == dragDirs.end()) dragDirs.push_back(dir);
}

void FileBackupMgr::splitRemoteName(const std::string& path, std::string* relPath,
                                    std::string* baseDir) const {
  const std::vector<std::string> dirs = dragDirs;
  for (const std::string& dir : dirs) {
    if (path.find(dir) == std::string::npos) continue;
    // A folder dropped after one of its subfolders is itself a drag dir:
    // nothing would be left after the prefix, so it splits like a lone drop.
    if (path.size() <= dir.size()) break;
    *relPath = path.substr(dir.size() + 1);
    *baseDir = dir;
    return;
  }
  SplitAtLastSeparator(path, relPath, baseDir);
}

void FileBackupMgr::addPendingFile(const std::string& path) {
  FTL::CFScopedLock guard(lock);
  pendingDigests.push_back(path);
  ++remainingFiles;
}

void FileBackupMgr::addFilesToSubFileList(const std::vector<std::string>& batch) {
  size_t before = PendingDigestCount();
  KV_DEBUG(kLogger, "FileBackupMgr::addFilesToSubFileList: exsit: %d, input: %d",
           static_cast<int>(before), static_cast<int>(batch.size()));
  size_t after = 0;
  {
    FTL::CFScopedLock guard(lock);
    pendingDigests.insert(pendingDigests.end(), batch.begin(), batch.end());
    after = pendingDigests.size();
  }
  KV_DEBUG(kLogger, "FileBackupMgr::addFilesToSubFileList: after add: %d", static_cast<int>(after));
}

void FileBackupMgr::takePendingDigests(std::vector<std::string>* out, size_t count) {
  FTL::CFScopedLock guard(lock);
  while (count-- > 0 && !pendingDigests.empty()) {
    out->push_back(std::move(pendingDigests.front()));
    pendingDigests.pop_front();
  }
}

size_t FileBackupMgr::PendingDigestCount() {
  FTL::CFScopedLock guard(lock);
  return pendingDigests.size();
}

void FileBackupMgr::addRemainingFiles(int32_t n) {
  FTL::CFScopedLock guard(lock);
  remainingFiles += n;
}

void FileBackupMgr::decrementRemaining() {
  FTL::CFScopedLock guard(lock);
  if (remainingFiles > 0) --remainingFiles;
}

int32_t FileBackupMgr::RemainingFiles() {
  FTL::CFScopedLock guard(lock);
  return remainingFiles;
}

void FileBackupMgr::addShaFile(const ShaFileRecord& record) {
  KV_DEBUG(kLogger, "FileBackupMgr::addShaFile: name %s", record.relPath.c_str());
  FTL::CFScopedLock guard(lock);
  shaFiles.push_back(record);
}

void FileBackupMgr::takeShaFiles(std::vector<ShaFileRecord>* out) {
  FTL::CFScopedLock guard(lock);
  *out = std::move(shaFiles);
  shaFiles.clear();
}

void FileBackupMgr::addBackupFile(const std::string& sha, int64_t fid, const std::string& path,
                                  int64_t pid, int64_t size) {
  KV_DEBUG(kLogger, "FileBackupMgr::addBackupFile: name %s", path.c_str());
  BackupFileRecord record;
  record.path = path;
  record.pid = pid;
  record.fid = fid;
  record.size = size;
  record.sha = sha;
  FTL::CFScopedLock guard(lock);
  uploadQueue.push_back(std::move(record));
}

void FileBackupMgr::takeUploadQueue(std::vector<BackupFileRecord>* out) {
  FTL::CFScopedLock guard(lock);
  *out = std::move(uploadQueue);
  uploadQueue.clear();
}

void FileBackupMgr::addRefusedFile(RefusedFile refused) {
  FTL::CFScopedLock guard(lock);
  refusedFiles.push_back(std::move(refused));
}

void FileBackupMgr::takeRefusedFiles(std::vector<RefusedFile>* out) {
  FTL::CFScopedLock guard(lock);
  *out = std::move(refusedFiles);
  refusedFiles.clear();
}

void FileBackupMgr::clearAll() {
  newDrops.clear();
  dropList.clear();
  FTL::CFScopedLock guard(lock);
  remote.Clear();
  uploadQueue.clear();
  refusedFiles.clear();
  pendingDigests.clear();
  changedFiles.clear();
  shaFiles.clear();
  remainingFiles = 0;
}

void FileBackupMgr::addRemoteEntry(int64_t id, int64_t pid, const CldFileInfo& info, bool lockIt) {
  if (!lockIt) return remote.Add(id, pid, info);
  FTL::CFScopedLock guard(lock);
  remote.Add(id, pid, info);
}

void FileBackupMgr::rememberHeld(int64_t id, int64_t pid, const CldFileInfo& info) {
  FTL::CFScopedLock guard(lock);
  remote.Held(id, pid, info);
}

void FileBackupMgr::attachPendingEntries() {
  FTL::CFScopedLock guard(lock);
  remote.AttachPending();
}

bool FileBackupMgr::findRemotePath(int64_t id, std::string* path) const {
  FTL::CFScopedLock guard(lock);
  return remote.FindPath(id, path);
}

int64_t FileBackupMgr::findRemoteIdByPath(const std::string& path) const {
  FTL::CFScopedLock guard(lock);
  return remote.FindIdByPath(path);
}

bool FileBackupMgr::findRemoteChild(int64_t folder, const std::string& name,
                                    const std::string& hash, int64_t* id) const {
  FTL::CFScopedLock guard(lock);
  return remote.FindChild(folder, name, hash, id);
}

bool FileBackupMgr::hasRemoteChildren(int64_t folder) const {
  FTL::CFScopedLock guard(lock);
  return remote.HasChildren(folder);
}

void FileBackupMgr::clearRemote() {
  FTL::CFScopedLock guard(lock);
  remote.Clear();
}

int64_t FileBackupMgr::remoteRootId() const {
  FTL::CFScopedLock guard(lock);
  return remote.RootId();
}

bool FileBackupMgr::loadRemoteFolder(int64_t pid) {
  if (httpHandle_ == nullptr) httpHandle_ = curl_easy_init();
  ServiceRequest request(RemoteFolderListing::kEndpoint, httpHandle_, options_);
  return RemoteFolderListing::Load(*this, pid, &request);
}

void FileBackupMgr::loadResumeState() {
  DBWrapper db(options_.DatabasePath(dbschema::Database::kTxlog));
  if (!db.Open()) return;
  db.SetBusyWait(kResumeReadWaitMs);
  const std::string user = std::to_string(options_.m_userId);
  db.Query("SELECT * FROM undo_files where userid=" + user + ";");
  // The rows stay until their file completes; only those that can never
  // resume (file gone, unreadable, a second row of one file) go now.
  std::string dropped;
  {
    FTL::CFScopedLock guard(lock);
    std::set<std::string> loaded;
    for (const DBWrapper::Row& row : db.Rows()) {
      int64_t id = 0;
      if (!addResumeRow(row, &loaded) && !row.empty() && TryStrToInt64(row[0], &id))
        dropped += (dropped.empty() ? "" : ",") + std::to_string(id);
    }
  }
  db.Query("SELECT * FROM last_tx_status where userid=" + user + ";");
  const std::vector<DBWrapper::Row> status = db.Rows();
  int64_t txStatus = 0;
  if (status.size() == 1 && TryStrToInt64(status[0].back(), &txStatus))
    options_.m_lastTxStatus = static_cast<BusyState>(txStatus);
  std::string deletions = "DELETE FROM last_tx_status where userid=" + user + ";";
  if (!dropped.empty()) deletions += "DELETE FROM undo_files where id IN (" + dropped + ");";
  db.executeSQL(deletions);
  db.Close();
  FTL::CFScopedLock guard(lock);
  // Changed files come back through recheckChangedFile and are uploaded too.
  remainingFiles = static_cast<int32_t>(uploadQueue.size() + changedFiles.size());
}

bool FileBackupMgr::addResumeRow(const std::vector<std::string>& row,
                                 std::set<std::string>* loaded) {
  ResumeRow resume;
  if (!resume.Read(row)) {
    KV_ERROR(kLogger, "FileBackupMgr::loadResumeState: unusable row skipped: %s",
             JoinRow(row).c_str());
    return false;
  }
  int64_t ctime = 0, mtime = 0;
  if (!ReadFileTimes(resume.record.path, &ctime, &mtime)) return false;  // the file is gone
  if (!loaded->insert(resume.record.path).second) return false;
  if (ctime == resume.ctime && mtime == resume.mtime) {
    uploadQueue.push_back(std::move(resume.record));
    return true;
  }
  const std::string path = resume.record.path;
  changedFiles[path] = std::move(resume.record);
  pendingDigests.push_back(path);
  return true;
}

void FileBackupMgr::recheckChangedFile(const std::string& path, const std::string& digest) {
  FTL::CFScopedLock guard(lock);
  auto it = changedFiles.find(path);
  if (it == changedFiles.end()) return;
  BackupFileRecord record = std::move(it->second);
  changedFiles.erase(it);
  if (record.sha != digest) {
    // New content: replace the remote file from its first byte.
    KV_DEBUG(kLogger, "FileBackupMgr::recheckChangedFile: %s changed, uploaded anew", path.c_str());
    std::error_code error;
    const uintmax_t size = std::filesystem::file_size(path, error);
    record.size = error ? record.size : static_cast<int64_t>(size);
    record.sha = digest;
    record.resumed = 0;
  }
  uploadQueue.push_back(std::move(record));
}

size_t FileBackupMgr::UploadQueueCount() {
  FTL::CFScopedLock guard(lock);
  return uploadQueue.size();
}

size_t FileBackupMgr::ChangedFileCount() {
  FTL::CFScopedLock guard(lock);
  return changedFiles.size();
}

void FileBackupMgr::loadDropList() {
  DBWrapper db(options_.DatabasePath(dbschema::Database::kTxlog));
  if (!db.Open()) return;
  db.SetBusyWait(kResumeReadWaitMs);
  const std::string user = std::to_string(options_.m_userId);
  db.Query("SELECT * FROM drag_dir where userid=" + user + ";");
  for (const DBWrapper::Row& row : db.Rows()) {
    if (row.size() < 3) continue;  // a NULL path
    const std::string path = Utf8ToSystem(row[1]);
    if (std::find(dropList.begin(), dropList.end(), path) == dropList.end())
      dropList.push_back(path);
  }
  db.Close();
}

void FileBackupMgr::saveDropList() {
  for (const std::string& path : dropList) CWriteDbMgr::Instance().AddDragDir(path);
  dropList.clear();
}
