// The seam between windows and what shows them. One host is chosen at start:
// GTK 3 when a display is present, headless otherwise (or on request). Window
// state (rectangle, visibility, styles, title) lives in CWindowWnd; the host
// mirrors it and reports the user's changes back. User-interface thread only.
#pragma once

#include <memory>
#include <string>

#include "duilib/UIDefs.h"

namespace DuiLib {

class CWindowWnd;

class CUIHost {
 public:
  virtual ~CUIHost() = default;

  // The installed host; a headless one until another is installed.
  static CUIHost& Current();
  static void Install(std::unique_ptr<CUIHost> host);
  // GTK when it can open a display and headless is not asked for; true for GTK.
  static bool InstallDefault(bool forceHeadless);

  virtual bool IsHeadless() const = 0;
  virtual void CreateNative(CWindowWnd* wnd) = 0;
  virtual void DestroyNative(HWND hwnd) = 0;
  virtual void SyncGeometry(HWND hwnd) = 0;
  virtual void SyncVisible(HWND hwnd, bool activate) = 0;
  virtual void SyncStyle(HWND hwnd) = 0;
  virtual void SyncTitle(HWND hwnd) = 0;
  virtual void Invalidate(HWND hwnd) = 0;
  // Shows the text as the window's tool-tip (empty: hide).
  virtual void SetToolTip(HWND hwnd, const std::string& text, int width) = 0;
  // Lets the user move the window with the pointer (caption drag).
  virtual void BeginMoveDrag(HWND hwnd) = 0;
  // Work area of the monitor that holds the point, and the whole screen.
  virtual RECT WorkAreaAt(POINT pt) = 0;
  virtual RECT ScreenRect() = 0;
  virtual void MessageBox(HWND owner, const std::string& text, const std::string& caption) = 0;
  // Runs the user-interface loop until the quit message; returns its code.
  virtual int RunLoop() = 0;
};

}  // namespace DuiLib
