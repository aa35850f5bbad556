// The process-wide store every dropped file passes through on its way to an
// upload: the pipeline lists, the count of files still to process and the
// picture of the remote backup folder.
//
// Threads: operations marked "locked" take the store's lock and may be called
// from any thread (user-interface thread, walk jobs, the comparison worker).
// The others run on the user-interface thread. The remote picture is changed
// by the comparison worker and read by walk jobs at the same time, so every
// remote operation takes the lock too.
#pragma once

#include <curl/curl.h>

#include <cstdint>
#include <list>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "FTL/CFCriticalSection.h"
#include "pipeline/BackupFileRecord.h"
#include "pipeline/CldFileInfo.h"
#include "pipeline/RefusedFile.h"
#include "pipeline/RemotePicture.h"
#include "pipeline/ShaFileRecord.h"
#include "session/COptions.h"

class FileBackupMgr {
 public:
  static FileBackupMgr& Instance();

  // options: the account, its data folder and the session of the requests.
  explicit FileBackupMgr(COptions& options = COptions::Instance()) : options_(options) {}
  virtual ~FileBackupMgr();
  FileBackupMgr(const FileBackupMgr&) = delete;
  FileBackupMgr& operator=(const FileBackupMgr&) = delete;

  // Pipeline lists.
  void addNewDrop(const std::string& path);
  // out = the new drops; they join dropList (those not in it yet), so every
  // drop under way is saved at a pause or exit. newDrops is emptied.
  void takeNewDrops(std::vector<std::string>* out);
  // The end of a batch or comparison: the drops are done.
  void clearDropList() { dropList.clear(); }
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
  // Files that will not be uploaded in this batch; counted down already.
  void addRefusedFile(RefusedFile refused);              // locked
  void takeRefusedFiles(std::vector<RefusedFile>* out);  // locked
  size_t UploadQueueCount();                             // locked
  size_t PendingDigestCount();                           // locked
  void clearAll();

  // Remote picture.
  // Lists remote folder pid (0: the backup root) with the store's own handle
  // into the picture (getSubFilesAction). Start-up thread.
  bool loadRemoteFolder(int64_t pid);
  void addRemoteEntry(int64_t id, int64_t pid, const CldFileInfo& info, bool lock);
  // An upload ended held by the service: the picture shows it at once, so a
  // drop of the same file before the next listing sends nothing.
  void rememberHeld(int64_t id, int64_t pid, const CldFileInfo& info);  // locked
  void attachPendingEntries();                                          // locked
  bool findRemotePath(int64_t id, std::string* path) const;             // locked
  int64_t findRemoteIdByPath(const std::string& path) const;            // locked
  bool findRemoteChild(int64_t folder, const std::string& name, const std::string& hash,
                       int64_t* id) const;       // locked
  bool hasRemoteChildren(int64_t folder) const;  // locked
  void clearRemote();                            // locked
  int64_t remoteRootId() const;                  // locked
  // Unlocked view, for single-threaded callers (benchmarks, tests).
  const RemotePicture& Remote() const { return remote; }

  // Resume state, from and to the txlog database.
  // Unfinished uploads of the account: unchanged files go to uploadQueue,
  // changed ones to changedFiles and pendingDigests, the rows of missing
  // ones are deleted; the others stay until their upload completes (a crash
  // meanwhile resumes them again). m_lastTxStatus from last_tx_status, whose
  // row is deleted.
  void loadResumeState();
  // The account's drag_dir rows join dropList; they stay until the batch
  // ends (CWriteDbMgr::ForgetDragDirs).
  void loadDropList();
  // Every path of dropList to the database writer (drag_dir); empties it.
  void saveDropList();
  // The new digest of a file in changedFiles: the same digest resumes the
  // recorded upload; another one uploads the file anew into the same remote
  // folder, replacing the remote file. Either way it leaves changedFiles.
  // Locked.
  void recheckChangedFile(const std::string& path, const std::string& digest);
  size_t ChangedFileCount();  // locked

  const std::list<std::string>& DropList() const { return dropList; }
  const std::vector<std::string>& DragDirs() const { return dragDirs; }

 private:
  // REQUIRES: lock held.
  // false: the row cannot resume (unusable, its file gone, or a second row
  // of a file in loaded).
  bool addResumeRow(const std::vector<std::string>& row, std::set<std::string>* loaded);

  RemotePicture remote;                       // GUARDED_BY(lock) when addRemoteEntry locks
  std::vector<BackupFileRecord> uploadQueue;  // GUARDED_BY(lock)
  std::vector<RefusedFile> refusedFiles;      // GUARDED_BY(lock)
  std::vector<std::string> newDrops;
  std::list<std::string> dropList;
  std::vector<std::string> dragDirs;
  std::list<std::string> pendingDigests;                 // GUARDED_BY(lock)
  std::vector<ShaFileRecord> shaFiles;                   // GUARDED_BY(lock)
  std::map<std::string, BackupFileRecord> changedFiles;  // GUARDED_BY(lock)
  int32_t remainingFiles = 0;                            // GUARDED_BY(lock)
  mutable FTL::CFCriticalSection lock;
  COptions& options_;
  CURL* httpHandle_ = nullptr;  // listing requests of the start-up thread
};
