// Builds without the toolkit: the pipeline and the upload queue joined on one
// window handle, their texts logged instead of shown.
#include "app/ProgramWindows.h"
#include "log/KvLog.h"
#include "peer/ClientInterfaceMgr.h"
#include "platform/MessageQueue.h"
#include "session/COptions.h"
#include "upload/PipelineHub.h"

namespace {

class LoggedViews : public DropPipelineView, public UploadQueueView {
 public:
  void ShowStatusText(const std::string& text) override {
    KV_DEBUG("KVUP", "KVUP status: %s", text.c_str());
  }
  void ShowStatusToolTip(const std::string&, int32_t) override {}
  void SetMainButtons(bool) override {}
  void StartTimer(int32_t id, uint32_t periodMs) override {
    platform::SetTimer(m_window, static_cast<uintptr_t>(id), periodMs);
  }
  void StopTimer(int32_t id) override { platform::KillTimer(m_window, static_cast<uintptr_t>(id)); }
  void ShowFailedItems() override {}
  void ClearToolTipItems() override {}
  void HideWindows() override {}
  void CloseManagerWindow() override {}
  void Quit() override { platform::PostQuitMessage(0); }

  void TaskAdded(const UploadTask&) override {}
  void TaskRemoved(const UploadTask&) override {}
  void ProgressChanged(const UploadTask&, const std::string&, int) override {}
  void StatusChanged(const UploadTask&, const std::string&) override {}
  void ButtonsChanged(const Buttons&) override {}
  void CountLabelChanged(const std::string&) override {}
  void ListsCleared() override {}
  void FailureDisplayCleared() override {}

  platform::HWND m_window = nullptr;
};

}  // namespace

struct ProgramWindows::Impl {
  LoggedViews views;
  std::unique_ptr<PipelineHub> hub;
};

ProgramWindows::ProgramWindows() : m_impl(std::make_unique<Impl>()) {}

ProgramWindows::~ProgramWindows() {
  Close();
}

bool ProgramWindows::Open() {
  m_impl->hub =
      std::make_unique<PipelineHub>(m_impl->views, m_impl->views, DropPipeline::Services::Process(),
                                    UploadQueue::Services::Process());
  m_impl->views.m_window = m_impl->hub->Window();
  if (m_impl->hub->Window() == nullptr) return false;
  COptions::Instance().m_dropWnd = m_impl->hub->Window();
  ClientInterfaceMgr::Instance().SetNotifyWindow(m_impl->hub->Window());
  return true;
}

platform::HWND ProgramWindows::DropWindow() const {
  return m_impl->hub != nullptr ? m_impl->hub->Window() : nullptr;
}

DropPipeline& ProgramWindows::Pipeline() {
  return m_impl->hub->Pipeline();
}

void ProgramWindows::Close() {
  if (m_impl->hub == nullptr) return;
  ClientInterfaceMgr::Instance().SetNotifyWindow(nullptr);
  COptions::Instance().m_dropWnd = nullptr;
  m_impl->hub.reset();
}
