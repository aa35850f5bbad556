#include "DropWindowWorld.h"

#include "duilib/WindowFunctions.h"
#include "session/COptions.h"

using namespace DuiLib;

namespace managertest {

void DropWindowWorld::SetUp() {
  ManagerWindowWorld::SetUp();
  COptions& options = COptions::Instance();
  options.m_workState = WorkState::kReady;
  options.m_busy = BusyState::kIdle;
  options.m_currentSpeed = 0;
  // The close sequence saves the resume list through the writer.
  UploadQueue::Services services = PageServices();
  services.writer = &writer_;
  ASSERT_NE(OpenWindow(services, false), nullptr);
}

void DropWindowWorld::TearDown() {
  if (drop_ != nullptr) drop_->DestroyWindow();  // deletes itself and its tool-tip
  drop_ = nullptr;
  COptions& options = COptions::Instance();
  options.m_dropWnd = nullptr;
  options.m_workState = WorkState::kNotStarted;
  options.m_busy = BusyState::kIdle;
  ManagerWindowWorld::TearDown();
}

DropPipeline::Services DropWindowWorld::Services() {
  DropPipeline::Services s;
  s.options = &COptions::Instance();
  s.store = &store_;
  s.writer = &writer_;
  s.digests = &digests_;
  s.walks = &walks_;
  s.compare = &compare_;
  s.maintenance = &maintenance_;
  s.uploads = &uploads_;
  s.sendStatus = [this](int32_t code) { codes_.push_back(code); };
  s.clearPeerReady = [] {};
  return s;
}

CDndUiDlg* DropWindowWorld::OpenDropWindow(int x, int y) {
  drop_ = new CDndUiDlg(Services());
  if (drop_->Create(
          nullptr, "Quorel拖拽上传",
          WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU,
          WS_EX_TOOLWINDOW | WS_EX_ACCEPTFILES | WS_EX_DLGMODALFRAME, x, y, CDndUiDlg::kWidth,
          CDndUiDlg::kHeight) == nullptr) {
    drop_ = nullptr;  // a window that cannot be made deletes itself
    ADD_FAILURE() << "the drop window cannot be created";
    return nullptr;
  }
  SetWindowPos(drop_->GetHWND(), HWND_TOPMOST, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
  drop_->SetMainWindow(window_);
  COptions::Instance().m_dropWnd = drop_->GetHWND();
  return drop_;
}

std::string DropWindowWorld::StatusText() {
  CControlUI* label = drop_->StatusLabel();
  return label == nullptr ? "<no label>" : label->GetText();
}

}  // namespace managertest
