// The drop window headless: what start-up gets (skin, hidden tool-tip window,
// wiring to the manager window), the menu by upload state and its commands,
// the hover tool-tip's placement inside the work area and its 2-second timer,
// dragging, the speed text, drops, and the pipeline's timers as real timers.
#include <gtest/gtest.h>

#include <memory>

#include "DropWindowWorld.h"
#include "common/DuiTestWindow.h"
#include "duilib/CDropFiles.h"
#include "duilib/CHeadlessHost.h"
#include "duilib/CUIHost.h"
#include "duilib/WindowFunctions.h"
#include "platform/MessageQueue.h"
#include "session/COptions.h"
#include "session/Messages.h"
#include "ui/CMenuElementUI.h"
#include "ui/CMenuWnd.h"
#include "ui/CToolTipUiDlg.h"
#include "upload/UploadTask.h"

using namespace DuiLib;

namespace managertest {
namespace {

class DropWindowTest : public DropWindowWorld {
 protected:
  void SetUp() override {
    auto host = std::make_unique<CHeadlessHost>();
    host_ = host.get();
    CUIHost::Install(std::move(host));
    DropWindowWorld::SetUp();
  }
  void TearDown() override {
    CMenuWnd::Observer().Broadcast(ContextMenuParam{1, nullptr});
    duitest::Settle();
    DropWindowWorld::TearDown();
  }
  static void SetBusy(BusyState busy) { COptions::Instance().m_busy = busy; }
  // The tool-tip window's top-left after a hover at client x.
  POINT HoverAt(int x) {
    drop_->SendMessage(WM_MOUSEHOVER, 0, MAKELPARAM(x, 10));
    const RECT rc = drop_->ToolTipWindow()->GetWindowRect();
    EXPECT_EQ(rc.Width(), CDndUiDlg::kToolTipWidth);
    EXPECT_EQ(rc.Height(), CDndUiDlg::kToolTipHeight);
    return POINT{rc.left, rc.top};
  }
  CMenuElementUI* MenuItem(const std::string& name) {
    const auto menus = CMenuWnd::OpenMenus();
    if (menus.empty()) return nullptr;
    return static_cast<CMenuElementUI*>(menus.front()->GetPaintManager().FindControl(name));
  }
  void CloseMenus() {
    CMenuWnd::Observer().Broadcast(ContextMenuParam{1, nullptr});
    duitest::Settle();
  }
  // The chosen menu item as the menu reports it: the name in the user data of
  // the control the menu was opened on, then 0x7f0.
  void Choose(const std::string& item) {
    StatusLabel()->SetUserData(item);
    drop_->SendMessage(msg::WM_MENU_COMMAND, 0, reinterpret_cast<LPARAM>(StatusLabel()));
  }

  CHeadlessHost* host_ = nullptr;
};

TEST_F(DropWindowTest, StartUpGetsTheSkinAHiddenToolTipWindowAndPagesThatFeedIt) {
  ASSERT_NE(OpenDropWindow(1680, 34), nullptr);
  EXPECT_EQ(drop_->GetWindowClassName(), "KvupDndUi");
  EXPECT_EQ(StatusText(), "拖拽上传");
  EXPECT_EQ(drop_->GetStyle() & WS_CAPTION, 0u);
  EXPECT_GT(drop_->GetPaintManager().GetRoundCorner().cx, 0);
  EXPECT_TRUE(drop_->IsTopMost());
  CToolTipUiDlg* tip = drop_->ToolTipWindow();
  ASSERT_NE(tip, nullptr);
  EXPECT_FALSE(tip->IsVisible());
  EXPECT_EQ(tip->GetOwner(), drop_->GetHWND());
  EXPECT_EQ(tip->GetWindowRect().Width(), CToolTipUiDlg::kCreateWidth);
  EXPECT_EQ(tip->GetWindowRect().Height(), CToolTipUiDlg::kCreateHeight);
  EXPECT_EQ(drop_->SendMessage(WM_NCHITTEST, 0, MAKELPARAM(1700, 40)), HTCLIENT);
  // The manager window's upload list now fills the tool-tip too.
  UploadTask task;
  task.taskIndex = 3;
  task.name = "a.txt";
  window_->Page1().AddTaskItem(task);
  EXPECT_EQ(tip->List()->GetCount(), 1);
  // A second set-up keeps the one tool-tip window.
  drop_->InitWindow();
  EXPECT_EQ(drop_->ToolTipWindow(), tip);
}

TEST_F(DropWindowTest, MenuDisablesWhatTheUploadStateCannotDoAndShowsTheIconOfWhatItCan) {
  ASSERT_NE(OpenDropWindow(600, 34), nullptr);
  struct Case {
    BusyState busy;
    bool start, pause;
    const char* startIcon;
    const char* pauseIcon;
  };
  const Case cases[] = {
      {BusyState::kIdle, false, false, "", ""},
      {BusyState::kRunning, false, true, "", "file='pause_n.png' dest='4,9,20,25'"},
      {BusyState::kPaused, true, false, "file='play_n.png' dest='4,9,20,25'", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(StateNumber(c.busy));
    SetBusy(c.busy);
    drop_->SendMessage(WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(60, 18));
    ASSERT_EQ(CMenuWnd::OpenMenus().size(), 1u);
    EXPECT_TRUE(drop_->MenuOpen());
    ASSERT_NE(MenuItem("m_start"), nullptr);
    EXPECT_EQ(MenuItem("m_start")->IsEnabled(), c.start);
    EXPECT_EQ(MenuItem("m_pause")->IsEnabled(), c.pause);
    EXPECT_EQ(MenuItem("m_start")->GetCheckImage(), c.startIcon);
    EXPECT_EQ(MenuItem("m_pause")->GetCheckImage(), c.pauseIcon);
    for (const char* other : {"m_mgr", "m_hide", "m_exit", "m_logout", "m_resume"})
      EXPECT_TRUE(MenuItem(other)->IsEnabled()) << other;
    EXPECT_EQ(CMenuWnd::OpenMenus().front()->GetWindowRect().left, 600 + 60);
    CloseMenus();
  }
  // Outside every control the last menu opens again where it was.
  drop_->SendMessage(WM_CONTEXTMENU, 0, MAKELPARAM(-20, -20));
  ASSERT_EQ(CMenuWnd::OpenMenus().size(), 1u);
  EXPECT_EQ(CMenuWnd::OpenMenus().front()->GetWindowRect().left, 600 + 60);
  CloseMenus();
  // A left click forgets it: outside the controls nothing opens.
  drop_->SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(60, 18));
  EXPECT_FALSE(drop_->MenuOpen());
  drop_->SendMessage(WM_CONTEXTMENU, 0, MAKELPARAM(-20, -20));
  EXPECT_TRUE(CMenuWnd::OpenMenus().empty());
}

TEST_F(DropWindowTest, MenuCommandsShowTheManagerHideTheWindowAndStayOnlineWhenOnline) {
  ASSERT_NE(OpenDropWindow(600, 34), nullptr);
  Choose("m_mgr");
  EXPECT_TRUE(window_->IsShown());
  EXPECT_TRUE(window_->IsVisible());
  Choose("m_resume");  // only while offline
  EXPECT_EQ(COptions::Instance().m_workState.load(), WorkState::kReady);
  EXPECT_TRUE(codes_.empty());
  Choose("m_hide");
  EXPECT_FALSE(drop_->IsVisible());
  EXPECT_EQ(codes_, std::vector<int32_t>{4});
  // The client's toggle shows it again, and hides it.
  drop_->SendMessage(msg::WM_TOGGLE_DROP);
  EXPECT_TRUE(drop_->IsVisible());
  drop_->SendMessage(msg::WM_TOGGLE_DROP);
  EXPECT_FALSE(drop_->IsVisible());
}

TEST_F(DropWindowTest, DoubleClickAndTheToolTipButtonShowTheManagerWindow) {
  ASSERT_NE(OpenDropWindow(600, 34), nullptr);
  drop_->SendMessage(WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(60, 18));
  EXPECT_TRUE(window_->IsShown());
  window_->Hide();
  CControlUI* button = drop_->ToolTipWindow()->GetPaintManager().FindControl("showMgrBtn");
  Click(button);
  EXPECT_TRUE(window_->IsShown());
  window_->Hide();
  EXPECT_EQ(drop_->SendMessage(msg::WM_SHOW_MAIN), 1);
  EXPECT_TRUE(window_->IsShown());
}

TEST_F(DropWindowTest, HoverWhileUploadingPlacesTheToolTipInsideTheWorkArea) {
  host_->SetScreen(RECT{0, 0, 1920, 1080}, RECT{0, 0, 1920, 1040});
  ASSERT_NE(OpenDropWindow(600, 34), nullptr);
  SetBusy(BusyState::kRunning);
  // Below the window, at the pointer's x.
  POINT at = HoverAt(50);
  EXPECT_EQ(at.x, 650);
  EXPECT_EQ(at.y, 34 + 43);
  EXPECT_TRUE(drop_->ToolTipWindow()->IsVisible());
  EXPECT_TRUE(drop_->ToolTipWindow()->IsTopMost());
  // Near the right edge it opens 275 pixels further left.
  MoveWindow(drop_->GetHWND(), 1700, 34, CDndUiDlg::kWidth, CDndUiDlg::kHeight);
  at = HoverAt(50);
  EXPECT_EQ(at.x, 1750 - 275);
  // Near the bottom it opens 215 pixels higher.
  MoveWindow(drop_->GetHWND(), 600, 900, CDndUiDlg::kWidth, CDndUiDlg::kHeight);
  at = HoverAt(50);
  EXPECT_EQ(at.y, 943 - 215);
  // And never at or above the work area's top: then at the top plus 4.
  host_->SetScreen(RECT{0, 0, 1920, 1080}, RECT{0, 728, 1920, 1040});
  at = HoverAt(50);
  EXPECT_EQ(at.y, 728 + 4);
  // While a menu is open the hover does nothing.
  drop_->ToolTipWindow()->ShowWindow(false, false);
  drop_->SendMessage(WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(60, 18));
  drop_->SendMessage(WM_MOUSEHOVER, 0, MAKELPARAM(50, 10));
  EXPECT_FALSE(drop_->ToolTipWindow()->IsVisible());
}

TEST_F(DropWindowTest, HoverWhileIdleGivesTheLabelItsToolTipByTheMouseButton) {
  ASSERT_NE(OpenDropWindow(600, 34), nullptr);
  drop_->SendMessage(WM_MOUSEHOVER, MK_LBUTTON, MAKELPARAM(60, 18));
  EXPECT_EQ(StatusLabel()->GetToolTip(), "松开鼠标上传");
  EXPECT_EQ(StatusLabel()->GetToolTipWidth(), 300);
  EXPECT_EQ(host_->ToolTipOf(drop_->GetHWND()), "松开鼠标上传");
  drop_->SendMessage(WM_MOUSEHOVER, 0, MAKELPARAM(60, 18));
  EXPECT_EQ(StatusLabel()->GetToolTip(), "拖拽文件到此上传到Quorel");
  EXPECT_EQ(StatusLabel()->GetToolTipWidth(), 80);
  EXPECT_EQ(host_->ToolTipOf(drop_->GetHWND()), "拖拽文件到此上传到Quorel");
  EXPECT_FALSE(drop_->ToolTipWindow()->IsVisible());
}

TEST_F(DropWindowTest, TheToolTipHidesTwoSecondsLaterUnlessTheMouseRestsOnIt) {
  ASSERT_NE(OpenDropWindow(600, 34), nullptr);
  SetBusy(BusyState::kRunning);
  CToolTipUiDlg* tip = drop_->ToolTipWindow();
  drop_->SendMessage(WM_MOUSEHOVER, 0, MAKELPARAM(50, 10));
  ASSERT_TRUE(tip->IsVisible());
  for (int i = 0; i < 40 && tip->IsVisible(); ++i) duitest::Pump(100);
  EXPECT_FALSE(tip->IsVisible());

  drop_->SendMessage(WM_MOUSEHOVER, 0, MAKELPARAM(50, 10));
  tip->SendMessage(WM_MOUSEHOVER, 0, MAKELPARAM(30, 60));
  EXPECT_TRUE(drop_->ToolTipHovered());
  duitest::Pump(2600);  // past the timer
  EXPECT_TRUE(tip->IsVisible());
  tip->SendMessage(WM_MOUSELEAVE);
  EXPECT_FALSE(tip->IsVisible());
  EXPECT_FALSE(drop_->ToolTipHovered());
}

TEST_F(DropWindowTest, PressingTheLeftButtonMovesTheWindowAndHidesTheToolTip) {
  ASSERT_NE(OpenDropWindow(600, 34), nullptr);
  SetBusy(BusyState::kRunning);
  drop_->SendMessage(WM_MOUSEHOVER, 0, MAKELPARAM(50, 10));
  ASSERT_TRUE(drop_->ToolTipWindow()->IsVisible());
  const int before = host_->MoveDragCount();
  drop_->SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(50, 10));
  EXPECT_EQ(host_->MoveDragCount(), before + 1);
  EXPECT_FALSE(drop_->ToolTipWindow()->IsVisible());
}

TEST_F(DropWindowTest, TheSpeedReplacesTheStatusTextOnlyWhileUploading) {
  ASSERT_NE(OpenDropWindow(600, 34), nullptr);
  COptions::Instance().m_currentSpeed = 1572864;
  drop_->PostMessage(msg::WM_SPEED_CHANGED);
  duitest::Settle();
  EXPECT_EQ(StatusText(), "拖拽上传");
  SetBusy(BusyState::kRunning);
  drop_->PostMessage(msg::WM_SPEED_CHANGED);
  duitest::Settle();
  EXPECT_EQ(StatusText(), " 1.53MB/秒");
  COptions::Instance().m_currentSpeed = 1536;
  drop_->PostMessage(msg::WM_SPEED_CHANGED);
  duitest::Settle();
  EXPECT_EQ(StatusText(), " 1KB/秒");
}

TEST_F(DropWindowTest, DroppedPathsReachTheStoreUnlessOffline) {
  ASSERT_NE(OpenDropWindow(600, 34), nullptr);
  const std::string folder = dir_.Sub("drops/相册 2024");
  dir_.WriteFile("drops/相册 2024/a.jpg", "x");
  const std::string file = dir_.WriteFile("drops/b c.txt", "y");

  COptions::Instance().m_workState = WorkState::kOffline;
  ASSERT_TRUE(PostDropFiles(drop_->GetHWND(), {folder, file}));
  duitest::Settle();
  EXPECT_EQ(StatusText(), "拖拽上传");
  EXPECT_EQ(store_.RemainingFiles(), 0);
  EXPECT_TRUE(store_.DragDirs().empty());

  COptions::Instance().m_workState = WorkState::kReady;
  ASSERT_TRUE(PostDropFiles(drop_->GetHWND(), {folder, file}));
  duitest::Settle();
  EXPECT_EQ(StatusText(), "读取中...");
  EXPECT_EQ(StatusLabel()->GetToolTip(), "拖拽文件到此上传到Quorel");
  EXPECT_EQ(store_.DragDirs(), std::vector<std::string>{dir_.Sub("drops")});
  EXPECT_EQ(store_.RemainingFiles(), 1);  // the file; the folder is walked
  EXPECT_EQ(COptions::Instance().m_workState.load(), WorkState::kLaterDrops);  // ready is above 2
}

TEST_F(DropWindowTest, OfflineGreysThePillAndOnlineMakesItBlueAgain) {
  ASSERT_NE(OpenDropWindow(600, 34), nullptr);
  CControlUI* face = drop_->GetPaintManager().FindControl("face");
  ASSERT_NE(face, nullptr);
  EXPECT_EQ(face->GetBkImage(), "dnd_bg.png");
  drop_->PostMessage(msg::WM_CLIENT_LOGOUT);
  duitest::Settle();
  EXPECT_EQ(StatusText(), "离线");
  EXPECT_EQ(face->GetBkImage(), "dnd_offline.png");
  drop_->PostMessage(msg::WM_CLIENT_LOGIN);
  duitest::Settle();
  EXPECT_EQ(StatusText(), "拖拽上传");
  EXPECT_EQ(face->GetBkImage(), "dnd_bg.png");
}

TEST_F(DropWindowTest, ThePipelinesTimersAreTimersOfTheWindow) {
  ASSERT_NE(OpenDropWindow(600, 34), nullptr);
  drop_->PostMessage(msg::WM_NETWORK_FAILED);
  duitest::Settle();
  ASSERT_EQ(drop_->Pipeline()->ErrorCount(), 1);
  // The error window's timer, shortened: its expiry closes the window.
  drop_->StartTimer(DropPipeline::kTimerErrorWindow, 20);
  for (int i = 0; i < 50 && drop_->Pipeline()->ErrorCount() != 0; ++i) duitest::Pump(20);
  EXPECT_EQ(drop_->Pipeline()->ErrorCount(), 0);
}

TEST_F(DropWindowTest, TheMenusExitRunsTheCloseSequenceOnceAndALaterCloseIsSwallowed) {
  ASSERT_NE(OpenDropWindow(600, 34), nullptr);
  window_->bringToFront();
  const HWND dropWnd = drop_->GetHWND(), mainWnd = window_->GetHWND();
  Choose("m_exit");
  EXPECT_TRUE(drop_->Pipeline()->Closing());
  EXPECT_FALSE(drop_->IsVisible());
  EXPECT_FALSE(window_->IsShown());
  duitest::Settle();
  // The manager window got its WM_CLOSE and is gone; this one stays until
  // start-up deletes it after the loop.
  EXPECT_FALSE(platform::IsWindow(mainWnd));
  window_ = nullptr;
  EXPECT_EQ(drop_->SendMessage(WM_CLOSE), 0);
  EXPECT_TRUE(platform::IsWindow(dropWnd));
  EXPECT_EQ(CWindowWnd::FromHandle(dropWnd), drop_);
}

}  // namespace
}  // namespace managertest
