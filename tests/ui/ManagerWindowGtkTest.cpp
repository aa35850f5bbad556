// The upload manager window in GTK during a real upload through the stand-in
// service (chunks read slowly, so transfers are mid-way), then its history
// page; each state is saved as a screenshot into the build folder.
#include <curl/curl.h>
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <random>

#include "ManagerWindowWorld.h"
#include "common/GtkHostSwap.h"
#include "common/HttpCall.h"
#include "common/MessageCounter.h"
#include "common/StandInService.h"
#include "duilib/CButtonUI.h"
#include "duilib/CGtkHost.h"
#include "duilib/CHeadlessHost.h"
#include "pipeline/MiscToolMgr.h"
#include "pipeline/ShaDigest.h"
#include "platform/MessageQueue.h"
#include "session/COptions.h"
#include "session/Messages.h"
#include "session/ServiceConfig.h"
#include "store/CWriteDbMgr.h"
#include "upload/CUpldThreadMgr.h"
#include "upload/TaskState.h"
#include "upload/UploadTask.h"

using namespace DuiLib;

namespace managertest {
namespace {

// Counts what reaches the drop window (0x85b, 0x863).
using DropWindowLog = kvtest::MessageCounter;

class ManagerWindowGtkTest : public ManagerWindowWorld {
 protected:
  void SetUp() override {
    gtk_ = kvtest::InstallGtkHost();
    if (gtk_ == nullptr) GTEST_SKIP() << "no display";
    curl_global_init(CURL_GLOBAL_ALL);
    ManagerWindowWorld::SetUp();
  }
  void TearDown() override {
    if (gtk_ == nullptr) return;
    if (window_ != nullptr) window_->quitTasks();  // jobs first: they share the controllers
    CUpldThreadMgr::Instance().Stop();
    ManagerWindowWorld::TearDown();
    if (deleter_) {
      deleter_->RequestStop();
      deleter_->CloseThread();
    }
    writer_.FlushDrainAndStop();
    ServiceConfig::Instance().SetBaseUrl(ServiceConfig::kDefaultUrl);
    kvtest::RestoreHeadlessHost();
    curl_global_cleanup();
  }

  // The service reads chunks at 256 KiB/s, the engine's workers run, and the
  // window is shown.
  void StartWorld() {
    service_ = std::make_unique<kvtest::StandInService>(std::vector<std::string>{
        "--session", "s1=alice", "--control", "--fault", "breakPointUploadAction:throttle=262144"});
    ASSERT_TRUE(service_->Start()) << service_->error();
    COptions& options = COptions::Instance();
    service_->SignIn(options);
    options.m_workState = WorkState::kReady;
    dropWindow_ = platform::CreateWindowHandle(&dropLog_);
    ASSERT_TRUE(writer_.Start());
    deleter_ = std::make_unique<MiscToolMgr>(options);
    deleter_->SetWindow(dropWindow_);
    ASSERT_EQ(deleter_->Start(), 0);
    ASSERT_TRUE(CUpldThreadMgr::Instance().Start());
    ASSERT_NE(OpenWindow({&options, &store_, &writer_, deleter_.get()}, true), nullptr);
    window_->SetDropWindow(&link_, dropWindow_);
    window_->bringToFront();
  }

  // A local file of pseudo-random bytes, queued in the store as the
  // comparison queues it.
  void QueueFile(const std::string& name, size_t size) {
    std::string content(size, '\0');
    std::mt19937 random(static_cast<unsigned>(size));
    for (char& c : content) c = static_cast<char>(random());
    const std::string path = dir_.WriteFile("files/" + name, content);
    std::string digest;
    int64_t bytes = 0;
    ASSERT_TRUE(CShaDigest::OfFile(path, &digest, &bytes));
    store_.addBackupFile(digest, 0, path, RootId(), bytes);
    store_.addRemainingFiles(1);
  }

  int64_t RootId() const {
    return kvtest::HttpCall(service_->BaseUrl())
        .Get("/wbx/filebackup/getSubFilesAction.json?gSessionId=s1")
        .json["data"]["root"]["id"]
        .asInt64();
  }

  bool PumpUntil(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!done()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      CGtkHost::Pump(20);
    }
    return true;
  }

  int CountStatusStartingWith(const std::string& prefix) const {
    int n = 0;
    for (const auto& [index, parts] : window_->Page1().itemMap())
      n += parts.status->GetText().rfind(prefix, 0) == 0 ? 1 : 0;
    return n;
  }

  std::string Shot(const std::string& name) {
    CGtkHost::Pump(300);
    const std::string path = std::string(KVUP_BUILD_DIR) + "/" + name;
    EXPECT_TRUE(gtk_->Screenshot(window_->GetHWND(), path));
    return path;
  }

  CGtkHost* gtk_ = nullptr;
  std::unique_ptr<kvtest::StandInService> service_;
  CWriteDbMgr writer_;
  std::unique_ptr<MiscToolMgr> deleter_;
  DropWindowLog dropLog_;
  platform::HWND dropWindow_ = nullptr;
};

TEST_F(ManagerWindowGtkTest, MidUploadTheListShowsItemsWithProgressThenTheHistoryListsThem) {
  StartWorld();
  const std::vector<std::pair<std::string, size_t>> files{
      {"2026年第一季度财务报表汇总（最终定稿版本）.xls", 2400000},
      {"holiday-photo.JPG", 1900000},
      {"项目资料备份.zip", 3100000},
      {"会议纪要.doc", 1500000},
      {"song.mp3", 1200000}};
  for (const auto& [name, size] : files) QueueFile(name, size);
  window_->upldNewFiles();
  EXPECT_EQ(window_->TaskCount(), 3);

  CListUI* list = static_cast<CListUI*>(Find("upld_list_tab"));
  ASSERT_EQ(list->GetCount(), 5);
  ASSERT_TRUE(PumpUntil([&] { return CountStatusStartingWith("剩余时间: ") == 3; }));
  EXPECT_EQ(CountStatusStartingWith("等待中"), 2);
  EXPECT_FALSE(Find("startBtn")->IsEnabled());
  EXPECT_EQ(Find("upldNumLabel")->GetText(), "    剩余文件数: 5");
  int moving = 0;
  for (const auto& [index, parts] : window_->Page1().itemMap())
    moving += parts.progress->GetValue() > 0 ? 1 : 0;
  EXPECT_GE(moving, 1);
  const std::string uploading = Shot("ui_manager_uploading.png");

  // The item's own button pauses its running task and starts it again.
  const int32_t first = window_->Page1().rowSlots().TaskAt(0);
  const CPage1::ItemParts& parts = window_->Page1().itemMap().at(first);
  auto* ctrl = static_cast<CButtonUI*>(
      static_cast<CContainerUI*>(list->GetItemAt(0))->FindControlByName("ctrl_btn"));
  ASSERT_EQ(ctrl, parts.button);
  ASSERT_TRUE(parts.startedOnce);
  Click(ctrl);
  EXPECT_EQ(ctrl->GetNormalImage(), "file='btn_play.png' dest='0,18,16,34'");
  ASSERT_TRUE(
      PumpUntil([&] { return window_->Queue().FindTask(first)->state == TaskState::Paused; }));
  EXPECT_EQ(parts.status->GetText().rfind("暂停 ", 0), 0u) << parts.status->GetText();
  Click(ctrl);
  EXPECT_EQ(ctrl->GetNormalImage(), "file='btn_pause.png' dest='0,18,16,34'");
  EXPECT_EQ(window_->Queue().FindTask(first)->state, TaskState::Transferring);

  // The rest at full speed; every file ends in the history, newest first.
  ASSERT_EQ(
      kvtest::HttpCall(service_->BaseUrl()).PostRaw("/kvup-control/faults/clear", "").Status(), 0);
  ASSERT_TRUE(PumpUntil([&] { return dropLog_.counts[msg::WM_UPLOADS_DRAINED] > 0; }));
  EXPECT_EQ(list->GetCount(), 0);
  ASSERT_TRUE(writer_.Drain());
  Select("upld_history");
  CListUI* history = static_cast<CListUI*>(Find("hist_list_tab"));
  ASSERT_EQ(history->GetCount(), 5);
  const std::vector<DBWrapper::Row> rows = [&] {
    DBWrapper db(LogDatabase());
    EXPECT_TRUE(db.Open());
    db.Query("SELECT name FROM log ORDER BY id DESC;");
    return db.Rows();
  }();
  ASSERT_EQ(rows.size(), 5u);
  for (size_t i = 0; i < rows.size(); ++i)
    EXPECT_EQ(window_->Page2().history()[i].name, rows[i][0]);
  Shot("ui_manager_history.png");
  std::printf("screenshots: %s and ui_manager_history.png\n", uploading.c_str());
}

}  // namespace
}  // namespace managertest
