// The maintenance worker: small service operations outside the upload of a
// file. It deletes remote files (deleteFileAction) one at a time, in the order
// they were asked for, so that a removed upload leaves no partial file behind.
//
// Threads: addDeleteFile, SetPaused, RequestStop and SetWindow come from the
// user-interface thread (SetWindow before Start); the list and mode are
// guarded by the manager's lock; the requests run on the one worker thread.
#pragma once

#include <curl/curl.h>

#include <atomic>
#include <cstdint>
#include <list>
#include <vector>

#include "platform/WindowMessage.h"
#include "session/COptions.h"
#include "session/NotifyTarget.h"
#include "workers/CEventWorkerMgr.h"

class MiscToolMgr : public CEventWorkerMgr {
 public:
  static constexpr const char* kDeleteEndpoint = "/wbx/filebackup/deleteFileAction.json";
  static constexpr int32_t kIdle = 2;
  static constexpr int32_t kWaiting = 0;

  static MiscToolMgr& Instance();

  explicit MiscToolMgr(COptions& options = COptions::Instance());
  ~MiscToolMgr() override;

  // WM_NETWORK_FAILED goes to the process's notification target unless a
  // window is set here.
  void SetWindow(platform::HWND hwnd) { m_notifyTarget.Set(hwnd); }

  // Any thread: queues the deletion of a remote file and wakes the worker.
  void addDeleteFile(int64_t fid);
  // The drop window's pause: the waiting deletions are dropped.
  void clearDeleteFiles();
  int32_t Mode();
  size_t PendingCount();

  // Worker thread.
  void takeDeleteFiles(std::vector<int64_t>* out);
  void deleteFile(int64_t fid);

 protected:
  void DoWork() override;
  void AbortRequests() override { aborting_ = true; }

 private:
  COptions& options_;
  NotifyTarget m_notifyTarget;
  std::list<int64_t> pendingDeletes;  // GUARDED_BY(m_lock)
  int32_t mode = kIdle;               // GUARDED_BY(m_lock)
  CURL* httpHandle_ = nullptr;        // worker thread
  std::atomic<bool> aborting_{false};
};
