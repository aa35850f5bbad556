#include "duilib/CContainerUI.h"

#include <algorithm>

#include "duilib/CPaintManagerUI.h"
#include "duilib/CRenderEngine.h"
#include "duilib/CUIAttributes.h"

namespace DuiLib {
namespace {
constexpr int kWheelStep = 30;
constexpr int kScrollBarWidth = 6;
constexpr uint32_t kScrollThumbColor = 0x80808080u;
}  // namespace

CContainerUI::~CContainerUI() {
  if (m_bAutoDestroy) {
    for (CControlUI* child : m_items) delete child;
  }
}

void* CContainerUI::GetInterface(const std::string& name) {
  return name == "Container" ? this : CControlUI::GetInterface(name);
}

CControlUI* CContainerUI::GetItemAt(int index) const {
  if (index < 0 || index >= static_cast<int>(m_items.size())) return nullptr;
  return m_items[index];
}

int CContainerUI::GetItemIndex(CControlUI* control) const {
  auto it = std::find(m_items.begin(), m_items.end(), control);
  return it == m_items.end() ? -1 : static_cast<int>(it - m_items.begin());
}

bool CContainerUI::Add(CControlUI* control) {
  return AddAt(control, static_cast<int>(m_items.size()));
}

bool CContainerUI::AddAt(CControlUI* control, int index) {
  if (control == nullptr || index < 0 || index > static_cast<int>(m_items.size())) return false;
  m_items.insert(m_items.begin() + index, control);
  control->SetManager(m_pManager, this, m_pManager != nullptr);
  if (!IsVisible()) control->SetInternVisible(false);
  NeedUpdate();
  return true;
}

bool CContainerUI::Remove(CControlUI* control, bool doNotDestroy) {
  return RemoveAt(GetItemIndex(control), doNotDestroy);
}

bool CContainerUI::RemoveAt(int index, bool doNotDestroy) {
  CControlUI* control = GetItemAt(index);
  if (control == nullptr) return false;
  m_items.erase(m_items.begin() + index);
  if (m_bAutoDestroy && !doNotDestroy) delete control;
  NeedUpdate();
  return true;
}

void CContainerUI::RemoveAll() {
  std::vector<CControlUI*> items;
  items.swap(m_items);
  if (m_bAutoDestroy) {
    for (CControlUI* child : items) delete child;
  }
  m_szScrollPos = SIZE{};
  NeedUpdate();
}

void CContainerUI::SetInset(const RECT& inset) {
  m_rcInset = inset;
  NeedUpdate();
}

void CContainerUI::SetChildPadding(int padding) {
  m_iChildPadding = padding;
  NeedUpdate();
}

void CContainerUI::EnableScrollBar(bool vertical, bool horizontal) {
  m_bVScroll = vertical;
  m_bHScroll = horizontal;
  if (!vertical) m_szScrollPos.cy = 0;
  if (!horizontal) m_szScrollPos.cx = 0;
  NeedUpdate();
}

void CContainerUI::SetScrollPos(SIZE pos) {
  pos.cx = std::clamp(pos.cx, 0, std::max(0, m_szScrollRange.cx));
  pos.cy = std::clamp(pos.cy, 0, std::max(0, m_szScrollRange.cy));
  if (pos.cx == m_szScrollPos.cx && pos.cy == m_szScrollPos.cy) return;
  m_szScrollPos = pos;
  SetPos(m_rcItem);
  Invalidate();
}

RECT CContainerUI::InnerRect() const {
  return RECT{m_rcItem.left + m_rcInset.left, m_rcItem.top + m_rcInset.top,
              m_rcItem.right - m_rcInset.right, m_rcItem.bottom - m_rcInset.bottom};
}

void CContainerUI::SetFloatPos(CControlUI* child, const RECT& inner) {
  const RECT& pos = child->GetFloatPos();
  const int w = child->GetFixedWidth() > 0 ? child->GetFixedWidth() : pos.right - pos.left;
  const int h = child->GetFixedHeight() > 0 ? child->GetFixedHeight() : pos.bottom - pos.top;
  child->SetPos(RECT{inner.left + pos.left, inner.top + pos.top, inner.left + pos.left + w,
                     inner.top + pos.top + h});
}

void CContainerUI::SetContentSize(SIZE content) {
  const RECT inner = InnerRect();
  m_szScrollRange.cx = m_bHScroll ? std::max(0, content.cx - inner.Width()) : 0;
  m_szScrollRange.cy = m_bVScroll ? std::max(0, content.cy - inner.Height()) : 0;
  m_szScrollPos.cx = std::min(m_szScrollPos.cx, m_szScrollRange.cx);
  m_szScrollPos.cy = std::min(m_szScrollPos.cy, m_szScrollRange.cy);
}

void CContainerUI::SetPos(RECT rc) {
  CControlUI::SetPos(rc);
  const RECT inner = InnerRect();
  for (CControlUI* child : m_items) {
    if (!child->IsVisible() || !PaintsChild(child)) continue;
    if (child->IsFloat()) {
      SetFloatPos(child, inner);
      continue;
    }
    const RECT& pad = child->GetPadding();
    child->SetPos(RECT{inner.left + pad.left, inner.top + pad.top, inner.right - pad.right,
                       inner.bottom - pad.bottom});
  }
}

bool CContainerUI::SetAttribute(const std::string& name, const std::string& value) {
  RECT rc;
  int n = 0;
  bool b = false;
  if (name == "inset") {
    if (!CUIAttributes::ParseRect(value, &rc)) return LogBadValue(name, value), false;
    SetInset(rc);
  } else if (name == "childpadding") {
    if (!CUIAttributes::ParseInt(value, &n)) return LogBadValue(name, value), false;
    SetChildPadding(n);
  } else if (name == "mousechild" || name == "vscrollbar" || name == "hscrollbar") {
    if (!CUIAttributes::ParseBool(value, &b)) return LogBadValue(name, value), false;
    if (name == "mousechild") SetMouseChildEnabled(b);
    if (name == "vscrollbar") EnableScrollBar(b, m_bHScroll);
    if (name == "hscrollbar") EnableScrollBar(m_bVScroll, b);
  } else {
    return CControlUI::SetAttribute(name, value);
  }
  return true;
}

void CContainerUI::SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init) {
  for (CControlUI* child : m_items) child->SetManager(manager, this, init);
  CControlUI::SetManager(manager, parent, init);
}

void CContainerUI::SetInternVisible(bool visible) {
  CControlUI::SetInternVisible(visible);
  for (CControlUI* child : m_items) child->SetInternVisible(IsVisible());
}

CControlUI* CContainerUI::FindControlAt(POINT pt) {
  if (!IsVisible() || !m_rcItem.Contains(pt)) return nullptr;
  if (m_bMouseChildEnabled) {
    for (auto it = m_items.rbegin(); it != m_items.rend(); ++it) {
      if (!PaintsChild(*it)) continue;
      if (CControlUI* found = (*it)->FindControlAt(pt)) return found;
    }
  }
  return CControlUI::FindControlAt(pt);
}

CControlUI* CContainerUI::FindControlByName(const std::string& name) {
  if (CControlUI* self = CControlUI::FindControlByName(name)) return self;
  for (CControlUI* child : m_items) {
    if (CControlUI* found = child->FindControlByName(name)) return found;
  }
  return nullptr;
}

void CContainerUI::DoEvent(TEventUI& event) {
  if (event.Type == UIEVENT_SCROLLWHEEL && (m_szScrollRange.cy > 0 || m_szScrollRange.cx > 0)) {
    const int delta = GET_WHEEL_DELTA_WPARAM(event.wParam);
    const int step = (delta > 0 ? -1 : 1) * kWheelStep;
    SIZE pos = m_szScrollPos;
    if (m_szScrollRange.cy > 0) {
      pos.cy += step;
    } else {
      pos.cx += step;
    }
    SetScrollPos(pos);
    return;
  }
  CControlUI::DoEvent(event);
}

void CContainerUI::DoPaint(cairo_t* cr, const RECT& paint) {
  const RECT clip = IntersectRects(paint, m_rcItem);
  if (clip.IsEmpty()) return;
  CControlUI::DoPaint(cr, clip);
  cairo_save(cr);
  cairo_rectangle(cr, clip.left, clip.top, clip.Width(), clip.Height());
  cairo_clip(cr);
  for (CControlUI* child : m_items) {
    if (child->IsVisible() && PaintsChild(child)) child->DoPaint(cr, clip);
  }
  PaintScrollBars(cr);
  cairo_restore(cr);
}

void CContainerUI::PaintScrollBars(cairo_t* cr) {
  const RECT inner = InnerRect();
  if (m_szScrollRange.cy > 0 && inner.Height() > 0) {
    const int content = inner.Height() + m_szScrollRange.cy;
    const int thumb = std::max(10, inner.Height() * inner.Height() / content);
    const int top = inner.top + (inner.Height() - thumb) * m_szScrollPos.cy / m_szScrollRange.cy;
    CRenderEngine::DrawColor(cr, RECT{inner.right - kScrollBarWidth, top, inner.right, top + thumb},
                             kScrollThumbColor);
  }
  if (m_szScrollRange.cx > 0 && inner.Width() > 0) {
    const int content = inner.Width() + m_szScrollRange.cx;
    const int thumb = std::max(10, inner.Width() * inner.Width() / content);
    const int left = inner.left + (inner.Width() - thumb) * m_szScrollPos.cx / m_szScrollRange.cx;
    CRenderEngine::DrawColor(cr,
                             RECT{left, inner.bottom - kScrollBarWidth, left + thumb, inner.bottom},
                             kScrollThumbColor);
  }
}

}  // namespace DuiLib
