#include "ui/CMainUiDlg.h"

#include "duilib/CTabLayoutUI.h"
#include "duilib/WindowFunctions.h"
#include "session/Messages.h"
#include "ui/SkinFolder.h"
#include "ui/SkinWindowFrame.h"

using namespace DuiLib;

DUI_BEGIN_MESSAGE_MAP(CMainUiDlg, WindowImplBase)
DUI_ON_MSGTYPE(DUI_MSGTYPE_CLICK, OnClick)
DUI_ON_MSGTYPE(DUI_MSGTYPE_SELECTCHANGED, OnSelectChanged)
DUI_ON_MSGTYPE(DUI_MSGTYPE_ITEMCLICK, OnItemClick)
DUI_END_MESSAGE_MAP()

CMainUiDlg::CMainUiDlg(UploadQueue::Services services)
    : m_queue(*this, m_dropLink, services), m_page1(), m_page2() {
  AddVirtualWnd("page1", &m_page1);
  AddVirtualWnd("page2", &m_page2);
}

CMainUiDlg::CMainUiDlg(UploadQueue::Services services, const std::string& logDatabase)
    : m_queue(*this, m_dropLink, services), m_page1(), m_page2(logDatabase) {
  AddVirtualWnd("page1", &m_page1);
  AddVirtualWnd("page2", &m_page2);
}

CMainUiDlg::~CMainUiDlg() {
  RemoveVirtualWnd("page1");
  RemoveVirtualWnd("page2");
}

std::string CMainUiDlg::GetSkinFolder() {
  return SkinFolder::Path();
}

void CMainUiDlg::OnFinalMessage(HWND hwnd) {
  WindowImplBase::OnFinalMessage(hwnd);
  delete this;
}

void CMainUiDlg::SetDropWindow(DropWindowLink* link, HWND hwnd) {
  m_dropLink.Set(link);
  m_queue.SetDropWindow(hwnd);
}

void CMainUiDlg::InitWindow() {
  m_queue.SetNotifyWindow(GetHWND());
  m_page1.SetQueue(&m_queue);
  m_page2.SetManager(&m_PaintManager);
  m_startBtn = m_PaintManager.FindControl("startBtn");
  m_pauseBtn = m_PaintManager.FindControl("pauseBtn");
  m_closeBtn = m_PaintManager.FindControl("closeBtn");
  if (auto* list = static_cast<CListUI*>(m_PaintManager.FindControl("upld_list_tab")))
    m_page1.SetList(list);
  if (auto* list = static_cast<CListUI*>(m_PaintManager.FindControl("hist_list_tab")))
    m_page2.SetList(list);
}

LRESULT CMainUiDlg::HandleMessage(UINT msg, WPARAM w, LPARAM l) {
  LRESULT result = 0;
  if (m_queue.HandleMessage(msg, w, l, &result)) return result;
  switch (msg) {
    case WM_DESTROY:
      platform::PostQuitMessage(0);
      break;
    case WM_COPYDATA:
      return 0;
    case WM_NCHITTEST:
      return SkinWindowFrame::CaptionHitTest(GetHWND(), m_PaintManager, l);
    case WM_SYSCOMMAND:
      if (w != SC_CLOSE) return CWindowWnd::HandleMessage(msg, w, l);
      Hide();
      return 0;
    default:
      break;
  }
  return WindowImplBase::HandleMessage(msg, w, l);
}

void CMainUiDlg::Notify(TNotifyUI& msg) {
  if (msg.sType == DUI_MSGTYPE_CLICK && msg.pSender != nullptr)
    OnButtonClick(msg.pSender->GetName());
  WindowImplBase::Notify(msg);
}

void CMainUiDlg::OnButtonClick(const std::string& name) {
  if (name == "startBtn") m_queue.resumeTasks();
  if (name == "pauseBtn") m_queue.OnButtonUpPause();
  if (name == "closeBtn") Hide();
  if (name == "clearLogBtn") m_page2.Clear();
}

void CMainUiDlg::OnSelectChanged(TNotifyUI& msg) {
  auto* tabs = static_cast<CTabLayoutUI*>(m_PaintManager.FindControl("tab_main"));
  if (tabs == nullptr) return;
  const std::string& name = msg.pSender->GetName();
  if (name == "upld_list") tabs->SelectItem(0);
  if (name == "upld_history") {
    tabs->SelectItem(1);
    m_page2.Reload();
  }
}

void CMainUiDlg::Hide() {
  ShowWindow(false, false);
  m_shown = false;
}

void CMainUiDlg::bringToFront() {
  if (!m_shown) {
    ShowWindow(true);
    m_shown = true;
  }
  // Input attachment and SwitchToThisWindow have no counterpart: the host
  // raises and activates the window.
  SetForegroundWindow(GetHWND());
  BringWindowToTop(GetHWND());
}

CControlUI* CMainUiDlg::CountLabel() {
  if (m_countLabel == nullptr) m_countLabel = m_PaintManager.FindControl("upldNumLabel");
  return m_countLabel;
}

void CMainUiDlg::SetButton(CControlUI* button, bool enabled, const char* icon) {
  if (button == nullptr) return;
  button->SetEnabled(enabled);
  button->SetAttribute("iconimage", icon);
}

void CMainUiDlg::ButtonsChanged(const Buttons& buttons) {
  SetButton(m_startBtn, buttons.startEnabled, buttons.startIcon);
  SetButton(m_pauseBtn, buttons.pauseEnabled, buttons.pauseIcon);
}

void CMainUiDlg::CountLabelChanged(const std::string& text) {
  if (CControlUI* label = CountLabel()) label->SetText(text);
}

void CMainUiDlg::ListsCleared() {
  m_page1.ClearAll();
  if (auto* list = static_cast<CListUI*>(m_PaintManager.FindControl("hist_list_tab")))
    list->RemoveAll();
}

void CMainUiDlg::FailureDisplayCleared() {
  m_page1.ClearAll();
  if (CListUI* list = m_page1.List()) {
    list->SetAttribute("vscrollbar", "false");
    list->SetAttribute("hscrollbar", "false");
  }
}
