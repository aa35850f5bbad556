#include "duilib/CInputInjector.h"

#include "duilib/CControlUI.h"
#include "duilib/CDropFiles.h"
#include "duilib/CPaintManagerUI.h"
#include "duilib/CWindowWnd.h"
#include "duilib/WindowFunctions.h"
#include "platform/MessageQueue.h"

namespace DuiLib {

bool CInputInjector::CenterOf(HWND hwnd, const std::string& name, POINT* pt) {
  CPaintManagerUI* pm = CPaintManagerUI::FromWindow(hwnd);
  if (pm == nullptr) return false;
  pm->UpdateLayout();
  CControlUI* control = pm->FindControl(name);
  if (control == nullptr || !control->IsVisible()) return false;
  const RECT& rc = control->GetPos();
  *pt = POINT{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
  return true;
}

void CInputInjector::MoveTo(HWND hwnd, POINT pt) {
  platform::SendMessage(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(pt.x, pt.y));
}

void CInputInjector::ClickAt(HWND hwnd, POINT pt) {
  CWindowWnd::MoveFocus(hwnd);
  MoveTo(hwnd, pt);
  // As the host does: a press on the caption moves the window instead.
  POINT screen = pt;
  ClientToScreen(hwnd, &screen);
  const LPARAM screenParam = MAKELPARAM(screen.x, screen.y);
  if (platform::SendMessage(hwnd, WM_NCHITTEST, 0, screenParam) == HTCAPTION) {
    platform::SendMessage(hwnd, WM_NCLBUTTONDOWN, static_cast<WPARAM>(HTCAPTION), screenParam);
    return;
  }
  platform::SendMessage(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(pt.x, pt.y));
  if (platform::IsWindow(hwnd))
    platform::SendMessage(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(pt.x, pt.y));
}

bool CInputInjector::ClickControl(HWND hwnd, const std::string& name) {
  POINT pt;
  if (!CenterOf(hwnd, name, &pt)) return false;
  ClickAt(hwnd, pt);
  return true;
}

void CInputInjector::HoverAt(HWND hwnd, POINT pt, WPARAM keys) {
  MoveTo(hwnd, pt);
  platform::SendMessage(hwnd, WM_MOUSEHOVER, keys, MAKELPARAM(pt.x, pt.y));
}

bool CInputInjector::HoverControl(HWND hwnd, const std::string& name) {
  POINT pt;
  if (!CenterOf(hwnd, name, &pt)) return false;
  HoverAt(hwnd, pt);
  return true;
}

void CInputInjector::RightClickAt(HWND hwnd, POINT pt) {
  CWindowWnd::MoveFocus(hwnd);
  MoveTo(hwnd, pt);
  platform::SendMessage(hwnd, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(pt.x, pt.y));
  if (platform::IsWindow(hwnd))
    platform::SendMessage(hwnd, WM_RBUTTONUP, 0, MAKELPARAM(pt.x, pt.y));
}

void CInputInjector::Wheel(HWND hwnd, POINT pt, int notches) {
  platform::SendMessage(hwnd, WM_MOUSEWHEEL, MAKEWPARAM(0, notches * WHEEL_DELTA),
                        MAKELPARAM(pt.x, pt.y));
}

void CInputInjector::Key(WPARAM vk, HWND hwnd) {
  HWND target = hwnd != nullptr ? hwnd : CWindowWnd::GetFocusWindow();
  if (target != nullptr) platform::SendMessage(target, WM_KEYDOWN, vk, 0);
}

bool CInputInjector::Drop(HWND hwnd, const std::vector<std::string>& paths) {
  return PostDropFiles(hwnd, paths);
}

}  // namespace DuiLib
