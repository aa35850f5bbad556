#include "duilib/WindowFunctions.h"

#include "duilib/CUIHost.h"
#include "duilib/CWindowWnd.h"

namespace DuiLib {

bool ClientToScreen(HWND hwnd, POINT* pt) {
  CWindowWnd* wnd = CWindowWnd::FromHandle(hwnd);
  if (wnd == nullptr || pt == nullptr) return false;
  pt->x += wnd->GetWindowRect().left;
  pt->y += wnd->GetWindowRect().top;
  return true;
}

bool ScreenToClient(HWND hwnd, POINT* pt) {
  CWindowWnd* wnd = CWindowWnd::FromHandle(hwnd);
  if (wnd == nullptr || pt == nullptr) return false;
  pt->x -= wnd->GetWindowRect().left;
  pt->y -= wnd->GetWindowRect().top;
  return true;
}

bool GetWindowRect(HWND hwnd, RECT* rc) {
  CWindowWnd* wnd = CWindowWnd::FromHandle(hwnd);
  if (wnd == nullptr || rc == nullptr) return false;
  *rc = wnd->GetWindowRect();
  return true;
}

bool GetClientRect(HWND hwnd, RECT* rc) {
  CWindowWnd* wnd = CWindowWnd::FromHandle(hwnd);
  if (wnd == nullptr || rc == nullptr) return false;
  const RECT w = wnd->GetWindowRect();
  *rc = RECT{0, 0, w.Width(), w.Height()};
  return true;
}

bool IsWindowVisible(HWND hwnd) {
  CWindowWnd* wnd = CWindowWnd::FromHandle(hwnd);
  return wnd != nullptr && wnd->IsVisible();
}

bool IsIconic(HWND hwnd) {
  CWindowWnd* wnd = CWindowWnd::FromHandle(hwnd);
  return wnd != nullptr && wnd->IsIconic();
}

bool ShowWindow(HWND hwnd, bool show) {
  CWindowWnd* wnd = CWindowWnd::FromHandle(hwnd);
  if (wnd == nullptr) return false;
  const bool was = wnd->IsVisible();
  wnd->ShowWindow(show, show);
  return was;
}

bool SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
  CWindowWnd* wnd = CWindowWnd::FromHandle(hwnd);
  if (wnd == nullptr) return false;
  if ((flags & SWP_NOZORDER) == 0) {
    if (insertAfter == HWND_TOPMOST) wnd->SetTopMost(true);
    if (insertAfter == HWND_NOTOPMOST) wnd->SetTopMost(false);
  }
  RECT rc = wnd->GetWindowRect();
  if ((flags & SWP_NOMOVE) == 0) rc = RECT{x, y, x + rc.Width(), y + rc.Height()};
  if ((flags & SWP_NOSIZE) == 0) rc = RECT{rc.left, rc.top, rc.left + cx, rc.top + cy};
  wnd->SetPosition(rc);
  if ((flags & SWP_SHOWWINDOW) != 0) wnd->ShowWindow(true, (flags & SWP_NOACTIVATE) == 0);
  if ((flags & SWP_HIDEWINDOW) != 0) wnd->ShowWindow(false, false);
  return true;
}

bool MoveWindow(HWND hwnd, int x, int y, int cx, int cy) {
  return SetWindowPos(hwnd, nullptr, x, y, cx, cy, SWP_NOZORDER);
}

bool DestroyWindow(HWND hwnd) {
  CWindowWnd* wnd = CWindowWnd::FromHandle(hwnd);
  if (wnd == nullptr) return false;
  wnd->DestroyWindow();
  return true;
}

RECT GetMonitorWorkArea(HWND hwnd) {
  RECT rc;
  GetWindowRect(hwnd, &rc);
  return GetWorkAreaAt(POINT{rc.left, rc.top});
}

RECT GetWorkAreaAt(POINT pt) {
  return CUIHost::Current().WorkAreaAt(pt);
}

int GetSystemMetrics(int index) {
  CUIHost& host = CUIHost::Current();
  const RECT screen = host.ScreenRect();
  const RECT work = host.WorkAreaAt(POINT{screen.left, screen.top});
  switch (index) {
    case SM_CXSCREEN:
      return screen.Width();
    case SM_CYSCREEN:
      return screen.Height();
    case SM_CXFULLSCREEN:
      return work.Width();
    case SM_CYFULLSCREEN:
      return work.Height();
    default:
      return 0;
  }
}

HWND SetFocus(HWND hwnd) {
  HWND old = CWindowWnd::GetFocusWindow();
  CWindowWnd::MoveFocus(hwnd);
  return old;
}

HWND GetFocus() {
  return CWindowWnd::GetFocusWindow();
}

bool SetForegroundWindow(HWND hwnd) {
  CWindowWnd* wnd = CWindowWnd::FromHandle(hwnd);
  if (wnd == nullptr) return false;
  if (wnd->IsVisible()) CUIHost::Current().SyncVisible(hwnd, true);
  CWindowWnd::MoveFocus(hwnd);
  return true;
}

HWND GetForegroundWindow() {
  return CWindowWnd::GetFocusWindow();
}

bool BringWindowToTop(HWND hwnd) {
  return SetForegroundWindow(hwnd);
}

bool ReleaseCapture() {
  return true;
}

int MessageBox(HWND owner, const std::string& text, const std::string& caption, UINT /*flags*/) {
  CUIHost::Current().MessageBox(owner, text, caption);
  return IDOK;
}

}  // namespace DuiLib
