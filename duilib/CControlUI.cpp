#include "duilib/CControlUI.h"

#include "duilib/CPaintManagerUI.h"
#include "duilib/CRenderEngine.h"
#include "duilib/CUIAttributes.h"
#include "log/KvLog.h"

namespace DuiLib {

CControlUI::CControlUI() = default;

CControlUI::~CControlUI() {
  if (m_pManager != nullptr) m_pManager->ReapObjects(this);
}

void* CControlUI::GetInterface(const std::string& name) {
  return name == "Control" ? this : nullptr;
}

void CControlUI::SetText(const std::string& text) {
  if (m_sText == text) return;
  m_sText = text;
  Invalidate();
}

void CControlUI::SetEnabled(bool enabled) {
  if (m_bEnabled == enabled) return;
  m_bEnabled = enabled;
  Invalidate();
}

void CControlUI::SetVisible(bool visible) {
  if (m_bVisible == visible) return;
  const bool was = IsVisible();
  m_bVisible = visible;
  if (was != IsVisible()) NeedUpdate();
}

void CControlUI::SetInternVisible(bool visible) {
  if (m_bInternVisible == visible) return;
  m_bInternVisible = visible;
  NeedUpdate();
}

void CControlUI::SetFloat(bool f) {
  m_bFloat = f;
  NeedUpdate();
}

void CControlUI::SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init) {
  if (m_pManager != nullptr && m_pManager != manager) m_pManager->ReapObjects(this);
  m_pManager = manager;
  m_pParent = parent;
  if (init && m_pManager != nullptr) Init();
}

std::string CControlUI::GetVirtualWnd() const {
  if (!m_sVirtualWnd.empty()) return m_sVirtualWnd;
  return m_pParent != nullptr ? m_pParent->GetVirtualWnd() : std::string();
}

void CControlUI::SetPos(RECT rc) {
  if (rc.right < rc.left) rc.right = rc.left;
  if (rc.bottom < rc.top) rc.bottom = rc.top;
  m_rcItem = rc;
}

void CControlUI::SetPadding(const RECT& padding) {
  m_rcPadding = padding;
  NeedUpdate();
}

void CControlUI::SetFixedWidth(int cx) {
  if (cx < 0) return;
  m_cxyFixed.cx = cx;
  NeedUpdate();
}

void CControlUI::SetFixedHeight(int cy) {
  if (cy < 0) return;
  m_cxyFixed.cy = cy;
  NeedUpdate();
}

void CControlUI::SetMaxWidth(int cx) {
  if (cx < 0) return;
  m_cxyMax.cx = cx;
  NeedUpdate();
}

void CControlUI::SetMaxHeight(int cy) {
  if (cy < 0) return;
  m_cxyMax.cy = cy;
  NeedUpdate();
}

SIZE CControlUI::EstimateSize(SIZE /*available*/) {
  return m_cxyFixed;
}

void CControlUI::SetBkColor(uint32_t argb) {
  m_dwBackColor = argb;
  Invalidate();
}

void CControlUI::SetBkImage(const std::string& image) {
  m_sBkImage = image;
  Invalidate();
}

void CControlUI::LogBadValue(const std::string& name, const std::string& value) const {
  KV_ERROR("DuiLib", "%s '%s': bad value '%s' for attribute '%s' ignored", GetClass().c_str(),
           m_sName.c_str(), value.c_str(), name.c_str());
}

bool CControlUI::SetAttribute(const std::string& name, const std::string& value) {
  int n = 0;
  bool b = false;
  RECT rc;
  uint32_t color = 0;
  const auto badValue = [&] {
    LogBadValue(name, value);
    return false;
  };
  if (name == "name") {
    SetName(value);
  } else if (name == "text") {
    SetText(value);
  } else if (name == "tooltip") {
    SetToolTip(value);
  } else if (name == "userdata") {
    SetUserData(value);
  } else if (name == "virtualwnd") {
    SetVirtualWnd(value);
  } else if (name == "bkimage") {
    SetBkImage(value);
  } else if (name == "enabled" || name == "visible" || name == "mouse" || name == "float") {
    if (!CUIAttributes::ParseBool(value, &b)) return badValue();
    if (name == "enabled") SetEnabled(b);
    if (name == "visible") SetVisible(b);
    if (name == "mouse") SetMouseEnabled(b);
    if (name == "float") SetFloat(b);
  } else if (name == "width" || name == "height" || name == "minwidth" || name == "minheight" ||
             name == "maxwidth" || name == "maxheight" || name == "bordersize" ||
             name == "tooltipwidth") {
    if (!CUIAttributes::ParseInt(value, &n) || n < 0) return badValue();
    if (name == "width") SetFixedWidth(n);
    if (name == "height") SetFixedHeight(n);
    if (name == "minwidth") m_cxyMin.cx = n;
    if (name == "minheight") m_cxyMin.cy = n;
    if (name == "maxwidth") SetMaxWidth(n);
    if (name == "maxheight") SetMaxHeight(n);
    if (name == "bordersize") m_nBorderSize = n;
    if (name == "tooltipwidth") SetToolTipWidth(n);
  } else if (name == "padding" || name == "pos") {
    if (!CUIAttributes::ParseRect(value, &rc)) return badValue();
    if (name == "padding") SetPadding(rc);
    if (name == "pos") {
      m_rcFloatPos = rc;
      NeedUpdate();
    }
  } else if (name == "bkcolor" || name == "bordercolor") {
    if (!CUIAttributes::ParseColor(value, &color)) return badValue();
    if (name == "bkcolor") SetBkColor(color);
    if (name == "bordercolor") m_dwBorderColor = color;
  } else {
    KV_ERROR("DuiLib", "%s '%s': unknown attribute '%s' ignored", GetClass().c_str(),
             m_sName.c_str(), name.c_str());
    return false;
  }
  return true;
}

void CControlUI::ApplyAttributeList(const std::string& list) {
  CUIAttributes::List pairs;
  if (!CUIAttributes::ParseList(list, &pairs)) {
    KV_ERROR("DuiLib", "%s '%s': broken attribute list \"%s\", rest ignored", GetClass().c_str(),
             m_sName.c_str(), list.c_str());
  }
  for (const auto& [name, value] : pairs) SetAttribute(name, value);
}

CControlUI* CControlUI::FindControlAt(POINT pt) {
  if (!IsVisible() || !m_bMouseEnabled || !m_rcItem.Contains(pt)) return nullptr;
  return this;
}

CControlUI* CControlUI::FindControlByName(const std::string& name) {
  return m_sName == name ? this : nullptr;
}

void CControlUI::Init() {
  if (m_bInited) return;
  m_bInited = true;
  DoInit();
}

void CControlUI::DoEvent(TEventUI& event) {
  switch (event.Type) {
    case UIEVENT_SETFOCUS:
      m_bFocused = true;
      Invalidate();
      return;
    case UIEVENT_KILLFOCUS:
      m_bFocused = false;
      Invalidate();
      return;
    case UIEVENT_TIMER:
      if (m_pManager != nullptr)
        m_pManager->SendNotify(this, DUI_MSGTYPE_TIMER, event.wParam, event.lParam);
      return;
    case UIEVENT_CONTEXTMENU:
      if (m_pManager != nullptr) m_pManager->SendNotify(this, DUI_MSGTYPE_MENU, 0, 0);
      return;
    case UIEVENT_MOUSEENTER:
    case UIEVENT_MOUSELEAVE:
      return;
    default:
      if (m_pParent != nullptr) m_pParent->DoEvent(event);
  }
}

bool CControlUI::Activate() {
  return IsVisible() && IsEnabled();
}

void CControlUI::SetFocus() {
  if (m_pManager != nullptr) m_pManager->SetFocus(this);
}

void CControlUI::DoPaint(cairo_t* cr, const RECT& paint) {
  if (IntersectRects(paint, m_rcItem).IsEmpty()) return;
  PaintBkColor(cr);
  PaintBkImage(cr);
  PaintStatusImage(cr);
  PaintText(cr);
  PaintBorder(cr);
}

void CControlUI::Invalidate() {
  if (m_pManager != nullptr) m_pManager->Invalidate();
}

void CControlUI::NeedUpdate() {
  if (m_pManager != nullptr) m_pManager->NeedUpdate();
}

void CControlUI::PaintBkColor(cairo_t* cr) {
  CRenderEngine::DrawColor(cr, m_rcItem, m_dwBackColor);
}

void CControlUI::PaintBkImage(cairo_t* cr) {
  DrawImage(cr, m_sBkImage);
}

void CControlUI::PaintBorder(cairo_t* cr) {
  CRenderEngine::DrawBorder(cr, m_rcItem, m_nBorderSize, m_dwBorderColor);
}

bool CControlUI::DrawImage(cairo_t* cr, const std::string& image) {
  if (image.empty()) return true;
  const std::string folder = m_pManager != nullptr ? m_pManager->GetResourcePath() : "";
  return CRenderEngine::DrawImageString(cr, m_rcItem, image, folder);
}

}  // namespace DuiLib
