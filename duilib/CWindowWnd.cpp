#include "duilib/CWindowWnd.h"

#include <unordered_map>
#include <vector>

#include "duilib/CUIHost.h"
#include "platform/MessageQueue.h"

namespace DuiLib {
namespace {

std::unordered_map<HWND, CWindowWnd*>& Windows() {
  static std::unordered_map<HWND, CWindowWnd*> windows;
  return windows;
}

HWND g_focus = nullptr;

}  // namespace

CWindowWnd::~CWindowWnd() {
  // A window object deleted while its window lives takes the window with it.
  if (m_hWnd != nullptr) {
    HWND hwnd = m_hWnd;
    m_hWnd = nullptr;
    m_forwarder.owner = nullptr;
    Windows().erase(hwnd);
    if (g_focus == hwnd) g_focus = nullptr;
    CUIHost::Current().DestroyNative(hwnd);
    platform::DestroyWindowHandle(hwnd);
  }
}

CWindowWnd* CWindowWnd::FromHandle(HWND hwnd) {
  auto it = Windows().find(hwnd);
  return it == Windows().end() ? nullptr : it->second;
}

HWND CWindowWnd::GetFocusWindow() {
  return g_focus;
}

void CWindowWnd::MoveFocus(HWND to) {
  if (to == g_focus) return;
  if (to != nullptr && FromHandle(to) == nullptr) return;
  HWND old = g_focus;
  g_focus = to;
  if (old != nullptr && platform::IsWindow(old))
    platform::SendMessage(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(to), 0);
  if (to != nullptr && g_focus == to)
    platform::SendMessage(to, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
}

HWND CWindowWnd::Create(HWND parent, const std::string& name, uint32_t style, uint32_t exStyle,
                        int x, int y, int cx, int cy) {
  if (m_hWnd != nullptr) return nullptr;
  m_forwarder.owner = this;
  m_hWnd = platform::CreateWindowHandle(&m_forwarder);
  if (m_hWnd == nullptr) return nullptr;
  Windows()[m_hWnd] = this;
  m_hWndOwner = parent;
  m_sTitle = name;
  m_dwStyle = style;
  m_dwExStyle = exStyle;
  m_bTopMost = (exStyle & WS_EX_TOPMOST) != 0;
  m_rcWindow = RECT{x, y, x + cx, y + cy};
  CUIHost::Current().CreateNative(this);
  if (SendMessage(WM_CREATE, 0, 0) == -1) {
    DestroyWindow();
    return nullptr;
  }
  SendMessage(WM_SIZE, 0, MAKELPARAM(m_rcWindow.Width(), m_rcWindow.Height()));
  if ((style & WS_VISIBLE) != 0) ShowWindow(true, true);
  return m_hWnd;
}

void CWindowWnd::ShowWindow(bool show, bool takeFocus) {
  if (m_hWnd == nullptr) return;
  const bool changed = m_bVisible != show;
  m_bVisible = show;
  if (show) {
    m_dwStyle |= WS_VISIBLE;
  } else {
    m_dwStyle &= ~WS_VISIBLE;
  }
  CUIHost::Current().SyncVisible(m_hWnd, takeFocus);
  if (changed) SendMessage(WM_SHOWWINDOW, show ? 1 : 0, 0);
  if (show && takeFocus) MoveFocus(m_hWnd);
  if (!show && g_focus == m_hWnd) MoveFocus(nullptr);
}

void CWindowWnd::Close(UINT ret) {
  if (m_hWnd != nullptr) PostMessage(WM_CLOSE, ret, 0);
}

void CWindowWnd::DestroyWindow() {
  if (m_hWnd == nullptr) return;
  std::vector<CWindowWnd*> owned;
  for (const auto& [hwnd, wnd] : Windows()) {
    if (wnd->m_hWndOwner == m_hWnd) owned.push_back(wnd);
  }
  for (CWindowWnd* wnd : owned) {
    // An earlier owned window may already have taken this one with it.
    for (const auto& entry : Windows()) {
      if (entry.second == wnd) {
        wnd->DestroyWindow();
        break;
      }
    }
  }
  HWND hwnd = m_hWnd;
  if (g_focus == hwnd) g_focus = nullptr;
  platform::DestroyWindowHandle(hwnd);
  CUIHost::Current().DestroyNative(hwnd);
  Windows().erase(hwnd);
  m_hWnd = nullptr;
  OnFinalMessage(hwnd);
}

void CWindowWnd::CenterWindow() {
  const RECT work = CUIHost::Current().WorkAreaAt(POINT{m_rcWindow.left, m_rcWindow.top});
  MoveTo(work.left + (work.Width() - m_rcWindow.Width()) / 2,
         work.top + (work.Height() - m_rcWindow.Height()) / 2);
}

void CWindowWnd::ResizeClient(int cx, int cy) {
  RECT rc = m_rcWindow;
  if (cx >= 0) rc.right = rc.left + cx;
  if (cy >= 0) rc.bottom = rc.top + cy;
  SetPosition(rc);
}

void CWindowWnd::MoveTo(int x, int y) {
  SetPosition(RECT{x, y, x + m_rcWindow.Width(), y + m_rcWindow.Height()});
}

void CWindowWnd::SetPosition(const RECT& rc) {
  if (m_hWnd == nullptr) {
    m_rcWindow = rc;
    return;
  }
  const bool resized = rc.Width() != m_rcWindow.Width() || rc.Height() != m_rcWindow.Height();
  const bool moved = rc.left != m_rcWindow.left || rc.top != m_rcWindow.top;
  m_rcWindow = rc;
  CUIHost::Current().SyncGeometry(m_hWnd);
  if (moved) SendMessage(WM_MOVE, 0, MAKELPARAM(rc.left, rc.top));
  if (resized) SendMessage(WM_SIZE, 0, MAKELPARAM(rc.Width(), rc.Height()));
}

void CWindowWnd::HostGeometryChanged(const RECT& rc) {
  const bool resized = rc.Width() != m_rcWindow.Width() || rc.Height() != m_rcWindow.Height();
  const bool moved = rc.left != m_rcWindow.left || rc.top != m_rcWindow.top;
  m_rcWindow = rc;
  if (moved) SendMessage(WM_MOVE, 0, MAKELPARAM(rc.left, rc.top));
  if (resized) SendMessage(WM_SIZE, 0, MAKELPARAM(rc.Width(), rc.Height()));
}

LRESULT CWindowWnd::SendMessage(UINT msg, WPARAM w, LPARAM l) {
  return platform::SendMessage(m_hWnd, msg, w, l);
}

bool CWindowWnd::PostMessage(UINT msg, WPARAM w, LPARAM l) {
  return platform::PostMessage(m_hWnd, msg, w, l);
}

void CWindowWnd::SetStyle(uint32_t style) {
  m_dwStyle = style;
  if (m_hWnd != nullptr) CUIHost::Current().SyncStyle(m_hWnd);
}

void CWindowWnd::SetExStyle(uint32_t exStyle) {
  m_dwExStyle = exStyle;
  if (m_hWnd != nullptr) CUIHost::Current().SyncStyle(m_hWnd);
}

void CWindowWnd::SetTopMost(bool topMost) {
  m_bTopMost = topMost;
  if (m_hWnd != nullptr) CUIHost::Current().SyncStyle(m_hWnd);
}

void CWindowWnd::SetTitle(const std::string& title) {
  m_sTitle = title;
  if (m_hWnd != nullptr) CUIHost::Current().SyncTitle(m_hWnd);
}

LRESULT CWindowWnd::HandleMessage(UINT msg, WPARAM w, LPARAM /*l*/) {
  switch (msg) {
    case WM_CLOSE:
      DestroyWindow();
      return 0;
    case WM_SYSCOMMAND:
      if (w == SC_CLOSE) PostMessage(WM_CLOSE);
      if (w == SC_MINIMIZE) m_bIconic = true;
      if (w == SC_RESTORE) m_bIconic = false;
      return 0;
    case WM_NCLBUTTONDOWN:
      if (static_cast<LRESULT>(w) == HTCAPTION) CUIHost::Current().BeginMoveDrag(m_hWnd);
      return 0;
    case WM_NCACTIVATE:
      return 1;
    case WM_NCHITTEST:
      return HTCLIENT;
    default:
      return 0;
  }
}

}  // namespace DuiLib
