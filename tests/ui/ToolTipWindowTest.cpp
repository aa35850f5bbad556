// The upload tool-tip window headless: its rows follow the upload-list page
// (added at the same row, percentages and status texts, removed from the same
// row), the mouse resting on it and leaving it, and its manager button.
#include <gtest/gtest.h>

#include <memory>

#include "ManagerWindowWorld.h"
#include "duilib/CHeadlessHost.h"
#include "duilib/CListContainerElementUI.h"
#include "duilib/CUIHost.h"
#include "platform/MessageQueue.h"
#include "session/COptions.h"
#include "session/Messages.h"
#include "ui/CToolTipUiDlg.h"
#include "upload/TaskState.h"
#include "upload/UploadTask.h"
#include "util/CommonUtils.h"

using namespace DuiLib;

namespace managertest {
namespace {

class RecordingOwner : public ToolTipOwner {
 public:
  void SetToolTipHovered(bool h) override { hovered = h; }
  void ToolTipDestroyed() override { destroyed = true; }
  bool hovered = false;
  bool destroyed = false;
};

// Counts the messages that reach the process's drop window.
class DropWindowLog : public platform::MessageHandler {
 public:
  platform::LRESULT HandleMessage(platform::UINT msg, platform::WPARAM, platform::LPARAM) override {
    if (msg == msg::WM_SHOW_MANAGER) ++showManager;
    return 0;
  }
  int showManager = 0;
};

class ToolTipWindowTest : public ManagerWindowWorld {
 protected:
  void SetUp() override {
    CUIHost::Install(std::make_unique<CHeadlessHost>());
    ManagerWindowWorld::SetUp();
    ASSERT_NE(OpenWindow(PageServices(), false), nullptr);
    tip_ = new CToolTipUiDlg;
    ASSERT_NE(tip_->Create(window_->GetHWND(), "", WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 0, 0,
                           CToolTipUiDlg::kCreateWidth, CToolTipUiDlg::kCreateHeight),
              nullptr);
    tip_->SetDropWindow(&owner_);
    window_->SetToolTipWindow(tip_);
  }
  void TearDown() override {
    // Destroying the manager window takes the owned tool-tip with it.
    ManagerWindowWorld::TearDown();
    EXPECT_TRUE(owner_.destroyed);
  }
  static UploadTask Task(int32_t index, const std::string& name) {
    UploadTask t;
    t.taskIndex = index;
    t.name = name;
    t.folder = "/home/u";
    t.size = 1000;
    return t;
  }
  std::string RowText(int row, const std::string& name) const {
    auto* element = static_cast<CContainerUI*>(tip_->List()->GetItemAt(row));
    if (element == nullptr) return "<no row>";
    CControlUI* c = element->FindControlByName(name);
    return c == nullptr ? "<none>" : c->GetText();
  }
  std::string StatusOf(int32_t task) const {
    CLabelUI* label = tip_->RowLabel(task);
    return label == nullptr ? "<no row>" : label->GetText();
  }

  CToolTipUiDlg* tip_ = nullptr;
  RecordingOwner owner_;
};

TEST_F(ToolTipWindowTest, SkinHasTheListAndTheManagerButtonAndTheCaptionIsGone) {
  ASSERT_NE(tip_->List(), nullptr);
  EXPECT_NE(tip_->GetPaintManager().FindControl("showMgrBtn"), nullptr);
  EXPECT_EQ(tip_->GetStyle() & WS_CAPTION, 0u);
  EXPECT_EQ(tip_->GetWindowClassName(), "KvupToolTipUi");
}

TEST_F(ToolTipWindowTest, RowsFollowTheUploadListPageRowForRow) {
  CPage1& page = window_->Page1();
  UploadTask a = Task(11, "报告 第一季度 final version.docx");
  UploadTask b = Task(12, "b.txt");
  UploadTask c = Task(13, "c.pdf");
  for (const UploadTask* t : {&a, &b, &c}) page.AddTaskItem(*t);
  ASSERT_EQ(tip_->List()->GetCount(), 3);
  // Waiting at first; the name cut to 23 bytes; the small icon of its kind.
  EXPECT_EQ(StatusOf(11), "等待中");
  EXPECT_EQ(RowText(0, "upld_name"), ShortenFileName(a.name, 23));
  EXPECT_NE(RowText(0, "upld_name"), a.name);
  auto* icon =
      static_cast<CContainerUI*>(tip_->List()->GetItemAt(2))->FindControlByName("file_img");
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(icon->GetBkImage(), "cdSmall_pdf.png");

  page.UpdateProgress(a, "剩余时间: 3秒", 42);
  EXPECT_EQ(StatusOf(11), "42%");
  b.state = TaskState::Paused;
  page.UpdateStatus(b, "暂停");
  EXPECT_EQ(StatusOf(12), "等待中") << "a paused state is not mirrored";
  c.state = TaskState::Transferring;
  page.UpdateStatus(c, "上传中");
  EXPECT_EQ(StatusOf(13), "上传中");

  // The middle row goes; the last moves up as on the page.
  page.RemoveTaskItem(b);
  ASSERT_EQ(tip_->List()->GetCount(), 2);
  EXPECT_EQ(tip_->RowLabel(12), nullptr);
  EXPECT_EQ(RowText(1, "upld_name"), "c.pdf");
  page.AddTaskItem(Task(14, "d.mp3"));
  EXPECT_EQ(RowText(2, "upld_name"), "d.mp3");

  // Updates of a task without a row change nothing.
  tip_->SetRowText(99, "7%");
  EXPECT_EQ(tip_->RowLabel(99), nullptr);

  tip_->clearItems();
  EXPECT_EQ(tip_->List()->GetCount(), 0);
  EXPECT_EQ(tip_->RowLabel(11), nullptr);
}

TEST_F(ToolTipWindowTest, PercentagesReadAsNumberAndPercentSign) {
  EXPECT_EQ(CToolTipUiDlg::PercentText(0), "0%");
  EXPECT_EQ(CToolTipUiDlg::PercentText(42), "42%");
  EXPECT_EQ(CToolTipUiDlg::PercentText(100), "100%");
}

TEST_F(ToolTipWindowTest, RestingOnItKeepsItOpenAndLeavingHidesIt) {
  tip_->ShowWindow(true, false);
  tip_->SendMessage(WM_MOUSEHOVER, 0, MAKELPARAM(20, 60));
  EXPECT_TRUE(owner_.hovered);
  EXPECT_TRUE(tip_->IsVisible());
  tip_->SendMessage(WM_MOUSELEAVE, 0, 0);
  EXPECT_FALSE(owner_.hovered);
  EXPECT_FALSE(tip_->IsVisible());
}

TEST_F(ToolTipWindowTest, TheManagerButtonAsksTheDropWindowToShowTheManager) {
  DropWindowLog drop;
  COptions::Instance().m_dropWnd = platform::CreateWindowHandle(&drop);
  CControlUI* button = tip_->GetPaintManager().FindControl("showMgrBtn");
  ASSERT_NE(button, nullptr);
  Click(button);
  EXPECT_EQ(drop.showManager, 1);
  // Other clicks do not.
  tip_->GetPaintManager().SendNotify(tip_->List(), DUI_MSGTYPE_CLICK);
  EXPECT_EQ(drop.showManager, 1);
  platform::DestroyWindowHandle(COptions::Instance().m_dropWnd.load());
  COptions::Instance().m_dropWnd = nullptr;
}

}  // namespace
}  // namespace managertest
