#include "duilib/CListUI.h"

#include "duilib/CListContainerElementUI.h"
#include "duilib/CPaintManagerUI.h"
#include "duilib/CUIAttributes.h"

namespace DuiLib {

CListUI::CListUI() : m_pList(new CListBodyUI) {
  CVerticalLayoutUI::AddAt(m_pList, 0);
}

void* CListUI::GetInterface(const std::string& name) {
  return name == "List" ? this : CVerticalLayoutUI::GetInterface(name);
}

CControlUI* CListUI::GetItemAt(int index) const {
  return m_pList->GetItemAt(index);
}

int CListUI::GetItemIndex(CControlUI* control) const {
  return m_pList->GetItemIndex(control);
}

int CListUI::GetCount() const {
  return m_pList->GetCount();
}

bool CListUI::Add(CControlUI* control) {
  return AddAt(control, GetCount());
}

bool CListUI::AddAt(CControlUI* control, int index) {
  if (!m_pList->AddAt(control, index)) return false;
  if (auto* element = static_cast<CListContainerElementUI*>(control->GetInterface("ListItem")))
    element->SetOwner(this);
  if (m_iCurSel >= index) ++m_iCurSel;
  return true;
}

bool CListUI::Remove(CControlUI* control, bool doNotDestroy) {
  return RemoveAt(GetItemIndex(control), doNotDestroy);
}

bool CListUI::RemoveAt(int index, bool doNotDestroy) {
  CControlUI* control = GetItemAt(index);
  if (control == nullptr) return false;
  if (auto* element = static_cast<CListContainerElementUI*>(control->GetInterface("ListItem")))
    element->SetOwner(nullptr);
  if (!m_pList->RemoveAt(index, doNotDestroy)) return false;
  if (index == m_iCurSel) {
    m_iCurSel = -1;
  } else if (index < m_iCurSel) {
    --m_iCurSel;
  }
  return true;
}

void CListUI::RemoveAll() {
  m_iCurSel = -1;
  for (int i = 0; i < GetCount(); ++i) {
    if (auto* element =
            static_cast<CListContainerElementUI*>(GetItemAt(i)->GetInterface("ListItem")))
      element->SetOwner(nullptr);
  }
  m_pList->RemoveAll();
}

bool CListUI::SelectItem(int index) {
  if (index == m_iCurSel) return true;
  if (auto* old = dynamic_cast<CListContainerElementUI*>(GetItemAt(m_iCurSel)))
    old->SetSelectedState(false);
  m_iCurSel = -1;
  auto* element = dynamic_cast<CListContainerElementUI*>(GetItemAt(index));
  if (element == nullptr) return false;
  m_iCurSel = index;
  element->SetSelectedState(true);
  if (m_pManager != nullptr) m_pManager->SendNotify(this, DUI_MSGTYPE_ITEMSELECT, index, 0);
  return true;
}

bool CListUI::SetAttribute(const std::string& name, const std::string& value) {
  if (name == "vscrollbar" || name == "hscrollbar") return m_pList->SetAttribute(name, value);
  if (name == "header") return true;  // the header row is never shown
  uint32_t* color = nullptr;
  if (name == "itemtextcolor") color = &m_ListInfo.dwTextColor;
  if (name == "itembkcolor") color = &m_ListInfo.dwBkColor;
  if (name == "itemhottextcolor") color = &m_ListInfo.dwHotTextColor;
  if (name == "itemhotbkcolor") color = &m_ListInfo.dwHotBkColor;
  if (name == "itemselectedtextcolor") color = &m_ListInfo.dwSelectedTextColor;
  if (name == "itemselectedbkcolor") color = &m_ListInfo.dwSelectedBkColor;
  if (name == "itemdisabledtextcolor") color = &m_ListInfo.dwDisabledTextColor;
  if (color != nullptr) {
    if (!CUIAttributes::ParseColor(value, color)) return LogBadValue(name, value), false;
    Invalidate();
    return true;
  }
  if (name == "itemfont") {
    if (!CUIAttributes::ParseInt(value, &m_ListInfo.nFont)) return LogBadValue(name, value), false;
    return true;
  }
  return CVerticalLayoutUI::SetAttribute(name, value);
}

}  // namespace DuiLib
