// The host without a display: windows keep their positions, sizes and visibility,
// the screen is a configurable virtual one, nothing is drawn until a window is
// rendered into a PNG file, and the loop is the message queue's own.
#pragma once

#include "duilib/CUIHost.h"

namespace DuiLib {

class CHeadlessHost : public CUIHost {
 public:
  CHeadlessHost() = default;

  // The virtual screen (default 1920 x 1080, work area without a 40-pixel bar at
  // the bottom).
  void SetScreen(const RECT& screen, const RECT& workArea);
  // The tool-tip text a window shows now (empty when none).
  std::string ToolTipOf(HWND hwnd) const;
  int MoveDragCount() const { return m_nMoveDrags; }

  bool IsHeadless() const override { return true; }
  void CreateNative(CWindowWnd* /*wnd*/) override {}
  void DestroyNative(HWND hwnd) override;
  void SyncGeometry(HWND /*hwnd*/) override {}
  void SyncVisible(HWND /*hwnd*/, bool /*activate*/) override {}
  void SyncStyle(HWND /*hwnd*/) override {}
  void SyncTitle(HWND /*hwnd*/) override {}
  void Invalidate(HWND /*hwnd*/) override {}
  void SetToolTip(HWND hwnd, const std::string& text, int width) override;
  void BeginMoveDrag(HWND /*hwnd*/) override { ++m_nMoveDrags; }
  RECT WorkAreaAt(POINT pt) override;
  RECT ScreenRect() override { return m_rcScreen; }
  void MessageBox(HWND owner, const std::string& text, const std::string& caption) override;
  int RunLoop() override;

 private:
  RECT m_rcScreen{0, 0, 1920, 1080};
  RECT m_rcWork{0, 0, 1920, 1040};
  std::vector<std::pair<HWND, std::string>> m_toolTips;
  int m_nMoveDrags = 0;
};

}  // namespace DuiLib
