// The drop window in GTK: files and folders dragged onto it from another
// program with the real pointer reach its drop handling, whatever their names
// hold; and how it looks idle, uploading (the speed), offline and with the
// upload tool-tip opened by a real hover, saved as screenshots into the build
// folder (dnd_*.png), each over the manager window to show it stays on top.
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <filesystem>
#include <memory>

#include "DragSource.h"
#include "DropWindowWorld.h"
#include "duilib/CGtkHost.h"
#include "duilib/CHeadlessHost.h"
#include "duilib/WindowFunctions.h"
#include "session/COptions.h"
#include "session/Messages.h"
#include "ui/CToolTipUiDlg.h"
#include "upload/TaskState.h"
#include "upload/UploadTask.h"

// Last: X11's macros clash with the headers above.
#include "common/GtkHostSwap.h"
#include "common/XScreen.h"
#include "common/XTestInput.h"

using namespace DuiLib;

namespace managertest {
namespace {

constexpr int kDropX = 560, kDropY = 60;

class DropWindowGtkTest : public DropWindowWorld {
 protected:
  void SetUp() override {
    gtk_ = kvtest::InstallGtkHost();
    if (gtk_ == nullptr) GTEST_SKIP() << "no display";
    DropWindowWorld::SetUp();
  }
  void TearDown() override {
    if (gtk_ == nullptr) return;
    DropWindowWorld::TearDown();
    kvtest::RestoreHeadlessHost();
  }
  // The manager window behind, the drop window over it.
  void OpenBoth() {
    MoveWindow(window_->GetHWND(), 300, 20, 430, 468);
    window_->bringToFront();
    ASSERT_NE(OpenDropWindow(kDropX, kDropY), nullptr);
    CGtkHost::Pump(400);
  }
  static RECT AroundDrop() { return RECT{kDropX - 40, kDropY - 20, kDropX + 171, kDropY + 56}; }
  void SaveDrop(const std::string& name) {
    CGtkHost::Pump(300);
    EXPECT_TRUE(xscreen::SaveScreen(AroundDrop(), name));
    EXPECT_TRUE(
        gtk_->Screenshot(drop_->GetHWND(), std::string(KVUP_BUILD_DIR) + "/window_" + name));
  }
  static UploadTask Task(int32_t index, const std::string& name) {
    UploadTask t;
    t.taskIndex = index;
    t.name = name;
    t.folder = "/home/u";
    t.size = 4 << 20;
    return t;
  }

  CGtkHost* gtk_ = nullptr;
};

TEST_F(DropWindowGtkTest, FoldersAndFilesDraggedFromAFileManagerReachTheDropHandling) {
  const std::string parent = dir_.Sub("拖放 文件夹 #1 %41 'single' \"double\"");
  const std::string folder = parent + "/子 目录 #2";
  std::filesystem::create_directories(folder);
  dir_.WriteFile("拖放 文件夹 #1 %41 'single' \"double\"/子 目录 #2/inside.txt", "x");
  const std::string file =
      dir_.WriteFile("拖放 文件夹 #1 %41 'single' \"double\"/a b%20c#d 报告.txt", "hello");
  OpenBoth();
  ASSERT_EQ(StatusText(), "拖拽上传");

  dragtest::DragSource source;
  ASSERT_TRUE(source.Start(POINT{60, 600}, {folder, file})) << source.Output();
  EXPECT_TRUE(source.DragTo(POINT{kDropX + 70, kDropY + 18})) << source.Output();
  EXPECT_TRUE(xtest::PumpUntil([&] { return !store_.DragDirs().empty(); }));
  // The folder's parent is remembered (the folder goes to a walk), the file
  // waits for its digest.
  EXPECT_EQ(store_.DragDirs(), std::vector<std::string>{parent});
  EXPECT_EQ(store_.RemainingFiles(), 1);
  EXPECT_EQ(StatusText(), "读取中...");
}

TEST_F(DropWindowGtkTest, ScreenshotsIdleUploadingWithItsToolTipAndOffline) {
  OpenBoth();
  SaveDrop("dnd_idle.png");

  // Uploading: three tasks on the list, the speed in the label.
  CPage1& page = window_->Page1();
  UploadTask a = Task(1, "季度报告 final.docx"), b = Task(2, "holiday photo 0042.jpg"),
             c = Task(3, "backup-archive-2024.zip");
  for (UploadTask* t : {&a, &b, &c}) page.AddTaskItem(*t);
  page.UpdateProgress(a, "剩余时间: 3秒", 42);
  page.UpdateProgress(b, "剩余时间: 9秒", 7);
  COptions::Instance().m_busy = BusyState::kRunning;
  COptions::Instance().m_currentSpeed = 1572864;
  drop_->PostMessage(msg::WM_SPEED_CHANGED);
  CGtkHost::Pump(100);
  ASSERT_EQ(StatusText(), " 1.53MB/秒");
  SaveDrop("dnd_uploading.png");

  // A real hover opens the tool-tip below the pointer.
  xtest::Move(kDropX + 40, kDropY + 18);
  CGtkHost::Pump(50);
  xtest::Move(kDropX + 45, kDropY + 20);
  CToolTipUiDlg* tip = drop_->ToolTipWindow();
  ASSERT_TRUE(xtest::PumpUntil([&] { return tip->IsVisible(); }));
  const RECT rc = tip->GetWindowRect();
  EXPECT_EQ(rc.left, kDropX + 45);
  EXPECT_EQ(rc.top, kDropY + CDndUiDlg::kToolTipTop);
  CGtkHost::Pump(300);
  EXPECT_TRUE(xscreen::SaveScreen(RECT{kDropX - 40, kDropY - 20, rc.right + 20, rc.bottom + 20},
                                  "dnd_tooltip.png"));
  xtest::Move(20, 900);  // away: the tool-tip closes by its timer
  for (int i = 0; i < 3 && tip->IsVisible(); ++i)
    xtest::PumpUntil([&] { return !tip->IsVisible(); });
  EXPECT_FALSE(tip->IsVisible());

  // Offline: the client logs out.
  COptions::Instance().m_busy = BusyState::kIdle;
  drop_->PostMessage(msg::WM_CLIENT_LOGOUT);
  ASSERT_TRUE(xtest::PumpUntil([&] { return StatusText() == "离线"; }));
  EXPECT_EQ(COptions::Instance().m_workState.load(), WorkState::kOffline);
  SaveDrop("dnd_offline.png");
}

}  // namespace
}  // namespace managertest
