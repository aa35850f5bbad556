// The two windows of a run: the upload manager window (created hidden) and
// the drop window (top-most, shown), wired to each other and made the one
// notification target of the workers and the link. Builds without the
// toolkit join the same pipeline and queue without windows (PipelineHub).
//
// Threads: the user-interface thread only.
#pragma once

#include <memory>

#include "platform/WindowMessage.h"

class DropPipeline;

class ProgramWindows {
 public:
  ProgramWindows();
  // Destroys the windows that are left (Close).
  ~ProgramWindows();
  ProgramWindows(const ProgramWindows&) = delete;
  ProgramWindows& operator=(const ProgramWindows&) = delete;

  // Creates both windows with their titles, sizes and places on the host's
  // screen, and hands the drop window's handle to COptions::m_dropWnd and to
  // the link. False when a window cannot be made.
  bool Open();
  platform::HWND DropWindow() const;
  // Valid between Open and Close.
  DropPipeline& Pipeline();
  // After the message loop: the drop window (and the manager window if its
  // close has not run yet) are destroyed; the workers lose their target.
  void Close();

 private:
  struct Impl;
  std::unique_ptr<Impl> m_impl;
};
