#include "pipeline/FileBackupMgr.h"

#include <algorithm>

#include "FTL/CFScopedLock.h"
#include "util/CommonUtils.h"
#include "util/KvLog.h"

namespace {

const char* kLogger = "FileBackupMgr";

// The last component and its parent; a path without '/' is all relPath.
void SplitAtLastSeparator(const std::string& path, std::string* relPath, std::string* baseDir) {
  if (!SplitPath(path, relPath, baseDir)) {
    *relPath = path;
    baseDir->clear();
  }
}

}  // namespace

FileBackupMgr& FileBackupMgr::Instance() {
  static FileBackupMgr instance;
  return instance;
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

void FileBackupMgr::clearAll() {
  remote.Clear();
  newDrops.clear();
  dropList.clear();
  FTL::CFScopedLock guard(lock);
  uploadQueue.clear();
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
