// The pipeline and the upload queue joined without windows: it owns both,
// makes the pipeline the queue's drop-window link, and is the one window of
// every notification (workers, upload jobs, timers), routed to the queue's
// or the pipeline's handlers. The headless sync tool and the tests run on it;
// the windowed program joins the two through its two windows instead.
//
// Threads: the user-interface thread (it creates a window handle); workers
// post to Window().
#pragma once

#include "platform/MessageQueue.h"
#include "upload/DropPipeline.h"
#include "upload/UploadQueue.h"

class PipelineHub : public platform::MessageHandler {
 public:
  PipelineHub(DropPipelineView& view, UploadQueueView& queueView, DropPipeline::Services services,
              UploadQueue::Services queueServices);
  ~PipelineHub() override;
  PipelineHub(const PipelineHub&) = delete;
  PipelineHub& operator=(const PipelineHub&) = delete;

  platform::LRESULT HandleMessage(platform::UINT msg, platform::WPARAM w,
                                  platform::LPARAM l) override;

  // nullptr when no window could be created (not on the UI thread).
  platform::HWND Window() const { return m_window; }
  DropPipeline& Pipeline() { return m_pipeline; }
  UploadQueue& Queue() { return m_queue; }

 private:
  // The pipeline only keeps a reference to the queue while both are built.
  DropPipeline m_pipeline;
  UploadQueue m_queue;
  platform::HWND m_window = nullptr;
};
