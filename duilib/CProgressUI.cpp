#include "duilib/CProgressUI.h"

#include <algorithm>

#include "duilib/CPaintManagerUI.h"
#include "duilib/CUIAttributes.h"

namespace DuiLib {

void* CProgressUI::GetInterface(const std::string& name) {
  return name == "Progress" ? this : CLabelUI::GetInterface(name);
}

void CProgressUI::SetMinValue(int min) {
  m_nMin = min;
  Invalidate();
}

void CProgressUI::SetMaxValue(int max) {
  m_nMax = max;
  Invalidate();
}

void CProgressUI::SetValue(int value) {
  m_nValue = value;
  Invalidate();
}

void CProgressUI::SetForeImage(const std::string& image) {
  m_sForeImage = image;
  Invalidate();
}

RECT CProgressUI::FilledRect() const {
  RECT rc = m_rcItem;
  if (m_nMax <= m_nMin) return RECT{rc.left, rc.top, rc.left, rc.top};
  const int value = std::clamp(m_nValue, m_nMin, m_nMax) - m_nMin;
  const int range = m_nMax - m_nMin;
  if (m_bHorizontal) {
    rc.right = rc.left + static_cast<int>(static_cast<int64_t>(rc.Width()) * value / range);
  } else {
    rc.top = rc.bottom - static_cast<int>(static_cast<int64_t>(rc.Height()) * value / range);
  }
  return rc;
}

bool CProgressUI::SetAttribute(const std::string& name, const std::string& value) {
  int n = 0;
  bool b = false;
  if (name == "foreimage") {
    SetForeImage(value);
  } else if (name == "hor") {
    if (!CUIAttributes::ParseBool(value, &b)) return LogBadValue(name, value), false;
    m_bHorizontal = b;
  } else if (name == "min" || name == "max" || name == "value") {
    if (!CUIAttributes::ParseInt(value, &n)) return LogBadValue(name, value), false;
    if (name == "min") SetMinValue(n);
    if (name == "max") SetMaxValue(n);
    if (name == "value") SetValue(n);
  } else {
    return CLabelUI::SetAttribute(name, value);
  }
  return true;
}

void CProgressUI::PaintStatusImage(cairo_t* cr) {
  const RECT filled = FilledRect();
  if (m_sForeImage.empty() || filled.IsEmpty()) return;
  cairo_save(cr);
  cairo_rectangle(cr, filled.left, filled.top, filled.Width(), filled.Height());
  cairo_clip(cr);
  DrawImage(cr, m_sForeImage);
  cairo_restore(cr);
}

}  // namespace DuiLib
