#include "ui/CMenuWnd.h"

#include <algorithm>

#include "duilib/CDialogBuilder.h"
#include "duilib/WindowFunctions.h"
#include "ui/CMenuBuilderCallback.h"
#include "ui/CMenuElementUI.h"
#include "ui/CMenuUI.h"
#include "util/KvLog.h"

namespace DuiLib {

ObserverImpl<int, ContextMenuParam>& CMenuWnd::Observer() {
  static ObserverImpl<int, ContextMenuParam> observer;
  return observer;
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
  if (Create(parent, "", WS_POPUP, WS_EX_TOPMOST | WS_EX_TOOLWINDOW, 0, 0, width, height) ==
      nullptr) {
    KV_ERROR("DuiLib", "menu window not created");
    if (owner != nullptr) owner->SetSubMenu(nullptr);
    delete this;
    return;
  }
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
      platform::PostMessage(m_hResultWnd, kMenuCommandMessage, 0,
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
  if (root == nullptr) return -1;
  m_pm.AttachDialog(root);
  const RECT work = GetWorkAreaAt(m_BasedPoint);
  SIZE size = root->EstimateSize(SIZE{work.Width(), work.Height()});
  size.cx = std::min(size.cx, work.Width());
  size.cy = std::min(size.cy, work.Height());
  SetWindowPos(m_hWnd, HWND_TOPMOST, m_BasedPoint.x, m_BasedPoint.y, size.cx, size.cy, 0);
  return 0;
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
  if (x + cx > work.right) x = item.left - cx;
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
  CWindowWnd::MoveFocus(m_pOwner->GetManager()->GetPaintWindow());
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
    case WM_KILLFOCUS: {
      auto* next = dynamic_cast<CMenuWnd*>(CWindowWnd::FromHandle(reinterpret_cast<HWND>(w)));
      if (next == nullptr) Observer().Broadcast(ContextMenuParam{1, nullptr});
      return 0;
    }
    case WM_KEYDOWN:
      if (w == VK_ESCAPE) {
        Close();
        return 0;
      }
      break;
    case WM_DESTROY:
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
  delete this;
}

}  // namespace DuiLib
