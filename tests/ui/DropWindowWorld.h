// A world for the drop window: the manager window's world (temporary data
// folder, options of user 7, the build's skins) plus the drop window on it,
// with its own pipeline services (this world's store; digest, walk,
// comparison, maintenance, writer and upload managers that are never
// started, so they refuse work) and a record of the codes sent to the client.
#pragma once

#include <vector>

#include "ManagerWindowWorld.h"
#include "pipeline/CompareFileMgr.h"
#include "pipeline/ComputeShaMgr.h"
#include "pipeline/MiscToolMgr.h"
#include "pipeline/TravelDirMgr.h"
#include "store/CWriteDbMgr.h"
#include "ui/CDndUiDlg.h"
#include "upload/CUpldThreadMgr.h"

namespace managertest {

class DropWindowWorld : public ManagerWindowWorld {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The drop window as start-up makes it, at (x, y), wired to the hidden
  // manager window.
  CDndUiDlg* OpenDropWindow(int x, int y);
  DropPipeline::Services Services();
  std::string StatusText();
  DuiLib::CControlUI* StatusLabel() { return drop_->StatusLabel(); }

  CDndUiDlg* drop_ = nullptr;
  std::vector<int32_t> codes_;
  ComputeShaMgr digests_;
  TravelDirMgr walks_{store_, COptions::Instance()};
  CompareFileMgr compare_{store_};
  MiscToolMgr maintenance_;
  CWriteDbMgr writer_;
  CUpldThreadMgr uploads_;
};

}  // namespace managertest
