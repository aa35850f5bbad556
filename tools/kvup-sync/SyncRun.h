// One sync of local folders and files to the service's backup folder without
// windows: the whole pipeline (walk, digests, comparison, folders made,
// uploads, retries, history) on a PipelineHub, ended by the batch's end code.
// It prints one line per file that ended and, at the end, a summary.
//
// Threads: the user-interface thread (it runs the message loop).
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/HeadlessViews.h"
#include "upload/PipelineHub.h"

class SyncRun : public HeadlessViews {
 public:
  explicit SyncRun(FILE* out);
  ~SyncRun() override;

  // Drops paths, resumes what a previous run left, and runs until the batch
  // ends. Returns the exit code: 0 when every file is held by the service.
  int Run(const std::vector<std::string>& paths);

  // UploadQueueView
  void StatusChanged(const UploadTask& task, const std::string& text) override;
  // DropPipelineView
  void ShowStatusText(const std::string& text) override;

 private:
  void OnCode(int32_t code);
  void PrintSummary();

  FILE* m_out;
  std::unique_ptr<PipelineHub> m_hub;
  int32_t m_endCode = 0;
  int m_done = 0;
  int m_instant = 0;
  int64_t m_bytes = 0;
  std::chrono::steady_clock::time_point m_start;
};
