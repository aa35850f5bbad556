#include "duilib/CTabLayoutUI.h"

#include "duilib/CPaintManagerUI.h"
#include "duilib/CUIAttributes.h"

namespace DuiLib {

void* CTabLayoutUI::GetInterface(const std::string& name) {
  return name == "TabLayout" ? this : CContainerUI::GetInterface(name);
}

void CTabLayoutUI::ShowSelected() {
  for (int i = 0; i < GetCount(); ++i) m_items[i]->SetVisible(i == m_iCurSel);
}

bool CTabLayoutUI::SelectItem(int index) {
  if (index < 0 || index >= GetCount()) return false;
  if (index == m_iCurSel) return true;
  m_iCurSel = index;
  ShowSelected();
  NeedUpdate();
  if (m_pManager != nullptr) m_pManager->SendNotify(this, "tabselect", index, 0);
  return true;
}

bool CTabLayoutUI::AddAt(CControlUI* control, int index) {
  if (!CContainerUI::AddAt(control, index)) return false;
  if (m_iPendingSel >= 0 && m_iPendingSel < GetCount()) {
    m_iCurSel = m_iPendingSel;
    m_iPendingSel = -1;
  } else if (m_iCurSel < 0) {
    m_iCurSel = 0;
  } else if (index <= m_iCurSel) {
    ++m_iCurSel;
  }
  ShowSelected();
  return true;
}

bool CTabLayoutUI::RemoveAt(int index, bool doNotDestroy) {
  if (!CContainerUI::RemoveAt(index, doNotDestroy)) return false;
  if (index < m_iCurSel || m_iCurSel >= GetCount()) --m_iCurSel;
  if (m_iCurSel < 0 && GetCount() > 0) m_iCurSel = 0;
  ShowSelected();
  return true;
}

void CTabLayoutUI::RemoveAll() {
  m_iCurSel = -1;
  CContainerUI::RemoveAll();
}

bool CTabLayoutUI::SetAttribute(const std::string& name, const std::string& value) {
  if (name != "selectedid") return CContainerUI::SetAttribute(name, value);
  int index = 0;
  if (!CUIAttributes::ParseInt(value, &index)) return LogBadValue(name, value), false;
  // Pages may not exist yet while the skin is read; the choice is kept for them.
  if (!SelectItem(index)) m_iPendingSel = index;
  return true;
}

}  // namespace DuiLib
