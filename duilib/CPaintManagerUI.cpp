#include "duilib/CPaintManagerUI.h"

#include <pango/pangocairo.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <unordered_map>

#include "duilib/CControlUI.h"
#include "duilib/CRenderEngine.h"
#include "duilib/CUIHost.h"
#include "duilib/CWindowWnd.h"
#include "platform/MessageQueue.h"

namespace DuiLib {
namespace {

// Timer ids of controls are kept apart from ids a window sets for itself.
constexpr uintptr_t kControlTimerBase = 0x40000000u;

void* g_instance = nullptr;
std::string g_resourcePath;

std::unordered_map<HWND, CPaintManagerUI*>& Managers() {
  static std::unordered_map<HWND, CPaintManagerUI*> managers;
  return managers;
}

uint64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

POINT PointOf(LPARAM l) {
  return POINT{GET_X_LPARAM(l), GET_Y_LPARAM(l)};
}

}  // namespace

CPaintManagerUI::CPaintManagerUI() {
  m_pDefaultFont = MakeFont("Sans", 12, false, false, false);
}

CPaintManagerUI::~CPaintManagerUI() {
  RemoveAllTimers();
  CControlUI* root = m_pRoot;
  m_pRoot = nullptr;
  delete root;
  for (PangoFontDescription* font : m_aFonts) pango_font_description_free(font);
  pango_font_description_free(m_pDefaultFont);
  if (m_hWndPaint != nullptr) {
    auto it = Managers().find(m_hWndPaint);
    if (it != Managers().end() && it->second == this) Managers().erase(it);
  }
}

void CPaintManagerUI::SetInstance(void* instance) {
  g_instance = instance;
}
void* CPaintManagerUI::GetInstance() {
  return g_instance;
}

std::string CPaintManagerUI::GetInstancePath() {
  char buf[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof(buf) - 1);
  if (n <= 0) return "./";
  std::string path(buf, static_cast<size_t>(n));
  return path.substr(0, path.rfind('/') + 1);
}

void CPaintManagerUI::SetResourcePath(const std::string& path) {
  g_resourcePath = path;
  if (!g_resourcePath.empty() && g_resourcePath.back() != '/') g_resourcePath += '/';
}

std::string CPaintManagerUI::GetResourcePath() {
  return g_resourcePath;
}

int CPaintManagerUI::MessageLoop() {
  return CUIHost::Current().RunLoop();
}

CPaintManagerUI* CPaintManagerUI::FromWindow(HWND hwnd) {
  auto it = Managers().find(hwnd);
  return it == Managers().end() ? nullptr : it->second;
}

void CPaintManagerUI::Init(HWND hwnd) {
  m_hWndPaint = hwnd;
  Managers()[hwnd] = this;
}

bool CPaintManagerUI::AttachDialog(CControlUI* root) {
  if (root == nullptr) return false;
  delete m_pRoot;
  m_pEventHover = m_pEventClick = m_pFocus = nullptr;
  m_pRoot = root;
  m_pRoot->SetManager(this, nullptr, true);
  NeedUpdate();
  return true;
}

bool CPaintManagerUI::AddNotifier(INotifyUI* notifier) {
  if (std::find(m_aNotifiers.begin(), m_aNotifiers.end(), notifier) != m_aNotifiers.end())
    return false;
  m_aNotifiers.push_back(notifier);
  return true;
}

bool CPaintManagerUI::RemoveNotifier(INotifyUI* notifier) {
  auto it = std::find(m_aNotifiers.begin(), m_aNotifiers.end(), notifier);
  if (it == m_aNotifiers.end()) return false;
  m_aNotifiers.erase(it);
  return true;
}

bool CPaintManagerUI::AddPreMessageFilter(IMessageFilterUI* filter) {
  if (std::find(m_aPreMessageFilters.begin(), m_aPreMessageFilters.end(), filter) !=
      m_aPreMessageFilters.end())
    return false;
  m_aPreMessageFilters.push_back(filter);
  return true;
}

bool CPaintManagerUI::RemovePreMessageFilter(IMessageFilterUI* filter) {
  auto it = std::find(m_aPreMessageFilters.begin(), m_aPreMessageFilters.end(), filter);
  if (it == m_aPreMessageFilters.end()) return false;
  m_aPreMessageFilters.erase(it);
  return true;
}

void CPaintManagerUI::SendNotify(TNotifyUI& msg) {
  if (msg.pSender != nullptr && msg.sVirtualWnd.empty())
    msg.sVirtualWnd = msg.pSender->GetVirtualWnd();
  msg.dwTimestamp = NowMs();
  // A notifier may remove itself (or others) while it handles the message.
  const std::vector<INotifyUI*> notifiers = m_aNotifiers;
  for (INotifyUI* notifier : notifiers) {
    if (std::find(m_aNotifiers.begin(), m_aNotifiers.end(), notifier) != m_aNotifiers.end())
      notifier->Notify(msg);
  }
}

void CPaintManagerUI::SendNotify(CControlUI* control, const std::string& type, WPARAM w, LPARAM l) {
  TNotifyUI msg;
  msg.sType = type;
  msg.pSender = control;
  msg.wParam = w;
  msg.lParam = l;
  SendNotify(msg);
}

CControlUI* CPaintManagerUI::FindControl(const std::string& name) const {
  return m_pRoot != nullptr ? m_pRoot->FindControlByName(name) : nullptr;
}

CControlUI* CPaintManagerUI::FindControl(POINT pt) {
  UpdateLayout();
  return m_pRoot != nullptr ? m_pRoot->FindControlAt(pt) : nullptr;
}

void CPaintManagerUI::SetFocus(CControlUI* control) {
  if (control == m_pFocus) return;
  CControlUI* old = m_pFocus;
  m_pFocus = control;
  if (old != nullptr) DispatchTo(old, UIEVENT_KILLFOCUS, POINT{});
  if (m_pFocus == control && control != nullptr) DispatchTo(control, UIEVENT_SETFOCUS, POINT{});
}

bool CPaintManagerUI::SetTimer(CControlUI* control, UINT timerId, UINT elapseMs) {
  if (control == nullptr || m_hWndPaint == nullptr) return false;
  for (const TimerInfo& t : m_aTimers) {
    if (t.control == control && t.id == timerId)
      return platform::SetTimer(m_hWndPaint, t.localId, elapseMs);
  }
  const uintptr_t localId = kControlTimerBase + m_nextTimerId++;
  if (!platform::SetTimer(m_hWndPaint, localId, elapseMs)) return false;
  m_aTimers.push_back(TimerInfo{control, timerId, localId});
  return true;
}

bool CPaintManagerUI::KillTimer(CControlUI* control, UINT timerId) {
  for (auto it = m_aTimers.begin(); it != m_aTimers.end(); ++it) {
    if (it->control != control || it->id != timerId) continue;
    platform::KillTimer(m_hWndPaint, it->localId);
    m_aTimers.erase(it);
    return true;
  }
  return false;
}

void CPaintManagerUI::KillTimer(CControlUI* control) {
  for (auto it = m_aTimers.begin(); it != m_aTimers.end();) {
    if (it->control == control) {
      platform::KillTimer(m_hWndPaint, it->localId);
      it = m_aTimers.erase(it);
    } else {
      ++it;
    }
  }
}

void CPaintManagerUI::RemoveAllTimers() {
  for (const TimerInfo& t : m_aTimers) platform::KillTimer(m_hWndPaint, t.localId);
  m_aTimers.clear();
}

void CPaintManagerUI::OnTimer(uintptr_t localId) {
  for (const TimerInfo& t : m_aTimers) {
    if (t.localId == localId) {
      DispatchTo(t.control, UIEVENT_TIMER, POINT{}, t.id, 0);
      return;
    }
  }
}

void CPaintManagerUI::SetInitSize(int cx, int cy) {
  m_szInitWindowSize = SIZE{cx, cy};
  CWindowWnd* wnd = CWindowWnd::FromHandle(m_hWndPaint);
  if (wnd != nullptr) wnd->ResizeClient(cx, cy);
}

SIZE CPaintManagerUI::GetClientSize() const {
  CWindowWnd* wnd = CWindowWnd::FromHandle(m_hWndPaint);
  if (wnd == nullptr) return m_szInitWindowSize;
  const RECT rc = wnd->GetWindowRect();
  return SIZE{rc.Width(), rc.Height()};
}

void CPaintManagerUI::SetRoundCorner(int cx, int cy) {
  m_szRoundCorner = SIZE{cx, cy};
  Invalidate();
}

void CPaintManagerUI::HideToolTip() {
  if (m_sToolTipShown.empty()) return;
  m_sToolTipShown.clear();
  if (m_hWndPaint != nullptr) CUIHost::Current().SetToolTip(m_hWndPaint, "", 0);
}

void CPaintManagerUI::ShowToolTipAt(POINT pt) {
  CControlUI* control = FindControl(pt);
  while (control != nullptr && control->GetToolTip().empty()) control = control->GetParent();
  if (control == nullptr) {
    HideToolTip();
    return;
  }
  m_sToolTipShown = control->GetToolTip();
  CUIHost::Current().SetToolTip(m_hWndPaint, m_sToolTipShown, control->GetToolTipWidth());
}

PangoFontDescription* CPaintManagerUI::MakeFont(const std::string& family, int pixelSize, bool bold,
                                                bool /*underline*/, bool italic) {
  PangoFontDescription* desc = pango_font_description_new();
  pango_font_description_set_family(desc, family.empty() ? "Sans" : family.c_str());
  pango_font_description_set_absolute_size(desc, std::max(1, pixelSize) * PANGO_SCALE);
  pango_font_description_set_weight(desc, bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
  pango_font_description_set_style(desc, italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
  return desc;
}

int CPaintManagerUI::AddFont(const std::string& family, int pixelSize, bool bold, bool underline,
                             bool italic) {
  m_aFonts.push_back(MakeFont(family, pixelSize, bold, underline, italic));
  return static_cast<int>(m_aFonts.size()) - 1;
}

void CPaintManagerUI::SetDefaultFont(const std::string& family, int pixelSize, bool bold,
                                     bool underline, bool italic) {
  pango_font_description_free(m_pDefaultFont);
  m_pDefaultFont = MakeFont(family, pixelSize, bold, underline, italic);
}

const PangoFontDescription* CPaintManagerUI::GetFont(int index) const {
  if (index >= 0 && index < static_cast<int>(m_aFonts.size())) return m_aFonts[index];
  if (m_aFonts.empty() && m_pParentResourcePM != nullptr)
    return m_pParentResourcePM->GetFont(index);
  return m_pDefaultFont;
}

void CPaintManagerUI::AddDefaultAttributeList(const std::string& controlName,
                                              const std::string& list) {
  m_mDefaultAttrs[controlName] = list;
}

std::string CPaintManagerUI::GetDefaultAttributeList(const std::string& controlName) const {
  auto it = m_mDefaultAttrs.find(controlName);
  if (it != m_mDefaultAttrs.end()) return it->second;
  if (m_pParentResourcePM != nullptr)
    return m_pParentResourcePM->GetDefaultAttributeList(controlName);
  return std::string();
}

void CPaintManagerUI::AddOptionGroup(const std::string& group, COptionUI* option) {
  auto& members = m_mOptionGroups[group];
  if (std::find(members.begin(), members.end(), option) == members.end()) members.push_back(option);
}

const std::vector<COptionUI*>& CPaintManagerUI::GetOptionGroup(const std::string& group) {
  return m_mOptionGroups[group];
}

void CPaintManagerUI::RemoveOptionGroup(const std::string& group, COptionUI* option) {
  auto it = m_mOptionGroups.find(group);
  if (it == m_mOptionGroups.end()) return;
  auto& members = it->second;
  members.erase(std::remove(members.begin(), members.end(), option), members.end());
  if (members.empty()) m_mOptionGroups.erase(it);
}

void CPaintManagerUI::ReapObjects(CControlUI* control) {
  if (m_pEventHover == control) m_pEventHover = nullptr;
  if (m_pEventClick == control) m_pEventClick = nullptr;
  if (m_pFocus == control) m_pFocus = nullptr;
  if (m_pRoot == control) m_pRoot = nullptr;
  KillTimer(control);
}

void CPaintManagerUI::DispatchTo(CControlUI* control, int type, POINT pt, WPARAM w, LPARAM l) {
  if (control == nullptr) return;
  TEventUI event;
  event.Type = type;
  event.pSender = control;
  event.dwTimestamp = NowMs();
  event.ptMouse = pt;
  event.wParam = w;
  event.lParam = l;
  // The control may be gone once Event returns.
  control->Event(event);
}

void CPaintManagerUI::SetHover(CControlUI* control, POINT pt) {
  if (control == m_pEventHover) return;
  CControlUI* old = m_pEventHover;
  m_pEventHover = control;
  HideToolTip();
  if (old != nullptr) DispatchTo(old, UIEVENT_MOUSELEAVE, pt);
  if (control != nullptr && m_pEventHover == control) DispatchTo(control, UIEVENT_MOUSEENTER, pt);
}

bool CPaintManagerUI::HandleMouse(UINT msg, WPARAM w, LPARAM l) {
  const POINT pt = PointOf(l);
  CControlUI* control = msg == WM_MOUSELEAVE ? nullptr : FindControl(pt);
  switch (msg) {
    case WM_MOUSEMOVE:
      SetHover(control, pt);
      DispatchTo(m_pEventClick != nullptr ? m_pEventClick : m_pEventHover, UIEVENT_MOUSEMOVE, pt,
                 w);
      return false;
    case WM_MOUSELEAVE:
      SetHover(nullptr, pt);
      return false;
    case WM_MOUSEHOVER:
      ShowToolTipAt(pt);
      DispatchTo(control, UIEVENT_MOUSEHOVER, pt, w);
      return false;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (control == nullptr) return false;
      m_pEventClick = control;
      SetFocus(control);
      if (m_pEventClick == control)
        DispatchTo(control, msg == WM_LBUTTONDOWN ? UIEVENT_BUTTONDOWN : UIEVENT_DBLCLICK, pt, w);
      return false;
    case WM_LBUTTONUP: {
      CControlUI* clicked = m_pEventClick;
      m_pEventClick = nullptr;
      DispatchTo(clicked, UIEVENT_BUTTONUP, pt, w);
      return false;
    }
    case WM_RBUTTONDOWN:
      DispatchTo(control, UIEVENT_RBUTTONDOWN, pt, w);
      return false;
    case WM_CONTEXTMENU:
      DispatchTo(control, UIEVENT_CONTEXTMENU, pt, w);
      return false;
    case WM_MOUSEWHEEL:
      DispatchTo(control, UIEVENT_SCROLLWHEEL, pt, w);
      return false;
    default:
      return false;
  }
}

bool CPaintManagerUI::PreMessageHandler(UINT msg, WPARAM w, LPARAM l, LRESULT& result) {
  const std::vector<IMessageFilterUI*> filters = m_aPreMessageFilters;
  for (IMessageFilterUI* filter : filters) {
    bool handled = false;
    const LRESULT r = filter->MessageHandler(msg, w, l, handled);
    if (handled) {
      result = r;
      return true;
    }
  }
  return false;
}

bool CPaintManagerUI::MessageHandler(UINT msg, WPARAM w, LPARAM l, LRESULT& result) {
  result = 0;
  switch (msg) {
    case WM_TIMER:
      if (w < kControlTimerBase) return false;
      OnTimer(w);
      return true;
    case WM_SIZE:
      NeedUpdate();
      return false;
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
      DispatchTo(m_pFocus,
                 msg == WM_KEYDOWN ? UIEVENT_KEYDOWN
                 : msg == WM_KEYUP ? UIEVENT_KEYUP
                                   : UIEVENT_CHAR,
                 POINT{}, w, l);
      return false;
    case WM_MOUSEMOVE:
    case WM_MOUSELEAVE:
    case WM_MOUSEHOVER:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_CONTEXTMENU:
    case WM_MOUSEWHEEL:
      return HandleMouse(msg, w, l);
    default:
      return false;
  }
}

void CPaintManagerUI::Invalidate() {
  if (m_hWndPaint != nullptr) CUIHost::Current().Invalidate(m_hWndPaint);
}

void CPaintManagerUI::NeedUpdate() {
  m_bUpdateNeeded = true;
  Invalidate();
}

void CPaintManagerUI::UpdateLayout() {
  const SIZE size = GetClientSize();
  if (m_pRoot == nullptr) return;
  if (!m_bUpdateNeeded && size.cx == m_szLaidOut.cx && size.cy == m_szLaidOut.cy) return;
  m_bUpdateNeeded = false;
  m_szLaidOut = size;
  m_pRoot->SetPos(RECT{0, 0, size.cx, size.cy});
}

void CPaintManagerUI::Paint(cairo_t* cr) {
  UpdateLayout();
  const SIZE size = GetClientSize();
  cairo_save(cr);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  cairo_set_source_rgba(cr, 0, 0, 0, 0);
  cairo_paint(cr);
  cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
  if (m_szRoundCorner.cx > 0 && m_szRoundCorner.cy > 0) {
    CRenderEngine::RoundedRectPath(cr, size.cx, size.cy, m_szRoundCorner.cx / 2.0,
                                   m_szRoundCorner.cy / 2.0);
    cairo_clip(cr);
  }
  if (m_pRoot != nullptr) m_pRoot->DoPaint(cr, RECT{0, 0, size.cx, size.cy});
  cairo_restore(cr);
}

bool CPaintManagerUI::RenderToPng(const std::string& path) {
  const SIZE size = GetClientSize();
  if (size.cx <= 0 || size.cy <= 0) return false;
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size.cx, size.cy);
  cairo_t* cr = cairo_create(surface);
  Paint(cr);
  cairo_destroy(cr);
  const bool ok = cairo_surface_write_to_png(surface, path.c_str()) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(surface);
  return ok;
}

}  // namespace DuiLib
