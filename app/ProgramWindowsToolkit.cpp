#include <sys/resource.h>
#include <unistd.h>

#include "app/ProgramWindows.h"
#include "duilib/WindowFunctions.h"
#include "log/KvLog.h"
#include "peer/ClientInterfaceMgr.h"
#include "session/COptions.h"
#include "ui/CDndUiDlg.h"
#include "ui/CMainUiDlg.h"

using namespace DuiLib;

namespace {

constexpr char kMainTitle[] = "Quorel上传管理";
constexpr char kDropTitle[] = "Quorel拖拽上传";
constexpr int kMainWidth = 430, kMainHeight = 468;

void LogWindow(const CWindowWnd& window) {
  RECT rc{};
  GetWindowRect(window.GetHWND(), &rc);
  KV_DEBUG("KVUP", "KVUP window \"%s\" %dx%d at %d,%d %s", window.GetTitle().c_str(), rc.Width(),
           rc.Height(), rc.left, rc.top, IsWindowVisible(window.GetHWND()) ? "shown" : "hidden");
}

}  // namespace

struct ProgramWindows::Impl {
  CMainUiDlg* main = nullptr;
  CDndUiDlg* drop = nullptr;
  HWND mainWnd = nullptr;
  HWND dropWnd = nullptr;

  // The windows delete themselves when destroyed: only a live handle that
  // still names the object may be used.
  CMainUiDlg* LiveMain() const {
    return main != nullptr && CWindowWnd::FromHandle(mainWnd) == main ? main : nullptr;
  }
  CDndUiDlg* LiveDrop() const {
    return drop != nullptr && CWindowWnd::FromHandle(dropWnd) == drop ? drop : nullptr;
  }
};

ProgramWindows::ProgramWindows() : m_impl(std::make_unique<Impl>()) {}

ProgramWindows::~ProgramWindows() {
  Close();
}

bool ProgramWindows::Open() {
  const int screenWidth = GetSystemMetrics(SM_CXFULLSCREEN);
  const int screenHeight = GetSystemMetrics(SM_CYFULLSCREEN);
  auto* main = new CMainUiDlg;
  if (main->Create(nullptr, kMainTitle,
                   WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX, 0,
                   screenWidth - 440, screenHeight - 475, kMainWidth, kMainHeight) == nullptr) {
    return false;  // a window that failed to build has deleted itself
  }
  main->ShowWindow(false, true);
  m_impl->main = main;
  m_impl->mainWnd = main->GetHWND();
  KV_DEBUG("KVUP", "main thread priority: %d, id: %d", getpriority(PRIO_PROCESS, 0),
           static_cast<int>(gettid()));

  auto* drop = new CDndUiDlg;
  if (drop->Create(
          nullptr, kDropTitle,
          WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU,
          WS_EX_TOOLWINDOW | WS_EX_ACCEPTFILES | WS_EX_DLGMODALFRAME, screenWidth - 240, 34,
          CDndUiDlg::kWidth, CDndUiDlg::kHeight) == nullptr) {
    return false;
  }
  m_impl->drop = drop;
  m_impl->dropWnd = drop->GetHWND();
  SetWindowPos(m_impl->dropWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
  // Dropped files, copied data and 0x0049 need no message filter here.
  drop->ShowWindow(true, true);
  // The drop window builds its pipeline on the manager window's queue and
  // gives the manager window its handle and tool-tip window.
  drop->SetMainWindow(main);
  COptions::Instance().m_dropWnd = m_impl->dropWnd;
  ClientInterfaceMgr::Instance().SetNotifyWindow(m_impl->dropWnd);
  LogWindow(*main);
  LogWindow(*drop);
  return drop->Pipeline() != nullptr;
}

platform::HWND ProgramWindows::DropWindow() const {
  return m_impl->dropWnd;
}

DropPipeline& ProgramWindows::Pipeline() {
  return *m_impl->drop->Pipeline();
}

void ProgramWindows::Close() {
  if (m_impl->dropWnd == nullptr && m_impl->mainWnd == nullptr) return;
  ClientInterfaceMgr::Instance().SetNotifyWindow(nullptr);
  COptions::Instance().m_dropWnd = nullptr;
  if (CDndUiDlg* drop = m_impl->LiveDrop()) drop->DestroyWindow();
  if (CMainUiDlg* main = m_impl->LiveMain()) main->DestroyWindow();
  m_impl->drop = nullptr;
  m_impl->main = nullptr;
  m_impl->dropWnd = nullptr;
  m_impl->mainWnd = nullptr;
}
