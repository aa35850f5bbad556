#include "ui/CDndUiDlg.h"

#include <algorithm>

#include "duilib/CDropFiles.h"
#include "duilib/WindowFunctions.h"
#include "session/COptions.h"
#include "session/Messages.h"
#include "ui/CMainUiDlg.h"
#include "ui/CMenuElementUI.h"
#include "ui/CMenuWnd.h"
#include "ui/CToolTipUiDlg.h"
#include "ui/SkinFolder.h"
#include "ui/SkinWindowFrame.h"

using namespace DuiLib;

namespace {

constexpr int kMenuWidth = 150, kMenuHeight = 139;
constexpr const char* kPlayGrey = "file='play_g.png' dest='0,7,16,23'";
constexpr const char* kPauseNormal = "file='pause_n.png' dest='0,7,16,23'";
constexpr const char* kPauseGrey = "file='pause_g.png' dest='0,7,16,23'";
constexpr const char* kMenuPauseIcon = "file='pause_n.png' dest='4,9,20,25'";
constexpr const char* kMenuPlayIcon = "file='play_n.png' dest='4,9,20,25'";
constexpr const char* kFaceOnline = "dnd_bg.png";
constexpr const char* kFaceOffline = "dnd_offline.png";

}  // namespace

CDndUiDlg::CDndUiDlg(DropPipeline::Services services) : m_services(std::move(services)) {
  if (m_services.options == nullptr) m_services.options = &COptions::Instance();
}

CDndUiDlg::~CDndUiDlg() {
  // The tool-tip window deletes its object when its window goes and reports
  // it (ToolTipDestroyed); destroying this window took it already.
  if (m_toolTip != nullptr) m_toolTip->DestroyWindow();
  if (CMainUiDlg* main = LiveMain()) main->SetDropWindow(nullptr, nullptr);
}

CMainUiDlg* CDndUiDlg::LiveMain() const {
  // The manager window may be gone first (its WM_CLOSE is posted on close).
  if (m_main == nullptr || CWindowWnd::FromHandle(m_mainWnd) != m_main) return nullptr;
  return m_main;
}

void CDndUiDlg::ToolTipDestroyed() {
  m_toolTip = nullptr;
  if (CMainUiDlg* main = LiveMain()) main->SetToolTipWindow(nullptr);
}

std::string CDndUiDlg::GetSkinFolder() {
  return SkinFolder::Path();
}

void CDndUiDlg::OnFinalMessage(HWND hwnd) {
  WindowImplBase::OnFinalMessage(hwnd);
  delete this;
}

void CDndUiDlg::InitWindow() {
  StatusLabel();
  if (m_toolTip == nullptr) CreateToolTipWindow();
}

void CDndUiDlg::CreateToolTipWindow() {
  auto* toolTip = new CToolTipUiDlg;
  if (toolTip->Create(
          GetHWND(), "",
          WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU, 0, 0,
          0, CToolTipUiDlg::kCreateWidth, CToolTipUiDlg::kCreateHeight) == nullptr) {
    return;  // a window that failed to build has deleted itself
  }
  toolTip->SetDropWindow(this);
  toolTip->ShowWindow(false, false);
  m_toolTip = toolTip;
  if (CMainUiDlg* main = LiveMain()) main->SetToolTipWindow(m_toolTip);
}

void CDndUiDlg::SetMainWindow(CMainUiDlg* main) {
  m_main = main;
  m_mainWnd = main != nullptr ? main->GetHWND() : nullptr;
  m_pipeline.reset();
  if (main == nullptr) return;
  m_pipeline = std::make_unique<DropPipeline>(*this, main->Queue(), m_services);
  m_pipeline->SetWindow(GetHWND());
  main->SetDropWindow(m_pipeline.get(), GetHWND());
  main->SetToolTipWindow(m_toolTip);
}

CControlUI* CDndUiDlg::StatusLabel() {
  if (m_statusLabel == nullptr) m_statusLabel = m_PaintManager.FindControl("mLabel");
  return m_statusLabel;
}

int32_t CDndUiDlg::Busy() const {
  return StateNumber(m_services.options->m_busy.load());
}

LRESULT CDndUiDlg::HandleMessage(UINT msg, WPARAM w, LPARAM l) {
  LRESULT result = 0;
  if (SkinWindowFrame::Handle(*this, msg, w, l, &result)) return result;
  if (HandleOwnMessage(msg, w, l, &result)) return result;
  if (m_pipeline != nullptr && m_pipeline->HandleMessage(msg, w, l, &result)) return result;
  return WindowImplBase::HandleMessage(msg, w, l);
}

bool CDndUiDlg::HandleOwnMessage(UINT msg, WPARAM w, LPARAM l, LRESULT* result) {
  *result = 0;
  switch (msg) {
    case WM_CREATE:
      SkinWindowFrame::StripCaption(*this);
      return false;
    case WM_CLOSE:
      // The first close runs the sequence and lets the window be destroyed;
      // a later one is swallowed.
      return m_pipeline != nullptr && !m_pipeline->closeSequence();
    case WM_CONTEXTMENU:
    case WM_RBUTTONDOWN:
      OnContextMenu(l);
      return true;
    case WM_NCHITTEST:
      *result = HTCLIENT;
      return true;
    case WM_NCRBUTTONDOWN:
      return true;
    case WM_LBUTTONDOWN:
      StartDragging();
      return true;
    case WM_LBUTTONDBLCLK:
    case msg::WM_SHOW_MANAGER:
      ShowManagerWindow();
      return true;
    case WM_DROPFILES:
      *result = OnDropFiles(w);
      return true;
    case WM_MOUSEHOVER: {
      if (m_menuOpen) return true;
      bool handled = false;
      *result = OnMouseHover(w, l, &handled);
      return handled;
    }
    case msg::WM_MENU_COMMAND:
      if (l != 0) m_PaintManager.SendNotify(reinterpret_cast<CControlUI*>(l), "menu_msg", w, l);
      return true;
    case msg::WM_TOGGLE_DROP:
      ToggleVisible();
      return true;
    case msg::WM_SHOW_MAIN:
      if (CMainUiDlg* main = LiveMain()) main->bringToFront();
      *result = 1;
      return true;
    default:
      return false;
  }
}

LRESULT CDndUiDlg::OnDropFiles(WPARAM w) {
  HDROP drop = DropFromWParam(w);
  std::vector<std::string> paths;
  const UINT count = DragQueryFileA(drop, 0xFFFFFFFFu, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    // Linux paths have no 260-character limit: the buffer fits the path.
    std::string path(DragQueryFileA(drop, i, nullptr, 0) + 1, '\0');
    path.resize(DragQueryFileA(drop, i, path.data(), static_cast<UINT>(path.size())));
    paths.push_back(std::move(path));
  }
  DragFinish(drop);
  if (m_pipeline != nullptr) m_pipeline->OnDrop(paths);
  return 1;
}

LRESULT CDndUiDlg::OnMouseHover(WPARAM w, LPARAM l, bool* handled) {
  if (Busy() != 0 && m_toolTip != nullptr) {
    ShowToolTipWindow(POINT{GET_X_LPARAM(l), GET_Y_LPARAM(l)});
    *handled = true;
    return 0;
  }
  // Nothing uploads: the paint manager shows the label's tool-tip.
  if (w == MK_LBUTTON) {
    ShowStatusToolTip("松开鼠标上传", 300);
  } else {
    ShowStatusToolTip("拖拽文件到此上传到Quorel", 80);
  }
  *handled = false;
  return 0;
}

void CDndUiDlg::ShowToolTipWindow(POINT client) {
  POINT pt{client.x, kToolTipTop};
  ClientToScreen(GetHWND(), &pt);
  const RECT work = GetMonitorWorkArea(GetHWND());
  // Keep the tool-tip inside the work area of the drop window's monitor.
  if (work.right < pt.x + kToolTipWidth) pt.x -= kToolTipWidth;
  if (work.bottom < pt.y + kToolTipHeight) {
    pt.y -= kToolTipHeight;
    if (pt.y <= work.top) pt.y = work.top + 4;
  }
  SetWindowPos(m_toolTip->GetHWND(), HWND_TOPMOST, pt.x, pt.y, kToolTipWidth, kToolTipHeight,
               SWP_SHOWWINDOW | SWP_NOACTIVATE);
  StartTimer(DropPipeline::kTimerToolTip, kToolTipMs);
}

void CDndUiDlg::StartDragging() {
  if (Busy() != 0) {
    if (m_toolTip != nullptr) m_toolTip->ShowWindow(false, false);
  } else {
    m_PaintManager.HideToolTip();
  }
  ReleaseCapture();
  // The host moves the window with the pointer, as over a caption.
  SendMessage(WM_NCLBUTTONDOWN, static_cast<WPARAM>(HTCAPTION), 0);
  SendMessage(WM_LBUTTONUP, 0, 0);
  m_menuTarget = nullptr;
  m_menuOpen = false;
}

void CDndUiDlg::OnContextMenu(LPARAM l) {
  const POINT client{GET_X_LPARAM(l), GET_Y_LPARAM(l)};
  if (CControlUI* target = m_PaintManager.FindControl(client)) {
    POINT screen = client;
    ClientToScreen(GetHWND(), &screen);
    OpenMenu(screen, target, kMenuWidth, kMenuHeight);
    m_menuPoint = screen;
    m_menuTarget = target;
    m_menuOpen = true;
  } else if (m_menuOpen && m_menuTarget != nullptr) {
    OpenMenu(m_menuPoint, m_menuTarget, 0, 0);
    m_menuOpen = true;
  }
}

void CDndUiDlg::OpenMenu(POINT screen, CControlUI* target, int width, int height) {
  auto* menu = new CMenuWnd(GetHWND());
  menu->Init(nullptr, "menu.xml", "xml", screen, target, width, height);
  // A menu whose skin failed has already deleted itself.
  const std::vector<CMenuWnd*> open = CMenuWnd::OpenMenus();
  if (std::find(open.begin(), open.end(), menu) == open.end()) return;
  AdjustMenuItems(menu->GetPaintManager());
}

std::vector<std::string> CDndUiDlg::DisabledMenuItems(int32_t busy) {
  if (busy == StateNumber(BusyState::kIdle)) return {"m_start", "m_pause"};
  if (busy == StateNumber(BusyState::kRunning)) return {"m_start"};
  if (busy == StateNumber(BusyState::kPaused)) return {"m_pause"};
  return {};
}

void CDndUiDlg::AdjustMenuItems(CPaintManagerUI& menu) const {
  const int32_t busy = Busy();
  for (const std::string& name : DisabledMenuItems(busy)) {
    if (CControlUI* item = menu.FindControl(name)) item->SetEnabled(false);
  }
  // The icon of the item that can be chosen is its check image.
  const bool running = busy == StateNumber(BusyState::kRunning);
  if (!running && busy != StateNumber(BusyState::kPaused)) return;
  auto* item = static_cast<CMenuElementUI*>(menu.FindControl(running ? "m_pause" : "m_start"));
  if (item != nullptr) item->SetCheckImage(running ? kMenuPauseIcon : kMenuPlayIcon);
}

void CDndUiDlg::Notify(TNotifyUI& msg) {
  if (msg.sType == "menu_msg" && msg.pSender != nullptr) OnMenuCommand(msg.pSender->GetUserData());
  if (msg.sType == DUI_MSGTYPE_TIMER) OnTimer(static_cast<int32_t>(msg.wParam));
  WindowImplBase::Notify(msg);
}

void CDndUiDlg::OnMenuCommand(const std::string& item) {
  if (item == "m_mgr") {
    ShowManagerWindow();
  } else if (item == "m_hide") {
    m_visible = false;
    ShowWindow(false, false);
    if (m_pipeline != nullptr) m_pipeline->hidden();
  }
  if (m_pipeline == nullptr) return;
  if (item == "m_start") m_pipeline->startUploads();
  if (item == "m_pause" && LiveMain() != nullptr) LiveMain()->OnButtonUpPause();
  if (item == "m_logout") m_pipeline->goOffline();
  if (item == "m_resume") m_pipeline->OnClientLogin();
  if (item == "m_exit") {
    m_pipeline->closeSequence();
    platform::PostQuitMessage(0);
  }
}

void CDndUiDlg::OnTimer(int32_t id) {
  if (id != DropPipeline::kTimerToolTip) {
    if (m_pipeline != nullptr) m_pipeline->OnTimer(id);
    return;
  }
  StopTimer(id);
  if (!m_toolTipHovered && m_toolTip != nullptr) m_toolTip->ShowWindow(false, false);
}

void CDndUiDlg::ShowManagerWindow() {
  if (CMainUiDlg* main = LiveMain()) main->bringToFront();
}

void CDndUiDlg::ToggleVisible() {
  m_visible = !m_visible;
  ShowWindow(m_visible, m_visible);
}

void CDndUiDlg::ShowStatusText(const std::string& text) {
  if (CControlUI* label = StatusLabel()) label->SetText(text);
  // Offline must read at a glance, whatever the text says: the pill greys.
  const bool offline = m_services.options->m_workState.load() == WorkState::kOffline;
  CControlUI* face = m_PaintManager.FindControl("face");
  if (face != nullptr) face->SetBkImage(offline ? kFaceOffline : kFaceOnline);
}

void CDndUiDlg::ShowStatusToolTip(const std::string& text, int32_t width) {
  if (CControlUI* label = StatusLabel()) {
    label->SetToolTip(text);
    label->SetToolTipWidth(width);
  }
}

void CDndUiDlg::SetMainButtons(bool running) {
  if (CMainUiDlg* main = LiveMain())
    main->ButtonsChanged({false, kPlayGrey, running, running ? kPauseNormal : kPauseGrey});
}

void CDndUiDlg::StartTimer(int32_t id, uint32_t periodMs) {
  if (CControlUI* label = StatusLabel()) {
    m_PaintManager.KillTimer(label, static_cast<UINT>(id));
    m_PaintManager.SetTimer(label, static_cast<UINT>(id), periodMs);
  }
}

void CDndUiDlg::StopTimer(int32_t id) {
  if (CControlUI* label = StatusLabel()) m_PaintManager.KillTimer(label, static_cast<UINT>(id));
}

void CDndUiDlg::ShowFailedItems() {
  if (CMainUiDlg* main = LiveMain()) main->showFailedItems();
}

void CDndUiDlg::ClearToolTipItems() {
  if (m_toolTip != nullptr) m_toolTip->clearItems();
}

void CDndUiDlg::HideWindows() {
  ShowWindow(false, false);
  if (CMainUiDlg* main = LiveMain()) main->Hide();
}

void CDndUiDlg::CloseManagerWindow() {
  if (CMainUiDlg* main = LiveMain()) main->PostMessage(WM_CLOSE);
}

void CDndUiDlg::Quit() {
  platform::PostQuitMessage(0);
}
