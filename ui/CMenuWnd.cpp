#include "ui/CMenuWnd.h"

#include <algorithm>

#include "duilib/CDialogBuilder.h"
#include "duilib/WindowFunctions.h"
#include "log/KvLog.h"
#include "session/Messages.h"
#include "ui/CMenuBuilderCallback.h"
#include "ui/CMenuElementUI.h"
#include "ui/CMenuUI.h"

namespace DuiLib {

ObserverImpl<int, ContextMenuParam>& CMenuWnd::Observer() {
  static ObserverImpl<int, ContextMenuParam> observer;
  return observer;
}

std::vector<CMenuWnd*> CMenuWnd::OpenMenus() {
  std::vector<CMenuWnd*> menus;
  for (auto* receiver : Observer().Receivers()) {
    if (auto* menu = dynamic_cast<CMenuWnd*>(receiver)) menus.push_back(menu);
  }
  return menus;
}

bool CMenuWnd::IsOpenMenu(HWND hwnd) {
  if (hwnd == nullptr) return false;
  for (CMenuWnd* menu : OpenMenus()) {
    if (menu->GetHWND() == hwnd) return true;
  }
  return false;
}

void CMenuWnd::Init(CMenuElementUI* owner, const std::string& xml, const std::string& skinType,
                    POINT point, CControlUI* receiver, int width, int height) {
  m_pOwner = owner;
  m_sXml = xml;
  m_sType = skinType;
  m_BasedPoint = point;
  m_pReceiver = receiver;
  AddObserver(&Observer());
  HWND parent = owner != nullptr ? owner->GetManager()->GetPaintWindow() : m_hResultWnd;
  bool finished = false;
  m_pFinished = &finished;
  const bool created = Create(parent, "", WS_POPUP, WS_EX_TOPMOST | WS_EX_TOOLWINDOW, 0, 0, width,
                              height) != nullptr;
  if (!created) {
    KV_ERROR("DuiLib", "menu window for '%s' not created", xml.c_str());
    if (finished) return;  // the failed WM_CREATE already ended this object
    if (owner != nullptr) owner->SetSubMenu(nullptr);
    delete this;
    return;
  }
  m_pFinished = nullptr;
  ShowWindow(true, true);
  HWND top = m_hResultWnd;
  while (CWindowWnd* w = CWindowWnd::FromHandle(top)) {
    if (w->GetOwner() == nullptr) break;
    top = w->GetOwner();
  }
  if (top != nullptr) platform::SendMessage(top, WM_NCACTIVATE, 1, 0);
}

int CMenuWnd::Receive(ContextMenuParam param, const std::string& item) {
  if (param.wParam == 1) {
    Close();
    if (!item.empty() && m_pReceiver != nullptr) {
      m_pReceiver->SetUserData(item);
      platform::PostMessage(m_hResultWnd, msg::WM_MENU_COMMAND, 0,
                            reinterpret_cast<LPARAM>(m_pReceiver));
    }
  } else if (param.wParam == 2 && HasAncestor(param.hWnd)) {
    Close();
  }
  return 0;
}

bool CMenuWnd::HasAncestor(HWND hwnd) const {
  for (HWND h = GetOwner(); h != nullptr;) {
    if (h == hwnd) return true;
    CWindowWnd* w = CWindowWnd::FromHandle(h);
    h = w != nullptr ? w->GetOwner() : nullptr;
  }
  return false;
}

LRESULT CMenuWnd::OnCreate() {
  m_pm.Init(m_hWnd);
  if (m_pOwner != nullptr) {
    SetStyle(GetStyle() & ~WS_CAPTION);
    m_pm.UseParentResource(m_pOwner->GetManager());
    m_pLayout = new CMenuUI;
    m_pLayout->GetList()->SetAutoDestroy(false);
    for (int i = 0; i < m_pOwner->GetCount(); ++i) {
      CControlUI* item = m_pOwner->GetItemAt(i);
      if (item->GetInterface("MenuElement") != nullptr) m_pLayout->Add(item);
    }
    m_pm.AttachDialog(m_pLayout);
    PlaceSubMenu();
    return 0;
  }
  CMenuBuilderCallback callback;
  CDialogBuilder builder;
  CControlUI* root = builder.Create(m_sXml, m_sType, &callback, &m_pm);
  if (root == nullptr) return -1;  // the builder logged why
  m_pm.AttachDialog(root);
  const RECT work = GetWorkAreaAt(m_BasedPoint);
  SIZE size = root->EstimateSize(SIZE{work.Width(), work.Height()});
  size.cx = std::min(size.cx, work.Width());
  size.cy = std::min(size.cy, work.Height());
  MoveWindow(m_hWnd, m_BasedPoint.x, m_BasedPoint.y, size.cx, size.cy);
  SetForegroundWindow(m_hWnd);
  SetWindowPos(m_hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  return 0;
}

// Once a chain of sub-menus has turned left it keeps going left.
bool CMenuWnd::MenuLiesRightOf(int x) const {
  for (CMenuWnd* menu : OpenMenus()) {
    if (menu != this && menu->GetHWND() != nullptr && menu->GetWindowRect().left >= x) return true;
  }
  return false;
}

void CMenuWnd::PlaceSubMenu() {
  CPaintManagerUI* ownerPm = m_pOwner->GetManager();
  ownerPm->UpdateLayout();
  RECT item = m_pOwner->GetPos();
  POINT topLeft{item.left, item.top};
  ClientToScreen(ownerPm->GetPaintWindow(), &topLeft);
  item = RECT{topLeft.x, topLeft.y, topLeft.x + item.Width(), topLeft.y + item.Height()};
  const RECT work = GetWorkAreaAt(topLeft);
  const SIZE est = m_pLayout->EstimateSize(SIZE{work.Width(), work.Height()});
  const int cx = est.cx + 4;
  const int cy = est.cy;
  int x = item.right;
  if (MenuLiesRightOf(item.right) || x + cx > work.right) x = item.left - cx;
  int y = item.top;
  if (y + cy > work.bottom) y = work.bottom - cy;
  SetWindowPos(m_hWnd, HWND_TOPMOST, x, y, cx, cy, 0);
}

void CMenuWnd::GiveBackItems() {
  if (m_pOwner == nullptr || m_pLayout == nullptr) return;
  m_pLayout->RemoveAll();
  for (int i = 0; i < m_pOwner->GetCount(); ++i) {
    CControlUI* item = m_pOwner->GetItemAt(i);
    if (item->GetInterface("MenuElement") == nullptr) continue;
    item->SetManager(m_pOwner->GetManager(), m_pOwner, false);
    item->SetInternVisible(false);
  }
  m_pOwner->SetSubMenu(nullptr);
  m_pOwner->NeedUpdate();
  // The owner's menu takes the focus back (keys go to it again) only from this
  // menu, not from a window that took it and so closed every menu.
  if (CWindowWnd::GetFocusWindow() == m_hWnd)
    SetForegroundWindow(m_pOwner->GetManager()->GetPaintWindow());
  m_pLayout = nullptr;
}

LRESULT CMenuWnd::HandleMessage(UINT msg, WPARAM w, LPARAM l) {
  switch (msg) {
    case WM_CREATE:
      return OnCreate();
    case WM_CONTEXTMENU:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK:
      return 0;
    case WM_KILLFOCUS:
      if (!IsOpenMenu(reinterpret_cast<HWND>(w)))
        Observer().Broadcast(ContextMenuParam{1, nullptr});
      return 0;
    case WM_KEYDOWN:
      if (w == VK_ESCAPE) {
        Close();
        return 0;
      }
      break;
    case WM_CLOSE:
      GiveBackItems();
      break;
    case WM_DESTROY:
      // A sub-menu also goes without WM_CLOSE when its top menu is destroyed;
      // its items must be back with their owner by then.
      GiveBackItems();
      break;
    default:
      break;
  }
  LRESULT result = 0;
  if (m_pm.MessageHandler(msg, w, l, result)) return result;
  return CWindowWnd::HandleMessage(msg, w, l);
}

void CMenuWnd::OnFinalMessage(HWND /*hwnd*/) {
  RemoveObserver();
  if (m_pFinished != nullptr) *m_pFinished = true;
  delete this;
}

}  // namespace DuiLib
