// The comparison worker: decides for every digested file whether it must be
// uploaded and into which remote folder, mirroring the dropped tree below the
// backup root. It lists remote folders as it needs them, rebuilds the whole
// remote picture at most every 10 seconds of activity, creates missing remote
// folders, skips files the service holds with the same name and digest, and
// queues the others in the store's upload queue.
//
// Threads: SignalWork, SetPaused, RequestStop and SetWindow come from the
// user-interface thread (SetWindow and SetClock before Start); everything
// else, all requests included, runs on the one worker thread.
#pragma once

#include <curl/curl.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "pipeline/FileBackupMgr.h"
#include "pipeline/ShaFileRecord.h"
#include "platform/Event.h"
#include "platform/WindowMessage.h"
#include "session/COptions.h"
#include "session/NotifyTarget.h"
#include "workers/CEventWorkerMgr.h"

class CompareFileMgr : public CEventWorkerMgr {
 public:
  static constexpr int64_t kRefreshSeconds = 10;
  // Seconds since 1970-01-01 UTC.
  using Clock = std::function<int64_t()>;

  static CompareFileMgr& Instance();

  explicit CompareFileMgr(FileBackupMgr& store = FileBackupMgr::Instance(),
                          COptions& options = COptions::Instance());
  ~CompareFileMgr() override;

  // WM_BACKUP_NOTIFY, WM_COMPARE_DONE and WM_NETWORK_FAILED go to the
  // process's notification target unless a window is set here.
  void SetWindow(platform::HWND hwnd) { m_notifyTarget.Set(hwnd); }
  void SetClock(Clock clock) { clock_ = std::move(clock); }

  // Set once, after the worker's first listing of the backup root.
  platform::Event readyEvent{false, false};

  // Worker thread.
  void checkFile(const ShaFileRecord& record);
  void upldFile(const ShaFileRecord& record, int64_t fid, const std::string& name, int64_t pid);
  // A '/'-separated folder path below the backup root; the new folder's id or
  // -2. The folder joins the remote picture.
  // refusal (optional): the service's description when it refused.
  int64_t createPath(const std::string& path, std::string* refusal = nullptr);
  bool getSubFiles(int64_t pid);

 protected:
  void WorkerMain() override;
  void DoWork() override;
  void AbortRequests() override { aborting_ = true; }

 private:
  void RefreshIfDue();
  // findRemoteChild in folder: skip the file when it is there, else queue it.
  void CompareIn(int64_t folder, const ShaFileRecord& record, const std::string& name);
  // Creates dirs (two attempts) and queues the file into the new folder.
  void CreateAndQueue(const ShaFileRecord& record, const std::string& dirs, const std::string& name,
                      int64_t folder);
  void ListIfUnknown(int64_t folder);
  void Refuse(const ShaFileRecord& record, const std::string& reason);
  CURL* Handle();

  FileBackupMgr& store_;
  COptions& options_;
  NotifyTarget m_notifyTarget;
  bool firstRun = true;         // worker thread
  int64_t lastRefresh = 0;      // worker thread
  CURL* httpHandle_ = nullptr;  // worker thread
  std::atomic<bool> aborting_{false};
  Clock clock_;
};
