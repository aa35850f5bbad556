// The upload manager window headless: its history page, the upload list's
// rows and their bookkeeping, and the attribute lists its pages build rows
// from.
#include <gtest/gtest.h>

#include "ManagerWindowWorld.h"
#include "common/LogCapture.h"
#include "duilib/CBoxLayoutUI.h"
#include "duilib/CButtonUI.h"
#include "duilib/CHeadlessHost.h"
#include "duilib/CListContainerElementUI.h"
#include "duilib/CTabLayoutUI.h"
#include "duilib/CUIAttributes.h"
#include "duilib/CUIHost.h"
#include "duilib/WindowFunctions.h"
#include "platform/MessageQueue.h"
#include "ui/ItemAttributes.h"
#include "upload/TaskState.h"
#include "upload/UploadTask.h"

using namespace DuiLib;

namespace managertest {
namespace {

class ManagerWindowTest : public ManagerWindowWorld {
 protected:
  void SetUp() override {
    CUIHost::Install(std::make_unique<CHeadlessHost>());
    ManagerWindowWorld::SetUp();
    ASSERT_NE(OpenWindow(PageServices(), true), nullptr);
  }
  CListUI* List(const char* name) const { return static_cast<CListUI*>(Find(name)); }
  // The text of the named label inside list row `row`.
  std::string TextIn(CListUI* list, int row, const std::string& name) const {
    CControlUI* c = static_cast<CContainerUI*>(list->GetItemAt(row))->FindControlByName(name);
    return c == nullptr ? "<none>" : c->GetText();
  }
  // A task record as the queue keeps it.
  static UploadTask Task(int32_t index, const std::string& name, int64_t size = 1000,
                         int64_t breakPoint = 0) {
    UploadTask t;
    t.taskIndex = index;
    t.name = name;
    t.folder = "/home/u";
    t.size = size;
    t.breakPoint = breakPoint;
    return t;
  }
  static FailedUpload Failure(const std::string& path, int32_t code) {
    FailedUpload f;
    f.file.path = path;
    f.errorCode = code;
    return f;
  }
};

TEST_F(ManagerWindowTest, HistoryListsTheLast20OfTheSignedInUserNewestFirstWithSizeAndStatus) {
  for (int i = 1; i <= 22; ++i) {
    AddHistory(kUser, "file" + std::to_string(i) + ".txt", "/home/u/file" + std::to_string(i),
               1024 * i, 0);
    if (i % 5 == 0) AddHistory(kUser + 1, "other" + std::to_string(i) + ".doc", "/x", 1, 0);
  }
  AddHistory(kUser, "tiny.jpg", "/home/u/tiny.jpg", 500, 1);
  AddHistory(kUser, "clip.avi", "/home/u/clip.avi", 1536 * 1024, 0);
  AddHistory(kUser, "disk.rar", "/home/u/disk.rar", int64_t{1500} * 1024 * 1024, 0);

  Select("upld_history");
  EXPECT_EQ(static_cast<CTabLayoutUI*>(Find("tab_main"))->GetCurSel(), 1);
  CListUI* list = List("hist_list_tab");
  ASSERT_EQ(list->GetCount(), 20);
  const auto& history = window_->Page2().history();
  ASSERT_EQ(history.size(), 20u);
  EXPECT_EQ(TextIn(list, 0, "done_name"), "disk.rar");
  EXPECT_EQ(history[0].sizeText, "1.50G");
  EXPECT_EQ(history[1].name, "clip.avi");
  EXPECT_EQ(history[1].sizeText, "1.53MB");
  EXPECT_EQ(history[1].statusText, "已完成");
  EXPECT_EQ(history[2].name, "tiny.jpg");
  EXPECT_EQ(history[2].sizeText, "1KB");
  EXPECT_EQ(history[2].statusText, "秒传");
  EXPECT_EQ(TextIn(list, 3, "done_name"), "file22.txt");
  EXPECT_EQ(TextIn(list, 3, "done_path"), "/home/u/file22");
  EXPECT_EQ(history[3].sizeText, "22KB");
  EXPECT_EQ(TextIn(list, 19, "done_name"), "file6.txt") << "older rows are left out";
  for (const auto& record : history) EXPECT_EQ(record.name.rfind("other", 0), std::string::npos);

  // Reloading does not stack rows.
  Select("upld_list");
  Select("upld_history");
  EXPECT_EQ(list->GetCount(), 20);

  Click(Find("clearLogBtn"));
  EXPECT_EQ(list->GetCount(), 0);
  EXPECT_TRUE(window_->Page2().history().empty());
  EXPECT_TRUE(HistoryRows(kUser).empty());
  EXPECT_EQ(HistoryRows(kUser + 1).size(), 4u) << "another user's history stays";
}

TEST_F(ManagerWindowTest, HistoryTextsFollowTheSizeAndPathRules) {
  EXPECT_EQ(CPage2::SizeText(0), "1KB");
  EXPECT_EQ(CPage2::SizeText(1024 * 1024), "1024KB");
  EXPECT_EQ(CPage2::SizeText(int64_t{2048} * 1024), "2.48MB");
  EXPECT_EQ(CPage2::SizeText(int64_t{1025} * 1024), "1.25MB") << "d = 25: '.' and d";
  EXPECT_EQ(CPage2::SizeText(int64_t{3000} * 1024 * 1024), "2G") << "d = 0: no decimals";
  const std::string path44(44, 'p');
  EXPECT_EQ(CPage2::PathText(path44), path44);
  EXPECT_EQ(CPage2::PathText(path44 + "q"), std::string(40, 'p') + "...");
  // Byte 40 falls inside a three-byte character: the cut keeps whole characters.
  const std::string cjk = std::string(38, 'a') + "文件夹名称";
  EXPECT_EQ(CPage2::PathText(cjk), std::string(38, 'a') + "...");
}

TEST_F(ManagerWindowTest, ClearingHistoryWithNothingListedLeavesTheTableAlone) {
  AddHistory(kUser, "kept.txt", "/home/u/kept.txt", 10, 0);
  Click(Find("clearLogBtn"));  // not reloaded: nothing listed, nothing deleted
  EXPECT_EQ(HistoryRows(kUser).size(), 1u);
}

TEST_F(ManagerWindowTest, RemovingARowMovesTheRowsBelowUpAndUpdatesFindTheirItems) {
  CPage1& page = window_->Page1();
  CListUI* list = List("upld_list_tab");
  std::vector<UploadTask> tasks;
  for (int i = 0; i < 4; ++i) tasks.push_back(Task(11 + i, "任务" + std::to_string(i) + ".doc"));
  tasks[2].breakPoint = 250;
  for (const auto& t : tasks) page.AddTaskItem(t);
  ASSERT_EQ(list->GetCount(), 4);
  EXPECT_EQ(TextIn(list, 0, "upld_name"), "任务0.doc");
  EXPECT_EQ(page.itemMap().at(13).progress->GetValue(), 25) << "breakPoint x 100 / size";
  EXPECT_EQ(page.itemMap().at(11).status->GetText(), "等待中");
  EXPECT_FALSE(page.itemMap().at(11).button->IsEnabled());
  window_->GetPaintManager().UpdateLayout();
  const RECT icon =
      static_cast<CContainerUI*>(list->GetItemAt(0))->FindControlByName("file_img")->GetPos();
  EXPECT_EQ(icon.Width(), 50);
  EXPECT_EQ(icon.Height(), 50) << "the icon is not squeezed into a line of text";

  page.RemoveTaskItem(tasks[1]);
  EXPECT_EQ(page.rowSlots().TaskAt(0), 11);
  EXPECT_EQ(page.rowSlots().TaskAt(1), 13);
  EXPECT_EQ(page.rowSlots().TaskAt(2), 14);
  EXPECT_EQ(page.rowSlots().TaskAt(3), UploadRowSlots::kFree);
  EXPECT_EQ(page.itemMap().count(12), 0u);
  ASSERT_EQ(list->GetCount(), 3);
  EXPECT_EQ(TextIn(list, 1, "upld_name"), "任务2.doc");
  EXPECT_EQ(TextIn(list, 2, "upld_name"), "任务3.doc");

  // A new task takes the first free row, at the end of the tasks.
  page.AddTaskItem(Task(15, "new.pdf"));
  EXPECT_EQ(page.rowSlots().TaskAt(3), 15);
  EXPECT_EQ(TextIn(list, 3, "upld_name"), "new.pdf");

  // Updates for a task without an item change nothing.
  page.UpdateProgress(tasks[1], "剩余时间: 1秒", 99);
  page.UpdateStatus(tasks[1], "传输中");
  for (const auto& [index, parts] : page.itemMap()) {
    EXPECT_EQ(parts.status->GetText(), "等待中") << index;
    EXPECT_FALSE(parts.button->IsEnabled()) << index;
  }

  page.UpdateProgress(tasks[3], "剩余时间: 5秒   1KB/2KB(1KB/秒)", 50);
  EXPECT_EQ(page.itemMap().at(14).progress->GetValue(), 50);
  EXPECT_EQ(page.itemMap().at(14).status->GetText(), "剩余时间: 5秒   1KB/2KB(1KB/秒)");

  tasks[3].state = TaskState::Paused;
  page.UpdateStatus(tasks[3], "暂停");
  const CPage1::ItemParts& paused = page.itemMap().at(14);
  EXPECT_TRUE(paused.button->IsEnabled());
  EXPECT_EQ(paused.button->GetNormalImage(), itemattr::kPlayImage);
  EXPECT_FALSE(paused.startedOnce);
  tasks[3].state = TaskState::Transferring;
  page.UpdateStatus(tasks[3], "传输中");
  EXPECT_EQ(paused.button->GetNormalImage(), itemattr::kPauseImage);
  EXPECT_TRUE(paused.startedOnce);

  page.ClearAll();
  EXPECT_EQ(list->GetCount(), 0);
  EXPECT_TRUE(page.itemMap().empty());
  EXPECT_EQ(page.rowSlots().TaskAt(0), UploadRowSlots::kFree);
}

TEST_F(ManagerWindowTest, FailedItemsShowTheReasonAndLeaveOneByOneOrAllAtOnce) {
  CPage1& page = window_->Page1();
  CListUI* list = List("upld_list_tab");
  list->SetAttribute("vscrollbar", "false");
  std::vector<FailedUpload> failures{Failure("/home/u/a.txt", FailedUpload::kDefaultError),
                                     Failure("/home/u/big.iso", FailedUpload::kFileTooLarge),
                                     Failure("/home/u/full.doc", FailedUpload::kDiskFull),
                                     Failure("/home/u/a:b", FailedUpload::kDefaultError)};
  // The service's words stand for a refusal without a text of its own.
  failures[1].description = "file too large";
  failures[3].description = "name or path refused";
  page.showFailedItems(failures);
  ASSERT_EQ(list->GetCount(), 4);
  EXPECT_FALSE(list->GetList()->IsVScrollEnabled()) << "four fit";
  EXPECT_EQ(TextIn(list, 0, "upld_name"), "a.txt");
  const auto statusOf = [&](int row) {
    auto* texts = static_cast<CContainerUI*>(static_cast<CContainerUI*>(list->GetItemAt(row))
                                                 ->FindControlByName("upld_name")
                                                 ->GetParent());
    return texts->GetItemAt(2)->GetText();
  };
  EXPECT_EQ(statusOf(0), "上传失败");
  EXPECT_EQ(statusOf(1), "超出上传文件大小限制");
  EXPECT_EQ(statusOf(2), "fodra容量不足，请补充容量或删除多余文件");
  EXPECT_EQ(statusOf(3), "name or path refused");
  EXPECT_TRUE(page.itemMap().empty()) << "failed items take no slot";

  // Their delete button only removes the element while the failures are shown.
  link_.failuresShown = true;
  Click(static_cast<CContainerUI*>(list->GetItemAt(1))->FindControlByName("del_btn"));
  ASSERT_EQ(list->GetCount(), 3);
  EXPECT_EQ(TextIn(list, 1, "upld_name"), "full.doc");

  page.showFailedItems(std::vector<FailedUpload>(6, failures[0]));
  EXPECT_EQ(list->GetCount(), 9);
  EXPECT_TRUE(list->GetList()->IsVScrollEnabled()) << "more than five";
  EXPECT_TRUE(list->GetList()->IsHScrollEnabled());
  window_->clearFailureDisplay();
  EXPECT_EQ(list->GetCount(), 0);
  EXPECT_FALSE(list->GetList()->IsVScrollEnabled());
  EXPECT_FALSE(list->GetList()->IsHScrollEnabled());
}

TEST_F(ManagerWindowTest, TheCaptionMovesTheWindowExceptOverItsButtons) {
  // The window's top-left corner is at (200, 120) on the screen.
  const auto hit = [&](int x, int y) {
    return platform::SendMessage(window_->GetHWND(), WM_NCHITTEST, 0, MAKELPARAM(200 + x, 120 + y));
  };
  EXPECT_EQ(hit(40, 18), HTCAPTION) << "the title";
  EXPECT_EQ(hit(250, 18), HTCAPTION);
  EXPECT_EQ(hit(415, 18), HTCLIENT) << "the close button";
  EXPECT_EQ(hit(40, 50), HTCLIENT) << "the tabs lie below the caption";
  EXPECT_EQ(hit(200, 300), HTCLIENT);
}

TEST_F(ManagerWindowTest, ButtonsTabsAndTheCloseButtonOfTheWindow) {
  window_->showPausedState();
  EXPECT_TRUE(Find("startBtn")->IsEnabled());
  EXPECT_FALSE(Find("pauseBtn")->IsEnabled());
  EXPECT_EQ(static_cast<CButtonUI*>(Find("startBtn"))->GetIconImage(),
            "file='play_n.png' dest='0,7,16,23'");
  EXPECT_EQ(link_.statusText, "暂停");
  window_->showRetryingLabel();
  EXPECT_EQ(Find("upldNumLabel")->GetText(), "    重传失败的文件");
  window_->clearCountLabel();
  EXPECT_EQ(Find("upldNumLabel")->GetText(), "");

  window_->bringToFront();
  EXPECT_TRUE(window_->IsShown());
  EXPECT_TRUE(IsWindowVisible(window_->GetHWND()));
  Click(Find("closeBtn"));
  EXPECT_FALSE(window_->IsShown());
  EXPECT_FALSE(IsWindowVisible(window_->GetHWND()));
  window_->bringToFront();
  platform::SendMessage(window_->GetHWND(), WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_FALSE(IsWindowVisible(window_->GetHWND())) << "hidden, not closed";
  EXPECT_EQ(CPaintManagerUI::FromWindow(window_->GetHWND()), &window_->GetPaintManager());
}

// Every attribute of the rows' lists is one the toolkit knows, with a value
// it reads.
TEST(ManagerItemAttributes, EveryListOfThePagesParsesAndEveryAttributeApplies) {
  struct Case {
    std::string list;
    CControlUI* control;
  };
  const Case cases[] = {
      {itemattr::kTaskElement, new CListContainerElementUI},
      {itemattr::kHistoryElement, new CListContainerElementUI},
      {itemattr::kRowFixed, new CHorizontalLayoutUI},
      {itemattr::kSeparatorRow, new CHorizontalLayoutUI},
      {itemattr::IconLabel("cdBig_txt.png"), new CLabelUI},
      {itemattr::kNameLabel, new CLabelUI},
      {itemattr::kWaitingStatus, new CLabelUI},
      {std::string(itemattr::kFailedStatusBefore) + "上传失败" + itemattr::kFailedStatusAfter,
       new CLabelUI},
      {itemattr::kHistoryText, new CLabelUI},
      {itemattr::kTaskSeparator, new CLabelUI},
      {itemattr::kHistorySeparator, new CLabelUI},
      {itemattr::kTaskControlButton, new CButtonUI},
      {itemattr::kFailedControlButton, new CButtonUI},
      {itemattr::kDeleteButton, new CButtonUI},
  };
  for (const Case& c : cases) {
    CUIAttributes::List pairs;
    EXPECT_TRUE(CUIAttributes::ParseList(c.list, &pairs)) << c.list;
    EXPECT_FALSE(pairs.empty()) << c.list;
    for (const auto& [name, value] : pairs)
      EXPECT_TRUE(c.control->SetAttribute(name, value)) << name << "=" << value;
    delete c.control;
  }
  CLabelUI separator;
  separator.ApplyAttributeList(itemattr::kTaskSeparator);
  EXPECT_EQ(separator.GetPadding().right, 419);
  EXPECT_EQ(separator.GetBkColor(), 0xFFE1E1E3u);
  CButtonUI button;
  button.ApplyAttributeList(itemattr::kTaskControlButton);
  EXPECT_EQ(button.GetName(), "ctrl_btn");
  EXPECT_FALSE(button.IsEnabled());
  EXPECT_EQ(button.GetNormalImage(), "file='btn_start.png' dest='0,18,16,34'");
}

}  // namespace
}  // namespace managertest
