#include "ui/CMenuElementUI.h"

#include "duilib/CListUI.h"
#include "duilib/CPaintManagerUI.h"
#include "duilib/CRenderEngine.h"
#include "duilib/CUIAttributes.h"
#include "ui/CMenuWnd.h"

namespace DuiLib {

CMenuElementUI::CMenuElementUI() {
  m_cxyFixed = SIZE{139, 34};
  m_bMouseChildEnabled = false;
}

void CMenuElementUI::SetChecked(bool checked) {
  m_bChecked = checked;
  Invalidate();
}

void CMenuElementUI::SetCheckImage(const std::string& image) {
  m_sCheckImage = image;
  Invalidate();
}

bool CMenuElementUI::HasSubItems() const {
  for (CControlUI* child : m_items) {
    if (child->GetInterface("MenuElement") != nullptr) return true;
  }
  return false;
}

void CMenuElementUI::HideSubItems() {
  for (CControlUI* child : m_items) {
    if (child->GetInterface("MenuElement") != nullptr) child->SetInternVisible(false);
  }
}

void CMenuElementUI::SetInternVisible(bool visible) {
  CControlUI::SetInternVisible(visible);
  for (CControlUI* child : m_items) {
    if (PaintsChild(child)) child->SetInternVisible(IsVisible());
  }
}

bool CMenuElementUI::SetAttribute(const std::string& name, const std::string& value) {
  if (name == "checked") {
    SetChecked(value == "true");
    return true;
  }
  if (name == "checkimg") {
    SetCheckImage(value);
    return true;
  }
  return CListContainerElementUI::SetAttribute(name, value);
}

CMenuWnd* CMenuElementUI::OwnWindow() const {
  if (m_pManager == nullptr) return nullptr;
  return dynamic_cast<CMenuWnd*>(CWindowWnd::FromHandle(m_pManager->GetPaintWindow()));
}

void CMenuElementUI::OpenSubMenu() {
  CMenuWnd* own = OwnWindow();
  if (own == nullptr || m_pSubMenu != nullptr) return;
  m_pSubMenu = new CMenuWnd(own->GetResultWindow());
  m_pSubMenu->Init(this, "", "", POINT{}, nullptr, 0, 0);
}

void CMenuElementUI::DoEvent(TEventUI& event) {
  if (event.Type == UIEVENT_MOUSEENTER) {
    CListContainerElementUI::DoEvent(event);
    if (HasSubItems()) {
      OpenSubMenu();
      return;
    }
    if (CMenuWnd* own = OwnWindow())
      CMenuWnd::Observer().Broadcast(ContextMenuParam{2, own->GetHWND()});
    Select();
    return;
  }
  if (event.Type == UIEVENT_BUTTONUP) {
    if (!IsEnabled()) return;
    if (HasSubItems()) {
      OpenSubMenu();
      return;
    }
    // Every menu closes; this item may be gone once the broadcast returns.
    CMenuWnd::Observer().Broadcast(ContextMenuParam{1, nullptr}, GetName());
    return;
  }
  CListContainerElementUI::DoEvent(event);
}

void CMenuElementUI::PaintStatusImage(cairo_t* cr) {
  if (m_bChecked) DrawImage(cr, m_sCheckImage);
}

void CMenuElementUI::PaintText(cairo_t* cr) {
  if (m_sText.empty() || m_pManager == nullptr) return;
  const int font = m_pOwner != nullptr ? m_pOwner->GetListInfo()->nFont : -1;
  const RECT rc{m_rcItem.left + 26, m_rcItem.top, m_rcItem.right - 4, m_rcItem.bottom};
  CRenderEngine::DrawText(cr, rc, m_sText, ItemTextColor(), m_pManager->GetFont(font),
                          DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS);
}

}  // namespace DuiLib
