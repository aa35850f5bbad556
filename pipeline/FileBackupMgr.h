// The process-wide store every dropped file passes through on its way to an
// upload: the pipeline lists, the count of files still to process and the
// picture of the remote backup folder.
//
// Threads: operations marked "locked" take the store's lock and may be called
// from any thread (user-interface thread, walk jobs, the comparison worker).
// The others run on the user-interface thread; the remote lookups and
// ClearRemote on the comparison worker, the only thread that changes the
// remote picture after start-up.
#pragma once

#include <cstdint>
#include <list>
#include <map>
#include <string>
#include <vector>

#include "FTL/CFCriticalSection.h"
#include "pipeline/BackupFileRecord.h"
#include "pipeline/CldFileInfo.h"
#include "pipeline/RemotePicture.h"
#include "pipeline/ShaFileRecord.h"

class FileBackupMgr {
 public:
  static FileBackupMgr& Instance();

  FileBackupMgr() = default;
  virtual ~FileBackupMgr() = default;
  FileBackupMgr(const FileBackupMgr&) = delete;
  FileBackupMgr& operator=(const FileBackupMgr&) = delete;

  // Pipeline lists.
  void addNewDrop(const std::string& path);
  // out = the new drops; they join dropList (those not in it yet), so every
  // drop under way is saved at a pause or exit. newDrops is emptied.
  void takeNewDrops(std::vector<std::string>* out);
  void rememberDragDir(const std::string& dir);
  void forgetDragDirs() { dragDirs.clear(); }
  void splitRemoteName(const std::string& path, std::string* relPath, std::string* baseDir) const;
  void addPendingFile(const std::string& path);                          // locked
  void addFilesToSubFileList(const std::vector<std::string>& batch);     // locked
  void takePendingDigests(std::vector<std::string>* out, size_t count);  // locked
  void addRemainingFiles(int32_t n);                                     // locked
  void decrementRemaining();                                             // locked
  int32_t RemainingFiles();                                              // locked
  void addShaFile(const ShaFileRecord& record);                          // locked
  void takeShaFiles(std::vector<ShaFileRecord>* out);                    // locked
  void addBackupFile(const std::string& sha, int64_t fid, const std::string& path, int64_t pid,
                     int64_t size);                          // locked
  void takeUploadQueue(std::vector<BackupFileRecord>* out);  // locked
  size_t PendingDigestCount();                               // locked
  void clearAll();

  // Remote picture.
  void addRemoteEntry(int64_t id, int64_t pid, const CldFileInfo& info, bool lock);
  void attachPendingEntries() { remote.AttachPending(); }
  bool findRemotePath(int64_t id, std::string* path) const { return remote.FindPath(id, path); }
  int64_t findRemoteIdByPath(const std::string& path) const { return remote.FindIdByPath(path); }
  bool findRemoteChild(int64_t folder, const std::string& name, const std::string& hash,
                       int64_t* id) const {
    return remote.FindChild(folder, name, hash, id);
  }
  bool hasRemoteChildren(int64_t folder) const { return remote.HasChildren(folder); }
  void clearRemote() { remote.Clear(); }
  int64_t remoteRootId() const { return remote.RootId(); }
  const RemotePicture& Remote() const { return remote; }

  const std::list<std::string>& DropList() const { return dropList; }
  const std::vector<std::string>& DragDirs() const { return dragDirs; }

 private:
  RemotePicture remote;                       // GUARDED_BY(lock) when addRemoteEntry locks
  std::vector<BackupFileRecord> uploadQueue;  // GUARDED_BY(lock)
  std::vector<std::string> newDrops;
  std::list<std::string> dropList;
  std::vector<std::string> dragDirs;
  std::list<std::string> pendingDigests;  // GUARDED_BY(lock)
  std::vector<ShaFileRecord> shaFiles;    // GUARDED_BY(lock)
  std::map<std::string, BackupFileRecord> changedFiles;
  int32_t remainingFiles = 0;  // GUARDED_BY(lock)
  mutable FTL::CFCriticalSection lock;
};
