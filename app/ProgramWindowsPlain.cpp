// Builds without the toolkit: the pipeline and the upload queue joined on one
// window handle, their texts logged instead of shown.
#include "app/HeadlessViews.h"
#include "app/ProgramWindows.h"
#include "peer/ClientInterfaceMgr.h"
#include "platform/MessageQueue.h"
#include "session/COptions.h"
#include "upload/PipelineHub.h"

struct ProgramWindows::Impl {
  HeadlessViews views;
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
  m_impl->views.SetWindow(m_impl->hub->Window());
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
