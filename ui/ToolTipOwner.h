// What the upload tool-tip window tells the window that owns it (the drop
// window): whether the mouse rests on the tool-tip, which keeps it open, and
// that the tool-tip window is gone (destroyed with its owner's window).
// User-interface thread only.
#pragma once

class ToolTipOwner {
 public:
  virtual ~ToolTipOwner() = default;
  virtual void SetToolTipHovered(bool hovered) = 0;
  virtual void ToolTipDestroyed() = 0;
};
