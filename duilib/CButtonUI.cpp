#include "duilib/CButtonUI.h"

#include "duilib/CPaintManagerUI.h"
#include "duilib/CUIAttributes.h"

namespace DuiLib {

CButtonUI::CButtonUI() {
  m_uTextStyle = DT_SINGLELINE | DT_VCENTER | DT_CENTER;
}

void* CButtonUI::GetInterface(const std::string& name) {
  return name == "Button" ? this : CLabelUI::GetInterface(name);
}

bool CButtonUI::Activate() {
  if (!CControlUI::Activate()) return false;
  if (m_pManager != nullptr) m_pManager->SendNotify(this, DUI_MSGTYPE_CLICK, 0, 0);
  return true;
}

void CButtonUI::SetEnabled(bool enabled) {
  CControlUI::SetEnabled(enabled);
  if (!enabled) m_uButtonState = 0;
}

void CButtonUI::DoEvent(TEventUI& event) {
  const bool mouseEvent = event.Type >= UIEVENT_MOUSEMOVE && event.Type <= UIEVENT_MOUSEHOVER;
  if (mouseEvent && (!IsEnabled() || !m_bMouseEnabled)) {
    if (m_pParent != nullptr && event.Type == UIEVENT_SCROLLWHEEL) m_pParent->DoEvent(event);
    return;
  }
  switch (event.Type) {
    case UIEVENT_BUTTONDOWN:
    case UIEVENT_DBLCLICK:
      m_uButtonState |= kPushed | kCaptured;
      Invalidate();
      return;
    case UIEVENT_MOUSEMOVE:
      if ((m_uButtonState & kCaptured) != 0) {
        const bool inside = m_rcItem.Contains(event.ptMouse);
        m_uButtonState = inside ? (m_uButtonState | kPushed) : (m_uButtonState & ~kPushed);
        Invalidate();
      }
      return;
    case UIEVENT_BUTTONUP:
      if ((m_uButtonState & kCaptured) != 0) {
        m_uButtonState &= ~(kPushed | kCaptured);
        Invalidate();
        // The click may delete this button (a list row removed by the handler).
        if (m_rcItem.Contains(event.ptMouse)) Activate();
      }
      return;
    case UIEVENT_MOUSEENTER:
      m_uButtonState |= kHot;
      Invalidate();
      return;
    case UIEVENT_MOUSELEAVE:
      m_uButtonState &= ~kHot;
      Invalidate();
      return;
    default:
      CLabelUI::DoEvent(event);
  }
}

void CButtonUI::SetNormalImage(const std::string& image) {
  m_sNormalImage = image;
  Invalidate();
}

void CButtonUI::SetIconImage(const std::string& image) {
  m_sIconImage = image;
  Invalidate();
}

bool CButtonUI::SetAttribute(const std::string& name, const std::string& value) {
  uint32_t color = 0;
  if (name == "normalimage") {
    SetNormalImage(value);
  } else if (name == "hotimage") {
    m_sHotImage = value;
  } else if (name == "pushedimage") {
    m_sPushedImage = value;
  } else if (name == "focusedimage") {
    m_sFocusedImage = value;
  } else if (name == "disabledimage") {
    m_sDisabledImage = value;
  } else if (name == "iconimage") {
    SetIconImage(value);
  } else if (name == "hottextcolor" || name == "pushedtextcolor" || name == "hotbkcolor") {
    if (!CUIAttributes::ParseColor(value, &color)) return LogBadValue(name, value), false;
    if (name == "hottextcolor") m_dwHotTextColor = color;
    if (name == "pushedtextcolor") m_dwPushedTextColor = color;
    if (name == "hotbkcolor") m_dwHotBkColor = color;
  } else {
    return CLabelUI::SetAttribute(name, value);
  }
  Invalidate();
  return true;
}

uint32_t CButtonUI::CurrentTextColor() const {
  if (IsEnabled() && IsPushed() && m_dwPushedTextColor != 0) return m_dwPushedTextColor;
  if (IsEnabled() && IsHot() && m_dwHotTextColor != 0) return m_dwHotTextColor;
  return CLabelUI::CurrentTextColor();
}

void CButtonUI::PaintBkColor(cairo_t* cr) {
  if (IsEnabled() && IsHot() && m_dwHotBkColor != 0) {
    CRenderEngine::DrawColor(cr, m_rcItem, m_dwHotBkColor);
    return;
  }
  CLabelUI::PaintBkColor(cr);
}

void CButtonUI::PaintStatusImage(cairo_t* cr) {
  const std::string* image = &m_sNormalImage;
  if (!IsEnabled() && !m_sDisabledImage.empty()) {
    image = &m_sDisabledImage;
  } else if (IsEnabled() && IsPushed() && !m_sPushedImage.empty()) {
    image = &m_sPushedImage;
  } else if (IsEnabled() && IsHot() && !m_sHotImage.empty()) {
    image = &m_sHotImage;
  } else if (IsFocused() && !m_sFocusedImage.empty()) {
    image = &m_sFocusedImage;
  }
  DrawImage(cr, *image);
  DrawImage(cr, m_sIconImage);
}

}  // namespace DuiLib
