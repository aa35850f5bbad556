#include "ManagerWindowWorld.h"

#include <filesystem>

#include "duilib/COptionUI.h"
#include "duilib/CPaintManagerUI.h"
#include "platform/MessageQueue.h"
#include "session/COptions.h"
#include "sqlite/DbSchema.h"

using namespace DuiLib;

namespace managertest {

void ManagerWindowWorld::SetUp() {
  COptions& options = COptions::Instance();
  options.m_userId = kUser;
  options.m_dataRoot = dir_.Sub("data");
  std::filesystem::create_directories(dir_.Sub("data/kvd"));
  for (auto db : {dbschema::Database::kTxlog, dbschema::Database::kLog})
    ASSERT_TRUE(dbschema::CreateTables(db, options.DatabasePath(db)));
  CPaintManagerUI::SetResourcePath(std::string(KVUP_BUILD_DIR) + "/skin/");
}

void ManagerWindowWorld::TearDown() {
  if (window_ != nullptr) window_->DestroyWindow();  // deletes itself
  window_ = nullptr;
  platform::MessageQueue::Instance().Reset();
  CPaintManagerUI::SetResourcePath("");
}

std::string ManagerWindowWorld::LogDatabase() const {
  return COptions::Instance().DatabasePath(dbschema::Database::kLog);
}

CMainUiDlg* ManagerWindowWorld::OpenWindow(UploadQueue::Services services, bool visible) {
  window_ = new CMainUiDlg(services, LogDatabase());
  const uint32_t style = WS_POPUP | (visible ? WS_VISIBLE : 0);
  if (window_->Create(nullptr, "kvup", style, 0, 200, 120, 430, 468) == nullptr) {
    window_ = nullptr;  // a window that cannot be made deletes itself
    ADD_FAILURE() << "the manager window cannot be created";
    return nullptr;
  }
  window_->SetDropWindow(&link_, nullptr);
  return window_;
}

void ManagerWindowWorld::AddHistory(int32_t user, const std::string& name, const std::string& path,
                                    int64_t size, int type) {
  DBWrapper db(LogDatabase());
  ASSERT_TRUE(db.Open());
  ASSERT_TRUE(db.executeSQL("INSERT INTO log(name, path, size, type, userid) VALUES('" + name +
                            "', '" + path + "', " + std::to_string(size) + ", " +
                            std::to_string(type) + ", " + std::to_string(user) + ");"))
      << db.Error();
}

std::vector<DBWrapper::Row> ManagerWindowWorld::HistoryRows(int32_t user) {
  DBWrapper db(LogDatabase());
  EXPECT_TRUE(db.Open());
  db.Query("SELECT name FROM log WHERE userid=" + std::to_string(user) + ";");
  return db.Rows();
}

CControlUI* ManagerWindowWorld::Find(const std::string& name) const {
  return window_->GetPaintManager().FindControl(name);
}

void ManagerWindowWorld::Select(const std::string& option) {
  auto* control = static_cast<COptionUI*>(Find(option)->GetInterface("Option"));
  ASSERT_NE(control, nullptr);
  control->Activate();
}

void ManagerWindowWorld::Click(CControlUI* control) {
  ASSERT_NE(control, nullptr);
  control->GetManager()->SendNotify(control, DUI_MSGTYPE_CLICK);
}

}  // namespace managertest
