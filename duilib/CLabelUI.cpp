#include "duilib/CLabelUI.h"

#include "duilib/CPaintManagerUI.h"
#include "duilib/CUIAttributes.h"

namespace DuiLib {

void* CLabelUI::GetInterface(const std::string& name) {
  return name == "Label" ? this : CControlUI::GetInterface(name);
}

void CLabelUI::SetTextStyle(UINT style) {
  m_uTextStyle = style;
  Invalidate();
}

void CLabelUI::SetTextColor(uint32_t argb) {
  m_dwTextColor = argb;
  Invalidate();
}

void CLabelUI::SetFont(int index) {
  m_iFont = index;
  NeedUpdate();
}

SIZE CLabelUI::EstimateSize(SIZE available) {
  if (m_cxyFixed.cy != 0 || m_pManager == nullptr) return CControlUI::EstimateSize(available);
  const SIZE text = CRenderEngine::MeasureText("Ag", m_pManager->GetFont(m_iFont), 0);
  return SIZE{m_cxyFixed.cx, text.cy + 4 + m_rcTextPadding.top + m_rcTextPadding.bottom};
}

bool CLabelUI::SetAttribute(const std::string& name, const std::string& value) {
  uint32_t color = 0;
  int n = 0;
  bool b = false;
  RECT rc;
  if (name == "align") {
    constexpr UINT horizontal = DT_CENTER | DT_RIGHT;
    constexpr UINT vertical = DT_VCENTER | DT_BOTTOM;
    if (value == "left") {
      m_uTextStyle &= ~horizontal;
    } else if (value == "center") {
      m_uTextStyle = (m_uTextStyle & ~horizontal) | DT_CENTER;
    } else if (value == "right") {
      m_uTextStyle = (m_uTextStyle & ~horizontal) | DT_RIGHT;
    } else if (value == "top") {
      m_uTextStyle &= ~vertical;
    } else if (value == "vcenter") {
      m_uTextStyle = (m_uTextStyle & ~vertical) | DT_VCENTER;
    } else if (value == "bottom") {
      m_uTextStyle = (m_uTextStyle & ~vertical) | DT_BOTTOM;
    } else {
      return LogBadValue(name, value), false;
    }
    Invalidate();
  } else if (name == "textcolor" || name == "disabledtextcolor") {
    if (!CUIAttributes::ParseColor(value, &color)) return LogBadValue(name, value), false;
    (name == "textcolor" ? m_dwTextColor : m_dwDisabledTextColor) = color;
    Invalidate();
  } else if (name == "font") {
    if (!CUIAttributes::ParseInt(value, &n)) return LogBadValue(name, value), false;
    SetFont(n);
  } else if (name == "textpadding") {
    if (!CUIAttributes::ParseRect(value, &rc)) return LogBadValue(name, value), false;
    m_rcTextPadding = rc;
    Invalidate();
  } else if (name == "showhtml" || name == "endellipsis" || name == "multiline") {
    if (!CUIAttributes::ParseBool(value, &b)) return LogBadValue(name, value), false;
    if (name == "showhtml") m_bShowHtml = b;
    if (name == "endellipsis")
      m_uTextStyle = b ? (m_uTextStyle | DT_END_ELLIPSIS) : (m_uTextStyle & ~DT_END_ELLIPSIS);
    if (name == "multiline") {
      m_uTextStyle = b ? ((m_uTextStyle & ~DT_SINGLELINE) | DT_WORDBREAK)
                       : ((m_uTextStyle & ~DT_WORDBREAK) | DT_SINGLELINE);
    }
  } else {
    return CControlUI::SetAttribute(name, value);
  }
  return true;
}

uint32_t CLabelUI::CurrentTextColor() const {
  return IsEnabled() ? m_dwTextColor : m_dwDisabledTextColor;
}

void CLabelUI::PaintText(cairo_t* cr) {
  DrawLabelText(cr, CurrentTextColor());
}

void CLabelUI::DrawLabelText(cairo_t* cr, uint32_t argb) {
  if (m_sText.empty() || m_pManager == nullptr) return;
  const RECT rc{m_rcItem.left + m_rcTextPadding.left, m_rcItem.top + m_rcTextPadding.top,
                m_rcItem.right - m_rcTextPadding.right, m_rcItem.bottom - m_rcTextPadding.bottom};
  CRenderEngine::DrawText(cr, rc, m_sText, argb, m_pManager->GetFont(m_iFont), m_uTextStyle);
}

}  // namespace DuiLib
