#include "pipeline/DirectoryWalk.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "log/KvLog.h"
#include "pipeline/FileBackupMgr.h"
#include "platform/FileSystem.h"
#include "util/CommonUtils.h"

namespace {

const char* kLogger = "TRAVELDIRHANDLER";
const char* const kUnreadableFolder = "无法读取文件夹";

std::string Join(const std::string& folder, const std::string& name) {
  return folder.ends_with('/') ? folder + name : folder + "/" + name;
}

}  // namespace

void DirectoryWalk::Run(const std::string& path) {
  int64_t count = CountFiles(path);
  if (count > 0) store_.addRemainingFiles(static_cast<int32_t>(count));
  bool reported = false;
  Walk(path, &reported);
  if (waitResult_ != FTL::WaitContinue) return;
  if (!reported) {
    std::string name, parent;
    if (!SplitPath(path, &name, &parent)) name = path;
    CreateIfUnknown(name);
  }
  HandOver();
}

void DirectoryWalk::Walk(const std::string& folder, bool* reported) {
  std::vector<platform::DirEntry> entries;
  if (!platform::ListDirectory(folder, &entries)) {
    LeaveUnreadable(folder);
    *reported = true;  // nothing of it could be made remotely either
    return;
  }
  bool hasFiles = false, below = false;
  waitResult_ = hooks_.waitToContinue();
  for (size_t i = 0; i < entries.size() && waitResult_ == FTL::WaitContinue; ++i) {
    const std::string entryPath = Join(folder, entries[i].name);
    if (entries[i].isDirectory) {
      Walk(entryPath, &below);
    } else if (!entries[i].isFile) {
      KV_INFO(kLogger, "TravelDirHandler: %s is not a regular file, left out", entryPath.c_str());
    } else {
      hasFiles = true;
      batch_.push_back(entryPath);
      if (batch_.size() >= kBatchSize) {
        HandOver();
        batch_.clear();
        hooks_.pauseAfterBatch();
      }
    }
    // A stop seen below ends this level too: a walk that went on here would
    // finish with the rest of that folder silently missing.
    if (waitResult_ == FTL::WaitContinue && i + 1 < entries.size())
      waitResult_ = hooks_.waitToContinue();
  }
  // A folder reported below this one is below the caller's folder too.
  if (below) *reported = true;
  if (waitResult_ != FTL::WaitContinue || hasFiles || below) return;
  std::string relPath, baseDir;
  store_.splitRemoteName(folder, &relPath, &baseDir);
  CreateIfUnknown(relPath);
  *reported = true;
}

// Its files could be neither counted nor read: the folder goes to the failed
// list in their place, so that the user sees what was not uploaded.
void DirectoryWalk::LeaveUnreadable(const std::string& folder) {
  const int err = errno;
  KV_ERROR(kLogger, "TravelDirHandler: cannot read folder %s: %s", folder.c_str(),
           std::strerror(err));
  RefusedFile unreadable;
  unreadable.file.path = folder;
  unreadable.reason = kUnreadableFolder;
  unreadable.unreadable = true;
  store_.addRefusedFile(std::move(unreadable));
  hooks_.batchHandedOver();
}

void DirectoryWalk::CreateIfUnknown(const std::string& localRelPath) {
  std::string remote = localRelPath;
  std::replace(remote.begin(), remote.end(), '/', '\\');
  if (store_.findRemoteIdByPath(remote) == -2) hooks_.createPath(remote);
}

void DirectoryWalk::HandOver() {
  KV_DEBUG(kLogger, "TravelDirHandler::sendResultToCalcSha:input: %d",
           static_cast<int>(batch_.size()));
  if (batch_.empty()) return;
  store_.addFilesToSubFileList(batch_);
  hooks_.batchHandedOver();
}
