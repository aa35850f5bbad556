#include "upload/PipelineHub.h"

PipelineHub::PipelineHub(DropPipelineView& view, UploadQueueView& queueView,
                         DropPipeline::Services services, UploadQueue::Services queueServices)
    : m_pipeline(view, m_queue, std::move(services)),
      m_queue(queueView, m_pipeline, queueServices),
      m_window(platform::CreateWindowHandle(this)) {
  m_pipeline.SetWindow(m_window);
  m_queue.SetNotifyWindow(m_window);
  m_queue.SetDropWindow(m_window);
}

PipelineHub::~PipelineHub() {
  if (m_window) platform::DestroyWindowHandle(m_window);
}

platform::LRESULT PipelineHub::HandleMessage(platform::UINT msg, platform::WPARAM w,
                                             platform::LPARAM l) {
  platform::LRESULT result = 0;
  if (msg == platform::WM_TIMER) {
    m_pipeline.OnTimer(static_cast<int32_t>(w));
    return 0;
  }
  if (m_queue.HandleMessage(msg, w, l, &result)) return result;
  m_pipeline.HandleMessage(msg, w, l, &result);
  return result;
}
