#include "duilib/CListContainerElementUI.h"

#include "duilib/CListUI.h"
#include "duilib/CPaintManagerUI.h"
#include "duilib/CRenderEngine.h"

namespace DuiLib {

void* CListContainerElementUI::GetInterface(const std::string& name) {
  if (name == "ListItem" || name == "ListContainerElement") return this;
  return CContainerUI::GetInterface(name);
}

int CListContainerElementUI::GetIndex() const {
  return m_pOwner != nullptr ? m_pOwner->GetItemIndex(const_cast<CListContainerElementUI*>(this))
                             : -1;
}

bool CListContainerElementUI::Select(bool select) {
  if (!select) {
    SetSelectedState(false);
    return true;
  }
  if (m_pOwner == nullptr) {
    SetSelectedState(true);
    return true;
  }
  return m_pOwner->SelectItem(GetIndex());
}

void CListContainerElementUI::SetSelectedState(bool selected) {
  if (m_bSelected == selected) return;
  m_bSelected = selected;
  Invalidate();
}

bool CListContainerElementUI::Activate() {
  if (!CContainerUI::Activate()) return false;
  if (m_pManager != nullptr) m_pManager->SendNotify(this, DUI_MSGTYPE_ITEMCLICK, 0, 0);
  return true;
}

void CListContainerElementUI::DoEvent(TEventUI& event) {
  switch (event.Type) {
    case UIEVENT_BUTTONDOWN:
      if (IsEnabled()) Select();
      return;
    case UIEVENT_BUTTONUP:
      if (IsEnabled() && m_rcItem.Contains(event.ptMouse)) Activate();
      return;
    case UIEVENT_MOUSEENTER:
      m_bHot = true;
      Invalidate();
      return;
    case UIEVENT_MOUSELEAVE:
      m_bHot = false;
      Invalidate();
      return;
    default:
      CContainerUI::DoEvent(event);
  }
}

uint32_t CListContainerElementUI::ItemTextColor() const {
  if (m_pOwner == nullptr) return 0xFF000000u;
  const TListInfoUI* info = m_pOwner->GetListInfo();
  if (!IsEnabled()) return info->dwDisabledTextColor;
  if (m_bSelected) return info->dwSelectedTextColor;
  if (m_bHot) return info->dwHotTextColor;
  return info->dwTextColor;
}

void CListContainerElementUI::PaintBkColor(cairo_t* cr) {
  uint32_t color = m_dwBackColor;
  if (m_pOwner != nullptr) {
    const TListInfoUI* info = m_pOwner->GetListInfo();
    if (info->dwBkColor != 0) color = info->dwBkColor;
    if (m_bHot && info->dwHotBkColor != 0) color = info->dwHotBkColor;
    if (m_bSelected && info->dwSelectedBkColor != 0) color = info->dwSelectedBkColor;
  }
  CRenderEngine::DrawColor(cr, m_rcItem, color);
}

}  // namespace DuiLib
