// Files dragged from another program under X11 reach a window that accepts
// files as WM_DROPFILES with their local paths, whatever their names hold
// (spaces, CJK characters, '#', '%', quotes): the drag-source program offers
// them as text/uri-list and XTest drags them with the real pointer.
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <filesystem>
#include <memory>
#include <vector>

#include "DragSource.h"
#include "common/DuiTestWindow.h"
#include "common/GtkHostSwap.h"
#include "common/TempDir.h"
#include "duilib/CDropFiles.h"
#include "duilib/CGtkHost.h"
#include "duilib/CHeadlessHost.h"

using namespace DuiLib;

namespace {

// A window that takes files and records the paths of every drop.
class DropRecorder : public duitest::TestWindow {
 public:
  DropRecorder()
      : TestWindow(R"(<Window size="131,36"><HorizontalLayout bkcolor="#FF2F7DF6">
          <Label name="mLabel" text="drop"/></HorizontalLayout></Window>)") {}
  LRESULT HandleMessage(UINT msg, WPARAM w, LPARAM l) override {
    if (msg != WM_DROPFILES) return TestWindow::HandleMessage(msg, w, l);
    HDROP drop = DropFromWParam(w);
    std::vector<std::string> paths;
    for (UINT i = 0; i < DragQueryFile(drop, 0xFFFFFFFFu, nullptr, 0); ++i) {
      std::string path(DragQueryFile(drop, i, nullptr, 0) + 1, '\0');
      path.resize(DragQueryFile(drop, i, path.data(), static_cast<UINT>(path.size())));
      paths.push_back(path);
    }
    drops.push_back(paths);
    return 1;
  }
  std::vector<std::vector<std::string>> drops;
};

class DropGtkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!CGtkHost::DisplayAvailable()) GTEST_SKIP() << "no display";
    CUIHost::Install(std::make_unique<CGtkHost>());
    gtk_ = true;
  }
  void TearDown() override {
    if (!gtk_) return;
    kvtest::RestoreHeadlessHost();
  }
  bool gtk_ = false;
};

TEST_F(DropGtkTest, AFolderAndAFileDraggedFromAnotherProgramArriveWithTheirExactPaths) {
  kvtest::TempDir dir;
  const std::string folder = dir.Sub("拖放 文件夹 #1 %41 'single' \"double\"");
  std::filesystem::create_directories(folder);
  dir.WriteFile("拖放 文件夹 #1 %41 'single' \"double\"/inside.txt", "x");
  const std::string file = dir.WriteFile("a b%20c#d 报告.txt", "hello");

  DropRecorder target;
  ASSERT_NE(target.Create(nullptr, "drop", WS_POPUP | WS_VISIBLE,
                          WS_EX_ACCEPTFILES | WS_EX_TOOLWINDOW, 420, 300, 131, 36),
            nullptr);
  CGtkHost::Pump(300);

  dragtest::DragSource source;
  ASSERT_TRUE(source.Start(POINT{100, 290}, {folder, file})) << source.Output();
  EXPECT_TRUE(source.DragTo(POINT{480, 318})) << source.Output();
  for (int i = 0; i < 100 && target.drops.empty(); ++i) CGtkHost::Pump(20);
  ASSERT_EQ(target.drops.size(), 1u);
  EXPECT_EQ(target.drops[0], (std::vector<std::string>{folder, file}));
  target.DestroyWindow();
}

}  // namespace
