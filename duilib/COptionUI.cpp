#include "duilib/COptionUI.h"

#include "duilib/CPaintManagerUI.h"
#include "duilib/CUIAttributes.h"

namespace DuiLib {

COptionUI::~COptionUI() {
  if (m_pManager != nullptr && !m_sGroupName.empty())
    m_pManager->RemoveOptionGroup(m_sGroupName, this);
}

void* COptionUI::GetInterface(const std::string& name) {
  return name == "Option" ? this : CButtonUI::GetInterface(name);
}

void COptionUI::SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init) {
  if (m_pManager != nullptr && m_pManager != manager && !m_sGroupName.empty())
    m_pManager->RemoveOptionGroup(m_sGroupName, this);
  CButtonUI::SetManager(manager, parent, init);
  if (m_pManager != nullptr && !m_sGroupName.empty())
    m_pManager->AddOptionGroup(m_sGroupName, this);
}

void COptionUI::SetGroup(const std::string& group) {
  if (group == m_sGroupName) return;
  if (m_pManager != nullptr && !m_sGroupName.empty())
    m_pManager->RemoveOptionGroup(m_sGroupName, this);
  m_sGroupName = group;
  if (m_pManager != nullptr && !m_sGroupName.empty())
    m_pManager->AddOptionGroup(m_sGroupName, this);
  Selected(m_bSelected);
}

void COptionUI::Selected(bool selected) {
  const bool changed = m_bSelected != selected;
  m_bSelected = selected;
  Invalidate();
  if (m_pManager == nullptr) return;
  if (!m_sGroupName.empty()) {
    if (!m_bSelected) return;
    for (COptionUI* other : m_pManager->GetOptionGroup(m_sGroupName)) {
      if (other != this && other->IsSelected()) other->Selected(false);
    }
  }
  if (changed) m_pManager->SendNotify(this, DUI_MSGTYPE_SELECTCHANGED, 0, 0);
}

bool COptionUI::Activate() {
  if (!CButtonUI::Activate()) return false;
  Selected(m_sGroupName.empty() ? !m_bSelected : true);
  return true;
}

bool COptionUI::SetAttribute(const std::string& name, const std::string& value) {
  bool b = false;
  uint32_t color = 0;
  if (name == "group") {
    SetGroup(value);
  } else if (name == "selected") {
    if (!CUIAttributes::ParseBool(value, &b)) return LogBadValue(name, value), false;
    Selected(b);
  } else if (name == "selectedimage") {
    m_sSelectedImage = value;
  } else if (name == "selectedhotimage") {
    m_sSelectedHotImage = value;
  } else if (name == "selectedtextcolor" || name == "selectedbkcolor") {
    if (!CUIAttributes::ParseColor(value, &color)) return LogBadValue(name, value), false;
    (name == "selectedtextcolor" ? m_dwSelectedTextColor : m_dwSelectedBkColor) = color;
  } else {
    return CButtonUI::SetAttribute(name, value);
  }
  Invalidate();
  return true;
}

uint32_t COptionUI::CurrentTextColor() const {
  if (m_bSelected && m_dwSelectedTextColor != 0) return m_dwSelectedTextColor;
  return CButtonUI::CurrentTextColor();
}

void COptionUI::PaintBkColor(cairo_t* cr) {
  if (m_bSelected && m_dwSelectedBkColor != 0) {
    CRenderEngine::DrawColor(cr, m_rcItem, m_dwSelectedBkColor);
    return;
  }
  CButtonUI::PaintBkColor(cr);
}

void COptionUI::PaintStatusImage(cairo_t* cr) {
  if (m_bSelected && IsHot() && !m_sSelectedHotImage.empty()) {
    DrawImage(cr, m_sSelectedHotImage);
  } else if (m_bSelected && !m_sSelectedImage.empty()) {
    DrawImage(cr, m_sSelectedImage);
  } else {
    CButtonUI::PaintStatusImage(cr);
    return;
  }
  DrawImage(cr, m_sIconImage);
}

}  // namespace DuiLib
