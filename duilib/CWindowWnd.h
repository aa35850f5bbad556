// A window: a handle of the platform message queue whose messages reach
// HandleMessage, plus the window's state (rectangle in screen coordinates,
// visibility, styles, owner, title) that the host mirrors. The default handling
// of a message is that of a plain window: WM_CLOSE destroys it, the caption
// hit starts a move, SC_CLOSE closes. User-interface thread only.
#pragma once

#include <string>

#include "duilib/UIDefs.h"

namespace DuiLib {

class CWindowWnd {
 public:
  CWindowWnd() = default;
  virtual ~CWindowWnd();
  CWindowWnd(const CWindowWnd&) = delete;
  CWindowWnd& operator=(const CWindowWnd&) = delete;

  static CWindowWnd* FromHandle(HWND hwnd);
  // The window that has the keyboard focus, or null.
  static HWND GetFocusWindow();
  // Moves the focus: the old window gets WM_KILLFOCUS (wParam: the new one), the
  // new one WM_SETFOCUS (wParam: the old one).
  static void MoveFocus(HWND to);

  HWND GetHWND() const { return m_hWnd; }
  operator HWND() const { return m_hWnd; }

  virtual std::string GetWindowClassName() const = 0;

  // Creates the window at (x, y) with size cx x cy in screen coordinates; sends
  // WM_CREATE (a result of -1 destroys the window again) and WM_SIZE. Null on failure.
  HWND Create(HWND parent, const std::string& name, uint32_t style, uint32_t exStyle, int x = 0,
              int y = 0, int cx = 0, int cy = 0);
  HWND Create(HWND parent, const std::string& name, uint32_t style, uint32_t exStyle,
              const RECT& rc) {
    return Create(parent, name, style, exStyle, rc.left, rc.top, rc.Width(), rc.Height());
  }
  void ShowWindow(bool show = true, bool takeFocus = true);
  // Asks the window to close (posts WM_CLOSE).
  void Close(UINT ret = 0);
  // Destroys owned windows first, then this one (WM_DESTROY), then OnFinalMessage.
  void DestroyWindow();
  void CenterWindow();
  void ResizeClient(int cx = -1, int cy = -1);
  void MoveTo(int x, int y);
  void SetPosition(const RECT& rc);
  void SetIcon(UINT /*res*/) {}

  LRESULT SendMessage(UINT msg, WPARAM w = 0, LPARAM l = 0);
  bool PostMessage(UINT msg, WPARAM w = 0, LPARAM l = 0);

  RECT GetWindowRect() const { return m_rcWindow; }
  uint32_t GetStyle() const { return m_dwStyle; }
  void SetStyle(uint32_t style);
  uint32_t GetExStyle() const { return m_dwExStyle; }
  void SetExStyle(uint32_t exStyle);
  bool IsVisible() const { return m_bVisible; }
  bool IsIconic() const { return m_bIconic; }
  bool IsTopMost() const { return m_bTopMost; }
  void SetTopMost(bool topMost);
  HWND GetOwner() const { return m_hWndOwner; }
  const std::string& GetTitle() const { return m_sTitle; }
  void SetTitle(const std::string& title);

  // The host reports what the user or the window manager changed.
  void HostGeometryChanged(const RECT& rc);
  void HostIconicChanged(bool iconic) { m_bIconic = iconic; }

  virtual LRESULT HandleMessage(UINT msg, WPARAM w, LPARAM l);

 protected:
  virtual void OnFinalMessage(HWND /*hwnd*/) {}

  HWND m_hWnd = nullptr;

 private:
  // The queue's handler for this window; cut off before the object dies, so that
  // no message reaches a half-destroyed window.
  struct Forwarder : platform::MessageHandler {
    CWindowWnd* owner = nullptr;
    LRESULT HandleMessage(UINT msg, WPARAM w, LPARAM l) override {
      return owner != nullptr ? owner->HandleMessage(msg, w, l) : 0;
    }
  };
  Forwarder m_forwarder;
  RECT m_rcWindow;
  uint32_t m_dwStyle = 0;
  uint32_t m_dwExStyle = 0;
  bool m_bVisible = false;
  bool m_bIconic = false;
  bool m_bTopMost = false;
  HWND m_hWndOwner = nullptr;
  std::string m_sTitle;
};

}  // namespace DuiLib
