// The whole program on the X display: the real kvup with its GTK windows,
// started by kvup-client against the stand-in service, takes a folder dragged
// onto its drop window with the real pointer from another program and uploads
// it. Screenshots of both windows mid-upload go into the build folder
// (e2e_gtk_*.png).
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "DragSource.h"
#include "common/ChildProcess.h"
#include "common/WholeProgramWorld.h"
#include "duilib/CGtkHost.h"

// Last: X11's macros clash with the headers above.
#include "common/GtkHostSwap.h"
#include "common/XScreen.h"

using DuiLib::RECT;

namespace {

constexpr char kDropTitle[] = "Quorel拖拽上传";
constexpr char kManagerTitle[] = "Quorel上传管理";

class WholeProgramGtk : public kvtest::WholeProgramWorld {
 protected:
  void SetUp() override {
    if (kvtest::InstallGtkHost() == nullptr) GTEST_SKIP() << "no X display (run under xvfb-run)";
    gtk_ = true;
    WholeProgramWorld::SetUp();
    hostArgs_.clear();
  }
  void TearDown() override {
    if (gtk_) kvtest::RestoreHeadlessHost();
  }

  static std::optional<RECT> WaitForWindow(const std::string& title) {
    std::optional<RECT> rc;
    WaitFor([&] {
      DuiLib::CGtkHost::Pump(10);
      return (rc = xscreen::FindTopLevel(title)).has_value();
    });
    return rc;
  }
  static RECT Around(const RECT& rc, int margin) {
    return RECT{std::max(0, rc.left - margin), std::max(0, rc.top - margin), rc.right + margin,
                rc.bottom + margin};
  }

  bool gtk_ = false;
};

TEST_F(WholeProgramGtk, AFolderDraggedOntoTheDropWindowIsUploadedWhileBothWindowsShowIt) {
  ASSERT_TRUE(StartService()) << service_->error();
  // Slow chunks: the big file takes seconds, long enough to look at it.
  AddFaults(std::string("breakPointUploadAction:delay=250\n") + kCountChunks);
  const std::string root = MakeTree();
  Launch(service_->BaseUrl());
  kvtest::ChildProcess client;
  LaunchClient(client, {"hello", "wait=1", "cookies", "start", "wait=7", "wait=2,60000", "show",
                        "wait=3,90000", "quit"});

  const std::optional<RECT> drop = WaitForWindow(kDropTitle);
  ASSERT_TRUE(drop.has_value()) << Log();
  EXPECT_EQ(drop->Width(), 131);
  EXPECT_EQ(drop->Height(), 36);
  EXPECT_FALSE(xscreen::FindTopLevel(kManagerTitle).has_value()) << "hidden until shown";

  dragtest::DragSource source;
  ASSERT_TRUE(source.Start(DuiLib::POINT{60, 600}, {root})) << source.Output();
  ASSERT_TRUE(
      source.DragTo(DuiLib::POINT{(drop->left + drop->right) / 2, (drop->top + drop->bottom) / 2}))
      << source.Output() << Log();

  // The client shows the manager window once the uploads run.
  const std::optional<RECT> manager = WaitForWindow(kManagerTitle);
  ASSERT_TRUE(manager.has_value()) << client.Output() << Log();
  ASSERT_TRUE(WaitFor([&] { return Seen(kCountChunks) >= 6; })) << client.Output();
  DuiLib::CGtkHost::Pump(1200);  // past a progress report: speed and percentages shown
  EXPECT_TRUE(xscreen::SaveScreen(Around(*drop, 20), "e2e_gtk_drop_uploading.png"));
  EXPECT_TRUE(xscreen::SaveScreen(*manager, "e2e_gtk_manager_uploading.png"));
  EXPECT_LT(Seen(kCountChunks), ChunksOf(root)) << "the screenshots came mid-upload";

  ASSERT_EQ(client.Wait(120000), 0) << client.Output() << Log();
  EXPECT_EQ(client.Output().find("status 8"), std::string::npos) << client.Output();
  EXPECT_EQ(kvup_->Wait(kLong), 0) << Log();
  ExpectMirrored(root);
}

}  // namespace
