#include "app/ResumeRun.h"

#include "log/KvLog.h"
#include "peer/ClientInterfaceMgr.h"
#include "pipeline/FileBackupMgr.h"
#include "session/COptions.h"
#include "store/CWriteDbMgr.h"
#include "upload/DropPipeline.h"
#include "upload/UploadQueue.h"

namespace resumerun {

void Resume(DropPipeline& pipeline, UploadQueue& queue) {
  COptions& options = COptions::Instance();
  FileBackupMgr& store = FileBackupMgr::Instance();
  pipeline.setMainButtons(false);
  store.loadResumeState();
  options.m_workState = WorkState::kReady;
  if (store.PendingDigestCount() > 0) {
    options.m_workState = WorkState::kResumeList;
    pipeline.startDigestJobs();
  }
  const size_t queued = store.UploadQueueCount();
  KV_INFO("KVUP", "KVUP resume: %d uploads, %d files to digest, last state %d",
          static_cast<int>(queued), static_cast<int>(store.PendingDigestCount()),
          StateNumber(options.m_lastTxStatus.load()));
  if (queued == 0) {
    store.loadDropList();
    if (!store.DropList().empty()) {
      store.loadRemoteFolder(0);
      pipeline.dispatchSavedDrops();
    }
  } else {
    queue.upldNewFiles();
    pipeline.setMainButtons(true);
    if (options.m_lastTxStatus.load() == BusyState::kPaused) {
      options.m_workState = WorkState::kResumeList;
      options.m_lastTxStatus = BusyState::kNothingRecorded;
      queue.OnButtonUpPause();
    } else {
      options.m_busy = BusyState::kRunning;
      options.m_workState = WorkState::kResumeList;
      ClientInterfaceMgr& link = ClientInterfaceMgr::Instance();
      if (link.PeerReady()) link.SendStatus(DropPipeline::kCodeStarted);
    }
  }
  if (options.m_workState.load() != WorkState::kResumeList) CWriteDbMgr::Instance().ClearDragDirs();
}

}  // namespace resumerun
