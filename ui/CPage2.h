// The history page: the last 20 finished uploads of the signed-in user, read
// from the log database's history table on its own connection, and their
// removal. User-interface thread only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "duilib/CListUI.h"
#include "duilib/CNotifyPump.h"
#include "sqlite/DBWrapper.h"

class CPage2 : public DuiLib::CNotifyPump {
 public:
  struct HistoryRecord {
    std::string name;
    std::string path;
    std::string sizeText;
    std::string statusText;
  };

  // Opens the log database below the options' data folder.
  CPage2();
  // Opens the given database file (tests).
  explicit CPage2(const std::string& databasePath);
  ~CPage2() override;

  // The list; null: looked up as "hist_list_tab" in the manager's tree.
  void SetList(DuiLib::CListUI* list) { m_list = list; }
  void SetManager(DuiLib::CPaintManagerUI* manager) { m_manager = manager; }

  // Lists the last 20 uploads of the signed-in user, newest first.
  void Reload();
  // Deletes the signed-in user's history and empties the list.
  void Clear();

  const std::vector<HistoryRecord>& history() const { return m_history; }
  bool DatabaseOpen() const { return m_db.IsOpen(); }

  // "1KB", "1.53MB", "2G": K = bytes / 1024 up to 1024, then MB, above 1000 MB G.
  static std::string SizeText(int64_t bytes);
  // "秒传" for an instant upload (type 1), else "已完成".
  static std::string StatusText(int type);
  // The path, or its first 40 bytes and "..." when it has 45 bytes or more.
  static std::string PathText(const std::string& path);

  DUI_DECLARE_MESSAGE_MAP()

 private:
  void OnIgnored(DuiLib::TNotifyUI& /*msg*/) {}
  DuiLib::CListUI* List();
  void RemoveAllItems();
  DuiLib::CControlUI* BuildItem(const HistoryRecord& record) const;

  DBWrapper m_db;
  std::vector<HistoryRecord> m_history;
  DuiLib::CListUI* m_list = nullptr;
  DuiLib::CPaintManagerUI* m_manager = nullptr;
};
