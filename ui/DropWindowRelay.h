// The manager window's side of its link to the drop window: the upload queue
// is built with the window, before start-up creates the drop window, so it
// talks to this relay, which passes every call on once the drop window is
// set (and does nothing before). User-interface thread only.
#pragma once

#include "upload/DropWindowLink.h"

class DropWindowRelay : public DropWindowLink {
 public:
  void Set(DropWindowLink* target) { m_target = target; }
  DropWindowLink* Target() const { return m_target; }

  void diskFull() override;
  void ShowStatusText(const std::string& text) override;
  void SendCode(int32_t code) override;
  bool hasFailures() const override;
  void SetFinishedNormally(bool finished) override;

 private:
  DropWindowLink* m_target = nullptr;
};
